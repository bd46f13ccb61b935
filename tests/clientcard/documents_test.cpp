#include "catalogue_fixture.h"
#include "clientcard/documents.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kPdf = R"("ARQUIVO":["37,80,68,70,45,49",6,"42.pdf"])";

class Documents : public CatalogueTest {
protected:
    QStringList opened;
    Identity identity{u"Teste"_s, u"1"_s, u"47261"_s};

    void SetUp() override
    {
        CatalogueTest::SetUp();
        context.open_document = [this](const QString& path) { opened << path; };
    }
};

} // namespace

TEST_F(Documents, slip_is_written_under_the_server_name_and_the_client_file_is_opened)
{
    boleto_pdf(context, identity, 0, u"42"_s);
    EXPECT_TRUE(server.requests.isEmpty());

    reply("{" + kPdf + R"(,"CHAVE_VENDEDOR":"47261"})");
    ASSERT_EQ(run([&] { boleto_pdf(context, identity, 31, u"42"_s); }), u""_s);
    EXPECT_EQ(transport.request(0),
              R"({"REQUISICAO":{"TABLE":"BOLETO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","CRE_ID":"31",)"
              R"("TIPO_DOCUMENTO":"PDF","DIRETORIO":"c:\\inetpub\\wwwroot\\Teste"}})");
    EXPECT_EQ(dir.read(u"42.pdf"_s), QByteArray("%PDF-1"));
    EXPECT_EQ(opened, QStringList{dir.path(u"42.pdf"_s)});

    // "NULL" in place of the document: nothing written, opened or said.
    reply(R"({"ARQUIVO":"NULL","CHAVE_VENDEDOR":"47261"})");
    ASSERT_EQ(run([&] { boleto_pdf(context, identity, 32, u"43"_s); }), u""_s);
    EXPECT_EQ(opened.size(), 1);
    EXPECT_TRUE(messages.said.isEmpty());
}

TEST_F(Documents, reports_that_bring_no_document_say_so_and_open_nothing)
{
    struct Case {
        QByteArray reply;
        QString message;
    } cases[] = {
        {R"({"ARQUIVO":"NULL","CHAVE_VENDEDOR":"47261"})", u"não é uma lista"_s},
        {R"({"CHAVE_VENDEDOR":"47261"})", u"ausente"_s},
        {R"({"ARQUIVO":["37,80",5,"1.pdf"],"CHAVE_VENDEDOR":"47261"})", u"está incompleto"_s},
        {R"({"ARQUIVO":["37,80",2,"../1.pdf"],"CHAVE_VENDEDOR":"47261"})", u"Nome de arquivo inválido"_s},
        // A page of HTML where the PDF should be: not written, so never opened as one.
        {R"({"ARQUIVO":["60,104,116,109,108,62",6,"1.pdf"],"CHAVE_VENDEDOR":"47261"})", u"não é um PDF"_s},
    };
    for (const Case& c : cases) {
        reply(c.reply);
        const QString message = run([&] { relatorio_vendas_cliente(context, identity, u"42"_s); });
        EXPECT_TRUE(message.contains(c.message)) << message.toStdString();
        EXPECT_FALSE(dir.exists(u"1.pdf"_s));
    }
    EXPECT_TRUE(opened.isEmpty());
}

