// What a user asks to test besides each coefficient alone, as both programs take it on their
// command lines: --contrast NAME=EXPR, --joint NAME=A,B,..., --effect NAME=VALUE and
// --df NAME=DF, read against the coefficients of a design.
#pragma once

#include "engine/Coefficients.h"
#include "engine/power/QuantityNames.h"
#include "engine/power/TestedQuantities.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavi {

using NamedValues = std::vector<std::pair<std::string, double>>;

struct TestOptions {
    NamedTexts contrasts;   // --contrast NAME=EXPR
    NamedTexts jointTests;  // --joint NAME=A,B,...
    NamedValues effects;    // --effect NAME=VALUE
    NamedValues dfs;        // --df NAME=DF
};

// An option that cannot be used: the option, the name and why, in one line.
struct TestOptionError {
    std::string message;
};

// The real that all of text writes, when it is finite.
std::optional<double> finiteNumber(std::string_view text);

// Reads option with its value into options when it is one of the four; false, with nothing
// read, for any other option. Throws TestOptionError for a value not of the form NAME=...,
// a name given twice, a value that is not a number and degrees of freedom below 1.
bool readTestOption(std::string_view option, std::string_view value, TestOptions& options);

// Per name, the value given for it under option; throws TestOptionError for a name not among
// names, which are what the design has.
std::vector<std::optional<double>> valuesByName(const NamedValues& values, std::string_view option,
                                                const std::vector<std::string>& names);

// Adds the contrasts, then the joint tests of options to names. Throws TestOptionError, naming
// the option and the name, for one that cannot be used; names may then hold those before it.
void addTestedOf(const TestOptions& options, QuantityNames& names);

// What a command line asks to test of a design.
struct TestRequest {
    std::shared_ptr<const TestedQuantities> tested;
    std::vector<std::string> names;  // the coefficients, the contrasts, then the joint tests
    // Per coefficient and contrast, its true value: given, or for a contrast following from
    // its coefficients'.
    std::vector<std::optional<double>> effects;
    std::vector<std::optional<double>> dfs;  // per name, the df given instead of the rule's
};

// Reads options against the design's coefficients. Throws TestOptionError, naming the option and
// the name, for a name the design lacks, a contrast or joint test that cannot be used, and a
// joint test whose members' effects are not all given or all 0.
TestRequest testRequestOf(const TestOptions& options, const std::vector<Coefficient>& coefficients);

}  // namespace tavi
