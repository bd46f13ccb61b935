#include "receivable_filter.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

bool same_word(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Deep enough for any real filter; a deeper one is refused before it can exhaust the stack.
constexpr int max_depth = 32;

} // namespace

class ReceivableFilter::Parser {
public:
    Parser(ReceivableFilter& filter, std::string_view text) : f_(filter), text_(text) {}

    int parse_all()
    {
        skip_blanks();
        if (at_end() || whole_text_is("NULL")) return add({Op::All, 0, {}});
        if (peek_word("AND")) take_word();
        const int root = parse_or(0);
        skip_blanks();
        if (!at_end()) fail("texto inesperado");
        return root;
    }

private:
    enum class Kind { Word, Literal, Open, Close, Comma, Operator, End };
    struct Token {
        Kind kind;
        std::string text;
    };

    [[noreturn]] void fail(std::string_view what) const
    {
        throw Invalid("FILTRO inválido: " + std::string(what) + " na posição " + std::to_string(pos_ + 1));
    }
    bool at_end() const { return pos_ >= text_.size(); }
    void skip_blanks()
    {
        while (!at_end() && std::isspace(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
    }
    bool whole_text_is(std::string_view word) const
    {
        std::string_view rest = text_.substr(pos_);
        while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back())))
            rest.remove_suffix(1);
        return rest == word;
    }

    Token next()
    {
        skip_blanks();
        if (at_end()) return {Kind::End, {}};
        const char c = text_[pos_];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            const std::size_t start = pos_;
            while (!at_end() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
                ++pos_;
            return {Kind::Word, std::string(text_.substr(start, pos_ - start))};
        }
        if (c == '\'') {
            std::string literal;
            for (++pos_;; ++pos_) {
                if (at_end()) fail("texto entre aspas sem fim");
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        literal += '\'';
                        ++pos_;
                        continue;
                    }
                    ++pos_;
                    return {Kind::Literal, literal};
                }
                literal += text_[pos_];
            }
        }
        ++pos_;
        switch (c) {
        case '(':
            return {Kind::Open, {}};
        case ')':
            return {Kind::Close, {}};
        case ',':
            return {Kind::Comma, {}};
        case '=':
            return {Kind::Operator, "="};
        case '<':
        case '!':
            if (!at_end() && text_[pos_] == (c == '<' ? '>' : '=')) {
                ++pos_;
                return {Kind::Operator, "<>"};
            }
            break;
        }
        --pos_;
        fail("caractere não permitido");
    }

    Token peek()
    {
        const std::size_t saved = pos_;
        Token token = next();
        pos_ = saved;
        return token;
    }
    bool peek_word(std::string_view word)
    {
        const Token token = peek();
        return token.kind == Kind::Word && same_word(token.text, word);
    }
    void take_word() { next(); }
    void expect(Kind kind, std::string_view what)
    {
        if (next().kind != kind) fail("esperado " + std::string(what));
    }

    int add(Node node)
    {
        f_.nodes_.push_back(std::move(node));
        return static_cast<int>(f_.nodes_.size()) - 1;
    }
    int literal()
    {
        Token token = next();
        if (token.kind != Kind::Literal) fail("esperado um texto entre aspas simples");
        f_.literals_.push_back(std::move(token.text));
        return static_cast<int>(f_.literals_.size()) - 1;
    }

    int parse_or(int depth)
    {
        const int first = parse_and(depth);
        if (!peek_word("OR")) return first;
        Node node{Op::Or, 0, {first}};
        while (peek_word("OR")) {
            take_word();
            node.children.push_back(parse_and(depth));
        }
        return add(std::move(node));
    }
    int parse_and(int depth)
    {
        const int first = parse_unary(depth);
        if (!peek_word("AND")) return first;
        Node node{Op::And, 0, {first}};
        while (peek_word("AND")) {
            take_word();
            node.children.push_back(parse_unary(depth));
        }
        return add(std::move(node));
    }
    int parse_unary(int depth)
    {
        if (depth > max_depth) fail("parênteses ou NOT demais");
        if (peek_word("NOT")) {
            take_word();
            return add({Op::Not, 0, {parse_unary(depth + 1)}});
        }
        if (peek().kind == Kind::Open) {
            next();
            const int inner = parse_or(depth + 1);
            expect(Kind::Close, "')'");
            return inner;
        }
        return parse_condition();
    }
    int parse_condition()
    {
        const std::size_t start = pos_;
        const Token column = next();
        int index = 0;
        if (column.kind == Kind::Word && same_word(column.text, "cre_status"))
            index = 0;
        else if (column.kind == Kind::Word && same_word(column.text, "cre_pagamento"))
            index = 1;
        else {
            pos_ = start;
            skip_blanks();
            fail("esperada a coluna cre_status ou cre_pagamento");
        }

        bool negated = false;
        if (peek_word("NOT")) {
            take_word();
            negated = true;
            if (!peek_word("IN")) fail("esperado IN");
        }
        if (peek_word("IN")) {
            take_word();
            expect(Kind::Open, "'('");
            Node node{negated ? Op::NotIn : Op::In, index, {literal()}};
            for (Token token = next(); token.kind != Kind::Close; token = next()) {
                if (token.kind != Kind::Comma) fail("esperado ',' ou ')'");
                node.children.push_back(literal());
            }
            return add(std::move(node));
        }
        const Token op = next();
        if (op.kind != Kind::Operator) fail("esperado =, <> ou IN");
        return add({op.text == "=" ? Op::Equal : Op::NotEqual, index, {literal()}});
    }

    ReceivableFilter& f_;
    std::string_view text_;
    std::size_t pos_ = 0;
};

ReceivableFilter::ReceivableFilter(std::string_view text)
{
    Parser parser(*this, text);
    root_ = parser.parse_all();
}

bool ReceivableFilter::matches(std::string_view status, std::string_view pagamento) const
{
    const std::string_view columns[2] = {status, pagamento};
    return evaluate(root_, columns);
}

bool ReceivableFilter::evaluate(int index, const std::string_view (&columns)[2]) const
{
    const Node& node = nodes_[static_cast<std::size_t>(index)];
    const auto any_literal = [&] {
        return std::any_of(node.children.begin(), node.children.end(), [&](int k) {
            return literals_[static_cast<std::size_t>(k)] == columns[node.column];
        });
    };
    switch (node.op) {
    case Op::All:
        return true;
    case Op::Equal:
    case Op::In:
        return any_literal();
    case Op::NotEqual:
    case Op::NotIn:
        return !any_literal();
    case Op::And:
        return std::all_of(node.children.begin(), node.children.end(),
                           [&](int k) { return evaluate(k, columns); });
    case Op::Or:
        return std::any_of(node.children.begin(), node.children.end(),
                           [&](int k) { return evaluate(k, columns); });
    case Op::Not:
        return !evaluate(node.children.front(), columns);
    }
    return false;
}
