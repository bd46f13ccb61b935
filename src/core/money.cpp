#include "money.h"

#include "errors.h"

#include <QLocale>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// GCC and Clang both have it; the product of two amounts needs more than 64 bits on the way.
__extension__ typedef __int128 Wide;

constexpr std::int64_t kPow10[] = {1, 10, 100, 1000, 10000};

// Values read from outside (a number, a double) beyond this bound are held at it or refused.
constexpr std::int64_t kMaxUnits = Money::kMaxUnits;

} // namespace

void Money::beyond_limit()
{
    throw ConversionError(
        u"O valor passa do limite de R$ 100 trilhões; confira as quantidades e os preços."_s);
}

std::int64_t round_half_away(std::int64_t numerator, std::int64_t divisor)
{
    const std::int64_t q = numerator / divisor;
    const std::int64_t r = numerator % divisor;
    // |r| compared with half the divisor, without overflow.
    if (r >= 0 ? r * 2 >= divisor : -r * 2 >= divisor) return q + (numerator < 0 ? -1 : 1);
    return q;
}

std::int64_t round_half_even(std::int64_t numerator, std::int64_t divisor)
{
    const std::int64_t q = numerator / divisor;
    const std::int64_t r = numerator % divisor;
    const std::int64_t twice = r >= 0 ? r * 2 : -r * 2;
    if (twice > divisor || (twice == divisor && q % 2 != 0)) return q + (numerator < 0 ? -1 : 1);
    return q;
}

std::int64_t Money::whole_half_even() const
{
    return round_half_even(units_, kScale);
}

std::optional<Money> Money::from_whole(std::int64_t whole)
{
    if (whole > kMaxUnits / kScale || whole < -kMaxUnits / kScale) return std::nullopt;
    return Money(whole * kScale);
}

Money Money::from_double(double value)
{
    if (!std::isfinite(value)) return Money();
    const double scaled = value * kScale;
    if (scaled >= static_cast<double>(kMaxUnits)) return Money(kMaxUnits);
    if (scaled <= -static_cast<double>(kMaxUnits)) return Money(-kMaxUnits);
    // The shortest decimal text of the double is the value the user or the file meant: 2.675 is
    // 2.67499999... in binary, but was written 2,675.
    const QString shortest = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (const std::optional<Money> exact = parse(shortest, u'.')) return *exact;
    return Money(std::llround(scaled));
}

std::optional<Money> Money::parse(QStringView text, QChar decimal_separator)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    // Scientific notation ("1e-05") comes from the shortest form of tiny doubles.
    int exponent = 0;
    if (const qsizetype e = text.indexOf(u'e', 0, Qt::CaseInsensitive); e >= 0) {
        bool ok = false;
        exponent = text.mid(e + 1).toInt(&ok);
        if (!ok || exponent < -30 || exponent > 30) return std::nullopt;
        text = text.left(e);
    }
    QString digits;
    int decimals = 0;
    bool separator = false;
    for (const QChar c : text) {
        if (c == decimal_separator && !separator) {
            separator = true;
        } else if (c >= u'0' && c <= u'9') {
            digits += c;
            if (separator) ++decimals;
        } else {
            return std::nullopt;
        }
    }
    if (digits.isEmpty()) return std::nullopt;
    decimals -= exponent;
    // Digits beyond the fifth decimal cannot change the rounding to four: a fifth of 5 or more
    // already rounds away from zero.
    while (decimals > 5) {
        digits.chop(1);
        --decimals;
        if (digits.isEmpty()) digits = u"0"_s;
    }
    while (decimals < 0) {
        digits += u'0';
        ++decimals;
    }
    // Leading zeros do not count towards the range.
    qsizetype first = 0;
    while (first < digits.size() - 1 && digits[first] == u'0')
        ++first;
    if (digits.size() - first > 18) return std::nullopt;
    std::int64_t value = digits.mid(first).toLongLong();
    // value is in units of 10^-decimals; bring it to ten-thousandths.
    std::int64_t units;
    if (decimals <= 4) {
        if (value > kMaxUnits / kPow10[4 - decimals]) return std::nullopt;
        units = value * kPow10[4 - decimals];
    } else {
        units = value / 10 + (value % 10 >= 5 ? 1 : 0); // the magnitude: a half goes away from zero
    }
    if (units > kMaxUnits) return std::nullopt;
    return Money(negative ? -units : units);
}

Money Money::rounded(int decimals) const
{
    if (decimals >= 4) return *this;
    if (decimals < 0) decimals = 0;
    const std::int64_t step = kPow10[4 - decimals];
    return Money(round_half_away(units_, step) * step);
}

QString Money::format(int decimals, QChar decimal_separator) const
{
    if (decimals < 0) decimals = 0;
    if (decimals > 4) decimals = 4;
    const std::int64_t step = kPow10[4 - decimals];
    const std::int64_t scaled = round_half_away(units_, step); // in units of 10^-decimals
    const std::uint64_t magnitude =
        scaled < 0 ? static_cast<std::uint64_t>(-scaled) : static_cast<std::uint64_t>(scaled);
    QString out = scaled < 0 ? u"-"_s : QString();
    const std::uint64_t unit = static_cast<std::uint64_t>(kPow10[decimals]);
    out += QString::number(magnitude / unit);
    if (decimals > 0) {
        out += decimal_separator;
        out += QString::number(magnitude % unit).rightJustified(decimals, u'0');
    }
    return out;
}

QString Money::shortest(QChar decimal_separator) const
{
    QString out = format(4, decimal_separator);
    while (out.endsWith(u'0') && out.contains(decimal_separator))
        out.chop(1);
    if (out.endsWith(decimal_separator)) out.chop(1);
    return out;
}

Money operator*(Money a, Money b)
{
    const Wide product = static_cast<Wide>(a.units_) * b.units_;
    const Wide scale = Money::kScale;
    Wide q = product / scale;
    const Wide r = product % scale;
    if (r >= 0 ? r * 2 >= scale : -r * 2 >= scale) q += product < 0 ? -1 : 1;
    if (q > kMaxUnits || q < -kMaxUnits) Money::beyond_limit();
    return Money(static_cast<std::int64_t>(q));
}
