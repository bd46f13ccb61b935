#pragma once

#include <QLoggingCategory>

// What the program did, for a salesperson's report of a problem: written to standard error, never
// into the data folder, and silent unless QT_LOGGING_RULES (for example "pedidos.*=true") or the
// option --registro turns it on.
// "pedidos.servidor": each call, its kind, server, status, bytes and time.
Q_DECLARE_LOGGING_CATEGORY(log_servidor)
// "pedidos.arquivos": cache files written and read back.
Q_DECLARE_LOGGING_CATEGORY(log_arquivos)
// "pedidos.cargas": tables filled, with their counts and times.
Q_DECLARE_LOGGING_CATEGORY(log_cargas)

// Turns every category on (--registro). Rules in QT_LOGGING_RULES still take precedence.
void ativar_registro();
