#include "app/frm_principal.h"
#include "closed_port.h"
#include "modal.h"
#include "recording_messages.h"
#include "scripted_server.h"
#include "server/transport.h"
#include "settings/settings.h"
#include "store/dm_dados.h"
#include "temp_folder.h"
#include "ui/busy_dialog.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class MainWindow : public ::testing::Test {
protected:
    TempFolder dir;
    RecordingMessages messages;
    Context context = make_context(dir, &messages);
    HttpTransport transport;
    TdmDados dados{context.regional};

    void SetUp() override { context.transport = &transport; }

    void configure() { dir.write_config(u"Teste"_s, {}, u"1"_s, u"1"_s); }
    static bool enabled(QWidget* w, const char* name)
    {
        return child<QWidget>(w, QString::fromLatin1(name))->isEnabled();
    }
};

} // namespace

TEST_F(MainWindow, without_settings_only_settings_and_close_respond_and_nothing_is_said)
{
    Tfrm_Principal window(context);
    window.show();
    drain_events();
    EXPECT_EQ(window.windowTitle(), u"PEDIDOS VENDEDOR"_s);
    EXPECT_FALSE(enabled(&window, "GridMain"));
    EXPECT_FALSE(enabled(&window, "pnlTop"));
    EXPECT_TRUE(enabled(&window, "btnConfiguracao"));
    EXPECT_TRUE(enabled(&window, "btnFechar"));
    EXPECT_TRUE(messages.said.isEmpty());
    // The window says what to do first.
    const auto* situacao = child<QLabel>(&window, u"lblSituacao"_s);
    EXPECT_TRUE(situacao->isVisible());
    EXPECT_TRUE(situacao->text().startsWith(u"CONFIGURE O PROGRAMA"_s)) << situacao->text().toStdString();
}

TEST_F(MainWindow, with_settings_the_menu_is_enabled_and_the_update_message_shown_once)
{
    configure();
    Tfrm_Principal window(context);
    window.show();
    // No server address: the start-up download ends at its first step with the error.
    ASSERT_TRUE(wait_until([&] { return messages.said.size() == 2; }));
    EXPECT_EQ(messages.said.first(),
              u"information: Atualizando a Base de Cadastros... Por Favor, Aguarde!"_s);
    EXPECT_TRUE(messages.said.last().startsWith(u"error: Servidor não configurado"_s));
    EXPECT_TRUE(enabled(&window, "GridMain"));
    EXPECT_TRUE(enabled(&window, "pnlTop"));
    window.hide();
    window.show();
    drain_events();
    EXPECT_EQ(messages.said.size(), 2);
}

// The settings screen opened and closed without saving leaves made-up values that reach no server:
// the program still asks to be configured and downloads nothing, then or at the next start. Once
// the settings are saved, the menu comes on and the first download starts, without a restart.
TEST_F(MainWindow, the_first_start_downloads_as_soon_as_the_settings_are_saved)
{
    Tfrm_Principal window(context);
    window.show();
    auto* configuracao = child<QToolButton>(&window, u"btnConfiguracao"_s);
    {
        const auto watch = when_modal(u"Tfrm_Configuracao"_s, [](QWidget* w) { w->close(); });
        QTest::mouseClick(configuracao, Qt::LeftButton);
    }
    EXPECT_TRUE(dir.exists(u"config.ini"_s));
    EXPECT_FALSE(enabled(&window, "GridMain"));
    {
        Tfrm_Principal next(context);
        next.show();
        drain_events();
        EXPECT_FALSE(enabled(&next, "GridMain"));
        EXPECT_TRUE(child<QLabel>(&next, u"lblSituacao"_s)->text().startsWith(u"CONFIGURE O PROGRAMA"_s));
    }
    EXPECT_TRUE(messages.said.isEmpty());

    const ClosedPort nobody;
    {
        const auto watch = when_modal(u"Tfrm_Configuracao"_s, [&](QWidget* w) {
            for (const auto& [edit, text] :
                 {std::pair{"edtEmpresa", u"Teste"_s}, std::pair{"edtIP", nobody.address()},
                  std::pair{"edtIDVendedor", u"1"_s}, std::pair{"edtKey", u"47261"_s}}) {
                auto* e = child<QLineEdit>(w, QString::fromLatin1(edit));
                e->clear();
                QTest::keyClicks(e, text);
            }
            QTest::mouseClick(child<QToolButton>(w, u"btnGravar"_s), Qt::LeftButton);
            w->close();
        });
        QTest::mouseClick(configuracao, Qt::LeftButton);
    }
    ASSERT_EQ(messages.said.size(), 2) << messages.said.join(u'\n').toStdString();
    EXPECT_EQ(messages.said[0], u"information: Atualizando a Base de Cadastros... Por Favor, Aguarde!"_s);
    EXPECT_TRUE(messages.said[1].startsWith(u"error: "_s));
    EXPECT_TRUE(enabled(&window, "GridMain"));
    EXPECT_TRUE(enabled(&window, "pnlTop"));
    EXPECT_FALSE(child<QLabel>(&window, u"lblSituacao"_s)->text().contains(u"CONFIGURE"_s));
}

