#include "company_certificates.h"

#include "core/context.h"
#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// A file of certificates is a few kilobytes; anything much larger is not one.
constexpr qint64 kMaxBytes = 1024 * 1024;

} // namespace

QString company_certificate_path(const Context& context, const QString& setting)
{
    const QString name = setting.trimmed();
    if (name.isEmpty()) return {};
    return QDir::cleanPath(QDir::isAbsolutePath(name) ? name : context.path(name));
}

QList<QSslCertificate> company_certificates(const Context& context, const QString& setting)
{
    const QString path = company_certificate_path(context, setting);
    const QString failure =
        u"Não foi possível usar o certificado da empresa %1 (Certificado, em config.ini): %2."_s;
    const QFileInfo info(path);
    if (!info.exists()) throw ServerError(failure.arg(path, u"o arquivo não existe"_s));
    if (info.isDir()) throw ServerError(failure.arg(path, u"é uma pasta, não um arquivo"_s));
    // A device or a pipe (/dev/zero, a FIFO) would block the read or never end it.
    if (!info.isFile()) throw ServerError(failure.arg(path, u"não é um arquivo comum"_s));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw ServerError(failure.arg(path, file_cause(file)));
    const QByteArray bytes = file.read(kMaxBytes + 1);
    if (bytes.size() > kMaxBytes)
        throw ServerError(
            failure.arg(path, u"o arquivo passa de 1 MiB e não é um arquivo de certificados"_s));
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(bytes, QSsl::Pem);
    if (certificates.isEmpty())
        throw ServerError(failure.arg(path, u"o arquivo não contém nenhum certificado no formato PEM"_s));
    return certificates;
}
