#include "server/json_value.h"

#include "server/json_value_block.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <utility>

namespace json_detail {

namespace {

char* heap_copy(std::string_view s)
{
    char* p = new char[s.size()];
    std::memcpy(p, s.data(), s.size());
    return p;
}

std::size_t hash(std::string_view s) noexcept
{
    return std::hash<std::string_view>{}(s);
}

} // namespace

void store_heap_text(unsigned char* bytes, std::uint8_t& tag, std::string_view s)
{
    char* p = heap_copy(s);
    const std::size_t n = s.size();
    std::memcpy(bytes, &p, sizeof p);
    std::memcpy(bytes + sizeof p, &n, sizeof n);
    tag = heap_tag;
}

Key::Key(const Key& other) : Key(other.view()) {}

Key::~Key()
{
    if (tag == heap_tag) {
        char* p;
        std::memcpy(&p, bytes, sizeof p);
        delete[] p;
    }
}

// Open addressing over the pair positions (stored + 1, 0 = empty); the table is kept at most half
// full. Only the first pair of a name is entered, so a lookup finds the first one.
struct NameIndex {
    std::uint32_t mask = 0;
    std::uint32_t used = 0;
    std::unique_ptr<std::uint32_t[]> slots;

    void reset(std::size_t pairs)
    {
        std::size_t n = 16;
        while (n < pairs * 2 + 2)
            n *= 2;
        mask = static_cast<std::uint32_t>(n - 1);
        used = 0;
        slots = std::make_unique<std::uint32_t[]>(n);
    }

    // Enters pair i unless its name is there already.
    void add(const Key* keys, std::uint32_t i)
    {
        const std::string_view name = keys[i].view();
        std::size_t s = hash(name) & mask;
        while (slots[s] != 0) {
            if (keys[slots[s] - 1].view() == name) return;
            s = (s + 1) & mask;
        }
        slots[s] = i + 1;
        ++used;
    }

    std::int64_t lookup(const Key* keys, std::string_view name) const
    {
        std::size_t s = hash(name) & mask;
        while (slots[s] != 0) {
            if (keys[slots[s] - 1].view() == name) return slots[s] - 1;
            s = (s + 1) & mask;
        }
        return -1;
    }
};

Block* Block::allocate(std::size_t capacity, bool object)
{
    if (capacity > UINT32_MAX) throw std::length_error("JSON container too large");
    const std::size_t bytes = sizeof(Block) + capacity * (sizeof(JsonValue) + (object ? sizeof(Key) : 0));
    void* raw = ::operator new(bytes);
    Block* b = new (raw) Block;
    b->capacity = static_cast<std::uint32_t>(capacity);
    b->object = object;
    return b;
}

void Block::destroy(Block* b) noexcept
{
    if (!b) return;
    JsonValue* v = b->values();
    for (std::uint32_t i = 0; i < b->size; ++i)
        v[i].~JsonValue();
    if (b->object) {
        Key* k = b->keys();
        for (std::uint32_t i = 0; i < b->size; ++i)
            k[i].~Key();
    }
    delete b->index;
    b->~Block();
    ::operator delete(static_cast<void*>(b));
}

Block* Block::grow(Block* b, std::size_t capacity)
{
    Block* n = allocate(capacity, b->object);
    JsonValue* from = b->values();
    JsonValue* to = n->values();
    for (std::uint32_t i = 0; i < b->size; ++i)
        new (to + i) JsonValue(std::move(from[i]));
    if (b->object) {
        Key* kf = b->keys();
        Key* kt = n->keys();
        // Keys own at most one heap block through a raw pointer: moving their bytes is a move.
        std::memcpy(static_cast<void*>(kt), static_cast<const void*>(kf), b->size * sizeof(Key));
        for (std::uint32_t i = 0; i < b->size; ++i)
            kf[i].tag = 0;
    }
    n->size = b->size;
    n->index = std::exchange(b->index, nullptr);
    destroy(b);
    return n;
}

std::int64_t Block::find(std::string_view name) const
{
    const Key* k = keys();
    if (size <= linear_limit) {
        if (name.size() <= sizeof k->bytes) {
            const Key probe(name);
            for (std::uint32_t i = 0; i < size; ++i)
                if (k[i].same_short(probe)) return i;
        } else {
            for (std::uint32_t i = 0; i < size; ++i)
                if (k[i].view() == name) return i;
        }
        return -1;
    }
    if (!index) {
        index = new NameIndex;
        index->reset(size);
        for (std::uint32_t i = 0; i < size; ++i)
            index->add(k, i);
    }
    return index->lookup(k, name);
}

void Block::indexed_append()
{
    if (!index) return;
    if ((index->used + 1) * 2 > index->mask) {
        delete index;
        index = nullptr; // rebuilt at the next lookup
        return;
    }
    index->add(keys(), size - 1);
}

} // namespace json_detail

