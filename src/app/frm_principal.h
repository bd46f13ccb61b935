#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>

class QMenu;
class QAction;
struct Context;
struct StartUpProgress;

namespace Ui {
class Tfrm_Principal;
}

// The main window: a menu of four large picture buttons, the settings and close buttons, and the
// start-up download of the catalogue when the window is first shown.
class Tfrm_Principal : public QMainWindow {
    Q_OBJECT

public:
    explicit Tfrm_Principal(const Context& context, QWidget* parent = nullptr);
    ~Tfrm_Principal() override;

    void btnClientesClick();
    void btnProdutosClick();
    void btnTransmissaoClick();
    void btnPedidosClick();
    void btnConfiguracaoClick();
    // The light bulb and F1: the salesperson's guide in the desktop's viewer.
    void btnAjudaClick();
    void btnFecharClick();

    // The folder the guide is looked for from: the program's own; tests point it elsewhere.
    void set_program_folder(const QString& folder) { program_folder_ = folder; }

    QMenu* PopupMenu1 = nullptr;
    QAction* Ajuda1 = nullptr;
    QAction* Fechar1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void importar_clientes(StartUpProgress& progress);
    void importar_produtos(StartUpProgress& progress);
    // The label under the banner: the program not yet configured, a key the server refused, an
    // old catalogue in use, orders waiting to be sent.
    void atualizar_situacao();
    // The menu on or off by whether the program is configured.
    void habilitar_menu();

    const Context& context_;
    std::unique_ptr<Ui::Tfrm_Principal> ui;
    bool shown_ = false;
    QString program_folder_;
    bool configured_ = false;
    // The last start-up download's reply was refused for its salesperson key.
    bool chave_recusada_ = false;
};
