#include "app/CalcCommand.h"

#include "TaviVersion.h"
#include "app/CommandOptions.h"
#include "app/TemplateCommand.h"
#include "engine/Coefficients.h"
#include "engine/power/AllocationAnswers.h"
#include "engine/power/PointTests.h"
#include "engine/power/SweepTable.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/NumberFields.h"
#include "engine/run/PowerCsv.h"
#include "engine/run/PowerSummary.h"
#include "engine/run/RunResults.h"
#include "engine/run/SimulationCsv.h"
#include "engine/run/SimulationReport.h"
#include "engine/run/StandardErrorCsv.h"
#include "engine/simulation/Simulation.h"
#include "files/CovarianceCheck.h"
#include "files/DesignParameters.h"
#include "files/FileError.h"
#include "files/FileNames.h"
#include "files/OutputLock.h"
#include "files/OutputSet.h"
#include "files/ParameterFile.h"
#include "files/TextFileWriter.h"
#include "files/TextScanner.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace tavi {

namespace {

constexpr std::int64_t kProgressThreshold = 1000;
constexpr std::uint64_t kDefaultSeed = 1;
// Every replication's estimates are kept until the summary, and each thread holds a data set:
// the limits keep a simulation within a few gigabytes.
constexpr std::int64_t kMaxReplications = 100000;
constexpr std::int64_t kMaxSimulatedUnits = 1000000;
constexpr std::int64_t kMaxDataSetBytes = std::int64_t{256} << 20;
constexpr std::int64_t kMaxAllDataSetBytes = std::int64_t{4} << 30;
constexpr std::int64_t kMaxThreads = 1024;
// Beyond these the t quantiles of the tests overflow; no study is planned near them.
constexpr double kSmallestAlpha = 1e-10;
constexpr double kLargestPower = 1.0 - 1e-10;

using NamedValues = std::vector<std::pair<std::string, double>>;

// What the command line asks for: a calculation, or only an answer on the terminal.
enum class Action { Calculate, Help, Version };

struct Arguments {
    Action action = Action::Calculate;
    std::vector<std::string> files;
    std::optional<std::string> csvFile;
    std::optional<std::string> powerCsvFile;
    std::optional<std::string> bestCsvFile;
    std::optional<std::string> requiredCsvFile;
    NamedValues effects;
    NamedValues dfs;
    TestSettings test;
    bool quiet = false;
    std::optional<std::int64_t> replications;  // --simulate
    std::optional<SweepPoint> at;
    std::optional<std::uint64_t> seed;
    std::optional<std::int64_t> threads;
    std::optional<std::string> simCsvFile;

    bool wantsTests() const {
        return !effects.empty() || powerCsvFile || bestCsvFile || requiredCsvFile || replications;
    }
};

// An option's value that cannot be used: one line, and no hint at the usage.
struct BadValue {
    std::string message;
};

// A real written in full, finite.
double numberIn(std::string_view option, std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        throw BadValue{std::string(option) + ": '" + std::string(text) + "' is not a number"};
    }
    return value;
}

// A probability from least to below most (or to most itself where mostIncluded).
double probabilityIn(std::string_view option, std::string_view text, double least, double most,
                     bool mostIncluded) {
    const double value = numberIn(option, text);
    if (!(value >= least && (value < most || (mostIncluded && value == most)))) {
        throw BadValue{std::string(option) + " must lie between " + exactNumber(least) + " and " +
                       exactNumber(most) +
                       (mostIncluded ? "" : " (" + exactNumber(most) + " excluded)") + "; it is " +
                       std::string(text)};
    }
    return value;
}

// A whole number written in full, from least to most.
std::int64_t wholeNumberIn(std::string_view option, std::string_view text, std::int64_t least,
                           std::int64_t most) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw BadValue{std::string(option) + ": '" + std::string(text) + "' is not a whole number"};
    }
    if (value < least || value > most) {
        throw BadValue{std::string(option) + " must lie between " + std::to_string(least) +
                       " and " + std::to_string(most) + "; it is " + std::string(text)};
    }
    return value;
}

