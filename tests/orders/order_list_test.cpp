#include "core/errors.h"
#include "modal.h"
#include "orders/order_history.h"
#include "orders/order_list_page.h"
#include "orders/order_pdf.h"
#include "pdf_text.h"
#include "qt_printers.h"
#include "recording_messages.h"
#include "store/dm_dados.h"
#include "temp_folder.h"
#include "ui/db_grid.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A copy as the order screen files it: order 10000 for client 12, two items (2 x 2,25 and
// 1 x 1234,50), terms 0/30/60, delivery on 05/03/2026, two lines of observations.
const QByteArray kCopia =
    R"({"REQUISICAO":{"TABLE":"NOVO_PEDIDO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"},"VENDA0":{)"
    R"("CLI_ID":"12","PEDIDO":"10000","VEN_PAGAMENTO":"BOLETO","VEN_DTA_ENTREGA":"05\/03\/2026",)"
    R"("VEN_TOT_MERCADORIA":"1239,00","VEN_TOT_NOTA":"1239,00","VEN_OBSERVACAO":"ENTREGAR CEDO\r\nPORT\u00C3O AZUL",)"
    R"("TAB_ID":"0","VEN_ID":"1","EMPRESA":"Teste","ITENS_VENDA":[)"
    R"({"VEN_ID":"10000","PRO_ID":"202","IVEN_ORDEM":"1","IVEN_QTD_PRODUTO":"2,00","IVEN_VLR_PRODUTO":"2,25",)"
    R"("IVEN_VLR_FLEX":"0,00","MARCA":"NULL","TAB_ID":"3"},)"
    R"({"VEN_ID":"10000","PRO_ID":"303","IVEN_ORDEM":"2","IVEN_QTD_PRODUTO":"1,00","IVEN_VLR_PRODUTO":"1234,50",)"
    R"("IVEN_VLR_FLEX":"0,00","MARCA":"NULL","TAB_ID":"0"}],)"
    R"("FINANCEIRO":[{"CRE_PAGAMENTO":"BOLETO","CRE_PARCELA":"0"},{"CRE_PAGAMENTO":"BOLETO","CRE_PARCELA":"30"},)"
    R"({"CRE_PAGAMENTO":"BOLETO","CRE_PARCELA":"60"}]}})"
    "\r\n";

// The copy with another client and total.
QByteArray copia(const QByteArray& cli, const QByteArray& total)
{
    QByteArray c = kCopia;
    c.replace(R"("CLI_ID":"12")", QByteArray(R"("CLI_ID":")" + cli + '"'));
    c.replace("1239,00", total);
    return c;
}

// A data folder with its order history, a small catalogue, and the documents handed to the viewer.
class OrderListTest : public ::testing::Test {
protected:
    TempFolder dir;
    RecordingMessages messages;
    Context context = make_context(dir, &messages);
    TdmDados dados{context.regional};
    QStringList opened;

    void SetUp() override
    {
        QDir(dir.path()).mkpath(u"historico_vendas"_s);
        context.open_document = [this](const QString& path) { opened << path; };
        Table& c = dados.tblCliente;
        c.append();
        c.set_integer(u"cli_id", 12);
        c.set_text(u"cli_razao", u"PADARIA SÃO JOÃO LTDA"_s);
        c.set_text(u"cli_end_cidade", u"CAMPINAS"_s);
        c.set_text(u"cli_end_estado", u"SP"_s);
        c.post();
        for (const auto& [id, name] :
             {std::pair{202, u"Feijão carioca 1kg"_s}, std::pair{303, u"CAFÉ <TORRADO> & MOÍDO"_s}}) {
            dados.tblProduto.append();
            dados.tblProduto.set_integer(u"pro_id", id);
            dados.tblProduto.set_text(u"pro_descricao", name);
            dados.tblProduto.post();
        }
    }
    // historico_vendas/venda_<stem>.<extension>
    void write(const QString& stem, const QByteArray& bytes, const QString& extension = u"json"_s)
    {
        dir.write(u"historico_vendas/venda_"_s + stem + u'.' + extension, bytes);
    }
    QList<QStringList> rows()
    {
        QList<QStringList> out;
        for (const OrderListRow& r : linhas_pedidos(context, dados))
            out << QStringList{r.pedido, r.data, r.cliente, r.total, r.situacao};
        return out;
    }
};

} // namespace

