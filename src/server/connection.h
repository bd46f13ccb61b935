#pragma once

#include "server/dm_client_module.h"
#include "server/module_online_client.h"
#include "server/request.h"

#include <QString>

#include <memory>
#include <string_view>

struct Context;

// What one server operation works with: the identity read from the settings at that moment, and a
// freshly opened connection with its proxy.
struct ServerSession {
    QString aEmpresa;
    QString aKey;
    QString aIDVendedor;
    std::unique_ptr<TdmClientModule> module;
    std::unique_ptr<TModuleOnlineClient> proxy;

    RequestIdentity identity() const { return {aEmpresa, aIDVendedor}; }
};

// Reads Empresa, Chave and ID, then opens a connection to the IP setting.
ServerSession conectar(const Context& context);
// Opens a connection to the IP setting without reading the identity.
ServerSession conectar_servidor(const Context& context);

// True when the reply's key equals the configured key exactly. Otherwise tells the salesperson, wipes
// the cached catalogue and returns false.
bool validar_chave(const Context& context, const QString& configured, std::string_view reply_key);

// The reply's "CHAVE_VENDEDOR" checked with validar_chave. A reply without the pair cannot be
// trusted, so it raises ProtocolError and nothing of it is kept.
bool check_reply_key(const Context& context, const QString& configured, const JsonValue& reply);