using json_detail::Block;
using json_detail::Key;

Block* JsonValue::block() const noexcept
{
    Block* b;
    std::memcpy(&b, bytes_, sizeof b);
    return b;
}

void JsonValue::set_block(Block* b) noexcept
{
    std::memcpy(bytes_, &b, sizeof b);
}

void JsonValue::set_text(std::string_view text)
{
    json_detail::store_text(bytes_, inline_text, tag_, text);
}

void JsonValue::release() noexcept
{
    if (type_ == Type::Array || type_ == Type::Object) {
        Block::destroy(block());
    } else if (tag_ == json_detail::heap_tag) {
        char* p;
        std::memcpy(&p, bytes_, sizeof p);
        delete[] p;
    }
    tag_ = 0;
    type_ = Type::Null;
}

JsonValue::JsonValue(const JsonValue& other)
{
    if (other.type_ == Type::Array || other.type_ == Type::Object) {
        const Block* from = other.block();
        if (from) {
            const bool object = other.type_ == Type::Object;
            Block* b = Block::allocate(from->size, object);
            try {
                for (std::uint32_t i = 0; i < from->size; ++i) {
                    new (b->values() + i) JsonValue(from->values()[i]);
                    if (object) {
                        try {
                            new (b->keys() + i) Key(from->keys()[i]);
                        } catch (...) {
                            b->values()[i].~JsonValue();
                            throw;
                        }
                    }
                    b->size = i + 1;
                }
            } catch (...) {
                Block::destroy(b);
                throw;
            }
            set_block(b);
        }
    } else if (other.tag_ != 0) {
        set_text(other.text());
    }
    type_ = other.type_;
}

JsonValue& JsonValue::operator=(const JsonValue& other)
{
    if (this != &other) {
        JsonValue copy(other);
        *this = std::move(copy);
    }
    return *this;
}

JsonValue JsonValue::string(std::string_view utf8)
{
    JsonValue v;
    v.set_text(utf8);
    v.type_ = Type::String;
    return v;
}

JsonValue JsonValue::number(std::string_view text)
{
    JsonValue v;
    v.set_text(text);
    v.type_ = Type::Number;
    return v;
}

JsonValue JsonValue::boolean(bool value)
{
    JsonValue v;
    v.type_ = value ? Type::True : Type::False;
    return v;
}

JsonValue JsonValue::object()
{
    JsonValue v;
    v.type_ = Type::Object;
    return v;
}

JsonValue JsonValue::array()
{
    JsonValue v;
    v.type_ = Type::Array;
    return v;
}

std::string_view JsonValue::text() const noexcept
{
    if (type_ != Type::String && type_ != Type::Number) return {};
    return json_detail::text_view(bytes_, tag_);
}

std::size_t JsonValue::size() const noexcept
{
    if (type_ != Type::Array && type_ != Type::Object) return 0;
    const Block* b = block();
    return b ? b->size : 0;
}

const JsonValue& JsonValue::at(std::size_t i) const
{
    if (i >= size()) throw std::out_of_range("JsonValue::at");
    return block()->values()[i];
}

