#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QString>

#include <optional>

class Table;

// One column of a grid: the field it shows, its title and how it is shown.
struct GridColumn {
    QString field;
    QString title;
    // Of the cells and of the title; numbers default to the right, everything else to the left.
    std::optional<Qt::Alignment> alignment;
    // "0.00", "0" and the like for numbers (text fields holding numbers included), written with the
    // regional decimal separator; a day/month/year pattern for dates ("dd/MM/yyyy", '/' standing for
    // the regional date separator). Empty: currency as "0.00", dates in the short date format.
    QString format;
    // Initial width in pixels; 0 leaves it to the grid.
    int width = 0;
};

// The visible rows of a table as an item model: DisplayRole gives the formatted text, EditRole the
// raw value (int, double, QString, QDate; invalid for null). Follows the table row by row.
class TableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    TableModel(Table& table, QList<GridColumn> columns, QObject* parent = nullptr);
    ~TableModel() override;

    Table* table() const;
    const QList<GridColumn>& columns() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The text a cell shows.
    QString display_text(int row, int column) const;

private:
    Qt::Alignment alignment(int column) const;

    QPointer<Table> table_;
    QList<GridColumn> columns_;
    QList<int> fields_;
    QList<int> decimals_; // from a numeric format, -1 when the column has none
};
