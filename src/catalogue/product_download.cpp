#include "product_download.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/log.h"
#include "core/text.h"
#include "server/cache.h"
#include "server/connection.h"
#include "server/json_parse.h"
#include "store/dm_dados.h"
#include "store/kept_row.h"
#include "store/record_reader.h"

#include <QElapsedTimer>

#include <algorithm>
#include <climits>

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

// Position of a key in a mapping.
template <std::size_t N> std::size_t entry_of(const FieldMapping (&mapping)[N], std::string_view key)
{
    std::size_t i = 0;
    while (i < N && mapping[i].key != key)
        ++i;
    return i;
}

const JsonValue& member_object(const JsonValue& reply, const char* key)
{
    const JsonValue* v = reply.find(key);
    if (!v || !v->is_object())
        throw ProtocolError(
            u"A resposta do servidor não traz a lista \"%1\"; nada foi gravado nem carregado."_s.arg(
                QString::fromLatin1(key)));
    return *v;
}

// A price table is skipped when its id reads "NULL": at start-up only a missing id or the text
// itself; on the list refresh a JSON null too.
bool skip_price_table(const JsonValue& table, ProductLoader loader)
{
    const JsonValue* id = table.find("TAB_ID");
    if (!id) return true;
    if (id->is_null()) return loader == ProductLoader::ListRefresh;
    return value_text(id, {}) == "NULL";
}

std::optional<JsonValue> load_cache(const Context& context, const QString& name, JsonParser& parser)
{
    std::optional<JsonValue> cached = carregar_json(context, name, parser);
    if (!cached)
        throw FileError(
            u"O arquivo %1 não contém um objeto JSON válido; os produtos não foram carregados."_s.arg(name));
    return cached;
}

} // namespace

std::optional<JsonValue> enviar_produtos(const Context& context)
{
    ServerCall call = conectar(context);
    return call.get(requests::produto(call.identity()), u"produtos"_s);
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
    salvar_json(context, tabelas, kTabelas, Durability::Replaceable);
    salvar_json(context, produtos, kProdutos, Durability::Replaceable);
}

namespace {

void fill_products(TdmDados& dados, const JsonValue& tabelas, const JsonValue& produtos, ProductLoader loader)
{
    const int rules = loader == ProductLoader::StartUp ? 0 : 1;

    Table& tblTabela = dados.tblTabela;
    const RecordWriter table_writer(tblTabela, kTable);
    NumberedMembers tables(tabelas, "TABELAS", tabelas.size(), "tabelas.json");
    for (std::size_t i = 0; i < tables.count(); ++i) {
        const JsonValue& table = tables.at(i);
        if (skip_price_table(table, loader)) continue;
        tblTabela.append();
        post_row(tblTabela, [&] { table_writer.write(table); });
    }

    Table& tblProduto = dados.tblProduto;
    Table& tblTabProd = dados.tblTabProd;
    const RecordWriter product_writer(tblProduto, kProduct[rules]);
    const bool start_up = loader == ProductLoader::StartUp;
    const RecordWriter price_writer =
        start_up ? RecordWriter(tblTabProd, kPriceStartUp) : RecordWriter(tblTabProd, kPriceList);
    const std::size_t price_tap_id =
        start_up ? entry_of(kPriceStartUp, "TAP_ID") : entry_of(kPriceList, "TAP_ID");
    const std::size_t product_pro_id = entry_of(kProduct[rules], "PRO_ID");
    const int price_pro_id = tblTabProd.field_index(u"pro_id");
    const bool price_pro_id_integer = tblTabProd.field(price_pro_id).type == FieldType::Integer;
    NumberedMembers products(produtos, "PRODUTOS", produtos.size(), "produtos.json");
    tblProduto.reserve(static_cast<int>(products.count()));
    std::size_t prices = 0;
    for (std::size_t i = 0; i < produtos.size(); ++i) {
        const JsonValue* items = produtos.at(i).find("TABELA_ITEM");
        prices += items ? items->size() : 0;
    }
    tblTabProd.reserve(static_cast<int>(std::min<std::size_t>(prices, INT_MAX)));
    for (std::size_t i = 0; i < products.count(); ++i) {
        const JsonValue& product = products.at(i);
        product_writer.read(product);
        tblProduto.append();
        post_row(tblProduto, [&] { product_writer.write(); });

        const JsonValue* items = product.find("TABELA_ITEM");
        if (!items || !items->is_array())
            throw ProtocolError(
                u"Dados inválidos em produtos.json: o produto \"PRODUTOS%1\" não traz a lista "
                "\"TABELA_ITEM\". A carga foi interrompida; os registros anteriores foram mantidos."_s.arg(
                    i));
        const std::string_view product_id = value_text(product_writer.value(product_pro_id), "0");
        for (std::size_t k = 0; k < items->size(); ++k) {
            const JsonValue& item = items->at(k);
            if (!item.is_object())
                throw ProtocolError(
                    u"Dados inválidos em produtos.json: um preço do produto \"PRODUTOS%1\" não é "
                    "um objeto. A carga foi interrompida; os registros anteriores foram mantidos."_s.arg(i));
            price_writer.read(item);
            if (raw_text(price_writer.value(price_tap_id)) == "NULL") continue;
            tblTabProd.append();
            post_row(tblTabProd, [&] {
                if (start_up) write_field(tblTabProd, price_pro_id, price_pro_id_integer, product_id);
                price_writer.write();
            });
        }
    }
}

} // namespace

