#include "server_process.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QStringList with_test_day(QStringList arguments)
{
    if (!arguments.contains(u"--data-hoje"_s))
        arguments += {u"--data-hoje"_s, ServerProcess::today().toString(u"dd/MM/yyyy"_s)};
    return arguments;
}

} // namespace

#ifdef Q_OS_WIN

#include "wine_bridge.h"

#include <QJsonArray>

ServerProcess::ServerProcess(const QStringList& extra_arguments, const QString& database)
    : bridge_(std::make_unique<BridgeSession>())
{
    QJsonArray arguments;
    for (const QString& argument : with_test_day(extra_arguments))
        arguments.append(is_windows_path(argument) ? unix_path(argument) : argument);
    const QJsonObject answer = bridge_->call(
        {{u"servidor"_s, arguments}, {u"db"_s, is_windows_path(database) ? unix_path(database) : database}});
    port_ = static_cast<quint16>(answer[u"porta"_s].toInt());
    database_ = answer[u"db"_s].toString();
    if (port_ == 0)
        qWarning("pedidos-servidor did not report its port: %s", qPrintable(answer[u"erro"_s].toString()));
}

ServerProcess::~ServerProcess()
{
    stop();
}

int ServerProcess::stop()
{
    return bridge_->call({{u"parar"_s, true}})[u"saida"_s].toInt(-1);
}

QString ServerProcess::log()
{
    log_ = bridge_->call({{u"registro"_s, true}})[u"texto"_s].toString();
    return log_;
}

#else

ServerProcess::ServerProcess(const QStringList& extra_arguments, const QString& database)
    : database_(database.isEmpty() ? dir_.path() + u"/pedidos.db"_s : database)
{
    const QString binary = qEnvironmentVariable("PV_SERVER_BIN");
    // A server that cannot start fails the test that needs it, not the whole executable.
    if (binary.isEmpty()) {
        ADD_FAILURE() << "PV_SERVER_BIN is not set";
        return;
    }
    QStringList arguments{u"--host"_s, u"127.0.0.1"_s, u"--port"_s, u"0"_s, u"--db"_s, database_};
    arguments += with_test_day(extra_arguments);
    process_.start(binary, arguments);
    if (!process_.waitForStarted(10000)) {
        ADD_FAILURE() << "pedidos-servidor did not start: " << process_.errorString().toStdString();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QByteArray out;
    static const QRegularExpression listening(u"https?://[^:]+:(\\d+)"_s);
    while (clock.elapsed() < 120000) {
        process_.waitForReadyRead(100);
        out += process_.readAllStandardOutput();
        const QRegularExpressionMatch m = listening.match(QString::fromUtf8(out));
        if (m.hasMatch()) {
            port_ = static_cast<quint16>(m.captured(1).toUInt());
            return;
        }
        if (process_.state() == QProcess::NotRunning) break;
    }
    qWarning("pedidos-servidor did not report its port: %s", out.constData());
}

ServerProcess::~ServerProcess()
{
    stop();
}

int ServerProcess::stop()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(30000)) {
            process_.kill();
            process_.waitForFinished(5000);
            return -1;
        }
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QString ServerProcess::log()
{
    log_ += QString::fromUtf8(process_.readAllStandardError());
    return log_;
}

#endif

QString ServerProcess::url(const QString& method) const
{
    return u"http://"_s + address() + u"/datasnap/rest/TModuleOnline/"_s + method;
}

QString ServerProcess::address() const
{
    return u"127.0.0.1:"_s + QString::number(port_);
}

QString ServerProcess::database() const
{
    return database_;
}
