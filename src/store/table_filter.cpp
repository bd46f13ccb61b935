#include "table_filter.h"

#include "core/errors.h"
#include "core/money.h"
#include "core/text.h"

using namespace Qt::StringLiterals;

namespace table_storage {

namespace {

bool like_match(std::string_view text, const std::vector<std::string>& pieces)
{
    if (pieces.size() == 1) return text == pieces.front();
    if (!text.starts_with(pieces.front())) return false;
    std::size_t pos = pieces.front().size();
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
        const std::size_t found = text.find(pieces[i], pos);
        if (found == std::string_view::npos) return false;
        pos = found + pieces[i].size();
    }
    const std::string& last = pieces.back();
    return text.size() - pos >= last.size() && text.ends_with(last);
}

} // namespace

int field_named(const std::vector<FieldDef>& fields, QStringView name)
{
    for (std::size_t f = 0; f < fields.size(); ++f)
        if (QStringView(fields[f].name).compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(f);
    return -1;
}

TableFilter read_filter(const QString& expression, const std::vector<FieldDef>& fields, const QString& table)
{
    const auto fail = [&]() -> TableFilter {
        throw ConversionError(
            u"Não foi possível aplicar o filtro \"%1\" à tabela %2."_s.arg(expression, table));
    };
    QStringView e = QStringView(expression).trimmed();
    qsizetype i = 0;
    while (i < e.size() && (e[i].isLetterOrNumber() || e[i] == u'_'))
        ++i;
    TableFilter filter;
    filter.field = field_named(fields, e.first(i));
    if (i == 0 || filter.field < 0) return fail();
    QStringView rest = e.mid(i).trimmed();
    const FieldType type = fields[filter.field].type;
    if (rest.startsWith(u'=')) {
        const QStringView digits = rest.mid(1).trimmed();
        bool ok = !digits.isEmpty() && is_number_type(type);
        for (qsizetype k = 0; ok && k < digits.size(); ++k)
            ok = (digits[k] >= u'0' && digits[k] <= u'9') ||
                 (k == 0 && (digits[k] == u'-' || digits[k] == u'+'));
        if (ok) filter.number = digits.toLongLong(&ok);
        if (!ok) return fail();
        return filter;
    }
    if (!rest.startsWith(u"LIKE", Qt::CaseInsensitive) || type != FieldType::String) return fail();
    rest = rest.mid(4).trimmed();
    if (!rest.startsWith(u'\'')) return fail();
    QString pattern;
    qsizetype k = 1;
    for (;; ++k) {
        if (k >= rest.size()) return fail();
        if (rest[k] == u'\'') {
            if (k + 1 < rest.size() && rest[k + 1] == u'\'') {
                pattern += u'\'';
                ++k;
                continue;
            }
            break;
        }
        pattern += rest[k];
    }
    if (!rest.mid(k + 1).trimmed().isEmpty()) return fail();
    filter.like = true;
    for (QStringView piece : QStringView(pattern).split(u'%'))
        filter.pieces.push_back(utf8(piece.toString()));
    return filter;
}

bool filter_passes(const TableFilter& filter, FieldType type, const CellView& cell)
{
    if (filter.like) return like_match(cell.s, filter.pieces);
    if (cell.null) return false;
    if (type == FieldType::Integer) return cell.i == filter.number;
    if (type == FieldType::Currency) {
        const std::optional<Money> whole = Money::from_whole(filter.number);
        return whole && cell.m == whole->units();
    }
    return cell.d == static_cast<double>(filter.number);
}

} // namespace table_storage