TEST(OrderNumber, either_decimal_separator_reads)
{
    const struct {
        const char16_t* text;
        std::optional<double> value;
    } cases[] = {
        {u"150,00", 150},
        {u"150.00", 150},
        {u" 2,25 ", 2.25},
        {u"1.234,56", 1234.56},
        {u"1,234.56", 1234.56},
        {u"-2,5", -2.5},
        {u"7", 7},
        {u"", std::nullopt},
        {u"abc", std::nullopt},
        {u"1e5", std::nullopt},
        {u"1,2,3", std::nullopt},
        {u"inf", std::nullopt},
        {u"12a", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ler_numero(QStringView(c.text)),
                  c.value ? std::optional(Money::from_double(*c.value)) : std::nullopt)
            << QStringView(c.text).toString().toStdString();
}

TEST_F(OrderListTest, a_copy_reads_whole_in_either_form_it_was_saved)
{
    const OrderKey key{u"10000"_s, QDate(2025, 12, 9)};
    // As the order screen writes it (accents escaped), and as a copy written in the ANSI code page
    // on a machine with a point for decimals and a hyphen between the parts of a date.
    QByteArray ansi = kCopia;
    ansi.replace(R"(PORT\u00C3O)", "PORT\xC3O").replace("05\\/03\\/2026", "05-03-2026");
    for (const char* number : {"1239,00", "2,00", "2,25", "1,00", "1234,50"})
        ansi.replace(number, QByteArray(number).replace(',', '.'));

    for (const QByteArray& bytes : {kCopia, ansi}) {
        const OrderCopy copy = ler_copia(bytes, key, u"venda.json"_s);
        EXPECT_EQ(copy.pedido, u"10000"_s);
        EXPECT_EQ(copy.dia, QDate(2025, 12, 9));
        EXPECT_EQ(copy.empresa, u"Teste"_s);
        EXPECT_EQ(copy.vendedor, u"1"_s);
        EXPECT_EQ(copy.cli_id, u"12"_s);
        EXPECT_EQ(copy.pagamento, u"BOLETO"_s);
        EXPECT_EQ(copy.parcelas, (QStringList{u"0"_s, u"30"_s, u"60"_s}));
        EXPECT_EQ(copy.entrega, QDate(2026, 3, 5));
        EXPECT_EQ(copy.observacao, u"ENTREGAR CEDO\r\nPORTÃO AZUL"_s);
        EXPECT_EQ(copy.tot_mercadoria, Money::from_cents(123900));
        EXPECT_EQ(copy.tot_nota, Money::from_cents(123900));
        ASSERT_EQ(copy.itens.size(), 2);
        EXPECT_EQ(copy.itens[0].pro_id, u"202"_s);
        EXPECT_EQ(copy.itens[0].quantidade, Money::from_cents(200));
        EXPECT_EQ(copy.itens[0].preco, Money::from_cents(225));
        EXPECT_EQ(copy.itens[0].valor, Money::from_cents(450));
        EXPECT_EQ(copy.itens[1].valor, Money::from_cents(123450));
    }

    // No delivery date, "NULL" texts, an unreadable price, items and terms that are not lists.
    const OrderCopy bare = ler_copia(
        R"({"VENDA0":{"CLI_ID":" 7 ","VEN_PAGAMENTO":"NULL","VEN_DTA_ENTREGA":"30/12/1899","VEN_OBSERVACAO":"NULL",)"
        R"("VEN_TOT_MERCADORIA":12.5,"ITENS_VENDA":[{"PRO_ID":5,"IVEN_QTD_PRODUTO":"3","IVEN_VLR_PRODUTO":"x"},7],)"
        R"("FINANCEIRO":"NULL"},"REQUISICAO":{"EMPRESA":"Outra"}})",
        key, u"venda.json"_s);
    EXPECT_EQ(bare.cli_id, u"7"_s);
    EXPECT_EQ(bare.empresa, u"Outra"_s);
    EXPECT_TRUE(bare.pagamento.isEmpty());
    EXPECT_TRUE(bare.observacao.isEmpty());
    EXPECT_FALSE(bare.entrega.isValid());
    EXPECT_EQ(bare.tot_mercadoria, Money::from_cents(1250));
    EXPECT_FALSE(bare.tot_nota);
    EXPECT_TRUE(bare.parcelas.isEmpty());
    ASSERT_EQ(bare.itens.size(), 1);
    EXPECT_EQ(bare.itens[0].pro_id, u"5"_s);
    EXPECT_EQ(bare.itens[0].quantidade, Money::from_cents(300));
    EXPECT_FALSE(bare.itens[0].preco);
    EXPECT_FALSE(bare.itens[0].valor);
}

TEST_F(OrderListTest, a_copy_that_is_no_order_raises_a_file_error_naming_it)
{
    const OrderKey key{u"10000"_s, QDate(2025, 12, 9)};
    for (const QByteArray& bytes : {QByteArray(), QByteArray("\r\n"), kCopia.left(200), QByteArray("[1,2]"),
                                    QByteArray(R"({"VENDA0":"NULL"})"), QByteArray(R"({"REQUISICAO":{}})"),
                                    QByteArray("\xFF\xFE{\0", 4), QByteArray(100, '\0')}) {
        try {
            ler_copia(bytes, key, u"C:\\dados\\venda_10000_091225.json"_s);
            ADD_FAILURE() << "read: " << bytes.toStdString();
        } catch (const FileError& e) {
            EXPECT_TRUE(e.message().contains(u"C:\\dados\\venda_10000_091225.json"_s))
                << e.message().toStdString();
        }
    }
    // No file at all.
    try {
        ler_copia_pedido(context, key);
        ADD_FAILURE() << "read a missing copy";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.message().contains(u"venda_10000_091225.json"_s)) << e.message().toStdString();
    }
}

