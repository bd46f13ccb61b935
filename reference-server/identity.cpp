#include "identity.h"

#include "database.h"
#include "request_error.h"
#include "server/json_parse.h"
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
    // A string, its escapes decoded by the project's JSON parser, as the whole body would be.
    std::optional<std::string> string()
    {
        skip_space();
        const std::size_t start = at_;
        if (!take('"')) return std::nullopt;
        while (at_ < text_.size() && text_[at_] != '"')
            at_ += text_[at_] == '\\' ? 2 : 1;
        if (at_ >= text_.size()) return std::nullopt;
        ++at_;
        const std::optional<JsonValue> value = parse_json(text_.substr(start, at_ - start));
        if (!value || !value->is_string()) return std::nullopt;
        return std::string(value->text());
    }

private:
    void skip_space()
    {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
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