// A seed: any 64-bit unsigned whole number.
std::uint64_t seedIn(std::string_view text) {
    std::uint64_t value = 0;
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || end != digits.data() + digits.size() ||
        (error != std::errc() && error != std::errc::result_out_of_range)) {
        throw BadValue{"--seed: '" + std::string(text) + "' is not a whole number"};
    }
    if (error == std::errc::result_out_of_range || (text.starts_with('-') && value != 0)) {
        throw BadValue{"--seed " + std::string(text) +
                       " is out of range: it must lie between 0 and " +
                       std::to_string(std::numeric_limits<std::uint64_t>::max())};
    }
    return value;
}

// N,n: a point of at least one group of at least one unit, and not more units than a
// simulation can hold.
SweepPoint pointIn(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
        throw BadValue{"--at needs N,n, not '" + std::string(text) + "'"};
    }
    constexpr std::int64_t kMost = std::numeric_limits<std::int32_t>::max();
    SweepPoint point;
    point.N = static_cast<std::int32_t>(wholeNumberIn("--at N", text.substr(0, comma), 1, kMost));
    point.n = static_cast<std::int32_t>(wholeNumberIn("--at n", text.substr(comma + 1), 1, kMost));
    if (std::int64_t{point.N} * point.n > kMaxSimulatedUnits) {
        throw BadValue{"--at " + std::string(text) + ": a simulation can hold at most " +
                       std::to_string(kMaxSimulatedUnits) + " units (N*n)"};
    }
    return point;
}

// NAME=VALUE, once per name.
void addNamed(NamedValues& values, std::string_view option, std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw BadValue{std::string(option) + " needs NAME=VALUE, not '" + std::string(text) + "'"};
    }
    const std::string name(text.substr(0, equals));
    for (const auto& [given, value] : values) {
        if (given == name) {
            throw BadValue{std::string(option) + " " + name + " is given twice"};
        }
    }
    values.emplace_back(name, numberIn(std::string(option) + " " + name, text.substr(equals + 1)));
}

// The command's options: the usage text and the parser both walk this table. An option with a
// value takes it from the next argument or after "=".
struct Option {
    std::string_view name;
    std::string_view value;  // what the value is, for the usage and for a missing value
    std::string_view help;
    void (*apply)(Arguments&, std::string_view value);
};

