// Peak memory of tavi-calc on the longest sweep it accepts: 999,000 points of the largest
// two-level design (40 coefficients) with groups of varying sizes, effects on three coefficients,
// the summary and the tables of power, best points and required groups; and on a sweep of a
// tenth of its length with the same options, which a command whose memory does not grow with
// its sweep runs in about as much. The command runs as a process of its own, whose peak resident
// set is the counter peak_rss_mb. The report, the covariance file and the table of power, which
// grow with the sweep on disk alone (gigabytes here), go to /dev/null.

#include "RunParameters.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace tavi {
namespace {

inline const char* const kLongParFile = "/dev/shm/tavi-bench-long.dat";

// Runs tavi-calc with arguments, its summary discarded: its peak resident set in kilobytes, or -1
// when it did not complete.
long peakKilobytesOf(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), TAVI_CALC);
    arguments.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, TAVI_CALC, &actions, nullptr,
                                  const_cast<char* const*>(arguments.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return usage.ru_maxrss;
}

// Argument: the number of group counts, 100 or 1000.
void BM_LongSweepMemory(benchmark::State& state) {
    // n = 5..1003 and, so wide a range stepping by 10, N = 10, 20, ..., 10 * groupCounts.
    const auto groupCounts = static_cast<std::int32_t>(state.range(0));
    writeRangeParameters(1003, 10 * groupCounts, kLongParFile, "/dev/null", "/dev/null");
    long peak = 0;
    for (auto _ : state) {
        peak = peakKilobytesOf({"--size-cv", "0.6", "--effect", "Fixed1=0.05", "--effect",
                                "Group1=0.1", "--effect", "CrossL2_3=0.1", "--power-csv",
                                "/dev/null", "--best-csv", "/dev/shm/tavi-bench-best.csv",
                                "--required-csv", "/dev/shm/tavi-bench-required.csv", kLongParFile,
                                "/dev/null", "/dev/null"});
        if (peak < 0) {
            state.SkipWithError("tavi-calc did not complete");
            return;
        }
    }
    state.counters["points"] = 999.0 * groupCounts;
    state.counters["peak_rss_mb"] = double(peak) / 1024.0;
}
BENCHMARK(BM_LongSweepMemory)
    ->Arg(100)
    ->Arg(1000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace tavi
