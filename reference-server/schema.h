#pragma once

class Database;

// Creates every table on an empty database, or brings an older one up to date; returns true only
// when the tables were made on an empty database (which then needs its data).
// Call it inside a transaction, so that a failed seed leaves no half-made database behind.
bool create_schema(Database& db);
