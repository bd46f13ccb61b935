#include "request_signature.h"

#include <QMessageAuthenticationCode>

#include <algorithm>

QByteArray request_signature(const QByteArray& key, qint64 time, const QByteArray& body)
{
    const QByteArray stamp = QByteArray::number(time);
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, key);
    mac.addData(stamp);
    mac.addData("\n");
    mac.addData(body);
    QByteArray signature = stamp;
    signature += ':';
    signature += mac.result().toHex();
    return signature;
}

QByteArray RequestSigner::sign(const QByteArray& key, const QByteArray& body, qint64 now)
{
    given_.erase(given_.begin(), given_.lower_bound(now));
    for (qint64 time = now;; ++time) {
        QByteArray signature = request_signature(key, time, body);
        const auto [first, last] = given_.equal_range(time);
        if (std::none_of(first, last, [&](const auto& entry) { return entry.second == signature; })) {
            given_.emplace(time, signature);
            return signature;
        }
    }
}
