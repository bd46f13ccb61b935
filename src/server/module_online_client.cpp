#include "module_online_client.h"

#include "core/errors.h"
#include "core/log.h"
#include "core/text.h"
#include "dm_client_module.h"
#include "json_parse.h"
#include "json_write.h"
#include "request.h"
#include "transport.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

std::string TModuleOnlineClient::request_body(const JsonValue& aJsonParam)
{
    std::string body = "{\"_parameters\":[";
    write_json(body, aJsonParam);
    body += "]}";
    return body;
}

JsonValue TModuleOnlineClient::getDados_OnLine(const JsonValue& aJsonParam, const QString& what)
{
    JsonParser parser;
    return call("getDados_OnLine", aJsonParam, what, true, parser);
}

JsonValue TModuleOnlineClient::getDados_OnLine(const JsonValue& aJsonParam, const QString& what,
                                               JsonParser& parser)
{
    return call("getDados_OnLine", aJsonParam, what, true, parser);
}

void TModuleOnlineClient::postDados_OnLine(const JsonValue& aJsonParam, const QString& what)
{
    JsonParser parser;
    call("postDados_OnLine", aJsonParam, what, false, parser);
}

JsonValue TModuleOnlineClient::call(const char* method, const JsonValue& param, const QString& what,
                                    bool wants_object, JsonParser& parser)
{
    const SQLConnection& con = module_.SQLCon;
    if (!con.connected()) throw ServerError(u"A conexão com o servidor não foi aberta."_s);
    QUrl url = con.base_url;
    url.setPath(u'/' + con.datasnap_context + u"rest/TModuleOnline/"_s + QString::fromLatin1(method));
    const std::string body = request_body(param);
    const QString server = server_label(con.base_url);
    const QString kind = qs(request_kind(param));
    QElapsedTimer clock;
    clock.start();
    // The body lands in the parser's memory and is parsed there.
    std::size_t size = 0;
    int status = 0;
    try {
        status = module_.transport().post_into(url, module_.security,
                                               QByteArray(body.data(), static_cast<qsizetype>(body.size())),
                                               what, [&](std::size_t n) {
                                                   size = n;
                                                   return parser.buffer(n);
                                               });
    } catch (const Error& e) {
        qCInfo(log_servidor).noquote()
            << method << kind << server << "falhou em" << clock.elapsed() << "ms:" << e.message();
        throw;
    }
    qCInfo(log_servidor).noquote() << method << kind << server << "HTTP" << status << body.size()
                                   << "bytes enviados," << size << "recebidos em" << clock.elapsed() << "ms";
    auto invalid = [&](const QString& why) {
        return ProtocolError(u"Resposta inválida do servidor %1 (%2): %3."_s.arg(server, what, why));
    };
    std::optional<JsonValue> json;
    try {
        json = parser.parse_buffer(size);
    } catch (const ProtocolError& e) {
        // A reply beyond the parser's limits.
        QString why = e.message();
        while (why.endsWith(u'.'))
            why.chop(1);
        throw invalid(why);
    }
    if (status < 200 || status > 299) {
        const JsonValue* text = json && json->is_object() ? json->find("error") : nullptr;
        if (text && text->is_string())
            throw ServerError(u"O servidor %1 recusou a requisição (%2): %3"_s.arg(
                server, what, outside_text(qs(text->text()))));
        const QString failure =
            u"O servidor %1 respondeu com o erro HTTP %2 (%3)."_s.arg(server).arg(status).arg(what);
        // A gateway in front of the server answers these when the server itself cannot be reached.
        if (status == 502 || status == 503 || status == 504) throw ConnectionError(failure);
        throw ServerError(failure);
    }
    if (!json) throw invalid(size == 0 ? u"resposta vazia"_s : u"o conteúdo não é JSON"_s);
    if (!wants_object) return {};
    JsonValue* result = json->is_object() ? json->find("result") : nullptr;
    if (!result || !result->is_array()) throw invalid(u"falta a lista \"result\""_s);
    if (result->size() < 1 || !result->at(0).is_object())
        throw invalid(u"o resultado não é um objeto JSON"_s);
    return std::move(result->at(0));
}
