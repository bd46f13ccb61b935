#include "request.h"

#include "core/text.h"

using namespace Qt::StringLiterals;

std::string_view request_kind(const JsonValue& request)
{
    const JsonValue* inner = request.is_object() ? request.find("REQUISICAO") : nullptr;
    const JsonValue* kind = inner && inner->is_object() ? inner->find("TABLE") : nullptr;
    return kind && kind->is_string() ? kind->text() : std::string_view();
}

void add_text_pair(JsonValue& object, const char* key, const QString& value)
{
    if (!value.isEmpty()) object.insert(key, JsonValue::string(utf8(value)));
}

JsonValue build_request(const char* kind, const Identity& identity, const RequestPairs& own)
{
    JsonValue inner = JsonValue::object();
    auto put = [&inner](const char* key, const QString& value) { add_text_pair(inner, key, value); };
    put("TABLE", QString::fromLatin1(kind));
    put("EMPRESA", identity.empresa);
    put("CHAVE_VENDEDOR", identity.empresa + identity.id_vendedor);
    for (const auto& [key, value] : own)
        put(key, value);
    JsonValue request = JsonValue::object();
    request.insert("REQUISICAO", std::move(inner));
    return request;
}

void add_outer_pair(JsonValue& request, const char* key, JsonValue value)
{
    if (!value.is_null()) request.insert(key, std::move(value));
}

namespace requests {

QString diretorio(const QString& empresa)
{
    return u"c:\\inetpub\\wwwroot\\"_s + empresa;
}

JsonValue cliente(const Identity& id)
{
    return build_request("CLIENTE", id, {{"VEN_ID", id.id_vendedor}, {"TIPO_DADOS", u"LISTA"_s}});
}

JsonValue produto(const Identity& id)
{
    return build_request("PRODUTO", id, {{"TIPO_DADOS", u"LISTA"_s}});
}

JsonValue hist_financeiro(const Identity& id, const QString& cli_id, const QString& filtro)
{
    return build_request("HIST_FINANCEIRO", id, {{"CLI_ID", cli_id}, {"FILTRO", filtro}});
}

JsonValue hist_venda(const Identity& id, const QString& cli_id)
{
    return build_request("HIST_VENDA", id, {{"CLI_ID", cli_id}, {"QTD_DIAS", u"180"_s}});
}

JsonValue boleto(const Identity& id, const QString& cre_id, const QString& tipo_documento)
{
    return build_request(
        "BOLETO", id,
        {{"CRE_ID", cre_id}, {"TIPO_DOCUMENTO", tipo_documento}, {"DIRETORIO", diretorio(id.empresa)}});
}

JsonValue relatorio_financeiro(const Identity& id, const QString& cli_id, const QString& dta_inicio,
                               const QString& dta_final)
{
    return build_request("RELATORIO_FINANCEIRO", id,
                         {{"CLI_ID", cli_id},
                          {"VEN_ID", id.id_vendedor},
                          {"STATUS", u"PENDENTE"_s},
                          {"DTA_INICIO", dta_inicio},
                          {"DTA_FINAL", dta_final},
                          {"DIRETORIO", diretorio(id.empresa)}});
}

JsonValue relatorio_venda(const Identity& id, const QString& cli_id)
{
    return build_request("RELATORIO_VENDA", id,
                         {{"CLI_ID", cli_id},
                          {"VEN_ID", id.id_vendedor},
                          {"PRO_ID", u"NULL"_s},
                          {"DTA_INICIO", u"NULL"_s},
                          {"DTA_FINAL", u"NULL"_s},
                          {"TIPO", u"NULL"_s},
                          {"DIRETORIO", diretorio(id.empresa)}});
}

JsonValue mix_venda(const Identity& id, const QString& cli_id)
{
    return build_request("MIX_VENDA", id, {{"QTD_DIAS", u"1"_s}, {"CLI_ID", cli_id}});
}

JsonValue validar_estoque(const Identity& id, JsonValue itens_venda)
{
    JsonValue request = build_request("VALIDAR_ESTOQUE", id, {});
    add_outer_pair(request, "ITENS_VENDA", std::move(itens_venda));
    return request;
}

JsonValue validar_financeiro(const Identity& id, const QString& cli_id)
{
    return build_request("VALIDAR_FINANCEIRO", id, {{"CLI_ID", cli_id}});
}

JsonValue validar_hora_envio(const Identity& id)
{
    return build_request("VALIDAR_HORA_ENVIO", id, {});
}

JsonValue novo_pedido(const Identity& id, JsonValue venda0)
{
    JsonValue request = build_request("NOVO_PEDIDO", id, {});
    add_outer_pair(request, "VENDA0", std::move(venda0));
    return request;
}

} // namespace requests
