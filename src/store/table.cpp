#include "table.h"

#include "core/errors.h"
#include "core/money.h"
#include "core/text.h"
#include "row_index.h"
#include "table_filter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <string>

using namespace Qt::StringLiterals;
using namespace table_storage;

namespace {

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

    State state = State::Browse;
    std::vector<Cell> buffer;
    std::uint32_t current = no_row;
    std::uint32_t current_before_insert = no_row;
    bool at_eof = false;

    QString filter_text;
    bool filtered = false;
    std::optional<TableFilter> active;

    std::vector<std::unique_ptr<RowIndex>> indexes;
    QString last_locate_fields;
    RowIndex* last_locate_index = nullptr;

    RowCells cells() const { return RowCells{fields, columns}; }

    // --- cells -------------------------------------------------------------------------------

    CellView stored(int f, std::uint32_t row) const
    {
        return table_storage::stored(columns[f], fields[f].type, row);
    }

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
            outside_text(value, 100), fields[f].name, type_name(fields[f].type)));
    }

    [[noreturn]] void bad_type(int f, const QString& what) const
    {
        throw ConversionError(u"O campo %1 (%2) não pode ser lido ou escrito como %3."_s.arg(
            fields[f].name, type_name(fields[f].type), what));
    }

    std::int32_t to_int32(int f, double v, const QString& shown) const
    {
        const double r = std::nearbyint(v);
        if (!std::isfinite(r) || !fits_int32(r)) bad_value(f, shown);
        return static_cast<std::int32_t>(r);
    }

    std::int32_t to_julian(int f, const QDate& date) const
    {
        const qint64 day = date.toJulianDay();
        if (!fits_int32(day)) bad_value(f, date.toString(Qt::ISODate));
        return static_cast<std::int32_t>(day);
    }

    // A number into an integer field: a half goes to the even neighbour.
    std::int32_t to_int32(int f, Money v) const
    {
        const std::int64_t r = v.whole_half_even();
        if (!fits_int32(r)) bad_value(f, v.shortest(regional.decimal_separator));
        return static_cast<std::int32_t>(r);
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
            if (!v || !fits_int32(*v)) bad_value(f, text.toString());
            cell.i = static_cast<std::int32_t>(*v);
            break;
        }
        case FieldType::Float: {
            const std::optional<double> v = regional.to_number(text);
            if (!v) bad_value(f, text.toString());
            cell.d = *v;
            break;
        }
        case FieldType::Currency: {
            // Read exactly: "2,675" is 2,6750, not the binary number nearest to it.
            const std::optional<Money> v = Money::parse(text, regional.decimal_separator);
            if (!v) bad_value(f, text.toString());
            cell.m = v->units();
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
            return number_text(v.d);
        case FieldType::Currency:
            return Money::from_units(v.m).shortest(regional.decimal_separator);
        case FieldType::Date:
            return regional.format_date(QDate::fromJulianDay(v.i), regional.short_date_format);
        case FieldType::String:
            break;
        }
        return qs(v.s);
    }

    [[noreturn]] void not_a_number(int f, const QString& text) const
    {
        throw ConversionError(
            u"\"%1\" não é um número válido (campo %2)."_s.arg(outside_text(text, 100), fields[f].name));
    }

    double number_of(int f, const CellView& v) const
    {
        if (v.null) return 0;
        switch (fields[f].type) {
        case FieldType::Integer:
            return v.i;
        case FieldType::Float:
            return v.d;
        case FieldType::Currency:
            return Money::from_units(v.m).to_double();
        case FieldType::String: {
            const QString text = qs(v.s);
            const std::optional<double> n = regional.to_number(text);
            if (!n) not_a_number(f, text);
            return *n;
        }
        case FieldType::Date:
            break;
        }
        bad_type(f, u"número"_s);
    }

    Money money_of(int f, const CellView& v) const
    {
        if (v.null) return {};
        switch (fields[f].type) {
        case FieldType::Integer:
            return Money::from_units(std::int64_t{v.i} * Money::kScale);
        case FieldType::Float:
            return Money::from_double(v.d);
        case FieldType::Currency:
            return Money::from_units(v.m);
        case FieldType::String: {
            const QString text = qs(v.s);
            const std::optional<Money> n = Money::parse(text, regional.decimal_separator);
            if (!n) not_a_number(f, text);
            return *n;
        }
        case FieldType::Date:
            break;
        }
        bad_type(f, u"valor monetário"_s);
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
                if (fresh) {
                    c.reals.push_back(cell.null ? 0 : cell.d);
                    c.nulls.push_back(cell.null);
                } else {
                    c.reals[row] = cell.null ? 0 : cell.d;
                    c.nulls[row] = cell.null;
                }
                break;
            case FieldType::Currency:
                if (fresh) {
                    c.units.push_back(cell.null ? 0 : cell.m);
                    c.nulls.push_back(cell.null);
                } else {
                    c.units[row] = cell.null ? 0 : cell.m;
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
            c.m = v.m;
            c.s.assign(v.s);
        }
    }

    void clear_buffer()
    {
        for (Cell& c : buffer) {
            c.null = true;
            c.i = 0;
            c.d = 0;
            c.m = 0;
            c.s.clear();
        }
    }

    // --- indexes -------------------------------------------------------------------------------

    RowIndex& index_for(const std::vector<int>& key_fields)
    {
        for (const auto& ix : indexes)
            if (ix->fields() == key_fields) return *ix;
        indexes.push_back(std::make_unique<RowIndex>(key_fields, cells(), rows, deleted));
        return *indexes.back();
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
                if (d != std::floor(d) || !fits_int32(d)) return std::nullopt;
                c.i = static_cast<std::int32_t>(d);
            } else if (type == FieldType::Currency) {
                c.m = Money::from_double(d).units();
            } else {
                c.d = d;
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
        return filter_passes(*active, fields[active->field].type, stored(active->field, row));
    }

    // Position of row among the visible rows, or -1.
    int visible_index(std::uint32_t row) const
    {
        if (row == no_row) return -1;
        const auto it = std::lower_bound(visible.begin(), visible.end(), row);
        if (it == visible.end() || *it != row) return -1;
        return static_cast<int>(it - visible.begin());
    }

    TableFilter parse_filter(const QString& expression) const
    {
        return read_filter(expression, fields, name);
    }

    int find(QStringView field_name) const { return field_named(fields, field_name); }

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

    // The rows the filter lets through, in order; between about_to_reset and reset_done.
    void rebuild_visible()
    {
        visible.clear();
        for (std::uint32_t r = 0; r < rows; ++r)
            if (!deleted[r] && passes(r)) visible.push_back(r);
    }

    // The indexes describe rows that are gone: made again by the next locate that needs one.
    void drop_indexes()
    {
        indexes.clear();
        last_locate_index = nullptr;
        last_locate_fields.clear();
    }

    void apply_filter(std::optional<TableFilter> filter, bool on)
    {
        drop_pending();
        Q_EMIT q->about_to_reset();
        filtered = on;
        active = std::move(filter);
        rebuild_visible();
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

int Table::field_index(QStringView name) const
{
    const int f = d->find(name);
    if (f < 0) throw Error(u"Campo %1 inexistente na tabela %2."_s.arg(name.toString(), d->name));
    return f;
}

Table::State Table::state() const
{
    return d->state;
}

void Table::append()
{
    d->drop_pending();
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
            ix->insert(d->cells(), row);
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
    std::vector<RowIndex*> moved;
    for (const auto& ix : d->indexes) {
        if (ix->key_changed(d->cells(), row, d->buffer)) {
            ix->remove(d->cells(), row);
            moved.push_back(ix.get());
        }
    }
    d->store(row, false);
    d->state = State::Browse;
    for (RowIndex* ix : moved)
        ix->insert(d->cells(), row);

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
        ix->remove(d->cells(), row);
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
    d->drop_indexes();
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
    d->drop_indexes();
    d->rebuild_visible();
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
            c.reals.reserve(n);
            c.nulls.reserve(n);
            break;
        case FieldType::Currency:
            c.units.reserve(n);
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
        if (!fits_int32(value)) d->bad_value(field, QString::number(value));
        c.i = static_cast<std::int32_t>(value);
        break;
    case FieldType::Float:
        c.d = static_cast<double>(value);
        break;
    case FieldType::Currency: {
        const std::optional<Money> m = Money::from_whole(value);
        if (!m) d->bad_value(field, QString::number(value));
        c.m = m->units();
        break;
    }
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
    d->writable(field);
    // Beyond a hundred trillion a double no longer holds four decimals, and no amount gets there.
    if (!std::isfinite(value) || std::abs(value) >= 1e14) d->bad_value(field, QString::number(value));
    set_money(field, Money::from_double(value));
}

void Table::set_money(int field, Money value)
{
    Cell& c = d->writable(field);
    switch (d->fields[field].type) {
    case FieldType::Integer:
        c.i = d->to_int32(field, value);
        break;
    case FieldType::Float:
        c.d = value.to_double();
        break;
    case FieldType::Currency:
        c.m = value.units();
        break;
    case FieldType::String:
        c.s =
            utf8(cut_utf16(value.shortest(d->regional.decimal_separator), d->fields[field].size).toString());
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
        return d->to_int32(field, v.d, d->number_text(v.d));
    case FieldType::Currency:
        return d->to_int32(field, Money::from_units(v.m));
    case FieldType::String: {
        const QString text = qs(v.s);
        const std::optional<qint64> n = d->regional.to_integer(text);
        if (!n || !fits_int32(*n))
            throw ConversionError(u"\"%1\" não é um número inteiro válido (campo %2)."_s.arg(
                outside_text(text, 100), d->fields[field].name));
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

Money Table::as_money(int field) const
{
    return d->money_of(field, d->read(field));
}

double Table::as_float(int field) const
{
    return d->number_of(field, d->read(field));
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
            throw ConversionError(u"\"%1\" não é uma data válida (campo %2)."_s.arg(outside_text(text, 100),
                                                                                    d->fields[field].name));
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
    RowIndex* ix = d->last_locate_index;
    if (!ix || d->last_locate_fields != fields) {
        std::vector<int> key;
        for (QStringView name : fields.split(u';'))
            key.push_back(field_index(name.trimmed()));
        ix = &d->index_for(key);
        d->last_locate_index = ix;
        d->last_locate_fields = fields.toString();
    }
    if (static_cast<std::size_t>(values.size()) != ix->fields().size())
        throw Error(u"Localização em %1 com %2 valores para os campos \"%3\"."_s.arg(d->name)
                        .arg(values.size())
                        .arg(fields.toString()));

    std::vector<Cell> probe(ix->fields().size());
    for (std::size_t k = 0; k < probe.size(); ++k) {
        std::optional<Cell> c = d->probe_cell(ix->fields()[k], values[static_cast<qsizetype>(k)]);
        if (!c) return false;
        probe[k] = std::move(*c);
    }
    const std::uint32_t found = ix->first(d->cells(), probe);
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
        std::optional<TableFilter> f;
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
    std::optional<TableFilter> f;
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
        return v.d;
    case FieldType::Currency:
        return Money::from_units(v.m).to_double();
    case FieldType::Date:
        return QDate::fromJulianDay(v.i);
    case FieldType::String:
        break;
    }
    return qs(v.s);
}

std::optional<Money> Table::money_at(int row, int field) const
{
    d->check_field(field);
    if (row < 0 || row >= record_count()) return std::nullopt;
    const std::uint32_t r = d->visible[static_cast<std::size_t>(row)];
    const CellView v = d->stored(field, r);
    if (v.null) return std::nullopt;
    return d->money_of(field, v);
}
