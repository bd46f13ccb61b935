#include "frm_lista_produtos.h"
#include "ui_frm_lista_produtos.h"

#include "catalogue/frm_cad_produtos.h"
#include "catalogue/list_search.h"
#include "catalogue/product_download.h"
#include "catalogue/product_refresh.h"
#include "core/context.h"
#include "core/error_report.h"
#include "store/card_values.h"
#include "store/dm_dados.h"
#include "ui/look.h"
#include "ui/screen.h"
#include "ui/screen_menu.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QToolButton>

using namespace Qt::StringLiterals;

Tfrm_Lista_Produtos::Tfrm_Lista_Produtos(const Context& context, TdmDados& dados, QWidget* parent)
    : QDialog(parent), context_(context), dados_(dados), ui(std::make_unique<Ui::Tfrm_Lista_Produtos>())
{
    ui->setupUi(this);
    prepare_screen(this);
    capitalise_letters(ui->edtProduto);
    make_picture_button(ui->edtPesqProd, u"pesquisar"_s, u"Pesquisar"_s, {}, 24);
    make_picture_button(ui->btnLimparProd, u"limpar"_s, u"Limpar pesquisa"_s, {}, 24);
    make_picture_button(ui->btnVisualizar, u"visualizar"_s, u"Visualizar"_s, u"F4"_s);
    make_picture_button(ui->btnAtualizar, u"atualizar"_s, u"Atualizar"_s, u"F5"_s);
    make_picture_button(ui->btnFechar, u"fechar"_s, u"Fechar"_s, u"Esc"_s);

    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    ui->dbgLista->bind(dados_.dsProduto,
                       {
                           {u"pro_id"_s, u"ID"_s, {}, {}, 80},
                           {u"pro_descricao"_s, u"Produto"_s, {}, {}, 440},
                           {u"pro_vlr_venda"_s, u"Vlr Venda"_s, right, {}, 0},
                       },
                       *context_.messages);
    ui->dbgLista->horizontalHeader()->setStretchLastSection(true);
    ui->dbgLista->set_empty_search_text(
        u"Nenhum produto encontrado: confira o código ou o começo da descrição."_s);

    PopupMenu1 = make_popup_menu(this);
    Fechar1 = add_close_item(PopupMenu1, this, &Tfrm_Lista_Produtos::btnFecharClick);
    // The buttons promise F4 and F5; the keys act as the buttons do, though the menu carries only Fechar.
    for (const auto& [key, handler] : {std::pair{Qt::Key_F4, &Tfrm_Lista_Produtos::btnVisualizarClick},
                                       std::pair{Qt::Key_F5, &Tfrm_Lista_Produtos::btnAtualizarClick}}) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, handler);
    }

    connect(ui->edtPesqProd, &QToolButton::clicked, this, &Tfrm_Lista_Produtos::edtPesqProdClick);
    search_on_enter({ui->edtCod_Produto, ui->edtProduto}, this, &Tfrm_Lista_Produtos::edtPesqProdClick);
    connect(ui->btnLimparProd, &QToolButton::clicked, this, &Tfrm_Lista_Produtos::btnLimparProdClick);
    connect(ui->btnAtualizar, &QToolButton::clicked, this, &Tfrm_Lista_Produtos::btnAtualizarClick);
    connect(ui->btnVisualizar, &QToolButton::clicked, this, &Tfrm_Lista_Produtos::btnVisualizarClick);
    connect(ui->dbgLista, &QAbstractItemView::doubleClicked, this, &Tfrm_Lista_Produtos::btnVisualizarClick);
    connect(ui->btnFechar, &QToolButton::clicked, this, &Tfrm_Lista_Produtos::btnFecharClick);
}

Tfrm_Lista_Produtos::~Tfrm_Lista_Produtos() = default;

void Tfrm_Lista_Produtos::edtPesqProdClick()
{
    run_guarded(*context_.messages, [this] {
        aplicar_pesquisa(dados_.tblProduto, u"pro_id"_s, ui->edtCod_Produto->text(), u"pro_descricao"_s,
                         ui->edtProduto->text());
    });
}

void Tfrm_Lista_Produtos::btnLimparProdClick()
{
    run_guarded(*context_.messages, [this] {
        ui->edtCod_Produto->clear();
        ui->edtProduto->clear();
        limpar_pesquisa(dados_.tblProduto);
    });
}

void Tfrm_Lista_Produtos::btnAtualizarClick()
{
    run_guarded(*context_.messages, [this] {
        // After a refused key the cache has been wiped: there is nothing to load.
        if (!baixar_produtos()) return;
        carregar_produtos();
        dados_.origem.produtos_antigos = false;
    });
}

void Tfrm_Lista_Produtos::btnVisualizarClick()
{
    run_guarded(*context_.messages, [this] {
        const Table& tblProduto = dados_.tblProduto;
        if (selected_id(tblProduto, u"pro_id") <= 0) return;
        // Read before the card exists: an amount that does not convert shows no card.
        const CardValues values = product_card_values(tblProduto);
        Tfrm_Cad_Produtos card(this);
        card.preencher(values);
        card.exec();
    });
}

void Tfrm_Lista_Produtos::btnFecharClick()
{
    btnLimparProdClick();
    close();
}

// Every way out (Esc, the close button, the window's own close button) passes here.
void Tfrm_Lista_Produtos::done(int result)
{
    btnLimparProdClick();
    QDialog::done(result);
}

bool Tfrm_Lista_Produtos::baixar_produtos()
{
    return ::baixar_produtos(context_).has_value();
}

void Tfrm_Lista_Produtos::carregar_produtos()
{
    recarregar_produtos(context_, dados_);
}
