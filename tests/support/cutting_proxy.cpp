#include "cutting_proxy.h"

#include <QPointer>
#include <QTcpSocket>

#include <memory>

using namespace Qt::StringLiterals;

CuttingProxy::CuttingProxy(quint16 target) : target_(target)
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* client = server_.nextPendingConnection()) {
            client->setParent(this);
            auto* upstream = new QTcpSocket(client);
            upstream->connectToHost(QHostAddress::LocalHost, target_);
            auto sent = std::make_shared<QByteArray>();
            auto doomed = std::make_shared<bool>(false);
            connect(client, &QTcpSocket::readyRead, upstream, [this, client, upstream, sent, doomed] {
                const QByteArray bytes = client->readAll();
                sent->append(bytes);
                sent_.append(bytes);
                if (!cut_when.isEmpty() && sent->contains(cut_when)) {
                    *doomed = true;
                    cut_when.clear();
                }
                upstream->write(bytes);
            });
            connect(upstream, &QTcpSocket::readyRead, client, [this, client, upstream, doomed] {
                const QByteArray bytes = upstream->readAll();
                if (!*doomed) {
                    client->write(bytes);
                    return;
                }
                ++cuts;
                upstream->abort();
                client->abort();
                client->deleteLater();
            });
            connect(upstream, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
            connect(client, &QTcpSocket::disconnected, client, [client] { client->deleteLater(); });
        }
    });
}

QString CuttingProxy::address() const
{
    return u"127.0.0.1:"_s + QString::number(server_.serverPort());
}
