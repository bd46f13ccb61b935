#include "order_list_page.h"

#include "core/context.h"
#include "core/error_report.h"
#include "orders/order_history.h"
#include "orders/order_pdf.h"
#include "ui/db_grid.h"

#include <QAction>
#include <QHeaderView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

std::vector<FieldDef> campos()
{
    return {
        {u"pedido"_s, FieldType::String, 0}, {u"dia"_s, FieldType::Date, 0},
        {u"data"_s, FieldType::String, 0},   {u"cliente"_s, FieldType::String, 0},
        {u"total"_s, FieldType::String, 0},  {u"situacao"_s, FieldType::String, 0},
    };
}

} // namespace

OrderListPage::OrderListPage(const Context& context, TdmDados& dados, QWidget* parent)
    : QWidget(parent), context_(context), dados_(dados),
      tblPedidos(u"tblPedidos"_s, campos(), context.regional)
{
    setObjectName(u"TabSheet3"_s);
    setAccessibleName(u"Pedidos"_s);

    dbgPedidos = new DbGrid(this);
    dbgPedidos->setObjectName(u"dbgPedidos"_s);
    dbgPedidos->setAccessibleName(u"Lista de pedidos"_s);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    dbgPedidos->bind(dsPedidos,
                     {
                         {u"pedido"_s, u"Pedido"_s, {}, {}, 80},
                         {u"data"_s, u"Data"_s, {}, {}, 90},
                         {u"cliente"_s, u"Cliente"_s, {}, {}, 0},
                         {u"total"_s, u"Total"_s, right, {}, 100},
                         {u"situacao"_s, u"Situação"_s, {}, {}, 110},
                     },
                     *context_.messages);
    dbgPedidos->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    // The rows stand for files: deleting one here would delete nothing.
    dbgPedidos->forbid_row_removal();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(dbgPedidos);

    auto* visualizar = new QAction(this);
    visualizar->setObjectName(u"VisualizarPedido1"_s);
    visualizar->setShortcut(QKeySequence(Qt::Key_F4));
    // Only while the page is the one in use, so that F4 means nothing else elsewhere on the screen.
    visualizar->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(visualizar);
    connect(visualizar, &QAction::triggered, this, &OrderListPage::abrir_pdf);
    connect(dbgPedidos, &QAbstractItemView::doubleClicked, this, &OrderListPage::abrir_pdf);
}

OrderListPage::~OrderListPage() = default;

void OrderListPage::recarregar()
{
    run_guarded(*context_.messages, [this] {
        const bool had = tblPedidos.current_visible() >= 0;
        const QString pedido = tblPedidos.as_text(u"pedido");
        const QDate dia = tblPedidos.as_date(u"dia");

        Table rows(u"tblPedidos"_s, campos(), context_.regional);
        for (const OrderListRow& row : linhas_pedidos(context_, dados_)) {
            rows.append();
            rows.set_text(u"pedido", row.pedido);
            rows.set_date(u"dia", row.key.dia);
            rows.set_text(u"data", row.data);
            rows.set_text(u"cliente", row.cliente);
            rows.set_text(u"total", row.total);
            rows.set_text(u"situacao", row.situacao);
            rows.post();
        }
        tblPedidos.take_rows(rows);
        if (!had || !tblPedidos.locate(u"pedido;dia", {QVariant(pedido), QVariant(dia)})) tblPedidos.first();
    });
}

void OrderListPage::abrir_pdf()
{
    run_guarded(*context_.messages, [this] {
        if (tblPedidos.current_visible() < 0) return;
        const OrderKey key{tblPedidos.as_text(u"pedido"), tblPedidos.as_date(u"dia")};
        const QString path = gravar_pdf_pedido(context_, dados_, key);
        if (context_.open_document) context_.open_document(path);
    });
}
