#include "engine/run/LocalDateTime.h"

#include <ctime>

namespace tavi {

std::string localDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const bool midnight = local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0;
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, midnight ? "%x" : "%x %X", &local);
    return std::string(text, length);
}

}  // namespace tavi
