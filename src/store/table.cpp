#include "table.h"

#include "core/errors.h"
#include "core/text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <string>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint32_t no_row = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t null_length = std::numeric_limits<std::uint32_t>::max();

// One column, held compactly: numbers in plain vectors, text as UTF-8 in one arena per column.
struct Column {
    std::vector<std::int32_t> ints; // integer values, dates as Julian days
    std::vector<double> reals;
    std::vector<std::uint8_t> nulls;
    std::string arena;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> lengths; // null_length for null
    std::size_t garbage = 0;
};

// A cell of the row buffer.
struct Cell {
    bool null = true;
    std::int32_t i = 0;
    double d = 0;
    std::string s;
};

struct CellView {
    bool null = true;
    std::int32_t i = 0;
    double d = 0;
    std::string_view s;
};

QString type_name(FieldType type)
{
    switch (type) {
    case FieldType::Integer:
        return u"número inteiro"_s;
    case FieldType::Float:
        return u"número"_s;
    case FieldType::Currency:
        return u"valor monetário"_s;
    case FieldType::Date:
        return u"data"_s;
    case FieldType::String:
        break;
    }
    return u"texto"_s;
}

bool is_number_type(FieldType type)
{
    return type == FieldType::Integer || type == FieldType::Float || type == FieldType::Currency;
}

double round4(double v)
{
    return std::nearbyint(v * 10000.0) / 10000.0;
}

// Cuts UTF-8 text to its first n characters (n <= 0: no limit).
std::string_view cut_utf8(std::string_view s, int n)
{
    if (n <= 0 || s.size() <= static_cast<std::size_t>(n)) return s;
    int count = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (count == n) return s.substr(0, i);
            ++count;
        }
    }
    return s;
}

QStringView cut_utf16(QStringView s, int n)
{
    if (n <= 0 || s.size() <= n) return s;
    int count = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (count == n) return s.first(i);
        ++count;
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ++i;
    }
    return s;
}

std::uint64_t mix(std::uint64_t x)
{
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

// Filter expressions: "field = <whole number>" and "field LIKE '<pattern>'".
struct Filter {
    int field = -1;
    bool like = false;
    qint64 number = 0;
    // The pattern split at every '%': the first piece is a prefix, the last a suffix.
    std::vector<std::string> pieces;
};

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

// A hash index on a set of fields. Open addressing over the distinct keys; rows sharing a key are
// linked in row order, so the head of a key is always its first row.
struct Index {
    struct Entry {
        std::uint32_t hash = 0;
        std::uint32_t head = no_row;
        std::uint32_t tail = no_row;
    };
    std::vector<int> fields;
    std::vector<Entry> entries = std::vector<Entry>(16);
    std::size_t used = 0;
    std::vector<std::uint32_t> next;
    std::vector<std::uint32_t> prev;
};

} // namespace

struct Table::Impl {
    Table* q = nullptr;
    QString name;
    std::vector<FieldDef> fields;
    Regional regional;
    std::vector<Column> columns;

    std::uint32_t rows = 0; // rows ever stored since the last empty(), deleted ones included
    std::vector<std::uint8_t> deleted;
    std::vector<std::uint32_t> visible; // visible rows, ascending (row order)

    bool is_open = false;
    State state = State::Browse;
    std::vector<Cell> buffer;
    std::uint32_t current = no_row;
    std::uint32_t current_before_insert = no_row;
    bool at_eof = false;

    QString filter_text;
    bool filtered = false;
    std::optional<Filter> active;

    std::vector<std::unique_ptr<Index>> indexes;
    QString last_locate_fields;
    Index* last_locate_index = nullptr;

    // --- cells -------------------------------------------------------------------------------

    CellView stored(int f, std::uint32_t row) const
    {
        const Column& c = columns[f];
        CellView v;
        switch (fields[f].type) {
        case FieldType::Integer:
        case FieldType::Date:
            v.null = c.nulls[row] != 0;
            v.i = c.ints[row];
            break;
        case FieldType::Float:
        case FieldType::Currency:
            v.null = c.nulls[row] != 0;
            v.d = c.reals[row];
            break;
        case FieldType::String:
            v.null = c.lengths[row] == null_length;
            if (!v.null) v.s = std::string_view(c.arena).substr(c.offsets[row], c.lengths[row]);
            break;
        }
        return v;
    }

    static CellView view(const Cell& c) { return CellView{c.null, c.i, c.d, c.s}; }

    CellView read(int f) const
    {
        check_field(f);
        if (state != State::Browse) return view(buffer[f]);
        if (current == no_row) return {};
        return stored(f, current);
    }

