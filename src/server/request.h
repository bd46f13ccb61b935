#pragma once

#include "server/json_value.h"

#include <QList>
#include <QString>

#include <string_view>
#include <utility>

// The salesperson a request speaks for: company and salesperson id, which the request carries, and
// the key that a reply must bring back (the key itself is never sent).
struct Identity {
    QString empresa;
    QString id_vendedor;
    QString chave;
};

// Pairs of a request after the common three, in order. An empty value leaves its pair out.
using RequestPairs = QList<std::pair<const char*, QString>>;

// The envelope every request shares: {"REQUISICAO":{"TABLE":kind,"EMPRESA":..,"CHAVE_VENDEDOR":
// empresa+id, own pairs...}}. Every value is a JSON string; empty strings are left out.
JsonValue build_request(const char* kind, const Identity& identity, const RequestPairs& own);

// The request's kind ("TABLE" of "REQUISICAO"), or empty.
std::string_view request_kind(const JsonValue& request);

// Adds a string pair to an object the client builds; an empty value leaves the pair out.
void add_text_pair(JsonValue& object, const char* key, const QString& value);

// Adds an outer pair after "REQUISICAO" ("ITENS_VENDA", "VENDA0").
void add_outer_pair(JsonValue& request, const char* key, JsonValue value);

// The catalogue of request kinds.
namespace requests {
JsonValue cliente(const Identity& id);
JsonValue produto(const Identity& id);
JsonValue hist_financeiro(const Identity& id, const QString& cli_id, const QString& filtro);
JsonValue hist_venda(const Identity& id, const QString& cli_id);
JsonValue boleto(const Identity& id, const QString& cre_id, const QString& tipo_documento);
JsonValue relatorio_financeiro(const Identity& id, const QString& cli_id, const QString& dta_inicio,
                               const QString& dta_final);
JsonValue relatorio_venda(const Identity& id, const QString& cli_id);
JsonValue mix_venda(const Identity& id, const QString& cli_id);
JsonValue validar_estoque(const Identity& id, JsonValue itens_venda);
JsonValue validar_financeiro(const Identity& id, const QString& cli_id);
JsonValue validar_hora_envio(const Identity& id);
JsonValue novo_pedido(const Identity& id, JsonValue venda0);

// The server-side folder that document requests name.
QString diretorio(const QString& empresa);
} // namespace requests
