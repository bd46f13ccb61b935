#pragma once

#include "download_steps.h"
#include "server/json_value.h"

#include <optional>

struct Context;
class Table;

// Sends the "CLIENTE" request and checks the reply's key. Returns the reply, or nothing when the key
// was refused (the salesperson has been told and the cache wiped).
std::optional<JsonValue> enviar_clientes(const Context& context);

// How loaded clients meet the rows already in the table.
enum class ClientRows {
    AppendAll,  // start-up: every client becomes a new row
    UpdateById, // refresh: a client found by cli_id (hidden rows included) is updated in place
};

// Loads the clients of a reply (or of clientes.json): the members "CLIENTE0" to "CLIENTE<n-1>",
// n being the pair count less the key pair.
void clients_from_reply(Table& tblCliente, const JsonValue& reply, ClientRows rows, const char* source);

// Number of clients a reply announces.
std::size_t client_count(const JsonValue& reply);

// The client download of the main window at start-up: send, cache as clientes.json, load from the
// reply in memory.
void importar_clientes(const Context& context, Table& tblCliente, const StepDone& step_done = {});
// The client list's and the transmission screen's download: send and cache as clientes.json. The
// number of clients received, or nothing when the key was refused.
std::optional<std::size_t> baixar_clientes(const Context& context);
// The client list's load of clientes.json after its download.
void carregar_clientes(const Context& context, Table& tblCliente);
