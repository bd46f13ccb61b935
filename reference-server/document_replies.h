#pragma once

#include "call.h"

#include <string>

// Documents made on request and sent as the "ARQUIVO" triple (byte list, byte count, file name): a
// payment slip, or its typed line, and the financial and sales reports.
void write_boleto_reply(const Call& call, std::string& out);
void write_relatorio_financeiro_reply(const Call& call, std::string& out);
void write_relatorio_venda_reply(const Call& call, std::string& out);
