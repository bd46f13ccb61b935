#include "requests.h"

#include "catalogue_replies.h"
#include "database.h"
#include "identity.h"
#include "request_error.h"
#include "server/json_parse.h"
#include "server/json_value.h"
#include "server/json_write.h"

#include <array>

namespace {

using ReplyWriter = void (*)(Database&, const Salesperson&, std::string&);

struct Kind {
    std::string_view name;
    ServerMethod method;
    ReplyWriter reply; // nullptr: known, but not answered by this server yet
};

constexpr std::array kinds{
    Kind{"CLIENTE", ServerMethod::GetDados, write_cliente_reply},
    Kind{"PRODUTO", ServerMethod::GetDados, write_produto_reply},
    Kind{"HIST_FINANCEIRO", ServerMethod::GetDados, nullptr},
    Kind{"HIST_VENDA", ServerMethod::GetDados, nullptr},
    Kind{"BOLETO", ServerMethod::GetDados, nullptr},
    Kind{"RELATORIO_FINANCEIRO", ServerMethod::GetDados, nullptr},
    Kind{"RELATORIO_VENDA", ServerMethod::GetDados, nullptr},
    Kind{"MIX_VENDA", ServerMethod::GetDados, nullptr},
    Kind{"VALIDAR_ESTOQUE", ServerMethod::GetDados, nullptr},
    Kind{"VALIDAR_FINANCEIRO", ServerMethod::GetDados, nullptr},
    Kind{"VALIDAR_HORA_ENVIO", ServerMethod::GetDados, nullptr},
    Kind{"NOVO_PEDIDO", ServerMethod::PostDados, nullptr},
};

std::string_view method_name(ServerMethod method)
{
    return method == ServerMethod::GetDados ? "getDados_OnLine" : "postDados_OnLine";
}

const JsonValue& request_object(const JsonValue& body)
{
    const JsonValue* parameters = body.find("_parameters");
    if (parameters == nullptr || !parameters->is_array() || parameters->size() != 1 ||
        !parameters->at(0).is_object())
        throw RequestError(400, "Corpo da requisição inválido: esperado {\"_parameters\":[<objeto>]}");
    return parameters->at(0);
}

const Kind& request_kind(const JsonValue& requisicao, ServerMethod method, CallInfo& info)
{
    const JsonValue* table = requisicao.find("TABLE");
    if (table == nullptr || !table->is_string()) throw RequestError(400, "Requisição sem o tipo \"TABLE\"");
    info.kind = shorten(table->text());
    for (const Kind& kind : kinds) {
        if (kind.name != table->text()) continue;
        if (kind.method != method)
            throw RequestError(400, "O tipo de requisição " + std::string(kind.name) + " é enviado por " +
                                        std::string(method_name(kind.method)));
        return kind;
    }
    throw RequestError(400, "Tipo de requisição desconhecido: " + shorten(table->text()));
}

} // namespace

std::string shorten(std::string_view utf8, std::size_t max_bytes)
{
    if (utf8.size() <= max_bytes) return std::string(utf8);
    std::size_t end = max_bytes;
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return std::string(utf8.substr(0, end)) + "...";
}

std::string error_body(std::string_view message)
{
    JsonValue reply = JsonValue::object();
    reply.insert("error", JsonValue::string(message));
    return to_json(reply);
}

HttpReply RequestHandler::handle(ServerMethod method, std::string_view body, CallInfo& info) const
{
    try {
        const std::optional<JsonValue> parsed = parse_json(body);
        if (!parsed || !parsed->is_object())
            throw RequestError(400, "Corpo da requisição não é um objeto JSON válido");
        const JsonValue& request = request_object(*parsed);
        const JsonValue* requisicao = request.find("REQUISICAO");
        if (requisicao == nullptr || !requisicao->is_object())
            throw RequestError(400, "Requisição sem o objeto \"REQUISICAO\"");
        const Kind& kind = request_kind(*requisicao, method, info);

        if (const JsonValue* chave = requisicao->find("CHAVE_VENDEDOR");
            chave != nullptr && chave->is_string())
            info.salesperson = shorten(chave->text());

        Database db(database_path_);
        const Salesperson vendedor = identify(db, *requisicao);
        if (kind.reply == nullptr)
            throw RequestError(501, "Tipo de requisição ainda não atendido: " + std::string(kind.name));

        HttpReply reply;
        reply.body = "{\"result\":[";
        kind.reply(db, vendedor, reply.body);
        reply.body += "]}";
        return reply;
    } catch (const RequestError& e) {
        return {e.status(), error_body(e.what())};
    } catch (const std::exception& e) {
        return {500, error_body(std::string("Erro interno do servidor: ") + e.what())};
    }
}
