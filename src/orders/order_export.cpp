#include "order_export.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/text.h"
#include "order_checks.h"
#include "pending_orders.h"
#include "server/connection.h"
#include "server/request.h"
#include "store/record_reader.h"

using namespace Qt::StringLiterals;

namespace {

// The stock check's items from the kept request: the same product codes and quantities, as they
// were written when the order was saved.
JsonValue itens_estoque(const JsonValue& venda)
{
    JsonValue out = JsonValue::array();
    const JsonValue* itens = venda.find("ITENS_VENDA");
    if (!itens || !itens->is_array()) return out;
    for (std::size_t i = 0; i < itens->size(); ++i) {
        const JsonValue& item = itens->at(i);
        if (!item.is_object()) continue;
        JsonValue check = JsonValue::object();
        add_text_pair(check, "PRO_ID", qs(value_text(item.find("PRO_ID"), "")));
        add_text_pair(check, "IVEN_QTD_PRODUTO", qs(value_text(item.find("IVEN_QTD_PRODUTO"), "")));
        out.push_back(std::move(check));
    }
    return out;
}

class Run {
public:
    explicit Run(const Context& context) : context_(context) {}

    // False when the server could not be reached: the run stops.
    bool send(const OrderKey& key)
    {
        prefix_ = u"PEDIDO "_s + key.pedido + u": "_s;
        try {
            const JsonValue request = ler_pendente(context_, key);
            const JsonValue& venda = *request.find("VENDA0");
            const QString cli_id = qs(value_text(venda.find("CLI_ID"), ""));
            const OrderChecks checks = conferir_pedido(context_, itens_estoque(venda), cli_id);
            if (!checks.passed()) {
                report_checks(checks);
                return true;
            }
            ServerCall call = conectar(context_);
            call.post(request, u"pedido "_s + key.pedido);
            // Sent, even should the file stay behind: the server would take it once again.
            ++result.enviados;
            pendente_enviado(context_, key);
        } catch (const ConnectionError& e) {
            note(e.message());
            note(u"ENVIO INTERROMPIDO: os pedidos seguintes continuam pendentes."_s);
            return false;
        } catch (const Error& e) {
            note(e.message());
        }
        return true;
    }

    ExportResult result;

private:
    void note(const QString& line) { result.detalhes << prefix_ + line; }

    void report_checks(const OrderChecks& checks)
    {
        const std::pair<const CheckResult*, QString> all[] = {
            {&checks.estoque, u"estoque"_s},
            {&checks.financeiro, u"financeiro"_s},
            {&checks.horario, u"horário de envio"_s},
        };
        for (const auto& [check, name] : all) {
            if (!check->failed) continue;
            if (check->message.isEmpty()) {
                note(u"NÃO LIBERADO (%1)"_s.arg(name));
                continue;
            }
            for (const QString& line : check->message.split(u'\r', Qt::SkipEmptyParts))
                note(line);
        }
    }

    const Context& context_;
    QString prefix_;
};

} // namespace

ExportResult exportar_vendas(const Context& context)
{
    Run run(context);
    for (const OrderKey& key : pedidos_pendentes(context))
        if (!run.send(key)) break;
    run.result.pendentes = static_cast<int>(pedidos_pendentes(context).size());
    return run.result;
}
