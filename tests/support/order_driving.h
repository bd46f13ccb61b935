#pragma once

#include "database.h"
#include "order_screen_driving.h"

#include <QDate>

// Reading pedidos-servidor's database to choose what to order, and what it stored; the order
// screen is driven by order_screen_driving.h. Needs the reference server's library.
namespace order_driving {

// The first client of salesperson 1 of "Teste" with (or without) receivables overdue on the day.
inline QString client(Database& db, bool overdue, const QDate& day)
{
    Statement s(
        db, "SELECT c.cli_id FROM cliente c WHERE c.emp_codigo = 'Teste' AND c.ven_id = '1' AND "
            "EXISTS (SELECT 1 FROM receber r WHERE r.emp_codigo = c.emp_codigo AND r.cli_id = c.cli_id "
            "AND r.cre_status IN ('Em Aberto', 'Comprado') AND r.cre_valor_centavos > r.cre_pago_centavos "
            "AND r.cre_dta_vencimento < ?) = ? ORDER BY c.cli_id LIMIT 1");
    s.bind(1, day.toString(QStringLiteral("yyyy-MM-dd")).toStdString());
    s.bind(2, overdue ? 1 : 0);
    return s.step() ? QString::number(s.integer(0)) : QString();
}

inline int stock(Database& db, int pro_id)
{
    Statement s(db, "SELECT pro_qtd_estoque FROM produto WHERE emp_codigo = 'Teste' AND pro_id = ?");
    s.bind(1, pro_id);
    return s.step() ? static_cast<int>(s.real(0)) : -1;
}

// Orders the server holds under a number, for salesperson 1 of "Teste".
inline int orders_stored(Database& db, int pedido)
{
    Statement s(db,
                "SELECT COUNT(*) FROM pedido WHERE emp_codigo = 'Teste' AND ven_id = '1' AND ven_pedido = ?");
    s.bind(1, pedido);
    return s.step() ? static_cast<int>(s.integer(0)) : -1;
}

} // namespace order_driving
