#pragma once

#include <QString>

class JsonValue;
class Table;
struct Context;
struct Regional;

// What one check before sending found: whether it blocks the order, and the warning to show
// (empty when there is nothing to show, even for a failed check).
struct CheckResult {
    bool failed = false;
    QString message;
};

// The replies of the three checks. A reply without its status pair, or a failed check without the
// list or the values it needs, raises ProtocolError naming the pair; a "DIA_BLOQ" that is neither
// "NULL" nor a whole number raises ConversionError.
CheckResult ler_estoque(const JsonValue& reply);
CheckResult ler_financeiro(const JsonValue& reply);
CheckResult ler_horario(const JsonValue& reply, const Regional& regional);

// Asks the server about stock, the client's receivables and the sending time, always all three
// and in this order; the stock request is copied to ts.txt first. Then one beep and warning per
// check with something to say, in the same order. True when all three passed.
bool validar_pedido(const Context& context, Table& tblItemVenda, const QString& cli_id);