constexpr Option kOptions[] = {
    {"--csv", "FILE", "also write the table of standard errors as CSV",
     [](Arguments& a, std::string_view v) { a.csvFile = std::string(v); }},
    {"--effect", "NAME=VALUE",
     "true value of coefficient NAME, a CSV column name (Fixed1, Const, Group2,\n"
     "Random1, CrossL1_2, ...); repeatable",
     [](Arguments& a, std::string_view v) { addNamed(a.effects, "--effect", v); }},
    {"--alpha", "A", "significance level, default 0.05; from 1e-10 to below 1",
     [](Arguments& a, std::string_view v) {
         a.test.alpha = probabilityIn("--alpha", v, kSmallestAlpha, 1.0, false);
     }},
    {"--power", "P", "target power, default 0.8; above alpha and at most 1 - 1e-10",
     [](Arguments& a, std::string_view v) {
         a.test.power = probabilityIn("--power", v, 0.0, kLargestPower, true);
     }},
    {"--one-sided", "", "one-sided tests (default two-sided)",
     [](Arguments& a, std::string_view) { a.test.oneSided = true; }},
    {"--df", "NAME=DF", "degrees of freedom for coefficient NAME instead of the rule;\nrepeatable",
     [](Arguments& a, std::string_view v) {
         addNamed(a.dfs, "--df", v);
         if (!(a.dfs.back().second >= 1.0)) {
             throw BadValue{"--df " + a.dfs.back().first +
                            ": degrees of freedom must be at "
                            "least 1; it is " +
                            std::string(v.substr(v.find('=') + 1))};
         }
     }},
    {"--power-csv", "FILE",
     "write power and MDES for every point and coefficient as CSV:\n"
     "N*n,N,n,cost,coefficient,se,df,mdes,mdes_exact,power",
     [](Arguments& a, std::string_view v) { a.powerCsvFile = std::string(v); }},
    {"--best-csv", "FILE",
     "write the best points of every coefficient as CSV:\n"
     "coefficient,criterion,N*n,N,n,cost,se,df,mdes,power",
     [](Arguments& a, std::string_view v) { a.bestCsvFile = std::string(v); }},
    {"--required-csv", "FILE",
     "write the fewest groups reaching the target power at each group size,\n"
     "for every coefficient with an effect, as CSV:\n"
     "coefficient,n,N,N*n,cost,se,df,power",
     [](Arguments& a, std::string_view v) { a.requiredCsvFile = std::string(v); }},
    {"--quiet", "", "no summary of the tests on standard output",
     [](Arguments& a, std::string_view) { a.quiet = true; }},
    {"--simulate", "R",
     "after the run, check one point by simulation: R data sets drawn from\n"
     "the design with the effects given (the other coefficients 0), each\n"
     "fitted by REML and tested, summarised beside the analytic SE and power",
     [](Arguments& a, std::string_view v) {
         a.replications = wholeNumberIn("--simulate", v, 1, kMaxReplications);
     }},
    {"--at", "N,n",
     "the point to simulate; default the smallest budget (over ranges the\n"
     "fewest units) at which the first coefficient with an effect reaches\n"
     "the target power, else the first point of the sweep",
     [](Arguments& a, std::string_view v) { a.at = pointIn(v); }},
    {"--seed", "S",
     "seed of the simulation, from 0 to 2^64 - 1, default 1; a seed gives the\n"
     "same results with any number of threads",
     [](Arguments& a, std::string_view v) { a.seed = seedIn(v); }},
    {"--threads", "T", "threads of the calculation and the simulation, default one per core",
     [](Arguments& a, std::string_view v) {
         a.threads = wholeNumberIn("--threads", v, 1, kMaxThreads);
     }},
    {"--sim-csv", "FILE",
     "write the simulation's summary as CSV: coefficient,true_value,\n"
     "analytic_se,empirical_sd,mean_model_se,bias,coverage,analytic_power,\n"
     "empirical_power,replications,failed_fits",
     [](Arguments& a, std::string_view v) { a.simCsvFile = std::string(v); }},
    {"--help", "", "show this help",
     [](Arguments& a, std::string_view) { a.action = Action::Help; }},
    {"--version", "", "show the version",
     [](Arguments& a, std::string_view) { a.action = Action::Version; }},
};

constexpr std::size_t kHelpColumn = 24;

std::string usage() {
    std::string text =
        "Usage: tavi-calc [OPTION]... PARFILE [REPORT [COVFILE]]\n"
        "  or:  tavi-calc --template NAME --set KEY=VALUE... --write PARFILE [--force]\n"
        "Computes the standard errors of a two-level design for every sample-size point that "
        "the\nparameter file PARFILE asks for; on request also the power and minimum "
        "detectable effect\nof each coefficient's test and the best sample sizes.\n"
        "\n"
        "  REPORT                the report; default PARFILE's base name with .out, in its "
        "directory\n"
        "  COVFILE               the covariance matrices; default REPORT's base name with .cov\n";
    for (const Option& option : kOptions) {
        appendOptionUsage(text, option.name, option.value, option.help, kHelpColumn);
    }
    text +=
        "\n"
        "With --effect, --power-csv, --best-csv, --required-csv or --simulate a summary of the "
        "tests\ngoes to standard output, and with --simulate the simulation's summary after it. "
        "Ctrl+C\nstops a simulation; its summary then covers the replications done.\n"
        "The outputs replace their old versions together, once all of them are complete; a run "
        "that\nfails or is stopped leaves them as they were. A second run writing into a folder "
        "that a\nrun is writing into waits until that run has finished.\n"
        "Exit status: 0 complete, 1 a file could not be read or written (or standard output "
        "failed),\n2 the design was refused (the report says why), 64 wrong usage (nothing "
        "written),\n130, 143 or 129 stopped by SIGINT (Ctrl+C), SIGTERM or SIGHUP.\n"
        "\n"
        "--template anywhere before \"--\" writes the parameter file of a classic design "
        "instead;\n'tavi-calc --template --help' lists the designs and their keys.\n";
    return text;
}

