#include "app/TemplateCommand.h"

#include "app/CalcCommand.h"
#include "app/CommandOptions.h"
#include "engine/run/Assumptions.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/RunChecks.h"
#include "engine/templates/DesignTemplates.h"
#include "files/DesignFile.h"
#include "files/FileError.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavi {

namespace {

constexpr std::string_view kTemplateOption = "--template";
constexpr std::string_view kHelpOption = "--help";
constexpr std::size_t kHelpColumn = 20;

struct TemplateArguments {
    std::optional<std::string> name;
    std::vector<std::pair<std::string, std::string>> settings;
    std::optional<std::string> file;
    bool force = false;
};

// A command line that cannot be used, in one line.
struct UsageError {
    std::string message;
};

// The command's options: the help and the parser both walk this table. An option with a value
// takes it from the next argument or after "=".
struct Option {
    std::string_view name;
    std::string_view value;
    std::string_view help;
    void (*apply)(TemplateArguments&, std::string_view value);
};

void setOnce(std::optional<std::string>& field, std::string_view option, std::string_view value) {
    if (field) {
        throw UsageError{std::string(option) + " is given twice"};
    }
    field = std::string(value);
}

constexpr Option kOptions[] = {
    {kTemplateOption, "NAME", "the design, one of those below",
     [](TemplateArguments& a, std::string_view v) { setOnce(a.name, kTemplateOption, v); }},
    {"--set", "KEY=VALUE", "a key of the design; repeatable",
     [](TemplateArguments& a, std::string_view v) {
         const std::size_t equals = v.find('=');
         if (equals == std::string_view::npos || equals == 0) {
             throw UsageError{"--set needs KEY=VALUE, not '" + std::string(v) + "'"};
         }
         a.settings.emplace_back(v.substr(0, equals), v.substr(equals + 1));
     }},
    {"--write", "PARFILE", "the parameter file to write",
     [](TemplateArguments& a, std::string_view v) { setOnce(a.file, "--write", v); }},
    {"--force", "", "replace PARFILE when it exists",
     [](TemplateArguments& a, std::string_view) { a.force = true; }},
    // Answered before the other options are read.
    {kHelpOption, "", "show this help; after --template NAME, that design's keys only",
     [](TemplateArguments&, std::string_view) {}},
};

// A template with its keys: a key's help, then the values it takes and what it is when not
// given.
std::string templateHelp(const DesignTemplate& design) {
    std::string text;
    text.append(design.name).append(" (").append(design.keyCoefficient).append("): ");
    text.append(design.description).append("\n");
    for (const TemplateKey& key : design.keys) {
        std::string help(key.help);
        help.append("\n").append(allowedValues(key.kind));
        help.append(key.list ? ", a comma list; " : "; ");
        if (key.need == Need::Required) {
            help.append("required");
        } else {
            help.append(key.need == Need::Default ? "default " : "").append(key.defaultText);
        }
        appendOptionUsage(text, key.name, "", help, kHelpColumn);
    }
    return text;
}

std::string usage(const DesignTemplate* only) {
    std::string text =
        "Usage: tavi-calc --template NAME --set KEY=VALUE [--set KEY=VALUE]... --write PARFILE\n"
        "Writes the parameter file of a classic design stated in familiar terms, and tells "
        "which\ncoefficient is which. The outcome's total variance is 1, so effects are "
        "standardised.\n--template anywhere before \"--\" selects this command.\n\n";
    for (const Option& option : kOptions) {
        appendOptionUsage(text, option.name, option.value, option.help, kHelpColumn);
    }
    for (const DesignTemplate& design : designTemplates()) {
        if (only == nullptr || only == &design) {
            text.append("\n").append(templateHelp(design));
        }
    }
    text +=
        "\nThe sample sizes: budget, group_cost and n=MIN:MAX[:STEP] under a budget, or "
        "groups=MIN:MAX\nand n=MIN:MAX[:STEP] for all combinations, or groups=N and n=SIZE for "
        "one point.\nThree levels: budget, site_cost, group_cost, groups=MIN:MAX (per site) and "
        "n=MIN:MAX[:STEP],\nor sites=MIN:MAX, groups=MIN:MAX and n=MIN:MAX[:STEP].\nExit status: 0 "
        "written, 1 PARFILE exists (without --force) or cannot be "
        "written,\n64 wrong usage or a key that cannot be used.\n";
    return text;
}

// The template named after --template, for the help; nullptr when there is none.
const DesignTemplate* namedTemplate(int argc, const char* const* argv) {
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with(std::string(kTemplateOption) + "=")) {
            return findTemplate(argument.substr(kTemplateOption.size() + 1));
        }
        if (argument == kTemplateOption && i + 1 < argc) {
            return findTemplate(argv[i + 1]);
        }
    }
    return nullptr;
}

