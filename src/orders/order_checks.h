#pragma once

#include <QString>
#include <QStringList>

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

// What the three checks said of one order.
struct OrderChecks {
    CheckResult estoque;
    CheckResult financeiro;
    CheckResult horario;

    bool passed() const { return !estoque.failed && !financeiro.failed && !horario.failed; }
    // Only the sending time holds the order back: it may go later as it is.
    bool only_time_failed() const { return !estoque.failed && !financeiro.failed && horario.failed; }
    // The warnings with something to say, in the order stock, receivables, time.
    QStringList warnings() const;
};

// Asks the server about stock (itens_venda: one {"PRO_ID","IVEN_QTD_PRODUTO"} per item), the
// client's receivables and the sending time, always all three and in this order; the stock request
// is copied to ts.txt first. Says nothing to the salesperson.
OrderChecks conferir_pedido(const Context& context, const JsonValue& itens_venda, const QString& cli_id);

// The checks of the order on the screen, then one beep and warning per check with something to
// say, in the same order.
OrderChecks validar_pedido(const Context& context, Table& tblItemVenda, const QString& cli_id);
