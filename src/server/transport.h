#pragma once

#include "request_signature.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QIODevice>
#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;

// Shown while a server call is under way. The program's implementation is the "Aguarde..." dialog;
// its Cancel button makes cancelled() true, and the call then fails like a transport error.
class CallProgress {
public:
    virtual ~CallProgress() = default;
    virtual void started(const QString& what, const QString& server) = 0;
    virtual void received(qint64 bytes) = 0;
    virtual void finished() = 0;
    // Asked by the transport while it waits; connect to cancel_requested to react at once.
    virtual bool cancelled() const = 0;
};

// What a call adds to its request besides the URL and the body: the certificates that an https://
// server's may be issued by besides the system's store (the company's own authority), and the
// salesperson key that signs the body in the header X-Pedidos-Assinatura.
struct CallSecurity {
    QList<QSslCertificate> company_certificates;
    QByteArray signing_key;
};

// One HTTP request and its reply body. The call returns when the reply has arrived or failed; the
// event loop runs meanwhile so that windows keep painting.
class Transport {
public:
    virtual ~Transport() = default;
    struct Reply {
        int status = 0;
        QByteArray body;
    };
    // Raises ServerError for a transport failure, with the server address and the cause.
    virtual Reply post(const QUrl& url, const CallSecurity& security, const QByteArray& body,
                       const QString& what) = 0;
    // The same, the reply's body going straight into the n bytes that room(n) gives (a parser's
    // memory), so that a catalogue is not held twice. Returns the status.
    virtual int post_into(const QUrl& url, const CallSecurity& security, const QByteArray& body,
                          const QString& what, const std::function<char*(std::size_t n)>& room);
};

// The transport over Qt Network: HTTP/1.1 or HTTPS, no retry. A certificate error always fails the
// call, with its cause.
class HttpTransport : public Transport {
public:
    explicit HttpTransport(CallProgress* progress = nullptr);
    ~HttpTransport() override;

    std::chrono::milliseconds connect_timeout{15000};
    std::chrono::milliseconds idle_timeout{120000};
    // Calls made one after the other (the start-up's two downloads, a client's card) share a
    // connection: on a mobile link each new one costs a round trip, and two more with TLS. One idle
    // for longer than this is not used again: servers close idle connections (Apache after 5 s), and
    // a request sent on one as it closes would fail, since a body is never sent twice.
    std::chrono::milliseconds reuse_within{4000};
    // A reply larger than the parser takes is refused while it arrives, before it fills the memory.
    qint64 max_reply_bytes;

    Reply post(const QUrl& url, const CallSecurity& security, const QByteArray& body,
               const QString& what) override;
    int post_into(const QUrl& url, const CallSecurity& security, const QByteArray& body, const QString& what,
                  const std::function<char*(std::size_t n)>& room) override;
    void set_progress(CallProgress* progress) { progress_ = progress; }

private:
    // Sends the request and waits; take reads the body of the finished reply.
    int exchange(const QUrl& url, const CallSecurity& security, const QByteArray& body, const QString& what,
                 const std::function<void(QIODevice& reply)>& take);
    CallProgress* progress_;
    std::unique_ptr<QNetworkAccessManager> manager_;
    QElapsedTimer since_last_call_;
    RequestSigner signer_;
    // The company's certificates tls_ was made for; nothing before the first https:// call.
    std::optional<QList<QSslCertificate>> tls_company_;
    QSslConfiguration tls_;
};

// The base URL of the server named by the IP setting ("10.0.0.5", "host:8211", "[fd00::5]:8211",
// "https://host:8443"). Raises ServerError when the setting is empty or unusable.
QUrl server_base_url(const QString& ip);
// How an address is named in messages: "10.0.0.5:211".
QString server_label(const QUrl& base);
