#include "store/table.h"
#include "store/table_model.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::vector<FieldDef> item_fields()
{
    return {
        {u"pro_id"_s, FieldType::Integer, 0},
        {u"pro_descricao"_s, FieldType::String, 100},
        {u"iven_total"_s, FieldType::Currency, 0},
        {u"qtd"_s, FieldType::Float, 0},
        {u"dia"_s, FieldType::Date, 0},
        {u"pro_vlr_venda"_s, FieldType::String, 100},
    };
}

QList<GridColumn> item_columns()
{
    return {
        {u"pro_id"_s, u"ID"_s, {}, {}, 0},
        {u"pro_descricao"_s, u"Descrição"_s, {}, {}, 0},
        {u"iven_total"_s, u"Total"_s, {}, {}, 0},
        {u"qtd"_s, u"Qtd"_s, Qt::AlignCenter, u"0"_s, 0},
        {u"dia"_s, u"Data"_s, {}, {}, 0},
        {u"pro_vlr_venda"_s, u"Valor Venda"_s, Qt::AlignRight, u"0.00"_s, 0},
    };
}

void add(Table& t, int id, const QString& descricao, double total = 0, const QString& preco = {})
{
    t.append();
    t.set_integer(0, id);
    t.set_text(1, descricao);
    t.set_currency(2, total);
    t.set_text(5, preco);
    t.post();
}

QStringList column_texts(const TableModel& m, int column)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.data(m.index(r, column)).toString();
    return out;
}

} // namespace

TEST(TableModel, follows_the_table_under_the_model_tester)
{
    Table t(u"tblItemVenda"_s, item_fields(), Regional::brazil());
    add(t, 1, u"ARROZ"_s);
    TableModel model(t, item_columns());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    for (int id = 2; id <= 6; ++id)
        add(t, id, (id % 2 ? u"ARROZ "_s : u"FEIJAO "_s) + QString::number(id));
    EXPECT_EQ(column_texts(model, 0), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s}));

    t.set_filter(u"pro_descricao LIKE 'ARROZ%'"_s);
    t.set_filtered(true);
    EXPECT_EQ(column_texts(model, 0), QStringList({u"1"_s, u"3"_s, u"5"_s}));

    add(t, 7, u"FEIJAO 7"_s); // hidden by the filter
    add(t, 8, u"ARROZ 8"_s);
    ASSERT_TRUE(t.locate(u"pro_id", 3));
    t.edit();
    t.set_text(1, u"MILHO"); // leaves the view
    t.post();
    ASSERT_TRUE(t.locate(u"pro_id", 4));
    t.edit();
    t.set_text(1, u"ARROZ 4"); // enters it, in row order
    t.post();
    ASSERT_TRUE(t.locate(u"pro_id", 5));
    t.edit();
    t.set_currency(2, 9.5); // stays, changed
    t.post();
    EXPECT_EQ(column_texts(model, 0), QStringList({u"1"_s, u"4"_s, u"5"_s, u"8"_s}));
    EXPECT_EQ(model.data(model.index(2, 2)).toString(), u"9,50"_s);

    t.set_current_visible(0);
    t.delete_current();
    t.set_current_visible(2);
    t.delete_current();
    EXPECT_EQ(column_texts(model, 0), QStringList({u"4"_s, u"5"_s}));

    t.set_filtered(false);
    EXPECT_EQ(model.rowCount(), 6);
    t.empty();
    EXPECT_EQ(model.rowCount(), 0);
    add(t, 9, u"SAL"_s);
    EXPECT_EQ(column_texts(model, 1), QStringList{u"SAL"_s});
}

TEST(TableModel, display_is_formatted_and_edit_is_raw)
{
    Table t(u"t"_s, item_fields(), Regional::brazil());
    t.append();
    t.set_integer(0, 42);
    t.set_text(1, u"CAFÉ");
    t.set_currency(2, 1500);
    t.set_currency(3, 2.6);
    t.set_date(4, QDate(2026, 3, 7));
    t.set_text(5, u"10,5");
    t.post();
    add(t, 43, u"NADA"_s, 0, u"NULL"_s); // a text that is no number shows as it stands
    t.append();
    t.post(); // all null

    TableModel model(t, item_columns());
    const auto display = [&](int row, int column) { return model.data(model.index(row, column)).toString(); };
    EXPECT_EQ(display(0, 0), u"42"_s);
    EXPECT_EQ(display(0, 1), u"CAFÉ"_s);
    EXPECT_EQ(display(0, 2), u"1500,00"_s);
    EXPECT_EQ(display(0, 3), u"3"_s);
    EXPECT_EQ(display(0, 4), u"07/03/2026"_s);
    EXPECT_EQ(display(0, 5), u"10,50"_s);
    EXPECT_EQ(display(1, 5), u"NULL"_s);
    for (int c = 0; c < model.columnCount(); ++c)
        EXPECT_EQ(display(2, c), QString()) << c;

    // Amounts show rounded half away from zero on the written decimals, not on the nearest double.
    t.append();
    t.set_text(2, u"2,675");
    t.set_text(5, u"1,005");
    t.post();
    EXPECT_EQ(display(3, 2), u"2,68"_s);
    EXPECT_EQ(display(3, 5), u"1,01"_s);

    EXPECT_EQ(model.data(model.index(0, 0), Qt::EditRole), QVariant(42));
    EXPECT_EQ(model.data(model.index(0, 2), Qt::EditRole), QVariant(1500.0));
    EXPECT_EQ(model.data(model.index(0, 4), Qt::EditRole), QVariant(QDate(2026, 3, 7)));
    EXPECT_FALSE(model.data(model.index(2, 0), Qt::EditRole).isValid());

    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), u"Descrição"_s);
    const auto align = [&](int column) {
        return model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(align(0), Qt::AlignRight); // numbers
    EXPECT_EQ(align(1), Qt::AlignLeft);
    EXPECT_EQ(align(3), Qt::AlignHCenter);
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
}

TEST(TableModel, dates_and_decimals_follow_the_regional_settings)
{
    Regional r;
    r.decimal_separator = u'.';
    r.date_separator = u'-';
    r.short_date_format = u"MM-dd-yyyy"_s;
    Table t(u"t"_s, item_fields(), r);
    t.append();
    t.set_currency(2, 2.5);
    t.set_date(4, QDate(2026, 3, 7));
    t.post();
    QList<GridColumn> columns = item_columns();
    columns.append({u"dia"_s, u"Dia"_s, {}, u"dd/MM/yyyy"_s, 0});
    TableModel model(t, columns);
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), u"2.50"_s);
    EXPECT_EQ(model.data(model.index(0, 4)).toString(), u"03-07-2026"_s);
    EXPECT_EQ(model.data(model.index(0, 6)).toString(), u"07-03-2026"_s);
}

TEST(TableModel, outlives_its_table)
{
    auto t = std::make_unique<Table>(u"t"_s, item_fields(), Regional::brazil());
    add(*t, 1, u"A"_s);
    TableModel model(*t, item_columns());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    t.reset();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.table(), nullptr);
}