    void check_field(int f) const
    {
        if (f < 0 || f >= static_cast<int>(fields.size()))
            throw Error(u"Campo inexistente na tabela %1 (índice %2)."_s.arg(name).arg(f));
    }

    Cell& writable(int f)
    {
        check_field(f);
        if (state == State::Browse)
            throw Error(u"A tabela %1 não está em inclusão nem em edição."_s.arg(name));
        return buffer[f];
    }

    [[noreturn]] void bad_value(int f, const QString& value) const
    {
        throw ConversionError(u"\"%1\" não é um valor válido para o campo %2 (%3)."_s.arg(
            value, fields[f].name, type_name(fields[f].type)));
    }

    [[noreturn]] void bad_type(int f, const QString& what) const
    {
        throw ConversionError(u"O campo %1 (%2) não pode ser lido ou escrito como %3."_s.arg(
            fields[f].name, type_name(fields[f].type), what));
    }

    std::int32_t to_int32(int f, double v, const QString& shown) const
    {
        const double r = std::nearbyint(v);
        if (!std::isfinite(r) || r < std::numeric_limits<std::int32_t>::min() ||
            r > std::numeric_limits<std::int32_t>::max())
            bad_value(f, shown);
        return static_cast<std::int32_t>(r);
    }

    std::int32_t to_julian(int f, const QDate& date) const
    {
        const qint64 day = date.toJulianDay();
        if (day < std::numeric_limits<std::int32_t>::min() || day > std::numeric_limits<std::int32_t>::max())
            bad_value(f, date.toString(Qt::ISODate));
        return static_cast<std::int32_t>(day);
    }

    QString number_text(double v) const
    {
        QString s = QString::number(v, 'g', 15);
        s.replace(u'.', regional.decimal_separator);
        return s;
    }

    // Text into a field of any type other than string, with the regional settings.
    void convert_text(int f, Cell& cell, QStringView text) const
    {
        if (text.isEmpty()) {
            cell.null = true;
            return;
        }
        switch (fields[f].type) {
        case FieldType::Integer: {
            const std::optional<qint64> v = regional.to_integer(text);
            if (!v || *v < std::numeric_limits<std::int32_t>::min() ||
                *v > std::numeric_limits<std::int32_t>::max())
                bad_value(f, text.toString());
            cell.i = static_cast<std::int32_t>(*v);
            break;
        }
        case FieldType::Float:
        case FieldType::Currency: {
            const std::optional<double> v = regional.to_number(text);
            if (!v) bad_value(f, text.toString());
            cell.d = fields[f].type == FieldType::Currency ? round4(*v) : *v;
            if (!std::isfinite(cell.d)) bad_value(f, text.toString());
            break;
        }
        case FieldType::Date: {
            const std::optional<QDate> v = regional.to_date(text);
            if (!v) bad_value(f, text.toString());
            cell.i = to_julian(f, *v);
            break;
        }
        case FieldType::String:
            break;
        }
        cell.null = false;
    }

    QString text_of(int f, const CellView& v) const
    {
        if (v.null) return {};
        switch (fields[f].type) {
        case FieldType::Integer:
            return QString::number(v.i);
        case FieldType::Float:
        case FieldType::Currency:
            return number_text(v.d);
        case FieldType::Date:
            return regional.format_date(QDate::fromJulianDay(v.i), regional.short_date_format);
        case FieldType::String:
            break;
        }
        return qs(v.s);
    }

    double number_of(int f, const CellView& v, bool currency) const
    {
        if (v.null) return 0;
        switch (fields[f].type) {
        case FieldType::Integer:
            return v.i;
        case FieldType::Float:
        case FieldType::Currency:
            return currency ? round4(v.d) : v.d;
        case FieldType::String: {
            const QString text = qs(v.s);
            const std::optional<double> n = regional.to_number(text);
            if (!n)
                throw ConversionError(
                    u"\"%1\" não é um número válido (campo %2)."_s.arg(text, fields[f].name));
            return currency ? round4(*n) : *n;
        }
        case FieldType::Date:
            break;
        }
        bad_type(f, currency ? u"valor monetário"_s : u"número"_s);
    }

    // --- storing -----------------------------------------------------------------------------

