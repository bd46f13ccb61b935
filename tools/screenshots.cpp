// Renders each screen as the salesperson sees it and saves a PNG per screen.
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
#include "server/json_parse.h"
#include "server/transport.h"
#include "store/card_values.h"
#include "store/dm_dados.h"
#include <QTabWidget>
#include <QThread>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class SilentMessages : public Messages {
public:
    void information(const QString&) override {}
    void warning(const QString&) override {}
    void error(const QString& text) override { std::fprintf(stderr, "erro: %s\n", qPrintable(text)); }
    bool confirm(const QString&) override { return true; }
    bool confirm_ok_cancel(const QString&) override { return true; }
    void beep() override {}
};

void save(QWidget& w, const QString& folder, const QString& name)
{
    w.show();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    w.grab().save(folder + u'/' + name + u".png"_s);
    std::printf("%s/%s.png\n", qPrintable(folder), qPrintable(name));
}

// pedidos-servidor beside this program, on a free loopback port with a fresh demo database; the
// address to put in the settings, empty when it cannot be started.
QString start_server(QProcess& server, const QString& folder)
{
    server.start(QCoreApplication::applicationDirPath() + u"/pedidos-servidor"_s,
                 {u"--port"_s, u"0"_s, u"--db"_s, folder + u"/demo.db"_s});
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

// Picks the client typed on the order screen; the client list closes as it opens.
void choose_client(Tfrm_Cad_Pedidos& screen)
{
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    closer.start(50);
    screen.btnPesqClieClick();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"docs/screenshots"_s;
    QDir().mkpath(out);

    QTemporaryDir data;
    SilentMessages messages;
    Context context;
    context.data_folder = data.path() + u'/';
    context.messages = &messages;
    // As in main: the data module exists before any window, whose first showing loads into it.
    TdmDados dados(context.regional);

    {
        Tfrm_Principal window(context);
        save(window, out, u"principal-sem-configuracao"_s);
    }
    {
        Tfrm_Configuracao screen(context);
        save(screen, out, u"configuracao-primeira-vez"_s);
    }
    {
        Tfrm_Configuracao screen(context);
        save(screen, out, u"configuracao"_s);
    }

    // The catalogue screens with the demo data of the reference server.
    QProcess server;
    const QString address = start_server(server, data.path());
    if (address.isEmpty()) {
        std::fprintf(stderr, "erro: pedidos-servidor não iniciou\n");
        return 1;
    }
    QFile config(context.path(u"config.ini"_s));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    config.write(
        u"[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=%1\r\nID=1\r\nChave=47261\r\n"_s.arg(address).toUtf8());
    config.close();
    HttpTransport transport;
    context.transport = &transport;
    {
        // The main window's own start-up fills the tables the other screens show.
        Tfrm_Principal window(context);
        window.show();
        for (int i = 0; i < 3000 && dados.tblTabProd.record_count() == 0; ++i) {
            QApplication::processEvents();
            QThread::msleep(10);
        }
        if (dados.tblTabProd.record_count() == 0) return 1;
        save(window, out, u"principal"_s);
    }
    {
        Tfrm_Lista_Clientes screen(context, dados);
        save(screen, out, u"lista-clientes"_s);
    }
    {
        // The card of the first client, on its receivables page once its two loads have run.
        dados.tblCliente.first();
        Tfrm_Cad_Clientes card(context, dados);
        card.mostrar_cliente(client_card_values(dados.tblCliente));
        card.show();
        for (int i = 0; i < 200 && dados.tblHistVenda.record_count() == 0; ++i) {
            QApplication::processEvents();
            QThread::msleep(10);
        }
        save(card, out, u"cadastro-cliente"_s);
        card.findChild<QTabWidget*>(u"pgcMain"_s)->setCurrentIndex(1);
        save(card, out, u"cadastro-cliente-financeiro"_s);
    }
    {
        Tfrm_Lista_Produtos screen(context, dados);
        dados.tblProduto.first();
        dados.tblProduto.next();
        dados.tblProduto.next();
        save(screen, out, u"lista-produtos"_s);
        Tfrm_Cad_Produtos card(&screen);
        card.preencher(product_card_values(dados.tblProduto));
        save(card, out, u"cadastro-produtos"_s);
    }
    {
        Tfrm_Transmissao screen(context, dados);
        screen.show();
        screen.findChild<QToolButton*>(u"btnProdutos"_s)->click();
        save(screen, out, u"transmissao"_s);
    }
    {
        // An order with a client, three items and its terms; the client list closes as it opens.
        QDir(data.path()).mkpath(u"historico_vendas"_s);
        Tfrm_Cad_Pedidos screen(context, dados);
        screen.set_pedido(10000);
        screen.show();
        dados.tblCliente.first();
        dados.tblCliente.next();
        screen.findChild<QLineEdit*>(u"edtCod_Cliente"_s)->setText(dados.tblCliente.as_text(u"cli_id"));
        choose_client(screen);
        for (int row : {0, 3, 5}) {
            dados.tblProduto.set_current_visible(row);
            screen.dbgPesquisaCellClick();
            screen.findChild<QLineEdit*>(u"edtQtd"_s)->setText(QString::number(row + 2));
            screen.edtAddProdClick();
        }
        screen.findChild<QPlainTextEdit*>(u"memObs"_s)->setPlainText(u"ENTREGAR PELA MANHÃ"_s);
        screen.findChild<QLineEdit*>(u"edtDtaEntrega"_s)->setText(u"15/12/2025"_s);
        // The client's mix beside the due dates and the early warnings.
        screen.findChild<QTabWidget*>(u"pgcProduto"_s)->setCurrentIndex(2);
        save(screen, out, u"pedido"_s);
        screen.btnGravarClick();
    }
    {
        // A second order, saved once the server has gone: kept to be sent later.
        Tfrm_Cad_Pedidos screen(context, dados);
        screen.set_pedido(10001);
        screen.show();
        dados.tblCliente.first();
        screen.findChild<QLineEdit*>(u"edtCod_Cliente"_s)->setText(dados.tblCliente.as_text(u"cli_id"));
        choose_client(screen);
        dados.tblProduto.set_current_visible(7);
        screen.dbgPesquisaCellClick();
        screen.findChild<QLineEdit*>(u"edtQtd"_s)->setText(u"12"_s);
        screen.edtAddProdClick();
        server.terminate();
        server.waitForFinished(5000);
        screen.btnGravarClick();
    }
    {
        // The next start without the server: the last catalogue, and the order waiting.
        for (Table* t : {&dados.tblCliente, &dados.tblProduto, &dados.tblTabela, &dados.tblTabProd})
            t->empty();
        Tfrm_Principal window(context);
        window.show();
        QLabel* situacao = window.findChild<QLabel*>(u"lblSituacao"_s);
        for (int i = 0; i < 500 && !situacao->isVisible(); ++i) {
            QApplication::processEvents();
            QThread::msleep(10);
        }
        save(window, out, u"principal-sem-conexao"_s);
    }
    {
        Tfrm_Transmissao screen(context, dados);
        screen.resize(760, 520);
        screen.findChild<QTabWidget*>(u"PageControl1"_s)->setCurrentIndex(2);
        save(screen, out, u"transmissao-pedidos"_s);
    }
    {
        // The warnings of the checks before sending, as the salesperson sees them.
        const CheckResult stock = ler_estoque(
            *parse_json(R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":[{"PRO_ID":"1042","QTD_DISPONIVEL":"3"},)"
                        R"({"PRO_ID":"2210","QTD_DISPONIVEL":"0"}]})"));
        const CheckResult receivables = ler_financeiro(*parse_json(
            R"({"VALIDAR_FINANCEIRO":"NAO_LIBERADO","TITULOS":[{"CRE_TITULO":"1234","CRE_PARCELA":"2",)"
            R"("CRE_DTA_VENCIMENTO":"10/03/2024","CRE_TOT_DIFERENCA":"150,00"}]})"));
        const CheckResult time = ler_horario(
            *parse_json(R"({"VALIDAR_HORARIO":"NAO_LIBERADO","HORARIO":"17:00","DIA_BLOQ":"NULL"})"),
            context.regional);
        int n = 0;
        for (const CheckResult* check : {&stock, &receivables, &time}) {
            QMessageBox box(QMessageBox::Warning, u"Pedidos Vendedor"_s, check->message);
            box.addButton(u"OK"_s, QMessageBox::AcceptRole);
            save(box, out, u"pedido-aviso-"_s + QString::number(++n));
        }
    }
    return 0;
}
