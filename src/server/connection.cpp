#include "connection.h"

#include "cache.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/text.h"
#include "settings/settings.h"

using namespace Qt::StringLiterals;

namespace {

ServerSession open_session(const Context& context, const Identity& settings, bool with_identity)
{
    if (!context.transport)
        throw ServerError(u"Nenhum meio de comunicação com o servidor foi configurado."_s);
    ServerSession session;
    if (with_identity) {
        session.aEmpresa = settings.empresa;
        session.aKey = settings.chave;
        session.aIDVendedor = settings.id_vendedor;
    }
    session.module = std::make_unique<TdmClientModule>(*context.transport);
    session.module->close();
    session.module->open(settings.ip);
    session.proxy = std::make_unique<TModuleOnlineClient>(*session.module);
    return session;
}

} // namespace

ServerSession conectar(const Context& context)
{
    return open_session(context, read_identity(Settings(context)), true);
}

ServerSession conectar_servidor(const Context& context)
{
    return open_session(context, read_identity(Settings(context)), false);
}

bool validar_chave(const Context& context, const QString& configured, std::string_view reply_key)
{
    if (configured == qs(reply_key))
        return true;
    context.messages->error(u"CHAVE DO VENDEDOR NÃO INFORMADA OU INCORRETA!"_s);
    limpar_temporarios(context);
    return false;
}

bool check_reply_key(const Context& context, const QString& configured, const JsonValue& reply)
{
    const JsonValue* key = reply.find("CHAVE_VENDEDOR");
    if (!key || !(key->is_string() || key->is_number()))
        throw ProtocolError(u"A resposta do servidor não traz a chave do vendedor (CHAVE_VENDEDOR); "
                            "ela foi descartada sem gravar nem carregar nada."_s);
    return validar_chave(context, configured, key->text());
}
