#include "client_download.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/log.h"
#include "server/cache.h"
#include "server/connection.h"
#include "server/json_parse.h"
#include "store/kept_row.h"
#include "store/record_reader.h"
#include "store/table.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace {

const FieldMapping kClient[] = {
    {"COL_ID_CONTROLE", "cli_id", "0"},          {"COL_NOME", "cli_razao", ""},
    {"COL_FANTASIA", "cli_fantasia", ""},        {"COL_CNPJ_CPF", "cli_cnpj_cpf", ""},
    {"COL_FONE1", "cli_telefone", ""},           {"END_RUA", "cli_end_rua", ""},
    {"END_NUMERO", "cli_end_numero", ""},        {"END_COMPLEMENTO", "cli_end_complemento", ""},
    {"END_BAIRRO", "cli_end_bairro", ""},        {"END_CIDADE", "cli_end_cidade", ""},
    {"END_ESTADO", "cli_end_estado", ""},        {"END_CEP", "cli_end_cep", ""},
    {"CLI_PAGAMENTO", "cli_pagamento", ""},      {"CLI_PARCELA1", "cli_parcela1", "0"},
    {"CLI_PARCELA2", "cli_parcela2", "0"},       {"CLI_PARCELA3", "cli_parcela3", "0"},
    {"CLI_PARCELA4", "cli_parcela4", "0"},       {"CLI_PARCELA5", "cli_parcela5", "0"},
    {"CLI_PARCELA6", "cli_parcela6", "0"},       {"CLI_PARCELA7", "cli_parcela7", "0"},
    {"CLI_PARCELA8", "cli_parcela8", "0"},       {"TAB_ID", "tab_id", "0"},
    {"CLI_VLR_CREDITO", "cli_vlr_credito", "0"}, {"CLI_LIMITE_CREDITO", "cli_limite_credito", "0"},
};

const QString kFile = u"clientes.json"_s;

} // namespace

std::optional<JsonValue> enviar_clientes(const Context& context)
{
    ServerCall call = conectar(context);
    return call.get(requests::cliente(call.identity()), u"clientes"_s);
}

std::size_t client_count(const JsonValue& reply)
{
    return reply.size() > 0 ? reply.size() - 1 : 0;
}

namespace {

// One pass over the reply, appending or updating rows.
void fill_clients(Table& tblCliente, const JsonValue& reply, ClientRows rows, const char* source)
{
    if (reply.size() < 2) return;
    NumberedMembers clients(reply, "CLIENTE", client_count(reply), source);
    const RecordWriter writer(tblCliente, kClient);
    const int cli_id = writer.field(0);
    if (rows == ClientRows::AppendAll) tblCliente.reserve(static_cast<int>(clients.count()));
    for (std::size_t i = 0; i < clients.count(); ++i) {
        const JsonValue& client = clients.at(i);
        if (rows == ClientRows::UpdateById) {
            const std::string_view id = value_text(client.find("COL_ID_CONTROLE"), "0");
            const QVariant key(QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size())));
            if (tblCliente.locate(tblCliente.field(cli_id).name, key))
                tblCliente.edit();
            else
                tblCliente.append();
        } else {
            tblCliente.append();
        }
        post_row(tblCliente, [&] { writer.write(client); });
    }
}

} // namespace

void clients_from_reply(Table& tblCliente, const JsonValue& reply, ClientRows rows, const char* source)
{
    QElapsedTimer clock;
    clock.start();
    {
        const KeptRow kept(tblCliente);
        fill_clients(tblCliente, reply, rows, source);
    }
    qCInfo(log_cargas).noquote() << "clientes carregados de" << QString::fromLatin1(source) + u':'
                                 << client_count(reply) << "na resposta," << tblCliente.record_count()
                                 << "na tabela em" << clock.elapsed() << "ms";
}

void importar_clientes(const Context& context, Table& tblCliente, const StepDone& step_done)
{
    const auto step = [&](const char* name) {
        if (step_done) step_done(name);
    };
    const std::optional<JsonValue> reply = enviar_clientes(context);
    step("resposta");
    if (!reply) return;
    salvar_json(context, *reply, kFile, Durability::Replaceable);
    step("cache");
    clients_from_reply(tblCliente, *reply, ClientRows::AppendAll, "clientes");
    step("carga");
}

std::optional<std::size_t> baixar_clientes(const Context& context)
{
    const std::optional<JsonValue> reply = enviar_clientes(context);
    if (!reply) return std::nullopt;
    salvar_json(context, *reply, kFile, Durability::Replaceable);
    return client_count(*reply);
}

void carregar_clientes(const Context& context, Table& tblCliente)
{
    JsonParser own;
    const std::optional<JsonValue> cached =
        carregar_json(context, kFile, context.parser ? *context.parser : own);
    if (!cached)
        throw FileError(
            u"O arquivo %1 não contém um objeto JSON válido; os clientes não foram carregados."_s.arg(kFile));
    clients_from_reply(tblCliente, *cached, ClientRows::UpdateById, "clientes.json");
}
