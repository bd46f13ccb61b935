#pragma once

#include "server/json_value.h"
#include "store/table.h"

#include <string>
#include <string_view>

class Table;

// How a reply value becomes field text: a missing key or a JSON null gives the fallback, a string
// its characters, a number its digits as written.
std::string_view value_text(const JsonValue* value, std::string_view fallback);
// The value's own text without a fallback: a JSON null reads "null", a missing key reads empty.
std::string_view raw_text(const JsonValue* value);

// The numbered members of a list object ("CLIENTE0", "CLIENTE1", ...). A member that is missing or
// not an object raises ProtocolError naming it, so a malformed reply never reads what is not there.
class NumberedMembers {
public:
    NumberedMembers(const JsonValue& list, std::string prefix, std::size_t count, const char* source);
    std::size_t count() const { return count_; }
    const JsonValue& at(std::size_t index);

private:
    const JsonValue& list_;
    std::string prefix_;
    std::string name_;
    std::size_t count_;
    const char* source_;
    // Members come in order, so the pair at this position is tried before the name index. Every
    // pair before it has been passed over as another member's or as one outside the list.
    std::size_t next_ = 0;
    std::size_t next_index_ = 0;
    bool in_order_;
};

// Table::set_text, with the short whole numbers of an integer field read here: the table's own
// conversion goes through QString, and a catalogue holds millions of them.
void write_field(Table& table, int field, bool integer, std::string_view text);

// One field write of a record: the key of the record, the field of the table, how it is read.
struct FieldMapping {
    enum class Read : std::uint8_t { Text, FirstCharacter };
    const char* key;
    const char* field;
    std::string_view fallback;
    Read read = Read::Text;
};

// Writes a record's values into the row being inserted or edited, in the order of the mapping.
// Conversions are the table's: an integer field takes the text of a whole number or raises.
class RecordWriter {
public:
    template <std::size_t N>
    RecordWriter(Table& table, const FieldMapping (&mapping)[N]) : RecordWriter(table, mapping, N)
    {
    }
    RecordWriter(Table& table, const FieldMapping* mapping, std::size_t count);
    void write(const JsonValue& record) const
    {
        read(record);
        write();
    }
    // The same in two steps, for a caller that looks at a value before writing: read finds the
    // record's values (the first pair of each key), value(i) is entry i's (nullptr when missing),
    // write() writes them.
    void read(const JsonValue& record) const;
    const JsonValue* value(std::size_t i) const { return values_[first_[i]]; }
    void write() const;
    int field(std::size_t i) const { return fields_[i]; }

private:
    Table& table_;
    const FieldMapping* mapping_;
    std::size_t count_;
    std::vector<int> fields_;
    std::vector<char> integer_;
    std::vector<std::string_view> keys_;
    // The first mapping entry of each entry's key, for a key that two fields read.
    std::vector<std::size_t> first_;
    std::size_t distinct_ = 0;
    mutable std::vector<const JsonValue*> values_;
};

// Runs write(row) between append/edit and post; a row whose values fail to convert is dropped, the
// rows posted before stay.
template <class Fill> void post_row(Table& table, Fill&& fill)
{
    try {
        fill();
        table.post();
    } catch (...) {
        table.cancel();
        throw;
    }
}
