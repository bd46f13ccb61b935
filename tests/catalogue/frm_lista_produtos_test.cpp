#include "catalogue/frm_cad_produtos.h"
#include "catalogue/frm_lista_produtos.h"
#include "screen_fixture.h"
#include "scripted_server.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

class ProductList : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        load_start_up();
        ids = all_values(dados.tblProduto, "pro_id");
        ASSERT_GE(ids.size(), 10);
    }
    static void search(QWidget* screen, const QString& code, const QString& name)
    {
        for (const auto& [edit, text] :
             {std::pair{u"edtCod_Produto"_s, code}, std::pair{u"edtProduto"_s, name}}) {
            auto* e = child<QLineEdit>(screen, edit);
            e->clear();
            QTest::keyClicks(e, text);
        }
        QTest::mouseClick(child<QToolButton>(screen, u"edtPesqProd"_s), Qt::LeftButton);
    }
    static void select_row(QWidget* screen, int row)
    {
        auto* grid = child<DbGrid>(screen, u"dbgLista"_s);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row, 1)).center());
    }
    // The rows of the three tables, as text, hidden ones included.
    QStringList catalogue()
    {
        QStringList rows;
        for (Table* t : {&dados.tblTabela, &dados.tblProduto, &dados.tblTabProd}) {
            const bool was = t->filtered();
            t->set_filtered(false);
            for (t->first(); !t->eof(); t->next()) {
                QStringList values;
                for (int f = 0; f < t->field_count(); ++f)
                    values << t->as_text(f);
                rows << t->name() + u": "_s + values.join(u'|');
            }
            t->set_filtered(was);
        }
        return rows;
    }
    // Opens the card by the given action and hands back its edits' texts; a card that does not
    // come fails the test.
    QMap<QString, QString> card_after(const std::function<void()>& action,
                                      const std::function<void(QWidget*)>& close_it)
    {
        QMap<QString, QString> edits;
        const auto watch = when_modal(u"Tfrm_Cad_Produtos"_s, [&](QWidget* card) {
            for (QLineEdit* e : card->findChildren<QLineEdit*>())
                edits[e->objectName()] = e->text();
            close_it(card);
        });
        action();
        return edits;
    }
    // Runs the action; a card that opens fails the test.
    static void no_card_after(const std::function<void()>& action)
    {
        const auto watch = refuse_modal(u"Tfrm_Cad_Produtos"_s);
        action();
    }
    QStringList ids;
};

} // namespace

TEST_F(ProductList, search_narrows_the_grid_and_esc_anywhere_clears_it)
{
    change(dados.tblProduto, "pro_id", ids[4].toInt(), "pro_descricao", u"ZZ'TOP A"_s);
    change(dados.tblProduto, "pro_id", ids[6].toInt(), "pro_descricao", u"ZZ'TOP B"_s);
    change(dados.tblProduto, "pro_id", ids[7].toInt(), "pro_descricao", u"zz'top c"_s);
    Tfrm_Lista_Produtos screen(context, dados);
    show_active(&screen);
    EXPECT_EQ(screen.windowTitle(), u"LISTA PRODUTOS"_s);

    const struct {
        QString code, typed, filter;
        QStringList rows;
    } cases[] = {
        {ids[2], u"zz'top"_s, u"pro_id = "_s + ids[2], {ids[2]}},
        {{}, u"zz'top"_s, u"pro_descricao LIKE 'ZZ''TOP%'"_s, {ids[4], ids[6]}},
        {{}, {}, u"pro_descricao LIKE 'ZZ''TOP%'"_s, {ids[4], ids[6]}},
        {{}, u"nada disso"_s, u"pro_descricao LIKE 'NADA DISSO%'"_s, {}},
    };
    for (const auto& c : cases) {
        search(&screen, c.code, c.typed);
        EXPECT_EQ(dados.tblProduto.filter(), c.filter);
        EXPECT_TRUE(dados.tblProduto.filtered());
        EXPECT_EQ(shown(&screen, 0), c.rows) << c.filter.toStdString();
        EXPECT_EQ(child<QLabel>(&screen, u"lblPesquisaVazia"_s)->isVisible(), c.rows.isEmpty());
    }
    search(&screen, u"x1"_s, {});
    ASSERT_EQ(messages.said.size(), 1);
    EXPECT_TRUE(messages.said[0].startsWith(u"error: "_s));

    QTest::keyClick(child<DbGrid>(&screen, u"dbgLista"_s), Qt::Key_Escape);
    EXPECT_FALSE(screen.isVisible());
    EXPECT_FALSE(dados.tblProduto.filtered());
    EXPECT_EQ(dados.tblProduto.filter(), u""_s);
}

