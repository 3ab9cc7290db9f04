#include "engine/run/NumberFields.h"

#include "files/NumberText.h"

#include <charconv>
#include <cmath>

namespace tavi {

std::string briefNumber(double value) {
    if (std::isnan(value)) {
        return "-";
    }
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 4);
    return std::string(buffer, result.ptr);
}

std::string exactNumber(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string pointText(const SweepPoint& point) {
    if (point.J > 0) {
        return "K = " + std::to_string(point.N) + ", J = " + std::to_string(point.J) +
               ", n = " + std::to_string(point.n);
    }
    return "N = " + std::to_string(point.N) + ", n = " + std::to_string(point.n);
}

void appendCsvField(std::string& out, double value) {
    out += ',';
    if (!std::isnan(value)) {
        appendShortestReal(out, value);
    }
}

}  // namespace tavi
