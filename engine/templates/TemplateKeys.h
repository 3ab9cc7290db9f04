// The keys of a design template, described as a table, and the reading of the values a user
// gives them: numbers, comma lists of numbers, sample-size ranges and words.
#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavi {

// A key or a value that cannot be used: the key concerned and why, for one line to the user.
struct TemplateError {
    std::string key;
    std::string message;
};

// What each value of a key may be.
enum class ValueKind {
    Share,                   // a real in [0, 1): an intraclass correlation, an explained share
    Proportion,              // a real in (0, 1): a share of the groups or of the units
    NonNegative,             // a real of at least 0: a ratio of variances
    Correlation,             // a real in [-1, 1]
    Real,                    // any real
    Count,                   // a whole number of at least 0
    AtLeastTwo,              // a whole number of at least 2
    Amount,                  // a whole number of at least 1: a budget
    SizeRange,               // MIN:MAX[:STEP] of whole numbers of at least 1, or one number
    GroupsRange,             // MIN:MAX of whole numbers of at least 1, or one number
    ProportionOrContinuous,  // a real in (0, 1), or the word "continuous" (no numbers)
    UnitInterval,            // a real in [0, 1]: a correlation that cannot be negative
    Decay,                   // a real in (0, 1]: a factor per period apart
    YesNo,                   // the word yes (1) or no (0)
    CountsOrRange,           // MIN:MAX or one number, or a comma list C1,C2,... of whole numbers
};

// Whether a key must be given and what it is when it is not.
enum class Need {
    Required,     // it must be given
    Default,      // defaultText is its value when it is not given
    Conditional,  // the template decides, as defaultText tells the user
};

struct TemplateKey {
    std::string_view name;
    ValueKind kind;
    Need need;
    std::string_view defaultText;
    std::string_view help;
    bool list = false;  // a comma list of values instead of one value
};

// The values a kind allows, for the help and for messages: "[0, 1)", "MIN:MAX[:STEP]".
std::string_view allowedValues(ValueKind kind);

// The values given to a template's keys, read and checked against its key table.
class TemplateValues {
public:
    // Reads every KEY=VALUE pair given. Throws TemplateError for a key that the table lacks, a
    // key given twice, a value its kind does not allow and a required key that is missing.
    TemplateValues(std::span<const TemplateKey> keys,
                   const std::vector<std::pair<std::string, std::string>>& settings);

    // Whether the user gave the key.
    bool given(std::string_view key) const;

    // The key's values, given or by default: one number, the numbers of a list, MIN, MAX and
    // STEP of a SizeRange (STEP 1 when it is left out), MIN and MAX of a GroupsRange, and none
    // for a word. Empty for a Conditional key that was not given.
    const std::vector<double>& values(std::string_view key) const;

    // The key's single value; for a key of the table that has one.
    double number(std::string_view key) const;

    // Whether a CountsOrRange key was given as a comma list rather than a range.
    bool listed(std::string_view key) const;

private:
    std::map<std::string, std::vector<double>, std::less<>> m_values;
    std::vector<std::string> m_given;
    std::vector<std::string> m_listed;
};

}  // namespace tavi
