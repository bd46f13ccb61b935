#pragma once

#include "download_steps.h"
#include "server/json_value.h"

#include <optional>

struct Context;
class TdmDados;

// Sends the "PRODUTO" request and checks the reply's key. Returns the reply, or nothing when the key
// was refused.
std::optional<JsonValue> enviar_produtos(const Context& context);

// The reply's "TABELAS" and "PRODUTOS" objects; ProtocolError when either is missing.
const JsonValue& tabelas_of(const JsonValue& reply);
const JsonValue& produtos_of(const JsonValue& reply);

// Writes tabelas.json and produtos.json. Both objects are checked before either file is written.
void salvar_produtos(const Context& context, const JsonValue& reply);

// The two loaders read missing values differently.
enum class ProductLoader {
    StartUp,     // main window: missing texts empty, a JSON null price table id reads "null"
    ListRefresh, // product list: missing texts "NULL", flex "F", price "0"
};

// Loads tblTabela, tblProduto and tblTabProd from the two cache files, appending every record.
void carregar_produtos(const Context& context, TdmDados& dados, ProductLoader loader);
// The same from objects already parsed.
void load_products(TdmDados& dados, const JsonValue& tabelas, const JsonValue& produtos,
                   ProductLoader loader);

// The product download of the main window at start-up: send, cache, load from the cache.
void importar_produtos(const Context& context, TdmDados& dados, const StepDone& step_done = {});
// How many price tables and products a download brought.
struct ProductCounts {
    std::size_t tabelas = 0;
    std::size_t produtos = 0;
};
// The product list's and the transmission screen's download: send and cache as tabelas.json and
// produtos.json. Nothing when the key was refused.
std::optional<ProductCounts> baixar_produtos(const Context& context);
