#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace json_detail {
struct Block;
}

// An ordered JSON value. Object pairs stay in insertion order and numbers keep their text as written,
// because the cache files and the requests depend on both. Strings hold UTF-8.
//
// A catalogue reply holds well over a million values, so a value is 24 bytes: short texts live
// inside it, and the pairs or elements of a container sit in one block of exact size.
class alignas(8) JsonValue {
public:
    enum class Type : std::uint8_t { Null, False, True, Number, String, Array, Object };

    JsonValue() noexcept = default;
    JsonValue(JsonValue&&) noexcept;
    JsonValue& operator=(JsonValue&&) noexcept;
    JsonValue(const JsonValue&);
    JsonValue& operator=(const JsonValue&);
    ~JsonValue();

    static JsonValue string(std::string_view utf8);
    static JsonValue number(std::string_view text);
    static JsonValue boolean(bool value);
    static JsonValue object();
    static JsonValue array();

    Type type() const noexcept { return type_; }
    bool is_null() const noexcept { return type_ == Type::Null; }
    bool is_object() const noexcept { return type_ == Type::Object; }
    bool is_array() const noexcept { return type_ == Type::Array; }
    bool is_string() const noexcept { return type_ == Type::String; }
    bool is_number() const noexcept { return type_ == Type::Number; }
    bool is_bool() const noexcept { return type_ == Type::True || type_ == Type::False; }

    // The characters of a string or the text of a number as written; empty for the other types.
    std::string_view text() const noexcept;

    // Pairs of an object or elements of an array; 0 for the other types.
    std::size_t size() const noexcept;
    // Value of pair i of an object, or element i of an array. i < size().
    const JsonValue& at(std::size_t i) const;
    JsonValue& at(std::size_t i);
    // Name of pair i of an object. i < size().
    std::string_view key_at(std::size_t i) const;
    // The first pair with this name, or nullptr (also for non-objects). Names are indexed on first
    // use, so a lookup never scans an object of many pairs.
    const JsonValue* find(std::string_view key) const;
    JsonValue* find(std::string_view key);

    // Appends a pair to an object / an element to an array; returns the stored value.
    JsonValue& insert(std::string_view key, JsonValue value);
    JsonValue& push_back(JsonValue value);
    void reserve(std::size_t n);

    // Deep comparison: same types, same texts, same pairs in the same order.
    friend bool operator==(const JsonValue& a, const JsonValue& b) noexcept;

    // Text stored inline up to this many bytes; longer texts take one heap block.
    static constexpr std::size_t inline_text = 22;

private:
    friend class JsonBuilder;

    json_detail::Block* block() const noexcept;
    void set_block(json_detail::Block* b) noexcept;
    void set_text(std::string_view text);
    void release() noexcept;
    void take(JsonValue& other) noexcept;

    // A short text, its length in tag_; or (tag_ == heap_tag) a pointer and a length; or the
    // container's Block pointer. Pointers are stored by memcpy so the value stays 24 bytes.
    unsigned char bytes_[inline_text] = {};
    std::uint8_t tag_ = 0;
    Type type_ = Type::Null;
};

static_assert(sizeof(JsonValue) == 24);
