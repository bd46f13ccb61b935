#include "server/cache.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/log.h"
#include "core/private_files.h"
#include "core/replace_file.h"
#include "core/text.h"
#include "server/company_certificates.h"
#include "server/json_parse.h"
#include "server/json_write.h"
#include "settings/ansi.h"
#include "settings/settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cstring>
#include <limits>

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

// The JSON text with the characters outside ASCII brought to their nearest ASCII ones. Only the
// contents of strings are converted, and a quote or backslash that comes out of it is escaped, so
// a typographic quote stays part of its string instead of ending it. Such a character anywhere
// else, or after a backslash, is not JSON: nullopt.
std::optional<std::string> strings_to_ascii(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    QHash<char16_t, char> memo;
    bool in_string = false;
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* end = p + text.size();
    for (; p < end; ++p) {
        const char16_t c = *p;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            if (c == u'"') {
                in_string = !in_string;
            } else if (c == u'\\' && in_string && p + 1 < end) {
                if (p[1] >= 0x80) return std::nullopt;
                out.push_back(static_cast<char>(*++p));
            }
            continue;
        }
        if (!in_string) return std::nullopt;
        char fit;
        if (QChar::isHighSurrogate(c) && p + 1 < end && QChar::isLowSurrogate(p[1])) {
            fit = '?'; // one character beyond U+FFFF: one question mark
            ++p;
        } else {
            fit = best_fit(c, memo);
        }
        if (fit == '"' || fit == '\\') out.push_back('\\');
        out.push_back(fit);
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

QString too_large(const QString& path)
{
    return u"O arquivo "_s + shown(path) + u" é grande demais: o programa lê arquivos de até "_s +
           QString::number(JsonParser::max_bytes >> 20) + u" MB."_s;
}

// The file's bytes in the parser's buffer, or FileError.
std::size_t read_into(JsonParser& parser, const QString& path)
{
    QFile file(path);
    if (!file.exists()) throw FileError(u"Arquivo não encontrado: "_s + shown(path));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(u"Não foi possível ler o arquivo "_s + shown(path) + u": "_s + file_cause(file));
    const qint64 size = file.size();
    if (size < 0 || static_cast<std::uint64_t>(size) > JsonParser::max_bytes)
        throw FileError(too_large(path));
    QElapsedTimer clock;
    clock.start();
    char* buffer = parser.buffer(static_cast<std::size_t>(size));
    if (file.read(buffer, size) != size)
        throw FileError(u"Não foi possível ler o arquivo "_s + shown(path) + u": "_s + file_cause(file));
    qCInfo(log_arquivos).noquote() << "lido" << shown(path) << size << "bytes em" << clock.elapsed() << "ms";
    return static_cast<std::size_t>(size);
}

template <class Fill>
void write_file(const QString& path, Fill&& fill, Durability durability = Durability::Synced)
{
    QElapsedTimer clock;
    clock.start();
    replace_file(path, fill, u"Não foi possível gravar o arquivo "_s + shown(path), durability);
    if (log_arquivos().isInfoEnabled())
        qCInfo(log_arquivos).noquote() << u"gravado%1 %2 %3 bytes em %4 ms"_s.arg(
            durability == Durability::Synced ? u" no disco"_s : QString(), shown(path),
            QString::number(QFileInfo(path).size()), QString::number(clock.elapsed()));
}

void write_file(const QString& path, const char* bytes, std::size_t n)
{
    write_file(path, [&](const auto& write) { write(std::string_view(bytes, n)); });
}

// A cached catalogue is tens of megabytes: it goes out through a buffer of this size, a container's
// members one by one, rather than as one string the size of the file.
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;

template <class Write> void write_streamed(const JsonValue& value, const Write& write)
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

// UTF-8 text in the ANSI code page; a character it lacks becomes '?'.
std::string to_ansi(std::string_view utf8)
{
    return encode_ansi(qs(utf8)).toStdString();
}

QString error_value(std::string_view text)
{
    return u"'"_s + outside_text(qs(text), 100) + u"' não é um valor inteiro válido"_s;
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
    constexpr std::uint64_t max = std::numeric_limits<std::int64_t>::max();
    std::uint64_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<unsigned>(c - '0');
        if (v > (max - digit) / 10) return false; // checked before it could wrap
        v = v * 10 + digit;
    }
    value = negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    return true;
}

