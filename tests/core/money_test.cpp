#include "core/errors.h"
#include "core/money.h"

#include <climits>
#include <functional>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Money, formatting_rounds_halves_away_from_zero_on_the_decimal_value)
{
    const struct {
        double value;
        int decimals;
        const char16_t* brazil;
    } cases[] = {
        {2.675, 2, u"2,68"},     {1.005, 2, u"1,01"},
        {0.005, 2, u"0,01"},     {0.0049, 2, u"0,00"},
        {-2.675, 2, u"-2,68"},   {-0.005, 2, u"-0,01"},
        {-0.004, 2, u"0,00"},    {1234.5, 2, u"1234,50"},
        {2.5, 0, u"3"},          {-2.5, 0, u"-3"},
        {0.45, 1, u"0,5"},       {17.6, 2, u"17,60"},
        {0.1 + 0.2, 2, u"0,30"}, {1e12, 2, u"1000000000000,00"},
        {3.14159, 4, u"3,1416"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Money::from_double(c.value).format(c.decimals, u','), QString::fromUtf16(c.brazil))
            << c.value << " to " << c.decimals;
    EXPECT_EQ(Money::from_double(2.675).format(2, u'.'), u"2.68"_s);
}

TEST(Money, text_reads_exactly_and_sums_never_drift)
{
    const struct {
        const char16_t* text;
        std::optional<std::int64_t> units;
    } cases[] = {
        {u"2,675", 26750},
        {u" -1,005 ", -10050},
        {u"+3", 30000},
        {u"0,00005", 1},
        {u"0,00004", 0},
        {u"-0,00005", -1},
        {u"12,3456789", 123457},
        {u"1,5e-3", 15},
        {u",5", 5000},
        {u"5,", 50000},
        {u"1.5", std::nullopt},
        {u"", std::nullopt},
        {u"-", std::nullopt},
        {u"1,2,3", std::nullopt},
        {u"1 000", std::nullopt},
        {u"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<Money> m = Money::parse(QStringView(c.text), u',');
        EXPECT_EQ(m ? std::optional(m->units()) : std::nullopt, c.units)
            << QString::fromUtf16(c.text).toStdString();
    }

    // Ten items of 0,10 added one by one and taken away again leave exactly nothing.
    Money total;
    for (int i = 0; i < 10; ++i)
        total += *Money::parse(u"0,1", u',');
    EXPECT_EQ(total, Money::from_units(10000));
    for (int i = 0; i < 10; ++i)
        total -= Money::from_double(0.1);
    EXPECT_EQ(total, Money());

    // A product is rounded once, to four decimals.
    EXPECT_EQ((*Money::parse(u"3", u',') * *Money::parse(u"2,675", u',')).format(2, u','), u"8,03"_s);
    EXPECT_EQ((*Money::parse(u"0,3333", u',') * *Money::parse(u"0,0003", u',')).units(), 1);
    EXPECT_EQ(Money::from_double(2.675).cents(), 268);
    EXPECT_EQ(Money::from_double(-2.675).cents(), -268);
}

// Amounts come from a server's prices and the salesperson's quantities: a sum, a difference or a
// product past the largest amount is an error, never a number that wrapped around or was clipped.
TEST(Money, arithmetic_past_the_largest_amount_raises)
{
    const Money largest = Money::from_units(Money::kMaxUnits);
    const Money one = Money::from_cents(100);
    EXPECT_EQ((largest - one + one), largest);
    EXPECT_EQ((-largest + one - one), -largest);
    const std::function<Money()> beyond[] = {
        [&] { return largest + one; },
        [&] { return -largest - one; },
        [&] { return largest - (-one); },
        [&] {
            Money total;
            for (int i = 0; i < 10; ++i) // ten of the largest would wrap 64 bits
                total += largest;
            return total;
        },
        [&] { return Money::from_units(INT64_MAX) + one; },
        [&] { return Money::from_units(INT64_MIN) - one; },
        [&] { return *Money::parse(u"1000000", u',') * *Money::parse(u"1000000000", u','); },
    };
    for (const auto& operation : beyond)
        EXPECT_THROW(operation(), ConversionError);
    EXPECT_EQ(*Money::parse(u"100000", u',') * *Money::parse(u"1000000000", u','),
              *Money::parse(u"100000000000000", u','));
}
