#include "server/json_parse.h"

#include "core/errors.h"
#include "server/json_value_block.h"

#include <QString>

#include <simdjson.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using namespace Qt::StringLiterals;
using simdjson::error_code;
using simdjson::SUCCESS;
namespace ondemand = simdjson::ondemand;

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// The JSON number grammar. The parser hands numbers over as raw tokens, which it does not check.
bool is_json_number(std::string_view t)
{
    std::size_t i = 0;
    const std::size_t n = t.size();
    if (i < n && t[i] == '-') ++i;
    if (i >= n) return false;
    if (t[i] == '0') {
        ++i;
    } else if (is_digit(t[i])) {
        while (i < n && is_digit(t[i]))
            ++i;
    } else {
        return false;
    }
    if (i < n && t[i] == '.') {
        ++i;
        if (i >= n || !is_digit(t[i])) return false;
        while (i < n && is_digit(t[i]))
            ++i;
    }
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        if (i >= n || !is_digit(t[i])) return false;
        while (i < n && is_digit(t[i]))
            ++i;
    }
    return i == n;
}

QString megabytes(std::size_t n)
{
    return QString::number((n + (std::size_t{1} << 20) - 1) >> 20);
}

[[noreturn]] void too_large(std::size_t n)
{
    throw ProtocolError(u"O texto JSON tem %1 MB, mais que o limite de %2 MB que o programa aceita."_s.arg(
        megabytes(n), megabytes(JsonParser::max_bytes)));
}

} // namespace

struct JsonParser::State {
    ondemand::parser parser{};
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    // Children of the containers being read, innermost last; a container takes its own off the
    // top when it closes, so every container is allocated once at its final size.
    std::vector<JsonValue> values;
    std::vector<std::string_view> names;
    std::size_t count = 0;
    std::size_t value_limit = max_values;

    char* room(std::size_t n)
    {
        if (n > max_bytes) too_large(n);
        const std::size_t need = n + 2 + simdjson::SIMDJSON_PADDING;
        if (need > capacity) {
            buffer.reset();
            buffer = std::make_unique_for_overwrite<char[]>(need);
            capacity = need;
        }
        return buffer.get();
    }

    // Reads v and appends it to values.
    template <class V> error_code build(V&& v, std::size_t depth);
    std::optional<JsonValue> run(std::size_t offset, std::size_t n);
};

template <class V> error_code JsonParser::State::build(V&& v, std::size_t depth)
{
    if (++count > value_limit) return simdjson::CAPACITY;
    ondemand::json_type type;
    if (error_code e = v.type().get(type)) return e;
    switch (type) {
    case ondemand::json_type::object: {
        if (depth >= max_depth) return simdjson::DEPTH_ERROR;
        ondemand::object object;
        if (error_code e = v.get_object().get(object)) return e;
        const std::size_t base = values.size();
        const std::size_t name_base = names.size();
        for (auto pair : object) {
            ondemand::field field;
            if (error_code e = std::move(pair).get(field)) return e;
            // Most names hold no escape: they are taken where they lie instead of being copied out.
            // The input was checked whole before the walk, so the closing quote is there.
            const char* raw = field.key().raw();
            std::size_t length = 0;
            while (raw[length] != '"' && raw[length] != '\\')
                ++length;
            std::string_view name(raw, length);
            if (raw[length] == '\\') {
                if (error_code e = field.unescaped_key().get(name)) return e;
            }
            names.push_back(name);
            if (error_code e = build(field.value(), depth + 1)) return e;
        }
        JsonValue object_value =
            JsonBuilder::object(values.data() + base, names.data() + name_base, values.size() - base);
        values.resize(base);
        names.resize(name_base);
        values.push_back(std::move(object_value));
        return SUCCESS;
    }
    case ondemand::json_type::array: {
        if (depth >= max_depth) return simdjson::DEPTH_ERROR;
        ondemand::array array;
        if (error_code e = v.get_array().get(array)) return e;
        const std::size_t base = values.size();
        for (auto element : array)
            if (error_code e = build(element, depth + 1)) return e;
        JsonValue array_value = JsonBuilder::array(values.data() + base, values.size() - base);
        values.resize(base);
        values.push_back(std::move(array_value));
        return SUCCESS;
    }
    case ondemand::json_type::string: {
        std::string_view s;
        if (error_code e = simdjson::simdjson_result<std::string_view>(v.raw_json_token()).get(s)) return e;
        while (!s.empty() && is_blank(s.back()))
            s.remove_suffix(1);
        if (s.size() < 2 || s.back() != '"') return simdjson::STRING_ERROR;
        s = s.substr(1, s.size() - 2);
        // The value must be consumed either way: one left unread is skipped by counting brackets,
        // which takes a following ':' for the end of a key and lets stray text through.
        if (s.find('\\') != std::string_view::npos) {
            if (error_code e = v.get_string().get(s)) return e;
        } else {
            ondemand::raw_json_string raw;
            if (error_code e = v.get_raw_json_string().get(raw)) return e;
        }
        JsonBuilder::set_scalar(values.emplace_back(), JsonValue::Type::String, s);
        return SUCCESS;
    }
    case ondemand::json_type::number: {
        std::string_view t;
        if (error_code e = simdjson::simdjson_result<std::string_view>(v.raw_json_token()).get(t)) return e;
        while (!t.empty() && is_blank(t.back()))
            t.remove_suffix(1);
        if (!is_json_number(t)) return simdjson::NUMBER_ERROR;
        JsonBuilder::set_scalar(values.emplace_back(), JsonValue::Type::Number, t);
        return SUCCESS;
    }
    case ondemand::json_type::boolean: {
        bool b;
        if (error_code e = v.get_bool().get(b)) return e;
        values.push_back(JsonValue::boolean(b));
        return SUCCESS;
    }
    case ondemand::json_type::null: {
        bool null;
        if (error_code e = v.is_null().get(null)) return e;
        if (!null) return simdjson::N_ATOM_ERROR;
        values.emplace_back();
        return SUCCESS;
    }
    }
    return simdjson::INCORRECT_TYPE;
}