JsonValue& JsonValue::at(std::size_t i)
{
    if (i >= size()) throw std::out_of_range("JsonValue::at");
    return block()->values()[i];
}

std::string_view JsonValue::key_at(std::size_t i) const
{
    if (type_ != Type::Object || i >= size()) throw std::out_of_range("JsonValue::key_at");
    return block()->keys()[i].view();
}

const JsonValue* JsonValue::find(std::string_view key) const
{
    if (type_ != Type::Object) return nullptr;
    const Block* b = block();
    if (!b) return nullptr;
    const std::int64_t i = b->find(key);
    return i < 0 ? nullptr : b->values() + i;
}

JsonValue* JsonValue::find(std::string_view key)
{
    return const_cast<JsonValue*>(std::as_const(*this).find(key));
}

void JsonValue::reserve(std::size_t n)
{
    if (type_ != Type::Array && type_ != Type::Object)
        throw std::logic_error("JsonValue::reserve on a scalar");
    Block* b = block();
    if (!b)
        set_block(Block::allocate(n, type_ == Type::Object));
    else if (n > b->capacity)
        set_block(Block::grow(b, n));
}

namespace {

void make_room(Block*& b, bool object)
{
    if (!b)
        b = Block::allocate(4, object);
    else if (b->size == b->capacity)
        b = Block::grow(b, std::max<std::size_t>(4, std::size_t{b->capacity} * 2));
}

} // namespace

JsonValue& JsonValue::insert(std::string_view key, JsonValue value)
{
    if (type_ != Type::Object) throw std::logic_error("JsonValue::insert on a non-object");
    Block* b = block();
    Key k(key);
    make_room(b, true);
    set_block(b);
    JsonValue* slot = new (b->values() + b->size) JsonValue(std::move(value));
    std::memcpy(static_cast<void*>(b->keys() + b->size), static_cast<const void*>(&k), sizeof(Key));
    k.tag = 0;
    ++b->size;
    b->indexed_append();
    return *slot;
}

JsonValue& JsonValue::push_back(JsonValue value)
{
    if (type_ != Type::Array) throw std::logic_error("JsonValue::push_back on a non-array");
    Block* b = block();
    make_room(b, false);
    set_block(b);
    JsonValue* slot = new (b->values() + b->size) JsonValue(std::move(value));
    ++b->size;
    return *slot;
}

bool operator==(const JsonValue& a, const JsonValue& b) noexcept
{
    if (a.type_ != b.type_) return false;
    if (a.type_ != JsonValue::Type::Array && a.type_ != JsonValue::Type::Object) return a.text() == b.text();
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    const bool object = a.type_ == JsonValue::Type::Object;
    for (std::size_t i = 0; i < n; ++i) {
        if (object && a.key_at(i) != b.key_at(i)) return false;
        if (!(a.at(i) == b.at(i))) return false;
    }
    return true;
}

JsonValue JsonBuilder::array(JsonValue* values, std::size_t n)
{
    JsonValue v = JsonValue::array();
    if (n == 0) return v;
    Block* b = Block::allocate(n, false);
    for (std::size_t i = 0; i < n; ++i)
        new (b->values() + i) JsonValue(std::move(values[i]));
    b->size = static_cast<std::uint32_t>(n);
    v.set_block(b);
    return v;
}

JsonValue JsonBuilder::object(JsonValue* values, const std::string_view* names, std::size_t n)
{
    JsonValue v = JsonValue::object();
    if (n == 0) return v;
    Block* b = Block::allocate(n, true);
    v.set_block(b);
    for (std::size_t i = 0; i < n; ++i) {
        new (b->keys() + i) Key(names[i]); // may throw: the block then holds pairs 0..i-1
        new (b->values() + i) JsonValue(std::move(values[i]));
        b->size = static_cast<std::uint32_t>(i + 1);
    }
    return v;
}
