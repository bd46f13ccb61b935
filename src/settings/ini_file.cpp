#include "ini_file.h"

#include "ansi.h"
#include "core/errors.h"
#include "core/replace_file.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr char utf8_bom[] = "\xEF\xBB\xBF";

QByteArray bom_of(IniFile::Encoding encoding)
{
    switch (encoding) {
    case IniFile::Encoding::Utf16LE:
        return QByteArray("\xFF\xFE");
    case IniFile::Encoding::Utf16BE:
        return QByteArray("\xFE\xFF");
    case IniFile::Encoding::Utf8:
    case IniFile::Encoding::Ansi:
        break;
    }
    return QByteArray(utf8_bom);
}

QByteArray encode(const QString& text, IniFile::Encoding encoding, bool bom)
{
    QByteArray out = bom ? bom_of(encoding) : QByteArray();
    switch (encoding) {
    case IniFile::Encoding::Utf8:
        return out + text.toUtf8();
    case IniFile::Encoding::Ansi:
        return out + encode_ansi(text);
    case IniFile::Encoding::Utf16LE:
    case IniFile::Encoding::Utf16BE: {
        QStringEncoder encoder(encoding == IniFile::Encoding::Utf16LE ? QStringEncoder::Utf16LE
                                                                      : QStringEncoder::Utf16BE,
                               QStringEncoder::Flag::Stateless);
        return out + QByteArray(encoder.encode(text));
    }
    }
    return out;
}

struct Decoded {
    QString text;
    IniFile::Encoding encoding;
    bool bom;
    // It starts with a UTF-16 mark but is no UTF-16 text: whatever reading is taken, a write would
    // leave the mark in front of text in another encoding, and the next read would take it for UTF-16.
    bool false_utf16_mark = false;
};

// The first reading that gives the bytes back exactly; the code page always does.
Decoded decode(const QByteArray& bytes)
{
    const auto exact = [&](IniFile::Encoding encoding, QStringDecoder::Encoding codec,
                           bool bom) -> std::optional<Decoded> {
        const qsizetype skip = bom ? bom_of(encoding).size() : 0;
        QStringDecoder decoder(codec,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString text = decoder.decode(QByteArrayView(bytes).sliced(skip));
        if (decoder.hasError() || encode(text, encoding, bom) != bytes) return std::nullopt;
        return Decoded{std::move(text), encoding, bom};
    };
    std::optional<Decoded> d;
    const bool utf16_mark = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (bytes.startsWith("\xFF\xFE"))
        d = exact(IniFile::Encoding::Utf16LE, QStringDecoder::Utf16LE, true);
    else if (bytes.startsWith("\xFE\xFF"))
        d = exact(IniFile::Encoding::Utf16BE, QStringDecoder::Utf16BE, true);
    if (!d) d = exact(IniFile::Encoding::Utf8, QStringDecoder::Utf8, bytes.startsWith(utf8_bom));
    if (d) return *d;
    // A file saved in the Windows code page, possibly behind a UTF-8 mark another editor left.
    const bool bom = bytes.startsWith(utf8_bom);
    return Decoded{decode_ansi(QByteArrayView(bytes).sliced(bom ? 3 : 0)), IniFile::Encoding::Ansi, bom,
                   utf16_mark};
}

bool is_control(QChar c)
{
    const char16_t u = c.unicode();
    return (u < 0x20 && u != u'\t') || (u >= 0x7F && u <= 0x9F);
}

} // namespace

IniFile IniFile::load(const QString& path)
{
    QFile f(path);
    if (!f.exists()) return IniFile();
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(u"Não foi possível ler o arquivo de configuração %1: %2"_s.arg(path, file_cause(f)));
    if (f.size() > max_bytes) {
        IniFile ini;
        ini.too_large_ = true;
        return ini;
    }
    return from_bytes(f.readAll());
}

IniFile IniFile::from_bytes(const QByteArray& bytes)
{
    IniFile ini;
    Decoded decoded = decode(bytes);
    ini.encoding_ = decoded.encoding;
    ini.bom_ = decoded.bom;
    ini.false_utf16_mark_ = decoded.false_utf16_mark;
    const QString& text = decoded.text;
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
    if (seen_lf && !seen_crlf) ini.newline_ = u"\n"_s;
    return ini;
}

std::optional<QString> IniFile::damage(const QString& section) const
{
    if (too_large_) return u"o arquivo tem mais de %1 MB"_s.arg(max_bytes >> 20);
    if (false_utf16_mark_) return u"o arquivo começa com a marca de texto UTF-16, mas não é texto UTF-16"_s;
    bool found = false;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        if (std::any_of(lines_[i].text.cbegin(), lines_[i].text.cend(), is_control))
            return u"a linha %1 tem caracteres de controle, como um arquivo binário"_s.arg(i + 1);
        if (auto s = section_of(lines_[i]); s && s->compare(section, Qt::CaseInsensitive) == 0) found = true;
    }
    if (!found) return u"falta a seção [%1]"_s.arg(section);
    return std::nullopt;
}

std::optional<QString> IniFile::section_of(const Line& line) const
{
    const QString t = line.text.trimmed();
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close > 0) return t.mid(1, close - 1).trimmed();
    }
    return std::nullopt;
}

std::optional<QString> IniFile::key_of(const Line& line) const
{
    const QString t = line.text.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#')) return std::nullopt;
    const qsizetype eq = line.text.indexOf(u'=');
    if (eq <= 0) return std::nullopt;
    const QString key = line.text.left(eq).trimmed();
    if (key.isEmpty()) return std::nullopt;
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
        if (!inside) continue;
        if (auto k = key_of(line); k && k->compare(key, Qt::CaseInsensitive) == 0)
            return line.text.mid(line.text.indexOf(u'=') + 1).trimmed();
    }
    return std::nullopt;
}

void IniFile::set_value(const QString& section, const QString& key, const QString& value)
{
    // A character the code page lacks would be lost: the file then goes over to UTF-8, with the
    // mark that tells Windows editors so.
    if (encoding_ == Encoding::Ansi &&
        !(encodes_in_ansi(key) && encodes_in_ansi(value) && encodes_in_ansi(section))) {
        encoding_ = Encoding::Utf8;
        bom_ = true;
    }
    bool inside = false;
    qsizetype section_end = -1; // index after the last key line of the first matching section
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        Line& line = lines_[i];
        if (auto s = section_of(line)) {
            inside = s->compare(section, Qt::CaseInsensitive) == 0;
            if (inside && section_end < 0) section_end = i + 1;
            continue;
        }
        if (!inside) continue;
        if (auto k = key_of(line)) {
            if (k->compare(key, Qt::CaseInsensitive) == 0) {
                line.text = *k + u'=' + value;
                return;
            }
            if (section_end >= 0 && section_end <= i) section_end = i + 1;
        }
    }
    // Every line before an insertion point must end, or the new line would join it.
    auto terminate = [this](qsizetype i) {
        if (i >= 0 && i < lines_.size() && lines_[i].ending.isEmpty()) lines_[i].ending = newline_;
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
    return encode(text, encoding_, bom_);
}

void IniFile::save(const QString& path) const
{
    if (too_large_) // nothing of it was read: writing would leave only the lines set since
        throw FileError(u"O arquivo de configuração %1 não foi lido por ser grande demais."_s.arg(path));
    replace_file(path, bytes(), u"Não foi possível gravar o arquivo de configuração %1"_s.arg(path));
}
