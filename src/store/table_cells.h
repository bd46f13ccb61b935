#pragma once

#include "store/table.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

// How a table holds its rows, shared by the table, its index and its filter.
namespace table_storage {

constexpr std::uint32_t no_row = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t null_length = std::numeric_limits<std::uint32_t>::max();

// One column, held compactly: numbers in plain vectors, text as UTF-8 in one arena per column.
struct Column {
    std::vector<std::int32_t> ints; // integer values, dates as Julian days
    std::vector<double> reals;
    std::vector<std::int64_t> units; // currency, in ten-thousandths (Money)
    std::vector<std::uint8_t> nulls;
    std::string arena;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> lengths; // null_length for null
    std::size_t garbage = 0;
};

// A cell of the row buffer, or a value to look for.
struct Cell {
    bool null = true;
    std::int32_t i = 0;
    double d = 0;
    std::int64_t m = 0;
    std::string s;
};

struct CellView {
    bool null = true;
    std::int32_t i = 0;
    double d = 0;
    std::int64_t m = 0;
    std::string_view s;
};

inline CellView view(const Cell& c)
{
    return CellView{c.null, c.i, c.d, c.m, c.s};
}

inline CellView stored(const Column& c, FieldType type, std::uint32_t row)
{
    CellView v;
    switch (type) {
    case FieldType::Integer:
    case FieldType::Date:
        v.null = c.nulls[row] != 0;
        v.i = c.ints[row];
        break;
    case FieldType::Float:
        v.null = c.nulls[row] != 0;
        v.d = c.reals[row];
        break;
    case FieldType::Currency:
        v.null = c.nulls[row] != 0;
        v.m = c.units[row];
        break;
    case FieldType::String:
        v.null = c.lengths[row] == null_length;
        if (!v.null) v.s = std::string_view(c.arena).substr(c.offsets[row], c.lengths[row]);
        break;
    }
    return v;
}

// The cells of a table's rows, as keys and filters read them.
struct RowCells {
    const std::vector<FieldDef>& fields;
    const std::vector<Column>& columns;

    CellView at(int f, std::uint32_t row) const { return stored(columns[f], fields[f].type, row); }
};

inline bool is_number_type(FieldType type)
{
    return type == FieldType::Integer || type == FieldType::Float || type == FieldType::Currency;
}

// Whether a number fits an integer field: the one range every write and read of one checks.
template <class Number> bool fits_int32(Number v)
{
    return v >= static_cast<Number>(std::numeric_limits<std::int32_t>::min()) &&
           v <= static_cast<Number>(std::numeric_limits<std::int32_t>::max());
}

} // namespace table_storage
