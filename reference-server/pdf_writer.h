#pragma once

#include <string>
#include <string_view>
#include <vector>

// A small PDF writer for the server's documents: A4 pages of Helvetica text, lines, boxes and filled
// bars, written with a correct cross-reference table. Text is UTF-8 and is set in WinAnsiEncoding, so
// Portuguese letters show as they are; characters outside it become '?'. Positions are in points,
// measured from the top left corner of the page.
class PdfDocument {
public:
    static constexpr double page_width = 595.28;
    static constexpr double page_height = 841.89;

    enum class Font { Regular, Bold };

    // Starts a new page and draws on it from then on.
    void new_page();
    // Draws on an earlier page again (page numbers, once the count is known). index < pages().
    void select_page(std::size_t index);
    std::size_t pages() const { return pages_.size(); }

    // `y` is the text's baseline.
    void text(double x, double y, double size, std::string_view utf8, Font font = Font::Regular);
    void text_right(double right, double y, double size, std::string_view utf8, Font font = Font::Regular);
    void line(double x1, double y1, double x2, double y2, double width = 0.5);
    void box(double x, double y, double width, double height, double line_width = 0.5);
    // A filled rectangle in a grey level from 0 (black) to 1 (white).
    void fill(double x, double y, double width, double height, double grey = 0);

    static double text_width(std::string_view utf8, double size, Font font = Font::Regular);
    // The longest start of the text that fits the width, with "..." when it had to be cut.
    static std::string fit(std::string_view utf8, double width, double size, Font font = Font::Regular);

    // The whole file. A document without pages gets one empty page.
    std::string finish(std::string_view title) const;

private:
    std::string& page();
    std::vector<std::string> pages_;
    std::size_t current_ = 0;
};

// The WinAnsiEncoding bytes of a UTF-8 text.
std::string win_ansi(std::string_view utf8);
