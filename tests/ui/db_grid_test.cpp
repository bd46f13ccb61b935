#include "recording_messages.h"
#include "store/data_source.h"
#include "store/dm_dados.h"
#include "store/table.h"
#include "ui/db_grid.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void add_client(Table& t, int id, const QString& razao)
{
    t.append();
    t.set_integer(u"cli_id", id);
    t.set_text(u"cli_razao", razao);
    t.post();
}

struct GridFixture {
    TdmDados dm{Regional::brazil()};
    RecordingMessages messages;
    DbGrid grid;

    GridFixture()
    {
        for (int id = 1; id <= 3; ++id)
            add_client(dm.tblCliente, id, u"CLIENTE "_s + QString::number(id));
        grid.bind(dm.dsCliente,
                  {{u"cli_id"_s, u"ID"_s, {}, {}, 60}, {u"cli_razao"_s, u"Cliente"_s, {}, {}, 0}}, messages);
        grid.resize(400, 300);
        grid.show();
    }

    void click_row(int row)
    {
        const QRect cell = grid.visualRect(grid.model()->index(row, 1));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    }

    QList<int> ids()
    {
        QList<int> out;
        Table& t = dm.tblCliente;
        for (t.first(); !t.eof(); t.next())
            out << t.as_integer(u"cli_id");
        return out;
    }
};

} // namespace

TEST(DbGrid, selecting_a_row_makes_it_current_and_the_current_row_shows_selected)
{
    GridFixture f;
    f.click_row(1);
    EXPECT_EQ(f.dm.tblCliente.as_integer(u"cli_id"), 2);
    QTest::keyClick(&f.grid, Qt::Key_Down);
    EXPECT_EQ(f.dm.tblCliente.as_integer(u"cli_id"), 3);

    ASSERT_TRUE(f.dm.tblCliente.locate(u"cli_id", 1));
    EXPECT_EQ(f.grid.currentIndex().row(), 0);
    EXPECT_EQ(f.grid.selectionModel()->selectedRows().size(), 1);
    EXPECT_TRUE(f.grid.selectionModel()->isRowSelected(0));

    // A filter shows its first row as the current one.
    f.dm.tblCliente.set_filter(u"cli_id = 3"_s);
    f.dm.tblCliente.set_filtered(true);
    EXPECT_EQ(f.grid.model()->rowCount(), 1);
    EXPECT_TRUE(f.grid.selectionModel()->isRowSelected(0));
    EXPECT_EQ(f.dm.tblCliente.as_integer(u"cli_id"), 3);
}