// Parses the n bytes at buffer + offset. A text whose value is not an object or an array was
// wrapped in brackets by the caller (offset 0, n including them), so that every document the
// parser sees is a container and text after a scalar is caught like text after a container.
std::optional<JsonValue> JsonParser::State::run(std::size_t offset, std::size_t n)
{
    values.clear();
    names.clear();
    count = 0;
    std::memset(buffer.get() + offset + n, 0, simdjson::SIMDJSON_PADDING);
    ondemand::document doc;
    if (parser.iterate(buffer.get() + offset, n, capacity - offset).get(doc) != SUCCESS) return std::nullopt;
    if (build(doc, 0) != SUCCESS) {
        const bool too_many = count > value_limit;
        values.clear();
        names.clear();
        if (too_many) {
            // The parser outlives the text: the room such a tree took is given back.
            values.shrink_to_fit();
            names.shrink_to_fit();
            throw ProtocolError(
                u"O texto JSON tem mais de %1 valores, mais do que o programa aceita."_s.arg(value_limit));
        }
        return std::nullopt;
    }
    // Whatever follows the value (a second value, a stray bracket) is left unread.
    const char* rest = nullptr;
    if (doc.current_location().get(rest) != simdjson::OUT_OF_BOUNDS) return std::nullopt;
    return std::move(values.back());
}

JsonParser::JsonParser() : state_(std::make_unique<State>()) {}
JsonParser::JsonParser(std::size_t value_limit) : JsonParser()
{
    state_->value_limit = std::min(value_limit, max_values);
}
JsonParser::JsonParser(JsonParser&&) noexcept = default;
JsonParser& JsonParser::operator=(JsonParser&&) noexcept = default;
JsonParser::~JsonParser() = default;

char* JsonParser::buffer(std::size_t n)
{
    // One byte before the text is kept free for the bracket that wraps a scalar.
    return state_->room(n) + 1;
}

std::optional<JsonValue> JsonParser::parse_buffer(std::size_t n)
{
    if (n > max_bytes) too_large(n);
    if (n + 2 + simdjson::SIMDJSON_PADDING > state_->capacity)
        return std::nullopt; // more than buffer() made room for
    char* text = state_->buffer.get() + 1;
    std::size_t i = 0;
    while (i < n && is_blank(text[i]))
        ++i;
    if (i < n && (text[i] == '{' || text[i] == '[')) return state_->run(1, n);
    text[-1] = '[';
    text[n] = ']';
    std::optional<JsonValue> wrapped = state_->run(0, n + 2);
    if (!wrapped || wrapped->size() != 1) return std::nullopt;
    return std::move(wrapped->at(0));
}

std::optional<JsonValue> JsonParser::parse(std::string_view utf8)
{
    char* text = buffer(utf8.size());
    if (!utf8.empty()) std::memcpy(text, utf8.data(), utf8.size());
    return parse_buffer(utf8.size());
}

std::optional<JsonValue> parse_json(std::string_view utf8)
{
    return JsonParser().parse(utf8);
}
