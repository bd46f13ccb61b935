#pragma once

class Database;

// Creates every table on an empty database; returns false when the tables were already there.
// Call it inside a transaction, so that a failed seed leaves no half-made database behind.
bool create_schema(Database& db);
