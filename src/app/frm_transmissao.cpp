#include "frm_transmissao.h"
#include "ui_frm_transmissao.h"

#include "catalogue/client_download.h"
#include "catalogue/product_download.h"
#include "core/context.h"
#include "core/error_report.h"
#include "orders/order_export.h"
#include "orders/order_list_page.h"
#include "server/cache.h"
#include "store/dm_dados.h"
#include "ui/look.h"
#include "ui/screen.h"
#include "ui/screen_menu.h"

#include <QAction>
#include <QMenu>

using namespace Qt::StringLiterals;

Tfrm_Transmissao::Tfrm_Transmissao(const Context& context, TdmDados& dados, QWidget* parent)
    : QDialog(parent), context_(context), dados_(dados), ui(std::make_unique<Ui::Tfrm_Transmissao>())
{
    ui->setupUi(this);
    prepare_screen(this);
    make_picture_button(ui->btnClientes, u"clientes"_s, u"Importar Clientes"_s, {}, 72);
    make_picture_button(ui->btnProdutos, u"produtos"_s, u"Importar Produtos"_s, {}, 72);
    make_picture_button(ui->btnFechar, u"fechar"_s, u"Fechar"_s, u"Esc"_s);
    // The salesperson's orders, read again each time the page is shown.
    pedidos_ = new OrderListPage(context_, dados_, ui->PageControl1);
    ui->PageControl1->addTab(pedidos_, u"PEDIDOS"_s);
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (ui->PageControl1->currentWidget() == pedidos_) pedidos_->recarregar();
    });
    apply_tab_style(ui->PageControl1);

    PopupMenu1 = make_popup_menu(this);
    ImportarCliente1 =
        add_menu_item(PopupMenu1, u"ImportarCliente1"_s, u"Importar Clientes"_s, QKeySequence(Qt::Key_F2));
    ImportarProdutos1 =
        add_menu_item(PopupMenu1, u"ImportarProdutos1"_s, u"Importar Produtos"_s, QKeySequence(Qt::Key_F3));
    Exportarvendas1 =
        add_menu_item(PopupMenu1, u"Exportarvendas1"_s, u"Exportar Vendas"_s, QKeySequence(Qt::Key_F6));
    Fechar1 = add_close_item(PopupMenu1, this, &Tfrm_Transmissao::btnFecharClick);

    connect(ui->btnClientes, &QToolButton::clicked, this, &Tfrm_Transmissao::btnClientesClick);
    connect(ImportarCliente1, &QAction::triggered, this, &Tfrm_Transmissao::btnClientesClick);
    connect(ui->btnProdutos, &QToolButton::clicked, this, &Tfrm_Transmissao::btnProdutosClick);
    connect(ImportarProdutos1, &QAction::triggered, this, &Tfrm_Transmissao::btnProdutosClick);
    connect(ui->btnExportar, &QPushButton::clicked, this, &Tfrm_Transmissao::btnExportarClick);
    connect(Exportarvendas1, &QAction::triggered, this, &Tfrm_Transmissao::btnExportarClick);
    connect(ui->btnFechar, &QToolButton::clicked, this, &Tfrm_Transmissao::btnFecharClick);
}

Tfrm_Transmissao::~Tfrm_Transmissao() = default;

void Tfrm_Transmissao::btnClientesClick()
{
    run_guarded(*context_.messages, [this] {
        limpar_memos();
        apagar_arquivo(context_, u"clientes.json"_s);
        importar_clientes();
    });
}

void Tfrm_Transmissao::btnProdutosClick()
{
    run_guarded(*context_.messages, [this] {
        limpar_memos();
        apagar_arquivo(context_, u"produtos.json"_s);
        apagar_arquivo(context_, u"tabelas.json"_s);
        importar_produtos();
    });
}

void Tfrm_Transmissao::btnExportarClick()
{
    run_guarded(*context_.messages, [this] {
        limpar_memos();
        const ExportResult result = exportar_vendas(context_);
        for (const QString& line : result.detalhes)
            ui->memDetalhado->appendPlainText(line);
        ui->memResumo->appendPlainText(u"PEDIDOS ENVIADOS > "_s + QString::number(result.enviados));
        ui->memResumo->appendPlainText(u"PEDIDOS PENDENTES > "_s + QString::number(result.pendentes));
        pedidos_->recarregar();
    });
}

void Tfrm_Transmissao::btnFecharClick()
{
    close();
}

void Tfrm_Transmissao::importar_clientes()
{
    const std::optional<std::size_t> clientes = baixar_clientes(context_);
    limpar_memos();
    if (!clientes) return;
    dados_.origem.clientes_antigos = false;
    ui->memResumo->appendPlainText(u"CLIENTES IMPORTADOS > "_s + QString::number(*clientes));
}

void Tfrm_Transmissao::importar_produtos()
{
    const std::optional<ProductCounts> counts = baixar_produtos(context_);
    limpar_memos();
    if (!counts) return;
    dados_.origem.produtos_antigos = false;
    ui->memResumo->appendPlainText(u"TABELAS IMPORTADAS > "_s + QString::number(counts->tabelas));
    ui->memResumo->appendPlainText(u"PRODUTOS IMPORTADOS > "_s + QString::number(counts->produtos));
}

void Tfrm_Transmissao::limpar_memos()
{
    ui->memResumo->clear();
    ui->memDetalhado->clear();
}
