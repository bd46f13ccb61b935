#pragma once

#include "server/request.h"

#include <QDialog>

#include <memory>

class QAction;
class QMenu;
class TdmDados;
struct Context;

namespace Ui {
class Tfrm_Lista_Clientes;
}

// The client list: browses tblCliente, narrows it by code or trade name on the table's own filter,
// and refreshes it from the server. The filter is cleared whenever the screen closes, since every
// other user of the table shares it.
class Tfrm_Lista_Clientes : public QDialog {
    Q_OBJECT

public:
    Tfrm_Lista_Clientes(const Context& context, TdmDados& dados, QWidget* parent = nullptr);
    ~Tfrm_Lista_Clientes() override;

    void edtPesqClieClick();
    void btnLimparClieClick();
    void btnAtualizarClick();
    void btnVisualizarClick();
    void btnRelFinanceiroClick();
    void btnFecharClick();

    void done(int result) override;
    // The client selected when the list closed (0 for none): the order screen's pick.
    int cliente_escolhido() const { return escolhido_; }
    // Opened on a search made elsewhere (the order screen's): the search fields show it.
    void mostrar_pesquisa(const QString& codigo, const QString& nome);
    // Opened to choose a client: a double-click or Enter on a row takes it and closes the list,
    // where it would otherwise open the client's card; the list opens with the keyboard on its
    // rows, so that Enter takes the client the search found.
    void escolher_cliente();

    QMenu* PopupMenu1 = nullptr;
    QAction* Visualizar1 = nullptr;
    QAction* Atualizar1 = nullptr;
    QAction* RelatorioFinanceiro1 = nullptr;
    QAction* Fechar1 = nullptr;

private:
    // Double-click or Enter on a row.
    void linha_ativada();
    bool baixar_clientes();
    void carregar_clientes();

    const Context& context_;
    TdmDados& dados_;
    // The identity of the list's last connection.
    Identity identity_;
    int escolhido_ = 0;
    bool escolha_ = false;
    std::unique_ptr<Ui::Tfrm_Lista_Clientes> ui;
};
