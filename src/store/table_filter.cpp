#include "table_filter.h"

#include "core/errors.h"
#include "core/money.h"
#include "core/text.h"

using namespace Qt::StringLiterals;

namespace table_storage {

namespace {

// Salespeople type without accents: a search compares letters without their accent. The letters
// of Latin-1 (UTF-8 C3 80 to C3 BF) fold to their base letter of the same case; every other byte is
// compared as it is, so the case still counts (the search fields type capitals, as the names are).
constexpr char kLatin1Base[64 + 1] = "AAAAAAACEEEEIIIIDNOOOOO\xd7OUUUUYTsaaaaaaaceeeeiiiidnooooo\xf7ouuuuyty";

// The folded byte at text[i], and how many bytes of text it takes.
inline std::pair<char, std::size_t> folded_at(std::string_view text, std::size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0xC3 && i + 1 < text.size()) {
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if (next >= 0x80 && next <= 0xBF) return {kLatin1Base[next - 0x80], 2};
    }
    return {static_cast<char>(c), 1};
}

void fold_into(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto [c, taken] = folded_at(text, i);
        out += c;
        i += taken;
    }
}

std::string folded(std::string_view text)
{
    std::string out;
    fold_into(text, out);
    return out;
}

// Whether folded text starts with the folded prefix, folding only as far as needed; `end` gets
// where the prefix ends in text.
bool starts_folded(std::string_view text, std::string_view prefix, std::size_t& end)
{
    std::size_t i = 0;
    for (const char wanted : prefix) {
        if (i >= text.size()) return false;
        const auto [c, taken] = folded_at(text, i);
        if (c != wanted) return false;
        i += taken;
    }
    end = i;
    return true;
}

// pieces are folded already (read_filter).
bool like_match(std::string_view text, const std::vector<std::string>& pieces)
{
    std::size_t prefix_end = 0;
    if (!starts_folded(text, pieces.front(), prefix_end)) return false;
    if (pieces.size() == 1) return prefix_end == text.size();
    // The common search, a prefix and '%', ends here without folding the rest of the text.
    if (pieces.size() == 2 && pieces.back().empty()) return true;
    // One buffer for every row a filter tests: no allocation per row.
    thread_local std::string rest;
    fold_into(text.substr(prefix_end), rest);
    std::size_t pos = 0;
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
        const std::size_t found = rest.find(pieces[i], pos);
        if (found == std::string::npos) return false;
        pos = found + pieces[i].size();
    }
    const std::string& last = pieces.back();
    return rest.size() - pos >= last.size() && std::string_view(rest).ends_with(last);
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
        filter.pieces.push_back(folded(utf8(piece.toString())));
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
