#include "app/frm_principal.h"
#include "closed_port.h"
#include "modal.h"
#include "order_fixture.h"
#include "order_screen_driving.h"
#include "orders/frm_cad_pedidos.h"
#include "settings/settings.h"
#include "ui/busy_dialog.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// The order screen over a small catalogue, answered by a scripted server.
class OrderScreen : public OrderTest {
protected:
    void SetUp() override
    {
        OrderTest::SetUp();
        fill_catalogue(dados);
    }

    // Prices are text as the server sends them, with the regional decimal separator.
    void fill_catalogue(TdmDados& d) const
    {
        const QChar sep = context.regional.decimal_separator;
        auto money = [sep](const char* text) { return QString::fromLatin1(text).replace(u',', sep); };
        struct Client {
            int id;
            QString razao, fantasia, pagamento;
            int parcelas[8];
            int tab_id;
        };
        for (const Client& c : {Client{1,
                                       u"Padaria Sao Joao Ltda"_s,
                                       u"PADARIA SAO JOAO"_s,
                                       u"PIX"_s,
                                       {28, 56, 0, 0, 0, 0, 0, 0},
                                       0},
                                Client{2,
                                       u"Comercial Central Ltda"_s,
                                       u"PADARIA CENTRAL"_s,
                                       u"A prazo especial"_s,
                                       {0, 30, 0, 60, 0, 0, 0, 0},
                                       2},
                                Client{3,
                                       u"Acougue Boi Bom ME"_s,
                                       u"ACOUGUE BOI BOM"_s,
                                       u"BOLETO"_s,
                                       {0, 0, 0, 0, 0, 0, 0, 0},
                                       1}}) {
            Table& t = d.tblCliente;
            t.append();
            t.set_integer(u"cli_id", c.id);
            t.set_text(u"cli_razao", c.razao);
            t.set_text(u"cli_fantasia", c.fantasia);
            t.set_text(u"cli_pagamento", c.pagamento);
            for (int i = 0; i < 8; ++i)
                t.set_integer(QString(u"cli_parcela"_s + QString::number(i + 1)), c.parcelas[i]);
            t.set_integer(u"tab_id", c.tab_id);
            t.post();
        }
        for (const auto& [id, name] : {std::pair{1, u"Varejo"_s}, std::pair{2, u"Atacado Sul"_s}}) {
            d.tblTabela.append();
            d.tblTabela.set_integer(u"tab_id", id);
            d.tblTabela.set_text(u"tab_descricao", name);
            d.tblTabela.post();
        }
        for (const auto& [id, name, price] :
             {std::tuple{10, "ARROZ 5KG", "25,90"}, std::tuple{20, "FEIJAO 1KG", "8,50"},
              std::tuple{30, "CAFE 500G", "15,00"}}) {
            d.tblProduto.append();
            d.tblProduto.set_integer(u"pro_id", id);
            d.tblProduto.set_text(u"pro_descricao", QString::fromLatin1(name));
            d.tblProduto.set_text(u"pro_vlr_venda", money(price));
            d.tblProduto.post();
        }
        for (const auto& [tab, pro, price] : {std::tuple{2, 10, "24,00"}, std::tuple{1, 20, "9,00"}}) {
            d.tblTabProd.append();
            d.tblTabProd.set_integer(u"tab_id", tab);
            d.tblTabProd.set_integer(u"pro_id", pro);
            d.tblTabProd.set_text(u"tap_vlr_venda", money(price));
            d.tblTabProd.post();
        }
    }