void load_products(TdmDados& dados, const JsonValue& tabelas, const JsonValue& produtos, ProductLoader loader)
{
    QElapsedTimer clock;
    clock.start();
    const int before[] = {dados.tblTabela.record_count(), dados.tblProduto.record_count(),
                          dados.tblTabProd.record_count()};
    {
        const KeptRow kept[] = {KeptRow(dados.tblTabela), KeptRow(dados.tblProduto),
                                KeptRow(dados.tblTabProd)};
        fill_products(dados, tabelas, produtos, loader);
    }
    qCInfo(log_cargas).noquote() << "produtos carregados:" << dados.tblTabela.record_count() - before[0]
                                 << "tabelas," << dados.tblProduto.record_count() - before[1] << "produtos,"
                                 << dados.tblTabProd.record_count() - before[2] << "preços em"
                                 << clock.elapsed() << "ms";
}

void carregar_produtos(const Context& context, TdmDados& dados, ProductLoader loader)
{
    JsonParser own;
    JsonParser& parser = context.parser ? *context.parser : own;
    const std::optional<JsonValue> tabelas = load_cache(context, kTabelas, parser);
    const std::optional<JsonValue> produtos = load_cache(context, kProdutos, parser);
    load_products(dados, *tabelas, *produtos, loader);
}

void importar_produtos(const Context& context, TdmDados& dados, const StepDone& step_done)
{
    const auto step = [&](const char* name) {
        if (step_done) step_done(name);
    };
    JsonParser own;
    JsonParser& parser = context.parser ? *context.parser : own;
    std::optional<JsonValue> reply = enviar_produtos(context);
    step("resposta");
    if (!reply) return;
    salvar_produtos(context, *reply);
    // Let go before the files are read back, whose trees then take its memory.
    reply.reset();
    step("cache");
    const std::optional<JsonValue> tabelas = load_cache(context, kTabelas, parser);
    const std::optional<JsonValue> produtos = load_cache(context, kProdutos, parser);
    step("leitura");
    load_products(dados, *tabelas, *produtos, ProductLoader::StartUp);
    step("carga");
}

std::optional<ProductCounts> baixar_produtos(const Context& context)
{
    const std::optional<JsonValue> reply = enviar_produtos(context);
    if (!reply) return std::nullopt;
    salvar_produtos(context, *reply);
    return ProductCounts{tabelas_of(*reply).size(), produtos_of(*reply).size()};
}
