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
    JsonParser(JsonParser&&) noexcept;
    JsonParser& operator=(JsonParser&&) noexcept;
    ~JsonParser();

    // The value, or nullopt when the text is not exactly one JSON value (of any type) with optional
    // blanks, tabs and line breaks around it: invalid UTF-8, a syntax error, a second value or
    // anything else after the value, or nesting deeper than max_depth.
    std::optional<JsonValue> parse(std::string_view utf8);

    // Writable room for a text of n bytes, kept by the parser; parse_buffer(m), m <= n, then parses
    // the first m bytes. Lets a file be read straight into the parser's memory. Valid until the next
    // call.
    char* buffer(std::size_t n);
    std::optional<JsonValue> parse_buffer(std::size_t n);

    // Far beyond any reply, and shallow enough for the recursive walks over the tree.
    static constexpr std::size_t max_depth = 256;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A one-off parse with a parser of its own.
std::optional<JsonValue> parse_json(std::string_view utf8);
