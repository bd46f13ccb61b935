#include "server/cache.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/text.h"
#include "server/json_parse.h"
#include "server/json_write.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>

#include <cstring>
#include <limits>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Names use the backslash as folder separator (the order history lives in
// "historico_vendas\..."); '/' works on every platform Qt runs on.
QString cache_path(const Context& context, const QString& name)
{
    QString relative = name;
    relative.replace(u'\\', u'/');
    return context.path(relative);
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The system ANSI code page. Files written on the salesperson's Windows machine use
// Windows-1252 (Western European, as in Brazil); Linux has no ANSI code page, so Windows-1252 is
// taken there too. Bytes 0xA0 to 0xFF are Latin-1; this table covers 0x80 to 0x9F, where the five
// unassigned bytes map to the C1 control of the same value, as Windows does.
constexpr char16_t cp1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decode_ansi(const char* bytes, std::size_t n)
{
    QString s(static_cast<qsizetype>(n), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(s.data());
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        out[i] = c >= 0x80 && c < 0xA0 ? cp1252_high[c - 0x80] : char16_t{c};
    }
    return s;
}

// Characters whose nearest ASCII character is not their decomposition's base letter.
struct Fit {
    char16_t from;
    char to;
};
constexpr Fit symbol_fits[] = {
    {0x00A0, ' '},  {0x00AB, '<'}, {0x2039, '<'}, {0x00BB, '>'},  {0x203A, '>'},  {0x00A9, 'c'},
    {0x00AE, 'R'},  {0x00D7, 'x'}, {0x00C6, 'A'}, {0x00E6, 'a'},  {0x00D8, 'O'},  {0x00F8, 'o'},
    {0x0152, 'O'},  {0x0153, 'o'}, {0x00DF, 's'}, {0x00D0, 'D'},  {0x0110, 'D'},  {0x00F0, 'd'},
    {0x0111, 'd'},  {0x0141, 'L'}, {0x0142, 'l'}, {0x2018, '\''}, {0x2019, '\''}, {0x201A, '\''},
    {0x2032, '\''}, {0x201C, '"'}, {0x201D, '"'}, {0x201E, '"'},  {0x2033, '"'},  {0x2010, '-'},
    {0x2011, '-'},  {0x2012, '-'}, {0x2013, '-'}, {0x2014, '-'},  {0x2212, '-'},  {0x2026, '.'},
    {0x2022, '.'},  {0x00B7, '.'},
};

char best_fit_symbol(char16_t c)
{
    for (const Fit& f : symbol_fits)
        if (f.from == c) return f.to;
    return 0;
}

// Nearest ASCII character of a non-ASCII one, as the US-ASCII code page's best-fit conversion
// gives it: a letter loses its accent, a few symbols have a look-alike, the rest become '?'.
char best_fit(char16_t c, QHash<char16_t, char>& memo)
{
    if (const char s = best_fit_symbol(c)) return s;
    const auto known = memo.constFind(c);
    if (known != memo.cend()) return *known;
    char fit = '?';
    if (!QChar::isSurrogate(c)) {
        const QString d = QString(QChar(c)).normalized(QString::NormalizationForm_D);
        if (!d.isEmpty() && d.front().unicode() < 0x80 && d.front().unicode() >= 0x20)
            fit = static_cast<char>(d.front().unicode());
    }
    memo.insert(c, fit);
    return fit;
}

std::string to_ascii(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    QHash<char16_t, char> memo;
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* end = p + text.size();
    for (; p < end; ++p) {
        const char16_t c = *p;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (QChar::isHighSurrogate(c) && p + 1 < end && QChar::isLowSurrogate(p[1])) {
            out.push_back('?'); // one character beyond U+FFFF: one question mark
            ++p;
        } else {
            out.push_back(best_fit(c, memo));
        }
    }
    return out;
}

bool is_ascii(const char* p, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x;
        std::memcpy(&x, p + i, 8);
        if (x & 0x8080808080808080ull) return false;
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
    return true;
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The file's bytes in the parser's buffer, or FileError.
std::size_t read_into(JsonParser& parser, const QString& path)
{
    QFile file(path);
    if (!file.exists()) throw FileError(u"Arquivo não encontrado: "_s + shown(path));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(u"Não foi possível ler o arquivo "_s + shown(path) + u": "_s + file.errorString());
    const qint64 size = file.size();
    char* buffer = parser.buffer(static_cast<std::size_t>(size));
    if (file.read(buffer, size) != size)
        throw FileError(u"Não foi possível ler o arquivo "_s + shown(path) + u": "_s + file.errorString());
    return static_cast<std::size_t>(size);
}

// Replaces the file with what fill hands to its writer, piece by piece.
template <class Fill>
void write_file(const QString& path, Fill&& fill)
{
    QSaveFile file(path);
    const auto fail = [&] {
        throw FileError(u"Não foi possível gravar o arquivo "_s + shown(path) + u": "_s + file.errorString());
    };
    if (!file.open(QIODevice::WriteOnly)) fail();
    fill([&](std::string_view bytes) {
        if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
            fail();
    });
    if (!file.commit()) fail();
}

void write_file(const QString& path, const char* bytes, std::size_t n)
{
    write_file(path, [&](const auto& write) { write(std::string_view(bytes, n)); });
}

// A cached catalogue is tens of megabytes: it goes out through a buffer of this size, a container's
// members one by one, rather than as one string the size of the file.
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;

template <class Write>
void write_streamed(const JsonValue& value, const Write& write)
{
    std::string chunk;
    const bool object = value.is_object();
    if (!object && !value.is_array()) {
        write_json(chunk, value);
    } else {
        chunk.reserve(kWriteChunk + kWriteChunk / 4);
        chunk += object ? '{' : '[';
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (i) chunk += ',';
            if (object) {
                write_json_string(chunk, value.key_at(i));
                chunk += ':';
            }
            write_json(chunk, value.at(i));
            if (chunk.size() >= kWriteChunk) {
                write(chunk);
                chunk.clear();
            }
        }
        chunk += object ? '}' : ']';
    }
    chunk += "\r\n";
    write(chunk);
}

// UTF-8 text in the ANSI code page (Windows-1252); a character it lacks becomes '?'.
std::string to_ansi(std::string_view utf8)
{
    const QString text = qs(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        char b = '?';
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            b = static_cast<char>(c);
        } else {
            for (int i = 0; i < 32; ++i)
                if (cp1252_high[i] == c) b = static_cast<char>(0x80 + i);
        }
        if (QChar::isLowSurrogate(c)) continue; // the high half already gave its '?'
        out.push_back(b);
    }
    return out;
}

