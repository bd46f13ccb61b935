#include "order_checks.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/text.h"
#include "order_request.h"
#include "server/cache.h"
#include "server/connection.h"
#include "server/request.h"
#include "store/record_reader.h"

#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar CR = u'\r';

const JsonValue& required(const JsonValue& reply, const char* key)
{
    const JsonValue* value = reply.find(key);
    if (!value)
        throw ProtocolError(u"A resposta do servidor não traz o par \"%1\"."_s.arg(QLatin1StringView(key)));
    return *value;
}

// A value of a check's reply as the warning shows it.
QString text_of(const JsonValue* value, std::string_view fallback)
{
    return outside_text(qs(value_text(value, fallback)), 60);
}

// The objects of a failed check's list; the check cannot say what is wrong without them.
const JsonValue& list_of(const JsonValue& reply, const char* key)
{
    const JsonValue& list = required(reply, key);
    if (!list.is_array())
        throw ProtocolError(
            u"O par \"%1\" da resposta do servidor não é uma lista."_s.arg(QLatin1StringView(key)));
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!list.at(i).is_object())
            throw ProtocolError(
                u"O elemento %1 da lista \"%2\" da resposta do servidor não é um objeto."_s.arg(i).arg(
                    QLatin1StringView(key)));
    return list;
}

QString with_heading(const QString& heading, const QString& lines)
{
    return lines.isEmpty() ? QString() : heading + CR + CR + lines;
}

// One check's exchange; its reply carries no key, so there always is one. copy names a file that
// keeps the request as it was sent.
JsonValue ask(const Context& context, const std::function<JsonValue(const Identity&)>& build,
              const QString& what, const QString& copy = {})
{
    ServerCall call = conectar(context);
    const JsonValue request = build(call.identity());
    if (!copy.isEmpty()) salvar_json(context, request, copy);
    return *call.get(request, what);
}

} // namespace

CheckResult ler_estoque(const JsonValue& reply)
{
    if (text_of(&required(reply, "VALIDAR_ESTOQUE"), "") != u"SEM ESTOQUE"_s) return {};
    QString lines;
    const JsonValue& itens = list_of(reply, "ITENS");
    for (std::size_t i = 0; i < itens.size(); ++i) {
        const JsonValue& item = itens.at(i);
        lines += u'[' + text_of(item.find("PRO_ID"), "0") + u"] Disp [ "_s +
                 text_of(item.find("QTD_DISPONIVEL"), "0") + u']' + CR;
    }
    return {true, with_heading(u"**** PRODUTOS SEM ESTOQUE ****"_s, lines)};
}

CheckResult ler_financeiro(const JsonValue& reply)
{
    if (text_of(&required(reply, "VALIDAR_FINANCEIRO"), "") != u"NAO_LIBERADO"_s) return {};
    QString lines;
    const JsonValue& titulos = list_of(reply, "TITULOS");
    for (std::size_t i = 0; i < titulos.size(); ++i) {
        const JsonValue& titulo = titulos.at(i);
        lines += text_of(titulo.find("CRE_TITULO"), "") + u'-' + text_of(titulo.find("CRE_PARCELA"), "") +
                 u'[' + text_of(titulo.find("CRE_DTA_VENCIMENTO"), "") + u"] R$ "_s +
                 text_of(titulo.find("CRE_TOT_DIFERENCA"), "0") + CR;
    }
    return {true, with_heading(u"**** CLIENTE COM PENDENCIAS NO FINANCEIRO ****"_s, lines)};
}

CheckResult ler_horario(const JsonValue& reply, const Regional& regional)
{
    if (text_of(&required(reply, "VALIDAR_HORARIO"), "") != u"NAO_LIBERADO"_s) return {};
    const QString horario = text_of(&required(reply, "HORARIO"), "");
    const QString dia_bloq = text_of(&required(reply, "DIA_BLOQ"), "");
    if (dia_bloq == u"NULL"_s)
        return {true, u"SEU PEDIDO NÃO SERÁ ENVIADO ATÉ ["_s + horario + u"] DE SEGUNDA A QUINTA"_s};

    const std::optional<qint64> dia = regional.to_integer(dia_bloq);
    if (!dia)
        throw ConversionError(
            u"\"%1\" não é um dia da semana (DIA_BLOQ da resposta do servidor)."_s.arg(dia_bloq));
    static const QString dias[] = {u"DOMINGO"_s, u"SEGUNDA"_s, u"TERÇA"_s, u"QUARTA"_s,
                                   u"QUINTA"_s,  u"SEXTA"_s,   u"SABADO"_s};
    const QString nome = *dia >= 0 && *dia <= 6 ? dias[*dia] : horario;
    return {true, u"DIA DE ENVIO INVÁLIDO ["_s + nome + u']'};
}

QStringList OrderChecks::warnings() const
{
    QStringList out;
    for (const CheckResult* check : {&estoque, &financeiro, &horario})
        if (!check->message.isEmpty()) out << check->message;
    return out;
}

OrderChecks conferir_pedido(const Context& context, const JsonValue& itens_venda, const QString& cli_id)
{
    OrderChecks checks;
    checks.estoque = ler_estoque(ask(
        context, [&](const Identity& id) { return requests::validar_estoque(id, itens_venda); }, u"estoque"_s,
        u"ts.txt"_s));
    checks.financeiro = ler_financeiro(ask(
        context, [&](const Identity& id) { return requests::validar_financeiro(id, cli_id); },
        u"financeiro"_s));
    checks.horario =
        ler_horario(ask(
                        context, [](const Identity& id) { return requests::validar_hora_envio(id); },
                        u"horário de envio"_s),
                    context.regional);
    return checks;
}

OrderChecks validar_pedido(const Context& context, Table& tblItemVenda, const QString& cli_id)
{
    const OrderChecks checks =
        conferir_pedido(context, itens_estoque(tblItemVenda, context.regional), cli_id);
    for (const QString& warning : checks.warnings()) {
        context.messages->beep();
        context.messages->warning(warning);
    }
    return checks;
}