// Writes the CSV rows, keeps the points for the tests and shows progress while the run sweeps.
class CommandObserver : public SweepObserver {
public:
    // The CSV table of standard errors, when csvFile is given, joins outputs once the run has
    // read its design.
    CommandObserver(OutputSet& outputs, const std::optional<std::string>& csvFile, bool keepPoints,
                    std::ostream* progress)
        : m_outputs(outputs), m_csvFile(csvFile), m_keepPoints(keepPoints), m_progress(progress) {}

    void sweepStarts(const EngineState& design, std::int64_t points) override {
        m_points = points;
        if (m_csvFile) {
            m_csv.emplace(m_outputs.add(*m_csvFile));
            m_csv->writeHeader(design);
        }
        if (m_keepPoints) {
            m_collector.sweepStarts(design, points);
        }
        if (m_points <= kProgressThreshold) {
            m_progress = nullptr;
        }
    }

    void pointDone(const EngineState& e, std::int64_t cost) override {
        if (m_csv) {
            m_csv->writeRow(e, cost);
        }
        if (m_keepPoints) {
            m_collector.pointDone(e, cost);
        }
        ++m_done;
        if (m_progress != nullptr && (m_done * 100 / m_points != (m_done - 1) * 100 / m_points)) {
            *m_progress << "\rtavi-calc: " << m_done << " of " << m_points << " points"
                        << (m_done == m_points ? "\n" : "") << std::flush;
        }
    }

    std::optional<RunResults>& results() { return m_collector.results(); }

private:
    OutputSet& m_outputs;
    const std::optional<std::string>& m_csvFile;
    std::optional<StandardErrorCsv> m_csv;
    bool m_keepPoints;
    std::ostream* m_progress;
    SweepCollector m_collector;
    std::int64_t m_points = 0;
    std::int64_t m_done = 0;
};

// Warns, a line each, about covariance matrices of the design that cannot be covariance
// matrices; the run computes with them all the same.
void warnAboutCovariances(const DesignParameters& p, std::ostream& err) {
    for (const CovarianceFinding& finding : covarianceFindings(p)) {
        err << "tavi-calc: " << finding.message << "\n";
    }
}

// The design of a parameter file, read once for every check and the run.
struct DesignFile {
    std::unique_ptr<DesignParameters> design;
    // A malformed number after the counts: reported only once the names on the command line
    // have been checked against the counts, as the command always has.
    std::optional<FileError> error;
};

DesignFile readDesignOnce(const std::string& parFile) {
    TextScanner in = TextScanner::fromFile(parFile);
    // Malformed counts are reported at once.
    TextScanner counts = in;
    for (int i = 0; i < 3; ++i) {
        counts.readInteger();
    }
    DesignFile file{std::make_unique<DesignParameters>(initialDesignParameters()), std::nullopt};
    try {
        ReadParameterFile(in, *file.design, kRunReading);
    } catch (const FileError& error) {
        file.error = error;
    }
    return file;
}