TEST(DbGrid, ctrl_delete_deletes_the_selected_row_on_ok_only)
{
    GridFixture f;
    f.click_row(1);

    f.messages.answers = {false};
    QTest::keyClick(&f.grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(f.messages.said, QStringList{u"confirm: Delete record?"_s});
    EXPECT_EQ(f.ids(), (QList<int>{1, 2, 3}));

    f.click_row(1);
    f.messages.clear();
    f.messages.answers = {true};
    QTest::keyClick(&f.grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(f.messages.said, QStringList{u"confirm: Delete record?"_s});
    EXPECT_EQ(f.ids(), (QList<int>{1, 3}));
    EXPECT_EQ(f.grid.model()->rowCount(), 2);

    // Delete alone does nothing.
    f.messages.clear();
    QTest::keyClick(&f.grid, Qt::Key_Delete);
    EXPECT_TRUE(f.messages.said.isEmpty());
    EXPECT_EQ(f.ids(), (QList<int>{1, 3}));
}

TEST(DbGrid, ctrl_delete_with_no_row_asks_nothing)
{
    GridFixture f;
    f.dm.tblCliente.set_filter(u"cli_id = 99"_s);
    f.dm.tblCliente.set_filtered(true);
    QTest::keyClick(&f.grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(f.messages.said.isEmpty());
    f.dm.tblCliente.set_filtered(false);
    EXPECT_EQ(f.ids(), (QList<int>{1, 2, 3}));
}

TEST(DbGrid, header_clicks_and_double_clicks_change_nothing)
{
    GridFixture f;
    QSignalSpy double_clicked(&f.grid, &QAbstractItemView::doubleClicked);
    QTest::mouseClick(f.grid.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(f.grid.horizontalHeader()->sectionPosition(1) + 5, 5));
    EXPECT_EQ(f.grid.model()->headerData(0, Qt::Horizontal).toString(), u"ID"_s);
    EXPECT_EQ(f.ids(), (QList<int>{1, 2, 3}));

    const QRect cell = f.grid.visualRect(f.grid.model()->index(2, 1));
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(double_clicked.count(), 1);
    EXPECT_EQ(f.dm.tblCliente.as_integer(u"cli_id"), 3);
    EXPECT_TRUE(f.grid.viewport()->findChildren<QLineEdit*>().isEmpty()); // no editor opened
    EXPECT_EQ(f.dm.tblCliente.as_text(u"cli_razao"), u"CLIENTE 3"_s);
}

TEST(DbGrid, a_shown_grid_follows_a_large_load)
{
    GridFixture f;
    Table& t = f.dm.tblCliente;
    const auto start = std::chrono::steady_clock::now();
    for (int id = 4; id <= 50000; ++id) {
        t.append();
        t.set_integer(0, id);
        t.set_text(1, std::string_view("CLIENTE"));
        t.post();
    }
    std::printf("50000 rows through a shown grid: %.3f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    EXPECT_EQ(f.grid.model()->rowCount(), 50000);
    // The selection catches up with the last posted row once the event loop runs.
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.grid.selectionModel()->isRowSelected(49999));
    EXPECT_EQ(f.grid.currentIndex().row(), 49999);
    EXPECT_TRUE(f.grid.viewport()->rect().intersects(f.grid.visualRect(f.grid.currentIndex())));
}

TEST(DbGrid, a_look_up_that_puts_the_row_back_leaves_the_view_where_the_user_scrolled_it)
{
    GridFixture f;
    Table& t = f.dm.tblCliente;
    for (int id = 4; id <= 200; ++id)
        add_client(t, id, u"CLIENTE "_s + QString::number(id));
    QCoreApplication::processEvents();
    // The user scrolls back up with the wheel: the last row stays current, out of sight.
    QScrollBar* bar = f.grid.verticalScrollBar();
    bar->setValue(0);
    const int current = t.current_visible();
    ASSERT_EQ(current, 199);

    for (int id : {150, 20, 180})
        ASSERT_TRUE(t.locate(u"cli_id", id));
    t.set_current_visible(current);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(f.grid.currentIndex().row(), 199);

    // A move that stays shows the new row.
    ASSERT_TRUE(t.locate(u"cli_id", 120));
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.grid.viewport()->rect().intersects(f.grid.visualRect(f.grid.currentIndex())));
}

TEST(DbGrid, a_cell_too_narrow_for_its_text_shows_it_whole_on_hover)
{
    GridFixture f;
    // A name that looks like markup shows as written, tags and all.
    const QString name = u"PADARIA <b>E</b> CONFEITARIA <img src=x> NOSSA SENHORA APARECIDA LTDA"_s;
    add_client(f.dm.tblCliente, 4, name);
    f.grid.setColumnWidth(1, 120);
    const struct {
        int row;
        QString tip; // empty: none
    } cases[] = {
        {0, {}}, // first: a tooltip shown fades out only after a while
        {3, name},
    };
    for (const auto& c : cases) {
        const QPoint at = f.grid.visualRect(f.grid.model()->index(c.row, 1)).center();
        QHelpEvent hover(QEvent::ToolTip, at, f.grid.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(f.grid.viewport(), &hover);
        QTextDocument shown;
        shown.setHtml(QToolTip::text());
        EXPECT_EQ(QToolTip::isVisible() ? shown.toPlainText() : QString(), c.tip) << c.row;
    }
    QToolTip::hideText();
}