// A file name from the server must name a file in the folder and nothing else. Windows drops
// trailing dots and blanks ("config.ini." is config.ini), and the other characters are not allowed
// in its file names.
bool safe_file_name(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'.') || name.endsWith(u'.') || name.endsWith(u' ')) return false;
    for (const QChar c : name)
        if (c.unicode() < 0x20 || QStringView(u"/\\:<>\"|?*").contains(c)) return false;
    return true;
}

// The files the program keeps in the data folder: a document never takes their place.
bool own_file(const QString& name)
{
    static const QString own[] = {
        u"config.ini"_s,           u"clientes.json"_s,   u"produtos.json"_s,    u"tabelas.json"_s,
        u"financeiro.json"_s,      u"histvendas.json"_s, u"ts.txt"_s,           u"mix.json"_s,
        u"hist_financerio.json"_s, u"hist_venda.json"_s, u"historico_vendas"_s,
    };
    for (const QString& file : own)
        if (name.compare(file, Qt::CaseInsensitive) == 0) return true;
    return false;
}

// Whether two paths name one file: the same path (whatever the case of its letters on Windows),
// or, when both exist, the same file through a link.
bool same_file(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty()) return false;
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    if (QFileInfo(a).absoluteFilePath().compare(QFileInfo(b).absoluteFilePath(), cs) == 0) return true;
    const QString real_a = QFileInfo(a).canonicalFilePath();
    return !real_a.isEmpty() && real_a == QFileInfo(b).canonicalFilePath();
}

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 name devices on Windows, whatever follows the
// first dot: writing "nul.pdf" there writes nowhere.
bool device_name(const QString& name)
{
    QStringView base = QStringView(name).left(name.indexOf(u'.') < 0 ? name.size() : name.indexOf(u'.'));
    while (base.endsWith(u' '))
        base.chop(1);
    for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
        if (base.compare(QStringView(device), Qt::CaseInsensitive) == 0) return true;
    if (base.size() != 4) return false;
    const QStringView stem = base.left(3);
    const char16_t digit = base[3].unicode();
    const bool port =
        stem.compare(u"COM", Qt::CaseInsensitive) == 0 || stem.compare(u"LPT", Qt::CaseInsensitive) == 0;
    return port && ((digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' ||
                    digit == u'\u00B3');
}

// The byte list split at every comma, blanks at the start of a piece skipped, empty pieces dropped.
class Pieces {
public:
    explicit Pieces(std::string_view all) : all_(all) {}
    bool next(std::string_view& piece)
    {
        while (pos_ <= all_.size()) {
            std::size_t comma = all_.find(',', pos_);
            if (comma == std::string_view::npos) comma = all_.size();
            piece = all_.substr(pos_, comma - pos_);
            pos_ = comma + 1;
            while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t'))
                piece.remove_prefix(1);
            if (!piece.empty()) return true;
        }
        return false;
    }

private:
    std::string_view all_;
    std::size_t pos_ = 0;
};

[[noreturn]] void bad_document()
{
    throw ProtocolError(u"O documento recebido do servidor não está no formato esperado "
                        u"(lista de bytes, tamanho e nome do arquivo)."_s);
}

// A text over the parser's limits is refused as a file error that names the file.
template <class Parse> std::optional<JsonValue> parse_file(const QString& path, Parse&& parse)
{
    try {
        return parse();
    } catch (const ProtocolError& e) {
        throw FileError(u"O arquivo "_s + shown(path) + u" não pôde ser lido: "_s + e.message());
    }
}

} // namespace

