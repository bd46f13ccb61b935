#include "document_replies.h"

#include "request_error.h"

void write_boleto_reply(const Call&, std::string&)
{
    throw RequestError(501, "Tipo de requisição ainda não atendido: BOLETO");
}

void write_relatorio_financeiro_reply(const Call&, std::string&)
{
    throw RequestError(501, "Tipo de requisição ainda não atendido: RELATORIO_FINANCEIRO");
}

void write_relatorio_venda_reply(const Call&, std::string&)
{
    throw RequestError(501, "Tipo de requisição ainda não atendido: RELATORIO_VENDA");
}
