#pragma once

#include <optional>
#include <string>
#include <string_view>

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
Salesperson identify(Database& db, std::string_view empresa, std::string_view chave_vendedor);

// The "EMPRESA" and "CHAVE_VENDEDOR" of a request body, read without parsing the body: the envelope
// {"_parameters":[{"REQUISICAO":{...}}]} must open the body and hold both pairs within its first few
// kilobytes, as every client request does. Nothing when it does not.
struct NamedSalesperson {
    std::string empresa;
    std::string chave_vendedor;
    std::string table; // the request's kind when it comes before them, for the log
};
std::optional<NamedSalesperson> scan_salesperson(std::string_view body);
