#include "transport.h"

#include "core/errors.h"
#include "core/text.h"
#include "json_parse.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QSslError>
#include <QStringList>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDefaultPort = 211;

#ifdef Q_OS_WIN
// Windows trusts the authorities of its own store too; installing the company's there is the other way.
constexpr auto kOrInTheStore =
    u", ou instale a autoridade da empresa no Windows, em Autoridades de Certificação "
    u"Raiz Confiáveis";
#else
constexpr auto kOrInTheStore = u"";
#endif

QString cause_of(QNetworkReply::NetworkError error, const QString& fallback)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return u"conexão recusada (o servidor não está em execução ou a porta está errada)"_s;
    case QNetworkReply::RemoteHostClosedError:
        return u"a conexão foi encerrada pelo servidor antes do fim da resposta"_s;
    case QNetworkReply::HostNotFoundError:
        return u"endereço não encontrado (nome não resolvido)"_s;
    case QNetworkReply::TimeoutError:
        return u"tempo de espera esgotado"_s;
    case QNetworkReply::SslHandshakeFailedError:
        return u"falha na conexão segura (certificado ou TLS)"_s;
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return u"rede indisponível"_s;
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return u"falha no proxy da rede"_s;
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return u"o servidor respondeu fora do protocolo HTTP"_s;
    default:
        return u"falha de rede (%1)"_s.arg(fallback);
    }
}

// Why the server's certificate was refused, each cause once, in the order met.
QString tls_cause(const QList<QSslError>& errors, const QString& host)
{
    QStringList causes;
    for (const QSslError& e : errors) {
        const QSslCertificate certificate = e.certificate();
        const QString date_format = u"dd/MM/yyyy"_s;
        QString cause;
        switch (e.error()) {
        case QSslError::CertificateExpired:
            cause = u"o certificado do servidor venceu em %1"_s.arg(
                certificate.expiryDate().toLocalTime().toString(date_format));
            break;
        case QSslError::CertificateNotYetValid:
            cause =
                u"o certificado do servidor só vale a partir de %1 (confira a data deste computador)"_s.arg(
                    certificate.effectiveDate().toLocalTime().toString(date_format));
            break;
        case QSslError::HostNameMismatch: {
            QStringList names = certificate.subjectAlternativeNames().values();
            if (names.isEmpty()) names = certificate.subjectInfo(QSslCertificate::CommonName);
            cause = u"o certificado do servidor é de outro nome (%1), não de %2"_s.arg(
                names.isEmpty() ? u"sem nome"_s : outside_text(names.join(u", "_s), 200), host);
            break;
        }
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::CertificateUntrusted:
        case QSslError::InvalidCaCertificate:
            cause = u"o certificado do servidor não é de uma autoridade confiável (se a empresa usa "
                    "certificado próprio, informe o arquivo dele em Certificado, no config.ini"_s +
                    QStringView(kOrInTheStore) + u')';
            break;
        case QSslError::CertificateRevoked:
            cause = u"o certificado do servidor foi revogado"_s;
            break;
        case QSslError::CertificateSignatureFailed:
        case QSslError::CertificateBlacklisted:
            cause = u"o certificado do servidor não pôde ser verificado (assinatura inválida)"_s;
            break;
        default:
            cause = u"o certificado do servidor foi recusado"_s;
            break;
        }
        if (!causes.contains(cause)) causes.append(cause);
    }
    if (causes.isEmpty())
        return u"falha na negociação da conexão segura (TLS); confira se o servidor atende em HTTPS neste "
               "endereço e aceita TLS 1.2 ou mais recente"_s;
    return u"conexão segura recusada: "_s + causes.join(u"; "_s);
}

// A request body that can be read once and never rewound. Qt Network sends a request again on its
// own when the connection closes before any byte of the reply; it needs to rewind the body for that,
// and with this device it cannot, so the call fails instead: an order is never posted twice by the
// client without the salesperson deciding it.
class OneShotBody : public QIODevice {
public:
    explicit OneShotBody(const QByteArray& body, QObject* parent) : QIODevice(parent), body_(body)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return body_.size() - pos_ + QIODevice::bytesAvailable(); }
    bool atEnd() const override { return pos_ >= body_.size() && QIODevice::bytesAvailable() == 0; }
    bool reset() override { return false; }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, body_.size() - pos_);
        if (n <= 0) return -1;
        std::memcpy(data, body_.constData() + pos_, static_cast<std::size_t>(n));
        pos_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray body_;
    qint64 pos_ = 0;
};

} // namespace

