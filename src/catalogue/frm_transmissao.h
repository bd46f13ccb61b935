#pragma once

#include <QDialog>

#include <memory>

class QAction;
class QMenu;
struct Context;
struct ServerSession;

namespace Ui {
class Tfrm_Transmissao;
}

// The transmission screen: fetches the client list, or the products with their price tables, on
// demand, replacing the cached reply files, and says how many records came. It loads nothing into
// the tables.
class Tfrm_Transmissao : public QDialog {
    Q_OBJECT

public:
    explicit Tfrm_Transmissao(const Context& context, QWidget* parent = nullptr);
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

protected:
    void showEvent(QShowEvent* event) override;

private:
    ServerSession conectar();
    void importar_clientes(ServerSession& proxy);
    void importar_produtos(ServerSession& proxy);
    void limpar_memos();
    void apagar(const QString& name);
    // Writes one line of JSON text as a cache file, leaving the detail memo empty.
    void gravar_pelo_detalhado(const std::string& text, const QString& name);

    const Context& context_;
    std::unique_ptr<Ui::Tfrm_Transmissao> ui;
};
