#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// pedidos-servidor started on a free loopback port with a database of its own; stopped when the
// object goes. The binary comes from PV_SERVER_BIN, which CTest sets for every test.
class ServerProcess {
public:
    explicit ServerProcess(const QStringList& extra_arguments = {});
    ~ServerProcess();

    bool running() const { return port_ != 0; }
    quint16 port() const { return port_; }
    // The value of the IP setting that reaches it: "127.0.0.1:port".
    QString address() const;
    QString database() const;
    // What the server wrote to its log so far.
    QString log();

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    QString log_;
};
