#pragma once

#include "core/money.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class TdmDados;
struct Regional;

// What the early warnings of the order screen look at, besides the order's items in tblItemVenda.
struct AlertInput {
    QString cli_id;
    Money total;
    QString tabela; // the price table's name as the combo shows it
    QList<int> mix; // the products of the chosen client's purchase mix
    QDate entrega;  // the delivery date typed, invalid when none (or half typed)
    QDate hoje;
};

// The early warnings of an order, one line each, in this order: a delivery date before today, the
// client's credit limit, each product short of stock in the catalogue, each item priced below the
// chosen table, and the mix products left out. They block nothing: the server decides. The tables' current
// rows are left where they were.
QStringList alertas_pedido(TdmDados& dados, const AlertInput& input, const Regional& regional);