TEST_F(OrderListTest, list_is_newest_first_by_day_then_number)
{
    write(u"9999_091225"_s, kCopia);
    write(u"10001_081225"_s, kCopia);
    write(u"10000_091225"_s, kCopia);
    write(u"3_100126"_s, kCopia);
    QStringList order;
    for (const QStringList& row : rows())
        order << row[0] + u' ' + row[1];
    EXPECT_EQ(order, (QStringList{u"3 10/01/2026"_s, u"10000 09/12/2025"_s, u"9999 09/12/2025"_s,
                                  u"10001 08/12/2025"_s}));
}

TEST_F(OrderListTest, each_row_shows_client_total_and_situation_and_a_damaged_copy_still_has_its_row)
{
    write(u"101_091225"_s, kCopia);
    write(u"102_091225"_s, copia("99", "1234.5"));
    write(u"102_091225"_s, {}, u"pendente"_s);
    write(u"103_091225"_s, copia("12", "0,5"));
    write(u"103_091225"_s, {}, u"enviando"_s);
    write(u"104_091225"_s, kCopia.left(120));
    // Waiting to be sent without its copy: the request kept for sending stands in for it.
    write(u"105_091225"_s, copia("12", "8,00"), u"pendente"_s);
    write(u"106_091225"_s, copia("abc", "-"));

    const QString d = u"09/12/2025"_s;
    const QList<QStringList> expected = {
        {u"106"_s, d, u"abc"_s, u""_s, u"ENVIADO"_s},
        {u"105"_s, d, u"12 - PADARIA SÃO JOÃO LTDA"_s, u"8,00"_s, u"PENDENTE"_s},
        {u"104"_s, d, u""_s, u""_s, u"ENVIADO"_s},
        {u"103"_s, d, u"12 - PADARIA SÃO JOÃO LTDA"_s, u"0,50"_s, u"NÃO ENVIADO"_s},
        {u"102"_s, d, u"99"_s, u"1234,50"_s, u"PENDENTE"_s},
        {u"101"_s, d, u"12 - PADARIA SÃO JOÃO LTDA"_s, u"1239,00"_s, u"ENVIADO"_s},
    };
    EXPECT_EQ(rows(), expected);
    EXPECT_TRUE(messages.said.isEmpty());
}

