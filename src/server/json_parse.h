#pragma once

#include "server/json_value.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

// Parses UTF-8 JSON text into a JsonValue. One parser keeps its working memory between calls, and
// fresh memory is the largest cost of a big reply, so a load of several replies uses one parser.
class JsonParser {
public:
    JsonParser();
    // A parser whose trees hold at most value_limit values (at most max_values).
    explicit JsonParser(std::size_t value_limit);
    JsonParser(JsonParser&&) noexcept;
    JsonParser& operator=(JsonParser&&) noexcept;
    ~JsonParser();

    // The value, or nullopt when the text is not exactly one JSON value (of any type) with optional
    // blanks, tabs and line breaks around it: invalid UTF-8, a syntax error anywhere in the text, a
    // second value or anything else after the value, or nesting deeper than max_depth.
    // A text longer than max_bytes, or holding more than max_values values, raises ProtocolError.
    std::optional<JsonValue> parse(std::string_view utf8);

    // Writable room for a text of n bytes, kept by the parser; parse_buffer(m), m <= n, then parses
    // the first m bytes. Lets a file be read straight into the parser's memory. Valid until the next
    // call. Raises ProtocolError when n is above max_bytes.
    char* buffer(std::size_t n);
    std::optional<JsonValue> parse_buffer(std::size_t n);

    // Far beyond any reply, and shallow enough for the recursive walks over the tree.
    static constexpr std::size_t max_depth = 256;

    // Largest text taken: twice the reply of a 200,000-client catalogue (125 MB). Reading a text
    // costs about five times its size in working memory at most, so this also bounds that.
    static constexpr std::size_t max_bytes = std::size_t{256} << 20;
    // Largest tree: a value takes 24 bytes and a pair's name 24 more, so a text of tiny values
    // grows thirty times in memory. That client reply holds 5 million values; this many take under
    // 1 GB.
    static constexpr std::size_t max_values = std::size_t{16} << 20;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A one-off parse with a parser of its own.
std::optional<JsonValue> parse_json(std::string_view utf8);
