#pragma once

// The storage behind JsonValue, shared by the value and the parser that fills it.

#include "server/json_value.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace json_detail {

// Marks a text kept on the heap: the inline bytes then hold its pointer and length.
inline constexpr std::uint8_t heap_tag = 0xFF;

void store_text(unsigned char* bytes, std::size_t capacity, std::uint8_t& tag, std::string_view s);

inline std::string_view text_view(const unsigned char* bytes, std::uint8_t tag) noexcept
{
    if (tag != heap_tag)
        return {reinterpret_cast<const char*>(bytes), tag};
    const char* p;
    std::size_t n;
    std::memcpy(&p, bytes, sizeof p);
    std::memcpy(&n, bytes + sizeof p, sizeof n);
    return {p, n};
}

// The name of an object pair: 23 bytes inline, longer names on the heap.
struct Key {
    unsigned char bytes[23];
    std::uint8_t tag;

    explicit Key(std::string_view s);
    Key(const Key& other);
    Key& operator=(const Key&) = delete;
    ~Key();

    std::string_view view() const noexcept { return text_view(bytes, tag); }
};

static_assert(sizeof(Key) == 24);

struct NameIndex;

// One allocation per container: this header, then `capacity` values, then (objects) as many keys.
struct Block {
    std::uint32_t size = 0;
    std::uint32_t capacity = 0;
    bool object = false;
    // Built on the first lookup in an object of more than linear_limit pairs.
    mutable NameIndex* index = nullptr;

    static constexpr std::uint32_t linear_limit = 8;

    static Block* allocate(std::size_t capacity, bool object);
    static void destroy(Block* b) noexcept;
    // A block of the new capacity holding b's values and keys; b is freed.
    static Block* grow(Block* b, std::size_t capacity);

    JsonValue* values() noexcept { return reinterpret_cast<JsonValue*>(this + 1); }
    const JsonValue* values() const noexcept { return reinterpret_cast<const JsonValue*>(this + 1); }
    Key* keys() noexcept { return reinterpret_cast<Key*>(values() + capacity); }
    const Key* keys() const noexcept { return reinterpret_cast<const Key*>(values() + capacity); }

    // Position of the first pair with this name, or -1.
    std::int64_t find(std::string_view name) const;
    // Keeps the index in step after a pair was appended at size - 1.
    void indexed_append();
};

static_assert(sizeof(Block) % alignof(JsonValue) == 0);

} // namespace json_detail

// Builds containers in one step from values gathered elsewhere (the parser's stacks), so each
// container costs exactly one allocation of the right size.
class JsonBuilder {
public:
    // Moves n values (and, for an object, n names) into a new container.
    static JsonValue array(JsonValue* values, std::size_t n);
    static JsonValue object(JsonValue* values, const std::string_view* names, std::size_t n);
    // A string or number whose text is already known to be valid.
    static JsonValue scalar(JsonValue::Type type, std::string_view text)
    {
        JsonValue v;
        v.set_text(text);
        v.type_ = type;
        return v;
    }
};
