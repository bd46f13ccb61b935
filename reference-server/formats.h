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

std::string iso_date(std::chrono::sys_days day);
