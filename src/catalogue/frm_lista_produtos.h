#pragma once

#include <QDialog>

#include <memory>

class QAction;
class QMenu;
class TdmDados;
struct Context;

namespace Ui {
class Tfrm_Lista_Produtos;
}

// The product list: browses tblProduto with its sale price, narrows it by code or description on
// the table's own filter, refreshes products and price tables from the server and opens a product
// card. The filter is cleared whenever the screen closes.
class Tfrm_Lista_Produtos : public QDialog {
    Q_OBJECT

public:
    Tfrm_Lista_Produtos(const Context& context, TdmDados& dados, QWidget* parent = nullptr);
    ~Tfrm_Lista_Produtos() override;

    void edtPesqProdClick();
    void btnLimparProdClick();
    void btnAtualizarClick();
    void btnVisualizarClick();
    void btnFecharClick();

    void done(int result) override;

    QMenu* PopupMenu1 = nullptr;
    QAction* Fechar1 = nullptr;

private:
    bool baixar_produtos();
    void carregar_produtos();

    const Context& context_;
    TdmDados& dados_;
    std::unique_ptr<Ui::Tfrm_Lista_Produtos> ui;
};
