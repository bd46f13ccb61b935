#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "reply_pieces.h"

class SignatureGuard;

enum class ServerMethod { GetDados, PostDados };

struct HttpReply {
    int status = 200;
    std::string body;
    // Set instead of the body for a reply that is sent while it is written: writes it through the
    // pieces it is given (see ReplyPieces), on whatever thread the sender chooses.
    ReplyPieces::Write write_pieces;
    // Why a 500 was answered: for the log, never for the peer.
    std::string cause;
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

    // signature: the X-Pedidos-Assinatura header, empty when the request has none. With piecewise, a
    // catalogue's reply comes as a writer of pieces instead of a body.
    HttpReply handle(ServerMethod method, std::string_view body, CallInfo& info,
                     std::string_view signature = {}, bool piecewise = false) const;

private:
    std::string database_path_;
    std::optional<std::chrono::sys_days> today_;
    std::unique_ptr<SignatureGuard> signatures_;
};

std::string error_body(std::string_view message);
// What a reply writer that failed answers: "Erro interno do servidor" and nothing of the cause, which
// is kept for the log.
ReplyPieces::Failure internal_error(std::exception_ptr error);