    void store_string(Column& c, std::uint32_t row, const Cell& cell, bool fresh)
    {
        const std::size_t size = cell.null ? 0 : cell.s.size();
        if (fresh) {
            if (c.arena.size() + size > null_length - 1)
                throw Error(u"A tabela %1 excedeu o tamanho máximo de texto."_s.arg(name));
            c.offsets.push_back(static_cast<std::uint32_t>(c.arena.size()));
            c.lengths.push_back(cell.null ? null_length : static_cast<std::uint32_t>(size));
            c.arena.append(cell.s.data(), size);
            return;
        }
        const std::uint32_t old = c.lengths[row] == null_length ? 0 : c.lengths[row];
        if (size <= old) {
            std::memcpy(c.arena.data() + c.offsets[row], cell.s.data(), size);
            c.garbage += old - size;
        } else {
            if (c.arena.size() + size > null_length - 1)
                throw Error(u"A tabela %1 excedeu o tamanho máximo de texto."_s.arg(name));
            c.garbage += old;
            c.offsets[row] = static_cast<std::uint32_t>(c.arena.size());
            c.arena.append(cell.s.data(), size);
        }
        c.lengths[row] = cell.null ? null_length : static_cast<std::uint32_t>(size);
        if (c.garbage > (1u << 20) && c.garbage > c.arena.size() / 2) compact(c);
    }

