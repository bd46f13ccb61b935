#include "app/frm_principal.h"
#include "app/frm_transmissao.h"
#include "cutting_proxy.h"
#include "order_driving.h"
#include "orders/frm_cad_pedidos.h"
#include "screen_fixture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;
using namespace order_driving;

namespace {

const QString kKeep =
    u"confirm: Não foi possível falar com o servidor. Guardar o pedido para enviar depois?"_s;
const QString kKeepForTheHour =
    u"confirm: O pedido está fora do horário de envio. Guardar o pedido para enviar depois?"_s;
const QString kKept = u"information: Pedido Guardado para Envio!"_s;

// A salesperson's day with a weak line: the program started with and without the server, orders
// kept while it cannot be reached and sent later from the transmission screen.
class FieldWork : public ScreenTest {
protected:
    std::unique_ptr<Tfrm_Principal> window;

    void SetUp() override
    {
        ScreenTest::SetUp();
        QDir(dir.path()).mkpath(u"historico_vendas"_s);
    }
    void TearDown() override { window.reset(); }

    // Starts the program afresh: empty tables, a new main window, its start-up run until it has said
    // n things.
    void start(qsizetype n)
    {
        window.reset();
        for (Table* t : {&dados.tblCliente, &dados.tblProduto, &dados.tblTabela, &dados.tblTabProd})
            t->empty();
        dados.origem = {};
        messages.clear();
        window = std::make_unique<Tfrm_Principal>(context);
        window->show();
        ASSERT_TRUE(wait_until([&] { return messages.said.size() >= n; }, 60000))
            << messages.said.join(u'\n').toStdString();
        drain_events();
    }
    QLabel* situacao() { return child<QLabel>(window.get(), u"lblSituacao"_s); }
    // The catalogue on disk dated to a known minute, which the main window must then give.
    const QString kCadastroDe = u"SEM CONEXÃO - CADASTRO DE 08/12/2025 18:45"_s;
    void date_the_catalogue()
    {
        QFile file(dir.path(u"clientes.json"_s));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2025, 12, 8), QTime(18, 45)),
                                     QFileDevice::FileModificationTime));
    }
    QStringList products() { return all_values(dados.tblProduto, "pro_id"); }

    // Composes an order and saves it; the salesperson keeps it when asked.
    void keep_order(int numero, const QString& cli_id, int pro_id, int qtd)
    {
        Tfrm_Cad_Pedidos screen(context, dados);
        screen.set_pedido(numero);
        show_active(&screen);
        choose_client(&screen, cli_id);
        add(&screen, pro_id, qtd);
        messages.clear();
        messages.answers = {true};
        QTest::mouseClick(child<QToolButton>(&screen, u"btnGravar"_s), Qt::LeftButton);
        ASSERT_GE(messages.said.size(), 2);
        const QString question = messages.said.filter(u"confirm: "_s).value(0);
        EXPECT_TRUE(question.startsWith(kKeep) || question == kKeepForTheHour)
            << messages.said.join(u'\n').toStdString();
        EXPECT_EQ(messages.said.last(), kKept);
        EXPECT_FALSE(screen.isVisible());
    }

    // F6 on a transmission screen opened from the main menu: what the two memos then say.
    std::pair<QString, QString> send_pending()
    {
        std::pair<QString, QString> memos;
        const auto watch = when_modal(
            u"Tfrm_Transmissao"_s,
            [&](QWidget* screen) {
                QTest::keyClick(screen, Qt::Key_F6);
                memos = {child<QPlainTextEdit>(screen, u"memResumo"_s)->toPlainText(),
                         child<QPlainTextEdit>(screen, u"memDetalhado"_s)->toPlainText()};
                QTest::keyClick(screen, Qt::Key_Escape);
            },
            60000);
        QTest::mouseClick(child<QToolButton>(window.get(), u"btnTransmissao"_s), Qt::LeftButton);
        return memos;
    }
};

} // namespace

