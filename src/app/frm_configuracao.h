#pragma once

#include <QDialog>

#include <memory>

struct Context;

namespace Ui {
class Tfrm_Configuracao;
}

// The settings screen: the only place where the settings file is created and where the company,
// server address, salesperson id and key are edited.
class Tfrm_Configuracao : public QDialog {
    Q_OBJECT

public:
    explicit Tfrm_Configuracao(const Context& context, QWidget* parent = nullptr);
    ~Tfrm_Configuracao() override;

    void btnGravarClick();
    void btnFecharClick();

private:
    void FormCreate();
    void carregar_configuracao();
    void gravar_configuracao();

    const Context& context_;
    std::unique_ptr<Ui::Tfrm_Configuracao> ui;
};
