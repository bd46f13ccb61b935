#include "order_pdf.h"

#include "core/context.h"
#include "core/replace_file.h"
#include "orders/order_history.h"
#include "store/catalogue_lookup.h"
#include "store/dm_dados.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

QString data_br(const QDate& date)
{
    return date.isValid() ? date.toString(u"dd/MM/yyyy"_s) : QString();
}

// "1234567,5" as "1.234.567,5": the thousands grouped with points, as Brazilian amounts are printed.
QString agrupar(QString text)
{
    qsizetype end = text.indexOf(u',');
    if (end < 0) end = text.size();
    const qsizetype start = text.startsWith(u'-') ? 1 : 0;
    for (qsizetype at = end - 3; at > start; at -= 3)
        text.insert(at, u'.');
    return text;
}

QString dinheiro(const std::optional<Money>& value)
{
    return value ? u"R$ "_s + agrupar(value->format(2, u',')) : QString();
}

QString quantidade(const std::optional<Money>& value)
{
    if (!value) return {};
    const bool whole = value->units() % Money::kScale == 0;
    return agrupar(value->format(whole ? 0 : 2, u','));
}

// A label and its value, one line of the header blocks; a long value takes the columns to its right.
QString campo(const QString& label, const QString& value, int span = 1)
{
    return u"<td class=\"label\">"_s + label + u"</td><td class=\"valor\" colspan=\""_s +
           QString::number(span) + u"\">"_s + (value.isEmpty() ? u"—"_s : esc(value)) + u"</td>"_s;
}

