#include "order_driving.h"
#include "orders/frm_cad_pedidos.h"
#include "screen_fixture.h"
#include "ui/number_edit.h"

#include <QDir>
#include <QLineEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

using namespace order_driving;

namespace {

// Orders composed on the screen and sent to pedidos-servidor with its demo data.
class OrderEndToEnd : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        QDir(dir.path()).mkpath(u"historico_vendas"_s);
        load_start_up();
    }
};

} // namespace

TEST_F(OrderEndToEnd, an_order_passes_the_checks_and_is_stored_once_by_the_server)
{
    Database db(server_->database().toStdString());
    const QString cli_id = client(db, false, hoje());
    ASSERT_FALSE(cli_id.isEmpty());
    const QStringList products = all_values(dados.tblProduto, "pro_id");
    const int first = products[0].toInt(), second = products[1].toInt();
    ASSERT_GE(stock(db, first), 2);

    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(777);
    show_active(&screen);
    choose_client(&screen, cli_id);
    add(&screen, first, 2);
    // More than the server holds: the stock warning names the product and what is left.
    add(&screen, second, stock(db, second) + 1000);
    ASSERT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();

    QTest::mouseClick(child<QToolButton>(&screen, u"btnGravar"_s), Qt::LeftButton);
    ASSERT_EQ(messages.said.size(), 2) << messages.said.join(u'\n').toStdString();
    EXPECT_TRUE(messages.said[1].startsWith(u"warning: **** PRODUTOS SEM ESTOQUE ****\r\r["_s +
                                            QString::number(second) + u"] Disp [ "_s));
    EXPECT_TRUE(messages.said[1].endsWith(u"]\r"_s));
    EXPECT_TRUE(screen.isVisible());

    // The second item goes; the order is sent.
    messages.clear();
    child<QTabWidget>(&screen, u"pgcProduto"_s)->setCurrentIndex(1);
    dados.tblItemVenda.first();
    dados.tblItemVenda.next();
    QTest::mouseClick(child<QToolButton>(&screen, u"btnExcluir"_s), Qt::LeftButton);
    const double total = child<NumberEdit>(&screen, u"edtTot_Pedido"_s)->value();
    const auto posts = [] { return server_->log().count(u"postDados_OnLine"_s); };
    const qsizetype posts_before = posts();
    QTest::mouseClick(child<QToolButton>(&screen, u"btnGravar"_s), Qt::LeftButton);
    EXPECT_EQ(messages.said, QStringList{u"information: Pedido Criado com Sucesso!"_s});
    EXPECT_FALSE(screen.isVisible());
    EXPECT_TRUE(dir.exists(u"historico_vendas/venda_777_091225"_s + u".json"_s));

    Statement order(db, "SELECT cli_id, ven_mercadoria_centavos, (SELECT COUNT(*) FROM item_pedido i WHERE "
                        "i.ven_pedido = p.ven_pedido AND i.ven_id = p.ven_id) FROM pedido p "
                        "WHERE emp_codigo = 'Teste' AND ven_id = '1' AND ven_pedido = 777");
    ASSERT_TRUE(order.step());
    EXPECT_EQ(QString::number(order.integer(0)), cli_id);
    EXPECT_EQ(order.integer(1), std::llround(total * 100));
    // Two of the first product at the client's price table, as the database has it.
    Statement price(db, "SELECT t.tap_venda_centavos FROM tabela_produto t JOIN cliente c ON c.emp_codigo = "
                        "t.emp_codigo AND c.tab_id = t.tab_id WHERE c.emp_codigo = 'Teste' AND c.cli_id = ? "
                        "AND t.pro_id = ?");
    price.bind_all(std::int64_t{cli_id.toLongLong()}, first);
    ASSERT_TRUE(price.step());
    EXPECT_EQ(order.integer(1), 2 * price.integer(0));
    EXPECT_EQ(order.integer(2), 1);
    EXPECT_FALSE(order.step());
    // One post reached the server: the server keeps one order per number whatever it is sent, so
    // its table alone cannot tell.
    EXPECT_TRUE(wait_until([&] { return posts() > posts_before; }));
    drain_events();
    EXPECT_EQ(posts() - posts_before, 1) << server_->log().toStdString();
}

TEST_F(OrderEndToEnd, overdue_receivables_and_a_blocked_day_hold_the_order_back)
{
    ServerProcess closed(
        {u"--dias-bloqueados"_s, u"0,1,2,3,4,5,6"_s, u"--data-hoje"_s, hoje().toString(u"dd/MM/yyyy"_s)});
    Database db(closed.database().toStdString());
    const QString cli_id = client(db, true, hoje());
    ASSERT_FALSE(cli_id.isEmpty());
    configure(u"47261"_s, closed.address());

    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(778);
    show_active(&screen);
    choose_client(&screen, cli_id);
    QTest::mouseClick(child<QToolButton>(&screen, u"btnGravar"_s), Qt::LeftButton);

    ASSERT_EQ(messages.said.size(), 4) << messages.said.join(u'\n').toStdString();
    EXPECT_TRUE(
        messages.said[1].startsWith(u"warning: **** CLIENTE COM PENDENCIAS NO FINANCEIRO ****\r\r"_s));
    // hoje(), 09/12/2025, is a Tuesday.
    EXPECT_EQ(messages.said[3], u"warning: DIA DE ENVIO INVÁLIDO [TERÇA]"_s);
    EXPECT_TRUE(screen.isVisible());
    Statement stored(db, "SELECT COUNT(*) FROM pedido");
    ASSERT_TRUE(stored.step());
    EXPECT_EQ(stored.integer(0), 0);
}
