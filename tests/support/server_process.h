#pragma once

#include <QDate>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class BridgeSession;

// pedidos-servidor started on a free loopback port with a database of its own, or the one given
// (so that a test can start it again over the same data); stopped when the object goes. The binary
// comes from PV_SERVER_BIN, which CTest sets for every test. Under Wine the Linux server is started
// by pv-wine-bridge: its database path is then a Linux path, and arguments that are Windows paths
// are passed as the Linux side sees them.
class ServerProcess {
public:
    // The day every test takes for today, the server with --data-hoje and the client's context alike,
    // so that no run depends on the clock: midnight between two readings, or the weekday.
    static QDate today() { return QDate(2025, 12, 9); }

    // Unless extra_arguments give --data-hoje, the server takes today() for today.
    explicit ServerProcess(const QStringList& extra_arguments = {}, const QString& database = {});
    ~ServerProcess();

    // False when the server ended without listening (options it refuses, for example).
    bool running() const { return port_ != 0; }
    // Stops it with SIGTERM; its exit code, -1 when it did not end normally.
    int stop();
    // The address of a server method: "http://127.0.0.1:port/datasnap/rest/TModuleOnline/<method>".
    QString url(const QString& method) const;
    quint16 port() const { return port_; }
    // The value of the IP setting that reaches it: "127.0.0.1:port".
    QString address() const;
    QString database() const;
    // What the server wrote to its log so far.
    QString log();

private:
    QTemporaryDir dir_;
    QString database_;
#ifdef Q_OS_WIN
    std::unique_ptr<BridgeSession> bridge_;
#else
    QProcess process_;
#endif
    quint16 port_ = 0;
    QString log_;
};
