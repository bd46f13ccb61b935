#include "order_save.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/messages.h"
#include "order_checks.h"
#include "order_request.h"
#include "pending_orders.h"
#include "server/connection.h"
#include "store/dm_dados.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kKeepQuestion =
    u"Não foi possível falar com o servidor. Guardar o pedido para enviar depois?"_s;
// The server did answer: only the hour keeps the order back.
const QString kKeepForTheHour =
    u"O pedido está fora do horário de envio. Guardar o pedido para enviar depois?"_s;

} // namespace

bool gravar_pedido(const Context& context, TdmDados& dados, const OrderInput& order)
{
    Table& itens = dados.tblItemVenda;
    const OrderKey key = chave_pedido(context, order);
    std::optional<JsonValue> request; // as filed and posted, once it has been
    bool header = false;

    const auto keep = [&](const QString& question) {
        if (!context.messages->confirm(question)) return false;
        if (!header) gravar_venda(dados, order, context.today());
        // Kept exactly as it went out: the server takes the same order once.
        if (!request) request = arquivar_pedido(context, conectar(context).identity(), itens, order);
        guardar_pendente(context, key, *request);
        context.messages->information(u"Pedido Guardado para Envio!"_s);
        return true;
    };

    try {
        const OrderChecks checks = validar_pedido(context, itens, order.cli_id);
        // The hour may come later today or tomorrow; any other failure needs the order changed.
        if (!checks.passed()) return checks.only_time_failed() && keep(kKeepForTheHour);
    } catch (const ConnectionError& e) {
        return keep(kKeepQuestion + u"\n\n"_s + e.message());
    }

    gravar_venda(dados, order, context.today());
    header = true;
    ServerCall call = conectar(context);
    request = arquivar_pedido(context, call.identity(), itens, order);
    try {
        postar_pedido(context, call, *request, key);
    } catch (const ConnectionError& e) {
        return keep(kKeepQuestion + u"\n\n"_s + e.message());
    }
    context.messages->information(u"Pedido Criado com Sucesso!"_s);
    return true;
}
