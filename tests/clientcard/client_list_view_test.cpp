#include "catalogue/client_download.h"
#include "catalogue/frm_lista_clientes.h"
#include "catalogue_fixture.h"
#include "modal.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

class ClientListView : public CatalogueTest {
protected:
    QStringList opened;

    void SetUp() override
    {
        CatalogueTest::SetUp();
        context.open_document = [this](const QString& path) { opened << path; };
        reply(R"({"CLIENTE0":{"COL_ID_CONTROLE":7,"COL_NOME":"Padaria Sao Joao","CLI_PARCELA2":"30",)"
              R"("CLI_VLR_CREDITO":"1500","CLI_LIMITE_CREDITO":"2500,5"},)"
              R"("CLIENTE1":{"COL_ID_CONTROLE":8,"CLI_VLR_CREDITO":"NULL"},"CHAVE_VENDEDOR":"47261"})");
        EXPECT_EQ(run([&] { importar_clientes(context, dados.tblCliente); }), u""_s);
        transport.bodies.clear();
    }
};

} // namespace

TEST_F(ClientListView, f4_opens_the_card_of_the_selected_client_with_its_amounts)
{
    Tfrm_Lista_Clientes list(context, dados);
    list.show();
    dados.tblCliente.first();
    reply(R"({"TITULOS":{},"CHAVE_VENDEDOR":"47261"})");
    reply(R"({"CHAVE_VENDEDOR":"47261"})");
    QStringList seen;
    when_modal(u"Tfrm_Cad_Clientes"_s, [&](QWidget* card) {
        for (const char* name : {"edtCodigo", "edtRazao", "edtParc2", "edtVlrCredito", "edtLimiteCredito", "edtIE"})
            seen << child<QLineEdit>(card, QString::fromLatin1(name))->text();
        wait_until([&] { return transport.bodies.size() == 2; }, 2000);
        card->close();
    });
    QTest::mouseClick(child<QToolButton>(&list, u"btnVisualizar"_s), Qt::LeftButton);
    EXPECT_EQ(seen, (QStringList{u"7"_s, u"PADARIA SAO JOAO"_s, u"30"_s, u"1500,00"_s, u"2500,50"_s, u""_s}));
    EXPECT_TRUE(transport.request(0).contains(R"("TABLE":"HIST_FINANCEIRO")"));
    EXPECT_TRUE(transport.request(0).contains(R"("CLI_ID":"7")"));
}

TEST_F(ClientListView, a_credit_that_does_not_convert_shows_an_error_and_no_card)
{
    Tfrm_Lista_Clientes list(context, dados);
    list.show();
    ASSERT_TRUE(dados.tblCliente.locate(u"cli_id", QVariant(8)));
    bool card_opened = false;
    when_modal(u"Tfrm_Cad_Clientes"_s, [&](QWidget* card) { card_opened = true; card->close(); }, 300);
    list.btnVisualizarClick();
    QTest::qWait(350);
    EXPECT_FALSE(card_opened);
    ASSERT_EQ(messages.errors().size(), 1);
    EXPECT_TRUE(messages.errors()[0].contains(u"NULL"_s));
}

TEST_F(ClientListView, f6_asks_the_salespersons_report_whatever_client_is_selected)
{
    context.today = [] { return QDate(2024, 3, 15); };
    Tfrm_Lista_Clientes list(context, dados);
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    reply(R"({"ARQUIVO":["37,80,68,70",4,"1.pdf"],"CHAVE_VENDEDOR":"47261"})");
    QTest::keyClick(&list, Qt::Key_F6);
    ASSERT_EQ(transport.bodies.size(), 1);
    EXPECT_TRUE(transport.request(0).contains(R"("CLI_ID":"NULL","VEN_ID":"1","STATUS":"PENDENTE","DTA_INICIO":"01\/01\/2000","DTA_FINAL":"03\/15\/2024")"));
    EXPECT_EQ(opened, QStringList{dir.path(u"1.pdf"_s)});
}
