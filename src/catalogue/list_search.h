#pragma once

#include <QString>

class Table;

// The search of the client and product lists, on the table's own filter (shared with every other
// user of the table). A code, when given, wins: "<id_field> = <code as typed>". Otherwise a name
// gives "<text_field> LIKE '<name>%'" with each quote doubled. With neither the filter text stays.
// Filtering is switched on in every case; a code that is no whole number raises ConversionError.
void aplicar_pesquisa(Table& table, const QString& id_field, const QString& code, const QString& text_field,
                      const QString& name);

// The id of the row the salesperson sees selected: the current row's, or 0 when there is none or
// the active search hides it (a refresh or a locate may leave a hidden row current).
int selected_id(const Table& table, QStringView id_field);

// Empty filter text, filtering off: what the clear button does and every closing of a list.
void limpar_pesquisa(Table& table);
