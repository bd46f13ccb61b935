#include "requests.h"

#include "call.h"
#include "card_replies.h"
#include "catalogue_replies.h"
#include "database.h"
#include "document_replies.h"
#include "identity.h"
#include "order_replies.h"
#include "reply_pieces.h"
#include "request_error.h"
#include "server/json_parse.h"
#include "server/json_value.h"
#include "server/json_write.h"
#include "signature.h"

#include <array>
#include <ctime>

namespace {

struct Kind {
    std::string_view name;
    ServerMethod method;
    ReplyWriter reply;
    // The catalogues: long enough to be sent while they are written.
    bool long_reply = false;
};

constexpr std::array kinds{
    Kind{"CLIENTE", ServerMethod::GetDados,
         [](const Call& call, std::string& out) {
             write_cliente_reply(call.db, call.vendedor, out, call.pieces);
         },
         true},
    Kind{"PRODUTO", ServerMethod::GetDados,
         [](const Call& call, std::string& out) {
             write_produto_reply(call.db, call.vendedor, out, call.pieces);
         },
         true},
    Kind{"HIST_FINANCEIRO", ServerMethod::GetDados, write_hist_financeiro_reply},
    Kind{"HIST_VENDA", ServerMethod::GetDados, write_hist_venda_reply},
    Kind{"BOLETO", ServerMethod::GetDados, write_boleto_reply},
    Kind{"RELATORIO_FINANCEIRO", ServerMethod::GetDados, write_relatorio_financeiro_reply},
    Kind{"RELATORIO_VENDA", ServerMethod::GetDados, write_relatorio_venda_reply},
    Kind{"MIX_VENDA", ServerMethod::GetDados, write_mix_venda_reply},
    Kind{"VALIDAR_ESTOQUE", ServerMethod::GetDados, write_validar_estoque_reply},
    Kind{"VALIDAR_FINANCEIRO", ServerMethod::GetDados, write_validar_financeiro_reply},
    Kind{"VALIDAR_HORA_ENVIO", ServerMethod::GetDados, write_validar_hora_envio_reply},
    // The order's reply is empty: a post that returns without an error counts as accepted.
    Kind{"NOVO_PEDIDO", ServerMethod::PostDados, write_novo_pedido_reply},
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

std::string cause_of(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "exceção desconhecida";
    }
}

HttpReply error_reply(std::exception_ptr error, bool trusted)
{
    try {
        std::rethrow_exception(error);
    } catch (const RequestError& e) {
        if (!trusted && e.status() != 401)
            return {401, error_body("Assinatura da requisição não pôde ser verificada"), {}, {}};
        return {e.status(), error_body(e.what()), {}, {}};
    } catch (...) {
        // The cause may name files and tables: the peer learns only that it failed.
        ReplyPieces::Failure failure = internal_error(error);
        return {failure.status, std::move(failure.body), {}, std::move(failure.cause)};
    }
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

ReplyPieces::Failure internal_error(std::exception_ptr error)
{
    return {500, error_body("Erro interno do servidor"), cause_of(error)};
}

std::string error_body(std::string_view message)
{
    JsonValue reply = JsonValue::object();
    reply.insert("error", JsonValue::string(message));
    return to_json(reply);
}

RequestHandler::RequestHandler(std::string database_path, std::optional<std::chrono::sys_days> today,
                               bool require_signature)
    : database_path_(std::move(database_path)), today_(today),
      signatures_(require_signature ? std::make_unique<SignatureGuard>() : nullptr)
{
}

RequestHandler::~RequestHandler() = default;

HttpReply RequestHandler::handle(ServerMethod method, std::string_view body, CallInfo& info,
                                 std::string_view signature, bool piecewise) const
{
    // Until the signature has been verified, a request that needs one learns nothing but 401.
    bool trusted = !signatures_;
    try {
        const std::int64_t now = std::time(nullptr);
        std::optional<SignatureGuard::Stamp> stamp;
        if (signatures_) stamp = SignatureGuard::read(signature, now);

        std::optional<JsonValue> parsed = parse_json(body);
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

        auto db = std::make_shared<Database>(database_path_);
        const Salesperson vendedor = identify(*db, *requisicao);
        if (stamp) signatures_->accept(*stamp, vendedor.chave, body, now);
        trusted = true;

        const auto write = [db, vendedor, parsed = std::move(*parsed), day = local_now(today_),
                            &kind](std::string& out, ReplyPieces* pieces) {
            const JsonValue& request = request_object(parsed);
            out += "{\"result\":[";
            kind.reply(Call{*db, vendedor, request, *request.find("REQUISICAO"), day, pieces}, out);
            out += "]}";
        };
        HttpReply reply;
        if (piecewise && kind.long_reply) {
            reply.write_pieces = [write](ReplyPieces& pieces) {
                std::string out;
                write(out, &pieces);
                pieces.hand_over(out);
            };
        } else {
            write(reply.body, nullptr);
        }
        return reply;
    } catch (...) {
        return error_reply(std::current_exception(), trusted);
    }
}
