#pragma once

#include "server/transport.h"

#include <QByteArrayList>
#include <QStringList>

// The real HTTP transport, keeping the path and exact body of every call it carries.
class RecordingTransport : public Transport {
public:
    Reply post(const QUrl& url, const CallSecurity& security, const QByteArray& body,
               const QString& what) override
    {
        paths.append(url.path());
        bodies.append(body);
        securities.append(security);
        return http.post(url, security, body, what);
    }
    // The request object of call i, without the {"_parameters":[...]} wrapper.
    QByteArray request(qsizetype i) const
    {
        const QByteArray& b = bodies.at(i);
        return b.mid(16, b.size() - 18);
    }

    HttpTransport http;
    QStringList paths;
    QByteArrayList bodies;
    QList<CallSecurity> securities;
};
