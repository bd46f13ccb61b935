#include "frm_principal.h"
#include "ui_frm_principal.h"

#include "app/frm_configuracao.h"
#include "app/frm_transmissao.h"
#include "app/help.h"
#include "catalogue/client_download.h"
#include "catalogue/frm_lista_clientes.h"
#include "catalogue/frm_lista_produtos.h"
#include "catalogue/offline_catalogue.h"
#include "catalogue/product_download.h"
#include "core/context.h"
#include "core/error_report.h"
#include "core/messages.h"
#include "orders/frm_cad_pedidos.h"
#include "orders/pending_orders.h"
#include "settings/settings.h"
#include "store/dm_dados.h"
#include "ui/look.h"
#include "ui/screen.h"
#include "ui/screen_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The stretched picture of the top band.
QPixmap banner()
{
    QPixmap pixmap(1080, 220);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, pixmap.width(), 0);
    gradient.setColorAt(0, QColor(22, 63, 122));
    gradient.setColorAt(1, QColor(60, 130, 200));
    p.fillRect(pixmap.rect(), gradient);
    p.drawPixmap(40, 30, picture(u"pedidos"_s).pixmap(160, 160));
    QFont font = screen_font(64);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(230, 0, pixmap.width() - 250, pixmap.height()), Qt::AlignVCenter | Qt::AlignLeft,
               u"PEDIDOS VENDEDOR"_s);
    return pixmap;
}

} // namespace

Tfrm_Principal::Tfrm_Principal(const Context& context, QWidget* parent)
    : QMainWindow(parent), context_(context), ui(std::make_unique<Ui::Tfrm_Principal>()),
      program_folder_(QCoreApplication::applicationDirPath())
{
    ui->setupUi(this);
    prepare_screen(this);
    ui->Image1->setPixmap(banner());
    ui->Image1->setMinimumSize(1, 1); // the picture stretches to the band; it must not widen the window
    ui->Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    make_picture_button(ui->SpeedButton5, u"informacao"_s, u"Ajuda: guia do vendedor (F1)"_s, {}, 48);
    make_picture_button(ui->btnClientes, u"clientes"_s, u"Clientes"_s, {}, 96);
    make_picture_button(ui->btnProdutos, u"produtos"_s, u"Produtos"_s, {}, 96);
    make_picture_button(ui->btnPedidos, u"pedidos"_s, u"Pedidos"_s, {}, 96);
    make_picture_button(ui->btnTransmissao, u"transmissao"_s, u"Transmissão"_s, {}, 96);
    make_picture_button(ui->btnConfiguracao, u"configuracao"_s, u"Configuração"_s, {}, 40);
    make_picture_button(ui->btnFechar, u"fechar"_s, u"Fechar"_s, {}, 40);
    QFont situacao = screen_font(12);
    situacao.setBold(true);
    ui->lblSituacao->setFont(situacao);
    ui->lblSituacao->setStyleSheet(u"color: #a61b1b; padding: 4px;"_s);
    ui->lblSituacao->setWordWrap(true);
    ui->lblSituacao->setVisible(false);

    PopupMenu1 = make_popup_menu(this);
    Ajuda1 = add_menu_item(PopupMenu1, u"Ajuda1"_s, u"Ajuda"_s, QKeySequence(Qt::Key_F1));
    Fechar1 = add_close_item(PopupMenu1, this, &Tfrm_Principal::btnFecharClick);
    connect(ui->SpeedButton5, &QToolButton::clicked, this, &Tfrm_Principal::btnAjudaClick);
    connect(Ajuda1, &QAction::triggered, this, &Tfrm_Principal::btnAjudaClick);

    connect(ui->btnFechar, &QToolButton::clicked, this, &Tfrm_Principal::btnFecharClick);
    connect(ui->btnClientes, &QToolButton::clicked, this, &Tfrm_Principal::btnClientesClick);
    connect(ui->btnProdutos, &QToolButton::clicked, this, &Tfrm_Principal::btnProdutosClick);
    connect(ui->btnTransmissao, &QToolButton::clicked, this, &Tfrm_Principal::btnTransmissaoClick);
    connect(ui->btnPedidos, &QToolButton::clicked, this, &Tfrm_Principal::btnPedidosClick);
    connect(ui->btnConfiguracao, &QToolButton::clicked, this, &Tfrm_Principal::btnConfiguracaoClick);

    FormCreate();
}

Tfrm_Principal::~Tfrm_Principal() = default;

void Tfrm_Principal::FormCreate()
{
    habilitar_menu();
    atualizar_situacao();
}

void Tfrm_Principal::habilitar_menu()
{
    // A settings file still as the settings screen first wrote it names no real server.
    configured_ = Settings(context_).configured();
    ui->GridMain->setEnabled(configured_);
    ui->pnlTop->setEnabled(configured_);
}

