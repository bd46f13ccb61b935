#pragma once

#include <QIcon>
#include <QString>

class QAbstractButton;
class QLineEdit;
class QRect;
class QToolButton;
class QWidget;

// The look every screen shares: background 228/228/231, bold text 13 pixels high in Segoe UI or the
// closest sans-serif present.
void apply_look(QWidget* screen, int pixel_size = 13);
QFont screen_font(int pixel_size = 13);

// One of the pictures of icons.qrc ("clientes", "gravar", ...).
QIcon picture(const QString& name);

// A flat picture button. name is the button's accessible name and tooltip; caption is the shortcut
// text some buttons show ("F2", "Esc"), empty for none.
void make_picture_button(QToolButton* button, const QString& picture_name, const QString& name,
                         const QString& caption = {}, int icon_size = 32);

// An edit that turns letters into capitals as they are typed or set.
void capitalise_letters(QLineEdit* edit);

// Shows a screen centred on its display, made smaller first where the display's free area (less
// the taskbar and the window frame) is smaller than the screen: a 1024×768 laptop shows it whole.
void centre_on_screen(QWidget* screen);
// The same within a given free area.
void fit_on_screen(QWidget* screen, const QRect& area);
