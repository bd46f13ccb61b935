#pragma once

#include <QDialog>

#include <memory>

class QAction;
class QMenu;
class TdmDados;
struct Context;
struct OrderInput;

namespace Ui {
class Tfrm_Cad_Pedidos;
}

// The order screen: one order, under the number the main window gives it. Its state is its inputs,
// the rows of tblItemVenda filed under that number and the price table of the last pick
// (lblTabID). Each request reads the settings of that moment.
class Tfrm_Cad_Pedidos : public QDialog {
    Q_OBJECT

public:
    Tfrm_Cad_Pedidos(const Context& context, TdmDados& dados, QWidget* parent = nullptr);
    ~Tfrm_Cad_Pedidos() override;

    // Set once, before the screen is shown: from then on the item grid shows only this order.
    void set_pedido(int numero);

    void btnPesqClieClick();
    void btnLimparClieClick();
    void btnCancelarClick();
    void btnFecharClick();
    void btnPesqProdClick();
    void btnLimparProdClick();
    void dbgPesquisaCellClick();
    void edtAddProdClick();
    void btnExcluirClick();
    void btnGravarClick();

    QMenu* PopupMenu1 = nullptr;
    QAction* Novo1 = nullptr;
    QAction* Editar1 = nullptr;
    QAction* Fechar1 = nullptr;

private:
    void FormCreate();
    void limpar_pedido();
    void filtrar_itens();
    void carregar_mix();
    void selecionar_produto();
    void aplicar_preco_tabela();
    void incluir_item();
    void limpar_produto();
    OrderInput ler_pedido() const;

    const Context& context_;
    TdmDados& dados_;
    std::unique_ptr<Ui::Tfrm_Cad_Pedidos> ui;
};
