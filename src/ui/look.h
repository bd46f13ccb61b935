#pragma once

#include <QIcon>
#include <QString>

class QAbstractButton;
class QLineEdit;
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

// Shows a modal screen centred on the screen (or over its parent).
void centre_on_screen(QWidget* screen);
