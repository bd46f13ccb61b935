#pragma once

#include "pdf_writer.h"

#include <string>
#include <vector>

// The look of the server's PDF documents: the payment slip and the tabular reports.

struct SlipContent {
    std::string bank_code; // "237-2"
    std::string typed_line;
    std::string bar_code;    // 44 digits
    std::string beneficiary; // the company and its CNPJ
    std::string beneficiary_address;
    std::string agency_account;
    std::string payer;          // the name
    std::string payer_document; // "CNPJ/CPF 91.266.184/0001-00", always printed whole
    std::vector<std::string> payer_address;
    std::string document_number; // title and instalment
    std::string our_number;
    std::string issued; // DD/MM/YYYY
    std::string due;    // DD/MM/YYYY
    std::string amount; // "1.234,56"
    std::vector<std::string> instructions;
};
std::string slip_pdf(const SlipContent& slip);

// A report of one table over as many pages as it needs, its title block and column heads repeated on
// every page, and "Página i de n" at the foot.
class TableReport {
public:
    struct Column {
        std::string title;
        double width;
        bool right = false;
    };

    // company: the issuer's name, printed beside the title.
    TableReport(std::string title, std::string company, std::vector<std::string> heading,
                std::vector<Column> columns);

    void row(const std::vector<std::string>& cells, bool bold = false);
    // A bold line across the table, opening a group of rows; repeated, with "(continuação)", atop a
    // page that the group runs onto.
    void group(const std::string& text);
    // A bold total with a rule above it, the cells right-aligned like the rows; it closes the group.
    void total(const std::vector<std::string>& cells);
    // A line of text across the whole table.
    void note(const std::string& text);
    std::string finish(const std::string& generated_at);

private:
    void ensure_room(double height);
    void start_page();
    void group_heading(const std::string& text, const std::string& suffix);

    PdfDocument pdf_;
    std::string title_;
    std::string company_;
    std::vector<std::string> heading_;
    std::vector<Column> columns_;
    double y_ = 0;
    // The group whose rows are being written, until its total: a page that breaks it opens with
    // its heading again.
    std::string open_group_;
};

// "1.234,56": the money of printed documents, with the thousands marked.
std::string printed_money(long long cents);
