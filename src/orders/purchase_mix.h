#pragma once

#include <QString>

class JsonValue;
class Table;
struct Context;

// Appends the products of a "MIX_VENDA" reply (its pairs MIX_VENDA0, MIX_VENDA1 ... beside
// "CHAVE_VENDEDOR") to tblMix; an entry without a product id is passed over.
void mix_from_reply(Table& tblMix, const JsonValue& reply);

// Asks for the client's purchase mix and loads it once the reply's key matches the setting Chave.
// False when the key was refused (nothing is added).
bool carregar_mix(const Context& context, Table& tblMix, const QString& cli_id);