QUrl server_base_url(const QString& ip)
{
    const QString text = ip.trimmed();
    if (text.isEmpty())
        throw ServerError(u"Servidor não configurado: informe o IP do servidor na tela de configuração."_s);

    QUrl url;
    if (text.startsWith(u"https://"_s, Qt::CaseInsensitive) ||
        text.startsWith(u"http://"_s, Qt::CaseInsensitive)) {
        url = QUrl(text, QUrl::StrictMode);
    } else {
        QString host = text;
        int port = kDefaultPort;
        if (text.startsWith(u'[')) {
            const qsizetype close = text.indexOf(u']');
            if (close < 0) throw ServerError(u"Endereço do servidor inválido: %1"_s.arg(text));
            host = text.mid(1, close - 1);
            const QString rest = text.mid(close + 1);
            if (!rest.isEmpty()) {
                bool ok = false;
                port = rest.startsWith(u':') ? rest.mid(1).toInt(&ok) : 0;
                if (!ok) throw ServerError(u"Endereço do servidor inválido: %1"_s.arg(text));
            }
        } else if (const qsizetype colon = text.lastIndexOf(u':'); colon >= 0) {
            bool ok = false;
            port = text.mid(colon + 1).toInt(&ok);
            host = text.left(colon);
            if (!ok || host.contains(u':'))
                throw ServerError(u"Endereço do servidor inválido: %1"_s.arg(text));
        }
        url.setScheme(u"http"_s);
        url.setHost(host, QUrl::StrictMode);
        url.setPort(port);
    }
    if (!url.isValid() || url.host().isEmpty() || url.port(kDefaultPort) <= 0 ||
        url.port(kDefaultPort) > 65535)
        throw ServerError(u"Endereço do servidor inválido: %1"_s.arg(text));
    url.setPath(QString());
    return url;
}

QString server_label(const QUrl& base)
{
    QString host = base.host();
    if (host.contains(u':')) host = u'[' + host + u']';
    const int port = base.port(base.scheme() == u"https"_s ? 443 : kDefaultPort);
    return (base.scheme() == u"https"_s ? u"https://"_s : QString()) + host + u':' + QString::number(port);
}

int Transport::post_into(const QUrl& url, const CallSecurity& security, const QByteArray& body,
                         const QString& what, const std::function<char*(std::size_t n)>& room)
{
    const Reply reply = post(url, security, body, what);
    const auto n = static_cast<std::size_t>(reply.body.size());
    char* to = room(n);
    if (n > 0) std::memcpy(to, reply.body.constData(), n);
    return reply.status;
}

HttpTransport::HttpTransport(CallProgress* progress)
    : max_reply_bytes(static_cast<qint64>(JsonParser::max_bytes)), progress_(progress)
{
}

HttpTransport::~HttpTransport() = default;

Transport::Reply HttpTransport::post(const QUrl& url, const CallSecurity& security, const QByteArray& body,
                                     const QString& what)
{
    Reply result;
    result.status =
        exchange(url, security, body, what, [&](QIODevice& reply) { result.body = reply.readAll(); });
    return result;
}

int HttpTransport::post_into(const QUrl& url, const CallSecurity& security, const QByteArray& body,
                             const QString& what, const std::function<char*(std::size_t n)>& room)
{
    return exchange(url, security, body, what, [&](QIODevice& reply) {
        // The whole body is buffered once the reply has finished.
        const qint64 n = reply.bytesAvailable();
        char* to = room(static_cast<std::size_t>(n));
        qint64 done = 0;
        while (done < n) {
            const qint64 got = reply.read(to + done, n - done);
            if (got <= 0)
                throw ConnectionError(u"Falha na leitura da resposta do servidor: "_s + reply.errorString());
            done += got;
        }
    });
}

