#pragma once

#include "server/json_value.h"
#include "server/request.h"

#include <QString>

#include <optional>

struct Context;

// A screen that fetches documents keeps the identity of its last connection: a request is built from
// it, and the connection made for the request then refreshes it.

// Connects (refreshing identity), sends request and checks the reply's key; nothing when the key
// was refused.
std::optional<JsonValue> fetch_document(const Context& context, Identity& identity, const JsonValue& request,
                                        const QString& what);

// Writes the reply's "ARQUIVO" document into the data folder and hands open_name (in the data
// folder) to the viewer. When none_allowed, an "ARQUIVO" of "NULL" means there is no document and
// nothing happens. Any other shape raises ProtocolError before anything is written or opened.
void save_and_open(const Context& context, const JsonValue& reply, const QString& open_name,
                   bool none_allowed);

// The typed line of a slip reply; raises ProtocolError naming the key when it is missing.
QString linha_digitavel_of(const JsonValue& reply);

// The card's documents. The slip operations do nothing when cre_id is 0 or less.
void boleto_pdf(const Context& context, Identity& identity, int cre_id, const QString& cli_code);
std::optional<JsonValue> boleto_linha(const Context& context, Identity& identity, int cre_id);
void relatorio_financeiro_cliente(const Context& context, Identity& identity, const QString& cli_code);
void relatorio_vendas_cliente(const Context& context, Identity& identity, const QString& cli_code);
// The client list's report over all the salesperson's clients, up to today.
void relatorio_financeiro_vendedor(const Context& context, Identity& identity);
