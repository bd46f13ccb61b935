#pragma once

#include "server/json_value.h"

#include <QString>

class TdmClientModule;

// The proxy of the server class TModuleOnline: one JSON object in, one out.
class TModuleOnlineClient {
public:
    explicit TModuleOnlineClient(TdmClientModule& module) : module_(module) {}

    // what names the call in the busy dialog and in error messages ("clientes").
    JsonValue getDados_OnLine(const JsonValue& aJsonParam, const QString& what);
    // A normal return means the server accepted the object.
    void postDados_OnLine(const JsonValue& aJsonParam, const QString& what);

    // The exact body a call sends.
    static std::string request_body(const JsonValue& aJsonParam);

private:
    JsonValue call(const char* method, const JsonValue& param, const QString& what, bool wants_object);
    TdmClientModule& module_;
};
