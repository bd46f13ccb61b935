#include "pdf_text.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

QString poppler(const QString& tool, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        ADD_FAILURE() << tool.toStdString() << " não encontrado: instale poppler-utils (scripts/deps.sh)";
        return {};
    }
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60'000));
    EXPECT_EQ(process.exitCode(), 0) << tool.toStdString() << ": "
                                     << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString pdf_text(const QString& path)
{
    QTemporaryDir pages;
    poppler(u"pdftoppm"_s, {u"-r"_s, u"30"_s, u"-png"_s, path, pages.filePath(u"pagina"_s)});
    EXPECT_FALSE(QDir(pages.path()).entryList({u"pagina*.png"_s}).isEmpty()) << "no page rendered";
    return poppler(u"pdftotext"_s, {path, u"-"_s}).simplified();
}
