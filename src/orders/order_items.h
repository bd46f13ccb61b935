#pragma once

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
    double qtd = 0;
    double vlr = 0;
    QString descricao;
};

// Appends the item under its order, numbered after the order's visible items. Returns what the
// order total grows by (price times quantity). A row whose values fail to convert is dropped and
// the error raised.
double incluir_item(Table& tblItemVenda, const ItemInput& item);

// Deletes the current item without asking. Returns what the order total falls by (quantity times
// price); nullopt when no item is selected.
std::optional<double> excluir_item(Table& tblItemVenda);

// Makes current the first price table with this name. The combo shows names in capitals, so letter
// case is ignored. False for an empty name or none found.
bool localizar_tabela(Table& tblTabela, const QString& name);

struct TablePrice {
    double vlr_venda = 0;
    int tab_id = 0;
};
// The product's price in the named table, when that table has one.
std::optional<TablePrice> preco_tabela(TdmDados& dados, const QString& tabela, const QString& pro_id);
