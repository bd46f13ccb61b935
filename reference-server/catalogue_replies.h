#pragma once

#include <string>
#include <string_view>

class Database;
class ReplyPieces;
struct Salesperson;

// Appends the reply object of the client download to `out`, straight from the database rows: a
// catalogue of 50,000 clients makes a reply of some 30 MB. With pieces, what has been written goes
// out through them a piece at a time, between two rows.
void write_cliente_reply(Database& db, const Salesperson& vendedor, std::string& out,
                         ReplyPieces* pieces = nullptr);
// The product download's reply object is the company's list, the same for each of its salespeople,
// then the salesperson's key: the list is the object open with its pairs, the tail the key pair and
// the closing brace.
void write_produto_list(Database& db, const std::string& empresa, std::string& out);
std::string produto_reply_tail(std::string_view chave);
