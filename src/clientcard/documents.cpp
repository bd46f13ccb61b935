#include "documents.h"

#include "core/context.h"
#include "core/errors.h"
#include "core/text.h"
#include "server/cache.h"
#include "server/connection.h"

using namespace Qt::StringLiterals;

std::optional<JsonValue> fetch_document(const Context& context, Identity& identity, const JsonValue& request,
                                        const QString& what)
{
    ServerCall call = conectar(context);
    identity = call.identity();
    return call.get(request, what);
}

void save_and_open(const Context& context, const JsonValue& reply, const QString& open_name,
                   bool none_allowed)
{
    const JsonValue* arquivo = reply.find("ARQUIVO");
    if (arquivo && none_allowed && arquivo->is_string() && arquivo->text() == "NULL") return;
    if (!arquivo || !arquivo->is_array())
        throw ProtocolError(
            u"O servidor não enviou o documento (\"ARQUIVO\" %1); nada foi gravado nem aberto."_s.arg(
                arquivo ? u"não é uma lista"_s : u"ausente"_s));
    const Documento documento = decodificar_arquivo(*arquivo);
    // Slips and reports are PDF files; anything else is not opened as one.
    if (!documento.bytes.startsWith("%PDF-"))
        throw ProtocolError(u"O documento recebido do servidor não é um PDF; nada foi gravado nem aberto."_s);
    salvar_documento(context, documento, context.data_folder);
    if (context.open_document) context.open_document(context.path(open_name));
}

QString linha_digitavel_of(const JsonValue& reply)
{
    const JsonValue* line = reply.find("LINHA_DIGITAVEL");
    if (!line || line->is_null())
        throw ProtocolError(u"A resposta do servidor não traz a linha digitável (\"LINHA_DIGITAVEL\")."_s);
    return qs(line->text());
}

void boleto_pdf(const Context& context, Identity& identity, int cre_id, const QString& cli_code)
{
    if (cre_id <= 0) return;
    const JsonValue request = requests::boleto(identity, QString::number(cre_id), u"PDF"_s);
    if (auto reply = fetch_document(context, identity, request, u"boleto"_s))
        save_and_open(context, *reply, cli_code + u".pdf"_s, true);
}

std::optional<JsonValue> boleto_linha(const Context& context, Identity& identity, int cre_id)
{
    if (cre_id <= 0) return std::nullopt;
    const JsonValue request = requests::boleto(identity, QString::number(cre_id), u"LINHA_DIGITAVEL"_s);
    return fetch_document(context, identity, request, u"linha digitável"_s);
}

void relatorio_financeiro_cliente(const Context& context, Identity& identity, const QString& cli_code)
{
    const JsonValue request = requests::relatorio_financeiro(identity, cli_code, u"NULL"_s, u"NULL"_s);
    if (auto reply = fetch_document(context, identity, request, u"relatório financeiro"_s))
        save_and_open(context, *reply, identity.id_vendedor + u".pdf"_s, false);
}

void relatorio_vendas_cliente(const Context& context, Identity& identity, const QString& cli_code)
{
    const JsonValue request = requests::relatorio_venda(identity, cli_code);
    if (auto reply = fetch_document(context, identity, request, u"relatório de vendas"_s))
        save_and_open(context, *reply, identity.id_vendedor + u".pdf"_s, false);
}

void relatorio_financeiro_vendedor(const Context& context, Identity& identity)
{
    ServerCall call = conectar(context);
    identity = call.identity();
    const QString today = context.regional.format_date(context.today(), u"MM/dd/yyyy"_s);
    const JsonValue request = requests::relatorio_financeiro(identity, u"NULL"_s, u"01/01/2000"_s, today);
    if (auto reply = call.get(request, u"relatório financeiro"_s))
        save_and_open(context, *reply, identity.id_vendedor + u".pdf"_s, false);
}
