#include "app/frm_principal.h"
#include "catalogue/client_download.h"
#include "catalogue/product_download.h"
#include "closed_port.h"
#include "core/errors.h"
#include "core/log.h"
#include "modal.h"
#include "recording_messages.h"
#include "recording_transport.h"
#include "scripted_server.h"
#include "server_process.h"
#include "settings/settings.h"
#include "store/dm_dados.h"
#include "temp_folder.h"
#include "ui/busy_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

namespace {

const QString kKeyMessage = u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s;
const QString kUpdating = u"information: Atualizando a Base de Cadastros... Por Favor, Aguarde!"_s;

// A client configured for the demo server, started the way the program starts.
class StartUp : public ::testing::Test {
protected:
    ServerProcess server;
    TempFolder dir;
    RecordingMessages messages;
    RecordingTransport transport;
    Context context = make_context(dir, &messages);
    TdmDados dados{context.regional};

    void SetUp() override { context.transport = &transport; }

    void configure(const QString& empresa, const QString& id, const QString& chave, const QString& ip = {})
    {
        dir.write_config(empresa, ip.isEmpty() ? server.address() : ip, id, chave);
    }

    // Shows the main window, waits until its start-up has said n things, then lets whatever it has
    // left in the event queue run, so that a test can tell that nothing else was said.
    void start(qsizetype n)
    {
        Tfrm_Principal window(context);
        window.show();
        ASSERT_TRUE(wait_until([&] { return messages.said.size() >= n; }, 60000))
            << messages.said.join(u'\n').toStdString();
        drain_events();
    }
};

} // namespace

TEST_F(StartUp, downloads_caches_and_loads_the_salespersons_catalogue)
{
    // A catalogue of a size chosen here, all of it salesperson 1's: every row must arrive.
    ServerProcess sized({u"--clientes"_s, u"120"_s, u"--produtos"_s, u"80"_s, u"--tabelas"_s, u"4"_s});
    ASSERT_TRUE(sized.running());
    configure(u"Teste"_s, u"1"_s, u"47261"_s, sized.address());
    start(1);
    EXPECT_EQ(messages.said, QStringList{kUpdating});
    ASSERT_EQ(transport.bodies.size(), 2);
    EXPECT_EQ(
        transport.request(0),
        R"({"REQUISICAO":{"TABLE":"CLIENTE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","VEN_ID":"1","TIPO_DADOS":"LISTA"}})");
    EXPECT_EQ(
        transport.request(1),
        R"({"REQUISICAO":{"TABLE":"PRODUTO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","TIPO_DADOS":"LISTA"}})");
    EXPECT_EQ(transport.paths, (QStringList{u"/datasnap/rest/TModuleOnline/getDados_OnLine"_s,
                                            u"/datasnap/rest/TModuleOnline/getDados_OnLine"_s}));

    const int clients = dados.tblCliente.record_count();
    EXPECT_EQ(clients, 120);
    EXPECT_EQ(dados.tblProduto.record_count(), 80);
    EXPECT_EQ(dados.tblTabela.record_count(), 4);
    EXPECT_GT(dados.tblTabProd.record_count(), dados.tblProduto.record_count());
    for (const char* f : {"clientes.json", "tabelas.json", "produtos.json"}) {
        const QByteArray bytes = dir.read(QString::fromLatin1(f));
        EXPECT_TRUE(bytes.startsWith('{') && bytes.endsWith("}\r\n")) << f;
        EXPECT_FALSE(bytes.chopped(2).contains('\n')) << f;
        for (char c : bytes)
            ASSERT_TRUE(static_cast<unsigned char>(c) < 128) << f;
    }
    EXPECT_TRUE(dir.read(u"clientes.json"_s).contains("\"CHAVE_VENDEDOR\":\"47261\""));

    // The list refreshes afterwards leave one row per client and per product.
    ASSERT_TRUE(baixar_clientes(context));
    carregar_clientes(context, dados.tblCliente);
    EXPECT_EQ(dados.tblCliente.record_count(), clients);
    // The server writes its log line once the reply has gone out: waited for, not raced.
    EXPECT_TRUE(wait_until([&] { return sized.log().contains(u"CLIENTE"_s); }));
}

