#include "test_file.h"

#include <QFile>

#include <gtest/gtest.h>

QByteArray test_file(const QString& path)
{
    QFile f(QStringLiteral(PV_TESTS_DIR "/") + path);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << f.fileName().toStdString();
        return {};
    }
    return f.readAll();
}