const QString kStyle = uR"(
body { font-family: 'DejaVu Sans', 'Liberation Sans', Arial, sans-serif; font-size: 10pt; color: #1e1e1e; }
h2 { font-size: 11pt; color: #1f3b63; margin-top: 14px; margin-bottom: 4px; }
td.label { color: #555555; padding-right: 8px; }
td.valor { padding-right: 24px; }
table.itens { border-collapse: collapse; }
table.itens th { background-color: #dfe6f0; border: 1px solid #8a94a6; padding: 4px; font-weight: bold; }
table.itens td { border: 1px solid #8a94a6; padding: 4px; }
td.num { text-align: right; }
td.total { font-weight: bold; background-color: #f1f4f8; }
)"_s;

// The order as HTML for QTextDocument; every text from the copy or the catalogue is escaped.
QString html_pedido(const OrderCopy& copy, TdmDados& dados)
{
    QString cliente = copy.cli_id;
    QString cidade;
    {
        CatalogueLookup clientes(dados.tblCliente, u"cli_id"_s);
        if (clientes.find(copy.cli_id)) {
            const Table& t = dados.tblCliente;
            if (const QString razao = t.as_text(u"cli_razao"); !razao.isEmpty()) cliente += u" - "_s + razao;
            cidade = t.as_text(u"cli_end_cidade");
            const QString estado = t.as_text(u"cli_end_estado");
            if (!estado.isEmpty()) cidade += (cidade.isEmpty() ? u""_s : u"/"_s) + estado;
        }
    }

    QString html = u"<html><head><style>"_s + kStyle + u"</style></head><body>"_s;

    // The header band.
    html += u"<table width=\"100%\" cellspacing=\"0\" cellpadding=\"10\" bgcolor=\"#1f3b63\"><tr>"
            u"<td width=\"70%\"><font color=\"#ffffff\"><span style=\"font-size: 16pt; font-weight: bold;\">"
            u"PEDIDO DE VENDA Nº&nbsp;"_s +
            esc(copy.pedido) + u"</span></font></td><td align=\"right\"><font color=\"#ffffff\">"_s +
            (copy.empresa.isEmpty() ? QString() : u"<b>"_s + esc(copy.empresa) + u"</b><br>"_s) +
            u"Data: "_s + data_br(copy.dia) + u"</font></td></tr></table>"_s;

    html += u"<h2>Dados do pedido</h2><table cellspacing=\"0\" cellpadding=\"2\">"_s;
    html += u"<tr>"_s + campo(u"Pedido:"_s, copy.pedido) + campo(u"Data:"_s, data_br(copy.dia)) + u"</tr>"_s;
    html +=
        u"<tr>"_s + campo(u"Empresa:"_s, copy.empresa) + campo(u"Vendedor:"_s, copy.vendedor) + u"</tr>"_s;
    html += u"<tr>"_s + campo(u"Cliente:"_s, cliente, 3) + u"</tr>"_s;
    html += u"<tr>"_s + campo(u"Cidade:"_s, cidade, 3) + u"</tr>"_s;
    html += u"</table>"_s;

    html += u"<h2>Itens</h2><table class=\"itens\" width=\"100%\" cellspacing=\"0\" cellpadding=\"4\">"
            u"<thead><tr><th align=\"left\">Código</th><th align=\"left\">Descrição</th>"
            u"<th align=\"right\">Qtd.</th><th align=\"right\">Preço unit.</th>"
            u"<th align=\"right\">Valor</th></tr></thead>"_s;
    Money soma;
    {
        CatalogueLookup produtos(dados.tblProduto, u"pro_id"_s);
        for (const OrderItemCopy& item : copy.itens) {
            const QString descricao =
                produtos.find(item.pro_id) ? dados.tblProduto.as_text(u"pro_descricao") : QString();
            if (item.valor) soma += *item.valor;
            html += u"<tr><td>"_s + esc(item.pro_id) + u"</td><td>"_s + esc(descricao) +
                    u"</td><td class=\"num\">"_s + quantidade(item.quantidade) +
                    u"</td><td class=\"num\">"_s + dinheiro(item.preco) + u"</td><td class=\"num\">"_s +
                    dinheiro(item.valor) + u"</td></tr>"_s;
        }
    }
    if (copy.itens.isEmpty()) html += u"<tr><td colspan=\"5\" align=\"center\">Pedido sem itens</td></tr>"_s;
    // The total the order was sent with; a copy without one shows the sum of its items.
    const std::optional<Money> total = copy.tot_mercadoria ? copy.tot_mercadoria : std::optional(soma);
    html += u"<tr><td class=\"total\" colspan=\"4\" align=\"right\">Total do pedido</td>"
            u"<td class=\"total num\">"_s +
            dinheiro(total) + u"</td></tr></table>"_s;

    html += u"<h2>Condições</h2><table cellspacing=\"0\" cellpadding=\"2\">"_s;
    html += u"<tr>"_s + campo(u"Forma de pagamento:"_s, copy.pagamento) + u"</tr>"_s;
    html += u"<tr>"_s +
            campo(u"Prazo:"_s, copy.parcelas.isEmpty() ? QString() : copy.parcelas.join(u'/') + u" dias"_s) +
            u"</tr>"_s;
    html += u"<tr>"_s +
            campo(u"Entrega:"_s, copy.entrega.isValid() ? data_br(copy.entrega) : u"não informada"_s) +
            u"</tr></table>"_s;

    if (!copy.observacao.trimmed().isEmpty()) {
        QStringList lines = copy.observacao.split(u'\n');
        for (QString& line : lines) {
            if (line.endsWith(u'\r')) line.chop(1);
            line = esc(line);
        }
        html += u"<h2>Observações</h2><p>"_s + lines.join(u"<br>"_s) + u"</p>"_s;
    }
    html += u"</body></html>"_s;
    return html;
}

} // namespace

QByteArray pdf_pedido(const OrderCopy& copy, TdmDados& dados)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(u"Pedido "_s + copy.pedido);
        writer.setCreator(u"Pedidos Vendedor"_s);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        // Laid out at the screen's resolution, so that the HTML's pixel sizes mean what they mean
        // on screen; the text stays vector all the same.
        writer.setResolution(96);

        QTextDocument document;
        document.documentLayout()->setPaintDevice(&writer);
        QFont font({u"DejaVu Sans"_s, u"Liberation Sans"_s, u"Arial"_s}, 10);
        font.setStyleHint(QFont::SansSerif);
        document.setDefaultFont(font);
        document.setDocumentMargin(0);
        document.setHtml(html_pedido(copy, dados));

        // The pages are drawn here rather than by QTextDocument::print, which adds margins of its own
        // and scales by the screen's resolution.
        const QFontMetricsF footer_metrics(font, &writer);
        const qreal footer = footer_metrics.height() * 2;
        const QSizeF page(writer.width(), writer.height() - footer);
        document.setPageSize(page);
        const int pages = document.pageCount();
        QPainter painter(&writer);
        for (int p = 0; p < pages; ++p) {
            if (p > 0) writer.newPage();
            painter.save();
            painter.translate(0, -p * page.height());
            document.drawContents(&painter, QRectF(QPointF(0, p * page.height()), page));
            painter.restore();
            painter.setFont(font);
            painter.setPen(QColor(0x55, 0x55, 0x55));
            painter.drawText(QRectF(0, page.height(), page.width(), footer), Qt::AlignRight | Qt::AlignBottom,
                             u"Pedido %1 · página %2 de %3"_s.arg(copy.pedido).arg(p + 1).arg(pages));
        }
    }
    return buffer.data();
}

QString gravar_pdf_pedido(const Context& context, TdmDados& dados, const OrderKey& key)
{
    const OrderCopy copy = ler_copia_pedido(context, key);
    const QByteArray pdf = pdf_pedido(copy, dados);
    const QString path = context.path(u"pedido_"_s + key.pedido + u".pdf"_s);
    replace_file(path, pdf, u"Não foi possível gravar o arquivo "_s + QDir::toNativeSeparators(path));
    return path;
}