namespace {

// The program's log lines, kept while the object lives.
struct LogLines {
    static inline QStringList* lines = nullptr;
    QStringList kept;
    QtMessageHandler previous;
    LogLines()
    {
        lines = &kept;
        previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext& where, const QString& text) {
                if (QByteArray(where.category).startsWith("pedidos."))
                    lines->append(QString::fromLatin1(where.category) + u": "_s + text);
            });
    }
    ~LogLines()
    {
        qInstallMessageHandler(previous);
        lines = nullptr;
        QLoggingCategory::setFilterRules(QString());
    }
    bool has(const QString& pattern) const { return !kept.filter(QRegularExpression(pattern)).isEmpty(); }
};

} // namespace

TEST_F(StartUp, the_log_tells_each_call_file_and_load_only_when_turned_on)
{
    configure(u"Teste"_s, u"1"_s, u"47261"_s);
    LogLines log;
    start(1);
    EXPECT_TRUE(log.kept.isEmpty()) << log.kept.join(u'\n').toStdString();

    ativar_registro();
    start(1);
    const QString address = QRegularExpression::escape(server.address());
    const QStringList lines{
        u"^pedidos.servidor: getDados_OnLine CLIENTE %1 HTTP 200 \\d+ bytes enviados, \\d+ recebidos em \\d+ ms$"_s
            .arg(address),
        u"^pedidos.servidor: getDados_OnLine PRODUTO %1 HTTP 200 "_s.arg(address),
        u"^pedidos.arquivos: gravado .*clientes.json \\d+ bytes em \\d+ ms$"_s,
        u"^pedidos.arquivos: lido .*produtos.json \\d+ bytes em \\d+ ms$"_s,
        u"^pedidos.cargas: clientes carregados de clientes: \\d+ na resposta, \\d+ na tabela em \\d+ ms$"_s,
        u"^pedidos.cargas: produtos carregados: 3 tabelas, \\d+ produtos, \\d+ preços em \\d+ ms$"_s,
    };
    for (const QString& line : lines)
        EXPECT_TRUE(log.has(line)) << line.toStdString() << "\n" << log.kept.join(u'\n').toStdString();
    // Nothing of it goes into the data folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{u"clientes.json"_s, u"config.ini"_s, u"produtos.json"_s, u"tabelas.json"_s}));
}

TEST_F(StartUp, a_wrong_key_is_told_twice_and_wipes_the_cache)
{
    configure(u"Teste"_s, u"1"_s, u"errada"_s);
    for (const char* f : {"produtos.json", "tabelas.json", "clientes.json", "mix.json",
                          "hist_financerio.json", "hist_venda.json", "financeiro.json", "histvendas.json"})
        dir.write(QString::fromLatin1(f), "{}\r\n");
    start(3);
    EXPECT_EQ(messages.said, (QStringList{kUpdating, kKeyMessage, kKeyMessage}));
    for (const char* f : {"produtos.json", "tabelas.json", "clientes.json", "mix.json",
                          "hist_financerio.json", "hist_venda.json"})
        EXPECT_FALSE(dir.exists(QString::fromLatin1(f))) << f;
    for (const char* f : {"financeiro.json", "histvendas.json", "config.ini"})
        EXPECT_TRUE(dir.exists(QString::fromLatin1(f))) << f;
    EXPECT_EQ(dados.tblCliente.record_count(), 0);
    EXPECT_EQ(dados.tblProduto.record_count(), 0);
}

TEST_F(StartUp, an_error_ends_the_start_up_before_the_product_download)
{
    const ClosedPort down;
    struct Case {
        QString empresa, id, ip;
        QByteArray request; // the one request sent, empty when none
        QString message;    // part of the error shown
    } cases[] = {
        {{},
         {},
         {},
         R"({"REQUISICAO":{"TABLE":"CLIENTE","TIPO_DADOS":"LISTA"}})",
         u"Vendedor não cadastrado"_s},
        {u"São/Paulo"_s,
         {},
         {},
         R"({"REQUISICAO":{"TABLE":"CLIENTE","EMPRESA":"S\u00E3o\/Paulo","CHAVE_VENDEDOR":"S\u00E3o\/Paulo","TIPO_DADOS":"LISTA"}})",
         u"Vendedor não cadastrado"_s},
        {u"Teste"_s, u"1"_s, down.address(),
         R"({"REQUISICAO":{"TABLE":"CLIENTE","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","VEN_ID":"1","TIPO_DADOS":"LISTA"}})",
         down.address()},
        {u"Teste"_s, u"1"_s, u" "_s, {}, u"Servidor não configurado"_s},
    };
    for (const Case& c : cases) {
        messages.clear();
        transport.bodies.clear();
        configure(c.empresa, c.id, u"47261"_s, c.ip);
        start(2);
        ASSERT_EQ(messages.said.size(), 2);
        EXPECT_TRUE(messages.said[1].startsWith(u"error: "_s));
        EXPECT_TRUE(messages.said[1].contains(c.message)) << messages.said[1].toStdString();
        ASSERT_EQ(transport.bodies.size(), c.request.isEmpty() ? 0 : 1);
        if (!c.request.isEmpty()) {
            EXPECT_EQ(transport.request(0), c.request);
        }
        EXPECT_EQ(dados.tblCliente.record_count(), 0);
    }
}

