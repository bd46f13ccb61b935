#include "db_grid.h"

#include "core/messages.h"
#include "store/data_source.h"
#include "store/table.h"
#include "whole_text.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScopedValueRollback>

using namespace Qt::StringLiterals;

DbGrid::DbGrid(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTabKeyNavigation(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->hide();
    // Rows of one height let the view skip measuring each row: loads of many rows stay linear.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

DbGrid::~DbGrid() = default;

void DbGrid::bind(const DataSource& source, const QList<GridColumn>& columns, Messages& messages)
{
    messages_ = &messages;
    if (Table* old = table()) disconnect(old, nullptr, this, nullptr);
    auto* model = new TableModel(source.table(), columns, this);
    QItemSelectionModel* old_selection = selectionModel();
    setModel(model);
    delete old_selection;
    delete model_;
    model_ = model;

    for (int c = 0; c < columns.size(); ++c)
        if (columns[c].width > 0) setColumnWidth(c, columns[c].width);

    const auto follow_begin = [this] {
        following_ = true;
        rows_changed_ = true;
    };
    const auto follow_end = [this] { following_ = false; };
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, follow_begin);
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this, follow_begin);
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, follow_begin);
    connect(model, &QAbstractItemModel::modelReset, this, follow_end);
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        following_ = false;
        inserted_ = true;
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, follow_end);
    connect(model, &QAbstractItemModel::modelReset, this, &DbGrid::show_empty_search);
    connect(model, &QAbstractItemModel::rowsInserted, this, &DbGrid::show_empty_search);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &DbGrid::show_empty_search);

    Table& table = source.table();
    connect(&table, &Table::current_changed, this, &DbGrid::follow_current);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!following_ && model_ && model_->table())
                    model_->table()->set_current_visible(current.isValid() ? current.row() : -1);
            });
    show_current(table.current_visible());
    show_empty_search();
}

Table* DbGrid::table() const
{
    return model_ ? model_->table() : nullptr;
}

TableModel* DbGrid::table_model() const
{
    return model_;
}

void DbGrid::follow_current()
{
    queue_catch_up();
    if (!inserted_) show_current(table()->current_visible());
}

void DbGrid::queue_catch_up()
{
    if (catch_up_queued_) return;
    catch_up_queued_ = true;
    row_before_catch_up_ = currentIndex().row();
    QMetaObject::invokeMethod(
        this,
        [this] {
            catch_up_queued_ = false;
            if (inserted_) {
                inserted_ = false;
                if (Table* t = table()) show_current(t->current_visible());
            }
            const bool moved = rows_changed_ || currentIndex().row() != row_before_catch_up_;
            rows_changed_ = false;
            if (moved && currentIndex().isValid()) scrollTo(currentIndex());
        },
        Qt::QueuedConnection);
}

void DbGrid::show_current(int row)
{
    QScopedValueRollback<bool> guard(following_, true);
    QItemSelectionModel* selection = selectionModel();
    if (row < 0 || row >= model_->rowCount()) {
        selection->clear();
        return;
    }
    if (selection->currentIndex().row() == row && selection->isRowSelected(row)) return;
    const QModelIndex index = model_->index(row, std::max(currentIndex().column(), 0));
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    setAutoScroll(scrolls);
}

void DbGrid::set_empty_search_text(const QString& text)
{
    if (!empty_search_) {
        empty_search_ = new QLabel(viewport());
        empty_search_->setObjectName(u"lblPesquisaVazia"_s);
        empty_search_->setTextFormat(Qt::PlainText);
        empty_search_->setAlignment(Qt::AlignCenter);
        empty_search_->setWordWrap(true);
        empty_search_->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    empty_search_->setText(text);
    empty_search_->setGeometry(viewport()->rect());
    show_empty_search();
}

void DbGrid::show_empty_search()
{
    if (!empty_search_) return;
    const Table* t = table();
    empty_search_->setVisible(t && t->record_count() == 0 && t->filtered() &&
                              !t->filter().trimmed().isEmpty());
}

void DbGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    if (empty_search_) empty_search_->setGeometry(viewport()->rect());
}

bool DbGrid::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip) return QTableView::viewportEvent(event);
    const auto* hover = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(hover->pos());
    show_whole_text(*hover, index.data().toString(), visualRect(index), viewport());
    return true;
}

void DbGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        event->accept();
        delete_current_row();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DbGrid::delete_current_row()
{
    Table* table = this->table();
    if (!removable_ || !table || !messages_ || currentIndex().row() < 0) return;
    const int row = currentIndex().row();
    if (!messages_->confirm_ok_cancel(u"Delete record?"_s)) return;
    table->set_current_visible(row);
    if (remove_row_)
        remove_row_();
    else
        table->delete_current();
}
