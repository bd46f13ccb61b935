#include "requests.h"

#include "background_work.h"
#include "call.h"
#include "card_replies.h"
#include "catalogue_replies.h"
#include "compressed_lists.h"
#include "database.h"
#include "document_replies.h"
#include "guess_throttle.h"
#include "identity.h"
#include "list_versions.h"
#include "order_replies.h"
#include "product_cache.h"
#include "reply_pieces.h"
#include "request_error.h"
#include "server/json_parse.h"
#include "server/json_value.h"
#include "server/json_write.h"
#include "signature.h"

#include <openssl/rand.h>

#include <array>
#include <ctime>

namespace {

// The compressed client lists kept, some hundred of 50,000 clients.
constexpr std::size_t kClientListBytes = 256 * 1024 * 1024;

struct Kind {
    std::string_view name;
    ServerMethod method;
    ReplyWriter reply;
};

constexpr std::array kinds{
    // The catalogues are written by RequestHandler::client_reply and product_reply, which keep them
    // between downloads.
    Kind{"CLIENTE", ServerMethod::GetDados, nullptr},
    Kind{"PRODUTO", ServerMethod::GetDados, nullptr},
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

HttpReply error_reply(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const RequestError& e) {
        return {e.status(), error_body(e.what()), {}, {}, 0};
    } catch (...) {
        // The cause may name files and tables: the peer learns only that it failed.
        ReplyPieces::Failure failure = internal_error(error);
        return {failure.status, std::move(failure.body), {}, std::move(failure.cause), 0};
    }
}

// A key no salesperson has: random, and never shown.
std::string random_key()
{
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1) throw std::runtime_error("OpenSSL sem números aleatórios");
    std::string key;
    for (const unsigned char b : bytes)
        key += "0123456789abcdef"[b & 0xF];
    return key;
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
      signatures_(require_signature ? std::make_unique<SignatureGuard>() : nullptr),
      throttle_(std::make_unique<GuessThrottle>()), unknown_key_(random_key()),
      background_(std::make_unique<BackgroundWork>()),
      products_(std::make_unique<ProductCache>(*background_)),
      clients_(std::make_unique<CompressedLists>(*background_, kClientListBytes))
{
}

RequestHandler::~RequestHandler()
{
    background_.reset();
}

void RequestHandler::prepare_lists_ahead(const std::function<void(const std::string&)>& log) const
{
    background_->repeat(std::chrono::minutes(1), [this, log](const std::atomic<bool>& stop) {
        const auto started = std::chrono::steady_clock::now();
        int made = 0;
        Database db(database_path_);
        auto companies = db.prepare("SELECT emp_codigo FROM empresa e WHERE EXISTS (SELECT 1 FROM produto p "
                                    "WHERE p.emp_codigo = e.emp_codigo)");
        while (!stop && companies.step()) {
            const std::string empresa(companies.text(0));
            made += products_->warm(
                db, empresa,
                [&](std::string& head) {
                    head = "{\"result\":[";
                    write_produto_list(db, empresa, head);
                },
                stop);
        }
        // zstd, the program's codec; and no more than half the room, so that lists made ahead never
        // push out those in use.
        auto salespeople = db.prepare("SELECT emp_codigo, ven_id FROM vendedor v WHERE EXISTS (SELECT 1 FROM "
                                      "cliente c WHERE c.emp_codigo = v.emp_codigo AND c.ven_id = v.ven_id)");
        while (!stop && clients_->bytes() < kClientListBytes / 2 && salespeople.step()) {
            const Salesperson vendedor{
                std::string(salespeople.text(0)), std::string(salespeople.text(1)), {}};
            made += clients_->make_now(vendedor.empresa + '\n' + vendedor.id,
                                       client_list_version(db, vendedor.empresa, vendedor.id), Codec::Zstd,
                                       client_list_writer(vendedor), stop);
        }
        if (made > 0 && !stop) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
            log(std::to_string(made) + (made == 1 ? " lista preparada" : " listas preparadas") +
                " para o próximo download em " + std::to_string(ms.count()) + " ms");
        }
    });
}

std::function<std::string()> RequestHandler::client_list_writer(const Salesperson& vendedor) const
{
    return [path = database_path_, vendedor] {
        Database own(path);
        std::string head = "{\"result\":[";
        write_cliente_list(own, vendedor, head);
        return head;
    };
}

