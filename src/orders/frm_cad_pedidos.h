#pragma once

#include <QDialog>

#include <memory>

class MixList;
class NumberEdit;
class QAction;
class QLineEdit;
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
    void DBGrid2CellClick();
    void btnPesqMixClick();
    void btnLimparMixClick();
    void btnAddMixClick();

    QMenu* PopupMenu1 = nullptr;
    QAction* Novo1 = nullptr;
    QAction* Editar1 = nullptr;
    QAction* Fechar1 = nullptr;

private:
    void FormCreate();
    // The current item out of the order, its amount out of the total.
    void excluir_item_atual();
    void limpar_pedido();
    void filtrar_itens();
    void carregar_mix();
    // The four product inputs of a page: "PESQUISA" or "MIX".
    struct ProductInputs {
        QLineEdit* codigo;
        QLineEdit* descricao;
        NumberEdit* qtd;
        NumberEdit* valor;
    };
    ProductInputs pesquisa() const;
    ProductInputs mix() const;
    // Fills the inputs from the current row of tblProduto, with a quantity of 1 and the table price
    // when the chosen table has one.
    void selecionar_produto(const ProductInputs& inputs);
    void aplicar_preco_tabela(const ProductInputs& inputs);
    void incluir_item(const ProductInputs& inputs);
    void limpar_produto();
    // The due dates and the early warnings, after anything they depend on changed.
    void atualizar_paineis();
    OrderInput ler_pedido() const;

    const Context& context_;
    TdmDados& dados_;
    std::unique_ptr<Ui::Tfrm_Cad_Pedidos> ui;
    std::unique_ptr<MixList> mix_;
    // The panels follow the order once it has its number, and not while the screen is cleared.
    bool paineis_ = false;
};
