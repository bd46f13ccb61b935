#include "app/frm_principal.h"
#include "modal.h"
#include "qt_printers.h"
#include "recording_messages.h"
#include "recording_transport.h"
#include "server_process.h"
#include "store/dm_dados.h"
#include "temp_folder.h"
#include "test_authority.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kUpdating = u"information: Atualizando a Base de Cadastros... Por Favor, Aguarde!"_s;

// The program's start-up against pedidos-servidor over TLS, with certificates made for the test by
// an authority no system trusts.
class SecureStartUp : public ::testing::Test {
protected:
    QTemporaryDir pki;
    TestAuthority authority{pki.path()};
    TempFolder dir;
    RecordingMessages messages;
    RecordingTransport transport;
    Context context = make_context(dir, &messages);
    TdmDados dados{context.regional};

    void SetUp() override { context.transport = &transport; }

    void configure(const QString& ip, const QString& certificado, const QString& chave = u"47261"_s)
    {
        QString text = u"[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=%1\r\nID=1\r\nChave=%2\r\n"_s.arg(ip, chave);
        if (!certificado.isNull()) text += u"Certificado="_s + certificado + u"\r\n"_s;
        dir.write(u"config.ini"_s, text.toUtf8());
    }

    // Shows the main window until its start-up has said n things.
    void start(qsizetype n)
    {
        messages.clear();
        Tfrm_Principal window(context);
        window.show();
        ASSERT_TRUE(wait_until([&] { return messages.said.size() >= n; }, 60000))
            << messages.said.join(u'\n').toStdString();
        drain_events();
    }

    static QStringList tls_arguments(const TestAuthority::Issued& issued)
    {
        if (issued.certificate.isEmpty()) return {};
        return {u"--tls-cert"_s, issued.certificate, u"--tls-key"_s, issued.key};
    }
};

} // namespace

TEST_F(SecureStartUp, the_download_over_https_trusts_the_company_certificate_and_signs_each_request)
{
    ServerProcess server(tls_arguments(authority.issue(u"localhost"_s, u"DNS:localhost,IP:127.0.0.1"_s)) +
                         QStringList{u"--exigir-assinatura"_s});
    ASSERT_TRUE(server.running()) << server.log().toStdString();
    // A name inside the data folder, as the company hands the file over.
    dir.write(
        u"empresa.pem"_s, QByteArray("lixo antes do certificado\n") + [&] {
            QFile file(authority.certificate());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }());
    configure(u"https://localhost:%1"_s.arg(server.port()), u"empresa.pem"_s);
    start(1);
    EXPECT_EQ(messages.said, QStringList{kUpdating});
    EXPECT_GT(dados.tblCliente.record_count(), 50);
    EXPECT_GT(dados.tblProduto.record_count(), 50);
    EXPECT_TRUE(dir.exists(u"produtos.json"_s));
    ASSERT_EQ(transport.securities.size(), 2);
    EXPECT_EQ(transport.securities[0].signing_key, "47261");

    // An absolute path serves as well; a wrong key is refused by the server before any data.
    configure(u"https://127.0.0.1:%1"_s.arg(server.port()), authority.certificate(), u"47262"_s);
    start(2);
    ASSERT_EQ(messages.said.size(), 2);
    EXPECT_TRUE(
        messages.said[1].contains(u"Assinatura da requisição não pôde ser verificada: confira a chave"_s))
        << messages.said[1].toStdString();
    // The server writes its log line once the reply has gone out: waited for, not raced.
    EXPECT_TRUE(wait_until([&] { return server.log().contains(u"CLIENTE Teste1 401"_s); }));
}