    static void show_active(QWidget* screen)
    {
        screen->show();
        screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen));
    }
    static void click(QWidget* screen, const char* button)
    {
        QTest::mouseClick(child<QToolButton>(screen, QString::fromLatin1(button)), Qt::LeftButton);
    }
    static void type(QWidget* screen, const char* edit, const QString& text)
    {
        auto* e = child<QLineEdit>(screen, QString::fromLatin1(edit));
        e->clear();
        e->setCursorPosition(0);
        QTest::keyClicks(e, text);
    }
    static QString text(QWidget* screen, const char* edit)
    {
        return child<QLineEdit>(screen, QString::fromLatin1(edit))->text();
    }
    static void click_row(QWidget* screen, const char* grid_name, int row)
    {
        auto* grid = child<DbGrid>(screen, QString::fromLatin1(grid_name));
        const QRect cell = grid->visualRect(grid->model()->index(row, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Searches a client by name and takes the given row of the list.
    void choose_client_by_name(QWidget* screen, const QString& name, int row)
    {
        type(screen, "edtCliente", name);
        const auto watch = when_modal(u"Tfrm_Lista_Clientes"_s, [row](QWidget* list) {
            click_row(list, "dbgLista", row);
            click(list, "btnFechar");
        });
        click(screen, "btnPesqClie");
    }
    // A code finds one client; the list still opens, Esc takes it, and the client has no mix.
    void choose_client_by_code(QWidget* screen, const QString& code)
    {
        reply(R"({"CHAVE_VENDEDOR":"47261"})");
        order_driving::choose_client(screen, code);
    }
    // Picks the product of a grid row and adds it with a quantity.
    static void add_product(QWidget* screen, int row, const QString& qtd)
    {
        child<QTabWidget>(screen, u"pgcProduto"_s)->setCurrentIndex(0);
        click_row(screen, "dbgPesquisa", row);
        type(screen, "edtQtd", qtd);
        click(screen, "edtAddProd");
    }
    QString said() const { return messages.said.join(u'\n'); }
    // A save that goes through: the three checks pass and the post is taken.
    void answer_a_save()
    {
        for (const QByteArray& r : kPass)
            reply(r);
        server.answer(ScriptedServer::http(200, "{\"result\":[]}"));
    }
    // Order 10000 on the screen, shown and active, for client 1 with three of the second product.
    void compose_order(Tfrm_Cad_Pedidos& screen)
    {
        screen.set_pedido(10000);
        show_active(&screen);
        choose_client_by_code(&screen, u"1"_s);
        add_product(&screen, 1, u"3"_s);
        messages.clear();
    }
};

} // namespace

TEST_F(OrderScreen, an_order_composed_on_the_screen_is_checked_sent_and_filed)
{
    const struct {
        Regional regional;
        QString date_typed;
        QByteArray estoque, venda0;
    } cases[] = {
        {Regional::brazil(), u"05032026"_s,
         R"([{"PRO_ID":"10","IVEN_QTD_PRODUTO":"2,00"},{"PRO_ID":"30","IVEN_QTD_PRODUTO":"1,00"}])",
         R"({"CLI_ID":"2","PEDIDO":"10000","VEN_PAGAMENTO":"A PRAZO ESPECIAL","VEN_DTA_ENTREGA":"05\/03\/2026",)"
         R"("VEN_TOT_MERCADORIA":"63,00","VEN_TOT_NOTA":"63,00","VEN_OBSERVACAO":"ENTREGAR CEDO\r\nPORT\u00C3O AZUL",)"
         R"("TAB_ID":"0","VEN_ID":"1","EMPRESA":"Teste","ITENS_VENDA":[)"
         R"({"VEN_ID":"10000","PRO_ID":"10","IVEN_ORDEM":"1","IVEN_QTD_PRODUTO":"2,00","IVEN_VLR_PRODUTO":"24,00",)"
         R"("IVEN_VLR_FLEX":"0,00","MARCA":"NULL","TAB_ID":"2"},)"
         R"({"VEN_ID":"10000","PRO_ID":"30","IVEN_ORDEM":"2","IVEN_QTD_PRODUTO":"1,00","IVEN_VLR_PRODUTO":"15,00",)"
         R"("IVEN_VLR_FLEX":"0,00","MARCA":"NULL","TAB_ID":"0"}],"FINANCEIRO":[)"
         R"({"CRE_PAGAMENTO":"A PRAZO ESPECIAL","CRE_PARCELA":"0"},{"CRE_PAGAMENTO":"A PRAZO ESPECIAL","CRE_PARCELA":"30"},)"
         R"({"CRE_PAGAMENTO":"A PRAZO ESPECIAL","CRE_PARCELA":"60"}]})"},
        // Month first in the short date; the request keeps day first.
        {Regional{u'.', u'/', u"M/d/yyyy"_s}, u"03052026"_s,
         R"([{"PRO_ID":"10","IVEN_QTD_PRODUTO":"2.00"},{"PRO_ID":"30","IVEN_QTD_PRODUTO":"1.00"}])",
         R"({"CLI_ID":"2","PEDIDO":"10000","VEN_PAGAMENTO":"A PRAZO ESPECIAL","VEN_DTA_ENTREGA":"05\/03\/2026",)"
         R"("VEN_TOT_MERCADORIA":"63.00","VEN_TOT_NOTA":"63.00","VEN_OBSERVACAO":"ENTREGAR CEDO\r\nPORT\u00C3O AZUL",)"
         R"("TAB_ID":"0","VEN_ID":"1","EMPRESA":"Teste","ITENS_VENDA":[)"
         R"({"VEN_ID":"10000","PRO_ID":"10","IVEN_ORDEM":"1","IVEN_QTD_PRODUTO":"2.00","IVEN_VLR_PRODUTO":"24.00",)"
         R"("IVEN_VLR_FLEX":"0.00","MARCA":"NULL","TAB_ID":"2"},)"
         R"({"VEN_ID":"10000","PRO_ID":"30","IVEN_ORDEM":"2","IVEN_QTD_PRODUTO":"1.00","IVEN_VLR_PRODUTO":"15.00",)"
         R"("IVEN_VLR_FLEX":"0.00","MARCA":"NULL","TAB_ID":"0"}],"FINANCEIRO":[)"
         R"({"CRE_PAGAMENTO":"A PRAZO ESPECIAL","CRE_PARCELA":"0"},{"CRE_PAGAMENTO":"A PRAZO ESPECIAL","CRE_PARCELA":"30"},)"
         R"({"CRE_PAGAMENTO":"A PRAZO ESPECIAL","CRE_PARCELA":"60"}]})"},
    };
    for (const auto& c : cases) {
        context.regional = c.regional;
        TdmDados d(context.regional);
        fill_catalogue(d);
        transport.bodies.clear();
        QFile::remove(dir.path(u"historico_vendas/venda_10000_091225.json"_s));

        Tfrm_Cad_Pedidos screen(context, d);
        screen.set_pedido(10000);
        show_active(&screen);
        EXPECT_EQ(screen.windowTitle(), u"CADASTRO DE PEDIDOS"_s);
        EXPECT_EQ(child<QLabel>(&screen, u"lblPedido"_s)->text(), u"10000"_s);
        auto* tabelas = child<QComboBox>(&screen, u"cbxTabelas"_s);
        EXPECT_EQ(tabelas->itemText(1), u"ATACADO SUL"_s);
        EXPECT_EQ(text(&screen, "edtDtaEntrega"), u"//"_s);

        // Two trade names begin with PAD; the second row is taken, and its legal name shown.
        reply(R"({"MIX_VENDA0":{"PRO_ID":"10","QTD_PERIODO":"3"},"CHAVE_VENDEDOR":"47261"})");
        choose_client_by_name(&screen, u"pad"_s, 1);
        EXPECT_EQ(text(&screen, "edtCod_Cliente"), u"2"_s);
        EXPECT_EQ(text(&screen, "edtCliente"), u"COMERCIAL CENTRAL LTDA"_s);
        EXPECT_EQ(child<QComboBox>(&screen, u"cbxPagamentos"_s)->currentText(), u"A PRAZO ESPECIAL"_s);
        EXPECT_EQ(text(&screen, "edtP4"), u"60"_s);
        EXPECT_EQ(tabelas->currentText(), u"ATACADO SUL"_s);
        EXPECT_FALSE(d.tblCliente.filtered());
        EXPECT_EQ(column(d.tblMix, "pro_id"), QStringList{u"10"_s});
        ASSERT_TRUE(said().isEmpty()) << said().toStdString();

        // The table's price for rice; then beans, which the table does not price, start from no table.
        child<QTabWidget>(&screen, u"pgcProduto"_s)->setCurrentIndex(0);
        click_row(&screen, "dbgPesquisa", 0);
        EXPECT_EQ(text(&screen, "edtQtd"), u"1"_s);
        EXPECT_EQ(child<NumberEdit>(&screen, u"edtVlrVenda"_s)->value(), 24.0);
        EXPECT_EQ(child<QLabel>(&screen, u"lblTabID"_s)->text(), u"2"_s);
        click_row(&screen, "dbgPesquisa", 1);
        EXPECT_EQ(child<NumberEdit>(&screen, u"edtVlrVenda"_s)->value(), 8.5);
        EXPECT_EQ(child<QLabel>(&screen, u"lblTabID"_s)->text(), u"0"_s);

        add_product(&screen, 0, u"2"_s);
        add_product(&screen, 1, u"1"_s);
        add_product(&screen, 2, u"1"_s);
        EXPECT_EQ(child<NumberEdit>(&screen, u"edtTot_Pedido"_s)->value(), 71.5);
        EXPECT_TRUE(text(&screen, "edtCod_Produto").isEmpty());
        EXPECT_EQ(child<QLabel>(&screen, u"lblTabID"_s)->text(), u"0"_s);
        child<QTabWidget>(&screen, u"pgcProduto"_s)->setCurrentIndex(1);
        EXPECT_EQ(child<DbGrid>(&screen, u"dbgItemVenda"_s)->model()->rowCount(), 3);
        click_row(&screen, "dbgItemVenda", 1);
        click(&screen, "btnExcluir");
        EXPECT_EQ(child<NumberEdit>(&screen, u"edtTot_Pedido"_s)->value(), 63.0);
        // The grid's Ctrl+Delete takes the item's amount out of the total too; Cancel keeps it.
        messages.answers = {false};
        QTest::keyClick(child<DbGrid>(&screen, u"dbgItemVenda"_s), Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(child<DbGrid>(&screen, u"dbgItemVenda"_s)->model()->rowCount(), 2);
        click_row(&screen, "dbgItemVenda", 1);
        QTest::keyClick(child<DbGrid>(&screen, u"dbgItemVenda"_s), Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(child<DbGrid>(&screen, u"dbgItemVenda"_s)->model()->rowCount(), 1);
        EXPECT_EQ(child<NumberEdit>(&screen, u"edtTot_Pedido"_s)->value(), 48.0);
        EXPECT_EQ(said(), u"confirm: Delete record?\nconfirm: Delete record?"_s);
        messages.clear();
        add_product(&screen, 2, u"1"_s);
        child<QTabWidget>(&screen, u"pgcProduto"_s)->setCurrentIndex(1);
        EXPECT_EQ(child<NumberEdit>(&screen, u"edtTot_Pedido"_s)->value(), 63.0);

        auto* obs = child<QPlainTextEdit>(&screen, u"memObs"_s);
        QTest::keyClicks(obs, u"entregar cedo"_s);
        QTest::keyClick(obs, Qt::Key_Return);
        QTest::keyClicks(obs, u"port"_s);
        QTest::sendKeyEvent(QTest::Click, obs, Qt::Key_unknown, u"ã"_s, Qt::NoModifier);
        QTest::keyClicks(obs, u"o azul"_s);
        type(&screen, "edtTaxaEntrega", u"20"_s);
        type(&screen, "edtDtaEntrega", c.date_typed);

        answer_a_save();
        click(&screen, "btnGravar");

        EXPECT_EQ(messages.said, QStringList{u"information: Pedido Criado com Sucesso!"_s});
        EXPECT_FALSE(screen.isVisible());
        ASSERT_EQ(transport.bodies.size(), 5);
        EXPECT_EQ(
            transport.request(1),
            R"({"REQUISICAO":{"TABLE":"VALIDAR_ESTOQUE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"},"ITENS_VENDA":)" +
                c.estoque + "}");
        EXPECT_EQ(transport.request(2), R"({"REQUISICAO":{"TABLE":"VALIDAR_FINANCEIRO","EMPRESA":"Teste",)"
                                        R"("CHAVE_VENDEDOR":"Teste1","CLI_ID":"2"}})");
        const QByteArray pedido =
            R"({"REQUISICAO":{"TABLE":"NOVO_PEDIDO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1"},"VENDA0":)" +
            c.venda0 + "}";
        EXPECT_EQ(transport.request(4), pedido);
        EXPECT_EQ(dir.read(u"historico_vendas/venda_10000_091225.json"_s), pedido + "\r\n");

        Table& venda = d.tblVenda;
        ASSERT_EQ(venda.record_count(), 1);
        EXPECT_EQ(venda.as_float(u"ven_tot_frete"), 20);
        EXPECT_EQ(venda.as_float(u"ven_tot_nota"), 83);
        EXPECT_EQ(venda.as_integer(u"tab_id"), 2);
        EXPECT_EQ(venda.as_date(u"ven_dta_entrega"), QDate(2026, 3, 5));
        messages.clear();
    }
}

TEST_F(OrderScreen, failed_checks_warn_and_keep_the_order_for_another_try)
{
    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(10000);
    show_active(&screen);
    choose_client_by_code(&screen, u"1"_s);
    EXPECT_EQ(text(&screen, "edtCliente"), u"PADARIA SAO JOAO LTDA"_s);
    EXPECT_EQ(child<QComboBox>(&screen, u"cbxTabelas"_s)->currentText(), u""_s);
    add_product(&screen, 1, u"3"_s);

    reply(R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":[{"PRO_ID":"20","QTD_DISPONIVEL":"1"}]})");
    reply(R"({"VALIDAR_FINANCEIRO":"NAO_LIBERADO","TITULOS":[{"CRE_TITULO":"88","CRE_PARCELA":"1",)"
          R"("CRE_DTA_VENCIMENTO":"01/02/2025","CRE_TOT_DIFERENCA":"99,90"}]})");
    reply(R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":"NULL"})");
    click(&screen, "btnGravar");
    EXPECT_EQ(messages.said,
              (QStringList{
                  u"beep"_s, u"warning: **** PRODUTOS SEM ESTOQUE ****\r\r[20] Disp [ 1]\r"_s, u"beep"_s,
                  u"warning: **** CLIENTE COM PENDENCIAS NO FINANCEIRO ****\r\r88-1[01/02/2025] R$ 99,90\r"_s,
                  u"beep"_s, u"warning: SEU PEDIDO NÃO SERÁ ENVIADO ATÉ [17:00] DE SEGUNDA A QUINTA"_s}));
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(dados.tblVenda.record_count(), 0);
    EXPECT_EQ(transport.bodies.size(), 4);

    messages.clear();
    type(&screen, "edtCod_Produto", u"30"_s);
    click(&screen, "btnPesqProd");
    EXPECT_EQ(child<NumberEdit>(&screen, u"edtVlrVenda"_s)->value(), 15.0);
    click(&screen, "edtAddProd");
    answer_a_save();
    click(&screen, "btnGravar");
    EXPECT_EQ(messages.said, QStringList{u"information: Pedido Criado com Sucesso!"_s});
    EXPECT_TRUE(transport.request(7).contains(
        R"("FINANCEIRO":[{"CRE_PAGAMENTO":"PIX","CRE_PARCELA":"28"},{"CRE_PAGAMENTO":"PIX","CRE_PARCELA":"56"}])"));
    // A search adds nothing to the quantity: the second item goes out with 0.
    EXPECT_TRUE(transport.request(7).contains(R"("PRO_ID":"30","IVEN_ORDEM":"2","IVEN_QTD_PRODUTO":"0,00")"));
    EXPECT_FALSE(screen.isVisible());
}

TEST_F(OrderScreen, every_failure_while_saving_not_kept_leaves_the_screen_open_and_claims_nothing)
{
    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(10000);
    show_active(&screen);
    // Saving without a client says what is missing, and sends nothing.
    click(&screen, "btnGravar");
    EXPECT_EQ(messages.said, QStringList{u"warning: Escolha o cliente do pedido antes de gravar."_s});
    EXPECT_TRUE(server.requests.isEmpty());
    messages.clear();

    type(&screen, "edtCod_Cliente", u"3"_s);
    const auto post = [this](int status, const QByteArray& body) {
        server.answer(ScriptedServer::http(status, body));
    };
    const ClosedPort down;
    const struct {
        std::function<void()> arrange;
        QString error;
        int headers;
        bool filed;
    } cases[] = {
        {[&] { dir.write(u"config.ini"_s, "[CONFIGURACAO]\r\nIP=" + down.address().toUtf8() + "\r\n"); },
         u"127.0.0.1"_s, 0, false},
        {[&] {
             configure(u"Teste"_s, u"1"_s, u"47261"_s);
             reply(R"({"CHAVE_VENDEDOR":"47261"})");
         },
         u"VALIDAR_ESTOQUE"_s, 0, false},
        {[&] {
             QDir(dir.path(u"historico_vendas"_s)).removeRecursively();
             for (const QByteArray& r : kPass)
                 reply(r);
         },
         u"historico_vendas"_s, 1, false},
        {[&] {
             QDir(dir.path()).mkpath(u"historico_vendas"_s);
             for (const QByteArray& r : kPass)
                 reply(r);
             post(500, R"({"error":"Pedido recusado pelo servidor"})");
         },
         u"Pedido recusado pelo servidor"_s, 2, true},
        // The reply to the post is cut in the middle: the server may hold the order, the copy stays.
        {[&] {
             QFile::remove(dir.path(u"historico_vendas/venda_10000_091225.json"_s));
             for (const QByteArray& r : kPass)
                 reply(r);
             server.answer({"HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n{\"res", true, false});
         },
         u"encerrada"_s, 3, true},
    };
    for (const auto& c : cases) {
        messages.clear();
        c.arrange();
        // Where the server could not be reached the salesperson is asked instead, and declines.
        messages.answers = {false};
        click(&screen, "btnGravar");
        ASSERT_EQ(messages.said.size(), 1) << said().toStdString();
        const bool unreachable = c.error == u"127.0.0.1"_s || c.error == u"encerrada"_s;
        EXPECT_TRUE(messages.said[0].startsWith(
                        unreachable ? u"confirm: Não foi possível falar com o servidor"_s : u"error: "_s) &&
                    messages.said[0].contains(c.error))
            << messages.said[0].toStdString();
        EXPECT_TRUE(screen.isVisible());
        EXPECT_EQ(dados.tblVenda.record_count(), c.headers);
        EXPECT_EQ(dir.exists(u"historico_vendas/venda_10000_091225.json"_s), c.filed);
    }
}

TEST_F(OrderScreen, clicks_and_keys_during_a_slow_save_do_nothing_and_the_order_is_posted_once)
{
    BusyDialog busy;
    transport.http.set_progress(&busy);
    Tfrm_Cad_Pedidos screen(context, dados);
    compose_order(screen);

    // While each call waits for its answer, the salesperson saves again, cancels, presses Esc, F2
    // and F3, and double-clicks save as the order is posted.
    for (const QByteArray& r : kPass)
        server.answer(ScriptedServer::http(200, "{\"result\":[" + r + "]}"));
    server.answer(ScriptedServer::http(200, "{\"result\":[]}"));
    messages.answers = {true, true, true};
    bool open_before_the_post_returned = false;
    server.on_request = [&](qsizetype count) {
        switch (count) {
        case 1:
            click(&screen, "btnGravar");
            break;
        case 2:
            click(&screen, "btnCancelar");
            QTest::keyClick(&screen, Qt::Key_F2);
            break;
        case 3:
            QTest::keyClick(&screen, Qt::Key_Escape);
            QTest::keyClick(&screen, Qt::Key_F3);
            break;
        default:
            QTest::mouseDClick(child<QToolButton>(&screen, u"btnGravar"_s), Qt::LeftButton);
            open_before_the_post_returned = screen.isVisible();
        }
    };
    click(&screen, "btnGravar");
    server.on_request = nullptr;

    EXPECT_EQ(messages.said, QStringList{u"information: Pedido Criado com Sucesso!"_s});
    EXPECT_TRUE(open_before_the_post_returned);
    EXPECT_EQ(server.requests.size(), 5);
    EXPECT_EQ(dados.tblVenda.record_count(), 1);
    EXPECT_FALSE(screen.isVisible());
    EXPECT_FALSE(busy.isVisible());
    // The gate is open again once the save has ended.
    screen.show();
    messages.clear();
    messages.answers = {false};
    click(&screen, "btnCancelar");
    EXPECT_EQ(messages.said, QStringList{u"confirm: Deseja Cancelar o Pedido?"_s});
}

// The buttons are captioned F2 and F3: the keys save and cancel as the buttons do, right after the
// client list has closed.
TEST_F(OrderScreen, f2_saves_and_f3_cancels_as_the_buttons_do)
{
    Tfrm_Cad_Pedidos screen(context, dados);
    compose_order(screen);
    // The client list closed: the order screen has the keyboard again, without a click.
    EXPECT_TRUE(screen.isActiveWindow());

    messages.answers = {false};
    QTest::keyClick(&screen, Qt::Key_F3);
    EXPECT_EQ(messages.said, QStringList{u"confirm: Deseja Cancelar o Pedido?"_s});
    EXPECT_TRUE(screen.isVisible());

    messages.clear();
    answer_a_save();
    messages.answers = {true, true, true};
    QTest::keyClick(&screen, Qt::Key_F2);
    EXPECT_EQ(messages.said, QStringList{u"information: Pedido Criado com Sucesso!"_s});
    EXPECT_EQ(dados.tblVenda.record_count(), 1);
    EXPECT_FALSE(screen.isVisible());
}

// Enter in a search field searches as the magnifier does; the client list it opens shows what it
// was searched by.
TEST_F(OrderScreen, enter_in_a_search_field_searches)
{
    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(10000);
    show_active(&screen);
    type(&screen, "edtCliente", u"PADARIA"_s);
    reply(R"({"CHAVE_VENDEDOR":"47261"})"); // the mix of the client Esc leaves chosen: none
    QString shown;
    int rows = 0;
    {
        const auto watch = when_modal(u"Tfrm_Lista_Clientes"_s, [&](QWidget* list) {
            shown = child<QLineEdit>(list, u"edtCliente"_s)->text();
            rows = child<DbGrid>(list, u"dbgLista"_s)->model()->rowCount();
            QTest::keyClick(list, Qt::Key_Escape);
        });
        QTest::keyClick(child<QLineEdit>(&screen, u"edtCliente"_s), Qt::Key_Return);
    }
    EXPECT_EQ(shown, u"PADARIA"_s);
    EXPECT_EQ(rows, 2);

    type(&screen, "edtProduto", u"xyz"_s);
    QTest::keyClick(child<QLineEdit>(&screen, u"edtProduto"_s), Qt::Key_Return);
    EXPECT_EQ(messages.said, QStringList{u"warning: Produto NÃO Localizado!"_s});
}

TEST_F(OrderScreen, a_double_click_or_enter_in_the_client_list_chooses_the_client)
{
    for (const bool by_enter : {false, true}) {
        SCOPED_TRACE(by_enter ? "Enter" : "double-click");
        Tfrm_Cad_Pedidos screen(context, dados);
        screen.set_pedido(10000);
        show_active(&screen);
        type(&screen, "edtCliente", u"PADARIA"_s);
        reply(R"({"CHAVE_VENDEDOR":"47261"})");
        {
            const auto no_card = refuse_modal(u"Tfrm_Cad_Clientes"_s);
            const auto watch = when_modal(u"Tfrm_Lista_Clientes"_s, [&](QWidget* list) {
                auto* grid = child<DbGrid>(list, u"dbgLista"_s);
                const QPoint cell = grid->visualRect(grid->model()->index(1, 1)).center();
                if (by_enter) {
                    // The keyboard is on the rows from the start.
                    EXPECT_EQ(QApplication::focusWidget(), grid);
                    QTest::keyClick(grid, Qt::Key_Down);
                    QTest::keyClick(grid, Qt::Key_Return);
                } else {
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
                    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
                }
                if (list->isVisible()) {
                    ADD_FAILURE() << "the list stayed open";
                    QTest::keyClick(list, Qt::Key_Escape);
                }
            });
            click(&screen, "btnPesqClie");
        }
        EXPECT_EQ(text(&screen, "edtCod_Cliente"), u"2"_s);
        EXPECT_EQ(text(&screen, "edtCliente"), u"COMERCIAL CENTRAL LTDA"_s);
    }
}

TEST_F(OrderScreen, searches_that_find_nothing_warn_and_a_bad_table_price_is_reported)
{
    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(10000);
    show_active(&screen);
    type(&screen, "edtCliente", u"xyz"_s);
    click(&screen, "btnPesqClie");
    type(&screen, "edtProduto", u"xyz"_s);
    click(&screen, "btnPesqProd");
    EXPECT_EQ(messages.said,
              (QStringList{u"warning: Cliente NÃO Localizado!"_s, u"warning: Produto NÃO Localizado!"_s}));
    EXPECT_FALSE(dados.tblCliente.filtered());
    EXPECT_FALSE(dados.tblProduto.filtered());
    EXPECT_TRUE(server.requests.isEmpty());

    // Beans in table VAREJO, priced with a text that is no number: the product's own price stays.
    messages.clear();
    ASSERT_TRUE(dados.tblTabProd.locate(u"tab_id;pro_id", {QVariant(1), QVariant(20)}));
    dados.tblTabProd.edit();
    dados.tblTabProd.set_text(u"tap_vlr_venda", u"NULL"_s);
    dados.tblTabProd.post();
    child<QComboBox>(&screen, u"cbxTabelas"_s)->setEditText(u"varejo"_s);
    click(&screen, "btnLimparProd");
    click_row(&screen, "dbgPesquisa", 1);
    ASSERT_EQ(messages.said.size(), 1);
    EXPECT_TRUE(messages.said[0].startsWith(u"error: Falha ao Mostrar Dados da Tabela - "_s));
    EXPECT_EQ(child<NumberEdit>(&screen, u"edtVlrVenda"_s)->value(), 8.5);
    EXPECT_EQ(text(&screen, "edtQtd"), u"1"_s);
}

// A price typed or sent past reason: an item whose amount would take the order past the largest
// amount is told on the screen and not added, and the total stays as it was.
TEST_F(OrderScreen, an_item_past_the_largest_amount_is_refused_and_the_total_kept)
{
    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(10000);
    show_active(&screen);
    add_product(&screen, 0, u"1"_s);
    const QString total = text(&screen, "edtTot_Pedido");
    const int items = dados.tblItemVenda.record_count();
    messages.clear();
    child<QTabWidget>(&screen, u"pgcProduto"_s)->setCurrentIndex(0);
    click_row(&screen, "dbgPesquisa", 0);
    type(&screen, "edtVlrVenda", u"90000000000000"_s);
    type(&screen, "edtQtd", u"2"_s);
    click(&screen, "edtAddProd");
    ASSERT_EQ(messages.said.size(), 1) << said().toStdString();
    EXPECT_TRUE(messages.said[0].contains(u"passa do limite"_s)) << said().toStdString();
    EXPECT_EQ(dados.tblItemVenda.record_count(), items);
    EXPECT_EQ(text(&screen, "edtTot_Pedido"), total);
}

TEST_F(OrderScreen, cancel_asks_first_and_every_closing_advances_the_order_number)
{
    Tfrm_Principal main_window(context);
    const std::function<void(QWidget*)> ways[] = {
        [](QWidget* s) { QTest::keyClick(s, Qt::Key_Escape); },
        [this](QWidget* s) {
            type(s, "edtCod_Cliente", u"1"_s);
            messages.answers = {false};
            click(s, "btnCancelar");
            EXPECT_TRUE(s->isVisible());
            EXPECT_EQ(text(s, "edtCod_Cliente"), u"1"_s);
            messages.answers = {true};
            click(s, "btnCancelar");
        },
        [](QWidget* s) { click(s, "btnFechar"); },
    };
    QStringList shown;
    for (const auto& close_it : ways) {
        const auto watch = when_modal(u"Tfrm_Cad_Pedidos"_s, [&](QWidget* s) {
            shown << child<QLabel>(s, u"lblPedido"_s)->text();
            close_it(s);
        });
        main_window.btnPedidosClick();
    }
    EXPECT_EQ(shown, (QStringList{u"9999"_s, u"10000"_s, u"10001"_s}));
    EXPECT_EQ(Settings(context).read_pedido(), 10002);
    EXPECT_EQ(messages.said, (QStringList{u"confirm: Deseja Cancelar o Pedido?"_s,
                                          u"confirm: Deseja Cancelar o Pedido?"_s}));
    EXPECT_TRUE(server.requests.isEmpty());
}

namespace {

// A client with a purchase mix: coffee (30), rice (10), and a product the catalogue lacks (99).
const QByteArray kMix = R"({"MIX_VENDA0":{"PRO_ID":"30","QTD_PERIODO":"12","VLR_ULT_VENDA":"14,50"},)"
                        R"("MIX_VENDA1":{"PRO_ID":"10","QTD_PERIODO":"3","VLR_ULT_VENDA":"25"},)"
                        R"("MIX_VENDA2":{"PRO_ID":"99","QTD_PERIODO":"1","VLR_ULT_VENDA":"3,00"},)"
                        R"("CHAVE_VENDEDOR":"47261"})";

class OrderPanels : public OrderScreen {
protected:
    // Client 2 (terms 0/30/0/60, table "Atacado Sul", which prices rice at 24,00), with the mix.
    void choose_client_with_mix(QWidget* screen)
    {
        type(screen, "edtCod_Cliente", u"2"_s);
        reply(kMix);
        const auto watch = when_modal(u"Tfrm_Lista_Clientes"_s,
                                      [](QWidget* list) { QTest::keyClick(list, Qt::Key_Escape); });
        click(screen, "btnPesqClie");
    }
    static QStringList grid_rows(QWidget* screen, const char* name)
    {
        const TableModel* model = child<DbGrid>(screen, QString::fromLatin1(name))->table_model();
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c)
                cells << model->display_text(r, c);
            out << cells.join(u'|');
        }
        return out;
    }
    static QString memo(QWidget* screen, const char* name)
    {
        return child<QPlainTextEdit>(screen, QString::fromLatin1(name))->toPlainText();
    }
    // Picks a product of the search grid, then types its quantity and price.
    static void add_priced(QWidget* screen, int row, const QString& qtd, const QString& price)
    {
        child<QTabWidget>(screen, u"pgcProduto"_s)->setCurrentIndex(0);
        click_row(screen, "dbgPesquisa", row);
        type(screen, "edtQtd", qtd);
        type(screen, "edtVlrVenda", price);
        click(screen, "edtAddProd");
    }
    static void change(Table& table, const char* key, int id, const char* field, const QString& value)
    {
        ASSERT_TRUE(table.locate(QString::fromLatin1(key), QVariant(id)));
        table.edit();
        table.set_text(QString::fromLatin1(field), value);
        table.post();
    }
    void delete_item(QWidget* screen, int row)
    {
        child<QTabWidget>(screen, u"pgcProduto"_s)->setCurrentIndex(1);
        click_row(screen, "dbgItemVenda", row);
        click(screen, "btnExcluir");
    }
};

} // namespace

TEST_F(OrderPanels, the_mix_page_shows_the_chosen_clients_mix_and_adds_from_it_by_click_and_by_search)
{
    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(10000);
    show_active(&screen);
    choose_client_with_mix(&screen);
    child<QTabWidget>(&screen, u"pgcProduto"_s)->setCurrentIndex(2);
    EXPECT_EQ(grid_rows(&screen, "DBGrid2"),
              (QStringList{u"30|CAFE 500G|12|14,50"_s, u"10|ARROZ 5KG|3|25,00"_s, u"99||1|3,00"_s}));
    EXPECT_EQ(child<DbGrid>(&screen, u"DBGrid2"_s)->accessibleName(), u"Mix do cliente"_s);

    // A click takes the product with the chosen table's price; the quantity starts at 1.
    click_row(&screen, "DBGrid2", 1);
    EXPECT_EQ(text(&screen, "edtCod_Mix"), u"10"_s);
    EXPECT_EQ(text(&screen, "edtMix"), u"ARROZ 5KG"_s);
    EXPECT_EQ(text(&screen, "edtQtdMix"), u"1"_s);
    EXPECT_EQ(text(&screen, "edtVlrMix"), u"24,00"_s);
    type(&screen, "edtQtdMix", u"2"_s);
    click(&screen, "btnAddMix");
    // By search, the start of the description: coffee has no price in that table, its own goes.
    type(&screen, "edtMix", u"caf"_s);
    click(&screen, "btnPesqMix");
    EXPECT_EQ(text(&screen, "edtCod_Mix"), u"30"_s);
    EXPECT_EQ(text(&screen, "edtVlrMix"), u"15,00"_s);
    click(&screen, "btnAddMix");
    EXPECT_TRUE(messages.said.isEmpty()) << said().toStdString();
    EXPECT_EQ(column(dados.tblItemVenda, "pro_id"), (QStringList{u"10"_s, u"30"_s}));
    EXPECT_EQ(column(dados.tblItemVenda, "tab_id"), (QStringList{u"2"_s, u"0"_s}));
    EXPECT_EQ(text(&screen, "edtTot_Pedido"), u"63,00"_s);
    for (const char* edit : {"edtCod_Mix", "edtMix"})
        EXPECT_EQ(text(&screen, edit), u""_s) << edit;
    EXPECT_EQ(grid_rows(&screen, "DBGrid2").size(), 3);

    // A product the catalogue lacks, by click or by code, is not found; the clear button empties.
    click_row(&screen, "DBGrid2", 2);
    type(&screen, "edtCod_Mix", u"77"_s);
    click(&screen, "btnPesqMix");
    EXPECT_EQ(messages.said,
              (QStringList{u"warning: Produto NÃO Localizado!"_s, u"warning: Produto NÃO Localizado!"_s}));
    EXPECT_EQ(grid_rows(&screen, "DBGrid2").size(), 3);
    click_row(&screen, "DBGrid2", 0);
    click(&screen, "btnLimparMix");
    for (const char* edit : {"edtCod_Mix", "edtMix", "edtQtdMix", "edtVlrMix"})
        EXPECT_TRUE(text(&screen, edit).isEmpty() || text(&screen, edit).startsWith(u'0')) << edit;

    // Another client: the page shows that client's mix only, tblMix keeps both.
    choose_client_by_code(&screen, u"1"_s);
    EXPECT_TRUE(grid_rows(&screen, "DBGrid2").isEmpty());
    EXPECT_EQ(dados.tblMix.record_count(), 3);
}

TEST_F(OrderPanels, due_dates_split_the_total_in_cents_from_the_delivery_date_or_today)
{
    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(10000);
    show_active(&screen);
    choose_client_with_mix(&screen);
    EXPECT_EQ(memo(&screen, "memDatas"), u""_s); // no item yet
    add_priced(&screen, 2, u"1"_s, u"17,60"_s);
    // Terms 0/30/60 from today, 09/12/2025; the first instalment takes the odd cents.
    EXPECT_EQ(memo(&screen, "memDatas"),
              u"1/3 09/12/2025 R$ 5,88\n2/3 08/01/2026 R$ 5,86\n3/3 07/02/2026 R$ 5,86"_s);
    type(&screen, "edtDtaEntrega", u"20122025"_s);
    EXPECT_EQ(memo(&screen, "memDatas"),
              u"1/3 20/12/2025 R$ 5,88\n2/3 19/01/2026 R$ 5,86\n3/3 18/02/2026 R$ 5,86"_s);
    type(&screen, "edtP2", u"0"_s);
    EXPECT_EQ(memo(&screen, "memDatas"), u"1/2 20/12/2025 R$ 8,80\n2/2 18/02/2026 R$ 8,80"_s);
    delete_item(&screen, 0);
    EXPECT_EQ(memo(&screen, "memDatas"), u""_s);
}

TEST_F(OrderPanels, early_warnings_follow_the_order_and_never_block_the_save)
{
    change(dados.tblCliente, "cli_id", 2, "cli_limite_credito", u"80,00"_s);
    change(dados.tblProduto, "pro_id", 10, "pro_qtd_estoque", u"3"_s);
    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(10000);
    show_active(&screen);
    choose_client_with_mix(&screen);
    EXPECT_EQ(memo(&screen, "memAlertas"), u""_s);

    add_priced(&screen, 0, u"2"_s, u"24,00"_s); // rice at its table price
    EXPECT_EQ(memo(&screen, "memAlertas"), u"MIX: 1 PRODUTO(S) DO MIX FORA DO PEDIDO"_s);
    add_priced(&screen, 0, u"2"_s, u"20,00"_s);
    EXPECT_EQ(memo(&screen, "memAlertas"), u"LIMITE DE CRÉDITO EXCEDIDO: PEDIDO R$ 88,00 / LIMITE R$ 80,00\n"
                                           u"ESTOQUE: [10] ARROZ 5KG PEDIDO 4 DISPONÍVEL 3\n"
                                           u"PREÇO ABAIXO DA TABELA: [10] ARROZ 5KG R$ 20,00 < R$ 24,00\n"
                                           u"MIX: 1 PRODUTO(S) DO MIX FORA DO PEDIDO"_s);
    delete_item(&screen, 1);
    EXPECT_EQ(memo(&screen, "memAlertas"), u"MIX: 1 PRODUTO(S) DO MIX FORA DO PEDIDO"_s);
    add_priced(&screen, 2, u"1"_s, u"15,00"_s); // coffee: the mix is in the order now
    EXPECT_EQ(memo(&screen, "memAlertas"), u""_s);

    // Warnings decide nothing: the save goes to the server as ever.
    answer_a_save();
    click(&screen, "btnGravar");
    EXPECT_EQ(messages.said, QStringList{u"information: Pedido Criado com Sucesso!"_s});
}

// A delivery date before today is most likely a slip of the keyboard: warned while the order is
// composed, and asked about once when it is saved.
TEST_F(OrderPanels, a_delivery_date_before_today_is_warned_and_asked_about_once)
{
    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(10000);
    show_active(&screen);
    choose_client_by_code(&screen, u"1"_s);
    add_priced(&screen, 2, u"1"_s, u"15,00"_s);
    type(&screen, "edtDtaEntrega", u"08122025"_s); // today is 09/12/2025
    EXPECT_EQ(memo(&screen, "memAlertas"), u"DATA DE ENTREGA ANTERIOR A HOJE"_s);
    type(&screen, "edtDtaEntrega", u"09122025"_s);
    EXPECT_EQ(memo(&screen, "memAlertas"), u""_s);
    type(&screen, "edtDtaEntrega", u"08122025"_s);

    messages.clear();
    messages.answers = {false};
    const qsizetype asked = server.requests.size();
    click(&screen, "btnGravar");
    EXPECT_EQ(
        messages.said,
        QStringList{
            u"confirm: A data de entrega (08/12/2025) é anterior a hoje. Gravar o pedido assim mesmo?"_s});
    EXPECT_EQ(server.requests.size(), asked);
    EXPECT_TRUE(screen.isVisible());

    messages.clear();
    messages.answers = {true};
    answer_a_save();
    click(&screen, "btnGravar");
    EXPECT_EQ(
        messages.said,
        (QStringList{
            u"confirm: A data de entrega (08/12/2025) é anterior a hoje. Gravar o pedido assim mesmo?"_s,
            u"information: Pedido Criado com Sucesso!"_s}));
    EXPECT_FALSE(screen.isVisible());
}
