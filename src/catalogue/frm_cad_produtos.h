#pragma once

#include "store/card_values.h"

#include <QDialog>

#include <memory>

class QAction;
class QMenu;

namespace Ui {
class Tfrm_Cad_Produtos;
}

// The product card: one product's details, display only. Its opener fills it with preencher().
class Tfrm_Cad_Produtos : public QDialog {
    Q_OBJECT

public:
    explicit Tfrm_Cad_Produtos(QWidget* parent = nullptr);
    ~Tfrm_Cad_Produtos() override;

    // Sets each named edit to its text.
    void preencher(const CardValues& values);
    void limpar_campos();
    void btnFecharClick();

    QMenu* PopupMenu1 = nullptr;
    QAction* Fechar1 = nullptr;

private:
    std::unique_ptr<Ui::Tfrm_Cad_Produtos> ui;
};
