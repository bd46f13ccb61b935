#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "reply_pieces.h"

class BackgroundWork;
class CompressedLists;
class Database;
class GuessThrottle;
class ProductCache;
class SignatureGuard;
struct Salesperson;

enum class ServerMethod { GetDados, PostDados };

struct HttpReply {
    int status = 200;
    std::string body;
    // Set instead of the body for a reply that is sent while it is written: writes it through the
    // pieces it is given (see ReplyPieces), on whatever thread the sender chooses.
    ReplyPieces::Write write_pieces;
    // Why a 500 or a refusal was answered: for the log, never for the peer.
    std::string cause;
    // With 429: the seconds before the next try (Retry-After).
    std::int64_t retry_after = 0;
    // A body already in a codec the request accepts, and its size before, for the log.
    Codec encoded = Codec::None;
    std::size_t plain_size = 0;
};

// What the request log says of a call besides the HTTP facts.
struct CallInfo {
    std::string kind;
    std::string salesperson;
};

// Answers the body of one server-method call: {"_parameters":[<request object>]} in, the framed
// reply out ({"result":[...]} or {"error":"..."} with its HTTP status). Each call opens its own
// database connection, so calls may run on several threads at once.
class RequestHandler {
public:
    // today, when given, is the day every call takes for today. With require_signature, a request is
    // answered only when its X-Pedidos-Assinatura verifies under its salesperson's key (401 otherwise).
    explicit RequestHandler(std::string database_path, std::optional<std::chrono::sys_days> today = {},
                            bool require_signature = false);
    ~RequestHandler();

    // signature: the X-Pedidos-Assinatura header, empty when the request has none. accepted: the
    // codec the reply may go in; with one, a catalogue's reply comes as a writer of pieces, or already
    // encoded, instead of a body. peer: the address the request came from, for the throttle of wrong
    // signatures.
    HttpReply handle(ServerMethod method, std::string_view body, CallInfo& info,
                     std::string_view signature = {}, Codec accepted = Codec::None,
                     std::string_view peer = {}) const;

    // From now on, every minute in the background, the catalogues changed since (by the night's load
    // of the company's data) are written and compressed before anyone downloads them, so that the
    // morning's first download goes as fast as the next.
    // log gets a line each time lists were made.
    void prepare_lists_ahead(const std::function<void(const std::string&)>& log) const;

private:
    std::string database_path_;
    std::optional<std::chrono::sys_days> today_;
    // The refusal of a request whose signature does not verify (or the wait a guesser is given);
    // nothing when it verifies, with db open and the salesperson found.
    std::optional<HttpReply> verify(std::string_view body, std::string_view signature, std::string_view peer,
                                    std::int64_t now, CallInfo& info, std::shared_ptr<Database>& db,
                                    std::optional<Salesperson>& vendedor) const;

    HttpReply product_reply(Database& db, const Salesperson& vendedor, Codec accepted) const;
    HttpReply client_reply(const std::shared_ptr<Database>& db, const Salesperson& vendedor,
                           Codec accepted) const;
    // Writes a salesperson's client list on a connection of its own, for the background.
    std::function<std::string()> client_list_writer(const Salesperson& vendedor) const;

    std::unique_ptr<SignatureGuard> signatures_;
    std::unique_ptr<GuessThrottle> throttle_;
    std::string unknown_key_;
    // Stopped first of all (in the destructor): its repeated task uses the caches.
    std::unique_ptr<BackgroundWork> background_;
    std::unique_ptr<ProductCache> products_;
    std::unique_ptr<CompressedLists> clients_;
};

std::string error_body(std::string_view message);
// What a reply writer that failed answers: "Erro interno do servidor" and nothing of the cause, which
// is kept for the log.
ReplyPieces::Failure internal_error(std::exception_ptr error);
