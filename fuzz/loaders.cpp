// Each loader and reply reader fed a parsed reply; the first byte chooses which.
#include "catalogue/client_download.h"
#include "catalogue/product_download.h"
#include "clientcard/card_history.h"
#include "core/errors.h"
#include "core/regional.h"
#include "fuzz_support.h"
#include "orders/order_checks.h"
#include "orders/purchase_mix.h"
#include "server/json_parse.h"
#include "store/dm_dados.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    start_qt();
    return 0;
}

namespace {

void walk(Table& t)
{
    for (t.first(); !t.eof(); t.next())
        for (int f = 0; f < t.field_count(); ++f)
            (void)t.as_text(f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    static JsonParser parser;
    std::optional<JsonValue> reply;
    try {
        reply = parser.parse(as_text(data + 1, size - 1));
    } catch (const Error&) {
    }
    if (!reply) return 0;

    const Regional regional = Regional::brazil();
    TdmDados dados(regional);
    const QString cli_id = QStringLiteral("17");
    try {
        switch (data[0] % 10) {
        case 0:
            clients_from_reply(dados.tblCliente, *reply, ClientRows::AppendAll, "clientes.json");
            break;
        case 1:
            clients_from_reply(dados.tblCliente, *reply, ClientRows::AppendAll, "clientes.json");
            clients_from_reply(dados.tblCliente, *reply, ClientRows::UpdateById, "clientes.json");
            break;
        case 2:
            load_products(dados, tabelas_of(*reply), produtos_of(*reply), ProductLoader::StartUp);
            break;
        case 3:
            load_products(dados, tabelas_of(*reply), produtos_of(*reply), ProductLoader::ListRefresh);
            break;
        case 4:
            receivables_from_reply(dados, *reply, cli_id);
            break;
        case 5:
            load_sales(dados, *reply, cli_id);
            break;
        case 6:
            mix_from_reply(dados.tblMix, *reply);
            break;
        case 7:
            (void)ler_estoque(*reply);
            break;
        case 8:
            (void)ler_financeiro(*reply);
            break;
        case 9:
            (void)ler_horario(*reply, regional);
            break;
        }
    } catch (const Error&) {
    }
    for (Table* t : {&dados.tblCliente, &dados.tblProduto, &dados.tblTabela, &dados.tblTabProd, &dados.tblMix,
                     &dados.tblReceber, &dados.tblHistVenda, &dados.tblItemHVenda})
        walk(*t);
    return 0;
}
