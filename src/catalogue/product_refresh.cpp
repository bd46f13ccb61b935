#include "product_refresh.h"

#include "product_download.h"
#include "store/dm_dados.h"

#include <array>
#include <memory>

namespace {

std::vector<FieldDef> fields_of(const Table& table)
{
    std::vector<FieldDef> fields;
    for (int f = 0; f < table.field_count(); ++f)
        fields.push_back(table.field(f));
    return fields;
}

} // namespace

void recarregar_produtos(const Context& context, TdmDados& dados)
{
    const std::array<Table*, 3> live = {&dados.tblTabela, &dados.tblProduto, &dados.tblTabProd};
    std::array<std::unique_ptr<Table>, 3> kept;
    for (std::size_t i = 0; i < live.size(); ++i) {
        kept[i] = std::make_unique<Table>(live[i]->name(), fields_of(*live[i]), live[i]->regional());
        kept[i]->take_rows(*live[i]);
    }
    try {
        carregar_produtos(context, dados, ProductLoader::ListRefresh);
    } catch (...) {
        for (std::size_t i = 0; i < live.size(); ++i)
            live[i]->take_rows(*kept[i]);
        throw;
    }
}
