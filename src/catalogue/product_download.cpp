#include "product_download.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/text.h"
#include "record_reader.h"
#include "server/cache.h"
#include "server/connection.h"
#include "store/dm_dados.h"

using namespace Qt::StringLiterals;

namespace {

const QString kTabelas = u"tabelas.json"_s;
const QString kProdutos = u"produtos.json"_s;

const FieldMapping kTable[] = {
    {"TAB_ID", "tab_id", "0"},
    {"TAB_DESCRICAO", "tab_descricao", ""},
};

// Index 0: start-up, 1: list refresh.
const FieldMapping kProduct[2][11] = {
    {
        {"PRO_ID", "pro_id", "0"},
        {"PRO_DESCRICAO", "pro_descricao", ""},
        {"PRO_VLR_VENDA", "pro_vlr_venda", ""},
        {"PRO_VLR_CUSTO", "pro_vlr_custo", ""},
        {"PRO_QTD_ESTOQUE", "pro_qtd_estoque", ""},
        {"EMB_UNIDADE", "emb_unidade", ""},
        {"MAR_DESCRICAO", "mar_descricao", ""},
        {"GRU_DESCRICAO", "gru_descricao", ""},
        {"SUB_DESCRICAO", "sub_descricao", ""},
        {"PRO_IMAGEM", "pro_imagem", ""},
        {"PRO_CONTROL_FLEX", "pro_control_flex", "", FieldMapping::Read::FirstCharacter},
    },
    {
        {"PRO_ID", "pro_id", "0"},
        {"PRO_DESCRICAO", "pro_descricao", "NULL"},
        {"PRO_VLR_VENDA", "pro_vlr_venda", "NULL"},
        {"PRO_VLR_CUSTO", "pro_vlr_custo", "NULL"},
        {"PRO_QTD_ESTOQUE", "pro_qtd_estoque", "NULL"},
        {"EMB_UNIDADE", "emb_unidade", "NULL"},
        {"MAR_DESCRICAO", "mar_descricao", "NULL"},
        {"GRU_DESCRICAO", "gru_descricao", "NULL"},
        {"SUB_DESCRICAO", "sub_descricao", "NULL"},
        {"PRO_IMAGEM", "pro_imagem", "NULL"},
        {"PRO_CONTROL_FLEX", "pro_control_flex", "F", FieldMapping::Read::FirstCharacter},
    },
};

// A price entry. At start-up its pro_id is the enclosing product's, written apart.
const FieldMapping kPriceStartUp[] = {
    {"TAB_ID", "tab_id", "0"},
    {"TAP_ID", "tap_id", "0"},
    {"TAP_VLR_VENDA", "tap_vlr_venda", ""},
};
const FieldMapping kPriceList[] = {
    {"TAB_ID", "tab_id", "0"},
    {"PRO_ID", "pro_id", "0"},
    {"TAP_ID", "tap_id", "0"},
    {"TAP_VLR_VENDA", "tap_vlr_venda", "0"},
};

const JsonValue& member_object(const JsonValue& reply, const char* key)
{
    const JsonValue* v = reply.find(key);
    if (!v || !v->is_object())
        throw ProtocolError(u"A resposta do servidor não traz a lista \"%1\"; nada foi gravado nem carregado."_s.arg(
            QString::fromLatin1(key)));
    return *v;
}

// A price table is skipped when its id reads "NULL": at start-up only a missing id or the text
// itself; on the list refresh a JSON null too.
bool skip_price_table(const JsonValue& table, ProductLoader loader)
{
    const JsonValue* id = table.find("TAB_ID");
    if (!id)
        return true;
    if (id->is_null())
        return loader == ProductLoader::ListRefresh;
    return value_text(id, {}) == "NULL";
}

std::optional<JsonValue> load_cache(const Context& context, const QString& name)
{
    std::optional<JsonValue> cached = carregar_json(context, name);
    if (!cached)
        throw FileError(u"O arquivo %1 não contém um objeto JSON válido; os produtos não foram carregados."_s.arg(name));
    return cached;
}

} // namespace

std::optional<JsonValue> enviar_produtos(const Context& context, ServerSession& session)
{
    JsonValue reply = session.proxy->getDados_OnLine(requests::produto(session.identity()), u"produtos"_s);
    if (!check_reply_key(context, session.aKey, reply))
        return std::nullopt;
    return reply;
}