TEST_F(FieldWork, without_the_server_the_last_catalogue_is_loaded_and_the_main_window_says_since_when)
{
    start(1);
    const int clients = dados.tblCliente.record_count(), items = dados.tblProduto.record_count(),
              prices = dados.tblTabProd.record_count();
    ASSERT_GT(clients, 50);
    EXPECT_EQ(situacao()->text(), u""_s);
    EXPECT_FALSE(situacao()->isVisible());
    const QByteArray cached = dir.read(u"clientes.json"_s) + dir.read(u"produtos.json"_s);

    // The line is down: the error as ever, then yesterday's catalogue, and nothing on disk changes.
    date_the_catalogue();
    configure(u"47261"_s, closed_address());
    start(2);
    EXPECT_TRUE(messages.said[1].startsWith(u"error: "_s) && messages.said[1].contains(u"conexão recusada"_s))
        << messages.said[1].toStdString();
    EXPECT_EQ(messages.said.size(), 2);
    EXPECT_EQ(dados.tblCliente.record_count(), clients);
    EXPECT_EQ(dados.tblProduto.record_count(), items);
    EXPECT_EQ(dados.tblTabela.record_count(), 3);
    EXPECT_EQ(dados.tblTabProd.record_count(), prices);
    EXPECT_EQ(situacao()->text(), kCadastroDe);
    EXPECT_TRUE(situacao()->isVisible());
    EXPECT_EQ(dir.read(u"clientes.json"_s) + dir.read(u"produtos.json"_s), cached);

    // Back on the line, both imports of the transmission screen make the catalogue current again.
    configure(u"47261"_s);
    {
        const auto watch = when_modal(
            u"Tfrm_Transmissao"_s,
            [](QWidget* screen) {
                QTest::keyClick(screen, Qt::Key_F2);
                QTest::keyClick(screen, Qt::Key_F3);
                QTest::keyClick(screen, Qt::Key_Escape);
            },
            60000);
        QTest::mouseClick(child<QToolButton>(window.get(), u"btnTransmissao"_s), Qt::LeftButton);
    }
    EXPECT_EQ(situacao()->text(), u""_s);

    // Another salesperson's key: the cache is not theirs and is not loaded.
    configure(u"58314"_s, closed_address());
    start(2);
    EXPECT_EQ(dados.tblCliente.record_count(), 0);
    EXPECT_EQ(dados.tblProduto.record_count(), 0);
    EXPECT_EQ(situacao()->text(), u"SEM CONEXÃO"_s);
    EXPECT_EQ(dir.read(u"clientes.json"_s) + dir.read(u"produtos.json"_s), cached);
}

TEST_F(FieldWork, orders_kept_without_the_server_survive_a_restart_and_f6_sends_each_once)
{
    start(1);
    Database db(server_->database().toStdString());
    const QString cli_id = client(db, false, hoje());
    const int first = products()[0].toInt(), second = products()[1].toInt();
    ASSERT_GE(stock(db, first), 1);

    configure(u"47261"_s, closed_address());
    keep_order(5001, cli_id, first, 1);
    // More than the server holds: kept all the same, since nothing could be asked.
    keep_order(5002, cli_id, second, stock(db, second) + 1000);

    // Closed and opened again, still without the server.
    date_the_catalogue();
    start(2);
    EXPECT_EQ(situacao()->text(), kCadastroDe + u"\n2 PEDIDO(S) PENDENTE(S)"_s);
    EXPECT_TRUE(situacao()->toolTip().contains(u"F6"_s));

    // Through a proxy that counts what the client sends.
    CuttingProxy proxy(server_->port());
    configure(u"47261"_s, proxy.address());
    const auto [resumo, detalhado] = send_pending();
    EXPECT_EQ(resumo, u"PEDIDOS ENVIADOS > 1\nPEDIDOS PENDENTES > 1"_s);
    EXPECT_TRUE(detalhado.startsWith(u"PEDIDO 5002: **** PRODUTOS SEM ESTOQUE ****\nPEDIDO 5002: ["_s +
                                     QString::number(second) + u"] Disp [ "_s))
        << detalhado.toStdString();
    EXPECT_EQ(orders_stored(db, 5001), 1);
    EXPECT_EQ(orders_stored(db, 5002), 0);
    EXPECT_EQ(situacao()->text(), kCadastroDe + u"\n1 PEDIDO(S) PENDENTE(S)"_s);

    // Again: the order short of stock stays, the one sent is not sent again.
    const auto posts = [&] { return proxy.sent_count("/postDados_OnLine "); };
    EXPECT_EQ(posts(), 1);
    EXPECT_EQ(send_pending().first, u"PEDIDOS ENVIADOS > 0\nPEDIDOS PENDENTES > 1"_s);
    EXPECT_EQ(posts(), 1);
    EXPECT_EQ(orders_stored(db, 5001), 1);
}

