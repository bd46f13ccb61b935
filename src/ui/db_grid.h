#pragma once

#include "store/table_model.h"

#include <QList>
#include <QTableView>

#include <functional>

class DataSource;
class QLabel;
class Messages;
class Table;

// The grid of every screen: shows the visible rows of a data source's table, read only, one whole
// row selected at a time. The selected row is the table's current row, both ways. Ctrl+Delete asks
// "Delete record?" and on OK removes the current row (see set_row_removal). Screens use the view's
// clicked() and doubleClicked() signals.
class DbGrid : public QTableView {
    Q_OBJECT

public:
    explicit DbGrid(QWidget* parent = nullptr);
    ~DbGrid() override;

    void bind(const DataSource& source, const QList<GridColumn>& columns, Messages& messages);
    Table* table() const;
    TableModel* table_model() const;

    // What Ctrl+Delete does once "Delete record?" is answered OK, with the table's current row on
    // the grid's: by default the row is deleted from the table. A screen whose rows stand for more
    // than the table holds (an order's items and its total) gives its own removal.
    void set_row_removal(std::function<void()> remove) { remove_row_ = std::move(remove); }
    // Rows that stand for something the table cannot delete (files): Ctrl+Delete does nothing.
    void forbid_row_removal() { removable_ = false; }
    // Shown in the grid's place while a search leaves no row, so that an empty grid is not taken
    // for an empty catalogue.
    void set_empty_search_text(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // A cell too narrow for its text shows it whole on hover.
    bool viewportEvent(QEvent* event) override;

private:
    void follow_current();
    void queue_catch_up();
    void show_current(int row);
    void delete_current_row();
    void show_empty_search();

    TableModel* model_ = nullptr;
    Messages* messages_ = nullptr;
    std::function<void()> remove_row_;
    bool removable_ = true;
    QLabel* empty_search_ = nullptr;
    // Set while the grid follows the table, so that the view's own reactions (a reset, a removed
    // row) are not taken for the user's choice of another row.
    bool following_ = false;
    // Rows were inserted since the selection last followed the table: the view would lay out every
    // row again to place the selection, so following waits for the event loop, once per load.
    bool inserted_ = false;
    // Scrolling to the current row also waits for the event loop, so that walking or refreshing a
    // table under a shown grid does not scroll the view once per row.
    bool catch_up_queued_ = false;
    // The grid's row when the catch-up was queued, and whether the rows changed since: a look-up
    // that walks the table and puts the row back leaves the view where the user left it.
    int row_before_catch_up_ = -1;
    bool rows_changed_ = false;
};
