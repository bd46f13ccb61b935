#pragma once

#include <string>

class Database;
class JsonValue;

// The salesperson a request speaks for, with the key the server holds for them.
struct Salesperson {
    std::string empresa;
    std::string id;
    std::string chave;
};

// Finds the salesperson named by the request's "EMPRESA" and "CHAVE_VENDEDOR" (the company
// immediately followed by the salesperson id). Raises RequestError 403 for anyone not on file.
Salesperson identify(Database& db, const JsonValue& requisicao);
