#include "order_alerts.h"

#include "core/errors.h"
#include "core/regional.h"
#include "order_items.h"
#include "store/catalogue_lookup.h"
#include "store/dm_dados.h"

#include <QHash>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

struct Item {
    int pro_id = 0;
    QString descricao;
    Money qtd;
    Money preco;
};

// The order's items, the current row put back afterwards (the item grid deletes the current one).
QList<Item> itens(Table& tblItemVenda)
{
    QList<Item> out;
    const int was = tblItemVenda.current_visible();
    for (tblItemVenda.first(); !tblItemVenda.eof(); tblItemVenda.next())
        out.append({tblItemVenda.as_integer(u"pro_id"), tblItemVenda.as_text(u"pro_descricao"),
                    tblItemVenda.as_money(u"iven_qtd_produto"), tblItemVenda.as_money(u"iven_vlr_produto")});
    tblItemVenda.set_current_visible(was);
    return out;
}

std::optional<Money> amount(const QString& text, const Regional& regional)
{
    return Money::parse(text, regional.decimal_separator);
}

// A quantity as a whole number when it is one (6), else with two decimals.
QString quantidade(Money q, const Regional& regional)
{
    return q.format(q.units() % Money::kScale == 0 ? 0 : 2, regional.decimal_separator);
}

QString reais(Money m, const Regional& regional)
{
    return u"R$ "_s + m.format(2, regional.decimal_separator);
}

} // namespace

QStringList alertas_pedido(TdmDados& dados, const AlertInput& input, const Regional& regional)
{
    QStringList out;
    if (input.entrega.isValid() && input.entrega < input.hoje) out << u"DATA DE ENTREGA ANTERIOR A HOJE"_s;
    if (!input.cli_id.isEmpty()) {
        CatalogueLookup clientes(dados.tblCliente, u"cli_id"_s);
        if (clientes.find(input.cli_id)) {
            const std::optional<Money> limite =
                amount(dados.tblCliente.as_text(u"cli_limite_credito"), regional);
            if (limite && *limite > Money() && input.total > *limite)
                out << u"LIMITE DE CRÉDITO EXCEDIDO: PEDIDO "_s + reais(input.total, regional) +
                           u" / LIMITE "_s + reais(*limite, regional);
        }
    }

    const QList<Item> items = itens(dados.tblItemVenda);
    // Quantities per product, in the order the products first appear.
    QList<int> order;
    QHash<int, Money> wanted;
    QHash<int, QString> names;
    for (const Item& item : items) {
        if (!wanted.contains(item.pro_id)) {
            order << item.pro_id;
            names.insert(item.pro_id, item.descricao);
        }
        wanted[item.pro_id] += item.qtd;
    }
    {
        CatalogueLookup produtos(dados.tblProduto, u"pro_id"_s);
        for (const int pro_id : order) {
            if (!produtos.find(QString::number(pro_id))) continue;
            const std::optional<Money> estoque =
                amount(dados.tblProduto.as_text(u"pro_qtd_estoque"), regional);
            if (!estoque || wanted[pro_id] <= *estoque) continue;
            out << u"ESTOQUE: ["_s + QString::number(pro_id) + u"] "_s + names[pro_id] + u" PEDIDO "_s +
                       quantidade(wanted[pro_id], regional) + u" DISPONÍVEL "_s +
                       quantidade(*estoque, regional);
        }
    }

    if (!input.tabela.isEmpty()) {
        for (const Item& item : items) {
            std::optional<TablePrice> tabela;
            try {
                tabela = preco_tabela(dados, input.tabela, QString::number(item.pro_id));
            } catch (const Error&) {
                continue; // a table price that does not read warns nothing
            }
            if (!tabela) continue;
            const Money preco_tabela = tabela->valor;
            if (item.preco < preco_tabela)
                out << u"PREÇO ABAIXO DA TABELA: ["_s + QString::number(item.pro_id) + u"] "_s +
                           item.descricao + u" "_s + reais(item.preco, regional) + u" < "_s +
                           reais(preco_tabela, regional);
        }
    }

    if (!items.isEmpty()) {
        QSet<int> fora;
        CatalogueLookup produtos(dados.tblProduto, u"pro_id"_s);
        for (const int pro_id : input.mix)
            if (!wanted.contains(pro_id) && produtos.find(QString::number(pro_id))) fora.insert(pro_id);
        if (!fora.isEmpty())
            out << u"MIX: "_s + QString::number(fora.size()) + u" PRODUTO(S) DO MIX FORA DO PEDIDO"_s;
    }
    return out;
}