TEST_F(OrderListTest, total_takes_the_regional_separator_whatever_the_copy_was_saved_with)
{
    const struct {
        QByteArray saved;
        QChar separator;
        QString shown;
    } cases[] = {
        {"150,00", u',', u"150,00"_s},
        {"150.00", u',', u"150,00"_s},
        {"150,00", u'.', u"150.00"_s},
        {"1234.5", u'.', u"1234.50"_s},
    };
    for (const auto& c : cases) {
        write(u"1_091225"_s, copia("12", c.saved));
        context.regional.decimal_separator = c.separator;
        EXPECT_EQ(rows().value(0).value(3), c.shown) << c.saved.toStdString();
    }
}

TEST_F(OrderListTest, looking_clients_up_leaves_the_catalogue_row_where_it_was)
{
    Table& c = dados.tblCliente;
    c.append();
    c.set_integer(u"cli_id", 40);
    c.post();
    ASSERT_EQ(c.current_visible(), 1);
    write(u"101_091225"_s, kCopia);
    EXPECT_EQ(rows().value(0).value(2), u"12 - PADARIA SÃO JOÃO LTDA"_s);
    EXPECT_EQ(c.current_visible(), 1);
}

TEST_F(OrderListTest, pdf_shows_the_order_client_items_and_accents_as_written)
{
    QByteArray ansi = kCopia;
    ansi.replace(R"(PORT\u00C3O AZUL)", "PORT\xC3O AZUL <b>a & b<\\/b>");
    write(u"10000_091225"_s, ansi);

    const QString path = gravar_pdf_pedido(context, dados, {u"10000"_s, QDate(2025, 12, 9)});
    EXPECT_EQ(path, dir.path(u"pedido_10000.pdf"_s));
    EXPECT_TRUE(dir.read(u"pedido_10000.pdf"_s).startsWith("%PDF-"));
    expect_pdf_passes_qpdf(path);
    const QString text = pdf_text(path);
    for (const QString& shown : {
             u"PEDIDO DE VENDA Nº 10000"_s,
             u"09/12/2025"_s,
             u"12 - PADARIA SÃO JOÃO LTDA"_s,
             u"CAMPINAS/SP"_s,
             u"202 Feijão carioca 1kg 2 R$ 2,25 R$ 4,50"_s,
             u"303 CAFÉ <TORRADO> & MOÍDO 1 R$ 1.234,50 R$ 1.234,50"_s,
             u"R$ 1.239,00"_s,
             u"BOLETO"_s,
             u"0/30/60 dias"_s,
             u"05/03/2026"_s,
             u"ENTREGAR CEDO PORTÃO AZUL <b>a & b</b>"_s,
         })
        EXPECT_TRUE(text.contains(shown)) << shown.toStdString() << "\nin: " << text.toStdString();
}

