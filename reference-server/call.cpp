#include "call.h"

#include <ctime>

using namespace std::chrono;

LocalTime local_now(std::optional<sys_days> today)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    LocalTime time;
    time.day = sys_days(year(local.tm_year + 1900) / (local.tm_mon + 1) / local.tm_mday);
    time.minute_of_day = local.tm_hour * 60 + local.tm_min;
    time.weekday = local.tm_wday;
    if (today) {
        time.day = *today;
        time.weekday = static_cast<int>(weekday(*today).c_encoding());
    }
    return time;
}