    // Rewrites an arena without the text of overwritten and deleted cells.
    void compact(Column& c)
    {
        std::string fresh;
        fresh.reserve(c.arena.size() - c.garbage);
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint32_t n = c.lengths[r];
            if (n == null_length || deleted[r]) {
                c.offsets[r] = static_cast<std::uint32_t>(fresh.size());
                c.lengths[r] = null_length;
                continue;
            }
            const std::uint32_t at = static_cast<std::uint32_t>(fresh.size());
            fresh.append(c.arena, c.offsets[r], n);
            c.offsets[r] = at;
        }
        c.arena = std::move(fresh);
        c.garbage = 0;
    }

    void store(std::uint32_t row, bool fresh)
    {
        for (std::size_t f = 0; f < fields.size(); ++f) {
            Column& c = columns[f];
            const Cell& cell = buffer[f];
            switch (fields[f].type) {
            case FieldType::Integer:
            case FieldType::Date:
                if (fresh) {
                    c.ints.push_back(cell.null ? 0 : cell.i);
                    c.nulls.push_back(cell.null);
                } else {
                    c.ints[row] = cell.null ? 0 : cell.i;
                    c.nulls[row] = cell.null;
                }
                break;
            case FieldType::Float:
            case FieldType::Currency:
                if (fresh) {
                    c.reals.push_back(cell.null ? 0 : cell.d);
                    c.nulls.push_back(cell.null);
                } else {
                    c.reals[row] = cell.null ? 0 : cell.d;
                    c.nulls[row] = cell.null;
                }
                break;
            case FieldType::String:
                store_string(c, row, cell, fresh);
                break;
            }
        }
    }

    void load_buffer(std::uint32_t row)
    {
        for (std::size_t f = 0; f < fields.size(); ++f) {
            const CellView v = stored(static_cast<int>(f), row);
            Cell& c = buffer[f];
            c.null = v.null;
            c.i = v.i;
            c.d = v.d;
            c.s.assign(v.s);
        }
    }

    void clear_buffer()
    {
        for (Cell& c : buffer) {
            c.null = true;
            c.i = 0;
            c.d = 0;
            c.s.clear();
        }
    }

    // --- keys and indexes --------------------------------------------------------------------

    static std::uint64_t cell_hash(FieldType type, const CellView& v)
    {
        if (type == FieldType::String) return std::hash<std::string_view>{}(v.s);
        if (v.null) return 0x5bd1e995;
        if (type == FieldType::Float || type == FieldType::Currency) {
            const double d = v.d == 0 ? 0.0 : v.d;
            std::uint64_t bits = 0;
            std::memcpy(&bits, &d, sizeof bits);
            return mix(bits);
        }
        return mix(static_cast<std::uint32_t>(v.i) + 1);
    }

    static bool cell_equal(FieldType type, const CellView& a, const CellView& b)
    {
        // Null text and empty text are the same key: both read as empty text.
        if (type == FieldType::String) return a.s == b.s;
        if (a.null || b.null) return a.null == b.null;
        if (type == FieldType::Float || type == FieldType::Currency) return a.d == b.d;
        return a.i == b.i;
    }

    template <typename Get> std::uint32_t key_hash(const Index& ix, Get get) const
    {
        std::uint64_t h = 0x9E3779B97F4A7C15ULL;
        for (std::size_t k = 0; k < ix.fields.size(); ++k)
            h = mix(h ^ cell_hash(fields[ix.fields[k]].type, get(k)));
        return static_cast<std::uint32_t>(h ^ (h >> 32));
    }

    std::uint32_t row_hash(const Index& ix, std::uint32_t row) const
    {
        return key_hash(ix, [&](std::size_t k) { return stored(ix.fields[k], row); });
    }

    bool rows_equal(const Index& ix, std::uint32_t a, std::uint32_t b) const
    {
        for (int f : ix.fields)
            if (!cell_equal(fields[f].type, stored(f, a), stored(f, b))) return false;
        return true;
    }

    template <typename Equal> std::size_t find_slot(const Index& ix, std::uint32_t hash, Equal equal) const
    {
        const std::size_t mask = ix.entries.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Index::Entry& e = ix.entries[i];
            if (e.head == no_row || (e.hash == hash && equal(e.head))) return i;
        }
    }

    void grow(Index& ix)
    {
        std::vector<Index::Entry> old(ix.entries.size() * 2);
        old.swap(ix.entries);
        const std::size_t mask = ix.entries.size() - 1;
        for (const Index::Entry& e : old) {
            if (e.head == no_row) continue;
            std::size_t i = e.hash & mask;
            while (ix.entries[i].head != no_row)
                i = (i + 1) & mask;
            ix.entries[i] = e;
        }
    }

    void index_insert(Index& ix, std::uint32_t row)
    {
        if (ix.next.size() <= row) {
            const std::size_t n = std::max<std::size_t>(rows, row + 1);
            ix.next.resize(n, no_row);
            ix.prev.resize(n, no_row);
        }
        const std::uint32_t hash = row_hash(ix, row);
        const std::size_t at =
            find_slot(ix, hash, [&](std::uint32_t other) { return rows_equal(ix, other, row); });
        Index::Entry& e = ix.entries[at];
        ix.next[row] = ix.prev[row] = no_row;
        if (e.head == no_row) {
            e = Index::Entry{hash, row, row};
            if (++ix.used * 10 > ix.entries.size() * 7) grow(ix);
            return;
        }
        if (row > e.tail) {
            ix.next[e.tail] = row;
            ix.prev[row] = e.tail;
            e.tail = row;
        } else if (row < e.head) {
            ix.prev[e.head] = row;
            ix.next[row] = e.head;
            e.head = row;
        } else {
            std::uint32_t after = e.head;
            while (ix.next[after] < row)
                after = ix.next[after];
            const std::uint32_t before = ix.next[after];
            ix.next[after] = row;
            ix.prev[row] = after;
            ix.next[row] = before;
            ix.prev[before] = row;
        }
    }

    // row must still hold the key it was indexed under.
    void index_remove(Index& ix, std::uint32_t row)
    {
        const std::uint32_t hash = row_hash(ix, row);
        std::size_t at = find_slot(ix, hash, [&](std::uint32_t other) { return rows_equal(ix, other, row); });
        Index::Entry& e = ix.entries[at];
        if (e.head == no_row) return;
        const std::uint32_t p = ix.prev[row], n = ix.next[row];
        (p == no_row ? e.head : ix.next[p]) = n;
        (n == no_row ? e.tail : ix.prev[n]) = p;
        if (e.head != no_row) return;
        // Backward-shift deletion keeps every probe chain unbroken.
        const std::size_t mask = ix.entries.size() - 1;
        ix.entries[at] = Index::Entry{};
        --ix.used;
        for (std::size_t j = (at + 1) & mask; ix.entries[j].head != no_row; j = (j + 1) & mask) {
            const std::size_t home = ix.entries[j].hash & mask;
            const bool stays = at <= j ? (at < home && home <= j) : (at < home || home <= j);
            if (stays) continue;
            ix.entries[at] = ix.entries[j];
            ix.entries[j] = Index::Entry{};
            at = j;
        }
    }

    Index& index_for(const std::vector<int>& key_fields)
    {
        for (const auto& ix : indexes)
            if (ix->fields == key_fields) return *ix;
        auto ix = std::make_unique<Index>();
        ix->fields = key_fields;
        ix->next.assign(rows, no_row);
        ix->prev.assign(rows, no_row);
        for (std::uint32_t r = 0; r < rows; ++r)
            if (!deleted[r]) index_insert(*ix, r);
        indexes.push_back(std::move(ix));
        return *indexes.back();
    }

    bool key_changed(const Index& ix, std::uint32_t row) const
    {
        for (int f : ix.fields)
            if (!cell_equal(fields[f].type, stored(f, row), view(buffer[f]))) return true;
        return false;
    }

    // A locate value converted to the field's type; nullopt when no stored value can equal it.
    std::optional<Cell> probe_cell(int f, const QVariant& value) const
    {
        Cell c;
        if (!value.isValid()) return c;
        const FieldType type = fields[f].type;
        const int id = value.typeId();
        const bool numeric = id == QMetaType::Int || id == QMetaType::UInt || id == QMetaType::LongLong ||
                             id == QMetaType::ULongLong || id == QMetaType::Double || id == QMetaType::Float;
        if (type == FieldType::String) {
            c.s = utf8(value.toString());
            c.null = c.s.empty();
            return c;
        }
        if (type == FieldType::Date && id == QMetaType::QDate) {
            if (!value.toDate().isValid()) return c;
            c.i = to_julian(f, value.toDate());
            c.null = false;
            return c;
        }
        if (numeric && is_number_type(type)) {
            const double d = value.toDouble();
            if (type == FieldType::Integer) {
                if (d != std::floor(d) || d < std::numeric_limits<std::int32_t>::min() ||
                    d > std::numeric_limits<std::int32_t>::max())
                    return std::nullopt;
                c.i = static_cast<std::int32_t>(d);
            } else {
                c.d = type == FieldType::Currency ? round4(d) : d;
            }
            c.null = false;
            return c;
        }
        convert_text(f, c, value.toString());
        return c;
    }

    // --- visibility --------------------------------------------------------------------------

    bool passes(std::uint32_t row) const
    {
        if (!filtered || !active) return true;
        const CellView v = stored(active->field, row);
        if (active->like) return like_match(v.s, active->pieces);
        if (v.null) return false;
        if (fields[active->field].type == FieldType::Integer) return v.i == active->number;
        return v.d == static_cast<double>(active->number);
    }

    // Position of row among the visible rows, or -1.
    int visible_index(std::uint32_t row) const
    {
        if (row == no_row) return -1;
        const auto it = std::lower_bound(visible.begin(), visible.end(), row);
        if (it == visible.end() || *it != row) return -1;
        return static_cast<int>(it - visible.begin());
    }

    Filter parse_filter(const QString& expression) const
    {
        const auto fail = [&]() -> Filter {
            throw ConversionError(
                u"Não foi possível aplicar o filtro \"%1\" à tabela %2."_s.arg(expression, name));
        };
        QStringView e = QStringView(expression).trimmed();
        qsizetype i = 0;
        while (i < e.size() && (e[i].isLetterOrNumber() || e[i] == u'_'))
            ++i;
        Filter filter;
        filter.field = find(e.first(i));
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

    int find(QStringView field_name) const
    {
        for (std::size_t f = 0; f < fields.size(); ++f)
            if (QStringView(fields[f].name).compare(field_name, Qt::CaseInsensitive) == 0)
                return static_cast<int>(f);
        return -1;
    }

    // --- moves -------------------------------------------------------------------------------

    void drop_pending()
    {
        if (state == State::Insert) current = current_before_insert;
        state = State::Browse;
    }

    void move_to(std::uint32_t row)
    {
        current = row;
        at_eof = false;
        Q_EMIT q->current_changed(visible_index(current));
    }

    void apply_filter(std::optional<Filter> filter, bool on)
    {
        drop_pending();
        Q_EMIT q->about_to_reset();
        filtered = on;
        active = std::move(filter);
        visible.clear();
        for (std::uint32_t r = 0; r < rows; ++r)
            if (!deleted[r] && passes(r)) visible.push_back(r);
        Q_EMIT q->reset_done();
        // The current row stays current while it is still visible: a client picked in a list stays
        // picked when the list clears its search.
        const bool keep = current != no_row && !deleted[current] && passes(current);
        move_to(keep ? current : visible.empty() ? no_row : visible.front());
        at_eof = visible.empty();
    }
};

