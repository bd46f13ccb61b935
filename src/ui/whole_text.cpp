#include "whole_text.h"

#include "core/text.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

// Room a cell or an edit keeps around its text.
constexpr int kPadding = 8;

class WholeTextOnHover : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip) return false;
        auto* edit = static_cast<QLineEdit*>(watched);
        show_whole_text(*static_cast<QHelpEvent*>(event), edit->text(), edit->rect(), edit);
        return true;
    }
};

} // namespace

bool show_whole_text(const QHelpEvent& hover, const QString& text, const QRect& room, QWidget* over)
{
    if (text.isEmpty() || over->fontMetrics().horizontalAdvance(text) <= room.width() - kPadding) {
        QToolTip::hideText();
        return false;
    }
    // A tooltip reads text that looks like markup as rich text: the text comes from outside (a
    // client's name, a street), so it goes escaped inside markup of the program's own, and cut
    // where no real name reaches.
    QToolTip::showText(hover.globalPos(), u"<qt>"_s + outside_text(text, 1000).toHtmlEscaped() + u"</qt>"_s,
                       over, room);
    return true;
}

void show_whole_on_hover(QLineEdit* edit)
{
    const QString name = QStringLiteral("whole_text_on_hover");
    if (edit->findChild<QObject*>(name, Qt::FindDirectChildrenOnly)) return;
    auto* filter = new WholeTextOnHover(edit);
    filter->setObjectName(name);
    edit->installEventFilter(filter);
}
