#pragma once

#include "server/json_value.h"
#include "server/request.h"
#include "settings/settings.h"

#include <QString>

#include <optional>
#include <string_view>

struct Context;

// One exchange with the server, and the only way any operation reaches it. conectar() reads the
// settings once: the identity that the request is built from and that the reply's key is checked
// against, and the server address. get() and post() open a connection to that address, send the
// request and, for the kinds whose reply carries the salesperson key, check it. While the exchange
// is under way the transport's progress (the busy dialog) keeps every other input away; a failure
// raises ServerError or ProtocolError with the server, the operation and the cause.
class ServerCall {
public:
    ServerCall(const Context& context, ServerSettings settings);

    const Identity& identity() const { return identity_; }

    // getDados_OnLine. The reply, or nothing when its key was refused: the salesperson has then been
    // told and the cached catalogue wiped, and nothing of the reply may be kept.
    std::optional<JsonValue> get(const JsonValue& request, const QString& what);
    // postDados_OnLine; returns once the server has accepted the object.
    void post(const JsonValue& request, const QString& what);

private:
    const Context& context_;
    Identity identity_;
    ServerSettings settings_;
};

// Reads Empresa, Chave, ID, IP and Certificado from the settings, in one read, for one exchange.
ServerCall conectar(const Context& context);

// Whether the reply to a request of this kind ("TABLE") carries the salesperson key to check: every
// kind but the three checks before an order is sent.
bool key_checked(std::string_view kind);

// True when the reply's key equals the configured key exactly. Otherwise tells the salesperson, wipes
// the cached catalogue and returns false.
bool validar_chave(const Context& context, const QString& configured, std::string_view reply_key);

// The reply's "CHAVE_VENDEDOR" checked with validar_chave. A reply without the pair cannot be
// trusted, so it raises ProtocolError and nothing of it is kept.
bool reply_key_is_valid(const Context& context, const QString& configured, const JsonValue& reply);
