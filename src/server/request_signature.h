#pragma once

#include <QByteArray>

#include <map>

// The value of the header X-Pedidos-Assinatura: "<unix time>:<hex>", where hex is the HMAC-SHA256,
// under the salesperson key, of the time, a line feed and the exact body.
QByteArray request_signature(const QByteArray& key, qint64 time, const QByteArray& body);

// Signs the requests of one run. A server that requires signatures refuses one it has already
// accepted, so the same body signed twice in one second (a list refreshed twice at once) must not
// give the same signature: the second takes the next second, which the server's window allows.
class RequestSigner {
public:
    QByteArray sign(const QByteArray& key, const QByteArray& body, qint64 now);

private:
    // Signatures given whose time has not passed yet, by their time.
    std::multimap<qint64, QByteArray> given_;
};
