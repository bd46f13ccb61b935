#pragma once

#include <QString>
#include <QUrl>

class Transport;

// The parameters of a server connection, as the connection dialog of the server names them.
struct SQLConnection {
    QString driver = QStringLiteral("DataSnap");
    QString communication_protocol = QStringLiteral("tcp/ip");
    int port = 211;
    QString datasnap_context = QStringLiteral("datasnap/");
    // Built-in host until the IP setting is applied at opening.
    QString host_name = QStringLiteral("192.168.0.100");
    bool login_prompt = false;

    bool connected() const { return base_url.isValid(); }
    QUrl base_url;
};

// The connection module: one per server operation, opened with the IP setting of that moment.
class TdmClientModule {
public:
    explicit TdmClientModule(Transport& transport) : transport_(transport) {}

    SQLConnection SQLCon;

    // Sets the host name from ip and opens the connection. Raises ServerError for an empty or
    // unusable address; no request is sent before the first call.
    void open(const QString& ip);
    void close() { SQLCon.base_url = QUrl(); }

    Transport& transport() const { return transport_; }

private:
    Transport& transport_;
};