TEST_F(FieldWork, a_reply_cut_after_the_server_stored_the_order_leaves_it_pending_and_f6_stores_it_once)
{
    CuttingProxy proxy(server_->port());
    configure(u"47261"_s, proxy.address());
    start(1);
    Database db(server_->database().toStdString());
    const QString cli_id = client(db, false, hoje());

    proxy.cut_when = "postDados_OnLine";
    keep_order(5101, cli_id, products()[0].toInt(), 1);
    EXPECT_TRUE(messages.said.filter(u"confirm: "_s).value(0).contains(u"encerrada"_s));
    EXPECT_EQ(proxy.cuts, 1);
    EXPECT_EQ(orders_stored(db, 5101), 1);

    EXPECT_EQ(send_pending().first, u"PEDIDOS ENVIADOS > 1\nPEDIDOS PENDENTES > 0"_s);
    EXPECT_EQ(orders_stored(db, 5101), 1);
    // The server would store it once whatever it is sent: the client must have posted it once more,
    // not twice.
    EXPECT_EQ(proxy.sent_count("/postDados_OnLine "), 2);
    EXPECT_EQ(situacao()->text(), u""_s);
}

TEST_F(FieldWork, an_order_held_back_by_the_sending_hours_is_kept_and_goes_once_the_hours_change)
{
    // Hours that do not include now, whenever the test runs.
    const QTime now = QTime::currentTime();
    const QString from = now.addSecs(2 * 3600).toString(u"HH:mm"_s),
                  to = now.addSecs(3 * 3600).toString(u"HH:mm"_s);
    const QString day = hoje().toString(u"dd/MM/yyyy"_s);
    ServerProcess closed({u"--horario"_s, from + u'-' + to, u"--data-hoje"_s, day});
    ASSERT_TRUE(closed.running());
    configure(u"47261"_s, closed.address());
    start(1);
    const QString cli_id = [&] {
        Database db(closed.database().toStdString());
        return client(db, false, hoje());
    }();

    keep_order(5201, cli_id, products()[0].toInt(), 1);
    EXPECT_EQ(messages.said,
              (QStringList{u"beep"_s,
                           u"warning: SEU PEDIDO NÃO SERÁ ENVIADO ATÉ ["_s + to + u"] DE SEGUNDA A QUINTA"_s,
                           kKeepForTheHour, kKept}));

    const QString database = closed.database();
    EXPECT_EQ(closed.stop(), 0);
    ServerProcess open({u"--horario"_s, u"00:00-23:59"_s, u"--data-hoje"_s, day}, database);
    ASSERT_TRUE(open.running());
    configure(u"47261"_s, open.address());
    EXPECT_EQ(send_pending().first, u"PEDIDOS ENVIADOS > 1\nPEDIDOS PENDENTES > 0"_s);
    Database db(database.toStdString());
    EXPECT_EQ(orders_stored(db, 5201), 1);
}