QString error_value(std::string_view text)
{
    return u"'"_s + qs(text) + u"' não é um valor inteiro válido"_s;
}

// A decimal integer with optional blanks before it and an optional sign; nothing else.
bool read_integer(std::string_view text, std::int64_t& value)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    std::uint64_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > std::uint64_t{std::numeric_limits<std::int64_t>::max()}) return false;
    }
    value = negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    return true;
}

// A file name from the server must name a file in the folder and nothing else.
bool safe_file_name(const QString& name)
{
    if (name.isEmpty() || name == u"."_s || name == u".."_s) return false;
    for (const QChar c : name)
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20) return false;
    return true;
}

[[noreturn]] void bad_document()
{
    throw ProtocolError(u"O documento recebido do servidor não está no formato esperado "
                        u"(lista de bytes, tamanho e nome do arquivo)."_s);
}

} // namespace

std::optional<JsonValue> carregar_json(const Context& context, const QString& name, JsonParser& parser)
{
    const QString path = cache_path(context, name);
    std::size_t n = read_into(parser, path);
    char* bytes = parser.buffer(n); // the same memory; the text stays in place
    const auto* u = reinterpret_cast<const unsigned char*>(bytes);

    std::optional<JsonValue> value;
    std::string converted;
    std::string_view text;
    const bool utf16_le = n >= 2 && u[0] == 0xFF && u[1] == 0xFE;
    const bool utf16_be = n >= 2 && u[0] == 0xFE && u[1] == 0xFF;
    const bool utf8_bom = n >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF;
    if (utf8_bom && is_ascii(bytes + 3, n - 3)) {
        std::memmove(bytes, bytes + 3, n - 3);
        n -= 3;
    }
    if (!utf16_le && !utf16_be && is_ascii(bytes, n)) {
        // What salvar_json wrote: already ASCII, parsed where it lies.
        text = std::string_view(bytes, n);
        value = parser.parse_buffer(n);
    } else {
        QString decoded;
        if (utf8_bom) {
            decoded = QString::fromUtf8(bytes + 3, static_cast<qsizetype>(n - 3));
        } else if (utf16_le || utf16_be) {
            QStringDecoder decoder(utf16_le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
            decoded = decoder.decode(QByteArrayView(bytes + 2, static_cast<qsizetype>(n - 2)));
        } else {
            decoded = decode_ansi(bytes, n);
        }
        converted = to_ascii(decoded);
        text = converted;
        value = parser.parse(converted);
    }
    if (!value) return std::nullopt;
    if (value->is_object()) return value;
    if (!value->is_array()) {
        // A lone string, number, true, false or null is taken only when nothing follows it.
        std::size_t end = text.size();
        while (end > 0 && is_blank(text[end - 1]))
            --end;
        if (end < text.size()) return std::nullopt;
    }
    throw ProtocolError(u"O arquivo "_s + shown(path) + u" não contém um objeto JSON."_s);
}

std::optional<JsonValue> carregar_json(const Context& context, const QString& name)
{
    JsonParser parser;
    return carregar_json(context, name, parser);
}

void salvar_json(const Context& context, std::string_view text, const QString& name)
{
    std::string converted;
    if (!is_ascii(text.data(), text.size())) text = converted = to_ansi(text);
    write_file(cache_path(context, name), [&](const auto& write) {
        write(text);
        write("\r\n");
    });
}

void salvar_json(const Context& context, const JsonValue& value, const QString& name)
{
    write_file(cache_path(context, name), [&](const auto& write) { write_streamed(value, write); });
}

void salvar_arquivo(const Context& context, const JsonValue& arquivo, const QString& folder)
{
    if (!arquivo.is_array() || arquivo.size() != 3) bad_document();
    const JsonValue& list = arquivo.at(0);
    const JsonValue& count = arquivo.at(1);
    const JsonValue& file_name = arquivo.at(2);
    if (!list.is_string() || !(count.is_number() || count.is_string()) || !file_name.is_string())
        bad_document();

    const QString name = qs(file_name.text());
    if (!safe_file_name(name))
        throw ProtocolError(u"Nome de arquivo inválido no documento recebido do servidor: \""_s + name +
                            u"\"."_s);

    std::int64_t n = 0;
    if (!read_integer(count.text(), n)) throw ConversionError(error_value(count.text()));
    if (n < 0)
        throw ProtocolError(u"Tamanho inválido no documento recebido do servidor: "_s + qs(count.text()) +
                            u"."_s);

    std::vector<std::string_view> pieces;
    const std::string_view all = list.text();
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t comma = all.find(',', start);
        if (comma == std::string_view::npos) comma = all.size();
        std::string_view piece = all.substr(start, comma - start);
        while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t'))
            piece.remove_prefix(1);
        if (!piece.empty()) pieces.push_back(piece);
        start = comma + 1;
    }
    if (pieces.size() < static_cast<std::uint64_t>(n))
        throw ProtocolError(u"O documento recebido do servidor está incompleto: tem "_s +
                            QString::number(pieces.size()) + u" bytes e deveria ter "_s + QString::number(n) +
                            u"."_s);

    QByteArray bytes(static_cast<qsizetype>(n), Qt::Uninitialized);
    for (std::int64_t i = 0; i < n; ++i) {
        std::int64_t v = 0;
        if (!read_integer(pieces[static_cast<std::size_t>(i)], v))
            throw ConversionError(error_value(pieces[static_cast<std::size_t>(i)]));
        bytes[static_cast<qsizetype>(i)] = static_cast<char>(static_cast<std::uint8_t>(v));
    }

    QString target = folder;
    target.replace(u'\\', u'/');
    const QDir dir(QDir(context.data_folder).filePath(target));
    if (!dir.exists() && !QDir().mkpath(dir.path()))
        throw FileError(u"Não foi possível criar a pasta "_s + shown(dir.path()) + u"."_s);
    write_file(dir.filePath(name), bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void limpar_temporarios(const Context& context)
{
    const QString files[] = {
        u"produtos.json"_s, u"tabelas.json"_s,         u"clientes.json"_s,
        u"mix.json"_s,      u"hist_financerio.json"_s, u"hist_venda.json"_s,
    };
    for (const QString& file : files) {
        const QString path = context.path(file);
        if (QFileInfo::exists(path)) QFile::remove(path);
    }
}
