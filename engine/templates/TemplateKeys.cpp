#include "engine/templates/TemplateKeys.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace tavi {

namespace {

constexpr double kLargestWhole = std::numeric_limits<std::int32_t>::max();

// The pieces of text between the separators, empty pieces included.
std::vector<std::string_view> piecesOf(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t end = text.find(separator); end != std::string_view::npos;
         end = text.find(separator, start)) {
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

TemplateError badValue(std::string_view key, std::string_view text, std::string_view rule) {
    return {std::string(key), std::string(rule).append("; it is '").append(text).append("'")};
}

// A finite real written in full.
double realIn(std::string_view key, std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        throw badValue(key, text, "must be a number");
    }
    return value;
}

// A whole number from least to the 32-bit limit; a fraction is refused, not rounded.
double wholeIn(std::string_view key, std::string_view text, double least) {
    const double value = realIn(key, text);
    if (value != std::floor(value) || value < least || value > kLargestWhole) {
        throw badValue(key, text,
                       "must be a whole number of at least " + std::to_string(int(least)));
    }
    return value;
}

// One value of a kind with a single number.
double scalarIn(std::string_view key, ValueKind kind, std::string_view text) {
    switch (kind) {
        case ValueKind::Count:
        case ValueKind::CountsOrRange:
            return wholeIn(key, text, 0);
        case ValueKind::AtLeastTwo:
            return wholeIn(key, text, 2);
        case ValueKind::Amount:
            return wholeIn(key, text, 1);
        default:
            break;
    }
    const double value = realIn(key, text);
    bool allowed = true;
    switch (kind) {
        case ValueKind::Share:
            allowed = value >= 0.0 && value < 1.0;
            break;
        case ValueKind::Proportion:
        case ValueKind::ProportionOrContinuous:
            allowed = value > 0.0 && value < 1.0;
            break;
        case ValueKind::NonNegative:
            allowed = value >= 0.0;
            break;
        case ValueKind::Correlation:
            allowed = value >= -1.0 && value <= 1.0;
            break;
        case ValueKind::UnitInterval:
            allowed = value >= 0.0 && value <= 1.0;
            break;
        case ValueKind::Decay:
            allowed = value > 0.0 && value <= 1.0;
            break;
        default:
            break;
    }
    if (!allowed) {
        throw badValue(key, text, "must lie in " + std::string(allowedValues(kind)));
    }
    return value;
}

// MIN:MAX:STEP of a SizeRange (mostParts 3) or MIN:MAX of a GroupsRange (mostParts 2), one
// number standing for MIN and MAX alike.
std::vector<double> rangeIn(std::string_view key, ValueKind kind, std::string_view text,
                            std::size_t mostParts) {
    const std::vector<std::string_view> pieces = piecesOf(text, ':');
    if (pieces.size() > mostParts) {
        throw badValue(key, text, "must be " + std::string(allowedValues(kind)));
    }
    std::vector<double> range;
    range.reserve(mostParts);
    for (const std::string_view piece : pieces) {
        range.push_back(wholeIn(key, piece, 1));
    }
    if (range.size() == 1) {
        range.push_back(range.front());
    }
    if (range[0] > range[1]) {
        throw badValue(key, text, "must not have MIN above MAX");
    }
    if (mostParts == 3 && range.size() == 2) {
        range.push_back(1);
    }
    return range;
}

std::vector<double> valuesIn(const TemplateKey& key, std::string_view text) {
    switch (key.kind) {
        case ValueKind::SizeRange:
            return rangeIn(key.name, key.kind, text, 3);
        case ValueKind::GroupsRange:
            return rangeIn(key.name, key.kind, text, 2);
        case ValueKind::ProportionOrContinuous:
            if (text == "continuous") {
                return {};
            }
            break;
        case ValueKind::YesNo:
            if (text != "yes" && text != "no") {
                throw badValue(key.name, text, "must be yes or no");
            }
            return {text == "yes" ? 1.0 : 0.0};
        case ValueKind::CountsOrRange:
            if (text.find(',') == std::string_view::npos) {
                return rangeIn(key.name, key.kind, text, 2);
            }
            break;
        default:
            break;
    }
    const std::vector<std::string_view> items = key.list || key.kind == ValueKind::CountsOrRange
                                                    ? piecesOf(text, ',')
                                                    : std::vector<std::string_view>{text};
    std::vector<double> values;
    values.reserve(items.size());
    for (const std::string_view item : items) {
        values.push_back(scalarIn(key.name, key.kind, item));
    }
    return values;
}

}  // namespace

