#pragma once

#include "core/regional.h"

#include <QDate>
#include <QLineEdit>

#include <optional>

// A numeric edit: typed with the regional decimal separator, shown with a fixed number of
// decimals ("0" or "0.00") when set or left. A value set by code is kept exactly, so a running
// total does not drift with what it shows. An edit with decimals holds an amount: it shows as
// Money does, a half rounded away from zero.
class NumberEdit : public QLineEdit {
public:
    explicit NumberEdit(QWidget* parent = nullptr);

    void set_format(const Regional& regional, int decimals);
    // The amount set, or the typed text read exactly (more than four decimals rounded); zero for an
    // empty edit; raises ConversionError for text that is no number.
    Money money() const;
    void set_money(Money value);
    // 0 for an empty edit; raises ConversionError for text that is no number.
    double value() const;
    void set_value(double value);

private:
    QString shown(double value) const;
    void show_value();

    Regional regional_;
    int decimals_ = 0;
    std::optional<double> value_;
    std::optional<Money> money_;
};

// A date edit on a mask of the regional order of day, month and year ("  /  /    " when empty),
// with a calendar button inside it.
class DateEdit : public QLineEdit {
public:
    explicit DateEdit(QWidget* parent = nullptr);

    void set_format(const Regional& regional);
    // Invalid when the edit is empty; raises ConversionError when it holds no whole date.
    QDate date() const;
    void set_date(const QDate& date);
    QAction* calendar() const { return calendar_; }

private:
    void pick_date();

    Regional regional_;
    // Day, month and year letters in the regional order, '/' between them ("dd/MM/yyyy").
    QString pattern_ = QStringLiteral("dd/MM/yyyy");
    QAction* calendar_ = nullptr;
};
