#include "offline_catalogue.h"

#include "catalogue/client_download.h"
#include "catalogue/product_download.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/text.h"
#include "server/cache.h"
#include "server/json_parse.h"
#include "settings/settings.h"
#include "store/dm_dados.h"
#include "store/record_reader.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QDateTime written_at(const Context& context, const QString& name)
{
    return QFileInfo(context.path(name)).lastModified();
}

// The cached client reply, when it is the configured salesperson's.
std::optional<JsonValue> own_clients(const Context& context, JsonParser& parser)
{
    try {
        const QString chave = read_server_settings(Settings(context)).chave;
        std::optional<JsonValue> cached = carregar_json(context, u"clientes.json"_s, parser);
        if (!cached) return std::nullopt;
        const JsonValue* key = cached->find("CHAVE_VENDEDOR");
        if (!key || !key->is_string() || qs(key->text()) != chave) return std::nullopt;
        return cached;
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace

void carregar_cadastro_anterior(const Context& context, TdmDados& dados, const StartUpProgress& progress)
{
    CatalogueOrigin& origem = dados.origem;
    origem.clientes_antigos = !progress.clientes;
    origem.produtos_antigos = !progress.produtos;
    origem.cadastro = QDateTime();

    JsonParser own;
    JsonParser& parser = context.parser ? *context.parser : own;
    {
        const std::optional<JsonValue> clients = own_clients(context, parser);
        if (!clients) return;
        if (!progress.clientes) {
            try {
                clients_from_reply(dados.tblCliente, *clients, ClientRows::AppendAll, "clientes.json");
                origem.cadastro = written_at(context, u"clientes.json"_s);
            } catch (const Error&) {
                dados.tblCliente.empty();
            }
        }
    }
    if (progress.produtos) return;
    try {
        carregar_produtos(context, dados, ProductLoader::StartUp);
        // Only the products are old: their file tells how old.
        if (!origem.cadastro.isValid()) origem.cadastro = written_at(context, u"produtos.json"_s);
    } catch (const Error&) {
        for (Table* table : {&dados.tblTabela, &dados.tblProduto, &dados.tblTabProd})
            table->empty();
    }
}
