#pragma once

#include "core/context.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh data folder for one test, and a Context pointing at it with Brazilian regional settings.
class TempFolder {
public:
    TempFolder();
    QString path(const QString& relative = {}) const;
    QByteArray read(const QString& relative) const;
    void write(const QString& relative, const QByteArray& bytes) const;
    bool exists(const QString& relative) const;
    // Writes config.ini as the settings screen leaves it for a configured salesperson.
    void write_config(const QString& empresa, const QString& ip, const QString& id,
                      const QString& chave) const;

private:
    QTemporaryDir dir_;
};

Context make_context(const TempFolder& folder, Messages* messages);
