#pragma once

#include "core/money.h"

#include "orders/pending_orders.h"

#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class JsonParser;
class TdmDados;
struct Context;

// An order as its copy in historico_vendas holds it. The copy may have been edited by hand or
// damaged: a value that is missing or cannot be read is left empty (an absent number, an invalid
// date) rather than guessed.
struct OrderItemCopy {
    QString pro_id;
    std::optional<Money> quantidade;
    std::optional<Money> preco;
    // quantidade × preco, when both are known.
    std::optional<Money> valor;
};

struct OrderCopy {
    // From the file's name.
    QString pedido;
    QDate dia;

    QString empresa;
    QString vendedor; // the salesperson id
    QString cli_id;
    QString pagamento; // empty for "NULL"
    // Instalment terms in days, as written ("0", "30", "60").
    QStringList parcelas;
    QDate entrega;      // invalid when there is none (30/12/1899)
    QString observacao; // lines separated by CR LF
    QList<OrderItemCopy> itens;
    std::optional<Money> tot_mercadoria;
    std::optional<Money> tot_nota;
};

// A number written with either decimal separator ("150,00", "150.00"); with both, the last one is
// the decimal separator and the others group thousands. Nothing for anything else.
std::optional<Money> ler_numero(QStringView text);

// Reads the bytes of a copy (ANSI, or UTF-8/UTF-16 after a byte-order mark). The number and day
// come from key; shown names the file in the errors. Raises FileError when the bytes are not an
// order request.
OrderCopy ler_copia(QByteArrayView bytes, const OrderKey& key, const QString& shown);
OrderCopy ler_copia(QByteArrayView bytes, const OrderKey& key, const QString& shown, JsonParser& parser);

// Reads the copy of an order from historico_vendas; an order without a copy that waits to be sent is
// read from the request kept for it. Raises FileError naming the file when neither can be read.
OrderCopy ler_copia_pedido(const Context& context, const OrderKey& key);

// One row of the salesperson's order list.
struct OrderListRow {
    OrderKey key;
    QString pedido;
    QString data;     // dd/mm/aaaa
    QString cliente;  // "12 - RAZAO SOCIAL", or the code alone when the client is not in the catalogue
    QString total;    // goods total, "0.00" with the regional decimal separator
    QString situacao; // texto_situacao
};

// Every order of historico_vendas, newest first (by day, then by number). An order whose copy
// cannot be read is listed all the same, with an empty client and total.
QList<OrderListRow> linhas_pedidos(const Context& context, TdmDados& dados);
