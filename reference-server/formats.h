#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// Texts as the client reads them under Brazilian regional settings: a comma before the decimals, no
// thousands separator, so that "1500,00" converts back into the same number and reads naturally in
// the grids that show the text as sent.
std::string money_text(std::int64_t cents);
// A quantity with up to three decimals, trailing zeros dropped: "12", "12,5".
std::string quantity_text(double quantity);

// Every date and time the server writes, in one place.
// "YYYY-MM-DD", as dates are stored.
std::string iso_date(std::chrono::sys_days day);
// "DD/MM/YYYY", as the client reads dates under Brazilian settings.
std::string br_date(std::chrono::sys_days day);
// "HH:MM" of a minute of the day.
std::string clock_time(int minute_of_day);
// "YYYY-MM-DDTHH:MM:SSZ": an instant in seconds since 1970, in UTC.
std::string utc_stamp(std::int64_t seconds);
