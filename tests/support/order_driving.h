#pragma once

#include "database.h"
#include "modal.h"

#include <QDate>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

// Composing an order on the order screen as the salesperson does, against pedidos-servidor, and
// reading the server's database to choose what to order. Needs the reference server's library.
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

// Types the client's code and searches it; the client list closes as it opens.
inline void choose_client(QWidget* screen, const QString& code)
{
    auto* edit = child<QLineEdit>(screen, QStringLiteral("edtCod_Cliente"));
    edit->clear();
    QTest::keyClicks(edit, code);
    const auto watch = when_modal(QStringLiteral("Tfrm_Lista_Clientes"),
                                  [](QWidget* list) { QTest::keyClick(list, Qt::Key_Escape); });
    QTest::mouseClick(child<QToolButton>(screen, QStringLiteral("btnPesqClie")), Qt::LeftButton);
}

// Searches a product by code and adds it with a quantity.
inline void add(QWidget* screen, int pro_id, int qtd)
{
    auto* code = child<QLineEdit>(screen, QStringLiteral("edtCod_Produto"));
    code->clear();
    QTest::keyClicks(code, QString::number(pro_id));
    QTest::mouseClick(child<QToolButton>(screen, QStringLiteral("btnPesqProd")), Qt::LeftButton);
    auto* quantity = child<QLineEdit>(screen, QStringLiteral("edtQtd"));
    quantity->clear();
    QTest::keyClicks(quantity, QString::number(qtd));
    QTest::mouseClick(child<QToolButton>(screen, QStringLiteral("edtAddProd")), Qt::LeftButton);
}

} // namespace order_driving
