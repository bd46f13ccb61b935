#include "message_boxes.h"

#include "core/text.h"
#include "screen.h"

#include <QApplication>
#include <QGridLayout>
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
// The window's icon and its minimise, maximise and close buttons beside the title.
constexpr int kTitleRoom = 200;

void show_plain(QMessageBox& box, const QString& text)
{
    box.setTextFormat(Qt::PlainText);
    box.setText(outside_text(text, kMostShown));
    // A short message would make the box too narrow for its title beside the window's own buttons
    // (QMessageBox sizes itself on show, so the room is a spacer of its grid).
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(kTitleRoom + box.fontMetrics().horizontalAdvance(kTitle), 0),
                      grid->rowCount(), 0, 1, grid->columnCount());
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
