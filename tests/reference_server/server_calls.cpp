#include "server_calls.h"

#include "server/json_parse.h"
#include "server/json_write.h"
#include "server_process.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

using namespace Qt::StringLiterals;

JsonValue object_of(const Pairs& pairs)
{
    JsonValue object = JsonValue::object();
    for (const auto& [key, value] : pairs)
        object.insert(key, JsonValue::string(value));
    return object;
}

JsonValue array_of(std::initializer_list<JsonValue> elements)
{
    JsonValue array = JsonValue::array();
    for (const JsonValue& element : elements)
        array.push_back(element);
    return array;
}

JsonValue request_of(const std::string& kind, const Pairs& pairs)
{
    Pairs inner{{"TABLE", kind}, {"EMPRESA", "Teste"}, {"CHAVE_VENDEDOR", "Teste1"}};
    inner.insert(inner.end(), pairs.begin(), pairs.end());
    JsonValue request = JsonValue::object();
    request.insert("REQUISICAO", object_of(inner));
    return request;
}

HttpResult call(const QString& url, const QByteArray& body, const QByteArray& verb, const Headers& headers)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply* reply = verb == "POST" ? manager.post(request, body) : manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60'000, &loop, &QEventLoop::quit);
    loop.exec();
    HttpResult result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.content_type = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    result.headers = reply->rawHeaderPairs();
    delete reply;
    return result;
}

HttpResult post(const ServerProcess& server, const char* method, const JsonValue& request)
{
    return call(server.url(QString::fromLatin1(method)),
                QByteArray::fromStdString("{\"_parameters\":[" + to_json(request) + "]}"));
}

HttpResult get_dados(const ServerProcess& server, const JsonValue& request)
{
    return post(server, "getDados_OnLine", request);
}

HttpResult post_dados(const ServerProcess& server, const JsonValue& request)
{
    return post(server, "postDados_OnLine", request);
}

namespace {

std::optional<JsonValue> parse(const QByteArray& bytes)
{
    return parse_json(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace

std::optional<JsonValue> reply_object(const HttpResult& result)
{
    auto body = parse(result.body);
    if (result.status != 200 || !body || !body->is_object() || body->size() != 1 ||
        body->key_at(0) != "result")
        return std::nullopt;
    const JsonValue& list = body->at(0);
    if (!list.is_array() || list.size() != 1 || !list.at(0).is_object()) return std::nullopt;
    return list.at(0);
}

std::string error_text(const HttpResult& result)
{
    auto body = parse(result.body);
    if (!body || !body->is_object() || body->size() != 1 || body->key_at(0) != "error" ||
        !body->at(0).is_string())
        return {};
    return std::string(body->at(0).text());
}

std::vector<std::string> keys_of(const JsonValue& object)
{
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < object.size(); ++i)
        keys.emplace_back(object.key_at(i));
    return keys;
}

std::string text_of(const JsonValue& object, std::string_view key)
{
    const JsonValue* value = object.find(key);
    return value == nullptr ? std::string("<missing>") : std::string(value->text());
}

QByteArray header_of(const HttpResult& result, const QByteArray& name)
{
    for (const auto& [key, value] : result.headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}
