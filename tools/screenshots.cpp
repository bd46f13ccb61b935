// Renders each screen as the salesperson sees it and saves a PNG per screen, from the demo data of
// pedidos-servidor: the screens, the messages of an order, and the first page of each document.
#include "app/frm_configuracao.h"
#include "app/frm_principal.h"
#include "app/frm_transmissao.h"
#include "catalogue/frm_cad_produtos.h"
#include "catalogue/frm_lista_clientes.h"
#include "catalogue/frm_lista_produtos.h"
#include "clientcard/frm_cad_clientes.h"
#include "core/context.h"
#include "core/messages.h"
#include "orders/frm_cad_pedidos.h"
#include "orders/order_checks.h"
#include "server/json_value.h"
#include "server/transport.h"
#include "store/card_values.h"
#include "store/dm_dados.h"
#include "ui/message_boxes.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

int failures = 0;

void fail(const QString& what)
{
    std::fprintf(stderr, "erro: %s\n", qPrintable(what));
    ++failures;
}

void settle()
{
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
}

void grab_to(QWidget& w, const QString& folder, const QString& name)
{
    settle();
    w.grab().save(folder + u'/' + name + u".png"_s);
    std::printf("%s/%s.png\n", qPrintable(folder), qPrintable(name));
}

void save(QWidget& w, const QString& folder, const QString& name)
{
    w.show();
    grab_to(w, folder, name);
}

// The whole display with w shown on it, as a laptop of that size shows the screen.
void save_display(QWidget& w, const QString& folder, const QString& name)
{
    w.show();
    w.raise();
    settle();
    QScreen* screen = w.screen();
    const QString file = folder + u'/' + name + u'-' + QString::number(screen->size().width()) + u'x' +
                         QString::number(screen->size().height()) + u".png"_s;
    screen->grabWindow(0).save(file);
    std::printf("%s\n", qPrintable(file));
}

// The program's own message boxes. A message whose turn has a name in the queue is saved under it
// and answered as `answer` says; an empty name, or none left, lets the message pass unseen.
class ShotMessages : public Messages {
public:
    explicit ShotMessages(QString folder) : folder_(std::move(folder)) {}

    void expect(const QStringList& names) { names_ = names; }
    bool all_shown() const { return names_.isEmpty(); }
    // Checks that every message named was shown.
    void expect_done(const QString& step)
    {
        for (const QString& name : std::as_const(names_))
            if (!name.isEmpty()) fail(step + u": a mensagem "_s + name + u" não apareceu"_s);
        names_.clear();
    }

    void information(const QString& text) override
    {
        if (const QString name = next(); !name.isEmpty()) shoot(name, [&] { real_.information(text); });
    }
    void warning(const QString& text) override
    {
        if (const QString name = next(); !name.isEmpty()) shoot(name, [&] { real_.warning(text); });
    }
    void error(const QString& text) override
    {
        const QString name = next();
        if (name.isEmpty()) {
            fail(text);
            return;
        }
        shoot(name, [&] { real_.error(text); });
    }
    bool confirm(const QString& text) override
    {
        const QString name = next();
        if (name.isEmpty()) return answer;
        bool said = false;
        shoot(name, [&] { said = real_.confirm(text); });
        return said;
    }
    bool confirm_ok_cancel(const QString&) override { return answer; }
    void beep() override {}

    bool answer = true;

private:
    QString next() { return names_.isEmpty() ? QString() : names_.takeFirst(); }

    // Shows the box, saves it once it is up, and presses the button of the answer.
    void shoot(const QString& name, const std::function<void()>& show)
    {
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            poll.stop();
            grab_to(*box, folder_, name);
            for (QAbstractButton* button : box->buttons()) {
                const QMessageBox::ButtonRole role = box->buttonRole(button);
                const bool yes = role == QMessageBox::AcceptRole || role == QMessageBox::YesRole;
                if (yes == answer || box->buttons().size() == 1) {
                    button->click();
                    return;
                }
            }
        });
        poll.start();
        show();
    }

    QString folder_;
    QStringList names_;
    MessageBoxes real_;
};

// pedidos-servidor beside this program, on a free loopback port with the demo database of the
// folder; the address to put in the settings, empty when it cannot be started.
QString start_server(QProcess& server, const QString& folder, const QStringList& extra = {})
{
    server.start(QCoreApplication::applicationDirPath() + u"/pedidos-servidor"_s,
                 QStringList{u"--port"_s, u"0"_s, u"--db"_s, folder + u"/demo.db"_s} + extra);
    if (!server.waitForStarted(10000)) return {};
    static const QRegularExpression listening(u"http://([^\\s]+)"_s);
    QByteArray out;
    while (server.waitForReadyRead(60000)) {
        out += server.readAllStandardOutput();
        const QRegularExpressionMatch m = listening.match(QString::fromUtf8(out));
        if (m.hasMatch()) return m.captured(1);
    }
    return {};
}

