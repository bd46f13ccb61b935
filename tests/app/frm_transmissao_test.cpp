#include "app/frm_principal.h"
#include "app/frm_transmissao.h"
#include "orders/order_items.h"
#include "orders/order_request.h"
#include "orders/order_save.h"
#include "pdf_text.h"
#include "screen_fixture.h"
#include "scripted_server.h"
#include "server/cache.h"

#include <QAction>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// How many objects a reply's text lists under numbered names ("CLIENTE0":{ ... "CLIENTE99":{).
qsizetype objects_named(const QByteArray& text, const char* prefix)
{
    const QRegularExpression numbered(u"\"%1\\d+\":\\{"_s.arg(QLatin1String(prefix)));
    qsizetype count = 0;
    for (auto it = numbered.globalMatch(QString::fromUtf8(text)); it.hasNext(); it.next())
        ++count;
    return count;
}

class Transmission : public ScreenTest {
protected:
    static QString memo(QWidget* screen, const char* name)
    {
        return child<QPlainTextEdit>(screen, QString::fromLatin1(name))->toPlainText();
    }
    // What the client list's refresh caches for the same server, in a folder of its own.
    template <class Download> QByteArray cached_by_the_list(const QString& name, Download download)
    {
        TempFolder other;
        Context c = make_context(other, &messages);
        c.transport = &transport;
        other.write(u"config.ini"_s, dir.read(u"config.ini"_s));
        EXPECT_TRUE(download(c));
        return other.read(name);
    }
};

} // namespace

TEST_F(Transmission, imports_replace_the_cache_files_show_only_the_counts_and_make_the_catalogue_current)
{
    Tfrm_Transmissao screen(context, dados);
    show_active(&screen);
    EXPECT_EQ(screen.windowTitle(), u"TRANSMISSÃO"_s);
    EXPECT_EQ(child<QTabWidget>(&screen, u"PageControl1"_s)->currentWidget()->objectName(), u"TabSheet1"_s);
    EXPECT_TRUE(child<QPushButton>(&screen, u"btnExportar"_s)->isVisible());
    EXPECT_EQ(child<QPushButton>(&screen, u"btnExportar"_s)->text(), u"EXPORTAR"_s);
    // An old catalogue in memory is the server's again once both imports have come.
    dados.origem = {true, true, QDateTime::currentDateTime()};

    dir.write(u"clientes.json"_s, "old\r\n");
    QTest::keyClick(&screen, Qt::Key_F2);
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
    const QByteArray clientes = dir.read(u"clientes.json"_s);
    // Counted in the server's text, not by the program's own reader.
    const qsizetype client_count = objects_named(clientes, "CLIENTE");
    EXPECT_EQ(memo(&screen, "memResumo"), u"CLIENTES IMPORTADOS > "_s + QString::number(client_count));
    EXPECT_GT(client_count, 100);
    EXPECT_EQ(memo(&screen, "memDetalhado"), u""_s);
    EXPECT_EQ(clientes, cached_by_the_list(u"clientes.json"_s, baixar_clientes));
    EXPECT_EQ(dados.origem.texto().left(11), u"SEM CONEXÃO"_s);

    // A product import replaces the summary; the button does what F3 does.
    QTest::mouseClick(child<QToolButton>(&screen, u"btnProdutos"_s), Qt::LeftButton);
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
    const QByteArray produtos = dir.read(u"produtos.json"_s);
    EXPECT_EQ(memo(&screen, "memResumo"),
              u"TABELAS IMPORTADAS > "_s +
                  QString::number(objects_named(dir.read(u"tabelas.json"_s), "TABELAS")) +
                  u"\nPRODUTOS IMPORTADOS > "_s + QString::number(objects_named(produtos, "PRODUTOS")));
    EXPECT_EQ(memo(&screen, "memDetalhado"), u""_s);
    for (const QString& name : {u"tabelas.json"_s, u"produtos.json"_s})
        EXPECT_EQ(dir.read(name), cached_by_the_list(name, baixar_produtos)) << name.toStdString();

    EXPECT_EQ(dados.origem.texto(), u""_s);

    // Nothing was loaded; F6 with no order waiting sends nothing; Esc closes.
    EXPECT_EQ(dados.tblCliente.record_count(), 0);
    EXPECT_EQ(dados.tblProduto.record_count(), 0);
    QTest::keyClick(&screen, Qt::Key_F6);
    EXPECT_TRUE(messages.said.isEmpty());
    EXPECT_EQ(memo(&screen, "memResumo"), u"PEDIDOS ENVIADOS > 0\nPEDIDOS PENDENTES > 0"_s);
    QTest::keyClick(&screen, Qt::Key_Escape);
    EXPECT_FALSE(screen.isVisible());
}

