#pragma once

#include "call.h"

#include <string>

// The client card's two histories: the client's receivables, chosen by the card's filter, and the
// client's sales of the last days with their items.
void write_hist_financeiro_reply(const Call& call, std::string& out);
void write_hist_venda_reply(const Call& call, std::string& out);