std::optional<HttpReply> RequestHandler::verify(std::string_view body, std::string_view signature,
                                                std::string_view peer, std::int64_t now, CallInfo& info,
                                                std::shared_ptr<Database>& db,
                                                std::optional<Salesperson>& vendedor) const
{
    // Every refusal before the signature verifies says the same, whatever its cause (which goes to
    // the log): an outsider learns neither who exists nor how close a guess came.
    const auto refused = [](std::string cause) {
        return HttpReply{401,
                         error_body("Assinatura da requisição não pôde ser verificada: confira a chave do "
                                    "vendedor na configuração, e a data e a hora deste computador"),
                         {},
                         std::move(cause),
                         0};
    };
    std::optional<SignatureGuard::Stamp> stamp;
    try {
        stamp = SignatureGuard::read(signature, now);
    } catch (const RequestError& e) {
        return refused(e.what());
    }
    const std::optional<NamedSalesperson> named = scan_salesperson(body);
    if (!named) return refused("corpo sem EMPRESA e CHAVE_VENDEDOR no começo de \"REQUISICAO\"");
    info.salesperson = shorten(named->chave_vendedor);
    info.kind = shorten(named->table);
    const std::string who = named->empresa + '\n' + named->chave_vendedor;
    if (const std::int64_t wait = throttle_->try_guess(peer, who, now); wait > 0)
        return HttpReply{
            429,
            error_body("Assinaturas erradas demais para este vendedor ou deste endereço: tente de "
                       "novo em " +
                       std::to_string(wait) + " segundos"),
            {},
            "espera por tentativas erradas",
            wait};

    db = std::make_shared<Database>(database_path_);
    std::string key;
    try {
        vendedor = identify(*db, named->empresa, named->chave_vendedor);
        key = vendedor->chave;
    } catch (const RequestError&) {
        // Someone not on file is checked all the same, under a key nobody has, so that the answer
        // and its time are those of a wrong key.
        key = unknown_key_;
    }
    const SignatureGuard::Check check = signatures_->accept(*stamp, key, body, now);
    if (check == SignatureGuard::Check::Mismatch || !vendedor)
        return refused(vendedor ? "assinatura não confere com a chave do vendedor"
                                : "vendedor não cadastrado");
    throttle_->succeeded(peer, who);
    if (check == SignatureGuard::Check::Replayed)
        return HttpReply{401, error_body("Requisição repetida: esta assinatura já foi aceita"), {}, {}, 0};
    return std::nullopt;
}

HttpReply RequestHandler::product_reply(Database& db, const Salesperson& vendedor, Codec accepted) const
{
    const std::shared_ptr<const ProductCache::Entry> entry =
        products_->get(db, vendedor.empresa, [&](std::string& head) {
            head = "{\"result\":[";
            write_produto_list(db, vendedor.empresa, head);
        });
    const std::string tail = key_pair_and_end(vendedor.chave) + "]}";
    HttpReply reply;
    reply.plain_size = entry->head().size() + tail.size();
    if (accepted == Codec::None) {
        reply.body = entry->head() + tail;
    } else if (std::optional<std::string> encoded = entry->encoded(accepted, tail)) {
        reply.body = std::move(*encoded);
        reply.encoded = accepted;
    } else {
        // Still being compressed: compressed as it is sent, from the text already written.
        reply.write_pieces = [entry, tail](ReplyPieces& pieces) {
            const std::string& head = entry->head();
            for (std::size_t at = 0; at < head.size(); at += ReplyPieces::kPieceBytes) {
                std::string piece = head.substr(at, ReplyPieces::kPieceBytes);
                pieces.hand_over(piece);
            }
            std::string end = tail;
            pieces.hand_over(end);
        };
    }
    return reply;
}

HttpReply RequestHandler::client_reply(const std::shared_ptr<Database>& db, const Salesperson& vendedor,
                                       Codec accepted) const
{
    const std::string tail = key_pair_and_end(vendedor.chave) + "]}";
    HttpReply reply;
    if (accepted == Codec::None) {
        reply.body = "{\"result\":[";
        write_cliente_list(*db, vendedor, reply.body);
        reply.body += tail;
        return reply;
    }
    const std::string key = vendedor.empresa + '\n' + vendedor.id;
    const std::int64_t version = client_list_version(*db, vendedor.empresa, vendedor.id);
    if (const std::shared_ptr<const CompressedHead> head = clients_->find(key, version, accepted)) {
        reply.body = head->with_tail(tail);
        reply.encoded = accepted;
        reply.plain_size = head->plain_size() + tail.size();
        return reply;
    }
    // The first download since the list changed: compressed as it is written, while the background
    // makes the best compressed form for the next.
    clients_->prepare(key, version, accepted, client_list_writer(vendedor));
    reply.write_pieces = [db, vendedor, tail](ReplyPieces& pieces) {
        std::string out = "{\"result\":[";
        write_cliente_list(*db, vendedor, out, &pieces);
        out += tail;
        pieces.hand_over(out);
    };
    return reply;
}

HttpReply RequestHandler::handle(ServerMethod method, std::string_view body, CallInfo& info,
                                 std::string_view signature, Codec accepted, std::string_view peer) const
{
    try {
        const std::int64_t now = clock_seconds();
        // With signatures required, nothing of the body is parsed and nothing is read but the
        // salesperson's key before the signature verifies.
        std::shared_ptr<Database> db;
        std::optional<Salesperson> verified;
        if (signatures_) {
            if (std::optional<HttpReply> refusal = verify(body, signature, peer, now, info, db, verified))
                return std::move(*refusal);
        }

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

        if (!db) db = std::make_shared<Database>(database_path_);
        const Salesperson vendedor = identify(*db, *requisicao);
        // The parsed envelope must name whom the signature was verified for.
        if (verified && (vendedor.empresa != verified->empresa || vendedor.id != verified->id))
            throw RequestError(401, "A requisição nomeia outro vendedor que o da assinatura");
        if (!kind.reply)
            return kind.name == "PRODUTO" ? product_reply(*db, vendedor, accepted)
                                          : client_reply(db, vendedor, accepted);

        HttpReply reply;
        reply.body = "{\"result\":[";
        kind.reply(Call{*db, vendedor, request, *requisicao, local_now(today_)}, reply.body);
        reply.body += "]}";
        return reply;
    } catch (...) {
        return error_reply(std::current_exception());
    }
}