TEST_F(ProductList, view_shows_the_card_with_amounts_in_regional_form)
{
    change(dados.tblProduto, "pro_id", ids[0].toInt(), "pro_vlr_venda", u"1500"_s);
    change(dados.tblProduto, "pro_id", ids[0].toInt(), "pro_qtd_estoque", u"12"_s);
    change(dados.tblProduto, "pro_id", ids[1].toInt(), "pro_vlr_venda", u"7,5"_s);
    change(dados.tblProduto, "pro_id", ids[1].toInt(), "pro_qtd_estoque", u"3,5"_s);
    change(dados.tblProduto, "pro_id", ids[1].toInt(), "pro_descricao", u"CAFE TORRADO 500G"_s);
    change(dados.tblProduto, "pro_id", ids[2].toInt(), "pro_vlr_venda", u"NULL"_s);

    Tfrm_Lista_Produtos screen(context, dados);
    show_active(&screen);
    // The grid shows the stored text, right-aligned under a right-aligned title.
    EXPECT_EQ(shown(&screen, 2).mid(0, 2), (QStringList{u"1500"_s, u"7,5"_s}));
    const QAbstractItemModel* model = child<DbGrid>(&screen, u"dbgLista"_s)->model();
    EXPECT_TRUE(model->index(1, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_TRUE(model->headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                Qt::AlignRight);
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), u"Vlr Venda"_s);

    QStringList tab_order;
    bool cleared_by_esc = false;
    select_row(&screen, 1);
    QMap<QString, QString> card = card_after([&] { QTest::keyClick(&screen, Qt::Key_F4); },
                                             [&](QWidget* w) {
                                                 for (QWidget* at = child<QLineEdit>(w, u"edtCodigo"_s);
                                                      tab_order.size() < 8; at = at->nextInFocusChain()) {
                                                     if (auto* e = qobject_cast<QLineEdit*>(at)) {
                                                         tab_order << e->objectName();
                                                         EXPECT_TRUE(e->isReadOnly());
                                                     }
                                                 }
                                                 EXPECT_TRUE(QTest::qWaitForWindowActive(w));
                                                 QTest::keyClick(w, Qt::Key_Escape);
                                                 cleared_by_esc =
                                                     child<QLineEdit>(w, u"edtCodigo"_s)->text().isEmpty();
                                             });
    EXPECT_EQ(card[u"edtCodigo"_s], ids[1]);
    EXPECT_EQ(card[u"edtProduto"_s], u"CAFE TORRADO 500G"_s);
    EXPECT_EQ(card[u"edtVlrVenda"_s], u"7,50"_s);
    EXPECT_EQ(card[u"edtQtdEstoque"_s], u"3,50"_s);
    EXPECT_EQ(tab_order, (QStringList{u"edtCodigo"_s, u"edtProduto"_s, u"edtVlrVenda"_s, u"edtQtdEstoque"_s,
                                      u"edtEmbalagem"_s, u"edtMarca"_s, u"edtGrupo"_s, u"edtSubgrupo"_s}));
    EXPECT_TRUE(cleared_by_esc);

    auto* grid = child<DbGrid>(&screen, u"dbgLista"_s);
    const QPoint first_row = grid->visualRect(grid->model()->index(0, 1)).center();
    card = card_after(
        [&] {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, first_row);
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, first_row);
        },
        [](QWidget* w) { QTest::mouseClick(child<QToolButton>(w, u"btnFechar"_s), Qt::LeftButton); });
    EXPECT_EQ(card[u"edtVlrVenda"_s], u"1500,00"_s);
    EXPECT_EQ(card[u"edtQtdEstoque"_s], u"12,00"_s);
    EXPECT_TRUE(messages.said.isEmpty());

    select_row(&screen, 2);
    no_card_after(
        [&] { QTest::mouseClick(child<QToolButton>(&screen, u"btnVisualizar"_s), Qt::LeftButton); });
    ASSERT_EQ(messages.said.size(), 1);
    EXPECT_TRUE(messages.said[0].startsWith(u"error: "_s) && messages.said[0].contains(u"NULL"_s))
        << messages.said[0].toStdString();

    // Nothing visible: F4 does nothing.
    messages.clear();
    search(&screen, u"999999"_s, {});
    no_card_after([&] { QTest::keyClick(&screen, Qt::Key_F4); });
    EXPECT_TRUE(messages.said.isEmpty());
}