void stop_server(QProcess& server)
{
    server.terminate();
    server.waitForFinished(5000);
}

// The demo's settings: company Teste, salesperson 1 and its key, on the server at `address`.
bool write_settings(const Context& context, const QString& address)
{
    QFile config(context.path(u"config.ini"_s));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    config.write(
        u"[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=%1\r\nID=1\r\nChave=47261\r\n"_s.arg(address).toUtf8());
    return true;
}

bool restart_server(QProcess& server, const Context& context, const QString& folder,
                    const QStringList& extra = {})
{
    stop_server(server);
    const QString address = start_server(server, folder, extra);
    return !address.isEmpty() && write_settings(context, address);
}

// Sending hours that leave the present time out, so that the server holds an order back.
QString hours_excluding_now()
{
    const QTime now = QTime::currentTime();
    return now >= QTime(8, 0) && now <= QTime(17, 0) ? u"18:00-07:00"_s : u"08:00-17:00"_s;
}

double stock_of(const Table& produtos)
{
    return produtos.as_text(u"pro_qtd_estoque").replace(u',', u'.').toDouble();
}

// The first `count` rows of the product list with at least `least` in stock.
QList<int> stocked_rows(TdmDados& dados, double least, int count)
{
    QList<int> rows;
    Table& produtos = dados.tblProduto;
    for (int row = 0; row < produtos.record_count() && rows.size() < count; ++row) {
        produtos.set_current_visible(row);
        if (stock_of(produtos) >= least) rows << row;
    }
    return rows;
}

// The first `count` clients whose receivables pass the server's check (`blocked` false), or hold
// orders back (true).
QStringList clients_whose_receivables(const Context& context, TdmDados& dados, bool blocked, int count)
{
    QStringList ids;
    Table& clientes = dados.tblCliente;
    for (int row = 0; row < clientes.record_count() && ids.size() < count; ++row) {
        clientes.set_current_visible(row);
        const QString id = clientes.as_text(u"cli_id");
        if (conferir_pedido(context, JsonValue::array(), id).financeiro.failed == blocked) ids << id;
    }
    return ids;
}

// Picks the client of this code on the order screen; the client list closes as it opens.
void choose_client(Tfrm_Cad_Pedidos& screen, const QString& id)
{
    screen.findChild<QLineEdit*>(u"edtCod_Cliente"_s)->setText(id);
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    closer.start(50);
    screen.btnPesqClieClick();
}

// Clicks the product of this row of the search grid, as the salesperson does, and adds it.
void add_item(Tfrm_Cad_Pedidos& screen, TdmDados& dados, int row, int quantity)
{
    dados.tblProduto.set_current_visible(row);
    screen.dbgPesquisaCellClick();
    screen.findChild<QLineEdit*>(u"edtQtd"_s)->setText(QString::number(quantity));
    screen.edtAddProdClick();
}

