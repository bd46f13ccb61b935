#include "screen_menu.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

using namespace Qt::StringLiterals;

QMenu* make_popup_menu(QWidget* screen)
{
    auto* menu = new QMenu(screen);
    menu->setObjectName(u"PopupMenu1"_s);
    screen->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(screen, &QWidget::customContextMenuRequested, menu,
                     [screen, menu](const QPoint& at) { menu->popup(screen->mapToGlobal(at)); });
    return menu;
}

QAction* add_menu_item(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    menu->parentWidget()->addAction(action);
    return action;
}
