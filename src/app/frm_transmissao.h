#pragma once

#include <QDialog>

#include <memory>

class QAction;
class QMenu;
class OrderListPage;
class TdmDados;
struct Context;

namespace Ui {
class Tfrm_Transmissao;
}

// The transmission screen: fetches the client list, or the products with their price tables, on
// demand, replacing the cached reply files, and says how many records came; it loads nothing into
// the tables. It also sends the orders kept while the server could not be reached.
class Tfrm_Transmissao : public QDialog {
    Q_OBJECT

public:
    Tfrm_Transmissao(const Context& context, TdmDados& dados, QWidget* parent = nullptr);
    ~Tfrm_Transmissao() override;

    void btnClientesClick();
    void btnProdutosClick();
    void btnExportarClick();
    void btnFecharClick();

    QMenu* PopupMenu1 = nullptr;
    QAction* ImportarCliente1 = nullptr;
    QAction* ImportarProdutos1 = nullptr;
    QAction* Exportarvendas1 = nullptr;
    QAction* Fechar1 = nullptr;

private:
    void importar_clientes();
    void importar_produtos();
    void limpar_memos();

    const Context& context_;
    TdmDados& dados_;
    OrderListPage* pedidos_ = nullptr;
    std::unique_ptr<Ui::Tfrm_Transmissao> ui;
};
