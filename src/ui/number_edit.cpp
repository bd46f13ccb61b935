#include "number_edit.h"

#include "core/errors.h"
#include "ui/look.h"

#include <QAction>
#include <QCalendarWidget>
#include <QMenu>
#include <QRegularExpressionValidator>
#include <QWidgetAction>

#include <cmath>

using namespace Qt::StringLiterals;

NumberEdit::NumberEdit(QWidget* parent) : QLineEdit(parent)
{
    set_format(Regional::brazil(), 0);
    // Other text replaces the value set; leaving the edit shows the typed number in the format.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (value_ && text != shown(*value_)) value_.reset();
        if (money_ && text != regional_.format_money(*money_, decimals_)) money_.reset();
    });
    connect(this, &QLineEdit::editingFinished, this, [this] {
        if (!value_ && !money_ && regional_.to_number(text())) show_value();
    });
}

void NumberEdit::set_format(const Regional& regional, int decimals)
{
    regional_ = regional;
    decimals_ = decimals;
    QString pattern = u"-?[0-9]*"_s;
    if (decimals > 0) pattern += u"(\\"_s + regional.decimal_separator + u"[0-9]*)?"_s;
    setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
}

Money NumberEdit::money() const
{
    if (money_) return *money_;
    if (value_) return Money::from_double(*value_);
    if (text().trimmed().isEmpty()) return {};
    const std::optional<Money> typed = Money::parse(text(), regional_.decimal_separator);
    if (!typed) throw ConversionError(u"\"%1\" não é um número válido (%2)."_s.arg(text(), accessibleName()));
    return *typed;
}

void NumberEdit::set_money(Money value)
{
    value_.reset();
    money_ = value;
    setText(regional_.format_money(value, decimals_));
}

double NumberEdit::value() const
{
    if (value_) return *value_;
    if (money_) return money_->to_double();
    if (text().trimmed().isEmpty()) return 0;
    const std::optional<double> typed = regional_.to_number(text());
    if (!typed) throw ConversionError(u"\"%1\" não é um número válido (%2)."_s.arg(text(), accessibleName()));
    return *typed;
}

void NumberEdit::set_value(double value)
{
    money_.reset();
    value_ = value;
    setText(shown(value));
}

QString NumberEdit::shown(double value) const
{
    // Terms in days show as they always have; an edit with decimals shows an amount.
    if (decimals_ == 0) return regional_.format_fixed(value, 0);
    return regional_.format_money(Money::from_double(value), decimals_);
}

void NumberEdit::show_value()
{
    if (decimals_ == 0) {
        const double typed = value();
        setText(shown(typed));
        value_ = typed;
        return;
    }
    const Money typed = money();
    setText(regional_.format_money(typed, decimals_));
    money_ = typed;
}

DateEdit::DateEdit(QWidget* parent) : QLineEdit(parent)
{
    calendar_ = addAction(picture(u"calendario"_s), QLineEdit::TrailingPosition);
    calendar_->setObjectName(u"actCalendario"_s);
    calendar_->setToolTip(u"Calendário"_s);
    connect(calendar_, &QAction::triggered, this, &DateEdit::pick_date);
    set_format(Regional::brazil());
}

void DateEdit::set_format(const Regional& regional)
{
    regional_ = regional;
    QList<std::pair<qsizetype, QString>> parts;
    for (const auto& [letter, part] :
         {std::pair{u'd', u"dd"_s}, std::pair{u'M', u"MM"_s}, std::pair{u'y', u"yyyy"_s}})
        parts.append({regional.short_date_format.indexOf(letter), part});
    std::sort(parts.begin(), parts.end());
    pattern_ = parts[0].second + u'/' + parts[1].second + u'/' + parts[2].second;
    QString mask = pattern_;
    for (QChar& c : mask)
        c = c == u'/' ? regional.date_separator : u'9';
    // The separator stands for itself in the mask.
    mask.replace(QString(regional.date_separator), u"\\"_s + regional.date_separator);
    setInputMask(mask + u"; "_s);
}

QDate DateEdit::date() const
{
    const QString shown = displayText();
    QString digits;
    for (QChar c : shown)
        if (c.isDigit()) digits += c;
    if (digits.isEmpty()) return {};
    QString letters = pattern_;
    letters.remove(u'/');
    const QDate d = QLocale::c().toDate(digits, letters);
    if (!d.isValid())
        throw ConversionError(u"\"%1\" não é uma data válida (%2)."_s.arg(shown, accessibleName()));
    return d;
}

void DateEdit::set_date(const QDate& date)
{
    if (!date.isValid()) {
        clear();
        return;
    }
    setText(regional_.format_date(date, pattern_));
}

void DateEdit::pick_date()
{
    QMenu popup(this);
    auto* calendar = new QCalendarWidget(&popup);
    calendar->setObjectName(u"calDtaEntrega"_s);
    try {
        const QDate current = date();
        if (current.isValid()) calendar->setSelectedDate(current);
    } catch (const ConversionError&) {
    }
    auto* holder = new QWidgetAction(&popup);
    holder->setDefaultWidget(calendar);
    popup.addAction(holder);
    connect(calendar, &QCalendarWidget::clicked, &popup, [&](const QDate& chosen) {
        set_date(chosen);
        popup.close();
    });
    popup.exec(mapToGlobal(QPoint(width() - popup.sizeHint().width(), height())));
}