TEST_F(SecureStartUp, a_certificate_that_cannot_be_trusted_is_told_in_portuguese_and_nothing_loads)
{
    QTemporaryDir other_pki;
    const TestAuthority stranger(other_pki.path());
    const auto good = authority.issue(u"bom"_s, u"DNS:localhost,IP:127.0.0.1"_s);
    const auto other_host = authority.issue(u"outro"_s, u"DNS:outro.exemplo.com.br"_s);
    const auto expired = authority.issue(u"vencido"_s, u"DNS:localhost,IP:127.0.0.1"_s, -60, -2);
    // A name a hostile certificate may carry: shown as written, never as markup.
    const auto html_name = authority.issue(u"html"_s, u"DNS:<b>x</b><img src=/dev/zero>"_s);
    dir.write(u"vazio.pem"_s, "não é um certificado\n");
    const struct {
        const char* name;
        TestAuthority::Issued server; // none: plain HTTP
        QString scheme;
        QString certificado;
        QStringList causes;
    } cases[] = {
        {"no company certificate", good, u"https"_s, {}, {u"não é de uma autoridade confiável"_s}},
        {"another authority's",
         good,
         u"https"_s,
         stranger.certificate(),
         {u"não é de uma autoridade confiável"_s}},
        {"another host name",
         other_host,
         u"https"_s,
         authority.certificate(),
         {u"é de outro nome (outro.exemplo.com.br), não de localhost"_s}},
        {"expired", expired, u"https"_s, authority.certificate(), {u"o certificado do servidor venceu em"_s}},
        {"a name in markup",
         html_name,
         u"https"_s,
         authority.certificate(),
         {u"é de outro nome (<b>x</b><img src=/dev/zero>), não de localhost"_s}},
        {"plain http to the TLS port",
         good,
         u"http"_s,
         authority.certificate(),
         {u"encerrada pelo servidor"_s, u"https://"_s}},
        {"a missing file", good, u"https"_s, u"nenhum.pem"_s, {dir.path(u"nenhum.pem"_s), u"não existe"_s}},
        {"a file without certificates",
         good,
         u"https"_s,
         u"vazio.pem"_s,
         {dir.path(u"vazio.pem"_s), u"nenhum certificado"_s}},
#ifndef Q_OS_WIN
        // A device would block the read, or never end it.
        {"a device", good, u"https"_s, u"/dev/zero"_s, {u"/dev/zero"_s, u"não é um arquivo comum"_s}},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ServerProcess server(tls_arguments(c.server));
        ASSERT_TRUE(server.running()) << server.log().toStdString();
        configure(u"%1://localhost:%2"_s.arg(c.scheme).arg(server.port()), c.certificado);
        start(2);
        ASSERT_EQ(messages.said.size(), 2);
        const QString& error = messages.said[1];
        EXPECT_TRUE(error.startsWith(u"error: "_s)) << error.toStdString();
        for (const QString& cause : c.causes)
            EXPECT_TRUE(error.contains(cause)) << error.toStdString();
        EXPECT_EQ(dados.tblCliente.record_count(), 0);
        EXPECT_EQ(dados.tblProduto.record_count(), 0);
        EXPECT_FALSE(dir.exists(u"clientes.json"_s));
        // Stopped first, so that the log holds all the server wrote: a line still on its way would
        // make the check pass unseen.
        server.stop();
        EXPECT_FALSE(server.log().contains(u"CLIENTE"_s)) << "the request reached the server";
    }
}

TEST_F(SecureStartUp, the_server_will_not_start_on_tls_files_it_cannot_use)
{
    const auto good = authority.issue(u"bom"_s, u"DNS:localhost"_s);
    const auto other = authority.issue(u"outro"_s, u"DNS:localhost"_s);
    const struct {
        QStringList arguments;
        QString says;
    } cases[] = {
        {{u"--tls-cert"_s, pki.path() + u"/nenhum.pem"_s, u"--tls-key"_s, good.key}, u"certificado TLS"_s},
        {{u"--tls-cert"_s, good.certificate, u"--tls-key"_s, authority.certificate()},
         u"chave privada TLS"_s},
        {{u"--tls-cert"_s, good.certificate, u"--tls-key"_s, other.key}, u"não corresponde ao certificado"_s},
    };
    for (const auto& c : cases) {
        ServerProcess server(c.arguments);
        EXPECT_FALSE(server.running());
        EXPECT_TRUE(server.log().contains(c.says)) << server.log().toStdString();
    }
}

// A server that speaks nothing newer than TLS 1.0 is refused: the program asks for TLS 1.2 at least,
// whatever Qt's or the system's defaults. Debian's openssl plays that server.
TEST_F(SecureStartUp, a_server_of_tls_1_0_only_is_refused_and_told_why)
{
    const auto good = authority.issue(u"bom"_s, u"DNS:localhost,IP:127.0.0.1"_s);
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    QProcess old_server;
    old_server.start(u"openssl"_s, {u"s_server"_s, u"-accept"_s, QString::number(port), u"-cert"_s,
                                    good.certificate, u"-key"_s, good.key, u"-tls1"_s, u"-cipher"_s,
                                    u"DEFAULT:@SECLEVEL=0"_s, u"-www"_s, u"-quiet"_s});
    ASSERT_TRUE(old_server.waitForStarted(10000)) << old_server.errorString().toStdString();
    ASSERT_TRUE(wait_until(
        [&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        },
        10000));
    configure(u"https://localhost:%1"_s.arg(port), authority.certificate());
    start(2);
    old_server.kill();
    old_server.waitForFinished(5000);
    ASSERT_EQ(messages.said.size(), 2);
    EXPECT_TRUE(messages.said[1].contains(u"aceita TLS 1.2 ou mais recente"_s))
        << messages.said[1].toStdString();
    EXPECT_FALSE(dir.exists(u"clientes.json"_s));
}
