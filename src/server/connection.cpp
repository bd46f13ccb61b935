#include "connection.h"

#include "cache.h"
#include "company_certificates.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/text.h"
#include "dm_client_module.h"
#include "json_parse.h"
#include "module_online_client.h"
#include "settings/settings.h"
#include "transport.h"

using namespace Qt::StringLiterals;

namespace {

Transport& transport_of(const Context& context)
{
    if (!context.transport)
        throw ServerError(u"Nenhum meio de comunicação com o servidor foi configurado."_s);
    return *context.transport;
}

// A connection opened for one request, and its proxy.
struct Link {
    Link(const Context& context, const Identity& identity, const ServerSettings& settings)
        : module(transport_of(context)), proxy(module)
    {
        module.open(settings.ip);
        module.security.signing_key = identity.chave.toUtf8();
        // Only an https:// server has a certificate; for plain HTTP the setting means nothing.
        if (module.SQLCon.base_url.scheme() == u"https"_s && !settings.certificado.trimmed().isEmpty())
            module.security.company_certificates = company_certificates(context, settings.certificado);
    }
    TdmClientModule module;
    TModuleOnlineClient proxy;
};

} // namespace

ServerCall::ServerCall(const Context& context, ServerSettings settings)
    : context_(context), identity_{settings.empresa, settings.id_vendedor, settings.chave},
      settings_(std::move(settings))
{
}

ServerCall conectar(const Context& context)
{
    return ServerCall(context, read_server_settings(Settings(context)));
}

std::optional<JsonValue> ServerCall::get(const JsonValue& request, const QString& what)
{
    Link link(context_, identity_, settings_);
    JsonParser own;
    JsonValue reply = link.proxy.getDados_OnLine(request, what, context_.parser ? *context_.parser : own);
    if (key_checked(request_kind(request)) && !reply_key_is_valid(context_, identity_.chave, reply))
        return std::nullopt;
    return reply;
}

void ServerCall::post(const JsonValue& request, const QString& what)
{
    Link link(context_, identity_, settings_);
    link.proxy.postDados_OnLine(request, what);
}

bool key_checked(std::string_view kind)
{
    return kind != "VALIDAR_ESTOQUE" && kind != "VALIDAR_FINANCEIRO" && kind != "VALIDAR_HORA_ENVIO";
}

bool validar_chave(const Context& context, const QString& configured, std::string_view reply_key)
{
    if (configured == qs(reply_key)) return true;
    context.messages->error(u"CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s);
    limpar_temporarios(context);
    return false;
}

bool reply_key_is_valid(const Context& context, const QString& configured, const JsonValue& reply)
{
    const JsonValue* key = reply.find("CHAVE_VENDEDOR");
    if (!key || !(key->is_string() || key->is_number()))
        throw ProtocolError(u"A resposta do servidor não traz a chave do vendedor (CHAVE_VENDEDOR); "
                            "ela foi descartada sem gravar nem carregar nada."_s);
    return validar_chave(context, configured, key->text());
}
