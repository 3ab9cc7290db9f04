#include "app/CalcArguments.h"

#include "app/CommandOptions.h"
#include "engine/run/PlanningPolicy.h"
#include "files/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <ostream>
#include <string_view>

namespace tavi {

namespace {

// A real written in full, finite.
double numberIn(std::string_view option, std::string_view text) {
    const std::optional<double> value = finiteNumber(text);
    if (!value) {
        throw BadValue{std::string(option) + ": '" + std::string(text) + "' is not a number"};
    }
    return *value;
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

// The fields of text between its commas.
std::vector<std::string_view> commaFields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        fields.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return fields;
}

// N,n, or for a three-level design K,J,n: a point of at least one top-level unit, group and
// unit, and not more units than a simulation can hold. No count may exceed that many units,
// which keeps their product within 64 bits.
SweepPoint pointIn(std::string_view text) {
    const std::vector<std::string_view> counts = commaFields(text);
    if (counts.size() != 2 && counts.size() != 3) {
        throw BadValue{"--at needs N,n or K,J,n, not '" + std::string(text) + "'"};
    }
    const bool sites = counts.size() == 3;
    const auto count = [&](std::string_view name, std::string_view value) {
        return static_cast<std::int32_t>(
            wholeNumberIn("--at " + std::string(name), value, 1, kMaxSimulatedUnits));
    };
    SweepPoint point;
    point.N = count(sites ? "K" : "N", counts.front());
    point.J = sites ? count("J", counts[1]) : 0;
    point.n = count("n", counts.back());
    if (unitsOf(point) > kMaxSimulatedUnits) {
        throw BadValue{"--at " + std::string(text) + ": a simulation can hold at most " +
                       std::to_string(kMaxSimulatedUnits) + " units (" + (sites ? "K*J*n" : "N*n") +
                       ")"};
    }
    return point;
}

// n1,n2,...: the sizes of the groups of one design, each at least 1, with at most
// kMaxGivenSizes different ones.
std::vector<std::int32_t> sizesIn(std::string_view text) {
    constexpr std::int64_t kMost = std::numeric_limits<std::int32_t>::max();
    std::vector<std::int32_t> sizes;
    std::int64_t units = 0;
    for (const std::string_view field : commaFields(text)) {
        sizes.push_back(static_cast<std::int32_t>(wholeNumberIn("--sizes", field, 1, kMost)));
        units += sizes.back();
    }
    std::vector<std::int32_t> different = sizes;
    std::sort(different.begin(), different.end());
    if (std::unique(different.begin(), different.end()) - different.begin() > kMaxGivenSizes) {
        throw BadValue{"--sizes: at most " + std::to_string(kMaxGivenSizes) +
                       " different sizes can be computed"};
    }
    if (sizes.size() > static_cast<std::size_t>(kMost) || units > kMost) {
        throw BadValue{"--sizes: more groups or units than a design can hold"};
    }
    return sizes;
}

// One of the options of tests, read as tavi --results reads it too.
void addTestOption(Arguments& arguments, std::string_view option, std::string_view text) {
    try {
        readTestOption(option, text, arguments.tests);
    } catch (const TestOptionError& error) {
        throw BadValue{error.message};
    }
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
     "Random1, CrossL1_2, ...), or of a contrast; repeatable",
     [](Arguments& a, std::string_view v) { addTestOption(a, "--effect", v); }},
    {"--contrast", "NAME=EXPR",
     "test the linear combination EXPR of coefficients like a coefficient,\n"
     "as NAME: Group1+CrossL1_1, 0.5*Group1+0.5*Group2, Group2-Group1; its\n"
     "effect is given with --effect or follows from its coefficients'; repeatable",
     [](Arguments& a, std::string_view v) { addTestOption(a, "--contrast", v); }},
    {"--joint", "NAME=A,B,...",
     "F test of two or more coefficients or contrasts at once, as NAME, for\n"
     "the effects of its members; repeatable",
     [](Arguments& a, std::string_view v) { addTestOption(a, "--joint", v); }},
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
    {"--normal", "",
     "tests by the normal distribution instead of t (and chi-square instead\nof F): "
     "every df is infinite unless --df gives one",
     [](Arguments& a, std::string_view) { a.test.normal = true; }},
    {"--df", "NAME=DF",
     "degrees of freedom for coefficient, contrast or joint test NAME instead\nof the rule; "
     "repeatable",
     [](Arguments& a, std::string_view v) { addTestOption(a, "--df", v); }},
    {"--power-csv", "FILE",
     "write power and MDES for every point and coefficient as CSV:\n"
     "N*n,N,n,cost,coefficient,se,df,mdes,mdes_exact,power",
     [](Arguments& a, std::string_view v) { a.powerCsvFile = std::string(v); }},
    {"--best-csv", "FILE",
     "write the best points of every coefficient as CSV:\n"
     "coefficient,criterion,N*n,N,n,cost,se,df,mdes,power",
     [](Arguments& a, std::string_view v) { a.bestCsvFile = std::string(v); }},
    {"--joint-csv", "FILE",
     "write every point's joint tests as CSV:\n"
     "test,N*n,N,n,cost,df1,df2,lambda,power,scale_for_power",
     [](Arguments& a, std::string_view v) { a.jointCsvFile = std::string(v); }},
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
     "the point to simulate, K,J,n for a three-level design, K,n (clusters\n"
     "of all sequences, units of a cluster-period) for a cluster design over\n"
     "periods; default the smallest budget (over ranges the fewest units) at\n"
     "which the first coefficient with an effect reaches the target power,\n"
     "else the first point of the sweep",
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
    {"--size-cv", "CV",
     "group sizes vary around each n with coefficient of variation CV (0, or\n"
     "from 0.01 to 10; 0: every group has n units); not in the report or COVFILE",
     [](Arguments& a, std::string_view v) {
         a.sizes.sizeCv = numberIn("--size-cv", v);
         if (!(a.sizes.sizeCv == 0.0 ||
               (a.sizes.sizeCv >= kLeastSizeCv && a.sizes.sizeCv <= kMostSizeCv))) {
             throw BadValue{"--size-cv must be 0 or lie between 0.01 and 10; it is " +
                            std::string(v)};
         }
     }},
    {"--sizes", "n1,n2,...",
     "exactly these groups: of a two-level design one design instead of the\n"
     "sweep, N their number; of a three-level design the groups of every site,\n"
     "J their number; not in the report or COVFILE",
     [](Arguments& a, std::string_view v) { a.sizes.sizes = sizesIn(v); }},
    {"--dropout", "RATE", "each unit is missing with probability RATE, from 0 to below 1",
     [](Arguments& a, std::string_view v) {
         a.sizes.dropout = probabilityIn("--dropout", v, 0.0, 1.0, false);
     }},
    {"--group-dropout", "RATE", "each group is lost with probability RATE, from 0 to below 1",
     [](Arguments& a, std::string_view v) {
         a.sizes.groupDropout = probabilityIn("--group-dropout", v, 0.0, 1.0, false);
     }},
    {"--site-size-cv", "CV",
     "three levels: the groups per site vary around each J with coefficient of\n"
     "variation CV (0, or from 0.01 to 10); not in the report or COVFILE",
     [](Arguments& a, std::string_view v) {
         a.sizes.siteSizeCv = numberIn("--site-size-cv", v);
         if (!(a.sizes.siteSizeCv == 0.0 ||
               (a.sizes.siteSizeCv >= kLeastSizeCv && a.sizes.siteSizeCv <= kMostSizeCv))) {
             throw BadValue{"--site-size-cv must be 0 or lie between 0.01 and 10; it is " +
                            std::string(v)};
         }
     }},
    {"--help", "", "show this help",
     [](Arguments& a, std::string_view) { a.action = Action::Help; }},
    {"--version", "", "show the version",
     [](Arguments& a, std::string_view) { a.action = Action::Version; }},
};

constexpr std::size_t kHelpColumn = 24;

}  // namespace

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
        "With --effect, --power-csv, --best-csv, --required-csv, --joint-csv or --simulate a "
        "summary\nof the tests goes to standard output, and with --simulate the simulation's "
        "summary after\nit. Ctrl+C stops a simulation; its summary then covers the replications "
        "done.\n"
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
    if (arguments.jointCsvFile && arguments.tests.jointTests.empty()) {
        err << "tavi-calc: --joint-csv needs --joint\nTry 'tavi-calc --help'.\n";
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
    if (!arguments.sizes.sizes.empty() &&
        (arguments.sizes.sizeCv > 0.0 || arguments.sizes.siteSizeCv > 0.0 || arguments.at)) {
        err << "tavi-calc: --sizes gives the groups computed; it takes neither --size-cv, "
               "--site-size-cv nor --at\n";
        return std::nullopt;
    }
    if (arguments.files.empty() || arguments.files.size() > 3) {
        err << (arguments.files.empty() ? "tavi-calc: no parameter file given\n"
                                        : "tavi-calc: too many file names\n")
            << "Try 'tavi-calc --help'.\n";
        return std::nullopt;
    }
    return arguments;
}

}  // namespace tavi
