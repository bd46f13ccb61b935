#include "frm_cad_pedidos.h"
#include "ui_frm_cad_pedidos.h"

#include "catalogue/frm_lista_clientes.h"
#include "catalogue/list_search.h"
#include "core/context.h"
#include "core/error_report.h"
#include "core/errors.h"
#include "core/messages.h"
#include "orders/mix_list.h"
#include "orders/order_alerts.h"
#include "orders/order_dates.h"
#include "orders/order_items.h"
#include "orders/order_request.h"
#include "orders/order_save.h"
#include "orders/purchase_mix.h"
#include "store/catalogue_lookup.h"
#include "store/dm_dados.h"
#include "ui/look.h"
#include "ui/screen.h"
#include "ui/screen_menu.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QStringList capitals(const QStringList& names)
{
    QStringList out;
    for (const QString& name : names)
        out << name.toUpper();
    return out;
}

// A memo whose letters are capitals, typed or pasted.
void capitalise_memo(QPlainTextEdit* memo)
{
    QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [memo] {
        const QString text = memo->toPlainText();
        const QString upper = text.toUpper();
        if (upper == text) return;
        QTextCursor cursor = memo->textCursor();
        const int at = cursor.position();
        const QSignalBlocker block(memo);
        memo->setPlainText(upper);
        cursor = memo->textCursor();
        cursor.setPosition(std::min(at, static_cast<int>(upper.size())));
        memo->setTextCursor(cursor);
    });
}

void capitalise_combo(QComboBox* combo)
{
    combo->setInsertPolicy(QComboBox::NoInsert);
    capitalise_letters(combo->lineEdit());
}

} // namespace

