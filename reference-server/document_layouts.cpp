#include "document_layouts.h"

#include "boleto.h"

#include <utility>

namespace {

using Font = PdfDocument::Font;

constexpr double margin = 36;
constexpr double content_width = PdfDocument::page_width - 2 * margin;

// One labelled cell of the slip's grid: the label small above, the value below.
void cell(PdfDocument& pdf, double x, double y, double width, double height, const std::string& label,
          const std::string& value, bool right = false, Font font = Font::Regular)
{
    pdf.box(x, y, width, height);
    pdf.text(x + 3, y + 8, 6, label);
    if (right)
        pdf.text_right(x + width - 4, y + height - 5, 9, value, font);
    else
        pdf.text(x + 4, y + height - 5, 9, PdfDocument::fit(value, width - 8, 9, font), font);
}

// A cell of two lines: the beneficiary's name and their address.
void two_line_cell(PdfDocument& pdf, double x, double y, double width, double height,
                   const std::string& label, const std::string& first, const std::string& second)
{
    pdf.box(x, y, width, height);
    pdf.text(x + 3, y + 8, 6, label);
    pdf.text(x + 4, y + height - 13, 9, PdfDocument::fit(first, width - 8, 9));
    pdf.text(x + 4, y + height - 4, 7, PdfDocument::fit(second, width - 8, 7));
}

// The payer's name cut to leave room for their CNPJ or CPF, which a bank or a clerk must read whole.
std::string payer_line(const SlipContent& slip, double width, double size, Font font)
{
    const std::string document = " - " + slip.payer_document;
    return PdfDocument::fit(slip.payer, width - PdfDocument::text_width(document, size, font), size, font) +
           document;
}

void bank_header(PdfDocument& pdf, double y, const SlipContent& slip, bool with_line)
{
    pdf.text(margin, y, 13, "Banco Demo", Font::Bold);
    pdf.line(margin + 118, y - 14, margin + 118, y + 3, 1.5);
    pdf.text(margin + 124, y, 13, slip.bank_code, Font::Bold);
    pdf.line(margin + 170, y - 14, margin + 170, y + 3, 1.5);
    if (with_line)
        pdf.text_right(margin + content_width, y, 11, slip.typed_line, Font::Bold);
    else
        pdf.text_right(margin + content_width, y, 10, "Recibo do Pagador", Font::Bold);
    pdf.line(margin, y + 4, margin + content_width, y + 4, 1.5);
}

} // namespace

std::string printed_money(long long cents)
{
    const bool negative = cents < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(cents) : cents;
    // Thousands grouped with dots, built forwards (an insert in place trips GCC 12's -Wrestrict).
    const std::string digits = std::to_string(magnitude / 100);
    std::string whole;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) whole += '.';
        whole += digits[i];
    }
    const unsigned long long fraction = magnitude % 100;
    return (negative ? "-" : "") + whole + ',' + (fraction < 10 ? "0" : "") + std::to_string(fraction);
}

