#pragma once

#include "server/json_value.h"

#include <QByteArray>
#include <QString>

// A document of an "ARQUIVO" reply, decoded and checked the way a viewer would take it.
struct CheckedPdf {
    QByteArray bytes;
    QString name;
    QString text; // as pdftotext reads it
    int pages = 0;
};

// Decodes the byte list, checks that the count and the list agree, that the file is a PDF whose
// cross-reference table points at its objects, and that poppler renders every page. Failures are
// reported through GoogleTest; the result is then empty.
CheckedPdf check_pdf(const JsonValue& arquivo);

// The same checks on bytes already in hand.
bool pdf_structure_is_valid(const QByteArray& bytes, std::string& why);
CheckedPdf render_pdf(const QByteArray& bytes);

// The digits of the bar code on the first page, as zbarimg reads the page rendered at dpi; empty when
// it reads none.
QString bar_code_of(const QByteArray& bytes, int dpi);