std::optional<JsonValue> carregar_json(const Context& context, const QString& name, JsonParser& parser)
{
    const QString path = cache_path(context, name);
    std::size_t n = read_into(parser, path);
    char* bytes = parser.buffer(n); // the same memory; the text stays in place
    const auto* u = reinterpret_cast<const unsigned char*>(bytes);

    std::optional<JsonValue> value;
    std::optional<std::string> converted;
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
        value = parse_file(path, [&] { return parser.parse_buffer(n); });
    } else {
        const QString decoded = decode_marked_text(QByteArrayView(bytes, static_cast<qsizetype>(n)));
        converted = strings_to_ascii(decoded);
        if (!converted) return std::nullopt;
        text = *converted;
        if (converted->size() > JsonParser::max_bytes) throw FileError(too_large(path));
        value = parse_file(path, [&] { return parser.parse(*converted); });
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

void salvar_json(const Context& context, const JsonValue& value, const QString& name, Durability durability)
{
    write_file(
        cache_path(context, name), [&](const auto& write) { write_streamed(value, write); }, durability);
}

Documento decodificar_arquivo(const JsonValue& arquivo)
{
    if (!arquivo.is_array() || arquivo.size() != 3) bad_document();
    const JsonValue& list = arquivo.at(0);
    const JsonValue& count = arquivo.at(1);
    const JsonValue& file_name = arquivo.at(2);
    if (!list.is_string() || !(count.is_number() || count.is_string()) || !file_name.is_string())
        bad_document();

    const QString name = qs(file_name.text());
    if (!safe_file_name(name))
        throw ProtocolError(u"Nome de arquivo inválido no documento recebido do servidor: \""_s +
                            outside_text(name, 100) + u"\"."_s);
    if (own_file(name))
        throw ProtocolError(u"O documento recebido do servidor tem o nome \""_s + name +
                            u"\", que é de um arquivo do próprio programa; o documento não foi gravado."_s);
    if (device_name(name))
        throw ProtocolError(u"O documento recebido do servidor tem o nome \""_s + name +
                            u"\", reservado pelo Windows; o documento não foi gravado."_s);

    std::int64_t n = 0;
    if (!read_integer(count.text(), n)) throw ConversionError(error_value(count.text()));
    if (n < 0)
        throw ProtocolError(u"Tamanho inválido no documento recebido do servidor: "_s +
                            outside_text(qs(count.text()), 100) + u"."_s);

    // Counted before anything is allocated: the count alone must not size the buffer.
    std::uint64_t available = 0;
    std::string_view piece;
    for (Pieces pieces(list.text()); available < static_cast<std::uint64_t>(n) && pieces.next(piece);)
        ++available;
    if (available < static_cast<std::uint64_t>(n))
        throw ProtocolError(u"O documento recebido do servidor está incompleto: tem "_s +
                            QString::number(available) + u" bytes e deveria ter "_s + QString::number(n) +
                            u"."_s);

    Documento documento{name, QByteArray(static_cast<qsizetype>(n), Qt::Uninitialized)};
    Pieces pieces(list.text());
    for (qsizetype i = 0; i < documento.bytes.size(); ++i) {
        pieces.next(piece);
        std::int64_t v = 0;
        if (!read_integer(piece, v)) throw ConversionError(error_value(piece));
        documento.bytes[i] = static_cast<char>(static_cast<std::uint8_t>(v));
    }
    return documento;
}

void salvar_arquivo(const Context& context, const JsonValue& arquivo, const QString& folder)
{
    salvar_documento(context, decodificar_arquivo(arquivo), folder);
}

void salvar_documento(const Context& context, const Documento& documento, const QString& folder)
{
    QString target = folder;
    target.replace(u'\\', u'/');
    const QDir dir(QDir(context.data_folder).filePath(target));
    const QString path = QDir::cleanPath(dir.filePath(documento.nome));
    if (same_file(path,
                  company_certificate_path(context, read_server_settings(Settings(context)).certificado)))
        throw ProtocolError(u"O documento recebido do servidor tem o nome \""_s + documento.nome +
                            u"\", que é o do certificado da empresa (Certificado, em config.ini); o "
                            u"documento não foi gravado."_s);
    if (!dir.exists() && !make_private_folder(dir.path()))
        throw FileError(u"Não foi possível criar a pasta "_s + shown(dir.path()) + u"."_s);
    write_file(path, documento.bytes.constData(), static_cast<std::size_t>(documento.bytes.size()));
}

void apagar_arquivo(const Context& context, const QString& name)
{
    const QString path = context.path(name);
    if (QFileInfo::exists(path) && !QFile::remove(path))
        throw FileError(u"Não foi possível apagar o arquivo %1."_s.arg(path));
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