Tfrm_Cad_Pedidos::Tfrm_Cad_Pedidos(const Context& context, TdmDados& dados, QWidget* parent)
    : QDialog(parent), context_(context), dados_(dados), ui(std::make_unique<Ui::Tfrm_Cad_Pedidos>())
{
    ui->setupUi(this);
    prepare_screen(this);

    capitalise_letters(ui->edtCliente);
    capitalise_letters(ui->edtProduto);
    capitalise_letters(ui->edtMix);
    capitalise_combo(ui->cbxPagamentos);
    capitalise_combo(ui->cbxTabelas);
    capitalise_memo(ui->memObs);
    ui->cbxPagamentos->addItems({u"BOLETO"_s, u"CREDITO"_s, u"DEBITO"_s, u"DEPOSITO"_s, u"DINHEIRO"_s,
                                 u"TRANSFERENCIA"_s, u"CARTEIRA"_s, u"CHEQUE"_s, u"PIX"_s});
    ui->cbxPagamentos->lineEdit()->setPlaceholderText(u"FORMA DE PAGAMENTO"_s);
    ui->cbxTabelas->lineEdit()->setPlaceholderText(u"TABELA DE PREÇO"_s);

    const Regional& regional = context_.regional;
    for (NumberEdit* edit : {ui->edtP1, ui->edtP2, ui->edtP3, ui->edtP4, ui->edtP5, ui->edtP6, ui->edtP7,
                             ui->edtP8, ui->edtQtd, ui->edtQtdMix})
        edit->set_format(regional, 0);
    for (NumberEdit* edit : {ui->edtVlrVenda, ui->edtVlrMix, ui->edtTaxaEntrega, ui->edtTot_Pedido})
        edit->set_format(regional, 2);
    ui->edtDtaEntrega->set_format(regional);
    ui->edtDtaEntrega->calendar()->setText(u"Calendário"_s);
    ui->layoutParcelas->setRowStretch(4, 1);
    ui->memAlertas->setStyleSheet(u"color: rgb(200, 0, 0);"_s);
    ui->memDatas->document()->setDefaultTextOption(QTextOption(Qt::AlignCenter));
    ui->memAlertas->document()->setDefaultTextOption(QTextOption(Qt::AlignCenter));
    apply_tab_style(ui->pgcProduto);

    make_picture_button(ui->btnPesqClie, u"pesquisar"_s, u"Pesquisar cliente"_s, {}, 24);
    make_picture_button(ui->btnLimparClie, u"limpar"_s, u"Limpar pesquisa de cliente"_s, {}, 24);
    make_picture_button(ui->btnPesqProd, u"pesquisar"_s, u"Pesquisar produto"_s, {}, 24);
    make_picture_button(ui->btnLimparProd, u"limpar"_s, u"Limpar pesquisa de produto"_s, {}, 24);
    make_picture_button(ui->edtAddProd, u"adicionar"_s, u"Adicionar item"_s, {}, 24);
    make_picture_button(ui->btnExcluir, u"remover"_s, u"Excluir item"_s, {}, 24);
    make_picture_button(ui->btnPesqMix, u"pesquisar"_s, u"Pesquisar produto do mix"_s, {}, 24);
    make_picture_button(ui->btnLimparMix, u"limpar"_s, u"Limpar produto do mix"_s, {}, 24);
    make_picture_button(ui->btnAddMix, u"adicionar"_s, u"Adicionar item do mix"_s, {}, 24);
    make_picture_button(ui->btnGravar, u"gravar"_s, u"Gravar pedido"_s, u"F2"_s);
    make_picture_button(ui->btnCancelar, u"cancelar"_s, u"Cancelar pedido"_s, u"F3"_s);
    make_picture_button(ui->btnFechar, u"fechar"_s, u"Fechar"_s, u"Esc"_s);

    ui->dbgPesquisa->bind(
        dados_.dsProduto,
        {
            {u"pro_id"_s, u"ID"_s, {}, {}, 80},
            {u"pro_descricao"_s, u"Descrição"_s, {}, {}, 520},
            {u"pro_vlr_venda"_s, u"Valor Venda"_s, Qt::AlignRight | Qt::AlignVCenter, {}, 120},
        },
        *context_.messages);
    ui->dbgItemVenda->bind(dados_.dsItemVenda,
                           {
                               {u"pro_id"_s, u"ID"_s, {}, {}, 80},
                               {u"pro_descricao"_s, u"Descrição"_s, {}, {}, 460},
                               {u"iven_qtd_produto"_s, u"Qtd"_s, {}, {}, 80},
                               {u"iven_vlr_produto"_s, u"Valor"_s, {}, u"0.00"_s, 110},
                               {u"iven_total"_s, u"Total"_s, {}, u"0.00"_s, 110},
                           },
                           *context_.messages);
    // Taking a row out of the grid would leave its amount in the total.
    ui->dbgItemVenda->set_row_removal(
        [this] { run_guarded(*context_.messages, [this] { excluir_item_atual(); }); });
    mix_ = std::make_unique<MixList>(dados_, context_.regional);
    ui->DBGrid2->bind(
        mix_->dsMixCliente,
        {
            {u"pro_id"_s, u"Codigo"_s, {}, {}, 80},
            {u"pro_descricao"_s, u"Produto"_s, {}, {}, 420},
            {u"qtd_periodo"_s, u"Qtd Período"_s, Qt::AlignRight | Qt::AlignVCenter, {}, 110},
            {u"vlr_ult_venda"_s, u"Últ. Valor"_s, Qt::AlignRight | Qt::AlignVCenter, u"0.00"_s, 110},
        },
        *context_.messages);
    for (QTableView* grid :
         {static_cast<QTableView*>(ui->dbgPesquisa), static_cast<QTableView*>(ui->dbgItemVenda),
          static_cast<QTableView*>(ui->DBGrid2)})
        grid->horizontalHeader()->setStretchLastSection(true);

    PopupMenu1 = make_popup_menu(this);
    // The save and cancel buttons are captioned F2 and F3: the keys and these items do what the
    // buttons do, through the same handlers.
    Novo1 = add_menu_item(PopupMenu1, u"Novo1"_s, u"Novo"_s, QKeySequence(Qt::Key_F2));
    Editar1 = add_menu_item(PopupMenu1, u"Editar1"_s, u"Editar"_s, QKeySequence(Qt::Key_F3));
    connect(Novo1, &QAction::triggered, this, &Tfrm_Cad_Pedidos::btnGravarClick);
    connect(Editar1, &QAction::triggered, this, &Tfrm_Cad_Pedidos::btnCancelarClick);
    Fechar1 = add_close_item(PopupMenu1, this, &Tfrm_Cad_Pedidos::btnFecharClick);

    connect(ui->btnPesqClie, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnPesqClieClick);
    connect(ui->btnLimparClie, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnLimparClieClick);
    connect(ui->btnCancelar, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnCancelarClick);
    connect(ui->btnFechar, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnFecharClick);
    connect(ui->btnPesqProd, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnPesqProdClick);
    connect(ui->btnLimparProd, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnLimparProdClick);
    connect(ui->dbgPesquisa, &QAbstractItemView::clicked, this, &Tfrm_Cad_Pedidos::dbgPesquisaCellClick);
    connect(ui->edtAddProd, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::edtAddProdClick);
    connect(ui->btnExcluir, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnExcluirClick);
    connect(ui->btnGravar, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnGravarClick);
    connect(ui->DBGrid2, &QAbstractItemView::clicked, this, &Tfrm_Cad_Pedidos::DBGrid2CellClick);
    connect(ui->btnPesqMix, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnPesqMixClick);
    search_on_enter({ui->edtCod_Cliente, ui->edtCliente}, this, &Tfrm_Cad_Pedidos::btnPesqClieClick);
    search_on_enter({ui->edtCod_Produto, ui->edtProduto}, this, &Tfrm_Cad_Pedidos::btnPesqProdClick);
    search_on_enter({ui->edtCod_Mix, ui->edtMix}, this, &Tfrm_Cad_Pedidos::btnPesqMixClick);
    connect(ui->btnLimparMix, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnLimparMixClick);
    connect(ui->btnAddMix, &QToolButton::clicked, this, &Tfrm_Cad_Pedidos::btnAddMixClick);
    // What the due dates and the warnings depend on.
    for (QLineEdit* edit :
         {static_cast<QLineEdit*>(ui->edtP1), static_cast<QLineEdit*>(ui->edtP2),
          static_cast<QLineEdit*>(ui->edtP3), static_cast<QLineEdit*>(ui->edtP4),
          static_cast<QLineEdit*>(ui->edtP5), static_cast<QLineEdit*>(ui->edtP6),
          static_cast<QLineEdit*>(ui->edtP7), static_cast<QLineEdit*>(ui->edtP8),
          static_cast<QLineEdit*>(ui->edtDtaEntrega), static_cast<QLineEdit*>(ui->edtCod_Cliente)})
        connect(edit, &QLineEdit::textChanged, this, &Tfrm_Cad_Pedidos::atualizar_paineis);
    connect(ui->cbxTabelas, &QComboBox::currentTextChanged, this, &Tfrm_Cad_Pedidos::atualizar_paineis);

    FormCreate();
}