std::string slip_pdf(const SlipContent& slip)
{
    PdfDocument pdf;
    pdf.new_page();
    const double w = content_width;

    // The payer's receipt.
    double y = 60;
    bank_header(pdf, y, slip, false);
    y += 6;
    two_line_cell(pdf, margin, y, w * 0.5, 32, "Beneficiário", slip.beneficiary, slip.beneficiary_address);
    cell(pdf, margin + w * 0.5, y, w * 0.25, 32, "Agência / Código do Beneficiário", slip.agency_account);
    cell(pdf, margin + w * 0.75, y, w * 0.25, 32, "Vencimento", slip.due, true, Font::Bold);
    y += 32;
    cell(pdf, margin, y, w * 0.5, 24, "Pagador", payer_line(slip, w * 0.5 - 8, 9, Font::Regular));
    cell(pdf, margin + w * 0.5, y, w * 0.25, 24, "Nosso Número", slip.our_number);
    cell(pdf, margin + w * 0.75, y, w * 0.25, 24, "(=) Valor do Documento", slip.amount, true, Font::Bold);
    y += 24;
    cell(pdf, margin, y, w * 0.5, 24, "Número do Documento", slip.document_number);
    cell(pdf, margin + w * 0.5, y, w * 0.5, 24, "Autenticação Mecânica", "");

    // The cut line between the receipt and the slip itself.
    y += 50;
    for (double x = margin; x < margin + w; x += 8)
        pdf.line(x, y, x + 4, y, 0.5);
    pdf.text_right(margin + w, y - 4, 6, "Corte na linha pontilhada");

    y += 40;
    bank_header(pdf, y, slip, true);
    y += 6;
    cell(pdf, margin, y, w * 0.75, 26, "Local de Pagamento",
         "Pagável em qualquer banco até o vencimento; após, somente no banco emissor");
    cell(pdf, margin + w * 0.75, y, w * 0.25, 26, "Vencimento", slip.due, true, Font::Bold);
    y += 26;
    two_line_cell(pdf, margin, y, w * 0.75, 32, "Beneficiário", slip.beneficiary, slip.beneficiary_address);
    cell(pdf, margin + w * 0.75, y, w * 0.25, 32, "Agência / Código do Beneficiário", slip.agency_account,
         true);
    y += 32;
    cell(pdf, margin, y, w * 0.18, 26, "Data do Documento", slip.issued);
    cell(pdf, margin + w * 0.18, y, w * 0.22, 26, "Número do Documento", slip.document_number);
    cell(pdf, margin + w * 0.40, y, w * 0.12, 26, "Espécie Doc.", "DM");
    cell(pdf, margin + w * 0.52, y, w * 0.08, 26, "Aceite", "N");
    cell(pdf, margin + w * 0.60, y, w * 0.15, 26, "Data Processamento", slip.issued);
    cell(pdf, margin + w * 0.75, y, w * 0.25, 26, "Nosso Número", slip.our_number, true);
    y += 26;
    cell(pdf, margin, y, w * 0.18, 26, "Uso do Banco", "");
    cell(pdf, margin + w * 0.18, y, w * 0.12, 26, "Carteira", "09");
    cell(pdf, margin + w * 0.30, y, w * 0.10, 26, "Espécie", "R$");
    cell(pdf, margin + w * 0.40, y, w * 0.20, 26, "Quantidade", "");
    cell(pdf, margin + w * 0.60, y, w * 0.15, 26, "Valor", "");
    cell(pdf, margin + w * 0.75, y, w * 0.25, 26, "(=) Valor do Documento", slip.amount, true, Font::Bold);
    y += 26;

    // Instructions on the left, the deductions and additions on the right.
    const double instructions_height = 5 * 22;
    pdf.box(margin, y, w * 0.75, instructions_height);
    pdf.text(margin + 3, y + 8, 6, "Instruções (texto de responsabilidade do beneficiário)");
    double line_y = y + 22;
    for (const std::string& instruction : slip.instructions) {
        pdf.text(margin + 6, line_y, 9, PdfDocument::fit(instruction, w * 0.75 - 12, 9));
        line_y += 13;
    }
    const char* adjustments[] = {"(-) Desconto / Abatimento", "(-) Outras Deduções", "(+) Mora / Multa",
                                 "(+) Outros Acréscimos", "(=) Valor Cobrado"};
    for (int k = 0; k < 5; ++k)
        cell(pdf, margin + w * 0.75, y + k * 22, w * 0.25, 22, adjustments[k], "");
    y += instructions_height;

    pdf.box(margin, y, w, 52);
    pdf.text(margin + 3, y + 8, 6, "Pagador");
    pdf.text(margin + 6, y + 19, 9, payer_line(slip, w - 12, 9, Font::Bold), Font::Bold);
    double address_y = y + 30;
    for (const std::string& line : slip.payer_address) {
        pdf.text(margin + 6, address_y, 8, PdfDocument::fit(line, w - 12, 8));
        address_y += 10;
    }
    y += 52;
    pdf.text(margin, y + 9, 6, "Sacador / Avalista");
    pdf.text_right(margin + w, y + 9, 7, "Autenticação Mecânica - Ficha de Compensação", Font::Bold);

    // The bar code: 13 mm high, narrow bars of 0.254 mm (0.72 pt) with wide ones three times as wide,
    // which makes the 44 digits 103 mm long, as the banks' layout has them.
    const double narrow = 0.72, bar_height = 37;
    double x = margin;
    const std::vector<int> widths = interleaved_2_of_5(slip.bar_code);
    for (std::size_t k = 0; k < widths.size(); ++k) {
        if (k % 2 == 0) pdf.fill(x, y + 16, widths[k] * narrow, bar_height);
        x += widths[k] * narrow;
    }
    return pdf.finish("Boleto " + slip.document_number);
}

