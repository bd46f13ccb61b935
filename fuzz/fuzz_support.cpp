#include "fuzz_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

void start_qt()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

const QString& scratch_folder()
{
    static QTemporaryDir dir;
    static const QString path = dir.path() + u'/';
    return path;
}

QString write_scratch_file(const QString& name, std::string_view bytes)
{
    const QString path = scratch_folder() + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
        fuzz_fail("cannot write the scratch file", path.toStdString());
    return path;
}

void fuzz_fail(const char* what, std::string_view detail)
{
    std::fprintf(stderr, "\n*** %s\n", what);
    if (!detail.empty()) std::fprintf(stderr, "*** %.*s\n", static_cast<int>(detail.size()), detail.data());
    std::abort();
}
