#pragma once

#include "clientcard/documents.h"
#include "store/card_values.h"

#include <QDialog>

#include <memory>

class QAction;
class QMenu;
class TdmDados;
struct Context;

namespace Ui {
class Tfrm_Cad_Clientes;
}

// A client's card: the client's data as the client list holds it, the open payment slips and the
// sales of the last 180 days fetched each time it is shown, and the slips and reports.
class Tfrm_Cad_Clientes : public QDialog {
    Q_OBJECT

public:
    Tfrm_Cad_Clientes(const Context& context, TdmDados& dados, QWidget* parent = nullptr);
    ~Tfrm_Cad_Clientes() override;

    // Fills the edits of the "DADOS" page, by objectName.
    void mostrar_cliente(const CardValues& values);
    void limpar_campos();

    void btnFecharClick();
    void btnBoletoPDFClick();
    void btnLinhaDigitavelClick();
    void btnRelFinanceiroClick();
    void btnRelVendasClick();

    QMenu* PopupMenu1 = nullptr;
    QAction* Fechar1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    QString codigo() const;
    int selected_cre_id() const;

    const Context& context_;
    TdmDados& dados_;
    Identity identity_;
    std::unique_ptr<Ui::Tfrm_Cad_Clientes> ui;
    bool shown_ = false;
};
