#include "catalogue/client_download.h"
#include "catalogue/frm_lista_clientes.h"
#include "catalogue_fixture.h"
#include "modal.h"
#include "ui/db_grid.h"

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
              R"("CLIENTE1":{"COL_ID_CONTROLE":8,"CLI_VLR_CREDITO":"NULL"},)"
              R"("CLIENTE2":{"COL_ID_CONTROLE":9,"COL_NOME":"Mercado Dois Irmaos","CLI_VLR_CREDITO":"0",)"
              R"("CLI_LIMITE_CREDITO":"100"},"CHAVE_VENDEDOR":"47261"})");
        EXPECT_EQ(run([&] { importar_clientes(context, dados.tblCliente); }), u""_s);
        transport.bodies.clear();
    }
    static void select_row(QWidget* list, int row)
    {
        auto* grid = child<DbGrid>(list, u"dbgLista"_s);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row, 1)).center());
    }
};

} // namespace

TEST_F(ClientListView, f4_the_button_a_double_click_and_enter_open_the_card_of_the_selected_client)
{
    Tfrm_Lista_Clientes list(context, dados);
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    auto* grid = child<DbGrid>(&list, u"dbgLista"_s);
    const struct {
        const char* way;
        int row;
        std::function<void()> open;
        QStringList card; // code, name, second term, credit, limit, state registration
    } cases[] = {
        {"F4",
         0,
         [&] { QTest::keyClick(&list, Qt::Key_F4); },
         {u"7"_s, u"PADARIA SAO JOAO"_s, u"30"_s, u"1500,00"_s, u"2500,50"_s, u""_s}},
        {"button",
         2,
         [&] { QTest::mouseClick(child<QToolButton>(&list, u"btnVisualizar"_s), Qt::LeftButton); },
         {u"9"_s, u"MERCADO DOIS IRMAOS"_s, u"0"_s, u"0,00"_s, u"100,00"_s, u""_s}},
        {"double-click",
         0,
         [&] {
             QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                                grid->visualRect(grid->model()->index(0, 1)).center());
         },
         {u"7"_s, u"PADARIA SAO JOAO"_s, u"30"_s, u"1500,00"_s, u"2500,50"_s, u""_s}},
        {"Enter on the grid",
         2,
         [&] { QTest::keyClick(grid, Qt::Key_Return); },
         {u"9"_s, u"MERCADO DOIS IRMAOS"_s, u"0"_s, u"0,00"_s, u"100,00"_s, u""_s}},
    };
    for (const auto& c : cases) {
        select_row(&list, c.row);
        transport.bodies.clear();
        reply(R"({"TITULOS":{},"CHAVE_VENDEDOR":"47261"})");
        reply(R"({"CHAVE_VENDEDOR":"47261"})");
        QStringList seen;
        {
            const auto watch = when_modal(u"Tfrm_Cad_Clientes"_s, [&](QWidget* card) {
                for (const char* name :
                     {"edtCodigo", "edtRazao", "edtParc2", "edtVlrCredito", "edtLimiteCredito", "edtIE"})
                    seen << child<QLineEdit>(card, QString::fromLatin1(name))->text();
                card->close();
            });
            c.open();
        }
        EXPECT_EQ(seen, c.card) << c.way;
        ASSERT_TRUE(wait_until([&] { return transport.bodies.size() == 2; })) << c.way;
        EXPECT_TRUE(transport.request(0).contains(R"("TABLE":"HIST_FINANCEIRO")")) << c.way;
        EXPECT_TRUE(transport.request(0).contains(QByteArray(R"("CLI_ID":")" + c.card[0].toUtf8() + '"')))
            << c.way;
    }
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
}

TEST_F(ClientListView, a_credit_that_does_not_convert_shows_an_error_and_no_card)
{
    Tfrm_Lista_Clientes list(context, dados);
    list.show();
    ASSERT_TRUE(dados.tblCliente.locate(u"cli_id", QVariant(8)));
    {
        const auto no_card = refuse_modal(u"Tfrm_Cad_Clientes"_s);
        list.btnVisualizarClick();
    }
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
    reply(R"({"ARQUIVO":["37,80,68,70,45",5,"1.pdf"],"CHAVE_VENDEDOR":"47261"})");
    QTest::keyClick(&list, Qt::Key_F6);
    ASSERT_EQ(transport.bodies.size(), 1);
    EXPECT_TRUE(transport.request(0).contains(
        R"("CLI_ID":"NULL","VEN_ID":"1","STATUS":"PENDENTE","DTA_INICIO":"01\/01\/2000","DTA_FINAL":"03\/15\/2024")"));
    EXPECT_EQ(opened, QStringList{dir.path(u"1.pdf"_s)});
}
