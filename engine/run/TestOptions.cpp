#include "engine/run/TestOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tavi {

namespace {

// NAME=TEXT, once per name: the name and the text.
template <typename Named>
std::pair<std::string, std::string_view> splitNamed(const Named& values, std::string_view option,
                                                    std::string_view form, std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw TestOptionError{std::string(option) + " needs " + std::string(form) + ", not '" +
                              std::string(text) + "'"};
    }
    std::string name(text.substr(0, equals));
    for (const auto& [given, value] : values) {
        if (given == name) {
            throw TestOptionError{std::string(option) + " " + name + " is given twice"};
        }
    }
    return {std::move(name), text.substr(equals + 1)};
}

// NAME=VALUE, once per name.
void addNamed(NamedValues& values, std::string_view option, std::string_view text) {
    auto [name, value] = splitNamed(values, option, "NAME=VALUE", text);
    const std::optional<double> number = finiteNumber(value);
    if (!number) {
        throw TestOptionError{std::string(option) + " " + name + ": '" + std::string(value) +
                              "' is not a number"};
    }
    values.emplace_back(std::move(name), *number);
}

// NAME=TEXT, once per name; what TEXT means is checked against the design.
void addNamedText(NamedTexts& texts, std::string_view option, std::string_view form,
                  std::string_view text) {
    auto [name, value] = splitNamed(texts, option, form, text);
    texts.emplace_back(std::move(name), std::string(value));
}

// Every member of every joint test has a true value, and not all of a test's are 0.
void checkJointEffects(const TestRequest& request) {
    for (const JointTest& test : request.tested->jointTests()) {
        bool anyEffect = false;
        for (const int member : test.members) {
            const std::optional<double>& effect = request.effects[member];
            if (!effect) {
                const std::string& name = request.names[member];
                std::string message = "--joint " + test.name + ": ";
                message.append(name).append(" has no effect; give it with --effect ");
                throw TestOptionError{message.append(name).append("=VALUE")};
            }
            anyEffect = anyEffect || *effect != 0.0;
        }
        if (!anyEffect) {
            throw TestOptionError{"--joint " + test.name +
                                  ": every member's effect is 0, which no sample size can detect"};
        }
    }
}

}  // namespace

std::optional<double> finiteNumber(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool readTestOption(std::string_view option, std::string_view value, TestOptions& options) {
    if (option == "--contrast") {
        addNamedText(options.contrasts, option, "NAME=EXPR", value);
    } else if (option == "--joint") {
        addNamedText(options.jointTests, option, "NAME=A,B,...", value);
    } else if (option == "--effect") {
        addNamed(options.effects, option, value);
    } else if (option == "--df") {
        addNamed(options.dfs, option, value);
        if (!(options.dfs.back().second >= 1.0)) {
            throw TestOptionError{"--df " + options.dfs.back().first +
                                  ": degrees of freedom must be at least 1; it is " +
                                  std::string(value.substr(value.find('=') + 1))};
        }
    } else {
        return false;
    }
    return true;
}

std::vector<std::optional<double>> valuesByName(const NamedValues& values, std::string_view option,
                                                const std::vector<std::string>& names) {
    std::vector<std::optional<double>> result(names.size());
    for (const auto& [name, value] : values) {
        const auto found = std::find(names.begin(), names.end(), name);
        if (found == names.end()) {
            std::string valid;
            for (const std::string& known : names) {
                valid.append(valid.empty() ? "" : ", ").append(known);
            }
            std::string message(option);
            message.append(" ").append(name).append(
                ": the design has no such coefficient; it has ");
            throw TestOptionError{message.append(valid)};
        }
        result[static_cast<std::size_t>(found - names.begin())] = value;
    }
    return result;
}

void addTestedOf(const TestOptions& options, QuantityNames& names) {
    for (const auto& [name, expression] : options.contrasts) {
        try {
            names.addContrast(name, expression);
        } catch (const QuantityError& error) {
            throw TestOptionError{"--contrast " + name + ": " + error.message};
        }
    }
    for (const auto& [name, members] : options.jointTests) {
        try {
            names.addJointTest(name, members);
        } catch (const QuantityError& error) {
            throw TestOptionError{"--joint " + name + ": " + error.message};
        }
    }
}

TestRequest testRequestOf(const TestOptions& options,
                          const std::vector<Coefficient>& coefficients) {
    QuantityNames names(coefficients);
    addTestedOf(options, names);
    TestRequest request;
    request.tested = names.tested();
    request.names = names.allNames();
    for (const auto& [name, value] : options.effects) {
        if (std::find(request.names.begin() + request.tested->count(), request.names.end(), name) !=
            request.names.end()) {
            throw TestOptionError{"--effect " + name +
                                  ": a joint test takes the effects of its members instead"};
        }
    }
    request.effects = request.tested->withImpliedEffects(
        valuesByName(options.effects, "--effect", names.quantityNames()));
    request.dfs = valuesByName(options.dfs, "--df", request.names);
    checkJointEffects(request);
    return request;
}

}  // namespace tavi
