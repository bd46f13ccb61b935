// pv-wine-bridge: what the Windows tests, running under Wine, need from the Linux side of the
// machine: the reference server (a Linux program), poppler's tools and a certificate authority.
// It listens on a loopback port, prints "ponte em 127.0.0.1:<port>", and serves each connection as
// one session: one JSON object a line in, one a line out. A session's server is stopped and its
// files removed when the connection closes, so a test that dies leaves nothing running.
//   {"servidor": [options], "db": path}   starts pedidos-servidor (PV_SERVER_BIN) on a free port
//                                          with the database given, or one of the session's
//                                          -> {"porta": n, "db": path} or {"erro": text}
//   {"registro": true}                     -> {"texto": what the server wrote to its log so far}
//   {"parar": true}                        -> {"saida": exit code, -1 when killed}
//   {"executar": program, "argumentos": [...]}
//                                          -> {"saida": code, "stdout": base64, "stderr": text}
//   {"autoridade": folder, "nome": name}   a test authority writing into folder -> {}
//   {"emitir": name, "nomes": names, "de": days, "ate": days} -> {}
// Paths are Linux paths: the Windows side converts its own through Wine.
#include "test_authority.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QStringList strings(const QJsonValue& value)
{
    QStringList list;
    for (const QJsonValue& item : value.toArray())
        list.append(item.toString());
    return list;
}

class Session : public QObject {
public:
    explicit Session(QTcpSocket* socket) : socket_(socket)
    {
        connect(socket_, &QTcpSocket::readyRead, this, &Session::read);
        connect(socket_, &QTcpSocket::disconnected, this, [this] {
            stop_server();
            socket_->deleteLater();
            deleteLater();
        });
    }

private:
    void read()
    {
        while (socket_->canReadLine()) {
            const QJsonObject request = QJsonDocument::fromJson(socket_->readLine()).object();
            socket_->write(QJsonDocument(answer(request)).toJson(QJsonDocument::Compact) + '\n');
            socket_->flush();
        }
    }

    QJsonObject answer(const QJsonObject& request)
    {
        if (request.contains(u"servidor"_s))
            return start_server(strings(request[u"servidor"_s]), request[u"db"_s].toString());
        if (request.contains(u"registro"_s)) return {{u"texto"_s, log()}};
        if (request.contains(u"parar"_s)) return {{u"saida"_s, stop_server()}};
        if (request.contains(u"executar"_s))
            return run(request[u"executar"_s].toString(), strings(request[u"argumentos"_s]));
        if (request.contains(u"autoridade"_s)) {
            authority_ = std::make_unique<TestAuthority>(request[u"autoridade"_s].toString(),
                                                         request[u"nome"_s].toString());
            return {};
        }
        if (request.contains(u"emitir"_s) && authority_) {
            authority_->issue(request[u"emitir"_s].toString(), request[u"nomes"_s].toString(),
                              request[u"de"_s].toInt(), request[u"ate"_s].toInt());
            return {};
        }
        return {{u"erro"_s, u"pedido desconhecido"_s}};
    }

    QJsonObject start_server(const QStringList& options, const QString& database)
    {
        stop_server();
        const QString db = database.isEmpty() ? dir_.filePath(u"pedidos.db"_s) : database;
        server_ = std::make_unique<QProcess>();
        server_->start(qEnvironmentVariable("PV_SERVER_BIN"),
                       QStringList{u"--host"_s, u"127.0.0.1"_s, u"--port"_s, u"0"_s, u"--db"_s, db} +
                           options);
        if (!server_->waitForStarted(10000)) return {{u"erro"_s, server_->errorString()}};
        static const QRegularExpression listening(u"https?://[^:]+:(\\d+)"_s);
        QByteArray out;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 120000) {
            server_->waitForReadyRead(100);
            out += server_->readAllStandardOutput();
            const QRegularExpressionMatch m = listening.match(QString::fromUtf8(out));
            if (m.hasMatch()) return {{u"porta"_s, m.captured(1).toInt()}, {u"db"_s, db}};
            if (server_->state() == QProcess::NotRunning) break;
        }
        return {{u"porta"_s, 0}, {u"db"_s, db}, {u"erro"_s, QString::fromUtf8(out)}};
    }

    QString log()
    {
        if (server_) log_ += QString::fromUtf8(server_->readAllStandardError());
        return log_;
    }

    int stop_server()
    {
        if (!server_) return -1;
        int code = -1;
        if (server_->state() != QProcess::NotRunning) {
            server_->terminate();
            if (!server_->waitForFinished(30000)) {
                server_->kill();
                server_->waitForFinished(5000);
            }
        }
        if (server_->exitStatus() == QProcess::NormalExit) code = server_->exitCode();
        log();
        server_.reset();
        return code;
    }

    static QJsonObject run(const QString& program, const QStringList& arguments)
    {
        const QString path = QStandardPaths::findExecutable(program);
        if (path.isEmpty()) return {{u"saida"_s, -1}, {u"stderr"_s, QString(program + u" não encontrado"_s)}};
        QProcess process;
        process.start(path, arguments);
        process.waitForFinished(60000);
        return {{u"saida"_s, process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1},
                {u"stdout"_s, QString::fromLatin1(process.readAllStandardOutput().toBase64())},
                {u"stderr"_s, QString::fromUtf8(process.readAllStandardError())}};
    }

    QTcpSocket* socket_;
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> server_;
    QString log_;
    std::unique_ptr<TestAuthority> authority_;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTcpServer listener;
    if (qEnvironmentVariableIsEmpty("PV_SERVER_BIN") || !listener.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "pv-wine-bridge: PV_SERVER_BIN vazio ou porta indisponível\n");
        return 1;
    }
    QObject::connect(&listener, &QTcpServer::newConnection, &listener, [&] {
        while (QTcpSocket* socket = listener.nextPendingConnection())
            new Session(socket);
    });
    std::printf("ponte em 127.0.0.1:%d\n", listener.serverPort());
    std::fflush(stdout);
    return app.exec();
}