TemplateArguments parseArguments(int argc, const char* const* argv) {
    TemplateArguments arguments;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const std::string_view name = argument.substr(0, argument.find('='));
        const auto option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                         [&](const Option& o) { return o.name == name; });
        if (!argument.starts_with("--") || option == std::end(kOptions) ||
            (option->value.empty() && name != argument)) {
            throw UsageError{"unexpected argument " + std::string(argument)};
        }
        const std::string_view value =
            optionValue(argument, name, !option->value.empty(), argc, argv, i);
        if (!option->value.empty() && value.empty()) {
            throw UsageError{std::string(name) + " needs " + std::string(option->value)};
        }
        option->apply(arguments, value);
    }
    if (!arguments.name || !arguments.file) {
        throw UsageError{arguments.name ? "--write PARFILE is missing"
                                        : "--template NAME is missing"};
    }
    return arguments;
}

// Whether anything, even a dangling link, has the name.
bool nameTaken(const std::string& file) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(file, error));
}

}  // namespace

bool isTemplateCommand(int argc, const char* const* argv) {
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            return false;
        }
        if (argument == kTemplateOption ||
            argument.starts_with(std::string(kTemplateOption) + "=")) {
            return true;
        }
    }
    return false;
}

int runTemplateCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (std::find(argv, argv + argc, kHelpOption) != argv + argc) {
        out << usage(namedTemplate(argc, argv));
        return kExitComplete;
    }
    TemplateDesign design;
    TemplateArguments arguments;
    try {
        arguments = parseArguments(argc, argv);
        const DesignTemplate* chosen = findTemplate(*arguments.name);
        if (chosen == nullptr) {
            std::string names;
            for (const DesignTemplate& candidate : designTemplates()) {
                names.append(names.empty() ? "" : ", ").append(candidate.name);
            }
            throw UsageError{"no template " + *arguments.name + "; there are " + names};
        }
        design = makeDesign(*chosen, arguments.settings);
    } catch (const UsageError& error) {
        err << "tavi-calc: " << error.message << "\nTry 'tavi-calc --template --help'.\n";
        return kExitUsage;
    } catch (const TemplateError& error) {
        err << "tavi-calc: " << error.key << ": " << error.message << "\n";
        return kExitUsage;
    }
    // A design the run would refuse is no design to write.
    const std::vector<std::string> problems = runProblems(design.design);
    for (const std::string& problem : problems) {
        err << "tavi-calc: --template " << *arguments.name << ": " << problem << "\n";
    }
    if (!problems.empty()) {
        return kExitUsage;
    }
    const std::string& file = *arguments.file;
    if (!arguments.force && nameTaken(file)) {
        err << "tavi-calc: " << file << " exists; give --force to replace it\n";
        return kExitFileError;
    }
    try {
        writeDesignFile(design.design, file);
    } catch (const FileError& error) {
        err << "tavi-calc: " << error.fileName() << ": " << error.what() << "\n";
        return kExitFileError;
    }
    for (const CoefficientRole& role : design.roles) {
        out << role.coefficient << ": " << role.role << "\n";
    }
    return kExitComplete;
}

}  // namespace tavi
