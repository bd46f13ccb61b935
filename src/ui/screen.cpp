#include "screen.h"

#include "core/errors.h"
#include "look.h"
#include "whole_text.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// Centres its screen each time the program shows it, and when it closes gives the window under it
// the activation and the keyboard back: some window managers, and Qt's own platforms without one,
// leave no window active, and keys such as Esc or F2 would reach nothing until a click.
class ScreenEvents : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* screen = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && !event->spontaneous()) centre_on_screen(screen);
        if (event->type() == QEvent::Hide && !event->spontaneous()) give_back_activation(screen);
        return false;
    }
};

} // namespace

void give_back_activation(QWidget* closing)
{
    QWidget* under = closing->parentWidget() ? closing->parentWidget()->window() : nullptr;
    if (!under || !under->isVisible()) return;
    under->activateWindow();
    if (!under->focusWidget()) under->setFocus(Qt::ActiveWindowFocusReason);
}

void prepare_screen(QWidget* screen, int pixel_size)
{
    apply_look(screen, pixel_size);
    // A label may come to show a server's text: never as rich text.
    for (QLabel* label : screen->findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    screen->installEventFilter(new ScreenEvents(screen));
}

void apply_tab_style(QTabWidget* pages)
{
    pages->setDocumentMode(true);
    pages->setStyleSheet(u"QTabBar::tab { padding: 6px 18px; border: 1px solid #8a8a94; border-radius: 3px;"
                         " margin-right: 4px; background: #f4f4f6; }"
                         " QTabBar::tab:selected { background: #c9d8ee; }"_s);
}

void fill_edits(QWidget* card, const CardValues& values)
{
    for (const auto& [name, text] : values) {
        auto* edit = card->findChild<QLineEdit*>(name);
        if (!edit) throw Error(u"A tela %1 não tem o campo %2."_s.arg(card->window()->objectName(), name));
        edit->setText(text);
        edit->setCursorPosition(0);
        show_whole_on_hover(edit);
    }
}