void Tfrm_Principal::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Let the window paint before the message and the downloads hold the event loop.
    QTimer::singleShot(0, this, [this] { run_guarded(*context_.messages, [this] { FormShow(); }); });
}

void Tfrm_Principal::FormShow()
{
    if (!configured_) return;
    context_.messages->information(u"Atualizando a Base de Cadastros... Por Favor, Aguarde!"_s);
    StartUpProgress progress;
    chave_recusada_ = false;
    const bool downloaded = run_guarded(*context_.messages, [&] {
        importar_clientes(progress);
        // Runs after a refused key too; an error above ends the start-up instead.
        importar_produtos(progress);
    });
    // The error has been shown; the salesperson works from the last catalogue meanwhile.
    if (!downloaded) carregar_cadastro_anterior(context_, *dmDados(), progress);
    atualizar_situacao();
}

void Tfrm_Principal::importar_clientes(StartUpProgress& progress)
{
    bool replied = false;
    ::importar_clientes(context_, dmDados()->tblCliente, [&](std::string_view step) {
        if (step == "resposta") replied = true;
        if (step == "cache") progress.clientes = true;
    });
    // A reply that came back and was not written was refused for its key; the message has been
    // shown, and the label keeps saying why the lists are empty.
    chave_recusada_ = replied && !progress.clientes;
}

void Tfrm_Principal::importar_produtos(StartUpProgress& progress)
{
    ::importar_produtos(context_, *dmDados(), [&](std::string_view step) {
        if (step == "cache") progress.produtos = true;
    });
}

void Tfrm_Principal::atualizar_situacao()
{
    QStringList lines;
    if (!configured_)
        lines << u"CONFIGURE O PROGRAMA: clique em Configuração (as ferramentas, embaixo à esquerda), "
                 u"preencha os dados que a empresa passou e grave. F1 abre o guia do vendedor."_s;
    if (chave_recusada_)
        lines << u"CHAVE DO VENDEDOR RECUSADA PELO SERVIDOR: confira a chave em Configuração."_s;
    // While the window is built, the data module may not exist yet.
    const QString origem = dmDados() ? dmDados()->origem.texto() : QString();
    if (!origem.isEmpty()) lines << origem;
    // A folder that cannot be listed counts no order: the menu works all the same.
    const qsizetype pendentes = pedidos_pendentes(context_).size();
    if (pendentes > 0) lines << QString::number(pendentes) + u" PEDIDO(S) PENDENTE(S)"_s;
    ui->lblSituacao->setText(lines.join(u'\n'));
    ui->lblSituacao->setToolTip(
        pendentes > 0
            ? u"Os pedidos pendentes são enviados com F6 (Exportar Vendas) na tela de Transmissão."_s
            : QString());
    ui->lblSituacao->setVisible(!lines.isEmpty());
}

void Tfrm_Principal::btnClientesClick()
{
    run_guarded(*context_.messages, [this] {
        Tfrm_Lista_Clientes screen(context_, *dmDados(), this);
        screen.exec();
    });
    atualizar_situacao();
}

void Tfrm_Principal::btnProdutosClick()
{
    run_guarded(*context_.messages, [this] {
        Tfrm_Lista_Produtos screen(context_, *dmDados(), this);
        screen.exec();
    });
    atualizar_situacao();
}

void Tfrm_Principal::btnTransmissaoClick()
{
    run_guarded(*context_.messages, [this] {
        Tfrm_Transmissao screen(context_, *dmDados(), this);
        screen.exec();
    });
    atualizar_situacao();
}

void Tfrm_Principal::btnPedidosClick()
{
    run_guarded(*context_.messages, [this] {
        const Settings settings(context_);
        const int numero = settings.read_pedido();
        {
            Tfrm_Cad_Pedidos screen(context_, *dmDados(), this);
            screen.set_pedido(numero);
            screen.exec();
        }
        // Every opening uses up its number, whether an order was sent or not.
        settings.write_integer(u"Pedido"_s, numero + 1);
    });
    atualizar_situacao();
}

void Tfrm_Principal::btnConfiguracaoClick()
{
    const bool was_configured = configured_;
    run_guarded(*context_.messages, [this] {
        Tfrm_Configuracao screen(context_, this);
        screen.exec();
    });
    habilitar_menu();
    // The first settings saved: the menu comes on and the first download starts, without a restart.
    if (!was_configured && configured_) run_guarded(*context_.messages, [this] { FormShow(); });
    atualizar_situacao();
}

void Tfrm_Principal::btnAjudaClick()
{
    run_guarded(*context_.messages, [this] {
        const QString guia = guia_do_vendedor(program_folder_);
        if (guia.isEmpty()) {
            context_.messages->warning(
                u"O guia do vendedor não está neste computador: ele vem com o programa "
                u"instalado (pelo instalador ou pelo pacote)."_s);
            return;
        }
        if (context_.open_document) context_.open_document(guia);
    });
}

void Tfrm_Principal::btnFecharClick()
{
    close();
}
