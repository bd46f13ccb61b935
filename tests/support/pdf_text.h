#pragma once

#include <QString>
#include <QStringList>

// Runs a poppler tool on a file and returns what it printed; a missing tool fails the test, since
// ./test installs poppler-utils.
QString poppler(const QString& tool, const QStringList& arguments);

// The text of a PDF, every run of blanks and line breaks made one space; renders every page first,
// so that a PDF that does not draw fails too.
QString pdf_text(const QString& path);
