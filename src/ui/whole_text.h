#pragma once

#include <QString>

class QHelpEvent;
class QLineEdit;
class QRect;
class QWidget;

// At a hover, shows text whole (as plain text, whatever it holds) in a tooltip when it is wider
// than the room it is drawn in (less the frame's padding), and hides any tooltip otherwise.
// Returns whether one shows.
bool show_whole_text(const QHelpEvent& hover, const QString& text, const QRect& room, QWidget* over);

// An edit too narrow for its text (a long street on a client's card) shows it whole on hover;
// asking again for the same edit changes nothing.
void show_whole_on_hover(QLineEdit* edit);
