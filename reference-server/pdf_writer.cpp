#include "pdf_writer.h"

#include <QByteArray>

#include <array>
#include <charconv>
#include <cstdint>
#include <stdexcept>

namespace {

// Advance widths of the standard Helvetica faces for the codes 32 to 126, in thousandths of the size.
constexpr std::array<std::uint16_t, 95> regular_widths{
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333,  278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
    611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667,  611, 722, 667, 944, 667,
    667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278,  556, 556, 222, 222, 500,
    222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500,  500, 334, 260, 334, 584};
constexpr std::array<std::uint16_t, 95> bold_widths{
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, 975, 722, 722, 722, 722, 667,
    611, 778, 722, 278, 556, 722, 611, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667,
    667, 611, 333, 278, 333, 584, 556, 333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556,
    278, 889, 611, 611, 611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};
// The plain letter whose width each Latin-1 letter from 0xC0 shares.
constexpr std::string_view latin1_base = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYPsaaaaaaaceeeeiiiidnooooo/ouuuuypy";
static_assert(latin1_base.size() == 64);

double width_of(unsigned char c, bool bold)
{
    const auto& widths = bold ? bold_widths : regular_widths;
    if (c >= 0xC0) c = static_cast<unsigned char>(latin1_base[c - 0xC0]);
    if (c < 32 || c > 126) return 556; // the few symbols in between are about a digit wide
    return widths[c - 32];
}

void number(std::string& out, double value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2).ptr;
    out.append(buffer, end);
}

template <typename... Values> void numbers(std::string& out, Values... values)
{
    ((number(out, values), out += ' '), ...);
}

// A PDF literal string: the delimiters and the backslash escaped, every byte outside ASCII in octal.
std::string literal(std::string_view bytes)
{
    std::string out = "(";
    for (unsigned char c : bytes) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 32 || c > 126) {
            char octal[5] = {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
                             static_cast<char>('0' + (c & 7)), 0};
            out += octal;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + ')';
}

// The code points 0x80 to 0x9F of WinAnsiEncoding that are not Latin-1.
struct Extra {
    char32_t code;
    unsigned char byte;
};
constexpr Extra win_ansi_extras[]{
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
    {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
    {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
    {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
    {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};

} // namespace

std::string win_ansi(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        char32_t code = 0xFFFD;
        if (length == 0 || i + static_cast<std::size_t>(length) > utf8.size()) {
            ++i;
        } else {
            code = length == 1 ? lead : lead & (0x7F >> length);
            for (int k = 1; k < length; ++k)
                code =
                    (code << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
            i += static_cast<std::size_t>(length);
        }
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            out += static_cast<char>(code);
            continue;
        }
        char byte = '?';
        for (const Extra& extra : win_ansi_extras)
            if (extra.code == code) byte = static_cast<char>(extra.byte);
        out += byte;
    }
    return out;
}

std::string& PdfDocument::page()
{
    if (pages_.empty()) new_page();
    return pages_[current_];
}

void PdfDocument::new_page()
{
    pages_.emplace_back();
    current_ = pages_.size() - 1;
}

void PdfDocument::select_page(std::size_t index)
{
    if (index >= pages_.size()) throw std::out_of_range("PdfDocument::select_page");
    current_ = index;
}

void PdfDocument::text(double x, double y, double size, std::string_view utf8, Font font)
{
    std::string& out = page();
    out += font == Font::Bold ? "BT /F2 " : "BT /F1 ";
    number(out, size);
    out += " Tf ";
    numbers(out, x, page_height - y);
    out += "Td " + literal(win_ansi(utf8)) + " Tj ET\n";
}

void PdfDocument::text_right(double right, double y, double size, std::string_view utf8, Font font)
{
    text(right - text_width(utf8, size, font), y, size, utf8, font);
}

void PdfDocument::line(double x1, double y1, double x2, double y2, double width)
{
    std::string& out = page();
    numbers(out, width);
    out += "w ";
    numbers(out, x1, page_height - y1);
    out += "m ";
    numbers(out, x2, page_height - y2);
    out += "l S\n";
}

void PdfDocument::box(double x, double y, double width, double height, double line_width)
{
    std::string& out = page();
    numbers(out, line_width);
    out += "w ";
    numbers(out, x, page_height - y - height, width, height);
    out += "re S\n";
}

void PdfDocument::fill(double x, double y, double width, double height, double grey)
{
    std::string& out = page();
    out += "q ";
    numbers(out, grey);
    out += "g ";
    numbers(out, x, page_height - y - height, width, height);
    out += "re f Q\n";
}

double PdfDocument::text_width(std::string_view utf8, double size, Font font)
{
    double total = 0;
    for (unsigned char c : win_ansi(utf8))
        total += width_of(c, font == Font::Bold);
    return total * size / 1000.0;
}

std::string PdfDocument::fit(std::string_view utf8, double width, double size, Font font)
{
    if (text_width(utf8, size, font) <= width) return std::string(utf8);
    std::string cut(utf8);
    while (!cut.empty()) {
        // One whole character off the end: its continuation bytes, then its first byte.
        while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80)
            cut.pop_back();
        if (!cut.empty()) cut.pop_back();
        if (text_width(cut + "...", size, font) <= width) return cut + "...";
    }
    return {};
}

std::string PdfDocument::finish(std::string_view title) const
{
    std::vector<std::string> contents = pages_;
    if (contents.empty()) contents.emplace_back();

    // Objects: 1 catalogue, 2 page tree, 3 and 4 the fonts, 5 the document information, then a page
    // and its content stream for each page.
    std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    const auto begin_object = [&] {
        offsets.push_back(out.size());
        out += std::to_string(offsets.size()) + " 0 obj\n";
    };

    begin_object();
    out += "<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
    begin_object();
    out += "<< /Type /Pages /Kids [";
    for (std::size_t i = 0; i < contents.size(); ++i)
        out += (i == 0 ? "" : " ") + std::to_string(6 + 2 * i) + " 0 R";
    out += "] /Count " + std::to_string(contents.size()) + " >>\nendobj\n";
    for (const char* face : {"Helvetica", "Helvetica-Bold"}) {
        begin_object();
        out += "<< /Type /Font /Subtype /Type1 /BaseFont /" + std::string(face) +
               " /Encoding /WinAnsiEncoding >>\nendobj\n";
    }
    begin_object();
    out += "<< /Title " + literal(win_ansi(title)) + " /Producer (pedidos-servidor) >>\nendobj\n";

    for (std::size_t i = 0; i < contents.size(); ++i) {
        begin_object();
        out += "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.28 841.89] /Resources << /Font << /F1 3 0 R "
               "/F2 4 0 R >> >> /Contents " +
               std::to_string(7 + 2 * i) + " 0 R >>\nendobj\n";
        // qCompress puts a four-byte length before the zlib stream that FlateDecode reads.
        const QByteArray packed = qCompress(QByteArray::fromStdString(contents[i]), 9).mid(4);
        begin_object();
        out += "<< /Length " + std::to_string(packed.size()) + " /Filter /FlateDecode >>\nstream\n";
        out.append(packed.constData(), static_cast<std::size_t>(packed.size()));
        out += "\nendstream\nendobj\n";
    }

    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        std::string digits = std::to_string(offset);
        out += std::string(10 - digits.size(), '0') + digits + " 00000 n \n";
    }
    out += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
           " /Root 1 0 R /Info 5 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}