Table::Table(QString name, std::vector<FieldDef> fields, Regional regional, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>())
{
    d->q = this;
    d->name = std::move(name);
    d->fields = std::move(fields);
    d->regional = std::move(regional);
    d->columns.resize(d->fields.size());
    d->buffer.resize(d->fields.size());
    setObjectName(d->name);
}

Table::~Table()
{
    // Models still attached see the rows go before the table does.
    Q_EMIT about_to_reset();
    d->visible.clear();
    Q_EMIT reset_done();
}

const QString& Table::name() const
{
    return d->name;
}

const Regional& Table::regional() const
{
    return d->regional;
}

int Table::field_count() const
{
    return static_cast<int>(d->fields.size());
}

const FieldDef& Table::field(int index) const
{
    d->check_field(index);
    return d->fields[index];
}

int Table::find_field(QStringView name) const
{
    return d->find(name);
}

int Table::field_index(QStringView name) const
{
    const int f = d->find(name);
    if (f < 0) throw Error(u"Campo %1 inexistente na tabela %2."_s.arg(name.toString(), d->name));
    return f;
}

void Table::open()
{
    d->is_open = true;
}

bool Table::is_open() const
{
    return d->is_open;
}

Table::State Table::state() const
{
    return d->state;
}

void Table::append()
{
    d->drop_pending();
    d->is_open = true;
    d->current_before_insert = d->current;
    d->clear_buffer();
    d->state = State::Insert;
    d->current = no_row;
    d->at_eof = false;
    Q_EMIT current_changed(-1);
}

