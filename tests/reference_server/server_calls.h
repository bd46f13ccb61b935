#pragma once

#include "server/json_value.h"
#include "server/json_write.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ServerProcess;

// Calls of one pedidos-servidor as the client makes them, for the tests of the request kinds.

struct HttpResult {
    int status = 0;
    QByteArray body;
    QByteArray content_type;
    QList<std::pair<QByteArray, QByteArray>> headers; // as the reply came
};

// A header of the reply, by its name in any case; empty when absent.
QByteArray header_of(const HttpResult& result, const QByteArray& name);

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The request object of one kind for the demo salesperson 1 of company Teste: "REQUISICAO" with the
// three common pairs and then `pairs`, every value a string.
JsonValue request_of(const std::string& kind, const Pairs& pairs = {});

using Headers = std::vector<std::pair<QByteArray, QByteArray>>;

// Any body, as it stands, to any address ("POST" or "GET"), with any extra headers.
HttpResult call(const QString& url, const QByteArray& body, const QByteArray& verb = "POST",
                const Headers& headers = {});
HttpResult post(const ServerProcess& server, const char* method, const JsonValue& request);
HttpResult get_dados(const ServerProcess& server, const JsonValue& request);
HttpResult post_dados(const ServerProcess& server, const JsonValue& request);

// The object inside {"result":[...]}, or nothing when the framing is wrong.
std::optional<JsonValue> reply_object(const HttpResult& result);
// The text of {"error":"..."}, or empty.
std::string error_text(const HttpResult& result);

std::vector<std::string> keys_of(const JsonValue& object);
std::string text_of(const JsonValue& object, std::string_view key);
JsonValue object_of(const Pairs& pairs);
JsonValue array_of(std::initializer_list<JsonValue> elements);