// Parses the arguments; nullopt after a usage error has been reported.
std::optional<Arguments> parseArguments(int argc, const char* const* argv, std::ostream& err) {
    Arguments arguments;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (optionsEnded || argument.size() <= 1 || argument[0] != '-') {
            arguments.files.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::string_view name = argument.substr(0, argument.find('='));
        const Option* option = nullptr;
        for (const Option& candidate : kOptions) {
            option = candidate.name == name ? &candidate : option;
        }
        if (option == nullptr || (option->value.empty() && name != argument)) {
            err << "tavi-calc: unknown option " << argument << "\nTry 'tavi-calc --help'.\n";
            return std::nullopt;
        }
        const std::string_view value =
            optionValue(argument, name, !option->value.empty(), argc, argv, i);
        if (!option->value.empty() && value.empty()) {
            err << "tavi-calc: " << name << " needs "
                << (option->value == "FILE" ? "a file name" : option->value)
                << "\nTry 'tavi-calc --help'.\n";
            return std::nullopt;
        }
        try {
            option->apply(arguments, value);
        } catch (const BadValue& bad) {
            err << "tavi-calc: " << bad.message << "\n";
            return std::nullopt;
        }
        // A question is answered whatever else the command line holds.
        if (arguments.action != Action::Calculate) {
            return arguments;
        }
    }
    // Below alpha every effect, even none, reaches the target, and the MDES turns negative.
    if (!(arguments.test.power > arguments.test.alpha)) {
        err << "tavi-calc: the target power " << exactNumber(arguments.test.power)
            << " must exceed the significance level alpha " << exactNumber(arguments.test.alpha)
            << "\n";
        return std::nullopt;
    }
    if (!arguments.replications) {
        for (const auto& [given, name] : {std::pair{arguments.at.has_value(), "--at"},
                                          {arguments.seed.has_value(), "--seed"},
                                          {arguments.simCsvFile.has_value(), "--sim-csv"}}) {
            if (given) {
                err << "tavi-calc: " << name << " needs --simulate\nTry 'tavi-calc --help'.\n";
                return std::nullopt;
            }
        }
    }
    if (arguments.files.empty() || arguments.files.size() > 3) {
        err << (arguments.files.empty() ? "tavi-calc: no parameter file given\n"
                                        : "tavi-calc: too many file names\n")
            << "Try 'tavi-calc --help'.\n";
        return std::nullopt;
    }
    return arguments;
}

// What the counts of a design tell before its run: its coefficients and the number of its
// random effects.
struct DesignShape {
    std::vector<Coefficient> coefficients;  // empty when the run will refuse the counts anyway
    std::int32_t nRandom = 0;
};

DesignShape shapeOf(const DesignParameters& p) {
    if (!countsFitCapacity(p.k, p.k1, p.kw)) {
        return {};
    }
    return {coefficientsOf(p.k1, p.k - p.k1 + 1, p.kw + 1), p.k - p.k1 + 1};
}

// The most units a simulation of a design of this shape may draw: the data set of one
// replication, its rows of X and Z and its outcomes, stays within kMaxDataSetBytes.
std::int64_t mostSimulatedUnits(std::int64_t coefficients, std::int64_t nRandom) {
    const std::int64_t unitBytes =
        (coefficients + nRandom + 1) * static_cast<std::int64_t>(sizeof(double));
    return std::min(kMaxSimulatedUnits, kMaxDataSetBytes / unitBytes);
}

// Refuses a point that a simulation of the design cannot take; reason says how it was chosen.
void checkSimulationPoint(const std::optional<SweepPoint>& point, const std::string& reason,
                          const DesignShape& shape) {
    if (!point) {
        throw BadValue{"the sweep has no point to simulate; give one with --at N,n"};
    }
    const std::int64_t most =
        mostSimulatedUnits(static_cast<std::int64_t>(shape.coefficients.size()), shape.nRandom);
    if (point->N < 1 || std::int64_t{point->N} * point->n > most) {
        throw BadValue{"cannot simulate at " + pointText(*point) + " (" + reason +
                       "): it needs at least one group, and at most " + std::to_string(most) +
                       " units for this design; give another point with --at N,n"};
    }
}

// Per coefficient, the value given for it by name; throws BadValue for a name the design lacks.
std::vector<std::optional<double>> byCoefficient(const NamedValues& values, std::string_view option,
                                                 const std::vector<Coefficient>& coefficients) {
    std::vector<std::optional<double>> result(coefficients.size());
    for (const auto& [name, value] : values) {
        std::size_t i = 0;
        while (i < coefficients.size() && coefficients[i].name != name) {
            ++i;
        }
        if (i == coefficients.size()) {
            std::string valid;
            for (const Coefficient& coefficient : coefficients) {
                valid.append(valid.empty() ? "" : ", ").append(coefficient.name);
            }
            std::string message(option);
            message.append(" ").append(name).append(
                ": the design has no such coefficient; it has ");
            throw BadValue{message.append(valid)};
        }
        result[i] = value;
    }
    return result;
}

