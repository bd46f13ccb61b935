#pragma once

#include <QString>

class Table;

// Finds catalogue rows by their whole-number id, and afterwards puts the table's current row back
// where it was, since a grid of another screen may be showing it.
class CatalogueLookup {
public:
    CatalogueLookup(Table& table, QString id_field);
    ~CatalogueLookup();
    CatalogueLookup(const CatalogueLookup&) = delete;
    CatalogueLookup& operator=(const CatalogueLookup&) = delete;

    // Makes the row of id current; false when id is no whole number or no row has it.
    bool find(const QString& id);
    Table& table() const { return table_; }

private:
    Table& table_;
    QString id_field_;
    int was_ = -1;
    bool moved_ = false;
};
