#include "json_grammar.h"

#include <cctype>
#include <cstddef>

namespace {

class Reader {
public:
    Reader(std::string_view text, bool bytes_are_characters) : s_(text), bytes_(bytes_are_characters) {}

    GrammarCheck check()
    {
        const bool ok = value() && (blanks(), i_ == s_.size());
        return {ok, max_depth_};
    }

private:
    bool more() const { return i_ < s_.size(); }
    unsigned char peek() const { return static_cast<unsigned char>(s_[i_]); }

    void blanks()
    {
        while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++i_;
    }

    bool word(std::string_view w)
    {
        if (s_.substr(i_, w.size()) != w) return false;
        i_ += w.size();
        return true;
    }

    bool digits()
    {
        const std::size_t start = i_;
        while (more() && peek() >= '0' && peek() <= '9')
            ++i_;
        return i_ > start;
    }

    bool number()
    {
        if (more() && peek() == '-') ++i_;
        if (!more()) return false;
        if (peek() == '0')
            ++i_;
        else if (!digits())
            return false;
        if (more() && peek() == '.' && (++i_, !digits())) return false;
        if (more() && (peek() == 'e' || peek() == 'E')) {
            ++i_;
            if (more() && (peek() == '+' || peek() == '-')) ++i_;
            if (!digits()) return false;
        }
        return true;
    }

    bool continuation(unsigned char low = 0x80, unsigned char high = 0xBF)
    {
        if (!more() || peek() < low || peek() > high) return false;
        ++i_;
        return true;
    }

    bool utf8_character()
    {
        const unsigned char c = peek();
        ++i_;
        if (c >= 0xC2 && c <= 0xDF) return continuation();
        if (c == 0xE0) return continuation(0xA0) && continuation();
        if (c == 0xED) return continuation(0x80, 0x9F) && continuation();
        if (c >= 0xE1 && c <= 0xEF) return continuation() && continuation();
        if (c == 0xF0) return continuation(0x90) && continuation() && continuation();
        if (c >= 0xF1 && c <= 0xF3) return continuation() && continuation() && continuation();
        if (c == 0xF4) return continuation(0x80, 0x8F) && continuation() && continuation();
        return false;
    }

    // Four hex digits of a \u escape, or -1.
    long hex4()
    {
        long unit = 0;
        for (int k = 0; k < 4; ++k, ++i_) {
            if (!more() || !std::isxdigit(peek())) return -1;
            const unsigned char c = peek();
            unit = unit * 16 + (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        return unit;
    }

    bool string()
    {
        if (!more() || peek() != '"') return false;
        ++i_;
        while (more()) {
            const unsigned char c = peek();
            if (c == '"') {
                ++i_;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') {
                ++i_;
                if (!more()) return false;
                const unsigned char e = peek();
                ++i_;
                if (e == 'u') {
                    const long unit = hex4();
                    if (unit < 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) return false;
                    if (unit >= 0xD800 && unit <= 0xDBFF) {
                        if (!word("\\u")) return false;
                        const long low = hex4();
                        if (low < 0xDC00 || low > 0xDFFF) return false;
                    }
                } else if (std::string_view("\"\\/bfnrt").find(static_cast<char>(e)) ==
                           std::string_view::npos) {
                    return false;
                }
            } else if (c < 0x80 || bytes_) {
                ++i_;
            } else if (!utf8_character()) {
                return false;
            }
        }
        return false;
    }

    bool container(unsigned char open)
    {
        const unsigned char close = open == '{' ? '}' : ']';
        ++i_;
        if (++depth_ > max_depth_) max_depth_ = depth_;
        // Deep enough for any comparison; stops this reader's own recursion.
        if (depth_ > 2000) return false;
        blanks();
        if (more() && peek() == close) {
            ++i_;
            --depth_;
            return true;
        }
        for (;;) {
            if (open == '{') {
                blanks();
                if (!string()) return false;
                blanks();
                if (!more() || peek() != ':') return false;
                ++i_;
            }
            if (!value()) return false;
            blanks();
            if (!more()) return false;
            if (peek() == ',') {
                ++i_;
                continue;
            }
            if (peek() != close) return false;
            ++i_;
            --depth_;
            return true;
        }
    }

    bool value()
    {
        blanks();
        if (!more()) return false;
        switch (peek()) {
        case '{':
        case '[':
            return container(peek());
        case '"':
            return string();
        case 't':
            return word("true");
        case 'f':
            return word("false");
        case 'n':
            return word("null");
        default:
            return number();
        }
    }

    std::string_view s_;
    bool bytes_;
    std::size_t i_ = 0;
    int depth_ = 0;
    int max_depth_ = 0;
};

} // namespace

GrammarCheck check_json_grammar(std::string_view text, bool bytes_are_characters)
{
    return Reader(text, bytes_are_characters).check();
}
