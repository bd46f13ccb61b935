#pragma once

#include "modal.h"

#include <QLineEdit>
#include <QString>
#include <QTest>
#include <QToolButton>

// Composing an order on the order screen as the salesperson does.
namespace order_driving {

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
