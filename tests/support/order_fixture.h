#pragma once

#include "catalogue_fixture.h"
#include "orders/order_items.h"
#include "orders/order_request.h"

// An amount written in the tests as a number: exact for any with at most four decimals.
inline Money amount(double value)
{
    return Money::from_double(value);
}

// The replies of the three checks before sending when each passes.
inline const QByteArray kPass[] = {
    R"({"VALIDAR_ESTOQUE":"OK"})",
    R"({"VALIDAR_FINANCEIRO":"LIBERADO"})",
    R"({"VALIDAR_HORARIO":"LIBERADO"})",
};

// A scripted server and the tables of an order in progress, number 10000, for client 12.
class OrderTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        QDir(dir.path()).mkpath(QStringLiteral("historico_vendas"));
        context.today = [] { return QDate(2025, 12, 9); };
        // An item of another order, which the filter keeps out.
        filtrar_itens(dados.tblItemVenda, QStringLiteral("9999"));
        incluir_item(dados.tblItemVenda, {QStringLiteral("9999"), QStringLiteral("0"), QStringLiteral("999"),
                                          amount(5), amount(1), QStringLiteral("OUTRO PEDIDO")});
        filtrar_itens(dados.tblItemVenda, order.pedido);
    }
    // Three items, the first then deleted: 2 x 2,25 with table 3, then 1 x 1234,50.
    void add_items()
    {
        Table& t = dados.tblItemVenda;
        for (const ItemInput& item : {ItemInput{order.pedido, QStringLiteral("0"), QStringLiteral("101"),
                                                amount(3), amount(10.5), QStringLiteral("ARROZ")},
                                      ItemInput{order.pedido, QStringLiteral("3"), QStringLiteral("202"),
                                                amount(2), amount(2.25), QStringLiteral("FEIJAO")},
                                      ItemInput{order.pedido, QStringLiteral("0"), QStringLiteral("303"),
                                                amount(1), amount(1234.5), QStringLiteral("CAFE")}}) {
            incluir_item(t, item);
            filtrar_itens(t, order.pedido);
        }
        t.first();
        ASSERT_TRUE(excluir_item(t).has_value());
    }

    OrderInput order{
        QStringLiteral("10000"),
        QStringLiteral("12"),
        QStringLiteral("BOLETO"),
        {0, 30, 0, 60, 0, 0, 0, 0},
        dia_zero(),
        amount(20),
        amount(150),
        QStringLiteral("ENTREGAR CEDO\r\nPORTÃO AZUL"),
        {},
    };
};
