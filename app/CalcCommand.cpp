#include "app/CalcCommand.h"

#include "TaviVersion.h"
#include "engine/Coefficients.h"
#include "engine/power/BestAllocation.h"
#include "engine/power/BudgetLine.h"
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
#include "files/ParameterFile.h"
#include "files/TextFileWriter.h"
#include "files/TextScanner.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <csignal>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
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
// The fits are pure computation: threads beyond a couple per core only hold more data sets.
constexpr std::int64_t kThreadsPerCore = 2;

using NamedValues = std::vector<std::pair<std::string, double>>;

// What the command line asks for: a calculation, or only an answer on the terminal.
enum class Action { Calculate, Help, Version };

struct Arguments {
    Action action = Action::Calculate;
    std::vector<std::string> files;
    std::optional<std::string> csvFile;
    std::optional<std::string> powerCsvFile;
    std::optional<std::string> bestCsvFile;
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
        return !effects.empty() || powerCsvFile || bestCsvFile || replications;
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

double probabilityIn(std::string_view option, std::string_view text) {
    const double value = numberIn(option, text);
    if (!(value > 0.0 && value < 1.0)) {
        throw BadValue{std::string(option) + " must lie strictly between 0 and 1; it is " +
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
    {"--alpha", "A", "significance level, default 0.05",
     [](Arguments& a, std::string_view v) { a.test.alpha = probabilityIn("--alpha", v); }},
    {"--power", "P", "target power, default 0.8",
     [](Arguments& a, std::string_view v) { a.test.power = probabilityIn("--power", v); }},
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
     "the point to simulate; default the cheapest point where the first\n"
     "coefficient with an effect reaches the target power, else the first\n"
     "point of the sweep",
     [](Arguments& a, std::string_view v) { a.at = pointIn(v); }},
    {"--seed", "S",
     "seed of the simulation, default 1; a seed gives the same results with\n"
     "any number of threads",
     [](Arguments& a, std::string_view v) {
         a.seed = static_cast<std::uint64_t>(
             wholeNumberIn("--seed", v, 0, std::numeric_limits<std::int64_t>::max()));
     }},
    {"--threads", "T",
     "threads of the simulation, default one per core; at most 2 per core,\n"
     "and fewer when their data sets and fits would need more than 4 GB",
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
        "Computes the standard errors of a two-level design for every sample-size point that "
        "the\nparameter file PARFILE asks for; on request also the power and minimum "
        "detectable effect\nof each coefficient's test and the best sample sizes.\n"
        "\n"
        "  REPORT                the report; default PARFILE's base name with .out, in its "
        "directory\n"
        "  COVFILE               the covariance matrices; default REPORT's base name with .cov\n";
    for (const Option& option : kOptions) {
        const std::size_t start = text.size();
        text.append("  ").append(option.name);
        if (!option.value.empty()) {
            text.append(" ").append(option.value);
        }
        const std::size_t head = text.size() - start;
        text.append(head < kHelpColumn ? kHelpColumn - head : 1, ' ');
        for (const char c : option.help) {
            text += c;
            if (c == '\n') {
                text.append(kHelpColumn, ' ');
            }
        }
        text += '\n';
    }
    text +=
        "\n"
        "With --effect, --power-csv, --best-csv or --simulate a summary of the tests goes to "
        "standard\noutput, and with --simulate the simulation's summary after it. Ctrl+C stops "
        "a simulation;\nits summary then covers the replications done.\n"
        "Exit status: 0 complete, 1 a file could not be read or written, 2 the design was "
        "refused\n(the report says why), 64 wrong usage, 130 simulation stopped by Ctrl+C.\n";
    return text;
}

// Writes the CSV rows, keeps the points for the tests and shows progress while the run sweeps.
class CommandObserver : public SweepObserver {
public:
    CommandObserver(StandardErrorCsv* csv, bool keepPoints, std::ostream* progress)
        : m_csv(csv), m_keepPoints(keepPoints), m_progress(progress) {}

    void sweepStarts(std::int64_t points) override {
        m_points = points;
        if (m_csv != nullptr) {
            m_csv->writeHeader(TaviCalcs);
        }
        if (m_keepPoints) {
            m_collector.sweepStarts(points);
        }
        if (m_points <= kProgressThreshold) {
            m_progress = nullptr;
        }
    }

    void pointDone(const EngineState& e, std::int64_t cost) override {
        if (m_csv != nullptr) {
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
    StandardErrorCsv* m_csv;
    bool m_keepPoints;
    std::ostream* m_progress;
    SweepCollector m_collector;
    std::int64_t m_points = 0;
    std::int64_t m_done = 0;
};

// Warns, a line each, about covariance matrices in the parameter file that cannot be covariance
// matrices; the run computes with them all the same. A file that cannot be read is left to the
// run, which reports it.
void warnAboutCovariances(const std::string& parFile, std::ostream& err) {
    DesignParameters p = initialDesignParameters();
    try {
        TextScanner in = TextScanner::fromFile(parFile);
        ReadParameterFile(in, p);
    } catch (const FileError&) {
        return;
    }
    for (const CovarianceFinding& finding : covarianceFindings(p)) {
        err << "tavi-calc: " << finding.message << "\n";
    }
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
        std::string_view value;
        if (name != argument) {
            value = argument.substr(name.size() + 1);
        } else if (!option->value.empty() && i + 1 < argc) {
            value = argv[++i];
        }
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
    if (!arguments.replications) {
        for (const auto& [given, name] : {std::pair{arguments.at.has_value(), "--at"},
                                          {arguments.seed.has_value(), "--seed"},
                                          {arguments.threads.has_value(), "--threads"},
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

// The coefficients of the design in the parameter file, from its counts; empty when the run
// will refuse the counts anyway.
std::vector<Coefficient> coefficientsInFile(const std::string& parFile) {
    TextScanner in = TextScanner::fromFile(parFile);
    const std::int32_t k = in.readInteger();
    const std::int32_t k1 = in.readInteger();
    const std::int32_t kw = in.readInteger();
    if (!countsFitCapacity(k, k1, kw)) {
        return {};
    }
    return coefficientsOf(k1, k - k1 + 1, kw + 1);
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

// Without --at: the cheapest point at which the first coefficient with an effect reaches the
// target power, else the first point of the sweep.
ChosenPoint defaultSimulationPoint(const SweepTable& sweep, const SweepTable& searched,
                                   const std::vector<BestPoint>& best,
                                   const std::vector<Coefficient>& coefficients,
                                   const TestSettings& test) {
    std::string reason = "the first point of the sweep";
    for (const BestPoint& entry : best) {
        if (entry.criterion != Criterion::CheapestForPower) {
            continue;
        }
        const std::string& name = coefficients[entry.coefficient].name;
        if (entry.point) {
            return {searched.point(*entry.point), "the cheapest point where " + name +
                                                      " reaches power " + briefNumber(test.power)};
        }
        reason += " (" + name + " reaches power " + briefNumber(test.power) + " at no point)";
        break;
    }
    if (sweep.size() == 0) {
        return {std::nullopt, ""};
    }
    return {sweep.point(0), reason};
}

// The tests over the run's points: the CSV files asked for and the summary. Returns the default
// point of a simulation when one is asked for without --at.
ChosenPoint reportTests(const Arguments& arguments, const SweepTable& sweep, PointTests& tests,
                        const std::vector<Coefficient>& coefficients, std::ostream& out) {
    if (arguments.powerCsvFile) {
        writePowerCsvFile(*arguments.powerCsvFile, sweep, tests, coefficients);
    }
    const bool wantsDefaultPoint = arguments.replications && !arguments.at;
    if (!arguments.bestCsvFile && arguments.quiet && !wantsDefaultPoint) {
        return {};
    }
    const AllocationSearch search = prepareAllocationSearch();
    const SweepTable& searched = search.points(sweep);
    const std::vector<BestPoint> best = bestPointsOf(searched, tests);
    if (arguments.bestCsvFile) {
        TextFileWriter file(*arguments.bestCsvFile, TextFileWriter::Mode::ReplaceWhenClosed);
        writeBestCsv(file, searched, best, coefficients);
        file.close();
    }
    if (!arguments.quiet) {
        writePowerSummary(out, {sweep, search, best, coefficients}, tests);
    }
    return wantsDefaultPoint
               ? defaultSimulationPoint(sweep, searched, best, coefficients, arguments.test)
               : ChosenPoint{};
}

// Set by Ctrl+C while a simulation runs; the workers look at it between replications.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void onInterrupt(int) {
    gInterrupted.store(true);
}

// Ctrl+C stops the simulation instead of the program while this lives.
class InterruptCatcher {
public:
    InterruptCatcher() : m_previous(std::signal(SIGINT, onInterrupt)) { gInterrupted.store(false); }
    ~InterruptCatcher() { std::signal(SIGINT, m_previous); }
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

private:
    void (*m_previous)(int);
};

// The threads of a simulation: as many as asked for, by default one per core, but at most
// kThreadsPerCore per core and no more than the data sets' memory allows. A request that is
// lowered says so on err.
int simulationThreads(const std::optional<std::int64_t>& asked, std::int64_t dataSetBytes,
                      std::ostream& err) {
    const std::int64_t cores = std::max(1U, std::thread::hardware_concurrency());
    const std::int64_t byCores = kThreadsPerCore * cores;
    const std::int64_t byMemory = std::max<std::int64_t>(1, kMaxAllDataSetBytes / dataSetBytes);
    const std::int64_t threads = std::min({asked.value_or(cores), byCores, byMemory});
    if (asked && threads < *asked) {
        err << "tavi-calc: --threads " << *asked << " lowered to " << threads << ": "
            << (threads == byCores
                    ? "at most " + std::to_string(kThreadsPerCore) + " threads per core"
                    : std::string(
                          "the data sets and fits of more threads would need more than 4 GB"))
            << "\n";
    }
    return static_cast<int>(threads);
}

// Checks the chosen point by simulation: the summary on out, the CSV file when asked for.
int simulate(const Arguments& arguments, const ChosenPoint& chosen,
             const std::vector<std::optional<double>>& effects, const DegreesOfFreedom& df,
             const std::vector<Coefficient>& coefficients, std::ostream& out, std::ostream& err,
             bool showProgress) {
    if (!chosen.point) {
        err << "tavi-calc: the sweep has no point to simulate; give one with --at N,n\n";
        return kExitUsage;
    }
    const SweepPoint point = *chosen.point;
    const EngineState& e = TaviCalcs;
    const std::int64_t units = std::int64_t{point.N} * point.n;
    // A unit's rows of X and Z and its outcome, and its share of the cross-products that the fit
    // keeps per group (Z'Z, Z'X, Z'y and one more square of the random effects' order), which
    // outweigh the data with many random effects in small groups.
    const std::int64_t groupValues = e.nRandom * (2 * e.nRandom + e.NumCoef + 1);
    const std::int64_t groupSize = std::max(point.n, 1);
    const std::int64_t unitBytes =
        (e.NumCoef + e.nRandom + 1 + (groupValues + groupSize - 1) / groupSize) *
        static_cast<std::int64_t>(sizeof(double));
    const std::int64_t mostUnits = std::min(kMaxSimulatedUnits, kMaxDataSetBytes / unitBytes);
    if (point.N < 1 || units > mostUnits) {
        err << "tavi-calc: cannot simulate at " << pointText(point) << " (" << chosen.reason
            << "): it needs at least one group, and at most " << mostUnits
            << " units for this design; give another point with --at N,n\n";
        return kExitUsage;
    }
    SimulationRequest request;
    request.N = point.N;
    request.n = point.n;
    request.plan.replications = *arguments.replications;
    request.plan.seed = arguments.seed.value_or(kDefaultSeed);
    request.plan.threads = simulationThreads(arguments.threads, units * unitBytes, err);
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
    SimulationSummary summary;
    {
        const InterruptCatcher catcher;
        summary = simulateDesign(request, df, gInterrupted, progress);
    }
    if (showProgress) {
        err << "\n";
    }
    if (!arguments.at) {
        out << "\nSimulating at " << chosen.reason << ".";
    }
    writeSimulationReport(out, {point.N, point.n, request.plan.seed, request.test}, summary,
                          coefficients);
    if (arguments.simCsvFile) {
        TextFileWriter file(*arguments.simCsvFile, TextFileWriter::Mode::ReplaceWhenClosed);
        writeSimulationCsv(file, summary, coefficients);
        file.close();
    }
    if (summary.run < summary.requested) {
        err << "tavi-calc: simulation interrupted after " << summary.run << " of "
            << summary.requested << " replications\n";
        return kExitInterrupted;
    }
    return kExitComplete;
}

}  // namespace

int runCalcCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   bool showProgress) {
    const std::optional<Arguments> arguments = parseArguments(argc, argv, err);
    if (!arguments) {
        return kExitUsage;
    }
    switch (arguments->action) {
        case Action::Help:
            out << usage();
            return kExitComplete;
        case Action::Version:
            out << "tavi-calc " TAVI_VERSION "\n";
            return kExitComplete;
        case Action::Calculate:
            break;
    }
    const std::string& parFile = arguments->files[0];
    const std::string report =
        arguments->files.size() >= 2 ? arguments->files[1] : withExtension(parFile, ".out");
    const std::string covFile =
        arguments->files.size() >= 3 ? arguments->files[2] : withExtension(report, ".cov");

    std::vector<std::string> names = {parFile, report, covFile};
    for (const auto* file : {&arguments->csvFile, &arguments->powerCsvFile, &arguments->bestCsvFile,
                             &arguments->simCsvFile}) {
        if (*file) {
            names.push_back(**file);
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            if (sameFile(names[i], names[j])) {
                err << "tavi-calc: " << names[i] << " and " << names[j]
                    << " are the same file; nothing written\n";
                return kExitUsage;
            }
        }
    }

    warnAboutCovariances(parFile, err);
    try {
        std::vector<std::optional<double>> effects;
        std::vector<std::optional<double>> dfs;
        if (!arguments->effects.empty() || !arguments->dfs.empty()) {
            // Names are checked before anything is written; a design the run refuses has
            // none to check.
            const std::vector<Coefficient> coefficients = coefficientsInFile(parFile);
            if (!coefficients.empty()) {
                effects = byCoefficient(arguments->effects, "--effect", coefficients);
                dfs = byCoefficient(arguments->dfs, "--df", coefficients);
            }
        }
        std::unique_ptr<TextFileWriter> csvFile;
        std::unique_ptr<StandardErrorCsv> csv;
        if (arguments->csvFile) {
            csvFile = std::make_unique<TextFileWriter>(*arguments->csvFile,
                                                       TextFileWriter::Mode::ReplaceWhenClosed);
            csv = std::make_unique<StandardErrorCsv>(*csvFile);
        }
        CommandObserver observer(csv.get(), arguments->wantsTests(), showProgress ? &err : nullptr);
        const RunOutcome outcome = RunCalculation(parFile, report, covFile, &observer);
        if (outcome.refused) {
            err << "tavi-calc: " << parFile << ": design refused: " << outcome.reason << "\n";
            return kExitRefused;
        }
        if (csvFile) {
            csvFile->close();
        }
        if (std::optional<RunResults>& run = observer.results()) {
            effects.resize(TaviCalcs.NumCoef);
            dfs.resize(TaviCalcs.NumCoef);
            giveOverrides(run->df, dfs);
            PointTests tests(arguments->test, run->df, effects);
            ChosenPoint chosen = reportTests(*arguments, run->table, tests, run->coefficients, out);
            if (arguments->replications) {
                if (arguments->at) {
                    chosen = {arguments->at, "the point given"};
                }
                return simulate(*arguments, chosen, effects, run->df, run->coefficients, out, err,
                                showProgress);
            }
        }
    } catch (const BadValue& bad) {
        err << "tavi-calc: " << bad.message << "\n";
        return kExitUsage;
    } catch (const FileError& error) {
        err << "tavi-calc: " << error.fileName() << ": " << error.what() << "\n";
        return kExitFileError;
    }
    return kExitComplete;
}

}  // namespace tavi
