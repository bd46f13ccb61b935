#pragma once

#include "clientcard/documents.h"
#include "server/json_value.h"

#include <QString>

struct Context;
class TdmDados;

// The filter the server applies to the receivables listed on the card: open or bought payment slips.
extern const char* const kFiltroFinanceiro;

// Receivables of "HIST_FINANCEIRO": the members "FINANCEIRO0".. of "TITULOS"; an entry whose
// "CRE_ID" is "NULL" is skipped; every row carries the card's client code.
void receivables_from_reply(TdmDados& dados, const JsonValue& reply, const QString& cli_id);
// Sales of "HIST_VENDA" ("VENDA0".. besides the key) with their items; an item's description comes
// from tblProduto, whose filter is cleared afterwards.
void load_sales(TdmDados& dados, const JsonValue& reply, const QString& cli_id);

// The card's two loads. Each connects (refreshing the card's identity), sends, checks the key,
// writes its copy ("financeiro.json", "histvendas.json") and loads, replacing what an earlier card
// left in the tables. False when the key was refused.
bool carregar_financeiro(const Context& context, TdmDados& dados, const QString& cli_id, Identity& identity);
bool carregar_vendas(const Context& context, TdmDados& dados, const QString& cli_id, Identity& identity);
