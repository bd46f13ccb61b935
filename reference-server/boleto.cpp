#include "boleto.h"

#include <stdexcept>

using namespace std::chrono;

namespace {

bool digits_only(std::string_view text)
{
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The digits weighted 2, 3, ... up to max_weight from the right, then 2 again, and summed.
int weighted_sum(std::string_view digits, int max_weight)
{
    int sum = 0;
    int weight = 2;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        sum += (*it - '0') * weight;
        weight = weight == max_weight ? 2 : weight + 1;
    }
    return sum;
}

std::string zero_padded(std::int64_t value, std::size_t width)
{
    std::string digits = std::to_string(value);
    return std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
}

} // namespace

int modulo10(std::string_view digits)
{
    int sum = 0;
    int weight = 2;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        const int product = (*it - '0') * weight;
        sum += product / 10 + product % 10;
        weight = weight == 2 ? 1 : 2;
    }
    return (10 - sum % 10) % 10;
}

int modulo11(std::string_view digits)
{
    const int digit = 11 - weighted_sum(digits, 9) % 11;
    return digit == 0 || digit == 10 || digit == 11 ? 1 : digit;
}

char check_digit_237(std::string_view digits)
{
    const int remainder = weighted_sum(digits, 7) % 11;
    return remainder == 0 ? '0' : remainder == 1 ? 'P' : static_cast<char>('0' + 11 - remainder);
}

std::string due_factor(sys_days due)
{
    constexpr sys_days base = year(1997) / October / 7;
    if (due < base) return "0000";
    std::int64_t factor = (due - base).count();
    if (factor > 9999) factor = (factor - 1000) % 9000 + 1000;
    return zero_padded(factor, 4);
}

std::string bar_code(const SlipData& slip)
{
    if (slip.bank.size() != 3 || !digits_only(slip.bank) || slip.free_field.size() != 25 ||
        !digits_only(slip.free_field))
        throw std::invalid_argument("boleto com banco ou campo livre inválido");
    if (slip.cents < 0 || slip.cents > 9'999'999'999LL)
        throw std::invalid_argument("valor fora do que um boleto comporta");
    // Currency 9 is the real.
    const std::string without_check =
        slip.bank + "9" + due_factor(slip.due) + zero_padded(slip.cents, 10) + slip.free_field;
    return without_check.substr(0, 4) + std::to_string(modulo11(without_check)) + without_check.substr(4);
}

std::string typed_line(std::string_view code)
{
    if (code.size() != 44 || !digits_only(code)) throw std::invalid_argument("código de barras inválido");
    const std::string_view free_field = code.substr(19, 25);
    const auto field = [](std::string_view digits) {
        const std::string with_check = std::string(digits) + std::to_string(modulo10(digits));
        return with_check.substr(0, 5) + '.' + with_check.substr(5);
    };
    return field(std::string(code.substr(0, 4)) + std::string(free_field.substr(0, 5))) + ' ' +
           field(free_field.substr(5, 10)) + ' ' + field(free_field.substr(15, 10)) + ' ' +
           std::string(code.substr(4, 1)) + ' ' + std::string(code.substr(5, 14));
}

std::vector<int> interleaved_2_of_5(std::string_view digits)
{
    if (digits.size() % 2 != 0 || !digits_only(digits))
        throw std::invalid_argument("Interleaved 2 of 5 codifica um número par de dígitos");
    // Narrow (1) or wide (3) for each of the five elements of a digit.
    static constexpr const char* patterns[] = {"11331", "31113", "13113", "33111", "11313",
                                               "31311", "13311", "11133", "31131", "13131"};
    std::vector<int> widths{1, 1, 1, 1}; // start: bar, space, bar, space
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const char* bars = patterns[digits[i] - '0'];
        const char* spaces = patterns[digits[i + 1] - '0'];
        for (int k = 0; k < 5; ++k) {
            widths.push_back(bars[k] - '0');
            widths.push_back(spaces[k] - '0');
        }
    }
    widths.insert(widths.end(), {3, 1, 1}); // stop: wide bar, space, bar
    return widths;
}