Tfrm_Cad_Pedidos::~Tfrm_Cad_Pedidos() = default;

void Tfrm_Cad_Pedidos::FormCreate()
{
    run_guarded(*context_.messages, [this] { limpar_pedido(); });
}

void Tfrm_Cad_Pedidos::set_pedido(int numero)
{
    ui->lblPedido->setText(QString::number(numero));
    run_guarded(*context_.messages, [this] { filtrar_itens(); });
    paineis_ = true;
    atualizar_paineis();
}

void Tfrm_Cad_Pedidos::atualizar_paineis()
{
    if (!paineis_) return;
    // Read while the salesperson types: a half-typed value leaves the panels as they were, and
    // says nothing. A date still being typed counts as none, until it is whole.
    QDate entrega;
    try {
        entrega = ui->edtDtaEntrega->date();
    } catch (const Error&) {
    }
    try {
        QStringList datas;
        if (dados_.tblItemVenda.record_count() > 0) {
            std::array<double, 8> parcelas{};
            const NumberEdit* edits[] = {ui->edtP1, ui->edtP2, ui->edtP3, ui->edtP4,
                                         ui->edtP5, ui->edtP6, ui->edtP7, ui->edtP8};
            for (std::size_t i = 0; i < parcelas.size(); ++i)
                parcelas[i] = edits[i]->value();
            datas = linhas_vencimentos(vencimentos(prazos_pedido(parcelas),
                                                   entrega.isValid() ? entrega : context_.today(),
                                                   ui->edtTot_Pedido->money()),
                                       context_.regional);
        }
        ui->memDatas->setPlainText(datas.join(u'\n'));
    } catch (const Error&) {
    }
    try {
        const QStringList alertas =
            alertas_pedido(dados_,
                           {ui->edtCod_Cliente->text(), ui->edtTot_Pedido->money(),
                            ui->cbxTabelas->currentText(), mix_->produtos(), entrega, context_.today()},
                           context_.regional);
        ui->memAlertas->setPlainText(alertas.join(u'\n'));
    } catch (const Error&) {
    }
}

