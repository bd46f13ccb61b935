#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The "FILTRO" text of a receivables request, read as the small condition language the client
// writes ("AND cre_pagamento = 'BOLETO' AND ((cre_status = 'Em Aberto') or (cre_status = 'Comprado'))")
// and applied to each receivable by the server itself: the text never reaches the database.
//
// Conditions compare cre_status or cre_pagamento with quoted texts ('' is a quote inside one) by =,
// <> or !=, or test membership with [NOT] IN ('a', 'b'); they combine with AND, OR, NOT and
// parentheses, keywords in any letter case. A leading AND is allowed, since the client writes the
// text to follow a condition of its own. An empty text or "NULL" lets everything through.
class ReceivableFilter {
public:
    class Invalid : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Raises Invalid, with a Portuguese text saying where, for anything outside that language.
    explicit ReceivableFilter(std::string_view text);

    bool matches(std::string_view status, std::string_view pagamento) const;

private:
    enum class Op { All, Equal, NotEqual, In, NotIn, And, Or, Not };
    struct Node {
        Op op;
        int column = 0;            // 0 cre_status, 1 cre_pagamento
        std::vector<int> children; // node indices, or literal indices for the comparisons
    };
    bool evaluate(int node, const std::string_view (&columns)[2]) const;

    class Parser;
    std::vector<Node> nodes_;
    std::vector<std::string> literals_;
    int root_ = 0;
};
