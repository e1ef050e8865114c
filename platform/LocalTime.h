// The local date and time (GetLocalTime).
#pragma once

#include <ctime>
#include <optional>

namespace platform {

struct LocalTime {
    int year = 0;     // e.g. 2015
    int month = 0;    // 1-12
    int day = 0;      // 1-31
    int hour = 0;     // 0-23
    int minute = 0;   // 0-59
    int second = 0;   // 0-60
    int weekday = 0;  // 0 = Sunday
};

// The given moment in the local time zone; nullopt when it cannot be represented.
std::optional<LocalTime> ToLocalTime(std::time_t moment);

// The current local time, to the second.
LocalTime GetLocalTime();

}  // namespace platform
