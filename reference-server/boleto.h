#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Brazilian bank slips (boletos): the 44-digit bar code, its 47-digit typed line with the check
// digits of the banks' common layout, and the Interleaved 2 of 5 bars that print the bar code.

// Modulo 10 check digit of a typed-line field: weights 2, 1, 2, ... from the right, the digits of
// each product summed.
int modulo10(std::string_view digits);
// Modulo 11 general check digit of the bar code: weights 2 to 9 from the right, repeating; a result
// of 0, 10 or 11 becomes 1.
int modulo11(std::string_view digits);

// Bank 237's check digit of an account, or of a carteira and its 11-digit Nosso Número: weights 2 to
// 7 from the right, repeating; a remainder of 0 gives '0', of 1 gives 'P', any other r gives 11 - r.
char check_digit_237(std::string_view digits);

// Days from 7 October 1997 to the due date, in four digits; the count started again at 1000 on
// 22 February 2025, when it passed 9999. "0000" for a date before the base (no due date).
std::string due_factor(std::chrono::sys_days due);

struct SlipData {
    std::string bank;       // 3 digits
    std::int64_t cents = 0; // at most 10 digits
    std::chrono::sys_days due;
    std::string free_field; // 25 digits, the bank's own
};

// Raises std::invalid_argument for fields of the wrong size or an amount of more than 10 digits.
std::string bar_code(const SlipData& slip);
// "AAABC.CCCCX DDDDD.DDDDDY EEEEE.EEEEEZ K UUUUVVVVVVVVVV" from the 44 digits of a bar code.
std::string typed_line(std::string_view bar_code);

// The widths, in narrow units, of the alternating bars and spaces that print an even number of
// digits in Interleaved 2 of 5 (wide = 3 narrow), from the start guard to the stop guard; the first
// width is a bar.
std::vector<int> interleaved_2_of_5(std::string_view digits);