// However the call ends, the dialog goes away and the program takes input again.
TEST(BusyDialog, cancel_esc_or_a_failure_ends_the_call_and_leaves_no_dialog_behind)
{
    const struct {
        const char* name;
        ScriptedServer::Answer answer;
        std::function<void(BusyDialog&)> act; // once the dialog shows
        QString cause;
    } cases[] = {
        {"cancel",
         {{}, false, true},
         [](BusyDialog& busy) {
             QTest::mouseClick(busy.findChild<QPushButton*>(u"btnCancelar"_s), Qt::LeftButton);
         },
         u"cancelada"_s},
        {"esc",
         {{}, false, true},
         [](BusyDialog& busy) { QTest::keyClick(&busy, Qt::Key_Escape); },
         u"cancelada"_s},
        {"cut", {"HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n{", true, false, 500}, {}, u"encerrada"_s},
        {"error", ScriptedServer::http(500, R"({"error":"fora do ar"})", 500), {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server;
        server.answer(c.answer);
        QLineEdit other;
        other.show();
        BusyDialog busy;
        HttpTransport transport(&busy);
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(wait_until([&] { return busy.isVisible(); }));
            EXPECT_EQ(busy.windowTitle(), u"Aguarde..."_s);
            QTest::keyClicks(&other, u"x"_s);
            if (c.act) c.act(busy);
        });
        QString message;
        try {
            const Transport::Reply reply =
                transport.post(QUrl(u"http://"_s + server.address() + u"/x"_s), {}, "{}", u"clientes"_s);
            EXPECT_EQ(reply.status, 500);
        } catch (const ServerError& e) {
            message = e.message();
        }
        EXPECT_TRUE(message.contains(c.cause)) << message.toStdString();
        EXPECT_TRUE(c.cause.isEmpty() || message.contains(server.address()));
        EXPECT_FALSE(busy.isVisible());
        EXPECT_EQ(other.text(), u""_s);
        QTest::keyClicks(&other, u"y"_s);
        EXPECT_EQ(other.text(), u"y"_s);
    }
}

#ifndef Q_OS_WIN
// The settings hold the key and the cache the customers' data: the user's alone whatever the
// umask. The data folder the program makes and its history folder are 0700, every file of a
// start-up download 0600, and a settings file that others could read is made private when written.
TEST_F(StartUp, the_data_folder_and_its_files_are_the_users_alone)
{
    const QFileDevice::Permissions owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    for (const mode_t mask : {mode_t{022}, mode_t{077}}) {
        SCOPED_TRACE(mask);
        const mode_t old = ::umask(mask);
        const QString folder = u"dados%1"_s.arg(mask);
        context.data_folder = dir.path(folder) + u'/';
        create_data_folders(context);
        dir.write(folder + u"/config.ini"_s, "[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=" +
                                                 server.address().toUtf8() + "\r\nID=1\r\nChave=47261\r\n");
        QFile::setPermissions(context.path(u"config.ini"_s),
                              owner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        messages.clear();
        start(1);
        Settings(context).write_integer(u"Pedido"_s, 7);
        ::umask(old);

        for (const QString& sub : {QString(), u"historico_vendas"_s}) {
            const QFileInfo info(context.path(sub));
            EXPECT_EQ(info.permissions() & (owner | QFileDevice::ExeOwner), owner | QFileDevice::ExeOwner);
            EXPECT_EQ(info.permissions() & others, QFileDevice::Permissions()) << sub.toStdString();
        }
        const QStringList files = QDir(context.data_folder).entryList(QDir::Files);
        EXPECT_EQ(files,
                  (QStringList{u"clientes.json"_s, u"config.ini"_s, u"produtos.json"_s, u"tabelas.json"_s}));
        for (const QString& file : files)
            EXPECT_EQ(QFileInfo(context.path(file)).permissions() & (owner | others), owner)
                << file.toStdString();
    }
}
#endif
