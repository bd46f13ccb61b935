#pragma once

#include "core/money.h"

#include <QString>

#include <optional>

class Table;
class TdmDados;

// Shows only the items filed under this order number.
void filtrar_itens(Table& tblItemVenda, const QString& pedido);

// An item as the product inputs hold it.
struct ItemInput {
    QString pedido;
    QString tab_id;
    QString pro_id;
    Money qtd;
    Money vlr;
    QString descricao;
};

// Appends the item under its order, numbered after the order's visible items. Returns the item's
// amount, quantity times price rounded once to four decimals, which is what the order total grows
// by. A row whose values fail to convert is dropped and the error raised.
Money incluir_item(Table& tblItemVenda, const ItemInput& item);
// Deletes the current item without asking. Returns what the order total falls by: the amount the
// item added. nullopt when no item is selected.
std::optional<Money> excluir_item(Table& tblItemVenda);

// Makes current the first price table with this name. The combo shows names in capitals, so letter
// case is ignored. False for an empty name or none found.
bool localizar_tabela(Table& tblTabela, const QString& name);

struct TablePrice {
    Money valor;
    int tab_id = 0;
};
// The product's price in the named table, when that table has one.
std::optional<TablePrice> preco_tabela(TdmDados& dados, const QString& tabela, const QString& pro_id);
