#include "text.h"

QString outside_text(QStringView text, qsizetype max)
{
    const bool cut = text.size() > max;
    QString shown = text.left(cut ? max : text.size()).toString();
    for (QChar& c : shown)
        if (c.category() == QChar::Other_Control && c != u'\n' && c != u'\r') c = u' ';
    if (cut) {
        if (shown.back().isHighSurrogate()) shown.chop(1);
        shown += u'…';
    }
    return shown;
}
