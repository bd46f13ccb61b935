#pragma once

#include <string>

class Database;
class ReplyPieces;
struct Salesperson;

// Append the reply objects of the two catalogue downloads to `out`. They are streamed straight from
// the database rows: a catalogue of 50,000 clients makes a reply of some 30 MB. With pieces, what
// has been written goes out through them a piece at a time, between two rows.
void write_cliente_reply(Database& db, const Salesperson& vendedor, std::string& out,
                         ReplyPieces* pieces = nullptr);
void write_produto_reply(Database& db, const Salesperson& vendedor, std::string& out,
                         ReplyPieces* pieces = nullptr);
