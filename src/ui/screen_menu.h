#pragma once

#include <QKeySequence>
#include <QString>

class QAction;
class QMenu;
class QWidget;

// A screen's context menu, shown on a right click anywhere on the screen.
QMenu* make_popup_menu(QWidget* screen);
// An item whose shortcut acts anywhere on the screen, menu shown or not.
QAction* add_menu_item(QMenu* menu, const QString& name, const QString& caption,
                       const QKeySequence& shortcut);
