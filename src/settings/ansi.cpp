#include "ansi.h"

#include <QStringDecoder>

namespace {

// Bytes 0xA0 to 0xFF are Latin-1; this table covers 0x80 to 0x9F.
constexpr char16_t cp1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The byte of c, or -1 when the code page lacks it.
int ansi_byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int i = 0; i < 32; ++i)
        if (cp1252_high[i] == c) return 0x80 + i;
    return -1;
}

} // namespace

QString decode_ansi(QByteArrayView bytes)
{
    QString s(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(s.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        out[i] = c >= 0x80 && c < 0xA0 ? cp1252_high[c - 0x80] : char16_t{c};
    }
    return s;
}

QByteArray encode_ansi(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (QChar::isLowSurrogate(c)) continue; // the high half already gave its '?'
        const int b = ansi_byte(c);
        out.append(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

bool encodes_in_ansi(QStringView text)
{
    for (const QChar ch : text)
        if (ansi_byte(ch.unicode()) < 0) return false;
    return true;
}

QString decode_marked_text(QByteArrayView bytes)
{
    const auto at = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF)
        return QString::fromUtf8(bytes.sliced(3));
    if (bytes.size() >= 2 && ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF))) {
        QStringDecoder decoder(at(0) == 0xFF ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return decoder.decode(bytes.sliced(2));
    }
    return decode_ansi(bytes);
}
