#include "dm_client_module.h"

#include "transport.h"

void TdmClientModule::open(const QString& ip)
{
    close();
    SQLCon.host_name = ip;
    QUrl base = server_base_url(ip);
    SQLCon.port = base.port(SQLCon.port);
    SQLCon.base_url = base;
}
