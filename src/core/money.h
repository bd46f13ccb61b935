#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <compare>
#include <cstdint>
#include <optional>

// An amount held exactly as a whole number of ten-thousandths, the four decimals of a currency
// field. Sums and differences are exact; a product is rounded once, to four decimals. Every
// rounding of an amount goes through round_half_away: a half goes away from zero, on the decimal
// value (2,675 to cents is 2,68; 1,005 is 1,01).
class Money {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Money() = default;
    static constexpr Money from_units(std::int64_t ten_thousandths) { return Money(ten_thousandths); }
    static constexpr Money from_cents(std::int64_t cents) { return Money(cents * 100); }
    // The nearest amount of four decimals to a binary number.
    static Money from_double(double value);
    // A decimal text with the given separator and no thousands separators, blanks around it and a
    // sign allowed; more than four decimals are rounded. Nothing when the text is no such number or
    // is beyond the range.
    static std::optional<Money> parse(QStringView text, QChar decimal_separator);

    constexpr std::int64_t units() const { return units_; }
    double to_double() const { return static_cast<double>(units_) / kScale; }
    // Rounded to decimals places (0 to 4).
    Money rounded(int decimals) const;
    // Whole cents, rounded.
    std::int64_t cents() const { return rounded(2).units_ / 100; }
    // "0.00" with decimals places (0 to 4), the separator given, no thousands separator; a minus sign
    // only for an amount that is not zero once rounded.
    QString format(int decimals, QChar decimal_separator) const;
    // The shortest text that reads back as this amount: no trailing zeros, no separator for a whole
    // amount ("2,675", "1500").
    QString shortest(QChar decimal_separator) const;
    // Whole units rounded half to even, as an integer field takes a number.
    std::int64_t whole_half_even() const;
    // Nothing when whole is beyond the range of an amount.
    static std::optional<Money> from_whole(std::int64_t whole);

    // The largest amount, a hundred trillion: a sum, a difference or a product beyond it raises
    // ConversionError instead of wrapping, so that a total built from a server's prices is either
    // right or an error on the screen.
    static constexpr std::int64_t kMaxUnits = std::int64_t{1000000000000000000};

    constexpr Money operator+(Money other) const
    {
        std::int64_t units = 0;
        if (__builtin_add_overflow(units_, other.units_, &units)) beyond_limit();
        return checked(units);
    }
    constexpr Money operator-(Money other) const
    {
        std::int64_t units = 0;
        if (__builtin_sub_overflow(units_, other.units_, &units)) beyond_limit();
        return checked(units);
    }
    constexpr Money operator-() const { return Money(-units_); }
    Money& operator+=(Money other) { return *this = *this + other; }
    Money& operator-=(Money other) { return *this = *this - other; }
    // quantity × price, both of four decimals, rounded once to four decimals.
    friend Money operator*(Money a, Money b);
    constexpr auto operator<=>(const Money&) const = default;

private:
    constexpr explicit Money(std::int64_t units) : units_(units) {}
    static constexpr Money checked(std::int64_t units)
    {
        if (units > kMaxUnits || units < -kMaxUnits) beyond_limit();
        return Money(units);
    }
    [[noreturn]] static void beyond_limit();
    std::int64_t units_ = 0;
};

// numerator / divisor rounded to the nearest whole number, a half away from zero. divisor > 0.
std::int64_t round_half_away(std::int64_t numerator, std::int64_t divisor);
// The same with a half going to the even neighbour: how a number becomes an integer field.
std::int64_t round_half_even(std::int64_t numerator, std::int64_t divisor);