void Tfrm_Cad_Pedidos::limpar_pedido()
{
    const bool paineis = std::exchange(paineis_, false);
    for (QLineEdit* edit :
         {ui->edtCod_Cliente, ui->edtCliente, ui->edtCod_Produto, ui->edtCod_Mix, ui->edtMix, ui->edtProduto,
          ui->cbxPagamentos->lineEdit(), ui->cbxTabelas->lineEdit()})
        edit->clear();
    ui->edtDtaEntrega->clear();
    for (NumberEdit* edit :
         {ui->edtP1, ui->edtP2, ui->edtP3, ui->edtP4, ui->edtP5, ui->edtP6, ui->edtP7, ui->edtP8})
        edit->set_value(0);
    for (NumberEdit* edit : {ui->edtTot_Pedido, ui->edtVlrVenda})
        edit->set_money(Money());
    ui->memObs->clear();
    ui->memDatas->clear();
    ui->memAlertas->clear();

    ui->cbxTabelas->clear();
    Table& tabelas = dados_.tblTabela;
    QStringList names;
    for (tabelas.first(); !tabelas.eof(); tabelas.next())
        names << tabelas.as_text(u"tab_descricao");
    ui->cbxTabelas->addItems(capitals(names));
    ui->cbxTabelas->setCurrentIndex(-1);
    ui->cbxTabelas->setEditText({});
    paineis_ = paineis;
}

void Tfrm_Cad_Pedidos::filtrar_itens()
{
    ::filtrar_itens(dados_.tblItemVenda, ui->lblPedido->text());
}

void Tfrm_Cad_Pedidos::btnPesqClieClick()
{
    run_guarded(*context_.messages, [this] {
        Table& clientes = dados_.tblCliente;
        aplicar_pesquisa(clientes, u"cli_id"_s, ui->edtCod_Cliente->text(), u"cli_fantasia"_s,
                         ui->edtCliente->text());
        if (selected_id(clientes, u"cli_id") < 1) {
            context_.messages->warning(u"Cliente NÃO Localizado!"_s);
            limpar_pesquisa(clientes);
            return;
        }
        int escolhido = 0;
        {
            Tfrm_Lista_Clientes lista(context_, dados_, this);
            lista.mostrar_pesquisa(ui->edtCod_Cliente->text(), ui->edtCliente->text());
            lista.escolher_cliente();
            lista.exec();
            escolhido = lista.cliente_escolhido();
        }
        // A list closed with no visible client selected picks nothing; otherwise that client is
        // still the current row, the list's search being gone.
        if (escolhido < 1) return;

        ui->edtCod_Cliente->setText(QString::number(clientes.as_integer(u"cli_id")));
        ui->edtCliente->setText(clientes.as_text(u"cli_razao").toUpper());
        ui->cbxPagamentos->setEditText(clientes.as_text(u"cli_pagamento").toUpper());
        NumberEdit* parcelas[] = {ui->edtP1, ui->edtP2, ui->edtP3, ui->edtP4,
                                  ui->edtP5, ui->edtP6, ui->edtP7, ui->edtP8};
        for (int i = 0; i < 8; ++i)
            parcelas[i]->set_value(clientes.as_integer(QString(u"cli_parcela"_s + QString::number(i + 1))));
        const int tab_id = clientes.as_integer(u"tab_id");
        if (tab_id > 0) {
            if (dados_.tblTabela.locate(u"tab_id", QVariant(tab_id)))
                ui->cbxTabelas->setEditText(dados_.tblTabela.as_text(u"tab_descricao").toUpper());
        }
        limpar_pesquisa(clientes);
        carregar_mix();
        atualizar_paineis();
    });
}

void Tfrm_Cad_Pedidos::carregar_mix()
{
    // The page shows this choice's rows only; an earlier client's never stay behind.
    const int first = dados_.tblMix.record_count();
    mix_->limpar();
    ::carregar_mix(context_, dados_.tblMix, ui->edtCod_Cliente->text());
    mix_->mostrar(first);
}

void Tfrm_Cad_Pedidos::btnLimparClieClick()
{
    run_guarded(*context_.messages, [this] {
        ui->edtCod_Cliente->clear();
        ui->edtCliente->clear();
        limpar_pesquisa(dados_.tblCliente);
    });
}

void Tfrm_Cad_Pedidos::btnCancelarClick()
{
    run_guarded(*context_.messages, [this] {
        if (!context_.messages->confirm(u"Deseja Cancelar o Pedido?"_s)) return;
        limpar_pedido();
        btnFecharClick();
    });
}

