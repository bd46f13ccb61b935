#include "purchase_mix.h"

#include "core/context.h"
#include "server/connection.h"
#include "server/request.h"
#include "store/record_reader.h"
#include "store/table.h"

using namespace Qt::StringLiterals;

namespace {

const FieldMapping kMix[] = {
    {"PRO_ID", "pro_id", "0"},
    {"QTD_PERIODO", "qtd_periodo", ""},
    {"VLR_ULT_VENDA", "vlr_ult_venda", ""},
};

} // namespace

void mix_from_reply(Table& tblMix, const JsonValue& reply)
{
    // Besides the entries the reply holds only "CHAVE_VENDEDOR".
    if (reply.size() < 2) return;
    NumberedMembers entries(reply, "MIX_VENDA", reply.size() - 1, "mix de compras");
    const RecordWriter writer(tblMix, kMix);
    for (std::size_t i = 0; i < entries.count(); ++i) {
        const JsonValue& entry = entries.at(i);
        if (value_text(entry.find("PRO_ID"), "NULL") == "NULL") continue;
        tblMix.append();
        post_row(tblMix, [&] { writer.write(entry); });
    }
}

bool carregar_mix(const Context& context, Table& tblMix, const QString& cli_id)
{
    ServerCall call = conectar(context);
    const std::optional<JsonValue> reply =
        call.get(requests::mix_venda(call.identity(), cli_id), u"mix de compras"_s);
    if (!reply) return false;
    mix_from_reply(tblMix, *reply);
    return true;
}
