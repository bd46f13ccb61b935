#include "ini_file.h"

#include "core/errors.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

// Hand-edited files may be saved in UTF-8 or in the Windows code page.
QString decode(const QByteArray& bytes)
{
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(b);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(b);
}

} // namespace

IniFile IniFile::load(const QString& path)
{
    IniFile ini;
    QFile f(path);
    if (!f.exists())
        return ini;
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(u"Não foi possível ler o arquivo de configuração %1: %2"_s.arg(path, f.errorString()));
    const QString text = decode(f.readAll());
    qsizetype start = 0;
    bool seen_lf = false, seen_crlf = false;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        Line line{text.mid(start, end - start), {}};
        if (end < text.size()) {
            if (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') {
                line.ending = u"\r\n"_s;
                seen_crlf = true;
            } else {
                line.ending = QString(text[end]);
                seen_lf = seen_lf || text[end] == u'\n';
            }
        }
        start = end + line.ending.size();
        ini.lines_.append(line);
    }
    if (seen_lf && !seen_crlf)
        ini.newline_ = u"\n"_s;
    return ini;
}

std::optional<QString> IniFile::section_of(const Line& line) const
{
    const QString t = line.text.trimmed();
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close > 0)
            return t.mid(1, close - 1).trimmed();
    }
    return std::nullopt;
}

std::optional<QString> IniFile::key_of(const Line& line) const
{
    const QString t = line.text.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#'))
        return std::nullopt;
    const qsizetype eq = line.text.indexOf(u'=');
    if (eq <= 0)
        return std::nullopt;
    const QString key = line.text.left(eq).trimmed();
    if (key.isEmpty())
        return std::nullopt;
    return key;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const
{
    bool inside = false;
    for (const Line& line : lines_) {
        if (auto s = section_of(line)) {
            inside = s->compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inside)
            continue;
        if (auto k = key_of(line); k && k->compare(key, Qt::CaseInsensitive) == 0)
            return line.text.mid(line.text.indexOf(u'=') + 1).trimmed();
    }
    return std::nullopt;
}

void IniFile::set_value(const QString& section, const QString& key, const QString& value)
{
    bool inside = false;
    qsizetype section_end = -1; // index after the last key line of the first matching section
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        Line& line = lines_[i];
        if (auto s = section_of(line)) {
            inside = s->compare(section, Qt::CaseInsensitive) == 0;
            if (inside && section_end < 0)
                section_end = i + 1;
            continue;
        }
        if (!inside)
            continue;
        if (auto k = key_of(line)) {
            if (k->compare(key, Qt::CaseInsensitive) == 0) {
                line.text = *k + u'=' + value;
                return;
            }
            if (section_end >= 0 && section_end <= i)
                section_end = i + 1;
        }
    }
    // Every line before an insertion point must end, or the new line would join it.
    auto terminate = [this](qsizetype i) {
        if (i >= 0 && i < lines_.size() && lines_[i].ending.isEmpty())
            lines_[i].ending = newline_;
    };
    if (section_end >= 0) {
        terminate(section_end - 1);
        lines_.insert(section_end, Line{key + u'=' + value, newline_});
        return;
    }
    terminate(lines_.size() - 1);
    lines_.append(Line{u'[' + section + u']', newline_});
    lines_.append(Line{key + u'=' + value, newline_});
}

QByteArray IniFile::bytes() const
{
    QString text;
    for (const Line& line : lines_)
        text += line.text + line.ending;
    return text.toUtf8();
}

void IniFile::save(const QString& path) const
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes()) < 0 || !f.commit())
        throw FileError(u"Não foi possível gravar o arquivo de configuração %1: %2"_s.arg(path, f.errorString()));
}