// Gives the degrees of freedom asked for on the command line instead of the rule's.
void giveOverrides(DegreesOfFreedom& df, const std::vector<std::optional<double>>& dfs) {
    for (std::size_t i = 0; i < dfs.size(); ++i) {
        if (dfs[i]) {
            df.give(static_cast<int>(i), *dfs[i]);
        }
    }
}

// The point to simulate and, for the summary, why it was chosen.
struct ChosenPoint {
    std::optional<SweepPoint> point;
    std::string reason;
};

// Without --at: the cheapest design at which the first coefficient with an effect reaches the
// target power (the smallest budget, or over ranges the fewest units), else the first point of
// the sweep.
ChosenPoint defaultSimulationPoint(const SweepTable& sweep, const std::vector<BestPoint>& best,
                                   const std::vector<Coefficient>& coefficients,
                                   const TestSettings& test) {
    std::string reason = "the first point of the sweep";
    for (const BestPoint& entry : best) {
        if (entry.criterion != Criterion::CheapestForPower) {
            continue;
        }
        const std::string& name = coefficients[entry.coefficient].name;
        const std::string reaches = name + " reaches power " + exactNumber(test.power);
        if (entry.point) {
            std::string why = sweep.budgetMode() ? "the smallest budget" : "the fewest units";
            return {entry.point, why.append(" where ").append(reaches)};
        }
        reason += " (" + reaches + " at no point)";
        break;
    }
    if (sweep.size() == 0) {
        return {std::nullopt, ""};
    }
    return {sweep.point(0), reason};
}

// The tests over the run's points: the CSV files asked for, joining outputs, and the summary on
// summary. Returns the default point of a simulation when one is asked for without --at.
ChosenPoint reportTests(const Arguments& arguments, const EngineState& design,
                        const SweepTable& sweep, PointTests& tests,
                        const std::vector<Coefficient>& coefficients, OutputSet& outputs,
                        std::ostream& summary, StopToken stop) {
    if (arguments.powerCsvFile) {
        writePowerCsv(outputs.add(*arguments.powerCsvFile), sweep, tests, coefficients);
    }
    const bool wantsDefaultPoint = arguments.replications && !arguments.at;
    if (!arguments.bestCsvFile && !arguments.requiredCsvFile && arguments.quiet &&
        !wantsDefaultPoint) {
        return {};
    }
    const AllocationAnswers answers = answerAllocation(design, sweep, tests, stop);
    if (arguments.bestCsvFile) {
        writeBestCsv(outputs.add(*arguments.bestCsvFile), answers.best, coefficients,
                     sweep.budgetMode());
    }
    if (arguments.requiredCsvFile) {
        writeRequiredCsv(outputs.add(*arguments.requiredCsvFile), answers.required, coefficients,
                         sweep.budgetMode());
    }
    if (!arguments.quiet) {
        writePowerSummary(summary, {sweep, answers, coefficients, design}, tests);
    }
    return wantsDefaultPoint
               ? defaultSimulationPoint(sweep, answers.best, coefficients, arguments.test)
               : ChosenPoint{};
}

// Set by SIGINT, SIGTERM or SIGHUP while the command runs: the sweep and the simulation look at
// it and stop, the outputs keep their old versions, and the command ends with 128 plus the
// signal's number.
std::atomic<bool> gStopRequested{false};
std::atomic<int> gStopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "set from a signal handler");

void onStopSignal(int signal) {
    gStopSignal.store(signal);
    gStopRequested.store(true);
}

// The three signals stop the command in order, instead of ending the program, while this lives.
class StopOnSignals {
public:
    StopOnSignals() {
        gStopRequested.store(false);
        gStopSignal.store(0);
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], &action, &m_previous[i]);
        }
    }
    ~StopOnSignals() {
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], &m_previous[i], nullptr);
        }
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

    static StopToken token() { return StopToken(gStopRequested); }
    static int exitStatus() { return 128 + gStopSignal.load(); }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)]{};
};

