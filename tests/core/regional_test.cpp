#include "core/regional.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

Regional with(QChar decimal, QChar date, const QString& format)
{
    Regional r;
    r.decimal_separator = decimal;
    r.date_separator = date;
    r.short_date_format = format;
    return r;
}

} // namespace

TEST(Regional, numbers_follow_the_decimal_separator)
{
    const Regional br = Regional::brazil();
    const Regional us = with(u'.', u'/', u"M/d/yyyy"_s);
    struct Case {
        const Regional& r;
        QString text;
        std::optional<double> expected;
    } cases[] = {
        {br, u"1500"_s, 1500.0},        {br, u"12,5"_s, 12.5},         {br, u" -3,25 "_s, -3.25},
        {br, u"12.5"_s, std::nullopt},  {br, u"NULL"_s, std::nullopt}, {br, u""_s, std::nullopt},
        {br, u"1,2,3"_s, std::nullopt}, {us, u"12.5"_s, 12.5},         {us, u"12,5"_s, std::nullopt},
        {br, u","_s, std::nullopt},     {br, u"1e3"_s, 1000.0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.r.to_number(c.text), c.expected) << c.text.toStdString();
}

TEST(Regional, dates_follow_the_short_format_and_separator)
{
    const Regional br = Regional::brazil();
    const Regional us = with(u'.', u'-', u"M-d-yy"_s);
    EXPECT_EQ(br.to_date(u"31/12/2026"), QDate(2026, 12, 31));
    EXPECT_EQ(br.to_date(u"1/2/26"), QDate(2026, 2, 1));
    EXPECT_EQ(br.to_date(u"30/02/2026"), std::nullopt);
    EXPECT_EQ(br.to_date(u"2026-12-31"), std::nullopt);
    EXPECT_EQ(us.to_date(u"12-31-2026"), QDate(2026, 12, 31));
    EXPECT_EQ(us.to_date(u"12/31/2026"), std::nullopt);
}

TEST(Regional, formats_use_the_regional_separators)
{
    const Regional br = Regional::brazil();
    const Regional dot = with(u'.', u'-', u"dd-MM-yyyy"_s);
    EXPECT_EQ(br.format_fixed(1500, 2), u"1500,00"_s);
    EXPECT_EQ(dot.format_fixed(2.005, 2), u"2.00"_s);
    EXPECT_EQ(br.format_fixed(-0.001, 2), u"0,00"_s);
    EXPECT_EQ(br.format_date(QDate(2026, 3, 7), u"MM/dd/yyyy"_s), u"03/07/2026"_s);
    EXPECT_EQ(dot.format_date(QDate(2026, 3, 7), u"MM/dd/yyyy"_s), u"03-07-2026"_s);
}

TEST(Regional, from_locale_reads_separators)
{
    const Regional br = Regional::from_locale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    EXPECT_EQ(br.decimal_separator, u',');
    EXPECT_EQ(br.date_separator, u'/');
    EXPECT_EQ(br.to_date(u"07/03/2026"), QDate(2026, 3, 7));
    const Regional de = Regional::from_locale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(de.date_separator, u'.');
}