void Table::edit()
{
    if (d->state != State::Browse) return;
    if (d->current == no_row) throw Error(u"Não há registro atual para editar na tabela %1."_s.arg(d->name));
    d->load_buffer(d->current);
    d->state = State::Edit;
}

void Table::post()
{
    if (d->state == State::Browse) return;
    if (d->state == State::Insert) {
        const std::uint32_t row = d->rows;
        d->store(row, true);
        d->deleted.push_back(0);
        ++d->rows;
        d->state = State::Browse;
        for (const auto& ix : d->indexes)
            d->index_insert(*ix, row);
        d->current = row;
        if (d->passes(row)) {
            // The newest row comes last in row order, so it is the last visible row.
            const int at = static_cast<int>(d->visible.size());
            Q_EMIT row_about_to_be_inserted(at);
            d->visible.push_back(row);
            Q_EMIT row_inserted(at);
        }
        d->move_to(row);
        return;
    }

    const std::uint32_t row = d->current;
    std::vector<Index*> moved;
    for (const auto& ix : d->indexes) {
        if (d->key_changed(*ix, row)) {
            d->index_remove(*ix, row);
            moved.push_back(ix.get());
        }
    }
    d->store(row, false);
    d->state = State::Browse;
    for (Index* ix : moved)
        d->index_insert(*ix, row);

    const int was = d->visible_index(row);
    const bool now = d->passes(row);
    if (was >= 0 && now) {
        Q_EMIT row_changed(was);
    } else if (was >= 0) {
        Q_EMIT row_about_to_be_removed(was);
        d->visible.erase(d->visible.begin() + was);
        Q_EMIT row_removed(was);
    } else if (now) {
        const auto it = std::lower_bound(d->visible.begin(), d->visible.end(), row);
        const int at = static_cast<int>(it - d->visible.begin());
        Q_EMIT row_about_to_be_inserted(at);
        d->visible.insert(it, row);
        Q_EMIT row_inserted(at);
    }
    d->move_to(row);
}

void Table::cancel()
{
    if (d->state == State::Browse) return;
    d->drop_pending();
    Q_EMIT current_changed(current_visible());
}

void Table::delete_current()
{
    if (d->state == State::Insert) {
        cancel();
        return;
    }
    d->drop_pending();
    const std::uint32_t row = d->current;
    if (row == no_row) return;
    for (const auto& ix : d->indexes)
        d->index_remove(*ix, row);
    d->deleted[row] = 1;
    for (std::size_t f = 0; f < d->fields.size(); ++f)
        if (d->fields[f].type == FieldType::String && d->columns[f].lengths[row] != null_length)
            d->columns[f].garbage += d->columns[f].lengths[row];

    const int at = d->visible_index(row);
    if (at >= 0) {
        Q_EMIT row_about_to_be_removed(at);
        d->visible.erase(d->visible.begin() + at);
        Q_EMIT row_removed(at);
    }
    // The row that followed becomes current, or the last one when the deleted row was last.
    const auto it = std::upper_bound(d->visible.begin(), d->visible.end(), row);
    std::uint32_t next_row = no_row;
    if (it != d->visible.end())
        next_row = *it;
    else if (!d->visible.empty())
        next_row = d->visible.back();
    d->move_to(next_row);
}

void Table::empty()
{
    d->drop_pending();
    Q_EMIT about_to_reset();
    for (Column& c : d->columns)
        c = Column{};
    d->rows = 0;
    d->deleted.clear();
    d->visible.clear();
    d->indexes.clear();
    d->last_locate_index = nullptr;
    d->last_locate_fields.clear();
    Q_EMIT reset_done();
    d->move_to(no_row);
    d->at_eof = true;
}

void Table::take_rows(Table& other)
{
    if (&other == this) return;
    const auto same = [](const FieldDef& a, const FieldDef& b) {
        return a.name == b.name && a.type == b.type && a.size == b.size;
    };
    if (!std::equal(d->fields.begin(), d->fields.end(), other.d->fields.begin(), other.d->fields.end(), same))
        throw Error(u"As tabelas %1 e %2 não têm os mesmos campos."_s.arg(d->name, other.d->name));
    d->drop_pending();
    other.d->drop_pending();
    Q_EMIT about_to_reset();
    std::swap(d->columns, other.d->columns);
    std::swap(d->rows, other.d->rows);
    std::swap(d->deleted, other.d->deleted);
    d->indexes.clear();
    d->last_locate_index = nullptr;
    d->last_locate_fields.clear();
    d->visible.clear();
    for (std::uint32_t r = 0; r < d->rows; ++r)
        if (!d->deleted[r] && d->passes(r)) d->visible.push_back(r);
    Q_EMIT reset_done();
    d->move_to(d->visible.empty() ? no_row : d->visible.front());
    d->at_eof = d->visible.empty();
    other.empty();
}

