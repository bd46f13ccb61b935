// The settings file: read from any bytes, values read, one value written, the bytes read again.
#include "settings/ini_file.h"
#include "core/errors.h"
#include "fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QRegularExpression>
#include <QStringDecoder>

#include <vector>

namespace {

struct Key {
    QString section;
    QString key;
};

// The keys of the file as a plain reading of its lines finds them, to ask the reader for.
std::vector<Key> keys_of(const QString& text)
{
    std::vector<Key> keys;
    QString section;
    for (const QString& raw : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[') && line.indexOf(u']') > 0) {
            section = line.mid(1, line.indexOf(u']') - 1).trimmed();
        } else if (const qsizetype eq = raw.indexOf(u'='); eq > 0 && keys.size() < 32) {
            keys.push_back({section, raw.left(eq).trimmed()});
        }
    }
    return keys;
}

bool plain_name(const QString& name)
{
    if (name.isEmpty()) return false;
    for (const QChar c : name)
        if (!c.isLetterOrNumber() && c != u'_') return false;
    return true;
}

bool c1_control(QChar c)
{
    return c.unicode() >= 0x80 && c.unicode() <= 0x9F;
}

// The five bytes Windows-1252 leaves unassigned stand for the C1 control of the same value.
bool unassigned_in_ansi(QChar c)
{
    return c == QChar(0x81) || c == QChar(0x8D) || c == QChar(0x8F) || c == QChar(0x90) || c == QChar(0x9D);
}

bool looks_like_utf16_but_is_not(const QByteArray& bytes)
{
    const bool little = bytes.startsWith("\xFF\xFE");
    if (!little && !bytes.startsWith("\xFE\xFF")) return false;
    if (bytes.size() % 2 != 0) return true;
    QStringDecoder utf16(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                         QStringDecoder::Flag::Stateless);
    (void)utf16.decode(bytes.mid(2));
    return utf16.hasError();
}

IniFile load(const QByteArray& bytes)
{
    return IniFile::load(write_scratch_file(QStringLiteral("config.ini"), bytes.toStdString()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    start_qt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString section = QString::fromStdString(input.ConsumeRandomLengthString(12));
    const QString key = QString::fromStdString(input.ConsumeRandomLengthString(12));
    const QString value = QString::fromStdString(input.ConsumeRandomLengthString(24));
    const std::string file = input.ConsumeRemainingBytesAsString();
    const QByteArray bytes = QByteArray::fromStdString(file);

    try {
        IniFile ini = load(bytes);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString as_utf8 = utf8.decode(bytes);
        const bool is_utf8 = !utf8.hasError();
        // Latin-1 keeps the structure of lines, so it finds the same keys as any single-byte reading.
        const std::vector<Key> keys = keys_of(is_utf8 ? as_utf8 : QString::fromLatin1(bytes));
        std::vector<std::optional<QString>> before;
        for (const Key& k : keys) {
            before.push_back(ini.value(k.section, k.key));
            if (!is_utf8 && before.back())
                for (const QChar c : *before.back())
                    if (c1_control(c) && !unassigned_in_ansi(c))
                        fuzz_fail("a file of the Windows code page was read as another code page");
        }
        // bytes() of an untouched file is the file.
        if (is_utf8 && !bytes.startsWith("\xEF\xBB\xBF") && ini.bytes() != bytes)
            fuzz_fail("an untouched file does not give back its own bytes");

        // Written back, its first bytes would make the next read take it for UTF-16: the program
        // refuses a damaged file until the settings screen replaces it.
        if (looks_like_utf16_but_is_not(bytes)) {
            if (!ini.damage(section)) fuzz_fail("a file that starts like UTF-16 but is not is not damaged");
            return 0;
        }
        if (!plain_name(section) || !plain_name(key) || value != value.trimmed() || value.contains(u'\r') ||
            value.contains(u'\n') || value.contains(QChar::ReplacementCharacter))
            return 0;
        ini.set_value(section, key, value);
        if (ini.value(section, key) != value) fuzz_fail("a value written does not read back");
        const IniFile again = load(ini.bytes());
        if (again.value(section, key) != value) fuzz_fail("a value written does not read back from the file");
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i].section.compare(section, Qt::CaseInsensitive) == 0 &&
                keys[i].key.compare(key, Qt::CaseInsensitive) == 0)
                continue;
            if (is_utf8 && again.value(keys[i].section, keys[i].key) != before[i])
                fuzz_fail("writing one value changed another",
                          QString(keys[i].section + u'/' + keys[i].key).toStdString());
        }
    } catch (const Error&) {
    }
    return 0;
}