TEST_F(ProductList, refresh_holds_one_row_per_record_the_server_sends)
{
    // A product the server no longer sends, and a price table changed here.
    dados.tblProduto.append();
    dados.tblProduto.set_integer(u"pro_id", 999999);
    dados.tblProduto.set_text(u"pro_descricao", u"ANTIGO"_s);
    dados.tblProduto.post();
    change(dados.tblTabela, "tab_id", 1, "tab_descricao", u"ALTERADA"_s);

    Tfrm_Lista_Produtos screen(context, dados);
    show_active(&screen);
    search(&screen, {},
           dados.tblProduto.locate(u"pro_id", QVariant(ids[3].toInt()))
               ? dados.tblProduto.as_text(u"pro_descricao").left(3)
               : QString());
    const QString filter = dados.tblProduto.filter();
    const QStringList before = shown(&screen, 0);

    QTest::keyClick(&screen, Qt::Key_F5);
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
    EXPECT_EQ(dados.tblProduto.filter(), filter);
    EXPECT_TRUE(dados.tblProduto.filtered());
    EXPECT_EQ(shown(&screen, 0), before);

    EXPECT_EQ(all_values(dados.tblProduto, "pro_id"), ids);
    EXPECT_EQ(all_values(dados.tblTabela, "tab_id"), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
    EXPECT_FALSE(all_values(dados.tblTabela, "tab_descricao").contains(u"ALTERADA"_s));
    QStringList pairs;
    Table& prices = dados.tblTabProd;
    for (prices.first(); !prices.eof(); prices.next())
        pairs << prices.as_text(u"tab_id") + u'/' + prices.as_text(u"pro_id");
    EXPECT_GE(pairs.size(), ids.size());
    EXPECT_EQ(QSet<QString>(pairs.begin(), pairs.end()).size(), pairs.size());

    // The button does the same: what is changed here again goes back to what the server sends.
    const QStringList refreshed = catalogue();
    change(dados.tblProduto, "pro_id", ids[3].toInt(), "pro_vlr_venda", u"1,00"_s);
    change(dados.tblTabela, "tab_id", 1, "tab_descricao", u"ALTERADA"_s);
    ASSERT_NE(catalogue(), refreshed);
    QTest::mouseClick(child<QToolButton>(&screen, u"btnAtualizar"_s), Qt::LeftButton);
    EXPECT_TRUE(messages.said.isEmpty());
    EXPECT_EQ(catalogue(), refreshed);
}

TEST_F(ProductList, a_refresh_that_fails_or_is_refused_leaves_the_tables_as_they_were)
{
    ScriptedServer scripted;
    const QByteArray tail = R"(,"CHAVE_VENDEDOR":"47261"})";
    const struct {
        QString chave, address;
        QByteArray reply;
        QString message;
    } cases[] = {
        {u"99999"_s, server_->address(), {}, u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s},
        {u"47261"_s, closed_address(), {}, u"error: "_s},
        // Broken half-way through the load: the second product has no price list.
        {u"47261"_s, scripted.address(),
         R"({"TABELAS":{"TABELAS0":{"TAB_ID":1}},"PRODUTOS":{"PRODUTOS0":{"PRO_ID":1,"TABELA_ITEM":[]},)"
         R"("PRODUTOS1":{"PRO_ID":2}})" +
             tail,
         u"error: "_s},
        {u"47261"_s, scripted.address(),
         R"({"TABELAS":{},"PRODUTOS":{"PRODUTOS0":{"PRO_ID":7,"TABELA_ITEM":[]},"PRODUTOS1":{"PRO_ID":"7,5",)"
         R"("TABELA_ITEM":[]}})" +
             tail,
         u"error: "_s},
    };
    dados.tblProduto.set_filter(u"pro_id = "_s + ids[1]);
    dados.tblProduto.set_filtered(true);
    const QStringList before = catalogue();
    for (const auto& c : cases) {
        configure(c.chave, c.address);
        if (!c.reply.isEmpty()) scripted.answer(ScriptedServer::http(200, "{\"result\":[" + c.reply + "]}"));
        messages.clear();
        Tfrm_Lista_Produtos screen(context, dados);
        show_active(&screen);
        QTest::keyClick(&screen, Qt::Key_F5);
        ASSERT_EQ(messages.said.size(), 1) << messages.said.join(u'\n').toStdString();
        EXPECT_TRUE(messages.said[0].startsWith(c.message)) << messages.said[0].toStdString();
        EXPECT_EQ(catalogue(), before) << messages.said[0].toStdString();
        EXPECT_EQ(shown(&screen, 0), QStringList{ids[1]});
        screen.hide();
        dados.tblProduto.set_filter(u"pro_id = "_s + ids[1]);
        dados.tblProduto.set_filtered(true);
    }
}
