#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace json_detail {
struct Block;
// tag_ of a text kept on the heap: the inline bytes then hold its pointer and length.
inline constexpr std::uint8_t heap_tag = 0xFF;
} // namespace json_detail

// An ordered JSON value. Object pairs stay in insertion order and numbers keep their text as written,
// because the cache files and the requests depend on both. Strings hold UTF-8.
//
// A catalogue reply holds well over a million values, so a value is 24 bytes: short texts live
// inside it, and the pairs or elements of a container sit in one block of exact size.
class alignas(8) JsonValue {
public:
    enum class Type : std::uint8_t { Null, False, True, Number, String, Array, Object };

    JsonValue() noexcept = default;
    JsonValue(JsonValue&& other) noexcept { take(other); }
    JsonValue& operator=(JsonValue&& other) noexcept
    {
        // other may live inside this value (v = std::move(v.at(0))): detach it before releasing.
        JsonValue detached(std::move(other));
        release();
        take(detached);
        return *this;
    }
    JsonValue(const JsonValue&);
    JsonValue& operator=(const JsonValue&);
    ~JsonValue()
    {
        if (tag_ == json_detail::heap_tag || type_ == Type::Array || type_ == Type::Object) release();
    }

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
    // use, so a lookup never scans an object of many pairs; the index is built inside this const
    // call, so one object is not looked up from two threads at once.
    const JsonValue* find(std::string_view key) const;
    JsonValue* find(std::string_view key);

    // Appends a pair to an object / an element to an array; returns the stored value. As with a
    // vector, references into the container are valid until its next insert, push_back or reserve.
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
    void take(JsonValue& other) noexcept
    {
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        tag_ = other.tag_;
        type_ = other.type_;
        other.tag_ = 0;
        other.type_ = Type::Null;
    }

    // A short text, its length in tag_; or (tag_ == heap_tag) a pointer and a length; or the
    // container's Block pointer. Pointers are stored by memcpy so the value stays 24 bytes. A value
    // left with tag_ 0 and type Null owns nothing, whatever its bytes hold.
    unsigned char bytes_[inline_text] = {};
    std::uint8_t tag_ = 0;
    Type type_ = Type::Null;
};

static_assert(sizeof(JsonValue) == 24);
