#include "ui/CommandLine.h"

#include "TaviVersion.h"

#include <filesystem>
#include <ostream>
#include <string_view>
#include <sysexits.h>
#include <system_error>

namespace tavi::ui {

namespace {

constexpr std::string_view kUsage =
    "Usage: tavi [PARFILE]\n"
    "       tavi --results [--contrast NAME=EXPR] [--joint NAME=A,B,...]\n"
    "                      [--effect NAME=VALUE] [--df NAME=DF] PARFILE\n"
    "       tavi --new\n"
    "Enters the design of a two-level study step by step in windows, writes it to a parameter\n"
    "file and computes the standard errors of its coefficients for many sample sizes.\n"
    "\n"
    "  PARFILE    the parameter file to use or to write; without it the program asks for it\n"
    "  --results  show the results window of an existing parameter file at once, computed in\n"
    "             memory; no file is written; --contrast, --joint, --effect and --df\n"
    "             add contrasts and joint tests to it as in tavi-calc (repeatable)\n"
    "  --new      start a new plan from a design template in the results window, where its\n"
    "             values are edited and the design saved as a parameter file\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 when the program ends normally, 1 without a display or when --results\n"
    "or --new cannot compute its design, 64 wrong usage.\n";

StartRequest answered(int exitStatus) {
    StartRequest request;
    request.exitStatus = exitStatus;
    return request;
}

StartRequest usageError(std::ostream& err, std::string_view problem) {
    err << "tavi: " << problem << "; try 'tavi --help'\n";
    return answered(EX_USAGE);
}

}  // namespace

StartRequest readCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err) {
    StartRequest request;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == "--help") {
            out << kUsage;
            return answered(EX_OK);
        } else if (!optionsEnded && argument == "--version") {
            out << "tavi " TAVI_VERSION "\n";
            return answered(EX_OK);
        } else if (!optionsEnded && argument == "--results") {
            request.resultsOnly = true;
        } else if (!optionsEnded && argument == "--new") {
            request.newPlan = true;
        } else if (!optionsEnded && argument.starts_with("--")) {
            // --contrast NAME=EXPR or --contrast=NAME=EXPR, and the like.
            const std::size_t equals = argument.find('=');
            const bool joined = equals != std::string_view::npos;
            const std::string_view value = joined         ? argument.substr(equals + 1)
                                           : i + 1 < argc ? std::string_view(argv[i + 1])
                                                          : std::string_view();
            try {
                if (!readTestOption(argument.substr(0, equals), value, request.tests)) {
                    return usageError(err, "unknown option " + std::string(argument));
                }
            } catch (const TestOptionError& error) {
                return usageError(err, error.message);
            }
            i += joined ? 0 : 1;
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            return usageError(err, "unknown option " + std::string(argument));
        } else if (request.parameterFile) {
            return usageError(err, "more than one parameter file given");
        } else if (argument.empty()) {
            return usageError(err, "the parameter file's name is empty");
        } else {
            request.parameterFile = std::string(argument);
        }
    }
    const TestOptions& tests = request.tests;
    if (!request.resultsOnly && (!tests.contrasts.empty() || !tests.jointTests.empty() ||
                                 !tests.effects.empty() || !tests.dfs.empty())) {
        return usageError(err, "--contrast, --joint, --effect and --df need --results");
    }
    if (request.resultsOnly && !request.parameterFile) {
        return usageError(err, "--results needs a parameter file");
    }
    if (request.newPlan && (request.resultsOnly || request.parameterFile)) {
        return usageError(err, "--new takes no parameter file");
    }
    std::error_code ignored;
    if (request.parameterFile && std::filesystem::is_directory(*request.parameterFile, ignored)) {
        return usageError(err, *request.parameterFile + " is a directory, not a parameter file");
    }
    return request;
}

}  // namespace tavi::ui
