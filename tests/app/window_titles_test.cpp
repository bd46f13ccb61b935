#include "app/application.h"
#include "app/frm_principal.h"
#include "modal.h"
#include "qt_printers.h"
#include "recording_messages.h"
#include "temp_folder.h"
#include "ui/message_boxes.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMessageBox>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// The title the window system shows: X11 and Windows append the application display name to a
// window's own title, when one was set. Qt's display name follows the application name only while
// none was set, which a changed name reveals.
QString shown_title(const QWindow& window)
{
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(name + u"-probe"_s);
    const QString display_name = QGuiApplication::applicationDisplayName();
    const bool display_name_set = display_name != QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(name);
    return display_name_set ? window.title() + u" — "_s + display_name : window.title();
}

} // namespace

TEST(WindowTitles, the_main_window_shows_its_caption_alone)
{
    prepare_application();
    TempFolder dir;
    RecordingMessages messages;
    Context context = make_context(dir, &messages);
    Tfrm_Principal window(context);
    window.show();
    ASSERT_NE(window.windowHandle(), nullptr);
    EXPECT_EQ(shown_title(*window.windowHandle()), u"PEDIDOS VENDEDOR"_s);
    EXPECT_EQ(QGuiApplication::desktopFileName(), u"pedidos-vendedor"_s);
}

TEST(WindowTitles, message_boxes_are_titled_with_the_program_name)
{
    prepare_application();
    MessageBoxes boxes;
    const std::function<void()> shows[] = {
        [&] { boxes.information(u"Pronto!"_s); },
        [&] { boxes.error(u"Servidor não configurado"_s); },
        [&] { boxes.confirm(u"Guardar o pedido?"_s); },
    };
    for (const auto& show : shows) {
        QString title;
        int width = 0;
        int title_width = 0;
        const auto watch = when_modal(u"QMessageBox"_s, [&](QWidget* box) {
            title = box->windowTitle();
            width = box->width();
            title_width = box->fontMetrics().horizontalAdvance(title);
            static_cast<QMessageBox*>(box)->buttons().constFirst()->click();
        });
        show();
        EXPECT_EQ(title, u"Pedidos Vendedor"_s);
        // A short message leaves room for the whole title beside the window's buttons.
        EXPECT_GE(width, title_width + 200);
    }
}
