#include "formats.h"

#include <ctime>

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string money_text(std::int64_t cents)
{
    const std::int64_t magnitude = cents < 0 ? -cents : cents;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%lld,%02lld", cents < 0 ? "-" : "",
                  static_cast<long long>(magnitude / 100), static_cast<long long>(magnitude % 100));
    return buffer;
}

std::string quantity_text(double quantity)
{
    const long long thousandths = std::llround(quantity * 1000.0);
    const long long magnitude = std::llabs(thousandths);
    std::string text = thousandths < 0 ? "-" : "";
    text += std::to_string(magnitude / 1000);
    if (long long fraction = magnitude % 1000; fraction != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03lld", fraction);
        std::string decimals = digits;
        while (decimals.back() == '0')
            decimals.pop_back();
        text += ',' + decimals;
    }
    return text;
}

std::string iso_date(std::chrono::sys_days day)
{
    const std::chrono::year_month_day ymd(day);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return buffer;
}

std::string br_date(std::chrono::sys_days day)
{
    const std::chrono::year_month_day ymd(day);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02u/%02u/%04d", static_cast<unsigned>(ymd.day()),
                  static_cast<unsigned>(ymd.month()), static_cast<int>(ymd.year()));
    return buffer;
}

std::string clock_time(int minute_of_day)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", minute_of_day / 60 % 24, minute_of_day % 60);
    return buffer;
}

std::string utc_stamp(std::int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buffer;
}
