#include "server/json_write.h"

#include "server/json_value_block.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint64_t ones = 0x0101010101010101ull;
constexpr std::uint64_t highs = 0x8080808080808080ull;

std::uint64_t zero_bytes(std::uint64_t v)
{
    return (v - ones) & ~v & highs;
}

// High bit set in each byte of x that needs attention inside a string (>= 0x80, < 0x20, '"', '\',
// '/'). Only the lowest set bit is exact; the callers use no other.
std::uint64_t special_bytes(std::uint64_t x)
{
    return (x & highs) | ((x - ones * 0x20) & ~x & highs) | zero_bytes(x ^ (ones * '"')) |
           zero_bytes(x ^ (ones * '\\')) | zero_bytes(x ^ (ones * '/'));
}

// Output into a string sized ahead of the writes, so that the hot loop writes through a pointer.
class Out {
public:
    explicit Out(std::string& s) : s_(s), used_(s.size()) {}
    ~Out() { s_.resize(used_); }

    // Room for n more bytes at the end. The string grows geometrically on its own; only the
    // bytes asked for are cleared, so many small appends to a long string stay linear.
    char* room(std::size_t n)
    {
        if (s_.size() - used_ < n) s_.resize(used_ + n + 64);
        return s_.data() + used_;
    }
    void advance(std::size_t n) { used_ += n; }
    void put(char c) { *room(1) = c, ++used_; }
    void put(std::string_view t)
    {
        std::memcpy(room(t.size()), t.data(), t.size());
        used_ += t.size();
    }

private:
    std::string& s_;
    std::size_t used_;
};

const char hex_digits[] = "0123456789ABCDEF";

char* put_unit(char* p, unsigned unit)
{
    p[0] = '\\';
    p[1] = 'u';
    p[2] = hex_digits[(unit >> 12) & 15];
    p[3] = hex_digits[(unit >> 8) & 15];
    p[4] = hex_digits[(unit >> 4) & 15];
    p[5] = hex_digits[unit & 15];
    return p + 6;
}

// The code point of the UTF-8 sequence at q (at most `left` bytes), and its length; a byte that
// does not start a valid, shortest-form sequence counts as one byte of U+FFFD.
std::uint32_t decode(const unsigned char* q, std::size_t left, std::size_t& length)
{
    const unsigned c = q[0];
    length = 1;
    std::uint32_t cp;
    std::size_t n;
    std::uint32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
        cp = c & 0x1F, n = 2, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        cp = c & 0x0F, n = 3, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        cp = c & 0x07, n = 4, min = 0x10000;
    } else {
        return 0xFFFD;
    }
    if (left < n) return 0xFFFD;
    for (std::size_t k = 1; k < n; ++k) {
        if ((q[k] & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (q[k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    length = n;
    return cp;
}

// Writes the escape of the character at q; returns the input bytes it stood for.
std::size_t put_special(char*& p, const unsigned char* q, std::size_t left)
{
    const unsigned c = q[0];
    if (c < 0x80) {
        char e = 0;
        switch (c) {
        case '"':
            e = '"';
            break;
        case '\\':
            e = '\\';
            break;
        case '/':
            e = '/';
            break;
        case '\b':
            e = 'b';
            break;
        case '\t':
            e = 't';
            break;
        case '\n':
            e = 'n';
            break;
        case '\f':
            e = 'f';
            break;
        case '\r':
            e = 'r';
            break;
        default:
            break;
        }
        if (e) {
            *p++ = '\\';
            *p++ = e;
        } else if (c < 0x20) {
            p = put_unit(p, c);
        } else {
            *p++ = static_cast<char>(c);
        }
        return 1;
    }
    std::size_t length;
    const std::uint32_t cp = decode(q, left, length);
    if (cp < 0x10000) {
        p = put_unit(p, cp);
    } else {
        const std::uint32_t v = cp - 0x10000;
        p = put_unit(p, 0xD800 + (v >> 10));
        p = put_unit(p, 0xDC00 + (v & 0x3FF));
    }
    return length;
}

bool plain(unsigned char c)
{
    return c >= 0x20 && c < 0x80 && c != '"' && c != '\\' && c != '/';
}

void put_string(Out& out, std::string_view s)
{
    const std::size_t n = s.size();
    // Worst case: six bytes out for every byte in, the quotes, and one word of slack for the
    // whole-word copies below.
    char* const start = out.room(6 * n + 2 + 8);
    char* p = start;
    *p++ = '"';
    const auto* q = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = q + n;
    while (end - q >= 8) {
        std::uint64_t x;
        std::memcpy(&x, q, 8);
        std::memcpy(p, q, 8); // copied whole; p moves on only past the plain bytes
        const std::uint64_t m = special_bytes(x);
        if (!m) {
            p += 8, q += 8;
            continue;
        }
        const std::size_t k = static_cast<std::size_t>(__builtin_ctzll(m)) >> 3;
        p += k, q += k;
        q += put_special(p, q, static_cast<std::size_t>(end - q));
    }
    while (q < end) {
        if (plain(*q))
            *p++ = static_cast<char>(*q++);
        else
            q += put_special(p, q, static_cast<std::size_t>(end - q));
    }
    *p++ = '"';
    out.advance(static_cast<std::size_t>(p - start));
}

void write_value(Out& out, const JsonValue& v)
{
    switch (v.type()) {
    case JsonValue::Type::Null:
        out.put("null");
        break;
    case JsonValue::Type::False:
        out.put("false");
        break;
    case JsonValue::Type::True:
        out.put("true");
        break;
    case JsonValue::Type::Number:
        out.put(v.text());
        break;
    case JsonValue::Type::String:
        put_string(out, v.text());
        break;
    case JsonValue::Type::Array: {
        out.put('[');
        if (const json_detail::Block* b = JsonBuilder::block(v)) {
            const JsonValue* values = b->values();
            for (std::uint32_t i = 0; i < b->size; ++i) {
                if (i) out.put(',');
                write_value(out, values[i]);
            }
        }
        out.put(']');
        break;
    }
    case JsonValue::Type::Object: {
        out.put('{');
        if (const json_detail::Block* b = JsonBuilder::block(v)) {
            const JsonValue* values = b->values();
            const json_detail::Key* keys = b->keys();
            for (std::uint32_t i = 0; i < b->size; ++i) {
                if (i) out.put(',');
                put_string(out, keys[i].view());
                out.put(':');
                write_value(out, values[i]);
            }
        }
        out.put('}');
        break;
    }
    }
}

} // namespace

void write_json(std::string& out, const JsonValue& v)
{
    Out o(out);
    write_value(o, v);
}

std::string to_json(const JsonValue& v)
{
    std::string s;
    write_json(s, v);
    return s;
}

void write_json_string(std::string& out, std::string_view utf8)
{
    Out o(out);
    put_string(o, utf8);
}