const JsonValue& tabelas_of(const JsonValue& reply)
{
    return member_object(reply, "TABELAS");
}

const JsonValue& produtos_of(const JsonValue& reply)
{
    return member_object(reply, "PRODUTOS");
}

void salvar_produtos(const Context& context, const JsonValue& reply)
{
    const JsonValue& tabelas = tabelas_of(reply);
    const JsonValue& produtos = produtos_of(reply);
    salvar_json(context, tabelas, kTabelas);
    salvar_json(context, produtos, kProdutos);
}

void load_products(TdmDados& dados, const JsonValue& tabelas, const JsonValue& produtos, ProductLoader loader)
{
    const int rules = loader == ProductLoader::StartUp ? 0 : 1;

    Table& tblTabela = dados.tblTabela;
    const RecordWriter table_writer(tblTabela, kTable);
    NumberedMembers tables(tabelas, "TABELAS", tabelas.size(), "tabelas.json");
    for (std::size_t i = 0; i < tables.count(); ++i) {
        const JsonValue& table = tables.at(i);
        if (skip_price_table(table, loader))
            continue;
        tblTabela.open();
        tblTabela.append();
        post_row(tblTabela, [&] { table_writer.write(table); });
    }

    Table& tblProduto = dados.tblProduto;
    Table& tblTabProd = dados.tblTabProd;
    const RecordWriter product_writer(tblProduto, kProduct[rules]);
    const bool start_up = loader == ProductLoader::StartUp;
    const RecordWriter price_writer = start_up ? RecordWriter(tblTabProd, kPriceStartUp) : RecordWriter(tblTabProd, kPriceList);
    const int price_pro_id = tblTabProd.field_index(u"pro_id");
    NumberedMembers products(produtos, "PRODUTOS", produtos.size(), "produtos.json");
    tblProduto.open();
    tblProduto.reserve(static_cast<int>(products.count()));
    for (std::size_t i = 0; i < products.count(); ++i) {
        const JsonValue& product = products.at(i);
        tblProduto.open();
        tblProduto.append();
        post_row(tblProduto, [&] { product_writer.write(product); });

        const JsonValue* items = product.find("TABELA_ITEM");
        if (!items || !items->is_array())
            throw ProtocolError(u"Dados inválidos em produtos.json: o produto \"PRODUTOS%1\" não traz a lista "
                                "\"TABELA_ITEM\". A carga foi interrompida; os registros anteriores foram mantidos."_s
                                    .arg(i));
        const std::string_view product_id = value_text(product.find("PRO_ID"), "0");
        for (std::size_t k = 0; k < items->size(); ++k) {
            const JsonValue& item = items->at(k);
            if (!item.is_object())
                throw ProtocolError(u"Dados inválidos em produtos.json: um preço do produto \"PRODUTOS%1\" não é "
                                    "um objeto. A carga foi interrompida; os registros anteriores foram mantidos."_s
                                        .arg(i));
            if (raw_text(item.find("TAP_ID")) == "NULL")
                continue;
            tblTabProd.open();
            tblTabProd.append();
            post_row(tblTabProd, [&] {
                if (start_up)
                    tblTabProd.set_text(price_pro_id, product_id);
                price_writer.write(item);
            });
        }
    }
}

void carregar_produtos(const Context& context, TdmDados& dados, ProductLoader loader)
{
    const std::optional<JsonValue> tabelas = load_cache(context, kTabelas);
    const std::optional<JsonValue> produtos = load_cache(context, kProdutos);
    load_products(dados, *tabelas, *produtos, loader);
}

void importar_produtos(const Context& context, TdmDados& dados)
{
    ServerSession session = conectar(context);
    const std::optional<JsonValue> reply = enviar_produtos(context, session);
    if (!reply)
        return;
    salvar_produtos(context, *reply);
    carregar_produtos(context, dados, ProductLoader::StartUp);
}

bool baixar_produtos(const Context& context)
{
    ServerSession session = conectar(context);
    const std::optional<JsonValue> reply = enviar_produtos(context, session);
    if (!reply)
        return false;
    salvar_produtos(context, *reply);
    return true;
}
