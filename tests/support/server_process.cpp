#include "server_process.h"

#include <QElapsedTimer>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

ServerProcess::ServerProcess(const QStringList& extra_arguments, const QString& database)
    : database_(database.isEmpty() ? dir_.path() + u"/pedidos.db"_s : database)
{
    const QString binary = qEnvironmentVariable("PV_SERVER_BIN");
    if (binary.isEmpty()) qFatal("PV_SERVER_BIN is not set");
    QStringList arguments{u"--host"_s, u"127.0.0.1"_s, u"--port"_s, u"0"_s, u"--db"_s, database_};
    arguments += extra_arguments;
    process_.start(binary, arguments);
    if (!process_.waitForStarted(10000))
        qFatal("pedidos-servidor did not start: %s", qPrintable(process_.errorString()));
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

QString ServerProcess::log()
{
    log_ += QString::fromUtf8(process_.readAllStandardError());
    return log_;
}
