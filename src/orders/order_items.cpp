#include "order_items.h"

#include "store/dm_dados.h"
#include "store/record_reader.h"
#include "store/table.h"

using namespace Qt::StringLiterals;

void filtrar_itens(Table& tblItemVenda, const QString& pedido)
{
    tblItemVenda.set_filter(u"ven_pedido = "_s + pedido);
    tblItemVenda.set_filtered(true);
}

Money incluir_item(Table& tblItemVenda, const ItemInput& item)
{
    const int iven_id = tblItemVenda.record_count() + 1;
    const Money total = item.qtd * item.vlr;
    tblItemVenda.append();
    post_row(tblItemVenda, [&] {
        tblItemVenda.set_text(u"ven_pedido", item.pedido);
        tblItemVenda.set_integer(u"iven_id", iven_id);
        tblItemVenda.set_text(u"marca", QString());
        tblItemVenda.set_text(u"tab_id", item.tab_id);
        tblItemVenda.set_text(u"pro_id", item.pro_id);
        tblItemVenda.set_money(u"iven_qtd_produto", item.qtd);
        tblItemVenda.set_money(u"iven_vlr_produto", item.vlr);
        tblItemVenda.set_text(u"pro_descricao", item.descricao);
        tblItemVenda.set_money(u"iven_total", total);
    });
    return total;
}

std::optional<Money> excluir_item(Table& tblItemVenda)
{
    if (tblItemVenda.as_integer(u"iven_id") < 1) return std::nullopt;
    // The same product, rounded the same way, as the addition: the total comes back to the cent.
    const Money amount =
        tblItemVenda.as_money(u"iven_qtd_produto") * tblItemVenda.as_money(u"iven_vlr_produto");
    tblItemVenda.delete_current();
    return amount;
}

bool localizar_tabela(Table& tblTabela, const QString& name)
{
    if (name.isEmpty()) return false;
    for (tblTabela.first(); !tblTabela.eof(); tblTabela.next())
        if (tblTabela.as_text(u"tab_descricao").compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

std::optional<TablePrice> preco_tabela(TdmDados& dados, const QString& tabela, const QString& pro_id)
{
    if (tabela.isEmpty() || !localizar_tabela(dados.tblTabela, tabela)) return std::nullopt;
    const int tab_id = dados.tblTabela.as_integer(u"tab_id");
    if (pro_id.isEmpty() || !dados.tblTabProd.locate(u"tab_id;pro_id", {QVariant(tab_id), QVariant(pro_id)}))
        return std::nullopt;
    const Money valor = dados.tblTabProd.as_money(u"tap_vlr_venda");
    return TablePrice{valor, tab_id};
}
