#include "message_boxes.h"

#include "core/text.h"
#include "screen.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// The program's name, as the title of its message boxes.
const QString kTitle = u"Pedidos Vendedor"_s;

// Messages carry text from outside (a server's error, a certificate's names, a document's name):
// never read as rich text, which would draw tags, load images and make links clickable, and cut
// where no message of the program's own reaches.
constexpr qsizetype kMostShown = 4000;

void show_plain(QMessageBox& box, const QString& text)
{
    box.setTextFormat(Qt::PlainText);
    box.setText(outside_text(text, kMostShown));
}

QWidget* owner()
{
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    return QApplication::activeWindow();
}

void show(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, kTitle, {}, QMessageBox::NoButton, owner());
    show_plain(box, text);
    box.addButton(u"OK"_s, QMessageBox::AcceptRole);
    box.exec();
    give_back_activation(&box);
}

bool ask(const QString& text, const QString& yes, const QString& no)
{
    QMessageBox box(QMessageBox::Question, kTitle, {}, QMessageBox::NoButton, owner());
    show_plain(box, text);
    QPushButton* accept = box.addButton(yes, QMessageBox::YesRole);
    QPushButton* reject = box.addButton(no, QMessageBox::NoRole);
    box.setDefaultButton(accept);
    box.setEscapeButton(reject);
    box.exec();
    give_back_activation(&box);
    return box.clickedButton() == accept;
}

} // namespace

void MessageBoxes::information(const QString& text)
{
    show(QMessageBox::Information, text);
}
void MessageBoxes::warning(const QString& text)
{
    show(QMessageBox::Warning, text);
}
void MessageBoxes::error(const QString& text)
{
    show(QMessageBox::Critical, text);
}
bool MessageBoxes::confirm(const QString& text)
{
    return ask(text, u"Sim"_s, u"Não"_s);
}
bool MessageBoxes::confirm_ok_cancel(const QString& text)
{
    return ask(text, u"OK"_s, u"Cancelar"_s);
}
void MessageBoxes::beep()
{
    QApplication::beep();
}
