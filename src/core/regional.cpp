#include "regional.h"

#include <QRegularExpression>

#include <cmath>

using namespace Qt::StringLiterals;

Regional Regional::from_locale(const QLocale& locale)
{
    Regional r;
    r.decimal_separator = locale.decimalPoint().isEmpty() ? u'.' : locale.decimalPoint().front();
    r.short_date_format = locale.dateFormat(QLocale::ShortFormat);
    for (QChar c : std::as_const(r.short_date_format)) {
        if (!c.isLetter()) {
            r.date_separator = c;
            break;
        }
    }
    return r;
}

Regional Regional::system()
{
    return from_locale(QLocale::system());
}

Regional Regional::brazil()
{
    return Regional{};
}

std::optional<double> Regional::to_number(QStringView text) const
{
    const QStringView t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    QString c;
    c.reserve(t.size());
    int i = 0;
    if (t[0] == u'+' || t[0] == u'-') c += t[i++];
    bool digits = false, point = false;
    for (; i < t.size(); ++i) {
        const QChar ch = t[i];
        if (ch.isDigit() && ch.unicode() < 128) {
            c += ch;
            digits = true;
        } else if (ch == decimal_separator && !point) {
            c += u'.';
            point = true;
        } else if ((ch == u'e' || ch == u'E') && digits) {
            c += t.mid(i).toString();
            break;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    bool ok = false;
    const double v = c.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<qint64> Regional::to_integer(QStringView text) const
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok, 10);
    if (!ok) return std::nullopt;
    return v;
}

std::optional<QDate> Regional::to_date(QStringView text) const
{
    // Order of the three parts from the format's letters.
    QString order;
    for (QChar c : std::as_const(short_date_format)) {
        const QChar l = c.toLower();
        if ((l == u'd' || l == u'm' || l == u'y') && !order.contains(l)) order += l;
    }
    if (order.size() != 3) order = u"dmy"_s;
    const QList<QStringView> parts = text.trimmed().split(date_separator);
    if (parts.size() != 3) return std::nullopt;
    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i) {
        const QStringView p = parts[i];
        if (p.isEmpty() || p.size() > 4) return std::nullopt;
        for (QChar c : p)
            if (!(c >= u'0' && c <= u'9')) return std::nullopt;
        const int v = p.toInt();
        switch (order[i].unicode()) {
        case 'd':
            day = v;
            break;
        case 'm':
            month = v;
            break;
        default:
            year = v;
            if (p.size() <= 2) year += year < 50 ? 2000 : 1900;
        }
    }
    const QDate d(year, month, day);
    if (!d.isValid()) return std::nullopt;
    return d;
}

QString Regional::format_fixed(double value, int decimals) const
{
    QString s = QString::number(value, 'f', decimals);
    if (s.startsWith(u'-') && s.size() > 1) {
        bool zero = true;
        for (QChar c : QStringView(s).mid(1))
            if (c != u'0' && c != u'.') zero = false;
        if (zero) s.remove(0, 1);
    }
    s.replace(u'.', decimal_separator);
    return s;
}

QString Regional::format_money(Money value, int decimals) const
{
    return value.format(decimals, decimal_separator);
}

QString Regional::format_date(const QDate& date, const QString& pattern_with_slashes) const
{
    QString s = QLocale::c().toString(date, pattern_with_slashes);
    s.replace(u'/', date_separator);
    return s;
}