// Checks the chosen point by simulation: the summary on out, the CSV file when asked for.
int simulate(const Arguments& arguments, const EngineState& design, const SweepPoint& point,
             const std::string& reason, const std::vector<std::optional<double>>& effects,
             const DegreesOfFreedom& df, const std::vector<Coefficient>& coefficients,
             TextFileWriter* simCsv, std::ostream& out, std::ostream& err, bool showProgress) {
    const EngineState& e = design;
    const std::int64_t units = std::int64_t{point.N} * point.n;
    const std::int64_t unitBytes =
        (e.NumCoef + e.nRandom + 1) * static_cast<std::int64_t>(sizeof(double));
    SimulationRequest request;
    request.N = point.N;
    request.n = point.n;
    request.plan.replications = *arguments.replications;
    request.plan.seed = arguments.seed.value_or(kDefaultSeed);
    // More threads than the data sets' memory allows would not change the results, only fail.
    request.plan.threads = static_cast<int>(
        std::min(arguments.threads.value_or(std::max(1U, std::thread::hardware_concurrency())),
                 std::max<std::int64_t>(1, kMaxAllDataSetBytes / (units * unitBytes))));
    request.test = arguments.test;
    request.effects = effects;

    ProgressReport progress;
    std::int64_t shown = -1;
    if (showProgress) {
        progress = [&](std::int64_t done) {
            if (done != shown) {
                shown = done;
                err << "\rtavi-calc: simulated " << done << " of " << request.plan.replications
                    << " replications" << std::flush;
            }
        };
    }
    const SimulationSummary summary = simulateDesign(design, request, df, gStopRequested, progress);
    if (showProgress) {
        err << "\n";
    }
    if (!arguments.at) {
        out << "\nSimulating at " << reason << ".";
    }
    writeSimulationReport(out, {point.N, point.n, request.plan.seed, request.test}, summary,
                          coefficients);
    if (simCsv != nullptr) {
        writeSimulationCsv(*simCsv, summary, coefficients);
        simCsv->close();
        simCsv->commit();
    }
    if (summary.run < summary.requested) {
        err << "tavi-calc: simulation interrupted after " << summary.run << " of "
            << summary.requested << " replications\n";
        return StopOnSignals::exitStatus();
    }
    return kExitComplete;
}

// Standard output that cannot take the summary is a failure, as a full disk would be for a
// file.
int checkedOutput(std::ostream& out, std::ostream& err, int status) {
    errno = 0;
    out.flush();
    if (!out) {
        err << "tavi-calc: standard output: "
            << fileErrorFromErrno(errno != 0 ? errno : EIO, "").what() << "\n";
        return status == kExitComplete ? kExitFileError : status;
    }
    return status;
}

// The output files of a calculation, in the order of the arguments.
std::vector<std::string> outputFilesOf(const Arguments& arguments, const std::string& report,
                                       const std::string& covFile) {
    std::vector<std::string> names = {report, covFile};
    for (const auto* file : {&arguments.csvFile, &arguments.powerCsvFile, &arguments.bestCsvFile,
                             &arguments.requiredCsvFile, &arguments.simCsvFile}) {
        if (*file) {
            names.push_back(**file);
        }
    }
    return names;
}