TableReport::TableReport(std::string title, std::string company, std::vector<std::string> heading,
                         std::vector<Column> columns)
    : title_(std::move(title)), company_(std::move(company)), heading_(std::move(heading)),
      columns_(std::move(columns))
{
    start_page();
}

void TableReport::start_page()
{
    pdf_.new_page();
    double y = 50;
    pdf_.text(margin, y, 15, title_, Font::Bold);
    pdf_.text_right(margin + content_width, y, 9, company_, Font::Bold);
    y += 6;
    pdf_.line(margin, y, margin + content_width, y, 1);
    y += 13;
    for (const std::string& line : heading_) {
        pdf_.text(margin, y, 9, line);
        y += 12;
    }
    y += 4;
    pdf_.fill(margin, y, content_width, 15, 0.85);
    double x = margin;
    for (const Column& column : columns_) {
        if (column.right)
            pdf_.text_right(x + column.width - 3, y + 11, 8, column.title, Font::Bold);
        else
            pdf_.text(x + 3, y + 11, 8, column.title, Font::Bold);
        x += column.width;
    }
    y_ = y + 15;
    if (!open_group_.empty()) group_heading(open_group_, " (continuação)");
}

void TableReport::ensure_room(double height)
{
    if (y_ + height > PdfDocument::page_height - 50) start_page();
}

void TableReport::row(const std::vector<std::string>& cells, bool bold)
{
    ensure_room(12);
    y_ += 12;
    const Font font = bold ? Font::Bold : Font::Regular;
    double x = margin;
    for (std::size_t k = 0; k < columns_.size() && k < cells.size(); ++k) {
        const Column& column = columns_[k];
        const std::string text = PdfDocument::fit(cells[k], column.width - 6, 8, font);
        if (column.right)
            pdf_.text_right(x + column.width - 3, y_ - 3, 8, text, font);
        else
            pdf_.text(x + 3, y_ - 3, 8, text, font);
        x += column.width;
    }
}

void TableReport::group(const std::string& text)
{
    open_group_.clear();
    // A group heading is never the last line of a page.
    ensure_room(40);
    group_heading(text, {});
    open_group_ = text;
}

void TableReport::group_heading(const std::string& text, const std::string& suffix)
{
    y_ += 20;
    const double room = content_width - 6 - PdfDocument::text_width(suffix, 9, Font::Bold);
    pdf_.text(margin + 3, y_ - 3, 9, PdfDocument::fit(text, room, 9, Font::Bold) + suffix, Font::Bold);
    pdf_.line(margin, y_ + 1, margin + content_width, y_ + 1, 0.3);
}

void TableReport::total(const std::vector<std::string>& cells)
{
    ensure_room(16);
    y_ += 3;
    pdf_.line(margin, y_, margin + content_width, y_, 0.5);
    row(cells, true);
    open_group_.clear();
}

void TableReport::note(const std::string& text)
{
    ensure_room(14);
    y_ += 14;
    pdf_.text(margin + 3, y_ - 3, 8, PdfDocument::fit(text, content_width - 6, 8));
}

std::string TableReport::finish(const std::string& generated_at)
{
    const std::size_t count = pdf_.pages();
    for (std::size_t i = 0; i < count; ++i) {
        pdf_.select_page(i);
        const double y = PdfDocument::page_height - 30;
        pdf_.line(margin, y - 10, margin + content_width, y - 10, 0.5);
        pdf_.text(margin, y, 7, "Emitido em " + generated_at + " por pedidos-servidor");
        pdf_.text_right(margin + content_width, y, 7,
                        "Página " + std::to_string(i + 1) + " de " + std::to_string(count));
    }
    return pdf_.finish(title_);
}
