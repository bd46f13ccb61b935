#pragma once

#include "store/table_cells.h"

#include <QString>
#include <QStringView>

#include <string>
#include <vector>

namespace table_storage {

// A filter expression read: "field = <whole number>" or "field LIKE '<pattern>'".
struct TableFilter {
    int field = -1;
    bool like = false;
    qint64 number = 0;
    // The pattern split at every '%': the first piece is a prefix, the last a suffix.
    std::vector<std::string> pieces;
};

// The field named, without regard to case; -1 for none.
int field_named(const std::vector<FieldDef>& fields, QStringView name);

// Reads an expression over the fields. One that cannot be read raises ConversionError naming the
// table.
TableFilter read_filter(const QString& expression, const std::vector<FieldDef>& fields, const QString& table);

// Whether a cell of the filter's field lets its row through.
bool filter_passes(const TableFilter& filter, FieldType type, const CellView& cell);

} // namespace table_storage
