// The command line of tavi-calc: its options as one table, which both the parser and the usage
// text walk, and what they ask for.
#pragma once

#include "engine/GroupSizeDistribution.h"
#include "engine/power/SweepTable.h"
#include "engine/power/TestPower.h"
#include "engine/run/TestOptions.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavi {

// What the command line asks for: a calculation, or only an answer on the terminal.
enum class Action { Calculate, Help, Version };

struct Arguments {
    Action action = Action::Calculate;
    std::vector<std::string> files;
    std::optional<std::string> csvFile;
    std::optional<std::string> powerCsvFile;
    std::optional<std::string> bestCsvFile;
    std::optional<std::string> requiredCsvFile;
    std::optional<std::string> jointCsvFile;
    TestOptions tests;  // contrasts, joint tests, effects and df
    TestSettings test;
    bool quiet = false;
    std::optional<std::int64_t> replications;  // --simulate
    std::optional<SweepPoint> at;
    std::optional<std::uint64_t> seed;
    std::optional<std::int64_t> threads;
    std::optional<std::string> simCsvFile;
    GroupSizeSettings sizes;

    bool wantsTests() const {
        return !tests.effects.empty() || powerCsvFile || bestCsvFile || requiredCsvFile ||
               jointCsvFile || replications;
    }
};

// An option's value that cannot be used: one line, and no hint at the usage.
struct BadValue {
    std::string message;
};

// Parses the arguments (argv[0] excluded); nullopt after a usage error has been reported on err.
std::optional<Arguments> parseArguments(int argc, const char* const* argv, std::ostream& err);

// The help text: the synopsis, every option of the table, the exit statuses.
std::string usage();

}  // namespace tavi
