#pragma once

#include "store/data_source.h"
#include "store/table.h"

#include <QWidget>

class DbGrid;
class TdmDados;
struct Context;

// The salesperson's orders, newest first, as the order history holds them: number, day, client,
// total and whether each was sent. F4 or a double-click on a row opens a PDF copy of that order.
class OrderListPage : public QWidget {
    Q_OBJECT

public:
    OrderListPage(const Context& context, TdmDados& dados, QWidget* parent = nullptr);
    ~OrderListPage() override;

    // Reads the order history again; the order that was selected stays selected when it is still
    // there.
    void recarregar();
    // Writes the PDF copy of the selected order and hands it to the desktop's viewer.
    void abrir_pdf();

private:
    const Context& context_;
    TdmDados& dados_;
    // The rows the grid shows, rebuilt by every reload.
    Table tblPedidos;
    DataSource dsPedidos{tblPedidos};
    DbGrid* dbgPedidos = nullptr;
};
