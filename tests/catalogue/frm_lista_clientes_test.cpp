#include "catalogue/frm_lista_clientes.h"
#include "screen_fixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

class ClientList : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        load_start_up();
        ids = all_values(dados.tblCliente, "cli_id");
        ASSERT_GE(ids.size(), 10);
    }
    static void search(QWidget* screen, const QString& code, const QString& name)
    {
        for (const auto& [edit, text] :
             {std::pair{u"edtCod_Cliente"_s, code}, std::pair{u"edtCliente"_s, name}}) {
            auto* e = child<QLineEdit>(screen, edit);
            e->clear();
            QTest::keyClicks(e, text);
        }
        QTest::mouseClick(child<QToolButton>(screen, u"edtPesqClie"_s), Qt::LeftButton);
    }
    QStringList ids;
};

} // namespace

TEST_F(ClientList, search_sets_the_shared_filter_and_the_grid_shows_what_passes)
{
    // Two trade names with an apostrophe, and one where the name stands later.
    change(dados.tblCliente, "cli_id", ids[3].toInt(), "cli_fantasia", u"D'AVILA MERCADO"_s);
    change(dados.tblCliente, "cli_id", ids[7].toInt(), "cli_fantasia", u"D'AVILA"_s);
    change(dados.tblCliente, "cli_id", ids[8].toInt(), "cli_fantasia", u"LOJA D'AVILA"_s);
    const QString razao3 = (dados.tblCliente.locate(u"cli_id", QVariant(ids[3].toInt())),
                            dados.tblCliente.as_text(u"cli_razao"));

    Tfrm_Lista_Clientes screen(context, dados);
    show_active(&screen);
    EXPECT_EQ(screen.windowTitle(), u"LISTA CLIENTES"_s);
    EXPECT_EQ(shown(&screen, 0).size(), ids.size());

    const struct {
        QString code, typed, filter;
        QStringList rows;
    } cases[] = {
        {ids[5], u"d'avila"_s, u"cli_id = "_s + ids[5], {ids[5]}},
        {{}, u"d'avila"_s, u"cli_fantasia LIKE 'D''AVILA%'"_s, {ids[3], ids[7]}},
        // Nothing typed: the last filter text stays, and it is switched on.
        {{}, {}, u"cli_fantasia LIKE 'D''AVILA%'"_s, {ids[3], ids[7]}},
        {u"999999"_s, {}, u"cli_id = 999999"_s, {}},
    };
    for (const auto& c : cases) {
        search(&screen, c.code, c.typed);
        EXPECT_EQ(child<QLineEdit>(&screen, u"edtCliente"_s)->text(), c.typed.toUpper());
        EXPECT_EQ(dados.tblCliente.filter(), c.filter);
        EXPECT_TRUE(dados.tblCliente.filtered());
        EXPECT_EQ(shown(&screen, 0), c.rows) << c.filter.toStdString();
        // A search that finds nothing says so in the grid's place, not in a message box.
        EXPECT_EQ(child<QLabel>(&screen, u"lblPesquisaVazia"_s)->isVisible(), c.rows.isEmpty());
        EXPECT_TRUE(messages.said.isEmpty());
    }
    search(&screen, {}, u"D'AV"_s);
    EXPECT_EQ(shown(&screen, 1).first(), razao3);

    QTest::mouseClick(child<QToolButton>(&screen, u"btnLimparClie"_s), Qt::LeftButton);
    EXPECT_EQ(dados.tblCliente.filter(), u""_s);
    EXPECT_FALSE(dados.tblCliente.filtered());
    EXPECT_TRUE(child<QLineEdit>(&screen, u"edtCliente"_s)->text().isEmpty());
    EXPECT_EQ(shown(&screen, 0), ids);
    EXPECT_FALSE(child<QLabel>(&screen, u"lblPesquisaVazia"_s)->isVisible());

    // After a clear, an empty search shows every row.
    search(&screen, {}, {});
    EXPECT_TRUE(dados.tblCliente.filtered());
    EXPECT_EQ(shown(&screen, 0), ids);

    search(&screen, u"12a"_s, {});
    ASSERT_EQ(messages.said.size(), 1);
    EXPECT_TRUE(messages.said[0].startsWith(u"error: "_s));
    EXPECT_TRUE(screen.isVisible());
}

