#include "table_model.h"

#include "store/table.h"

using namespace Qt::StringLiterals;

namespace {

// Decimal places of a "0", "0.0", "0.00" ... format; -1 when it is not one.
int numeric_decimals(const QString& format)
{
    if (format.isEmpty() || format[0] != u'0') return -1;
    if (format.size() == 1) return 0;
    if (format[1] != u'.') return -1;
    for (qsizetype i = 2; i < format.size(); ++i)
        if (format[i] != u'0') return -1;
    return static_cast<int>(format.size() - 2);
}

} // namespace

TableModel::TableModel(Table& table, QList<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), table_(&table), columns_(std::move(columns))
{
    for (const GridColumn& c : std::as_const(columns_)) {
        fields_.append(table.field_index(c.field));
        decimals_.append(numeric_decimals(c.format));
    }
    connect(&table, &Table::about_to_reset, this, [this] { beginResetModel(); });
    connect(&table, &Table::reset_done, this, [this] { endResetModel(); });
    connect(&table, &Table::row_about_to_be_inserted, this,
            [this](int row) { beginInsertRows({}, row, row); });
    connect(&table, &Table::row_inserted, this, [this] { endInsertRows(); });
    connect(&table, &Table::row_about_to_be_removed, this,
            [this](int row) { beginRemoveRows({}, row, row); });
    connect(&table, &Table::row_removed, this, [this] { endRemoveRows(); });
    connect(&table, &Table::row_changed, this, [this](int row) {
        if (!columns_.isEmpty())
            Q_EMIT dataChanged(index(row, 0), index(row, static_cast<int>(columns_.size()) - 1));
    });
}

TableModel::~TableModel() = default;

Table* TableModel::table() const
{
    return table_;
}

const QList<GridColumn>& TableModel::columns() const
{
    return columns_;
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !table_ ? 0 : table_->record_count();
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

Qt::Alignment TableModel::alignment(int column) const
{
    if (columns_[column].alignment) return *columns_[column].alignment;
    const FieldType type = table_ ? table_->field(fields_[column]).type : FieldType::String;
    const bool number = type == FieldType::Integer || type == FieldType::Float || type == FieldType::Currency;
    return number ? Qt::AlignRight : Qt::AlignLeft;
}

QString TableModel::display_text(int row, int column) const
{
    if (!table_ || column < 0 || column >= columns_.size()) return {};
    const int field = fields_[column];
    const QVariant value = table_->value_at(row, field);
    if (!value.isValid()) return {};
    const Regional& regional = table_->regional();
    const int decimals = decimals_[column];
    switch (table_->field(field).type) {
    case FieldType::Integer:
        return decimals >= 0 ? regional.format_fixed(value.toInt(), decimals)
                             : QString::number(value.toInt());
    case FieldType::Float: {
        // A float field holds quantities and prices: "0.00" shows them as amounts.
        if (decimals >= 0) return regional.format_money(*table_->money_at(row, field), decimals);
        QString s = QString::number(value.toDouble(), 'g', 15);
        s.replace(u'.', regional.decimal_separator);
        return s;
    }
    case FieldType::Currency:
        return regional.format_money(*table_->money_at(row, field), decimals >= 0 ? decimals : 2);
    case FieldType::Date: {
        const QString& pattern = columns_[column].format;
        return regional.format_date(value.toDate(), pattern.isEmpty() ? regional.short_date_format : pattern);
    }
    case FieldType::String:
        break;
    }
    // A number kept as text shows formatted when it reads as one, and as it stands otherwise.
    if (decimals >= 0) {
        if (const std::optional<Money> n = Money::parse(value.toString(), regional.decimal_separator))
            return regional.format_money(*n, decimals);
    }
    return value.toString();
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!table_ || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return display_text(index.row(), index.column());
    case Qt::EditRole:
        return table_->value_at(index.row(), fields_[index.column()]);
    case Qt::TextAlignmentRole:
        return static_cast<int>(alignment(index.column()) | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return columns_[section].title;
    case Qt::TextAlignmentRole:
        return static_cast<int>(alignment(section) | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
