#include "catalogue/frm_lista_clientes.h"
#include "catalogue/frm_lista_produtos.h"
#include "catalogue/list_search.h"
#include "catalogue_fixture.h"
#include "modal.h"
#include "orders/frm_cad_pedidos.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// Two clients and two products; a search shows the first of each while a loader's locate, as a
// refresh under that search does, has left the second current.
class HiddenRow : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        for (const auto& [id, name] : {std::pair{1, u"ALFA"_s}, std::pair{2, u"BETA"_s}}) {
            dados.tblCliente.append();
            dados.tblCliente.set_integer(u"cli_id", id);
            dados.tblCliente.set_text(u"cli_fantasia", name);
            dados.tblCliente.set_text(u"cli_razao", name);
            dados.tblCliente.post();
            dados.tblProduto.append();
            dados.tblProduto.set_integer(u"pro_id", id * 10);
            dados.tblProduto.set_text(u"pro_descricao", name);
            dados.tblProduto.set_text(u"pro_vlr_venda", u"1"_s);
            dados.tblProduto.post();
        }
    }
    static void hide_current(Table& table, const char* id_field, const char* text_field, int hidden_id)
    {
        aplicar_pesquisa(table, QString::fromLatin1(id_field), {}, QString::fromLatin1(text_field), u"ALF"_s);
        ASSERT_TRUE(table.locate(QString::fromLatin1(id_field), QVariant(hidden_id)));
        ASSERT_EQ(table.current_visible(), -1);
    }
};

} // namespace

TEST_F(HiddenRow, f4_in_either_list_views_nothing)
{
    const auto no_card = refuse_modal({});
    {
        Tfrm_Lista_Clientes list(context, dados);
        list.show();
        hide_current(dados.tblCliente, "cli_id", "cli_fantasia", 2);
        QTest::keyClick(&list, Qt::Key_F4);
    }
    {
        Tfrm_Lista_Produtos list(context, dados);
        list.show();
        hide_current(dados.tblProduto, "pro_id", "pro_descricao", 20);
        QTest::keyClick(&list, Qt::Key_F4);
    }
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
}

TEST_F(HiddenRow, the_order_screen_picks_no_client_from_a_list_closed_on_a_hidden_row)
{
    Tfrm_Cad_Pedidos screen(context, dados);
    screen.set_pedido(10000);
    screen.show();
    auto* cliente = child<QLineEdit>(&screen, u"edtCliente"_s);
    QTest::keyClicks(cliente, u"alf"_s);
    const auto watch = when_modal(u"Tfrm_Lista_Clientes"_s, [this](QWidget* list) {
        ASSERT_TRUE(dados.tblCliente.locate(u"cli_id", QVariant(2)));
        QTest::keyClick(list, Qt::Key_Escape);
    });
    QTest::mouseClick(child<QToolButton>(&screen, u"btnPesqClie"_s), Qt::LeftButton);
    EXPECT_EQ(child<QLineEdit>(&screen, u"edtCod_Cliente"_s)->text(), u""_s);
    EXPECT_TRUE(server.requests.isEmpty());
    EXPECT_FALSE(dados.tblCliente.filtered());
}