TEST_F(ClientList, refresh_updates_in_place_and_keeps_the_search)
{
    change(dados.tblCliente, "cli_id", ids[0].toInt(), "cli_razao", u"ALTERADO"_s);
    const QString fantasia = (dados.tblCliente.locate(u"cli_id", QVariant(ids[0].toInt())),
                              dados.tblCliente.as_text(u"cli_fantasia"));
    Tfrm_Lista_Clientes screen(context, dados);
    show_active(&screen);
    search(&screen, {}, fantasia);
    const QStringList before = shown(&screen, 0);
    ASSERT_TRUE(before.contains(ids[0]));

    QFile::remove(dir.path(u"clientes.json"_s));
    QTest::keyClick(&screen, Qt::Key_F5);
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
    EXPECT_TRUE(dir.exists(u"clientes.json"_s));
    EXPECT_EQ(dados.tblCliente.filter(),
              u"cli_fantasia LIKE '"_s + QString(fantasia).replace(u"'"_s, u"''"_s) + u"%'"_s);
    EXPECT_EQ(shown(&screen, 0), before);
    EXPECT_NE(shown(&screen, 1)[before.indexOf(ids[0])], u"ALTERADO"_s);

    // The button does the same: the name changed here again comes back; still one row per client.
    const QString from_server = shown(&screen, 1)[before.indexOf(ids[0])];
    change(dados.tblCliente, "cli_id", ids[0].toInt(), "cli_razao", u"DE NOVO"_s);
    QTest::mouseClick(child<QToolButton>(&screen, u"btnAtualizar"_s), Qt::LeftButton);
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
    EXPECT_EQ(shown(&screen, 1)[before.indexOf(ids[0])], from_server);
    EXPECT_EQ(all_values(dados.tblCliente, "cli_id"), ids);
}

TEST_F(ClientList, a_refused_or_failed_refresh_leaves_the_table_and_says_one_thing)
{
    const struct {
        QString chave, address, message;
    } cases[] = {
        {u"99999"_s, server_->address(), u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s},
        {u"47261"_s, closed_address(), u"error: "_s},
    };
    for (const auto& c : cases) {
        configure(c.chave, c.address);
        messages.clear();
        Tfrm_Lista_Clientes screen(context, dados);
        show_active(&screen);
        QTest::keyClick(&screen, Qt::Key_F5);
        ASSERT_EQ(messages.said.size(), 1) << messages.said.join(u'\n').toStdString();
        EXPECT_TRUE(messages.said[0].startsWith(c.message)) << messages.said[0].toStdString();
        EXPECT_EQ(all_values(dados.tblCliente, "cli_id"), ids);
    }
}

TEST_F(ClientList, a_search_left_active_is_gone_at_the_next_opening)
{
    const std::function<void(Tfrm_Lista_Clientes*)> ways[] = {
        [](Tfrm_Lista_Clientes* s) { QTest::keyClick(s, Qt::Key_Escape); },
        [](Tfrm_Lista_Clientes* s) {
            QTest::mouseClick(child<QToolButton>(s, u"btnFechar"_s), Qt::LeftButton);
        },
        [](Tfrm_Lista_Clientes* s) { s->Fechar1->trigger(); },
        [](Tfrm_Lista_Clientes* s) { s->close(); },
    };
    for (const auto& close_it : ways) {
        bool searched = false;
        const auto watch = when_modal(u"Tfrm_Lista_Clientes"_s, [&](QWidget* w) {
            search(w, ids[2], {});
            searched = shown(w, 0) == QStringList{ids[2]};
            // Typed but not searched: must not come back either.
            QTest::keyClicks(child<QLineEdit>(w, u"edtCliente"_s), u"abc"_s);
            close_it(static_cast<Tfrm_Lista_Clientes*>(w));
        });
        {
            Tfrm_Lista_Clientes screen(context, dados);
            screen.exec();
        }
        EXPECT_TRUE(searched);
        EXPECT_FALSE(dados.tblCliente.filtered());
        EXPECT_EQ(dados.tblCliente.filter(), u""_s);

        Tfrm_Lista_Clientes next(context, dados);
        show_active(&next);
        EXPECT_TRUE(child<QLineEdit>(&next, u"edtCod_Cliente"_s)->text().isEmpty());
        EXPECT_TRUE(child<QLineEdit>(&next, u"edtCliente"_s)->text().isEmpty());
        EXPECT_EQ(shown(&next, 0), ids);
    }
    EXPECT_TRUE(messages.said.isEmpty());
}

TEST_F(ClientList, ctrl_delete_removes_the_selected_client_once_confirmed)
{
    Tfrm_Lista_Clientes screen(context, dados);
    show_active(&screen);
    auto* grid = child<DbGrid>(&screen, u"dbgLista"_s);
    const QRect cell = grid->visualRect(grid->model()->index(2, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());

    messages.answers = {false, true};
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(shown(&screen, 0), ids);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QStringList left = ids;
    left.removeAt(2);
    EXPECT_EQ(shown(&screen, 0), left);
    EXPECT_EQ(all_values(dados.tblCliente, "cli_id"), left);
    EXPECT_EQ(messages.said, (QStringList{u"confirm: Delete record?"_s, u"confirm: Delete record?"_s}));
}
