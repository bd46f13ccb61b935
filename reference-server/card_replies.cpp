#include "card_replies.h"

#include "database.h"
#include "formats.h"
#include "identity.h"
#include "receivable_filter.h"
#include "request_error.h"
#include "request_values.h"
#include "server/json_value.h"

using namespace std::chrono;

namespace {

JsonValue text(std::string_view value)
{
    return JsonValue::string(value);
}

} // namespace

void write_hist_financeiro_reply(const Call& call, std::string& out)
{
    const std::int64_t cli_id = own_client(call, call.requisicao);
    const auto filter = [&] {
        try {
            return ReceivableFilter(pair_text(call.requisicao, "FILTRO"));
        } catch (const ReceivableFilter::Invalid& e) {
            throw RequestError(400, e.what());
        }
    }();

    auto rows = call.db.prepare(
        "SELECT cre_id, cre_titulo, cre_parcela, cre_status, cre_pagamento, cre_dta_vencimento, "
        "cre_dta_emissao, cre_valor_centavos - cre_pago_centavos FROM receber "
        "WHERE emp_codigo = ? AND cli_id = ? ORDER BY cre_dta_vencimento, cre_id");
    rows.bind_all(call.vendedor.empresa, cli_id);
    JsonValue titulos = JsonValue::object();
    while (rows.step()) {
        if (!filter.matches(rows.text(3), rows.text(4))) continue;
        JsonValue titulo = JsonValue::object();
        titulo.insert("CRE_ID", text(std::to_string(rows.integer(0))));
        titulo.insert("CRE_TITULO", text(rows.text(1)));
        titulo.insert("CRE_PARCELA", text(rows.text(2)));
        titulo.insert("CRE_STATUS", text(rows.text(3)));
        titulo.insert("CRE_PAGAMENTO", text(rows.text(4)));
        titulo.insert("CRE_DTA_VENCIMENTO", text(br_date(parse_iso_date(rows.text(5)))));
        titulo.insert("CRE_DTA_EMISSAO", text(br_date(parse_iso_date(rows.text(6)))));
        // What is still to be received, which is what the slip charges.
        titulo.insert("CRE_VLR_RECEBER", text(money_text(rows.integer(7))));
        titulos.insert("FINANCEIRO" + std::to_string(titulos.size()), std::move(titulo));
    }

    JsonValue reply = JsonValue::object();
    reply.insert("TITULOS", std::move(titulos));
    write_reply(call, reply, out);
}

void write_hist_venda_reply(const Call& call, std::string& out)
{
    const std::int64_t cli_id = own_client(call, call.requisicao);
    const std::int64_t days_back = required_whole(call.requisicao, "QTD_DIAS");
    if (days_back < 0 || days_back > 36600)
        throw RequestError(400, "Valor inválido em \"QTD_DIAS\": esperado de 0 a 36600");

    auto sales =
        call.db.prepare("SELECT nfe_pedido, nfe_nota, nfe_dta_cadastro, nfe_total_centavos FROM nota "
                        "WHERE emp_codigo = ? AND cli_id = ? AND nfe_dta_cadastro >= ? "
                        "ORDER BY nfe_dta_cadastro DESC, nfe_pedido DESC");
    sales.bind_all(call.vendedor.empresa, cli_id, iso_date(call.now.day - days(days_back)));
    auto items =
        call.db.prepare("SELECT infe_id, pro_id, infe_qtd_produto, infe_valor_centavos FROM item_nota "
                        "WHERE emp_codigo = ? AND nfe_pedido = ? ORDER BY infe_ordem");

    // Newest first: the card lists them in the order received.
    JsonValue reply = JsonValue::object();
    while (sales.step()) {
        const std::string pedido = std::to_string(sales.integer(0));
        JsonValue sale = JsonValue::object();
        sale.insert("NFE_PEDIDO", text(pedido));
        sale.insert("NFE_NOTA", text(std::to_string(sales.integer(1))));
        sale.insert("NFE_DTA_CADASTRO", text(br_date(parse_iso_date(sales.text(2)))));
        sale.insert("NFE_TOT_NOTA", text(money_text(sales.integer(3))));
        JsonValue list = JsonValue::array();
        items.bind_all(call.vendedor.empresa, sales.integer(0));
        while (items.step()) {
            JsonValue item = JsonValue::object();
            item.insert("INFE_ID", text(std::to_string(items.integer(0))));
            item.insert("NFE_PEDIDO", text(pedido));
            item.insert("PRO_ID", text(std::to_string(items.integer(1))));
            item.insert("INFE_QTD_PRODUTO", text(quantity_text(items.real(2))));
            item.insert("INFE_VLR_PRODUTO", text(money_text(items.integer(3))));
            list.push_back(std::move(item));
        }
        items.reset();
        sale.insert("ITEM_VENDA", std::move(list));
        reply.insert("VENDA" + std::to_string(reply.size()), std::move(sale));
    }
    write_reply(call, reply, out);
}
