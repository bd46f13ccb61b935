#pragma once

#include "server/json_value.h"

#include <QString>

class JsonParser;
class TdmClientModule;

// The proxy of the server class TModuleOnline: one JSON object in, one out.
class TModuleOnlineClient {
public:
    explicit TModuleOnlineClient(TdmClientModule& module) : module_(module) {}

    // what names the call in the busy dialog and in error messages ("clientes").
    JsonValue getDados_OnLine(const JsonValue& aJsonParam, const QString& what);
    // The same, parsing the reply with a parser kept across the calls of a load.
    JsonValue getDados_OnLine(const JsonValue& aJsonParam, const QString& what, JsonParser& parser);
    // A normal return means the server accepted the object.
    void postDados_OnLine(const JsonValue& aJsonParam, const QString& what);

    // The exact body a call sends.
    static std::string request_body(const JsonValue& aJsonParam);

private:
    JsonValue call(const char* method, const JsonValue& param, const QString& what, bool wants_object,
                   JsonParser& parser);
    TdmClientModule& module_;
};