std::string_view allowedValues(ValueKind kind) {
    switch (kind) {
        case ValueKind::Share:
            return "[0, 1)";
        case ValueKind::Proportion:
            return "(0, 1)";
        case ValueKind::NonNegative:
            return "[0, inf)";
        case ValueKind::Correlation:
            return "[-1, 1]";
        case ValueKind::Real:
            return "any number";
        case ValueKind::Count:
            return "0, 1, 2, ...";
        case ValueKind::AtLeastTwo:
            return "2, 3, ...";
        case ValueKind::Amount:
            return "1, 2, ...";
        case ValueKind::SizeRange:
            return "MIN:MAX[:STEP] or one size";
        case ValueKind::GroupsRange:
            return "MIN:MAX or one number";
        case ValueKind::ProportionOrContinuous:
            return "(0, 1) or continuous";
        case ValueKind::UnitInterval:
            return "[0, 1]";
        case ValueKind::Decay:
            return "(0, 1]";
        case ValueKind::YesNo:
            return "yes or no";
        case ValueKind::CountsOrRange:
            return "MIN:MAX, one number, or C1,C2,...";
    }
    return "";
}

TemplateValues::TemplateValues(std::span<const TemplateKey> keys,
                               const std::vector<std::pair<std::string, std::string>>& settings) {
    for (const auto& [name, text] : settings) {
        const TemplateKey* key = nullptr;
        std::string known;
        for (const TemplateKey& candidate : keys) {
            key = candidate.name == name ? &candidate : key;
            known.append(known.empty() ? "" : ", ").append(candidate.name);
        }
        if (key == nullptr) {
            throw TemplateError{name, "no such key; the keys are " + known};
        }
        if (given(name)) {
            throw TemplateError{name, "given twice"};
        }
        m_values[name] = valuesIn(*key, text);
        m_given.push_back(name);
        if (key->kind == ValueKind::CountsOrRange && text.find(',') != std::string::npos) {
            m_listed.push_back(name);
        }
    }
    for (const TemplateKey& key : keys) {
        if (given(key.name)) {
            continue;
        }
        switch (key.need) {
            case Need::Required:
                throw TemplateError{std::string(key.name), "missing; it has no default"};
            case Need::Default:
                m_values.emplace(key.name, valuesIn(key, key.defaultText));
                break;
            case Need::Conditional:
                m_values.emplace(key.name, std::vector<double>{});
                break;
        }
    }
}

bool TemplateValues::given(std::string_view key) const {
    for (const std::string& name : m_given) {
        if (name == key) {
            return true;
        }
    }
    return false;
}

const std::vector<double>& TemplateValues::values(std::string_view key) const {
    const auto found = m_values.find(key);
    if (found == m_values.end()) {
        throw std::logic_error("a template asks for a key outside its table: " + std::string(key));
    }
    return found->second;
}

bool TemplateValues::listed(std::string_view key) const {
    for (const std::string& name : m_listed) {
        if (name == key) {
            return true;
        }
    }
    return false;
}

double TemplateValues::number(std::string_view key) const {
    const std::vector<double>& found = values(key);
    if (found.empty()) {
        throw std::logic_error("a template asks for a value that was not given: " +
                               std::string(key));
    }
    return found.front();
}

}  // namespace tavi
