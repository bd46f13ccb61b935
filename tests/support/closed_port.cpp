#include "closed_port.h"

#include <QHostAddress>

#include <gtest/gtest.h>

ClosedPort::ClosedPort()
{
    // Without the platform's address reuse, no other socket may bind the port while this one holds it.
    if (!socket_.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress))
        ADD_FAILURE() << "cannot bind a loopback port: " << socket_.errorString().toStdString();
}

QString ClosedPort::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}