// The calculation the arguments ask for, its outputs replaced together at the end.
int calculate(const Arguments& arguments, std::ostream& out, std::ostream& err, bool showProgress) {
    const std::string& parFile = arguments.files[0];
    const std::string report =
        arguments.files.size() >= 2 ? arguments.files[1] : withExtension(parFile, ".out");
    const std::string covFile =
        arguments.files.size() >= 3 ? arguments.files[2] : withExtension(report, ".cov");
    const std::vector<std::string> outputNames = outputFilesOf(arguments, report, covFile);
    std::vector<std::string> names = outputNames;
    names.insert(names.begin(), parFile);
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            if (sameFile(names[i], names[j])) {
                throw BadValue{names[i] + " and " + names[j] +
                               " are the same file; nothing written"};
            }
        }
    }

    const DesignFile file = readDesignOnce(parFile);
    const DesignParameters& p = *file.design;
    if (!file.error) {
        warnAboutCovariances(p, err);
    }
    // Names and points are checked before anything is written; a design the run refuses has
    // no names to check.
    const DesignShape shape = shapeOf(p);
    std::vector<std::optional<double>> effects;
    std::vector<std::optional<double>> dfs;
    if (!shape.coefficients.empty()) {
        effects = byCoefficient(arguments.effects, "--effect", shape.coefficients);
        dfs = byCoefficient(arguments.dfs, "--df", shape.coefficients);
        if (arguments.at) {
            checkSimulationPoint(arguments.at, "the point given", shape);
        }
    }
    if (file.error) {
        throw *file.error;
    }

    const StopOnSignals signals;
    const OutputLock lock(outputNames, StopOnSignals::token(), [&err](const std::string& folder) {
        err << "tavi-calc: waiting for another calculation writing into " << folder
            << " to finish\n";
    });
    OutputSet outputs;
    // Made now, so that a CSV file that cannot be written stops the command before the run.
    std::optional<TextFileWriter> simCsv;
    if (arguments.simCsvFile) {
        simCsv.emplace(*arguments.simCsvFile, TextFileWriter::Mode::Staged);
    }
    CommandObserver observer(outputs, arguments.csvFile, arguments.wantsTests(),
                             showProgress ? &err : nullptr);
    const int threads = static_cast<int>(arguments.threads.value_or(0));
    const RunOutcome outcome = runCalculationInto(outputs, p, parFile, report, covFile,
                                                  {&observer, StopOnSignals::token(), threads});
    if (outcome.refused) {
        outputs.commit();
        err << "tavi-calc: " << parFile << ": design refused: " << outcome.reason << "\n";
        return kExitRefused;
    }
    std::optional<RunResults>& run = observer.results();
    if (!run) {
        outputs.commit();
        return kExitComplete;
    }
    const EngineState& design = *outcome.design;
    effects.resize(design.NumCoef);
    dfs.resize(design.NumCoef);
    giveOverrides(run->df, dfs);
    PointTests tests(arguments.test, run->df, effects);
    std::ostringstream summary;
    ChosenPoint chosen = reportTests(arguments, design, run->table, tests, run->coefficients,
                                     outputs, summary, StopOnSignals::token());
    if (arguments.replications) {
        if (arguments.at) {
            chosen = {arguments.at, "the point given"};
        }
        checkSimulationPoint(chosen.point, chosen.reason, shape);
    }
    StopOnSignals::token().throwIfStopped();
    outputs.commit();
    out << summary.str();
    if (!arguments.replications) {
        return kExitComplete;
    }
    return simulate(arguments, design, *chosen.point, chosen.reason, effects, run->df,
                    run->coefficients, simCsv ? &*simCsv : nullptr, out, err, showProgress);
}

}  // namespace

int runCalcCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   bool showProgress) {
    if (isTemplateCommand(argc, argv)) {
        return runTemplateCommand(argc, argv, out, err);
    }
    const std::optional<Arguments> arguments = parseArguments(argc, argv, err);
    if (!arguments) {
        return kExitUsage;
    }
    int status = kExitComplete;
    try {
        switch (arguments->action) {
            case Action::Help:
                out << usage();
                break;
            case Action::Version:
                out << "tavi-calc " TAVI_VERSION "\n";
                break;
            case Action::Calculate:
                status = calculate(*arguments, out, err, showProgress);
                break;
        }
    } catch (const BadValue& bad) {
        err << "tavi-calc: " << bad.message << "\n";
        return kExitUsage;
    } catch (const FileError& error) {
        err << "tavi-calc: " << error.fileName() << ": " << error.what() << "\n";
        return kExitFileError;
    } catch (const Stopped&) {
        err << "tavi-calc: stopped by signal " << gStopSignal.load()
            << "; no output was replaced\n";
        return StopOnSignals::exitStatus();
    } catch (const std::bad_alloc&) {
        err << "tavi-calc: out of memory; no output was replaced\n";
        return kExitFileError;
    } catch (const std::exception& error) {
        err << "tavi-calc: cannot compute: " << error.what() << "\n";
        return kExitFileError;
    }
    return checkedOutput(out, err, status);
}

}  // namespace tavi
