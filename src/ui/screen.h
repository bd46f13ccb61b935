#pragma once

#include "screen_menu.h"
#include "store/card_values.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QObject>

#include <initializer_list>

class QTabWidget;
class QWidget;

// What every screen's constructor sets up alike: the shared look, labels as plain text, centring
// whenever it is shown, and the activation given back to the window under it when it closes.
void prepare_screen(QWidget* screen, int pixel_size = 13);

// Activates the window under a closing screen or message box, so that the keyboard reaches it.
void give_back_activation(QWidget* closing);

// The last item of a screen's menu, "Fechar" on Esc, which runs close on the screen.
template <class Screen> QAction* add_close_item(QMenu* menu, Screen* screen, void (Screen::*close)())
{
    QAction* item = add_menu_item(menu, QStringLiteral("Fechar1"), QStringLiteral("Fechar"),
                                  QKeySequence(Qt::Key_Escape));
    QObject::connect(item, &QAction::triggered, screen, close);
    return item;
}

// Enter in any of a screen's search fields runs its search, as the magnifier button does.
template <class Screen>
void search_on_enter(std::initializer_list<QLineEdit*> fields, Screen* screen, void (Screen::*search)())
{
    for (QLineEdit* field : fields)
        QObject::connect(field, &QLineEdit::returnPressed, screen, search);
}

// Page tabs drawn as buttons, alike on every screen.
void apply_tab_style(QTabWidget* pages);

// Sets a card's edits from its values, in their order, each showing the start of its text. Every
// value names an edit of the card: one that does not is a fault of the program and raises Error.
void fill_edits(QWidget* card, const CardValues& values);
