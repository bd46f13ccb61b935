#pragma once

#include <QList>
#include <QString>

#include <utility>

class Table;

// What a card shows of the current row of a table: the objectName of each edit and its text, in the
// order the edits are filled. Amounts are read exactly with the regional decimal separator and shown
// with two decimals, a half rounded away from zero; a text that is no such number raises ConversionError,
// before any card exists.
using CardValues = QList<std::pair<QString, QString>>;

CardValues client_card_values(const Table& tblCliente);
CardValues product_card_values(const Table& tblProduto);
