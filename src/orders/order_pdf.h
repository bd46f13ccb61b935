#pragma once

#include <QByteArray>
#include <QString>

class TdmDados;
struct Context;
struct OrderCopy;
struct OrderKey;

// A printable copy of an order: A4, the order's header, client, items with the catalogue's
// descriptions, total, payment terms, delivery date and observations, in Brazilian formats.

// The PDF bytes of the order.
QByteArray pdf_pedido(const OrderCopy& copy, TdmDados& dados);

// Writes pedido_<número>.pdf into the data folder, replacing it as a whole, and returns its path.
// Raises FileError when the copy cannot be read or the file cannot be written.
QString gravar_pdf_pedido(const Context& context, TdmDados& dados, const OrderKey& key);
