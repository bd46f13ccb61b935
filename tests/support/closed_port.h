#pragma once

#include <QString>
#include <QTcpSocket>

// A loopback port that refuses connections for as long as the object lives. A socket bound to it
// that never listens holds the port, so no server of a test running alongside (ctest -j) can take
// it, and a connection to it is refused at once.
class ClosedPort {
public:
    ClosedPort();
    quint16 port() const { return socket_.localPort(); }
    QString address() const; // "127.0.0.1:port"

private:
    QTcpSocket socket_;
};
