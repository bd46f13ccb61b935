#pragma once

#include "core/money.h"

#include <QChar>
#include <QDate>
#include <QLocale>
#include <QString>

#include <optional>

// The regional settings the system converts with: decimal separator, date separator and short date
// format. Built from the system locale in main; tests build their own.
struct Regional {
    QChar decimal_separator = u',';
    QChar date_separator = u'/';
    // Order of day, month and year in a short date, as a Qt pattern ("dd/MM/yyyy", "M/d/yy").
    QString short_date_format = QStringLiteral("dd/MM/yyyy");

    static Regional from_locale(const QLocale& locale);
    static Regional system();
    // The Brazilian settings, which the tests use.
    static Regional brazil();

    // A decimal number with this decimal separator (no thousands separators), blanks around it
    // allowed; nullopt when the text is not such a number.
    std::optional<double> to_number(QStringView text) const;
    // A whole number, blanks around it allowed.
    std::optional<qint64> to_integer(QStringView text) const;
    // A date in the short date format's order of day, month and year, separated by the date
    // separator; a two-digit year falls in 1950..2049.
    std::optional<QDate> to_date(QStringView text) const;

    // An amount with a fixed number of decimals (0 to 4) and this decimal separator ("0.00": 1500 ->
    // "1500,00"), a half rounded away from zero on the decimal value (2,675 -> "2,68").
    QString format_money(Money value, int decimals) const;
    // A number that is no amount (a term in days), rounded from its binary value.
    QString format_fixed(double value, int decimals) const;
    // date as day, month, year in the given order letters ("dd/MM/yyyy", "MM/dd/yyyy"), with the
    // date separator standing for every '/'.
    QString format_date(const QDate& date, const QString& pattern_with_slashes) const;
};