void Tfrm_Cad_Pedidos::btnFecharClick()
{
    close();
}

void Tfrm_Cad_Pedidos::btnPesqProdClick()
{
    run_guarded(*context_.messages, [this] {
        Table& produtos = dados_.tblProduto;
        aplicar_pesquisa(produtos, u"pro_id"_s, ui->edtCod_Produto->text(), u"pro_descricao"_s,
                         ui->edtProduto->text());
        if (selected_id(produtos, u"pro_id") >= 1) {
            // The product's own price: no table price stands behind it.
            ui->lblTabID->setText(u"0"_s);
            ui->edtCod_Produto->setText(QString::number(produtos.as_integer(u"pro_id")));
            ui->edtProduto->setText(produtos.as_text(u"pro_descricao").toUpper());
            ui->edtVlrVenda->set_money(produtos.as_money(u"pro_vlr_venda"));
        } else {
            context_.messages->warning(u"Produto NÃO Localizado!"_s);
            limpar_pesquisa(produtos);
        }
    });
}

void Tfrm_Cad_Pedidos::btnLimparProdClick()
{
    run_guarded(*context_.messages, [this] {
        ui->edtCod_Produto->clear();
        ui->edtProduto->clear();
        limpar_pesquisa(dados_.tblProduto);
    });
}

void Tfrm_Cad_Pedidos::dbgPesquisaCellClick()
{
    run_guarded(*context_.messages, [this] { selecionar_produto(pesquisa()); });
}

Tfrm_Cad_Pedidos::ProductInputs Tfrm_Cad_Pedidos::pesquisa() const
{
    return {ui->edtCod_Produto, ui->edtProduto, ui->edtQtd, ui->edtVlrVenda};
}

Tfrm_Cad_Pedidos::ProductInputs Tfrm_Cad_Pedidos::mix() const
{
    return {ui->edtCod_Mix, ui->edtMix, ui->edtQtdMix, ui->edtVlrMix};
}

void Tfrm_Cad_Pedidos::selecionar_produto(const ProductInputs& inputs)
{
    // Every pick starts without a table, so an item never carries one table's id with another
    // product's own price.
    ui->lblTabID->setText(u"0"_s);
    const Table& produtos = dados_.tblProduto;
    inputs.codigo->setText(QString::number(produtos.as_integer(u"pro_id")));
    inputs.descricao->setText(produtos.as_text(u"pro_descricao").toUpper());
    inputs.valor->set_money(produtos.as_money(u"pro_vlr_venda"));
    inputs.qtd->set_value(1);
    aplicar_preco_tabela(inputs);
}

void Tfrm_Cad_Pedidos::aplicar_preco_tabela(const ProductInputs& inputs)
{
    try {
        const std::optional<TablePrice> price =
            preco_tabela(dados_, ui->cbxTabelas->currentText(), inputs.codigo->text());
        if (!price) return;
        inputs.valor->set_money(price->valor);
        ui->lblTabID->setText(QString::number(price->tab_id));
    } catch (const Error& e) {
        context_.messages->error(u"Falha ao Mostrar Dados da Tabela - "_s + e.message());
    }
}

void Tfrm_Cad_Pedidos::edtAddProdClick()
{
    run_guarded(*context_.messages, [this] {
        if (ui->edtCod_Produto->text().isEmpty()) return;
        incluir_item(pesquisa());
        limpar_pesquisa(dados_.tblProduto);
    });
}

void Tfrm_Cad_Pedidos::incluir_item(const ProductInputs& inputs)
{
    const ItemInput item{ui->lblPedido->text(), ui->lblTabID->text(),  inputs.codigo->text(),
                         inputs.qtd->money(),   inputs.valor->money(), inputs.descricao->text()};
    // A total past the largest amount raises here, before the item is added.
    const Money total = ui->edtTot_Pedido->money() + item.qtd * item.vlr;
    ::incluir_item(dados_.tblItemVenda, item);
    ui->edtTot_Pedido->set_money(total);
    limpar_produto();
    filtrar_itens();
    atualizar_paineis();
}

void Tfrm_Cad_Pedidos::DBGrid2CellClick()
{
    run_guarded(*context_.messages, [this] {
        const int pro_id = selected_id(mix_->tblMixCliente, u"pro_id");
        if (pro_id < 1) return;
        CatalogueLookup produtos(dados_.tblProduto, u"pro_id"_s);
        if (!produtos.find(QString::number(pro_id))) {
            context_.messages->warning(u"Produto NÃO Localizado!"_s);
            return;
        }
        selecionar_produto(mix());
    });
}