int HttpTransport::exchange(const QUrl& url, const CallSecurity& security, const QByteArray& body,
                            const QString& what, const std::function<void(QIODevice& reply)>& take)
{
    QUrl base = url;
    base.setPath(QString());
    const QString server = server_label(base);

    if (!manager_) {
        manager_ = std::make_unique<QNetworkAccessManager>();
        manager_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    } else if (!since_last_call_.isValid() || since_last_call_.elapsed() >= reuse_within.count()) {
        manager_->clearConnectionCache();
    }
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
    request.setRawHeader("Accept", "application/json");
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // One manager serves every call now: a cookie one reply sets must not ride on the next
    // request, which goes as it always went.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setTransferTimeout(static_cast<int>(idle_timeout.count()));
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    // Qt inflates a compressed reply itself and counts the inflated bytes, so the size limit below
    // holds for what the reply becomes. Its own ratio check would refuse a catalogue whose text
    // repeats much, with a message of its own: the limit is the one rule.
    request.setDecompressedSafetyCheckThreshold(-1);
    request.setRawHeader("X-Pedidos-Assinatura",
                         signer_.sign(security.signing_key, body, QDateTime::currentSecsSinceEpoch()));
    if (url.scheme() == u"https"_s) {
        // Reading the system's store takes a while: the configuration is made again only when the
        // company's certificates change. Their list is set whole: adding to the default
        // configuration would stop Qt from loading the system's store on demand. TLS 1.2 is the
        // floor whatever Qt's default.
        if (security.company_certificates != tls_company_) {
            tls_ = QSslConfiguration::defaultConfiguration();
            tls_.setProtocol(QSsl::TlsV1_2OrLater);
            if (!security.company_certificates.isEmpty())
                tls_.setCaCertificates(QSslConfiguration::systemCaCertificates() +
                                       security.company_certificates);
            tls_company_ = security.company_certificates;
            // A connection made under the authorities before is not one to trust now.
            manager_->clearConnectionCache();
        }
        request.setSslConfiguration(tls_);
    }

    if (progress_) progress_->started(what, server);
    struct Finish {
        CallProgress* p;
        QElapsedTimer& since_last_call;
        ~Finish()
        {
            since_last_call.start();
            if (p) p->finished();
        }
    } finish{progress_, since_last_call_};

    OneShotBody upload(body, nullptr);
    // Gone before the body it reads.
    const std::unique_ptr<QNetworkReply> owned(manager_->post(request, &upload));
    QNetworkReply* reply = owned.get();
    QEventLoop loop;
    enum class Stop { None, ConnectTimeout, Cancelled, TooLarge } stop = Stop::None;

    QTimer connect_timer;
    connect_timer.setSingleShot(true);
    QObject::connect(&connect_timer, &QTimer::timeout, &loop, [&] {
        stop = Stop::ConnectTimeout;
        reply->abort();
    });
    connect_timer.start(connect_timeout);
    QObject::connect(reply, &QNetworkReply::requestSent, &connect_timer, &QTimer::stop);
    // Never ignored: the call fails and the salesperson is told why.
    QList<QSslError> tls_errors;
    QObject::connect(reply, &QNetworkReply::sslErrors, &loop,
                     [&](const QList<QSslError>& errors) { tls_errors += errors; });
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 bytes, qint64 total) {
        connect_timer.stop();
        // Once stopped, what the reply still reports (Qt may report once more after the abort) is
        // neither checked nor shown.
        if (stop != Stop::None) return;
        if (bytes > max_reply_bytes || total > max_reply_bytes) {
            stop = Stop::TooLarge;
            reply->abort();
            return;
        }
        if (progress_) progress_->received(bytes);
    });
    QTimer cancel_poll;
    cancel_poll.setInterval(50);
    QObject::connect(&cancel_poll, &QTimer::timeout, &loop, [&] {
        if (progress_ && progress_->cancelled() && stop == Stop::None) {
            stop = Stop::Cancelled;
            reply->abort();
        }
    });
    if (progress_) cancel_poll.start();
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) loop.exec();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    const QString error_string = reply->errorString();

    const QString failure = u"Falha na comunicação com o servidor %1 (%2): %3."_s;
    auto fail = [&](const QString& cause) { return ConnectionError(failure.arg(server, what, cause)); };
    if (stop == Stop::Cancelled) throw fail(u"operação cancelada pelo usuário"_s);
    // A reply did come; it is just more than the client takes.
    if (stop == Stop::TooLarge)
        throw ServerError(failure.arg(
            server, what,
            u"a resposta passa de %1, o maior tamanho aceito"_s.arg(
                QLocale(QLocale::Portuguese, QLocale::Brazil).formattedDataSize(max_reply_bytes))));
    if (stop == Stop::ConnectTimeout)
        throw fail(u"o servidor não respondeu em %1 segundos"_s.arg(connect_timeout.count() / 1000.0));
    if (error == QNetworkReply::OperationCanceledError)
        throw fail(u"nenhum dado recebido em %1 segundos"_s.arg(idle_timeout.count() / 1000.0));
    // The connection closed before any byte of the reply, and the body cannot be sent again.
    if (error == QNetworkReply::ContentReSendError || error == QNetworkReply::RemoteHostClosedError) {
        QString cause = cause_of(QNetworkReply::RemoteHostClosedError, error_string);
        // A TLS server closes a plain connection without a word.
        if (url.scheme() == u"http"_s && status == 0)
            cause += u" (se o servidor usa conexão segura, o endereço deve começar com https://)"_s;
        throw fail(cause);
    }
    if (error == QNetworkReply::SslHandshakeFailedError) throw fail(tls_cause(tls_errors, url.host()));
    // A reply that says it went well but whose content could not be read (a compressed body that does
    // not inflate) has no body to trust.
    if (error == QNetworkReply::UnknownContentError && status >= 200 && status < 300)
        throw fail(u"a resposta comprimida chegou danificada e não pôde ser descomprimida"_s);
    // An HTTP error status still carries the server's own text in the body; a failure of the
    // connection itself (codes below 100), even after a status line, does not.
    if (error != QNetworkReply::NoError &&
        (status == 0 || error < QNetworkReply::ProxyConnectionRefusedError))
        throw fail(cause_of(error, error_string));
    if (reply->isOpen()) {
        take(*reply);
    } else {
        QBuffer none;
        none.open(QIODevice::ReadOnly);
        take(none);
    }
    return status;
}
