#pragma once

#include <QList>
#include <QSslCertificate>
#include <QString>

struct Context;

// Where the file that the Certificado setting names is: empty when the setting is.
QString company_certificate_path(const Context& context, const QString& setting);

// The certificates of the PEM file that the Certificado setting names: an absolute path, or a name
// inside the data folder. A company whose server has a certificate of its own trusts it so, besides
// the system's store. Raises ServerError naming the file when it cannot be read or holds none.
QList<QSslCertificate> company_certificates(const Context& context, const QString& setting);
