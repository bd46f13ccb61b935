#include "dm_client_module.h"

#include "transport.h"

void TdmClientModule::open(const QString& ip)
{
    close();
    SQLCon.base_url = server_base_url(ip);
}