void Table::reserve(int rows)
{
    if (rows <= 0) return;
    const std::size_t n = static_cast<std::size_t>(rows);
    for (std::size_t f = 0; f < d->fields.size(); ++f) {
        Column& c = d->columns[f];
        switch (d->fields[f].type) {
        case FieldType::Integer:
        case FieldType::Date:
            c.ints.reserve(n);
            c.nulls.reserve(n);
            break;
        case FieldType::Float:
        case FieldType::Currency:
            c.reals.reserve(n);
            c.nulls.reserve(n);
            break;
        case FieldType::String:
            c.offsets.reserve(n);
            c.lengths.reserve(n);
            break;
        }
    }
    d->deleted.reserve(n);
    d->visible.reserve(n);
}

void Table::set_integer(int field, qint64 value)
{
    Cell& c = d->writable(field);
    switch (d->fields[field].type) {
    case FieldType::Integer:
        if (value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max())
            d->bad_value(field, QString::number(value));
        c.i = static_cast<std::int32_t>(value);
        break;
    case FieldType::Float:
    case FieldType::Currency:
        c.d = static_cast<double>(value);
        break;
    case FieldType::String:
        c.s.assign(cut_utf8(std::to_string(value), d->fields[field].size));
        break;
    case FieldType::Date:
        d->bad_type(field, u"número inteiro"_s);
    }
    c.null = false;
}

void Table::set_currency(int field, double value)
{
    Cell& c = d->writable(field);
    const double v = round4(value);
    if (!std::isfinite(v)) d->bad_value(field, QString::number(value));
    switch (d->fields[field].type) {
    case FieldType::Integer:
        c.i = d->to_int32(field, v, d->number_text(v));
        break;
    case FieldType::Float:
    case FieldType::Currency:
        c.d = v;
        break;
    case FieldType::String:
        c.s = utf8(cut_utf16(d->number_text(v), d->fields[field].size).toString());
        break;
    case FieldType::Date:
        d->bad_type(field, u"valor monetário"_s);
    }
    c.null = false;
}

void Table::set_text(int field, QStringView text)
{
    Cell& c = d->writable(field);
    if (d->fields[field].type != FieldType::String) {
        d->convert_text(field, c, text);
        return;
    }
    const QByteArray bytes = cut_utf16(text, d->fields[field].size).toUtf8();
    c.s.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    c.null = false;
}

void Table::set_text(int field, std::string_view utf8_text)
{
    Cell& c = d->writable(field);
    if (d->fields[field].type != FieldType::String) {
        d->convert_text(field, c, qs(utf8_text));
        return;
    }
    c.s.assign(cut_utf8(utf8_text, d->fields[field].size));
    c.null = false;
}

void Table::set_date(int field, const QDate& date)
{
    Cell& c = d->writable(field);
    if (!date.isValid()) {
        c.null = true;
        c.s.clear();
        return;
    }
    switch (d->fields[field].type) {
    case FieldType::Date:
        c.i = d->to_julian(field, date);
        break;
    case FieldType::String: {
        const QString text = d->regional.format_date(date, d->regional.short_date_format);
        c.s = utf8(cut_utf16(text, d->fields[field].size).toString());
        break;
    }
    default:
        d->bad_type(field, u"data"_s);
    }
    c.null = false;
}

bool Table::is_null(int field) const
{
    return d->read(field).null;
}

int Table::as_integer(int field) const
{
    const CellView v = d->read(field);
    if (v.null) return 0;
    switch (d->fields[field].type) {
    case FieldType::Integer:
        return v.i;
    case FieldType::Float:
    case FieldType::Currency:
        return d->to_int32(field, v.d, d->number_text(v.d));
    case FieldType::String: {
        const QString text = qs(v.s);
        const std::optional<qint64> n = d->regional.to_integer(text);
        if (!n || *n < std::numeric_limits<std::int32_t>::min() ||
            *n > std::numeric_limits<std::int32_t>::max())
            throw ConversionError(
                u"\"%1\" não é um número inteiro válido (campo %2)."_s.arg(text, d->fields[field].name));
        return static_cast<int>(*n);
    }
    case FieldType::Date:
        break;
    }
    d->bad_type(field, u"número inteiro"_s);
}

QString Table::as_text(int field) const
{
    return d->text_of(field, d->read(field));
}

double Table::as_currency(int field) const
{
    return d->number_of(field, d->read(field), true);
}

double Table::as_float(int field) const
{
    return d->number_of(field, d->read(field), false);
}

