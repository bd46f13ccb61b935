#pragma once

// The storage behind JsonValue, shared by the value and the parser that fills it.

#include "server/json_value.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace json_detail {

void store_heap_text(unsigned char* bytes, std::uint8_t& tag, std::string_view s);

// Copies up to 24 bytes with a few fixed-size moves instead of a call.
inline void copy_short(unsigned char* to, const char* from, std::size_t n) noexcept
{
    if (n >= 16) {
        std::memcpy(to, from, 16);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            to[i] = static_cast<unsigned char>(from[i]);
    }
}

inline void store_text(unsigned char* bytes, std::size_t capacity, std::uint8_t& tag, std::string_view s)
{
    if (s.size() > capacity) {
        store_heap_text(bytes, tag, s);
        return;
    }
    copy_short(bytes, s.data(), s.size());
    tag = static_cast<std::uint8_t>(s.size());
}

inline std::string_view text_view(const unsigned char* bytes, std::uint8_t tag) noexcept
{
    if (tag != heap_tag) return {reinterpret_cast<const char*>(bytes), tag};
    const char* p;
    std::size_t n;
    std::memcpy(&p, bytes, sizeof p);
    std::memcpy(&n, bytes + sizeof p, sizeof n);
    return {p, n};
}

// The name of an object pair: 23 bytes inline, longer names on the heap. Unused inline bytes are
// zero, so two short names compare as three words.
struct Key {
    unsigned char bytes[23];
    std::uint8_t tag;

    explicit Key(std::string_view s) : bytes{} { store_text(bytes, sizeof bytes, tag, s); }
    Key(const Key& other);
    Key& operator=(const Key&) = delete;
    ~Key();

    std::string_view view() const noexcept { return text_view(bytes, tag); }
    // Equality with a probe of at most 23 bytes (a longer name never matches one).
    bool same_short(const Key& probe) const noexcept { return std::memcmp(this, &probe, sizeof *this) == 0; }
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

    static constexpr std::uint32_t linear_limit = 32;

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
    // The pairs or elements of a container, or nullptr when it has none.
    static const json_detail::Block* block(const JsonValue& v) noexcept { return v.block(); }

    // Makes the empty value v a string or a number.
    static void set_scalar(JsonValue& v, JsonValue::Type type, std::string_view text)
    {
        json_detail::store_text(v.bytes_, JsonValue::inline_text, v.tag_, text);
        v.type_ = type;
    }
};
