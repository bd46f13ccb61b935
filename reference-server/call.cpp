#include "call.h"

#include <ctime>

using namespace std::chrono;

std::int64_t clock_seconds()
{
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

LocalTime local_now(std::optional<sys_days> today)
{
    const std::time_t now = static_cast<std::time_t>(clock_seconds());
    std::tm local{};
    localtime_r(&now, &local);
    LocalTime time;
    time.day = sys_days(year(local.tm_year + 1900) / (local.tm_mon + 1) / local.tm_mday);
    time.minute_of_day = local.tm_hour * 60 + local.tm_min;
    time.weekday = local.tm_wday;
    time.utc_seconds = now;
    if (today) {
        time.utc_seconds += (*today - time.day).count() * 86400;
        time.day = *today;
        time.weekday = static_cast<int>(weekday(*today).c_encoding());
    }
    return time;
}
