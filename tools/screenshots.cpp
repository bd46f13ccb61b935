// Renders each screen as the salesperson sees it and saves a PNG per screen.
#include "app/frm_principal.h"
#include "catalogue/client_download.h"
#include "catalogue/frm_cad_produtos.h"
#include "catalogue/frm_lista_clientes.h"
#include "catalogue/frm_lista_produtos.h"
#include "catalogue/frm_transmissao.h"
#include "core/context.h"
#include "core/error_report.h"
#include "core/messages.h"
#include "catalogue/card_values.h"
#include "catalogue/product_download.h"
#include "server/transport.h"
#include "settings/frm_configuracao.h"
#include "store/dm_dados.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTimer>

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
    if (!server.waitForStarted(10000))
        return {};
    static const QRegularExpression listening(u"http://([^\\s]+)"_s);
    QByteArray out;
    while (server.waitForReadyRead(60000)) {
        out += server.readAllStandardOutput();
        const QRegularExpressionMatch m = listening.match(QString::fromUtf8(out));
        if (m.hasMatch())
            return m.captured(1);
    }
    return {};
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
    {
        Tfrm_Principal window(context);
        save(window, out, u"principal"_s);
    }

    // The catalogue screens with the demo data of the reference server.
    QProcess server;
    const QString address = start_server(server, data.path());
    if (address.isEmpty()) {
        std::fprintf(stderr, "erro: pedidos-servidor não iniciou\n");
        return 1;
    }
    QFile config(context.path(u"config.ini"_s));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    config.write(u"[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=%1\r\nID=1\r\nChave=47261\r\n"_s.arg(address).toUtf8());
    config.close();
    HttpTransport transport;
    context.transport = &transport;
    TdmDados dados(context.regional);
    if (!run_guarded(messages, [&] {
            importar_clientes(context, dados.tblCliente);
            importar_produtos(context, dados);
        }))
        return 1;
    {
        Tfrm_Lista_Clientes screen(context, dados);
        save(screen, out, u"lista-clientes"_s);
    }
    {
        Tfrm_Lista_Produtos screen(context, dados);
        dados.tblProduto.first();
        dados.tblProduto.next();
        dados.tblProduto.next();
        save(screen, out, u"lista-produtos"_s);
        Tfrm_Cad_Produtos card(context, &screen);
        card.preencher(product_card_values(dados.tblProduto));
        save(card, out, u"cadastro-produtos"_s);
    }
    {
        Tfrm_Transmissao screen(context);
        screen.show();
        screen.findChild<QToolButton*>(u"btnProdutos"_s)->click();
        save(screen, out, u"transmissao"_s);
    }
    server.terminate();
    server.waitForFinished(5000);
    return 0;
}
