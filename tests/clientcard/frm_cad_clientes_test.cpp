#include "catalogue_fixture.h"
#include "clientcard/frm_cad_clientes.h"
#include "modal.h"

#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

class ClientCard : public CatalogueTest {
protected:
    QStringList opened;

    void SetUp() override
    {
        CatalogueTest::SetUp();
        context.open_document = [this](const QString& path) { opened << path; };
    }
    void titulos()
    {
        reply(
            R"({"TITULOS":{"FINANCEIRO0":{"CRE_ID":31,"CRE_TITULO":"NF 1","CRE_VLR_RECEBER":"10,50"}},"CHAVE_VENDEDOR":"47261"})");
    }
    void vendas()
    {
        reply(R"({"VENDA0":{"NFE_PEDIDO":9,"NFE_TOT_NOTA":"150","ITEM_VENDA":[]},"CHAVE_VENDEDOR":"47261"})");
    }
    // Shows a card for client 42, waits for its loads to be sent and lets what they left queued run.
    void show(Tfrm_Cad_Clientes& card, int calls = 2)
    {
        card.mostrar_cliente(
            {{u"edtCodigo"_s, u"42"_s}, {u"edtRazao"_s, u"Padaria"_s}, {u"edtVlrCredito"_s, u"1500,00"_s}});
        card.show();
        ASSERT_TRUE(wait_until([&] { return transport.bodies.size() >= calls; }));
        drain_events();
    }
    static void click(QWidget* card, const char* name)
    {
        QTest::mouseClick(child<QToolButton>(card, QString::fromLatin1(name)), Qt::LeftButton);
    }
};

} // namespace

TEST_F(ClientCard, shows_its_own_client_and_fetches_slips_and_typed_lines)
{
    // Rows of a card viewed before must not show on this one.
    dados.tblReceber.append();
    dados.tblReceber.set_text(u"cli_id", u"5");
    dados.tblReceber.post();
    titulos();
    vendas();
    Tfrm_Cad_Clientes card(context, dados);
    show(card);
    EXPECT_EQ(card.windowTitle(), u"CADASTRO DE CLIENTE"_s);
    EXPECT_EQ(child<QTabWidget>(&card, u"pgcMain"_s)->currentWidget()->objectName(), u"tbsDados"_s);
    EXPECT_EQ(child<QLineEdit>(&card, u"edtRazao"_s)->text(), u"PADARIA"_s);
    EXPECT_TRUE(child<QLineEdit>(&card, u"edtIE"_s)->text().isEmpty());
    EXPECT_EQ(column(dados.tblReceber, "cre_id"), QStringList{u"31"_s});
    EXPECT_EQ(column(dados.tblHistVenda, "ven_pedido"), QStringList{u"9"_s});
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();

    reply(R"({"ARQUIVO":["37,80,68,70,45",5,"42.pdf"],"CHAVE_VENDEDOR":"47261"})");
    dados.tblReceber.first();
    click(&card, "btnBoletoPDF");
    EXPECT_EQ(opened, QStringList{dir.path(u"42.pdf"_s)});

    QFrame* panel = child<QFrame>(&card, u"pnlLinha"_s);
    for (const char* line : {"11111.11111 1", "22222.22222 2"}) {
        reply(QByteArray(R"({"LINHA_DIGITAVEL":")") + line + R"(","CHAVE_VENDEDOR":"47261"})");
        click(&card, "btnLinhaDigitavel");
        EXPECT_FALSE(panel->isHidden());
        EXPECT_EQ(child<QPlainTextEdit>(&card, u"memoLinha"_s)->toPlainText(), QString::fromLatin1(line));
    }
    EXPECT_TRUE(transport.request(4).contains(R"("CRE_ID":"31","TIPO_DOCUMENTO":"LINHA_DIGITAVEL")"));

    // Esc empties the edits and closes the card.
    QTest::keyClick(&card, Qt::Key_Escape);
    EXPECT_FALSE(card.isVisible());
    EXPECT_TRUE(child<QLineEdit>(&card, u"edtRazao"_s)->text().isEmpty());
}

TEST_F(ClientCard, slip_buttons_are_silent_without_a_receivable)
{
    reply(R"({"TITULOS":{},"CHAVE_VENDEDOR":"47261"})");
    vendas();
    Tfrm_Cad_Clientes card(context, dados);
    show(card);
    click(&card, "btnBoletoPDF");
    click(&card, "btnLinhaDigitavel");
    EXPECT_EQ(transport.bodies.size(), 2);
    EXPECT_TRUE(messages.said.isEmpty());
    EXPECT_TRUE(child<QFrame>(&card, u"pnlLinha"_s)->isHidden());
}

TEST_F(ClientCard, a_refused_key_is_told_once_per_load_and_a_server_error_ends_the_show)
{
    configure(u"Teste"_s, u"1"_s, u"outra"_s);
    titulos();
    vendas();
    {
        Tfrm_Cad_Clientes card(context, dados);
        show(card);
        EXPECT_EQ(messages.said, (QStringList{u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s,
                                              u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s}));
        EXPECT_FALSE(dir.exists(u"financeiro.json"_s));
    }
    messages.clear();
    configure(u"Teste"_s, u"1"_s, u"47261"_s);
    server.answer(ScriptedServer::http(500, R"({"error":"Banco fora do ar"})"));
    Tfrm_Cad_Clientes card(context, dados);
    show(card, 3);
    ASSERT_TRUE(wait_until([&] { return !messages.said.isEmpty(); }));
    drain_events();
    EXPECT_EQ(transport.bodies.size(), 3);
    ASSERT_EQ(messages.said.size(), 1);
    EXPECT_TRUE(messages.said[0].contains(u"Banco fora do ar"_s));
}

TEST_F(ClientCard, a_report_that_does_not_decode_writes_and_opens_nothing)
{
    titulos();
    vendas();
    Tfrm_Cad_Clientes card(context, dados);
    show(card);
    reply(R"({"ARQUIVO":["37,80,x",3,"1.pdf"],"CHAVE_VENDEDOR":"47261"})");
    click(&card, "btnRelVendas");
    ASSERT_EQ(messages.errors().size(), 1);
    EXPECT_EQ(messages.errors()[0], u"'x' não é um valor inteiro válido"_s);
    EXPECT_FALSE(dir.exists(u"1.pdf"_s));
    EXPECT_TRUE(opened.isEmpty());
}
