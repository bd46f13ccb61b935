#include "record_reader.h"

#include "core/errors.h"
#include "core/text.h"
#include "server/json_value_block.h"
#include "store/table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace Qt::StringLiterals;

std::string_view value_text(const JsonValue* value, std::string_view fallback)
{
    if (!value || value->is_null()) return fallback;
    switch (value->type()) {
    case JsonValue::Type::True:
        return "true";
    case JsonValue::Type::False:
        return "false";
    default:
        return value->text();
    }
}

std::string_view raw_text(const JsonValue* value)
{
    if (value && value->is_null()) return "null";
    return value_text(value, {});
}

namespace {

std::uint64_t word(const char* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// Pair names are short: compared a word at a time rather than through a call.
bool same_name(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    if (n < 8) return std::equal(a.begin(), a.end(), b.begin());
    for (std::size_t i = 0; i + 8 < n; i += 8)
        if (word(a.data() + i) != word(b.data() + i)) return false;
    return word(a.data() + n - 8) == word(b.data() + n - 8);
}

} // namespace

void write_field(Table& table, int field, bool integer, std::string_view text)
{
    if (integer) {
        // Up to nine digits always fit the field, so nothing the table would refuse is taken here.
        const bool negative = text.starts_with('-');
        const std::size_t digits = text.size() - (negative ? 1 : 0);
        if (digits > 0 && digits <= 9) {
            qint64 value = 0;
            std::size_t i = negative ? 1 : 0;
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
                value = value * 10 + (text[i] - '0');
            if (i == text.size()) {
                table.set_integer(field, negative ? -value : value);
                return;
            }
        }
    }
    table.set_text(field, text);
}

NumberedMembers::NumberedMembers(const JsonValue& list, std::string prefix, std::size_t count,
                                 const char* source)
    : list_(list), prefix_(std::move(prefix)), count_(count), source_(source), in_order_(list.is_object())
{
    name_.reserve(prefix_.size() + 12);
}

const JsonValue& NumberedMembers::at(std::size_t index)
{
    name_.assign(prefix_);
    name_ += std::to_string(index);
    const JsonValue* member = nullptr;
    // A pair outside the list (the reply's key) may stand between members; one that looks like a
    // member out of turn, or a member asked for out of turn, sends every later lookup to the index.
    if (index != next_index_) in_order_ = false;
    const json_detail::Block* pairs = in_order_ ? JsonBuilder::block(list_) : nullptr;
    while (pairs && next_ < pairs->size) {
        const std::string_view key = pairs->keys()[next_].view();
        if (key == name_) {
            member = pairs->values() + next_++;
            ++next_index_;
            break;
        }
        if (key.starts_with(prefix_)) {
            in_order_ = false;
            break;
        }
        ++next_;
    }
    if (!member) member = list_.find(name_);
    if (!member || !member->is_object())
        throw ProtocolError(u"Dados inválidos em %1: o registro \"%2\" %3. A carga foi interrompida; "
                            "os registros anteriores foram mantidos."_s.arg(
                                QString::fromLatin1(source_), qs(name_),
                                member ? u"não é um objeto"_s : u"não foi encontrado"_s));
    return *member;
}

RecordWriter::RecordWriter(Table& table, const FieldMapping* mapping, std::size_t count)
    : table_(table), mapping_(mapping), count_(count), values_(count)
{
    fields_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        fields_.push_back(table.field_index(QString::fromLatin1(mapping[i].field)));
        integer_.push_back(table.field(fields_.back()).type == FieldType::Integer);
        keys_.emplace_back(mapping[i].key);
        std::size_t first = 0;
        while (keys_[first] != keys_[i])
            ++first;
        first_.push_back(first);
        distinct_ += first == i;
    }
}

void RecordWriter::read(const JsonValue& record) const
{
    // One walk over the pairs finds every key: the server sends them in the mapping's order, so
    // the entry after the last one found is tried first. The pairs are read where they are stored,
    // as the writer does: this runs for every record of a catalogue.
    std::fill(values_.begin(), values_.end(), nullptr);
    const json_detail::Block* pairs = record.is_object() ? JsonBuilder::block(record) : nullptr;
    if (!pairs) return;
    const json_detail::Key* keys = pairs->keys();
    std::size_t found = 0;
    std::size_t hint = 0;
    for (std::uint32_t p = 0; p < pairs->size && found < distinct_; ++p) {
        const std::string_view key = keys[p].view();
        std::size_t i = hint;
        if (i >= count_ || !same_name(keys_[i], key)) {
            i = 0;
            while (i < count_ && !same_name(keys_[i], key))
                ++i;
            if (i == count_) continue;
        }
        i = first_[i];
        hint = i + 1;
        if (!values_[i]) {
            values_[i] = pairs->values() + p;
            ++found;
        }
    }
}

void RecordWriter::write() const
{
    for (std::size_t i = 0; i < count_; ++i) {
        const FieldMapping& m = mapping_[i];
        std::string_view text = value_text(values_[first_[i]], m.fallback);
        if (m.read == FieldMapping::Read::FirstCharacter && !text.empty()) {
            // The first character, not the first byte, of UTF-8 text.
            std::size_t n = 1;
            while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
                ++n;
            text = text.substr(0, n);
        }
        write_field(table_, fields_[i], integer_[i], text);
    }
}
