// How much a run stretches on a busy machine, against a plain thread: the 2,100-point run of the
// largest design with its files, and the same points computed on one thread with no files, each
// timed alone and then beside CPU-bound processes of other sessions, as other users' programs
// run: two busy loops and a build that runs one compiler after another. The counters give each
// one's stretch (its median time beside them over its median time alone) and their ratio, which
// a run that no parked thread holds up keeps near 1.

#include "RunParameters.h"
#include "SweepRuns.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <ctime>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tavi {
namespace {

constexpr int kRepetitions = 7;
// A compiler runs for a while, then the build starts the next one.
constexpr double kCompilerSeconds = 0.1;

double secondsSince(const timespec& start) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec - start.tv_sec) + double(now.tv_nsec - start.tv_nsec) * 1e-9;
}

// Keeps a core busy until killed, in a session of its own; with pauses, a millisecond after each
// stretch of kCompilerSeconds. Ends with this process.
[[noreturn]] void keepBusy(bool pauses) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    setsid();
    volatile std::uint64_t sink = 0;
    for (;;) {
        timespec start{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        while (!pauses || secondsSince(start) < kCompilerSeconds) {
            for (int i = 0; i < 100000; ++i) {
                sink = sink + static_cast<std::uint64_t>(i);
            }
        }
        const timespec pause{0, 1000000};
        nanosleep(&pause, nullptr);
    }
}

// Two busy loops and a build for as long as it lives.
class BusyMachine {
public:
    BusyMachine() {
        for (const bool pauses : {false, false, true}) {
            const pid_t pid = fork();
            if (pid == 0) {
                keepBusy(pauses);
            }
            if (pid > 0) {
                m_processes.push_back(pid);
            }
        }
        // Let the scheduler see them as the busy processes they are.
        usleep(200000);
    }
    ~BusyMachine() {
        for (const pid_t pid : m_processes) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    BusyMachine(const BusyMachine&) = delete;
    BusyMachine& operator=(const BusyMachine&) = delete;

    bool complete() const { return m_processes.size() == 3; }

private:
    std::vector<pid_t> m_processes;
};

template <typename Work>
double secondsOf(const Work& work) {
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    work();
    return secondsSince(start);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median times of the plain thread and of the run, kRepetitions of each taken in turn.
std::pair<double, double> medianTimes(const NestedDesign& d, const std::vector<const char*>& run,
                                      std::string& failure) {
    std::vector<double> plain;
    std::vector<double> swept;
    for (int r = 0; r < kRepetitions; ++r) {
        plain.push_back(secondsOf([&] { computeOnOneThread(d); }));
        swept.push_back(secondsOf([&] {
            if (const auto error = calcFailure(run)) {
                failure = *error;
            }
        }));
    }
    return {median(plain), median(swept)};
}

// Argument: the threads of the run (--threads).
void BM_StretchUnderLoad(benchmark::State& state) {
    writeRunParameters();
    const NestedDesign d = ReadDesign(kRunParFile).design;
    const std::string threads = std::to_string(state.range(0));
    const std::vector<const char*> run = {"--threads", threads.c_str(), kRunParFile, kRunReport,
                                          kRunCovFile};
    std::string failure;
    for (auto _ : state) {
        const auto [plainAlone, runAlone] = medianTimes(d, run, failure);
        const BusyMachine busy;
        if (!busy.complete()) {
            state.SkipWithError("the busy processes could not be started");
            return;
        }
        const auto [plainBusy, runBusy] = medianTimes(d, run, failure);
        state.counters["plain_stretch"] = plainBusy / plainAlone;
        state.counters["run_stretch"] = runBusy / runAlone;
        state.counters["ratio"] = (runBusy / runAlone) / (plainBusy / plainAlone);
        state.counters["run_alone_ms"] = runAlone * 1000;
        state.counters["run_busy_ms"] = runBusy * 1000;
    }
    if (!failure.empty()) {
        state.SkipWithError(failure.c_str());
    }
}
BENCHMARK(BM_StretchUnderLoad)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace tavi
