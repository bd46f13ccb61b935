#pragma once

#include "orders/order_items.h"
#include "orders/pending_orders.h"
#include "server/json_value.h"

#include <QDate>
#include <QString>

#include <array>

class Table;
class TdmDados;
struct Context;
struct Regional;
struct Identity;
class ServerCall;

// The order on the screen, as the save action reads it.
struct OrderInput {
    QString pedido;
    QString cli_id;
    QString pagamento;
    // The eight instalment terms, in days.
    std::array<double, 8> parcelas{};
    QDate entrega;
    Money taxa_entrega;
    Money tot_pedido;
    // Lines separated by CR LF.
    QString observacao;
    // The price table's name as the combo shows it.
    QString tabela;
};

// Day zero of the date system: what an empty delivery date reads as (30/12/1899).
QDate dia_zero();

// "ITENS_VENDA" of the stock check: one {"PRO_ID","IVEN_QTD_PRODUTO"} per visible item.
JsonValue itens_estoque(Table& tblItemVenda, const Regional& regional);

// The first eight pairs of "VENDA0", added to venda, which is returned.
JsonValue montar_venda(JsonValue venda, const OrderInput& order, const Regional& regional);
// One object per visible item, "IVEN_ORDEM" counted from 1 in the walk.
JsonValue montar_itens(Table& tblItemVenda, const QString& pedido, const Regional& regional);
// One object for edtP1 when it is 0 or more, one for each of the others when above 0.
JsonValue montar_financeiro(const OrderInput& order);
// The whole "NOVO_PEDIDO" request.
JsonValue pedido_request(const Identity& identity, const OrderInput& order, Table& tblItemVenda,
                         const Regional& regional);

// historico_vendas\venda_<pedido>_<DDMMYY>.json, relative to the data folder.
QString nome_historico(const QString& pedido, const QDate& today);

// Appends the order's header to tblVenda. Raises ConversionError for a client code that is no
// whole number.
void gravar_venda(TdmDados& dados, const OrderInput& order, const QDate& today);

// The order's key in the order history: its number and today.
OrderKey chave_pedido(const Context& context, const OrderInput& order);

// Builds the request with the identity of a call and files its copy in the order history, before
// any connection is opened, so that it exists whether or not the post goes through. Returns the
// request. Raises FileError when the copy cannot be written.
JsonValue arquivar_pedido(const Context& context, const Identity& identity, Table& tblItemVenda,
                          const OrderInput& order);

// Posts an order's request, marked as under way in the order history until the post has returned.
// Raises ServerError (ConnectionError when the server could not be reached) when the post fails.
void postar_pedido(const Context& context, ServerCall& call, const JsonValue& request, const OrderKey& key);
