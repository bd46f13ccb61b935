#include "recording_messages.h"

using namespace Qt::StringLiterals;

void RecordingMessages::record(const QString& line)
{
    said.append(line);
    if (on_message) on_message(line);
}

bool RecordingMessages::answer()
{
    return answers.isEmpty() ? true : answers.takeFirst();
}

void RecordingMessages::information(const QString& text)
{
    record(u"information: "_s + text);
}
void RecordingMessages::warning(const QString& text)
{
    record(u"warning: "_s + text);
}
void RecordingMessages::error(const QString& text)
{
    record(u"error: "_s + text);
}
void RecordingMessages::beep()
{
    record(u"beep"_s);
}

bool RecordingMessages::confirm(const QString& text)
{
    record(u"confirm: "_s + text);
    return answer();
}

bool RecordingMessages::confirm_ok_cancel(const QString& text)
{
    record(u"confirm: "_s + text);
    return answer();
}

QStringList RecordingMessages::errors() const
{
    QStringList out;
    for (const QString& s : said)
        if (s.startsWith(u"error: "_s)) out.append(s.mid(7));
    return out;
}
