#pragma once

#include <QString>
#include <QStringList>

// Runs a PDF tool (poppler's, qpdf) on a file and returns what it printed; a missing tool or an exit
// code other than 0 fails the test, since ./test installs them.
// Whether it ran cleanly goes to ok when given. Poppler's "Error" lines on its error output fail too.
QString pdf_tool(const QString& tool, const QStringList& arguments, bool* ok = nullptr);

// The text of a PDF, every run of blanks and line breaks made one space; renders every page first,
// so that a PDF that does not draw fails too.
QString pdf_text(const QString& path);

// Checks the file with qpdf, as a strict reader: a warning fails the test too.
void expect_pdf_passes_qpdf(const QString& path);
