#include "identity.h"

#include "database.h"
#include "request_error.h"
#include "server/json_value.h"

namespace {

std::string_view string_pair(const JsonValue& object, std::string_view key)
{
    const JsonValue* value = object.find(key);
    return value != nullptr && value->is_string() ? value->text() : std::string_view();
}

// Reads JSON text a little at a time, no further than its end.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool take(char c)
    {
        skip_space();
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    bool peek(char c)
    {
        skip_space();
        return at_ < text_.size() && text_[at_] == c;
    }
    // A string, its escapes decoded to UTF-8.
    std::optional<std::string> string()
    {
        if (!take('"')) return std::nullopt;
        std::string out;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) return std::nullopt;
            const char e = text_[at_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::optional<unsigned> unit = hex4();
                if (!unit) return std::nullopt;
                unsigned cp = *unit;
                if (cp >= 0xD800 && cp < 0xDC00) {
                    if (!take_raw('\\') || !take_raw('u')) return std::nullopt;
                    const std::optional<unsigned> low = hex4();
                    if (!low || *low < 0xDC00 || *low >= 0xE000) return std::nullopt;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
                } else if (cp >= 0xDC00 && cp < 0xE000) {
                    return std::nullopt;
                }
                append_utf8(out, cp);
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

private:
    void skip_space()
    {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }
    bool take_raw(char c)
    {
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    std::optional<unsigned> hex4()
    {
        if (text_.size() - at_ < 4) return std::nullopt;
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<unsigned>(c - 'A' + 10);
            else
                return std::nullopt;
        }
        return value;
    }
    static void append_utf8(std::string& out, unsigned cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

Salesperson identify(Database& db, const JsonValue& requisicao)
{
    return identify(db, string_pair(requisicao, "EMPRESA"), string_pair(requisicao, "CHAVE_VENDEDOR"));
}

Salesperson identify(Database& db, std::string_view empresa, std::string_view chave_vendedor)
{
    if (!empresa.empty() && chave_vendedor.size() > empresa.size() && chave_vendedor.starts_with(empresa)) {
        const std::string_view id = chave_vendedor.substr(empresa.size());
        auto query = db.prepare("SELECT ven_chave FROM vendedor WHERE emp_codigo = ? AND ven_id = ?");
        query.bind_all(empresa, id);
        if (query.step()) return {std::string(empresa), std::string(id), std::string(query.text(0))};
    }
    throw RequestError(403, "Vendedor não cadastrado: EMPRESA \"" + shorten(empresa) +
                                "\", CHAVE_VENDEDOR \"" + shorten(chave_vendedor) + "\"");
}

std::optional<NamedSalesperson> scan_salesperson(std::string_view body)
{
    // Far more than the envelope of any request needs; what lies beyond is never looked at.
    constexpr std::size_t kScanned = 4096;
    Scanner scan(body.substr(0, kScanned));
    if (!scan.take('{') || scan.string() != "_parameters" || !scan.take(':') || !scan.take('[') ||
        !scan.take('{') || scan.string() != "REQUISICAO" || !scan.take(':') || !scan.take('{'))
        return std::nullopt;
    std::optional<std::string> empresa, chave, table;
    // Every pair of the envelope is text; the first of each name counts, as in the parser.
    for (bool first = true; !scan.peek('}'); first = false) {
        if (!first && !scan.take(',')) return std::nullopt;
        const std::optional<std::string> name = scan.string();
        if (!name || !scan.take(':')) return std::nullopt;
        std::optional<std::string> value = scan.string();
        if (!value) return std::nullopt;
        if (*name == "EMPRESA" && !empresa) empresa = std::move(value);
        if (*name == "CHAVE_VENDEDOR" && !chave) chave = std::move(value);
        if (*name == "TABLE" && !table) table = std::move(value);
        if (empresa && chave)
            return NamedSalesperson{std::move(*empresa), std::move(*chave), table.value_or("")};
    }
    return std::nullopt;
}
