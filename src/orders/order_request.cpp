#include "order_request.h"

#include "core/context.h"
#include "core/regional.h"
#include "order_dates.h"
#include "order_items.h"
#include "server/cache.h"
#include "server/connection.h"
#include "server/request.h"
#include "settings/settings.h"
#include "store/dm_dados.h"
#include "store/record_reader.h"
#include "store/table.h"

using namespace Qt::StringLiterals;

QDate dia_zero()
{
    return QDate(1899, 12, 30);
}

namespace {

QString or_null(const QString& text)
{
    return text.isEmpty() ? u"NULL"_s : text;
}

} // namespace

JsonValue itens_estoque(Table& tblItemVenda, const Regional& regional)
{
    JsonValue itens = JsonValue::array();
    for (tblItemVenda.first(); !tblItemVenda.eof(); tblItemVenda.next()) {
        JsonValue item = JsonValue::object();
        add_text_pair(item, "PRO_ID", tblItemVenda.as_text(u"pro_id"));
        add_text_pair(item, "IVEN_QTD_PRODUTO",
                      regional.format_money(tblItemVenda.as_money(u"iven_qtd_produto"), 2));
        itens.push_back(std::move(item));
    }
    return itens;
}

JsonValue montar_venda(JsonValue venda, const OrderInput& order, const Regional& regional)
{
    add_text_pair(venda, "CLI_ID", order.cli_id);
    add_text_pair(venda, "PEDIDO", order.pedido);
    add_text_pair(venda, "VEN_PAGAMENTO", or_null(order.pagamento));
    add_text_pair(venda, "VEN_DTA_ENTREGA", regional.format_date(order.entrega, u"dd/MM/yyyy"_s));
    add_text_pair(venda, "VEN_TOT_MERCADORIA", regional.format_money(order.tot_pedido, 2));
    // The server takes the goods total as the invoice total; the delivery fee is not sent.
    add_text_pair(venda, "VEN_TOT_NOTA", regional.format_money(order.tot_pedido, 2));
    add_text_pair(venda, "VEN_OBSERVACAO", or_null(order.observacao));
    // Each item carries its own price table.
    add_text_pair(venda, "TAB_ID", u"0"_s);
    return venda;
}

JsonValue montar_itens(Table& tblItemVenda, const QString& pedido, const Regional& regional)
{
    JsonValue itens = JsonValue::array();
    int ordem = 1;
    for (tblItemVenda.first(); !tblItemVenda.eof(); tblItemVenda.next()) {
        JsonValue item = JsonValue::object();
        add_text_pair(item, "VEN_ID", pedido);
        add_text_pair(item, "PRO_ID", tblItemVenda.as_text(u"pro_id"));
        add_text_pair(item, "IVEN_ORDEM", QString::number(ordem));
        add_text_pair(item, "IVEN_QTD_PRODUTO",
                      regional.format_money(tblItemVenda.as_money(u"iven_qtd_produto"), 2));
        add_text_pair(item, "IVEN_VLR_PRODUTO",
                      regional.format_money(tblItemVenda.as_money(u"iven_vlr_produto"), 2));
        add_text_pair(item, "IVEN_VLR_FLEX",
                      regional.format_money(tblItemVenda.as_money(u"iven_vlr_flex"), 2));
        add_text_pair(item, "MARCA", or_null(tblItemVenda.as_text(u"marca")));
        const QString tab_id = tblItemVenda.as_text(u"tab_id");
        add_text_pair(item, "TAB_ID", tab_id.isEmpty() ? u"0"_s : tab_id);
        itens.push_back(std::move(item));
        ++ordem;
    }
    return itens;
}

JsonValue montar_financeiro(const OrderInput& order)
{
    JsonValue financeiro = JsonValue::array();
    for (const int prazo : prazos_pedido(order.parcelas)) {
        JsonValue item = JsonValue::object();
        add_text_pair(item, "CRE_PAGAMENTO", or_null(order.pagamento));
        add_text_pair(item, "CRE_PARCELA", QString::number(prazo));
        financeiro.push_back(std::move(item));
    }
    return financeiro;
}

JsonValue pedido_request(const Identity& identity, const OrderInput& order, Table& tblItemVenda,
                         const Regional& regional)
{
    JsonValue venda = montar_venda(JsonValue::object(), order, regional);
    add_text_pair(venda, "VEN_ID", identity.id_vendedor);
    add_text_pair(venda, "EMPRESA", identity.empresa);
    venda.insert("ITENS_VENDA", montar_itens(tblItemVenda, order.pedido, regional));
    venda.insert("FINANCEIRO", montar_financeiro(order));
    return requests::novo_pedido(identity, std::move(venda));
}

QString nome_historico(const QString& pedido, const QDate& today)
{
    return stem_pedido({pedido, today}) + u".json"_s;
}

void gravar_venda(TdmDados& dados, const OrderInput& order, const QDate& today)
{
    int tab_id = 0;
    if (!order.tabela.isEmpty()) {
        if (localizar_tabela(dados.tblTabela, order.tabela)) tab_id = dados.tblTabela.as_integer(u"tab_id");
    }

    Table& venda = dados.tblVenda;
    venda.append();
    post_row(venda, [&] {
        venda.set_text(u"ven_pedido", order.pedido);
        venda.set_text(u"cli_id", order.cli_id);
        venda.set_text(u"ven_pagamento", order.pagamento);
        for (std::size_t i = 0; i < order.parcelas.size(); ++i)
            venda.set_currency(QString(u"ven_parc"_s + QString::number(i + 1)), order.parcelas[i]);
        venda.set_date(u"ven_dta_cadastro", today);
        venda.set_date(u"ven_dta_entrega", order.entrega);
        venda.set_money(u"ven_tot_frete", order.taxa_entrega);
        venda.set_money(u"ven_tot_mercadoria", order.tot_pedido);
        venda.set_money(u"ven_tot_nota", order.tot_pedido + order.taxa_entrega);
        venda.set_text(u"ven_observacao", order.observacao);
        venda.set_text(u"ven_status", u"Pendente"_s);
        venda.set_integer(u"tab_id", tab_id);
    });
}

OrderKey chave_pedido(const Context& context, const OrderInput& order)
{
    return {order.pedido, context.today()};
}

JsonValue arquivar_pedido(const Context& context, const Identity& identity, Table& tblItemVenda,
                          const OrderInput& order)
{
    JsonValue request = pedido_request(identity, order, tblItemVenda, context.regional);
    salvar_json(context, request, nome_historico(order.pedido, context.today()));
    return request;
}

void postar_pedido(const Context& context, ServerCall& call, const JsonValue& request, const OrderKey& key)
{
    marcar_enviando(context, key);
    call.post(request, u"pedido"_s);
    envio_concluido(context, key);
}