QDate Table::as_date(int field) const
{
    const CellView v = d->read(field);
    if (v.null) return {};
    switch (d->fields[field].type) {
    case FieldType::Date:
        return QDate::fromJulianDay(v.i);
    case FieldType::String: {
        const QString text = qs(v.s);
        const std::optional<QDate> date = d->regional.to_date(text);
        if (!date)
            throw ConversionError(
                u"\"%1\" não é uma data válida (campo %2)."_s.arg(text, d->fields[field].name));
        return *date;
    }
    default:
        break;
    }
    d->bad_type(field, u"data"_s);
}

void Table::first()
{
    d->drop_pending();
    d->move_to(d->visible.empty() ? no_row : d->visible.front());
    d->at_eof = d->visible.empty();
}

void Table::next()
{
    d->drop_pending();
    if (d->current == no_row) {
        d->at_eof = true;
        return;
    }
    const auto it = std::upper_bound(d->visible.begin(), d->visible.end(), d->current);
    if (it == d->visible.end()) {
        d->at_eof = true;
        return;
    }
    d->move_to(*it);
}

bool Table::eof() const
{
    return d->at_eof || d->visible.empty();
}

int Table::record_count() const
{
    return static_cast<int>(d->visible.size());
}

bool Table::locate(QStringView fields, const QVariantList& values)
{
    Index* ix = d->last_locate_index;
    if (!ix || d->last_locate_fields != fields) {
        std::vector<int> key;
        for (QStringView name : fields.split(u';'))
            key.push_back(field_index(name.trimmed()));
        ix = &d->index_for(key);
        d->last_locate_index = ix;
        d->last_locate_fields = fields.toString();
    }
    if (static_cast<std::size_t>(values.size()) != ix->fields.size())
        throw Error(u"Localização em %1 com %2 valores para os campos \"%3\"."_s.arg(d->name)
                        .arg(values.size())
                        .arg(fields.toString()));

    std::vector<Cell> probe(ix->fields.size());
    for (std::size_t k = 0; k < probe.size(); ++k) {
        std::optional<Cell> c = d->probe_cell(ix->fields[k], values[static_cast<qsizetype>(k)]);
        if (!c) return false;
        probe[k] = std::move(*c);
    }
    const std::uint32_t hash = d->key_hash(*ix, [&](std::size_t k) { return Impl::view(probe[k]); });
    const std::size_t at = d->find_slot(*ix, hash, [&](std::uint32_t row) {
        for (std::size_t k = 0; k < probe.size(); ++k) {
            const int f = ix->fields[k];
            if (!Impl::cell_equal(d->fields[f].type, d->stored(f, row), Impl::view(probe[k]))) return false;
        }
        return true;
    });
    const std::uint32_t found = ix->entries[at].head;
    if (found == no_row) return false;
    d->drop_pending();
    d->move_to(found);
    return true;
}

bool Table::locate(QStringView field, const QVariant& value)
{
    return locate(field, QVariantList{value});
}

void Table::set_filter(const QString& expression)
{
    if (d->filtered) {
        std::optional<Filter> f;
        if (!expression.trimmed().isEmpty()) f = d->parse_filter(expression);
        d->filter_text = expression;
        d->apply_filter(std::move(f), true);
        return;
    }
    d->filter_text = expression;
}

const QString& Table::filter() const
{
    return d->filter_text;
}

void Table::set_filtered(bool on)
{
    if (!on) {
        if (d->filtered) d->apply_filter(std::nullopt, false);
        return;
    }
    std::optional<Filter> f;
    if (!d->filter_text.trimmed().isEmpty()) f = d->parse_filter(d->filter_text);
    d->apply_filter(std::move(f), true);
}

bool Table::filtered() const
{
    return d->filtered;
}

int Table::current_visible() const
{
    if (d->state == State::Insert) return -1;
    return d->visible_index(d->current);
}

void Table::set_current_visible(int row)
{
    if (row < 0 || row >= record_count()) row = -1;
    // Re-selecting the row already current keeps a row being edited or inserted.
    if (row == current_visible()) return;
    d->drop_pending();
    d->move_to(row < 0 ? no_row : d->visible[static_cast<std::size_t>(row)]);
}

QVariant Table::value_at(int row, int field) const
{
    d->check_field(field);
    if (row < 0 || row >= record_count()) return {};
    const CellView v = d->stored(field, d->visible[static_cast<std::size_t>(row)]);
    if (v.null) return {};
    switch (d->fields[field].type) {
    case FieldType::Integer:
        return v.i;
    case FieldType::Float:
    case FieldType::Currency:
        return v.d;
    case FieldType::Date:
        return QDate::fromJulianDay(v.i);
    case FieldType::String:
        break;
    }
    return qs(v.s);
}
