#include "frm_lista_clientes.h"
#include "ui_frm_lista_clientes.h"

#include "catalogue/client_download.h"
#include "catalogue/list_search.h"
#include "clientcard/documents.h"
#include "clientcard/frm_cad_clientes.h"
#include "core/context.h"
#include "core/error_report.h"
#include "store/card_values.h"
#include "store/dm_dados.h"
#include "ui/look.h"
#include "ui/screen.h"
#include "ui/screen_menu.h"

#include <QHeaderView>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>

using namespace Qt::StringLiterals;

Tfrm_Lista_Clientes::Tfrm_Lista_Clientes(const Context& context, TdmDados& dados, QWidget* parent)
    : QDialog(parent), context_(context), dados_(dados), ui(std::make_unique<Ui::Tfrm_Lista_Clientes>())
{
    ui->setupUi(this);
    prepare_screen(this);
    capitalise_letters(ui->edtCliente);
    make_picture_button(ui->edtPesqClie, u"pesquisar"_s, u"Pesquisar"_s, {}, 24);
    make_picture_button(ui->btnLimparClie, u"limpar"_s, u"Limpar pesquisa"_s, {}, 24);
    make_picture_button(ui->btnVisualizar, u"visualizar"_s, u"Visualizar"_s, u"F4"_s);
    make_picture_button(ui->btnAtualizar, u"atualizar"_s, u"Atualizar"_s, u"F5"_s);
    make_picture_button(ui->btnRelFinanceiro, u"relatorio"_s, u"Relatorio Financeiro"_s, u"F6"_s);
    make_picture_button(ui->btnFechar, u"fechar"_s, u"Fechar"_s, u"Esc"_s);

    ui->dbgLista->bind(dados_.dsCliente,
                       {
                           {u"cli_id"_s, u"ID"_s, {}, {}, 80},
                           {u"cli_razao"_s, u"Cliente"_s, {}, {}, 0},
                       },
                       *context_.messages);
    ui->dbgLista->horizontalHeader()->setStretchLastSection(true);
    ui->dbgLista->set_empty_search_text(
        u"Nenhum cliente encontrado: confira o código ou o começo do nome fantasia."_s);

    PopupMenu1 = make_popup_menu(this);
    Visualizar1 = add_menu_item(PopupMenu1, u"Visualizar1"_s, u"Visualizar"_s, QKeySequence(Qt::Key_F4));
    Atualizar1 = add_menu_item(PopupMenu1, u"Atualizar1"_s, u"Atualizar"_s, QKeySequence(Qt::Key_F5));
    RelatorioFinanceiro1 = add_menu_item(PopupMenu1, u"RelatorioFinanceiro1"_s, u"Relatorio Financeiro"_s,
                                         QKeySequence(Qt::Key_F6));
    Fechar1 = add_close_item(PopupMenu1, this, &Tfrm_Lista_Clientes::btnFecharClick);

    connect(ui->edtPesqClie, &QToolButton::clicked, this, &Tfrm_Lista_Clientes::edtPesqClieClick);
    search_on_enter({ui->edtCod_Cliente, ui->edtCliente}, this, &Tfrm_Lista_Clientes::edtPesqClieClick);
    connect(ui->btnLimparClie, &QToolButton::clicked, this, &Tfrm_Lista_Clientes::btnLimparClieClick);
    connect(ui->btnAtualizar, &QToolButton::clicked, this, &Tfrm_Lista_Clientes::btnAtualizarClick);
    connect(Atualizar1, &QAction::triggered, this, &Tfrm_Lista_Clientes::btnAtualizarClick);
    connect(ui->btnVisualizar, &QToolButton::clicked, this, &Tfrm_Lista_Clientes::btnVisualizarClick);
    connect(Visualizar1, &QAction::triggered, this, &Tfrm_Lista_Clientes::btnVisualizarClick);
    connect(ui->dbgLista, &QAbstractItemView::doubleClicked, this, &Tfrm_Lista_Clientes::linha_ativada);
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), ui->dbgLista);
        enter->setContext(Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, &Tfrm_Lista_Clientes::linha_ativada);
    }
    connect(ui->btnRelFinanceiro, &QToolButton::clicked, this, &Tfrm_Lista_Clientes::btnRelFinanceiroClick);
    connect(RelatorioFinanceiro1, &QAction::triggered, this, &Tfrm_Lista_Clientes::btnRelFinanceiroClick);
    connect(ui->btnFechar, &QToolButton::clicked, this, &Tfrm_Lista_Clientes::btnFecharClick);
}

Tfrm_Lista_Clientes::~Tfrm_Lista_Clientes() = default;

void Tfrm_Lista_Clientes::mostrar_pesquisa(const QString& codigo, const QString& nome)
{
    ui->edtCod_Cliente->setText(codigo);
    ui->edtCliente->setText(nome);
}

void Tfrm_Lista_Clientes::edtPesqClieClick()
{
    run_guarded(*context_.messages, [this] {
        aplicar_pesquisa(dados_.tblCliente, u"cli_id"_s, ui->edtCod_Cliente->text(), u"cli_fantasia"_s,
                         ui->edtCliente->text());
    });
}

void Tfrm_Lista_Clientes::btnLimparClieClick()
{
    run_guarded(*context_.messages, [this] {
        ui->edtCod_Cliente->clear();
        ui->edtCliente->clear();
        limpar_pesquisa(dados_.tblCliente);
    });
}

void Tfrm_Lista_Clientes::btnAtualizarClick()
{
    run_guarded(*context_.messages, [this] {
        // After a refused key the cache has been wiped: there is nothing to load.
        if (!baixar_clientes()) return;
        carregar_clientes();
        dados_.origem.clientes_antigos = false;
    });
}

void Tfrm_Lista_Clientes::btnVisualizarClick()
{
    run_guarded(*context_.messages, [this] {
        if (selected_id(dados_.tblCliente, u"cli_id") <= 0) return;
        // Read before the card exists: a credit value that does not convert shows no card.
        const CardValues values = client_card_values(dados_.tblCliente);
        Tfrm_Cad_Clientes card(context_, dados_, this);
        card.mostrar_cliente(values);
        card.exec();
    });
}

void Tfrm_Lista_Clientes::escolher_cliente()
{
    escolha_ = true;
    ui->dbgLista->setFocus();
}

void Tfrm_Lista_Clientes::linha_ativada()
{
    if (!escolha_) {
        btnVisualizarClick();
        return;
    }
    if (selected_id(dados_.tblCliente, u"cli_id") > 0) accept();
}

void Tfrm_Lista_Clientes::btnRelFinanceiroClick()
{
    run_guarded(*context_.messages, [this] { relatorio_financeiro_vendedor(context_, identity_); });
}

void Tfrm_Lista_Clientes::btnFecharClick()
{
    // done() notes the selected client before the search goes; a list never shown has no done().
    close();
    btnLimparClieClick();
}

// Every way out (Esc, the close button, the window's own close button) passes here.
void Tfrm_Lista_Clientes::done(int result)
{
    escolhido_ = selected_id(dados_.tblCliente, u"cli_id");
    btnLimparClieClick();
    QDialog::done(result);
}

bool Tfrm_Lista_Clientes::baixar_clientes()
{
    return ::baixar_clientes(context_).has_value();
}

void Tfrm_Lista_Clientes::carregar_clientes()
{
    ::carregar_clientes(context_, dados_.tblCliente);
}
