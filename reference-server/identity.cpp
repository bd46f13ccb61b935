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

} // namespace

Salesperson identify(Database& db, const JsonValue& requisicao)
{
    const std::string_view empresa = string_pair(requisicao, "EMPRESA");
    const std::string_view chave_vendedor = string_pair(requisicao, "CHAVE_VENDEDOR");
    if (!empresa.empty() && chave_vendedor.size() > empresa.size() && chave_vendedor.starts_with(empresa)) {
        const std::string_view id = chave_vendedor.substr(empresa.size());
        auto query = db.prepare("SELECT ven_chave FROM vendedor WHERE emp_codigo = ? AND ven_id = ?");
        query.bind_all(empresa, id);
        if (query.step()) return {std::string(empresa), std::string(id), std::string(query.text(0))};
    }
    throw RequestError(403, "Vendedor não cadastrado: EMPRESA \"" + shorten(empresa) +
                                "\", CHAVE_VENDEDOR \"" + shorten(chave_vendedor) + "\"");
}
