#pragma once

#include "server/json_value.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

struct Context;

// What becomes of an order, kept in historico_vendas beside its copy venda_<número>_<DDMMYY>.json:
//
// - venda_<número>_<DDMMYY>.pendente holds the request, exactly as it is to be posted, while the
//   order waits to be sent. It goes only once a post of it has returned, so that a crash or a cut
//   line at any moment leaves it waiting (the server takes the same order once).
// - venda_<número>_<DDMMYY>.enviando is written, empty, just before the order screen posts; it goes
//   when the post returns or the order is kept to send later. Left behind, it says the order was
//   never known to reach the server.
// - An order with neither file was sent.
//
// The file names carry the order's number and the day it was saved; the copy itself is never
// touched here.

// An order, by its number and the day it was saved.
struct OrderKey {
    QString pedido;
    QDate dia;
    bool operator==(const OrderKey&) const = default;
};

enum class Situacao { Enviado, Pendente, NaoEnviado };

// "ENVIADO", "PENDENTE", "NÃO ENVIADO".
QString texto_situacao(Situacao situacao);

// historico_vendas\venda_<número>_<DDMMYY>, the common stem of an order's files.
QString stem_pedido(const OrderKey& key);
// The absolute path of one of an order's files: extension ".json", ".pendente" or ".enviando".
QString caminho_pedido(const Context& context, const OrderKey& key, const QString& extension);
// The key of a file name of historico_vendas ("venda_10000_091225.json", any extension), or
// nothing when the name is not one of an order.
std::optional<OrderKey> key_from_file_name(const QString& file_name);

// Every order of historico_vendas that has a copy or waits to be sent, oldest first (by day, then
// by number), with its situation.
struct OrderEntry {
    OrderKey key;
    Situacao situacao = Situacao::Enviado;
    bool has_copy = false; // the .json copy exists
};
QList<OrderEntry> listar_pedidos(const Context& context);
// The orders waiting to be sent, oldest first.
QList<OrderKey> pedidos_pendentes(const Context& context);

// The post of the order screen is about to go out / has returned. Raise FileError.
void marcar_enviando(const Context& context, const OrderKey& key);
void envio_concluido(const Context& context, const OrderKey& key);

// Keeps the request to be sent later; the order stops being "enviando". Raises FileError, and then
// nothing has changed.
void guardar_pendente(const Context& context, const OrderKey& key, const JsonValue& request);
// The request kept for a pending order. Raises FileError when it cannot be read or is not an order.
JsonValue ler_pendente(const Context& context, const OrderKey& key);
// The pending order's post has returned: it is sent. Raises FileError.
void pendente_enviado(const Context& context, const OrderKey& key);
