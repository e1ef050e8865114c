#include "platform/LocalTime.h"

namespace platform {

std::optional<LocalTime> ToLocalTime(std::time_t moment) {
    std::tm tm{};
    if (::localtime_r(&moment, &tm) == nullptr) return std::nullopt;
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                     tm.tm_min,         tm.tm_sec,     tm.tm_wday};
}

LocalTime GetLocalTime() {
    return ToLocalTime(std::time(nullptr)).value_or(LocalTime{1970, 1, 1, 0, 0, 0, 4});
}

}  // namespace platform
