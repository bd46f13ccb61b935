#include "pdf_check.h"

#include "pdf_text.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The document as a file in dir, for the tools; empty (and the test failed) when it cannot be written.
QString written(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString file = dir.filePath(u"document.pdf"_s);
    QFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush()) return file;
    ADD_FAILURE() << "cannot write " << file.toStdString();
    return {};
}

} // namespace

bool pdf_structure_is_valid(const QByteArray& bytes, std::string& why)
{
    if (!bytes.startsWith("%PDF-1.") || !bytes.endsWith("%%EOF\n")) {
        why = "no PDF header or end marker";
        return false;
    }
    const qsizetype startxref = bytes.lastIndexOf("startxref\n");
    const qsizetype xref = bytes.mid(startxref + 10).split('\n').value(0).toLongLong();
    if (startxref < 0 || bytes.mid(xref, 5) != "xref\n") {
        why = "startxref does not point at the table";
        return false;
    }
    const QList<QByteArray> lines = bytes.mid(xref).split('\n');
    const qsizetype count = lines.value(1).split(' ').value(1).toLongLong();
    if (lines.value(2) != "0000000000 65535 f ") {
        why = "first table entry";
        return false;
    }
    for (qsizetype n = 1; n < count; ++n) {
        const QByteArray& entry = lines.value(2 + n);
        const qsizetype offset = entry.left(10).toLongLong();
        if (entry.size() != 19 || !entry.endsWith(" 00000 n ") ||
            !bytes.mid(offset).startsWith(QByteArray(QByteArray::number(n) + " 0 obj\n"))) {
            why = "table entry " + std::to_string(n) + " does not point at its object";
            return false;
        }
    }
    if (!lines.value(2 + count).startsWith("trailer")) {
        why = "table length";
        return false;
    }
    return true;
}

CheckedPdf render_pdf(const QByteArray& bytes)
{
    CheckedPdf pdf;
    std::string why;
    EXPECT_TRUE(pdf_structure_is_valid(bytes, why)) << why;
    QTemporaryDir dir;
    const QString file = written(dir, bytes);
    if (file.isEmpty()) return {};
    bool ok = false;
    const QString info = pdf_tool(u"pdfinfo"_s, {file}, &ok);
    if (!ok) return {};
    pdf.pages = QRegularExpression(u"Pages:\\s+(\\d+)"_s).match(info).captured(1).toInt();
    // qpdf reads the file as a strict reader would: warnings fail too (exit code 3).
    pdf_tool(u"qpdf"_s, {u"--check"_s, file}, &ok);
    if (!ok) return {};
    pdf_tool(u"pdftoppm"_s, {u"-r"_s, u"30"_s, u"-png"_s, file, dir.filePath(u"page"_s)}, &ok);
    if (!ok) return {};
    const int rendered = static_cast<int>(QDir(dir.path()).entryList({u"page*.png"_s}).size());
    EXPECT_EQ(rendered, pdf.pages);
    pdf.text = pdf_tool(u"pdftotext"_s, {u"-layout"_s, file, u"-"_s}, &ok);
    if (!ok) return {};
    pdf.bytes = bytes;
    return pdf;
}

CheckedPdf check_pdf(const JsonValue& arquivo)
{
    if (!arquivo.is_array() || arquivo.size() != 3 || !arquivo.at(0).is_string() ||
        !arquivo.at(1).is_number() || !arquivo.at(2).is_string()) {
        ADD_FAILURE() << "ARQUIVO is not [byte list, count, name]";
        return {};
    }
    const QList<QByteArray> pieces =
        QByteArray(arquivo.at(0).text().data(), static_cast<qsizetype>(arquivo.at(0).text().size()))
            .split(',');
    QByteArray bytes;
    for (const QByteArray& piece : pieces) {
        bool ok = false;
        const int value = piece.toInt(&ok);
        if (!ok || value < 0 || value > 255) {
            ADD_FAILURE() << "byte list piece " << piece.toStdString();
            return {};
        }
        bytes += static_cast<char>(value);
    }
    EXPECT_EQ(QByteArray::number(bytes.size()).toStdString(), std::string(arquivo.at(1).text()));
    CheckedPdf pdf = render_pdf(bytes);
    pdf.name =
        QString::fromUtf8(arquivo.at(2).text().data(), static_cast<qsizetype>(arquivo.at(2).text().size()));
    return pdf;
}

QString bar_code_of(const QByteArray& bytes, int dpi)
{
    QTemporaryDir dir;
    const QString file = written(dir, bytes);
    if (file.isEmpty()) return {};
    bool ok = false;
    pdf_tool(u"pdftoppm"_s,
             {u"-r"_s, QString::number(dpi), u"-gray"_s, u"-singlefile"_s, file, dir.filePath(u"page"_s)},
             &ok);
    if (!ok) return {};
    const QString read =
        pdf_tool(u"zbarimg"_s, {u"--quiet"_s, u"--raw"_s, u"--nodbus"_s, dir.filePath(u"page.pgm"_s)}, &ok);
    return ok ? read.trimmed() : QString();
}
