#pragma once

class Table;

// What a grid binds to: the table whose visible rows it shows.
class DataSource {
public:
    explicit DataSource(Table& table) : table_(&table) {}
    Table& table() const { return *table_; }

private:
    Table* table_;
};
