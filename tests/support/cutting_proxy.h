#pragma once

#include <QByteArray>
#include <QTcpServer>

// A loopback proxy in front of a real server. Each connection is passed through as it is, except
// that once a request holding cut_when has reached the server, the connection is dropped as the
// server's answer begins: the server has done the work and the client never hears of it, as when
// the line fails at the worst moment. Only the next such request is cut.
class CuttingProxy : public QObject {
public:
    explicit CuttingProxy(quint16 target);
    QString address() const; // "127.0.0.1:port"

    QByteArray cut_when;
    int cuts = 0;
    // How many times text went from the clients to the server, over every connection.
    qsizetype sent_count(const QByteArray& text) const { return sent_.count(text); }

private:
    QByteArray sent_;
    QTcpServer server_;
    quint16 target_;
};
