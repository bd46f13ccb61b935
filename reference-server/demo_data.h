#pragma once

#include <chrono>
#include <optional>
#include <string>

class Database;

// How much demo data a new database gets. The demo holds two salespeople sharing a few hundred
// clients; a sized catalogue gives every client to salesperson 1 (benchmarks).
struct SeedSizes {
    int clientes = 300;
    int produtos = 250;
    int tabelas = 3;
    bool sized = false;

    // Stored with the data, so that a later start can tell which catalogue the database holds.
    std::string describe() const;
};

// Fills a freshly created database. The same sizes give the same data; only the dates of sales and
// receivables follow `today`, so that the client's 180-day history always has something to show.
void seed_database(Database& db, const SeedSizes& sizes, std::chrono::sys_days today);

// Opens the database file, creating and seeding it on first use. A database that already holds data
// is used as it stands; asking for a sized catalogue that it does not hold is an error (DatabaseError).
// A new database's dates follow today, the local date when none is given. Returns a line for the
// log saying what was done.
std::string prepare_database(const std::string& path, const SeedSizes& sizes,
                             std::optional<std::chrono::sys_days> today = {});