// A server that names its document like the company's certificate file would choose whom the
// program trusts: refused, absolute or inside the data folder, whether or not the file exists yet.
TEST_F(Documents, a_document_never_takes_the_place_of_the_company_certificate)
{
    for (const QString& setting : {u"Empresa.pem"_s, dir.path(u"Empresa.pem"_s)}) {
        SCOPED_TRACE(setting.toStdString());
        dir.write(u"config.ini"_s, "[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=" + server.address().toUtf8() +
                                       "\r\nID=1\r\nChave=47261\r\nCertificado=" + setting.toUtf8() + "\r\n");
        for (const bool exists : {false, true}) {
            if (exists) dir.write(u"Empresa.pem"_s, "-----BEGIN CERTIFICATE-----\n");
            reply(R"({"ARQUIVO":["37,80,68,70,45",5,"Empresa.pem"],"CHAVE_VENDEDOR":"47261"})");
            const QString message = run([&] { relatorio_vendas_cliente(context, identity, u"42"_s); });
            EXPECT_TRUE(message.contains(u"certificado da empresa"_s)) << message.toStdString();
            if (exists)
                EXPECT_EQ(dir.read(u"Empresa.pem"_s), QByteArray("-----BEGIN CERTIFICATE-----\n"));
            else
                EXPECT_FALSE(dir.exists(u"Empresa.pem"_s));
        }
        QFile::remove(dir.path(u"Empresa.pem"_s));
    }
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(Documents, salesperson_report_asks_up_to_today_with_the_regional_date_separator)
{
    context.today = [] { return QDate(2024, 3, 15); };
    for (QChar separator : {u'/', u'-'}) {
        context.regional.date_separator = separator;
        reply(R"({"ARQUIVO":["37,80,68,70,45",5,"1.pdf"],"CHAVE_VENDEDOR":"47261"})");
        ASSERT_EQ(run([&] { relatorio_financeiro_vendedor(context, identity); }), u""_s);
    }
    const QByteArray start =
        R"({"REQUISICAO":{"TABLE":"RELATORIO_FINANCEIRO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1",)"
        R"("CLI_ID":"NULL","VEN_ID":"1","STATUS":"PENDENTE","DTA_INICIO":"01\/01\/2000",)";
    EXPECT_EQ(transport.request(0),
              start + R"("DTA_FINAL":"03\/15\/2024","DIRETORIO":"c:\\inetpub\\wwwroot\\Teste"}})");
    EXPECT_EQ(transport.request(1),
              start + R"("DTA_FINAL":"03-15-2024","DIRETORIO":"c:\\inetpub\\wwwroot\\Teste"}})");
    EXPECT_EQ(opened, (QStringList{dir.path(u"1.pdf"_s), dir.path(u"1.pdf"_s)}));
}

TEST_F(Documents, card_requests_use_the_last_identity_and_the_typed_line_is_read)
{
    // The card keeps the identity of an earlier connection; the settings have moved on since.
    identity = Identity{u"Anterior"_s, u"9"_s, u"11111"_s};
    reply(
        R"({"LINHA_DIGITAVEL":"00190.00009 01234.567890 12345.678901 1 96580000015075","CHAVE_VENDEDOR":"47261"})");
    std::optional<JsonValue> r;
    ASSERT_EQ(run([&] { r = boleto_linha(context, identity, 31); }), u""_s);
    ASSERT_TRUE(r);
    EXPECT_EQ(linha_digitavel_of(*r), u"00190.00009 01234.567890 12345.678901 1 96580000015075"_s);
    EXPECT_THROW(linha_digitavel_of(JsonValue::object()), ProtocolError);
    EXPECT_EQ(
        transport.request(0),
        R"({"REQUISICAO":{"TABLE":"BOLETO","EMPRESA":"Anterior","CHAVE_VENDEDOR":"Anterior9","CRE_ID":"31",)"
        R"("TIPO_DOCUMENTO":"LINHA_DIGITAVEL","DIRETORIO":"c:\\inetpub\\wwwroot\\Anterior"}})");

    // The next request carries the identity that connection brought, not the settings of now; the
    // reply is checked against the key of now, and the connection refreshes the identity again.
    configure(u"Outra"_s, u"2"_s, u"55555"_s);
    reply(R"({"ARQUIVO":["37,80,68,70,45",5,"2.pdf"],"CHAVE_VENDEDOR":"55555"})");
    ASSERT_EQ(run([&] { relatorio_financeiro_cliente(context, identity, u"77"_s); }), u""_s);
    EXPECT_EQ(
        transport.request(1),
        R"({"REQUISICAO":{"TABLE":"RELATORIO_FINANCEIRO","EMPRESA":"Teste","CHAVE_VENDEDOR":"Teste1","CLI_ID":"77",)"
        R"("VEN_ID":"1","STATUS":"PENDENTE","DTA_INICIO":"NULL","DTA_FINAL":"NULL","DIRETORIO":"c:\\inetpub\\wwwroot\\Teste"}})");
    EXPECT_EQ(opened, QStringList{dir.path(u"2.pdf"_s)});
    EXPECT_EQ(identity.empresa, u"Outra"_s);
    EXPECT_EQ(identity.id_vendedor, u"2"_s);
    EXPECT_EQ(identity.chave, u"55555"_s);
}
