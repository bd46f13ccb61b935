#include "catalogue/client_download.h"
#include "core/error_report.h"
#include "modal.h"
#include "order_fixture.h"
#include "orders/order_checks.h"
#include "ui/message_boxes.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace {

// Tags, a link and a picture that rich text would draw, follow and read.
const QString kHtml = u"<b>x</b><a href='http://e'>y</a><img src=/dev/zero>"_s;

// A server's text reaching the program's own message boxes, as a handler shows it.
class PlainMessages : public OrderTest {
protected:
    MessageBoxes boxes;

    struct Shown {
        QString text;
        Qt::TextFormat format = Qt::AutoText;
    };
    Shown shown_by(const std::function<void()>& step)
    {
        Shown shown;
        context.messages = &boxes;
        {
            auto watch = when_modal(u"QMessageBox"_s, [&](QWidget* w) {
                auto* box = static_cast<QMessageBox*>(w);
                shown = {box->text(), box->textFormat()};
                box->done(0);
            });
            run_guarded(boxes, step);
        }
        context.messages = &messages;
        return shown;
    }
};

} // namespace

TEST_F(PlainMessages, a_servers_error_and_a_checks_reply_are_shown_as_written)
{
    server.answer(ScriptedServer::http(500, "{\"error\":\"" + kHtml.toUtf8() + "\"}"));
    Shown shown = shown_by([&] { importar_clientes(context, dados.tblCliente); });
    EXPECT_EQ(shown.format, Qt::PlainText);
    EXPECT_TRUE(shown.text.contains(kHtml)) << shown.text.toStdString();

    // The stock check's items, each field as the server sent it.
    add_items();
    reply(R"({"VALIDAR_ESTOQUE":"SEM ESTOQUE","ITENS":[{"PRO_ID":")" + kHtml.toUtf8() +
          R"(","QTD_DISPONIVEL":"1"}]})");
    reply(kPass[1]);
    reply(kPass[2]);
    shown = shown_by([&] { validar_pedido(context, dados.tblItemVenda, u"12"_s); });
    EXPECT_EQ(shown.format, Qt::PlainText);
    EXPECT_TRUE(shown.text.contains(u"["_s + kHtml + u"] Disp"_s)) << shown.text.toStdString();
}

// A reply that would fill the screen is cut, and says so.
TEST_F(PlainMessages, a_long_error_from_the_server_is_cut)
{
    server.answer(ScriptedServer::http(500, "{\"error\":\"" + QByteArray(5000, 'a') + "\"}"));
    const Shown shown = shown_by([&] { importar_clientes(context, dados.tblCliente); });
    EXPECT_TRUE(shown.text.endsWith(QString(300, u'a') + u'…')) << shown.text.toStdString();
}
