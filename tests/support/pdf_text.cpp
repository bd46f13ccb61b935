#include "pdf_text.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Poppler says "Syntax Error" or "Internal Error" and still renders what it can: a failure all the
// same.
bool judge(const QString& tool, const QString& errors)
{
    if (!errors.contains(u"Error"_s)) return true;
    ADD_FAILURE() << tool.toStdString() << ": " << errors.toStdString();
    return false;
}

} // namespace

#ifdef Q_OS_WIN

#include "wine_bridge.h"

#include <QJsonArray>

// Poppler is a Linux program here: run by pv-wine-bridge on the files as Linux sees them.
QString pdf_tool(const QString& tool, const QStringList& arguments, bool* ok)
{
    QJsonArray converted;
    for (const QString& argument : arguments)
        converted.append(is_windows_path(argument) ? unix_path(argument) : argument);
    BridgeSession bridge;
    const QJsonObject answer = bridge.call({{u"executar"_s, tool}, {u"argumentos"_s, converted}});
    const bool done = answer[u"saida"_s].toInt(-1) == 0 && judge(tool, answer[u"stderr"_s].toString());
    EXPECT_EQ(answer[u"saida"_s].toInt(-1), 0)
        << tool.toStdString() << ": " << answer[u"stderr"_s].toString().toStdString();
    if (ok) *ok = done;
    return QString::fromUtf8(QByteArray::fromBase64(answer[u"stdout"_s].toString().toLatin1()));
}

#else

QString pdf_tool(const QString& tool, const QStringList& arguments, bool* ok)
{
    if (ok) *ok = false;
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        ADD_FAILURE() << tool.toStdString() << " não encontrado: scripts/deps.sh o instala";
        return {};
    }
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60'000) && process.exitStatus() == QProcess::NormalExit;
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(finished && process.exitCode() == 0) << tool.toStdString() << ": " << errors.toStdString();
    const bool done = finished && process.exitCode() == 0 && judge(tool, errors);
    if (ok) *ok = done;
    return QString::fromUtf8(process.readAllStandardOutput());
}

#endif

QString pdf_text(const QString& path)
{
    QTemporaryDir pages;
    pdf_tool(u"pdftoppm"_s, {u"-r"_s, u"30"_s, u"-png"_s, path, pages.filePath(u"pagina"_s)});
    EXPECT_FALSE(QDir(pages.path()).entryList({u"pagina*.png"_s}).isEmpty()) << "no page rendered";
    return pdf_tool(u"pdftotext"_s, {path, u"-"_s}).simplified();
}

void expect_pdf_passes_qpdf(const QString& path)
{
    pdf_tool(u"qpdf"_s, {u"--check"_s, path});
}
