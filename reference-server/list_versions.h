#pragma once

#include <cstdint>
#include <string>

class Database;

// Counters that triggers raise on every change of the rows a downloaded list is made of, so that a
// list kept in memory is known to be current without reading it again.

// The catalogue's version: products, price tables and prices.
std::int64_t catalogue_version(Database& db);
// The version of a salesperson's client list: their clients.
std::int64_t client_list_version(Database& db, const std::string& empresa, const std::string& ven_id);
// Makes the counters and their triggers when missing; after the first load, which they would slow.
void ensure_list_versions(Database& db);
