#include "look.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QScreen>
#include <QToolButton>
#include <QValidator>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

QFont screen_font(int pixel_size)
{
    QFont font;
    font.setFamilies({u"Segoe UI"_s, u"DejaVu Sans"_s, u"Liberation Sans"_s, u"Noto Sans"_s, u"Arial"_s});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixel_size);
    font.setBold(true);
    return font;
}

void apply_look(QWidget* screen, int pixel_size)
{
    QPalette palette = screen->palette();
    palette.setColor(QPalette::Window, QColor(228, 228, 231));
    screen->setPalette(palette);
    screen->setAutoFillBackground(true);
    screen->setFont(screen_font(pixel_size));
}

static void ensure_pictures()
{
    // The pictures live in a static library, whose resources are not registered by themselves.
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
}

QIcon picture(const QString& name)
{
    ensure_pictures();
    return QIcon(u":/icons/"_s + name + u".png"_s);
}

void make_picture_button(QToolButton* button, const QString& picture_name, const QString& name,
                         const QString& caption, int icon_size)
{
    button->setAutoRaise(true);
    button->setIcon(picture(picture_name));
    button->setIconSize(QSize(icon_size, icon_size));
    button->setToolTip(name);
    button->setAccessibleName(name);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setCursor(Qt::PointingHandCursor);
    if (caption.isEmpty()) {
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    } else {
        button->setText(caption);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    }
}

namespace {

class CapitalLetters : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

void capitalise_letters(QLineEdit* edit)
{
    edit->setValidator(new CapitalLetters(edit));
}

void centre_on_screen(QWidget* screen)
{
    const QScreen* s = screen->screen() ? screen->screen() : QGuiApplication::primaryScreen();
    if (s) fit_on_screen(screen, s->availableGeometry());
}

void fit_on_screen(QWidget* screen, const QRect& area)
{
    // Before its first show a window has no frame yet: count a common title bar and border.
    QMargins frame(screen->geometry().left() - screen->frameGeometry().left(),
                   screen->geometry().top() - screen->frameGeometry().top(),
                   screen->frameGeometry().right() - screen->geometry().right(),
                   screen->frameGeometry().bottom() - screen->geometry().bottom());
    if (frame.isNull()) frame = QMargins(8, 31, 8, 8);
    const QSize room = area.size().shrunkBy(frame);
    const QSize size = screen->size().boundedTo(room).expandedTo(screen->minimumSizeHint());
    if (size != screen->size()) screen->resize(size);
    QRect outer = QRect(QPoint(), size).marginsAdded(frame);
    outer.moveCenter(area.center());
    // Wider or taller than the area still: its top left corner stays in sight.
    outer.moveTopLeft(QPoint(std::max(outer.left(), area.left()), std::max(outer.top(), area.top())));
    screen->move(outer.topLeft());
}