TEST_F(OrderListTest, pdf_of_an_order_outside_the_catalogue_leaves_names_out)
{
    dados.tblCliente.empty();
    dados.tblProduto.empty();
    QByteArray bare = copia("12", "1239,00");
    bare.replace("05\\/03\\/2026", "30\\/12\\/1899");
    write(u"10000_091225"_s, bare);
    const QString text = pdf_text(gravar_pdf_pedido(context, dados, {u"10000"_s, QDate(2025, 12, 9)}));
    EXPECT_TRUE(text.contains(u"Cliente: 12 Cidade: —"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"202 2 R$ 2,25"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Entrega: não informada"_s)) << text.toStdString();
    EXPECT_FALSE(text.contains(u"PADARIA"_s));
}

// The page as the transmission screen holds it, shown and active so that its keys reach it.
class OrderListPageTest : public OrderListTest {
protected:
    OrderListPage page{context, dados};
    DbGrid* grid = nullptr;

    void SetUp() override
    {
        OrderListTest::SetUp();
        grid = child<DbGrid>(&page, u"dbgPedidos"_s);
        page.resize(700, 300);
        page.show();
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            out << grid->model()->index(r, c).data().toString();
        return out;
    }
    QPoint row_centre(int r) const { return grid->visualRect(grid->model()->index(r, 1)).center(); }
};

TEST_F(OrderListPageTest, page_names_its_grid_and_columns)
{
    EXPECT_EQ(page.objectName(), u"TabSheet3"_s);
    EXPECT_EQ(page.accessibleName(), u"Pedidos"_s);
    EXPECT_EQ(grid->accessibleName(), u"Lista de pedidos"_s);
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{u"Pedido"_s, u"Data"_s, u"Cliente"_s, u"Total"_s, u"Situação"_s}));
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(OrderListPageTest, f4_and_double_click_open_the_pdf_of_the_row)
{
    write(u"9999_091225"_s, kCopia);
    write(u"10000_091225"_s, copia("99", "10,00"));
    page.recarregar();
    ASSERT_EQ(column(0), (QStringList{u"10000"_s, u"9999"_s}));
    EXPECT_EQ(column(3), (QStringList{u"10,00"_s, u"1239,00"_s}));

    grid->setFocus();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row_centre(1));
    QTest::keyClick(grid, Qt::Key_F4);
    EXPECT_EQ(opened, QStringList{dir.path(u"pedido_9999.pdf"_s)});

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row_centre(0));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, row_centre(0));
    EXPECT_EQ(opened, (QStringList{dir.path(u"pedido_9999.pdf"_s), dir.path(u"pedido_10000.pdf"_s)}));
    for (const QString& path : opened)
        EXPECT_TRUE(QFile(path).size() > 0) << path.toStdString();
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
}

TEST_F(OrderListPageTest, a_copy_gone_or_damaged_is_reported_and_nothing_opens)
{
    write(u"10000_091225"_s, kCopia);
    page.recarregar();
    write(u"10000_091225"_s, "{\"VENDA0\":");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F4);
    ASSERT_EQ(messages.errors().size(), 1) << messages.said.join(u'\n').toStdString();
    EXPECT_TRUE(messages.errors()[0].contains(u"venda_10000_091225.json"_s))
        << messages.errors()[0].toStdString();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(dir.exists(u"pedido_10000.pdf"_s));
}

TEST_F(OrderListPageTest, reload_follows_the_folder_and_keeps_the_selected_order)
{
    // No history folder, then an empty one: an empty grid, nothing said.
    QDir(dir.path(u"historico_vendas"_s)).removeRecursively();
    page.recarregar();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    QDir(dir.path()).mkpath(u"historico_vendas"_s);
    page.recarregar();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F4);
    EXPECT_TRUE(opened.isEmpty());

    write(u"1_091225"_s, kCopia);
    write(u"2_091225"_s, kCopia);
    page.recarregar();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row_centre(1));
    write(u"3_091225"_s, kCopia);
    write(u"1_091225"_s, {}, u"pendente"_s);
    page.recarregar();
    EXPECT_EQ(column(0), (QStringList{u"3"_s, u"2"_s, u"1"_s}));
    EXPECT_EQ(column(4), (QStringList{u"ENVIADO"_s, u"ENVIADO"_s, u"PENDENTE"_s}));
    EXPECT_EQ(grid->currentIndex().row(), 2);

    // The rows stand for files: Ctrl+Delete takes none away.
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
}
