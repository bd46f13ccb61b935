#pragma once

#include <string>
#include <string_view>

class Database;
class ReplyPieces;
struct Salesperson;

// The two catalogues' reply objects are a list, the object open with its pairs and a comma after
// them, then the salesperson's key: the lists are the same for many downloads, the key is not.

// The client download's list, straight from the database rows: a catalogue of 50,000 clients makes
// a reply of some 30 MB. With pieces, what has been written goes out through them a piece at a time,
// between two rows.
void write_cliente_list(Database& db, const Salesperson& vendedor, std::string& out,
                        ReplyPieces* pieces = nullptr);
// The product download's list: the company's, the same for each of its salespeople.
void write_produto_list(Database& db, const std::string& empresa, std::string& out);
// What follows either list: the key pair and the closing brace.
std::string key_pair_and_end(std::string_view chave);