TEST_F(Transmission, failures_leave_both_memos_empty_and_the_old_files_gone)
{
    ScriptedServer scripted;
    const struct {
        QString chave, address;
        Qt::Key key;
        QByteArray reply;
        QString message;
    } cases[] = {
        {u"99999"_s,
         server_->address(),
         Qt::Key_F2,
         {},
         u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s},
        {u"99999"_s,
         server_->address(),
         Qt::Key_F3,
         {},
         u"error: CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s},
        {u"47261"_s, closed_address(), Qt::Key_F2, {}, u"error: "_s},
        {u"47261"_s, closed_address(), Qt::Key_F3, {}, u"error: "_s},
        // A list missing: neither file is written.
        {u"47261"_s, scripted.address(), Qt::Key_F3, R"({"TABELAS":{},"CHAVE_VENDEDOR":"47261"})",
         u"error: "_s},
    };
    for (const auto& c : cases) {
        configure(c.chave, c.address);
        if (!c.reply.isEmpty()) scripted.answer(ScriptedServer::http(200, "{\"result\":[" + c.reply + "]}"));
        for (const QString& name : {u"clientes.json"_s, u"tabelas.json"_s, u"produtos.json"_s})
            dir.write(name, "{}\r\n");
        messages.clear();
        Tfrm_Transmissao screen(context, dados);
        show_active(&screen);
        child<QPlainTextEdit>(&screen, u"memResumo"_s)->setPlainText(u"CLIENTES IMPORTADOS > 9"_s);
        QTest::keyClick(&screen, c.key);
        ASSERT_EQ(messages.said.size(), 1) << messages.said.join(u'\n').toStdString();
        EXPECT_TRUE(messages.said[0].startsWith(c.message)) << messages.said[0].toStdString();
        EXPECT_EQ(memo(&screen, "memResumo"), u""_s);
        EXPECT_EQ(memo(&screen, "memDetalhado"), u""_s);
        if (c.key == Qt::Key_F2) {
            EXPECT_FALSE(dir.exists(u"clientes.json"_s));
        } else {
            EXPECT_FALSE(dir.exists(u"tabelas.json"_s));
            EXPECT_FALSE(dir.exists(u"produtos.json"_s));
        }
    }
}

TEST_F(Transmission, a_reply_with_no_clients_counts_zero)
{
    ScriptedServer scripted;
    configure(u"47261"_s, scripted.address());
    scripted.answer(ScriptedServer::http(200, R"({"result":[{"CHAVE_VENDEDOR":"47261"}]})"));
    scripted.answer(
        ScriptedServer::http(200, R"({"result":[{"TABELAS":{},"PRODUTOS":{},"CHAVE_VENDEDOR":"47261"}]})"));
    Tfrm_Transmissao screen(context, dados);
    show_active(&screen);
    screen.ImportarCliente1->trigger();
    EXPECT_EQ(memo(&screen, "memResumo"), u"CLIENTES IMPORTADOS > 0"_s);
    EXPECT_EQ(dir.read(u"clientes.json"_s), R"({"CHAVE_VENDEDOR":"47261"})"
                                            "\r\n");
    screen.ImportarProdutos1->trigger();
    EXPECT_EQ(memo(&screen, "memResumo"), u"TABELAS IMPORTADAS > 0\nPRODUTOS IMPORTADOS > 0"_s);
    EXPECT_EQ(dir.read(u"tabelas.json"_s), "{}\r\n");
    EXPECT_TRUE(messages.said.isEmpty());
}

TEST_F(Transmission, main_menu_buttons_open_a_new_screen_at_every_click)
{
    load_start_up();
    Tfrm_Principal window(context);
    const struct {
        const char* button;
        QString screen;
    } cases[] = {
        {"btnClientes", u"Tfrm_Lista_Clientes"_s},
        {"btnProdutos", u"Tfrm_Lista_Produtos"_s},
        {"btnTransmissao", u"Tfrm_Transmissao"_s},
    };
    for (const auto& c : cases) {
        QList<QWidget*> opened;
        for (int click = 0; click < 2; ++click) {
            const auto watch = when_modal(c.screen, [&](QWidget* w) {
                opened << w;
                w->close();
            });
            child<QToolButton>(&window, QString::fromLatin1(c.button))->click();
        }
        ASSERT_EQ(opened.size(), 2) << c.button;
    }
    EXPECT_TRUE(messages.said.isEmpty());
}

TEST_F(Transmission, the_orders_page_follows_an_order_from_kept_to_sent_and_opens_its_pdf_copy)
{
    QDir(dir.path()).mkpath(u"historico_vendas"_s);
    load_start_up();
    QStringList opened;
    context.open_document = [&](const QString& path) { opened << path; };
    dados.tblCliente.first();
    const QString cli_id = dados.tblCliente.as_text(u"cli_id"),
                  razao = dados.tblCliente.as_text(u"cli_razao");
    dados.tblProduto.first();
    const QString pro_id = dados.tblProduto.as_text(u"pro_id"),
                  descricao = dados.tblProduto.as_text(u"pro_descricao");
    filtrar_itens(dados.tblItemVenda, u"6001"_s);
    incluir_item(dados.tblItemVenda,
                 {u"6001"_s, u"0"_s, pro_id, Money::from_double(2), Money::from_double(3.5), descricao});
    filtrar_itens(dados.tblItemVenda, u"6001"_s);
    const OrderInput order{
        u"6001"_s, cli_id, u"BOLETO"_s, {0, 30}, QDate(2025, 12, 20), {}, Money::from_double(7), {}, {}};
    configure(u"47261"_s, closed_address());
    messages.answers = {true};
    ASSERT_TRUE(gravar_pedido(context, dados, order));
    configure(u"47261"_s);
    messages.clear();

    Tfrm_Transmissao screen(context, dados);
    show_active(&screen);
    auto* pages = child<QTabWidget>(&screen, u"PageControl1"_s);
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(2), u"PEDIDOS"_s);
    pages->setCurrentIndex(2);
    auto* grid = child<DbGrid>(&screen, u"dbgPedidos"_s);
    const auto row = [&] {
        QStringList out;
        for (int c = 0; c < grid->table_model()->columnCount(); ++c)
            out << grid->table_model()->display_text(0, c);
        return out;
    };
    ASSERT_EQ(grid->table_model()->rowCount(), 1);
    EXPECT_EQ(row(),
              (QStringList{u"6001"_s, u"09/12/2025"_s, cli_id + u" - "_s + razao, u"7,00"_s, u"PENDENTE"_s}));

    QTest::keyClick(&screen, Qt::Key_F6);
    EXPECT_EQ(memo(&screen, "memResumo"), u"PEDIDOS ENVIADOS > 1\nPEDIDOS PENDENTES > 0"_s);
    EXPECT_EQ(row().last(), u"ENVIADO"_s);

    const QPoint centre = grid->visualRect(grid->model()->index(0, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, centre);
    EXPECT_TRUE(messages.said.isEmpty()) << messages.said.join(u'\n').toStdString();
    ASSERT_EQ(opened, QStringList{dir.path(u"pedido_6001.pdf"_s)});
    const QString text = pdf_text(opened[0]);
    for (const QString& shown : {u"6001"_s, razao, pro_id, descricao, u"09/12/2025"_s, u"20/12/2025"_s})
        EXPECT_TRUE(text.contains(shown.simplified())) << shown.toStdString() << " in " << text.toStdString();
}
