#pragma once

#include <QDateTime>
#include <QString>

// Whether the catalogue in memory is the server's of this run. When the start-up download fails,
// what it did not bring comes from the cache files of an earlier download, and the main window
// says so until both lists have been fetched again.
struct CatalogueOrigin {
    bool clientes_antigos = false;
    bool produtos_antigos = false;
    // When the cache files in use were written; invalid when none could be used.
    QDateTime cadastro;

    bool sem_conexao() const { return clientes_antigos || produtos_antigos; }
    // "SEM CONEXÃO - CADASTRO DE dd/mm/aaaa hh:mm", "SEM CONEXÃO", or empty.
    QString texto() const
    {
        if (!sem_conexao()) return {};
        if (!cadastro.isValid()) return QStringLiteral("SEM CONEXÃO");
        return QStringLiteral("SEM CONEXÃO - CADASTRO DE ") +
               cadastro.toString(QStringLiteral("dd/MM/yyyy hh:mm"));
    }
};
