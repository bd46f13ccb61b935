#include "record_reader.h"

#include "core/errors.h"
#include "core/text.h"
#include "store/table.h"

using namespace Qt::StringLiterals;

std::string_view value_text(const JsonValue* value, std::string_view fallback)
{
    if (!value || value->is_null())
        return fallback;
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
    if (value && value->is_null())
        return "null";
    return value_text(value, {});
}

NumberedMembers::NumberedMembers(const JsonValue& list, std::string prefix, std::size_t count, const char* source)
    : list_(list), prefix_(std::move(prefix)), count_(count), source_(source)
{
    name_.reserve(prefix_.size() + 12);
}

const JsonValue& NumberedMembers::at(std::size_t index)
{
    name_.assign(prefix_);
    name_ += std::to_string(index);
    const JsonValue* member = list_.find(name_);
    if (!member || !member->is_object())
        throw ProtocolError(u"Dados inválidos em %1: o registro \"%2\" %3. A carga foi interrompida; "
                            "os registros anteriores foram mantidos."_s
                                .arg(QString::fromLatin1(source_), qs(name_),
                                     member ? u"não é um objeto"_s : u"não foi encontrado"_s));
    return *member;
}

RecordWriter::RecordWriter(Table& table, const FieldMapping* mapping, std::size_t count)
    : table_(table), mapping_(mapping)
{
    fields_.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        fields_.push_back(table.field_index(QString::fromLatin1(mapping[i].field)));
}

void RecordWriter::write(const JsonValue& record) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const FieldMapping& m = mapping_[i];
        std::string_view text = value_text(record.find(m.key), m.fallback);
        if (m.read == FieldMapping::Read::FirstCharacter && !text.empty()) {
            // The first character, not the first byte, of UTF-8 text.
            std::size_t n = 1;
            while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
                ++n;
            text = text.substr(0, n);
        }
        table_.set_text(fields_[i], text);
    }
}
