#include "scripted_server.h"

#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

ScriptedServer::ScriptedServer()
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            socket->setParent(this);
            const Answer a = answers_.isEmpty() ? Answer{} : answers_.takeFirst();
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, a, buffer] {
                buffer->append(socket->readAll());
                const qsizetype head_end = buffer->indexOf("\r\n\r\n");
                if (head_end < 0) return;
                qsizetype length = 0;
                for (const QByteArray& line : buffer->left(head_end).split('\n'))
                    if (line.toLower().startsWith("content-length:"))
                        length = line.mid(15).trimmed().toLongLong();
                if (buffer->size() < head_end + 4 + length) return;
                requests.append(*buffer);
                buffer->clear();
                if (on_request) on_request(requests.size());
                if (a.silent) return;
                QTimer::singleShot(a.delay_ms, socket, [socket, a] {
                    socket->write(a.bytes);
                    if (a.close_after) socket->disconnectFromHost();
                });
            });
        }
    });
}

QString ScriptedServer::address() const
{
    return u"127.0.0.1:"_s + QString::number(port());
}

ScriptedServer::Answer ScriptedServer::http(int status, const QByteArray& body, int delay_ms)
{
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(status) +
                       " X\r\nContent-Type: application/json\r\n"
                       "Content-Length: " +
                       QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    return Answer{bytes, true, false, delay_ms};
}