// A refused key empties the lists; the window keeps saying why once the message is gone.
TEST_F(MainWindow, a_refused_key_is_told_under_the_banner)
{
    ScriptedServer server;
    dir.write_config(u"Teste"_s, server.address(), u"1"_s, u"47261"_s);
    for (int i = 0; i < 2; ++i)
        server.answer(ScriptedServer::http(200, R"({"result":[{"CHAVE_VENDEDOR":"11111"}]})"));
    Tfrm_Principal window(context);
    window.show();
    ASSERT_TRUE(wait_until([&] { return messages.said.size() == 3; }))
        << messages.said.join(u'\n').toStdString();
    EXPECT_EQ(messages.said[1], u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s);
    drain_events();
    EXPECT_TRUE(child<QLabel>(&window, u"lblSituacao"_s)->text().contains(u"CHAVE DO VENDEDOR RECUSADA"_s));
}

TEST_F(MainWindow, esc_menu_item_and_close_button_all_close_the_window)
{
    configure();
    messages.answers.clear();
    const std::function<void(Tfrm_Principal&)> ways[] = {
        [](Tfrm_Principal& w) { QTest::keyClick(&w, Qt::Key_Escape); },
        [](Tfrm_Principal& w) { w.Fechar1->trigger(); },
        [](Tfrm_Principal& w) { QTest::mouseClick(child<QToolButton>(&w, u"btnFechar"_s), Qt::LeftButton); },
    };
    for (const auto& close_it : ways) {
        Tfrm_Principal window(context);
        window.show();
        ASSERT_TRUE(wait_until([&] { return messages.said.size() == 2; }));
        messages.clear();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        close_it(window);
        EXPECT_FALSE(window.isVisible());
    }
}

TEST_F(MainWindow, menu_clicks_during_a_slow_start_up_download_do_nothing_and_each_record_loads_once)
{
    ScriptedServer server;
    const auto answer = [&](const QByteArray& reply) {
        server.answer(ScriptedServer::http(200, "{\"result\":[" + reply + "]}"));
    };
    answer(R"({"CLIENTE0":{"COL_ID_CONTROLE":7},"CLIENTE1":{"COL_ID_CONTROLE":8},"CHAVE_VENDEDOR":"1"})");
    answer(R"({"TABELAS":{"TABELAS0":{"TAB_ID":1}},"PRODUTOS":{"PRODUTOS0":{"PRO_ID":5,"TABELA_ITEM":[]}},)"
           R"("CHAVE_VENDEDOR":"1"})");
    dir.write_config(u"Teste"_s, server.address(), u"1"_s, u"1"_s);
    Tfrm_Principal window(context);
    BusyDialog busy(&window);
    transport.set_progress(&busy);

    // Any screen that opens all the same is noted and closed, so that a failure cannot hang the test.
    QStringList opened;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != &busy) {
            opened << QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        }
    });
    watch.start(20);
    // Every button of the menu, while each of the two downloads waits for its answer.
    int clicks = 0;
    server.on_request = [&](qsizetype) {
        for (const char* button :
             {"btnClientes", "btnProdutos", "btnPedidos", "btnTransmissao", "btnConfiguracao"}) {
            QTest::mouseClick(child<QToolButton>(&window, QString::fromLatin1(button)), Qt::LeftButton);
            ++clicks;
        }
    };
    window.show();
    ASSERT_TRUE(wait_until([&] { return dados.tblProduto.record_count() > 0; }, 10000));
    server.on_request = nullptr;

    EXPECT_EQ(clicks, 10);
    EXPECT_EQ(opened, QStringList());
    EXPECT_EQ(server.requests.size(), 2);
    EXPECT_EQ(dados.tblCliente.record_count(), 2);
    EXPECT_EQ(dados.tblProduto.record_count(), 1);
    EXPECT_EQ(dados.tblTabela.record_count(), 1);
    EXPECT_EQ(messages.said,
              QStringList{u"information: Atualizando a Base de Cadastros... Por Favor, Aguarde!"_s});
    EXPECT_FALSE(busy.isVisible());
    EXPECT_EQ(Settings(context).read_pedido(), 9999);
}

// F1 (and the light bulb, once the program is configured) opens the guide that came with the
// program: guia\ beside it on Windows, /usr/share/doc/pedidos-vendedor/ from the Debian package;
// where there is none, the window says so. F1 works before the first configuration too.
TEST_F(MainWindow, f1_opens_the_guide_installed_with_the_program)
{
    QStringList opened;
    context.open_document = [&](const QString& path) { opened << path; };
    Tfrm_Principal window(context);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.set_program_folder(dir.path(u"compilado"_s));
    QTest::keyClick(&window, Qt::Key_F1);
    ASSERT_EQ(messages.said.size(), 1);
    EXPECT_TRUE(messages.said[0].startsWith(u"warning: O guia do vendedor não está neste computador"_s));

    dir.write(u"Pedidos Vendedor/guia/guia-do-vendedor.html"_s, "<html></html>");
    window.set_program_folder(dir.path(u"Pedidos Vendedor"_s));
    QTest::keyClick(&window, Qt::Key_F1);
    dir.write(u"usr/share/doc/pedidos-vendedor/guia-do-vendedor.html"_s, "<html></html>");
    window.set_program_folder(dir.path(u"usr/bin"_s));
    QTest::keyClick(&window, Qt::Key_F1);
    EXPECT_EQ(opened, (QStringList{dir.path(u"Pedidos Vendedor/guia/guia-do-vendedor.html"_s),
                                   dir.path(u"usr/share/doc/pedidos-vendedor/guia-do-vendedor.html"_s)}));
    EXPECT_EQ(messages.said.size(), 1);
}