void Tfrm_Cad_Pedidos::btnPesqMixClick()
{
    run_guarded(*context_.messages, [this] {
        Table& lista = mix_->tblMixCliente;
        aplicar_pesquisa(lista, u"pro_id"_s, ui->edtCod_Mix->text(), u"pro_descricao"_s, ui->edtMix->text());
        if (selected_id(lista, u"pro_id") < 1) {
            context_.messages->warning(u"Produto NÃO Localizado!"_s);
            limpar_pesquisa(lista);
            return;
        }
        DBGrid2CellClick();
    });
}

void Tfrm_Cad_Pedidos::btnLimparMixClick()
{
    run_guarded(*context_.messages, [this] {
        for (QLineEdit* edit : {ui->edtCod_Mix, ui->edtMix})
            edit->clear();
        for (NumberEdit* edit : {ui->edtQtdMix, ui->edtVlrMix})
            edit->set_value(0);
        ui->lblTabID->setText(u"0"_s);
        limpar_pesquisa(mix_->tblMixCliente);
    });
}

void Tfrm_Cad_Pedidos::btnAddMixClick()
{
    run_guarded(*context_.messages, [this] {
        if (ui->edtCod_Mix->text().isEmpty()) return;
        incluir_item(mix());
        limpar_pesquisa(mix_->tblMixCliente);
    });
}

void Tfrm_Cad_Pedidos::limpar_produto()
{
    for (QLineEdit* edit : {ui->edtCod_Produto, ui->edtProduto, ui->edtCod_Mix, ui->edtMix})
        edit->clear();
    ui->lblTabID->setText(u"0"_s);
    for (NumberEdit* edit : {ui->edtQtd, ui->edtQtdMix, ui->edtVlrVenda, ui->edtVlrMix})
        edit->set_value(0);
}

void Tfrm_Cad_Pedidos::btnExcluirClick()
{
    run_guarded(*context_.messages, [this] { excluir_item_atual(); });
}

void Tfrm_Cad_Pedidos::excluir_item_atual()
{
    const std::optional<Money> removed = excluir_item(dados_.tblItemVenda);
    if (!removed) return;
    ui->edtTot_Pedido->set_money(std::max(Money(), ui->edtTot_Pedido->money() - *removed));
    atualizar_paineis();
}

void Tfrm_Cad_Pedidos::btnGravarClick()
{
    run_guarded(*context_.messages, [this] {
        if (ui->edtCod_Cliente->text().isEmpty()) {
            context_.messages->warning(u"Escolha o cliente do pedido antes de gravar."_s);
            return;
        }
        // Read first, so that a half-typed date stops the save before anything is asked or sent.
        const OrderInput order = ler_pedido();
        const QDate entrega = ui->edtDtaEntrega->date();
        if (entrega.isValid() && entrega < context_.today() &&
            !context_.messages->confirm(
                u"A data de entrega (%1) é anterior a hoje. Gravar o pedido assim mesmo?"_s.arg(
                    context_.regional.format_date(entrega, u"dd/MM/yyyy"_s))))
            return;
        if (gravar_pedido(context_, dados_, order)) accept();
    });
}

OrderInput Tfrm_Cad_Pedidos::ler_pedido() const
{
    OrderInput order;
    order.pedido = ui->lblPedido->text();
    order.cli_id = ui->edtCod_Cliente->text();
    order.pagamento = ui->cbxPagamentos->currentText();
    const NumberEdit* parcelas[] = {ui->edtP1, ui->edtP2, ui->edtP3, ui->edtP4,
                                    ui->edtP5, ui->edtP6, ui->edtP7, ui->edtP8};
    for (std::size_t i = 0; i < order.parcelas.size(); ++i)
        order.parcelas[i] = parcelas[i]->value();
    const QDate entrega = ui->edtDtaEntrega->date();
    order.entrega = entrega.isValid() ? entrega : dia_zero();
    order.taxa_entrega = ui->edtTaxaEntrega->money();
    order.tot_pedido = ui->edtTot_Pedido->money();
    order.observacao = ui->memObs->toPlainText().replace(u'\n', u"\r\n"_s);
    order.tabela = ui->cbxTabelas->currentText();
    return order;
}
