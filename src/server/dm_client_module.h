#pragma once

#include "transport.h"

#include <QString>
#include <QUrl>

// A server connection: the address the IP setting names (port 211 unless it says another) and the
// context under which the server's methods are published.
struct SQLConnection {
    QString datasnap_context = QStringLiteral("datasnap/");

    bool connected() const { return base_url.isValid(); }
    QUrl base_url;
};

// The connection module: one per server operation, opened with the IP setting of that moment.
class TdmClientModule {
public:
    explicit TdmClientModule(Transport& transport) : transport_(transport) {}

    SQLConnection SQLCon;
    // The company's certificates and the signing key, sent with every call of this connection.
    CallSecurity security;

    // Opens the connection to the address ip names. Raises ServerError for an empty or unusable
    // address; no request is sent before the first call.
    void open(const QString& ip);
    void close() { SQLCon.base_url = QUrl(); }

    Transport& transport() const { return transport_; }

private:
    Transport& transport_;
};
