#pragma once

#include <QByteArray>
#include <QString>

// The bytes of a file kept among the tests, by its path under tests/ (for example
// "catalogue/replies/produtos.json"); a missing file fails the current test.
QByteArray test_file(const QString& path);
