#include "log.h"

// Info and debug are off until a rule turns them on.
Q_LOGGING_CATEGORY(log_servidor, "pedidos.servidor", QtWarningMsg)
Q_LOGGING_CATEGORY(log_arquivos, "pedidos.arquivos", QtWarningMsg)
Q_LOGGING_CATEGORY(log_cargas, "pedidos.cargas", QtWarningMsg)

void ativar_registro()
{
    QLoggingCategory::setFilterRules(QStringLiteral("pedidos.*=true"));
}
