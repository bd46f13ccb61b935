#include "frm_cad_clientes.h"
#include "ui_frm_cad_clientes.h"

#include "clientcard/card_history.h"
#include "core/context.h"
#include "core/error_report.h"
#include "store/dm_dados.h"
#include "ui/look.h"
#include "ui/screen.h"
#include "ui/screen_menu.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

using namespace Qt::StringLiterals;

Tfrm_Cad_Clientes::Tfrm_Cad_Clientes(const Context& context, TdmDados& dados, QWidget* parent)
    : QDialog(parent), context_(context), dados_(dados), ui(std::make_unique<Ui::Tfrm_Cad_Clientes>())
{
    ui->setupUi(this);
    prepare_screen(this);
    apply_tab_style(ui->pgcMain);
    ui->pgcMain->setCurrentWidget(ui->tbsDados);
    for (QLineEdit* edit : ui->tbsDados->findChildren<QLineEdit*>())
        capitalise_letters(edit);
    ui->edtVlrCredito->setAlignment(Qt::AlignRight);
    ui->edtLimiteCredito->setAlignment(Qt::AlignRight);
    ui->pnlLinha->setVisible(false);

    make_picture_button(ui->btnBoletoPDF, u"boleto"_s, u"Boleto em PDF"_s, {}, 32);
    make_picture_button(ui->btnLinhaDigitavel, u"documento"_s, u"Linha digitável do boleto"_s, {}, 32);
    make_picture_button(ui->btnRelFinanceiro, u"relatorio"_s, u"Relatório financeiro do cliente"_s, {}, 32);
    make_picture_button(ui->btnRelVendas, u"relatorio"_s, u"Relatório de vendas do cliente"_s, {}, 32);
    make_picture_button(ui->btnFechar, u"fechar"_s, u"Fechar"_s, {}, 32);

    ui->dbgFinanceiro->bind(
        dados_.dsFinanc,
        {
            {u"cre_titulo"_s, u"Titulo"_s, {}, {}, 120},
            {u"cre_parcela"_s, u"Parc"_s, {}, {}, 60},
            {u"cre_valor"_s, u"Valor"_s, Qt::AlignRight | Qt::AlignVCenter, u"0.00"_s, 100},
            {u"cre_dta_vencimento"_s, u"Vencimento"_s, {}, u"dd/MM/yyyy"_s, 110},
            {u"cre_pagamento"_s, u"Pagamento"_s, {}, {}, 120},
            {u"cre_dta_emissao"_s, u"Data Emissão"_s, {}, u"dd/MM/yyyy"_s, 110},
        },
        *context_.messages);
    ui->dbgHistVenda->bind(
        dados_.dsHistVenda,
        {
            {u"ven_pedido"_s, u"Pedido"_s, {}, u"0"_s, 100},
            {u"ven_nota_base"_s, u"NF"_s, {}, u"0"_s, 100},
            {u"ven_dta_cadastro"_s, u"Data Cadastro"_s, {}, u"dd/MM/yyyy"_s, 120},
            {u"ven_tot_nota"_s, u"Total"_s, Qt::AlignRight | Qt::AlignVCenter, u"0.00"_s, 120},
        },
        *context_.messages);
    for (DbGrid* grid : {ui->dbgFinanceiro, ui->dbgHistVenda})
        grid->horizontalHeader()->setStretchLastSection(true);

    PopupMenu1 = make_popup_menu(this);
    Fechar1 = add_close_item(PopupMenu1, this, &Tfrm_Cad_Clientes::btnFecharClick);

    connect(ui->btnFechar, &QToolButton::clicked, this, &Tfrm_Cad_Clientes::btnFecharClick);
    connect(ui->btnBoletoPDF, &QToolButton::clicked, this, &Tfrm_Cad_Clientes::btnBoletoPDFClick);
    connect(ui->btnLinhaDigitavel, &QToolButton::clicked, this, &Tfrm_Cad_Clientes::btnLinhaDigitavelClick);
    connect(ui->btnRelFinanceiro, &QToolButton::clicked, this, &Tfrm_Cad_Clientes::btnRelFinanceiroClick);
    connect(ui->btnRelVendas, &QToolButton::clicked, this, &Tfrm_Cad_Clientes::btnRelVendasClick);
}

Tfrm_Cad_Clientes::~Tfrm_Cad_Clientes() = default;

void Tfrm_Cad_Clientes::mostrar_cliente(const CardValues& values)
{
    fill_edits(ui->tbsDados, values);
}

void Tfrm_Cad_Clientes::limpar_campos()
{
    for (QLineEdit* edit : ui->tbsDados->findChildren<QLineEdit*>())
        edit->clear();
}

QString Tfrm_Cad_Clientes::codigo() const
{
    return ui->edtCodigo->text();
}

int Tfrm_Cad_Clientes::selected_cre_id() const
{
    return dados_.tblReceber.as_integer(u"cre_id");
}

void Tfrm_Cad_Clientes::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Let the card paint before the two requests hold the event loop.
    QTimer::singleShot(0, this, [this] { run_guarded(*context_.messages, [this] { FormShow(); }); });
}

void Tfrm_Cad_Clientes::FormShow()
{
    carregar_financeiro(context_, dados_, codigo(), identity_);
    carregar_vendas(context_, dados_, codigo(), identity_);
}

void Tfrm_Cad_Clientes::btnFecharClick()
{
    limpar_campos();
    close();
}

void Tfrm_Cad_Clientes::btnBoletoPDFClick()
{
    run_guarded(*context_.messages, [this] { boleto_pdf(context_, identity_, selected_cre_id(), codigo()); });
}

void Tfrm_Cad_Clientes::btnLinhaDigitavelClick()
{
    run_guarded(*context_.messages, [this] {
        const std::optional<JsonValue> reply = boleto_linha(context_, identity_, selected_cre_id());
        if (!reply) return;
        ui->pnlLinha->setVisible(true);
        ui->memoLinha->clear();
        ui->memoLinha->setPlainText(linha_digitavel_of(*reply));
    });
}

void Tfrm_Cad_Clientes::btnRelFinanceiroClick()
{
    run_guarded(*context_.messages, [this] { relatorio_financeiro_cliente(context_, identity_, codigo()); });
}

void Tfrm_Cad_Clientes::btnRelVendasClick()
{
    run_guarded(*context_.messages, [this] { relatorio_vendas_cliente(context_, identity_, codigo()); });
}
