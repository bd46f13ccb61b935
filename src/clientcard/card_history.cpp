#include "card_history.h"

#include "core/errors.h"
#include "core/text.h"
#include "server/cache.h"
#include "server/connection.h"
#include "store/dm_dados.h"
#include "store/record_reader.h"
#include "store/table.h"

using namespace Qt::StringLiterals;

const char* const kFiltroFinanceiro =
    "AND cre_pagamento = 'BOLETO' AND ((cre_status = 'Em Aberto') or (cre_status = 'Comprado'))";

namespace {

const FieldMapping kReceivable[] = {
    {"CRE_ID", "cre_id", "0"},
    {"CRE_TITULO", "cre_titulo", ""},
    {"CRE_PARCELA", "cre_parcela", ""},
    {"CRE_STATUS", "cre_status", ""},
    {"CRE_PAGAMENTO", "cre_pagamento", ""},
    {"CRE_DTA_VENCIMENTO", "cre_dta_vencimento", ""},
    {"CRE_DTA_EMISSAO", "cre_dta_emissao", ""},
    {"CRE_VLR_RECEBER", "cre_valor", "0"},
};

const FieldMapping kSale[] = {
    {"NFE_NOTA", "ven_nota_base", "0"},           {"NFE_PEDIDO", "ven_pedido", "NULL"},
    {"NFE_DTA_CADASTRO", "ven_dta_cadastro", ""}, {"NFE_TOT_NOTA", "ven_tot_mercadoria", "0"},
    {"NFE_TOT_NOTA", "ven_tot_nota", "0"},
};

const FieldMapping kSaleItem[] = {
    {"INFE_ID", "infe_id", "NULL"},
    {"NFE_PEDIDO", "ven_pedido", "0"},
    {"PRO_ID", "pro_id", "0"},
    {"INFE_QTD_PRODUTO", "iven_qtd_produto", "0"},
    {"INFE_VLR_PRODUTO", "iven_vlr_produto", "0"},
};

std::optional<JsonValue> fetch(const Context& context, Identity& identity,
                               JsonValue (*build)(const Identity&, const QString&), const QString& cli_id,
                               const QString& what, const QString& copy)
{
    ServerCall call = conectar(context);
    identity = call.identity();
    std::optional<JsonValue> reply = call.get(build(call.identity(), cli_id), what);
    if (reply) salvar_json(context, *reply, copy);
    return reply;
}

JsonValue hist_financeiro(const Identity& id, const QString& cli_id)
{
    return requests::hist_financeiro(id, cli_id, QString::fromLatin1(kFiltroFinanceiro));
}

} // namespace

void receivables_from_reply(TdmDados& dados, const JsonValue& reply, const QString& cli_id)
{
    const JsonValue* titulos = reply.find("TITULOS");
    if (!titulos || !titulos->is_object())
        throw ProtocolError(
            u"A resposta do servidor não traz a lista \"TITULOS\"; nenhum título foi carregado."_s);
    Table& t = dados.tblReceber;
    const RecordWriter writer(t, kReceivable);
    const int cli = t.field_index(u"cli_id");
    NumberedMembers entries(*titulos, "FINANCEIRO", titulos->size(), "financeiro");
    for (std::size_t i = 0; i < entries.count(); ++i) {
        const JsonValue& entry = entries.at(i);
        const JsonValue* id = entry.find("CRE_ID");
        if (!id || id->is_null())
            throw ProtocolError(
                u"Dados inválidos em financeiro: o título \"FINANCEIRO%1\" não traz \"CRE_ID\". "
                "A carga foi interrompida; os títulos anteriores foram mantidos."_s.arg(i));
        if (value_text(id, {}) == "NULL") continue;
        t.append();
        post_row(t, [&] {
            t.set_text(cli, QStringView(cli_id));
            writer.write(entry);
        });
    }
}

void load_sales(TdmDados& dados, const JsonValue& reply, const QString& cli_id)
{
    if (reply.size() < 2) return;
    Table& sales = dados.tblHistVenda;
    Table& items = dados.tblItemHVenda;
    Table& products = dados.tblProduto;
    const RecordWriter sale_writer(sales, kSale);
    const RecordWriter item_writer(items, kSaleItem);
    const int sale_cli = sales.field_index(u"cli_id");
    const int item_description = items.field_index(u"pro_descricao");
    const int product_description = products.field_index(u"pro_descricao");
    NumberedMembers list(reply, "VENDA", reply.size() - 1, "histórico de vendas");
    bool loaded = false;
    for (std::size_t i = 0; i < list.count(); ++i) {
        const JsonValue& sale = list.at(i);
        if (value_text(sale.find("NFE_PEDIDO"), "NULL") == "NULL") continue;
        const JsonValue* item_list = sale.find("ITEM_VENDA");
        if (!item_list || !item_list->is_array())
            throw ProtocolError(
                u"Dados inválidos no histórico de vendas: a venda \"VENDA%1\" não traz a lista "
                "\"ITEM_VENDA\". A carga foi interrompida; as vendas anteriores foram mantidas."_s.arg(i));
        loaded = true;
        sales.append();
        post_row(sales, [&] {
            sales.set_text(sale_cli, QStringView(cli_id));
            sale_writer.write(sale);
        });
        for (std::size_t k = 0; k < item_list->size(); ++k) {
            const JsonValue& item = item_list->at(k);
            if (!item.is_object() || value_text(item.find("INFE_ID"), "NULL") == "NULL") continue;
            items.append();
            post_row(items, [&] {
                item_writer.write(item);
                // A product id that is not a whole number finds no product: the description stays empty.
                const std::string_view pro_id = value_text(item.find("PRO_ID"), "0");
                QString description;
                if (products.locate(u"pro_id", QVariant(qs(pro_id))))
                    description = products.as_text(product_description);
                items.set_text(item_description, QStringView(description));
            });
        }
    }
    // Loading a sale leaves the product table unfiltered, as a search of the products would.
    if (loaded) {
        products.set_filter(QString());
        products.set_filtered(false);
    }
}

bool carregar_financeiro(const Context& context, TdmDados& dados, const QString& cli_id, Identity& identity)
{
    // A card shows only its own client's receivables.
    dados.tblReceber.empty();
    const std::optional<JsonValue> reply =
        fetch(context, identity, &hist_financeiro, cli_id, u"títulos do cliente"_s, u"financeiro.json"_s);
    if (!reply) return false;
    receivables_from_reply(dados, *reply, cli_id);
    return true;
}

bool carregar_vendas(const Context& context, TdmDados& dados, const QString& cli_id, Identity& identity)
{
    dados.tblHistVenda.empty();
    dados.tblItemHVenda.empty();
    const std::optional<JsonValue> reply =
        fetch(context, identity, &requests::hist_venda, cli_id, u"vendas do cliente"_s, u"histvendas.json"_s);
    if (!reply) return false;
    load_sales(dados, *reply, cli_id);
    return true;
}