void click(QWidget& screen, const QString& button)
{
    if (auto* b = screen.findChild<QAbstractButton*>(button))
        b->click();
    else
        fail(u"botão "_s + button + u" não encontrado"_s);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"docs/screenshots"_s;
    QDir().mkpath(out);

    QTemporaryDir data;
    ShotMessages messages(out);
    Context context;
    context.data_folder = data.path() + u'/';
    context.messages = &messages;
    // The desktop's PDF viewer stands in as a picture of the document's first page.
    QString document_name;
    context.open_document = [&](const QString& path) {
        if (document_name.isEmpty()) return;
        const QString picture = out + u'/' + std::exchange(document_name, QString());
        const int status =
            QProcess::execute(u"pdftoppm"_s, {u"-png"_s, u"-r"_s, u"60"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s,
                                              u"-singlefile"_s, path, picture});
        if (status != 0)
            fail(u"pdftoppm não converteu "_s + path);
        else
            std::printf("%s.png\n", qPrintable(picture));
    };
    const auto document = [&](const QString& name, const std::function<void()>& open) {
        document_name = name;
        open();
        if (!std::exchange(document_name, QString()).isEmpty())
            fail(u"o documento "_s + name + u" não abriu"_s);
    };
    // As in main: the data module exists before any window, whose first showing loads into it.
    TdmDados dados(context.regional);

    {
        Tfrm_Principal window(context);
        save(window, out, u"principal-sem-configuracao"_s);
        save_display(window, out, u"tela-primeira-vez"_s);
    }
    {
        Tfrm_Configuracao screen(context);
        save(screen, out, u"configuracao-primeira-vez"_s);
    }

    // The other screens with the demo data of the reference server.
    QProcess server;
    const QString address = start_server(server, data.path());
    if (address.isEmpty()) {
        std::fprintf(stderr, "erro: pedidos-servidor não iniciou\n");
        return 1;
    }
    if (!write_settings(context, address)) return 1;
    {
        Tfrm_Configuracao screen(context);
        save(screen, out, u"configuracao"_s);
    }
    HttpTransport transport;
    context.transport = &transport;
    {
        // The main window's own start-up fills the tables the other screens show.
        Tfrm_Principal window(context);
        messages.expect({u"principal-atualizando"_s});
        window.show();
        for (int i = 0; i < 3000 && dados.tblTabProd.record_count() == 0; ++i) {
            QApplication::processEvents();
            QThread::msleep(10);
        }
        if (dados.tblTabProd.record_count() == 0) return 1;
        messages.expect_done(u"início"_s);
        save(window, out, u"principal"_s);
    }
    {
        Tfrm_Lista_Clientes screen(context, dados);
        save(screen, out, u"lista-clientes"_s);
    }
    {
        // The card of the first client once its two loads have run, and its documents.
        dados.tblCliente.first();
        Tfrm_Cad_Clientes card(context, dados);
        card.mostrar_cliente(client_card_values(dados.tblCliente));
        card.show();
        for (int i = 0; i < 200 && dados.tblHistVenda.record_count() == 0; ++i) {
            QApplication::processEvents();
            QThread::msleep(10);
        }
        save(card, out, u"cadastro-cliente"_s);
        auto* pages = card.findChild<QTabWidget*>(u"pgcMain"_s);
        pages->setCurrentIndex(1);
        dados.tblReceber.first();
        click(card, u"btnLinhaDigitavel"_s);
        save(card, out, u"cadastro-cliente-financeiro"_s);
        document(u"boleto"_s, [&] { click(card, u"btnBoletoPDF"_s); });
        document(u"relatorio-financeiro"_s, [&] { click(card, u"btnRelFinanceiro"_s); });
        pages->setCurrentIndex(2);
        save(card, out, u"cadastro-cliente-vendas"_s);
        document(u"relatorio-vendas"_s, [&] { click(card, u"btnRelVendas"_s); });
    }
    {
        Tfrm_Lista_Produtos screen(context, dados);
        dados.tblProduto.first();
        dados.tblProduto.next();
        dados.tblProduto.next();
        save(screen, out, u"lista-produtos"_s);
        {
            Tfrm_Cad_Produtos card(&screen);
            card.preencher(product_card_values(dados.tblProduto));
            save(card, out, u"cadastro-produtos"_s);
        }
        screen.findChild<QLineEdit*>(u"edtProduto"_s)->setText(u"CAFÉ"_s);
        click(screen, u"edtPesqProd"_s);
        save(screen, out, u"lista-produtos-pesquisa"_s);
        click(screen, u"btnLimparProd"_s);
    }
    {
        Tfrm_Transmissao screen(context, dados);
        screen.show();
        click(screen, u"btnProdutos"_s);
        save(screen, out, u"transmissao"_s);
    }

    QDir(data.path()).mkpath(u"historico_vendas"_s);
    const QStringList free = clients_whose_receivables(context, dados, false, 3);
    const QStringList blocked = clients_whose_receivables(context, dados, true, 1);
    const QList<int> stocked = stocked_rows(dados, 30, 4);
    if (free.size() < 3 || blocked.isEmpty() || stocked.size() < 4) {
        std::fprintf(stderr,
                     "erro: a demonstração não tem os clientes e produtos de que as telas precisam\n");
        return 1;
    }
    const QString delivery = context.regional.format_date(context.today().addDays(3), u"dd/MM/yyyy"_s);
    {
        // An order with a client, three items and its terms, then sent.
        Tfrm_Cad_Pedidos screen(context, dados);
        screen.set_pedido(10000);
        screen.show();
        choose_client(screen, free[0]);
        for (int k = 0; k < 3; ++k)
            add_item(screen, dados, stocked[k], 2 + 3 * k);
        screen.findChild<QPlainTextEdit*>(u"memObs"_s)->setPlainText(u"ENTREGAR PELA MANHÃ"_s);
        screen.findChild<QLineEdit*>(u"edtDtaEntrega"_s)->setText(delivery);
        // The client's mix beside the due dates and the early warnings.
        screen.findChild<QTabWidget*>(u"pgcProduto"_s)->setCurrentIndex(2);
        save(screen, out, u"pedido"_s);
        save_display(screen, out, u"tela-pedido"_s);
        messages.expect({u"pedido-criado"_s});
        screen.btnGravarClick();
        messages.expect_done(u"pedido enviado"_s);
    }
    {
        // More than the stock: the early warning on the screen, then the server's.
        Tfrm_Cad_Pedidos screen(context, dados);
        screen.set_pedido(10001);
        screen.show();
        choose_client(screen, free[0]);
        add_item(screen, dados, stocked[0], 999);
        add_item(screen, dados, stocked[1], 4);
        screen.findChild<QTabWidget*>(u"pgcProduto"_s)->setCurrentIndex(1);
        save(screen, out, u"pedido-itens"_s);
        messages.expect({u"pedido-aviso-estoque"_s});
        screen.btnGravarClick();
        messages.expect_done(u"estoque"_s);
    }
    {
        // A client with overdue receivables.
        Tfrm_Cad_Pedidos screen(context, dados);
        screen.set_pedido(10002);
        screen.show();
        choose_client(screen, blocked[0]);
        add_item(screen, dados, stocked[2], 1);
        messages.expect({u"pedido-aviso-financeiro"_s});
        screen.btnGravarClick();
        messages.expect_done(u"financeiro"_s);
    }
    if (!restart_server(server, context, data.path(), {u"--horario"_s, hours_excluding_now()})) return 1;
    {
        // Out of the sending hours: the order is kept to go later.
        Tfrm_Cad_Pedidos screen(context, dados);
        screen.set_pedido(10003);
        screen.show();
        choose_client(screen, free[1]);
        add_item(screen, dados, stocked[3], 6);
        messages.expect({u"pedido-aviso-horario"_s, {}, u"pedido-guardado"_s});
        screen.btnGravarClick();
        messages.expect_done(u"horário"_s);
    }
    if (!restart_server(server, context, data.path(), {u"--horario"_s, u"00:00-23:59"_s})) return 1;
    {
        // An order saved once the server has gone: kept to be sent later.
        Tfrm_Cad_Pedidos screen(context, dados);
        screen.set_pedido(10004);
        screen.show();
        choose_client(screen, free[2]);
        add_item(screen, dados, stocked[1], 12);
        stop_server(server);
        messages.expect({u"pedido-guardar"_s, {}});
        screen.btnGravarClick();
        messages.expect_done(u"sem conexão"_s);
    }
    {
        // The next start without the server: the last catalogue, and the orders waiting.
        for (Table* t : {&dados.tblCliente, &dados.tblProduto, &dados.tblTabela, &dados.tblTabProd})
            t->empty();
        Tfrm_Principal window(context);
        messages.expect({{}, u"principal-erro-conexao"_s});
        window.show();
        // The start-up runs once the window has painted: wait for its messages.
        for (int i = 0; i < 500 && !messages.all_shown(); ++i) {
            QApplication::processEvents();
            QThread::msleep(10);
        }
        messages.expect_done(u"início sem conexão"_s);
        save(window, out, u"principal-sem-conexao"_s);
    }
    {
        Tfrm_Transmissao screen(context, dados);
        screen.findChild<QTabWidget*>(u"PageControl1"_s)->setCurrentIndex(2);
        save(screen, out, u"transmissao-pedidos"_s);
        document(u"pedido-pdf"_s, [&] {
            if (auto* f4 = screen.findChild<QAction*>(u"VisualizarPedido1"_s))
                f4->trigger();
            else
                fail(u"F4 da lista de pedidos não encontrado"_s);
        });
    }
    {
        // The line is back: F6 sends the orders waiting.
        const QString back = start_server(server, data.path());
        if (back.isEmpty() || !write_settings(context, back)) return 1;
        Tfrm_Transmissao screen(context, dados);
        screen.show();
        click(screen, u"btnExportar"_s);
        screen.findChild<QTabWidget*>(u"PageControl1"_s)->setCurrentIndex(0);
        save(screen, out, u"transmissao-exportar"_s);
    }
    stop_server(server);
    return failures == 0 ? 0 : 1;
}
