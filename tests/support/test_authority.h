#pragma once

#include <QString>

#include <memory>

// A certificate authority made at test time, and the server certificates it issues, written as PEM
// files into a folder. Keys are P-256, quick to make.
class TestAuthority {
public:
    // Writes the authority's certificate to <folder>/<name>.pem.
    TestAuthority(const QString& folder, const QString& name = QStringLiteral("autoridade"));
    ~TestAuthority();

    QString certificate() const { return certificate_; }

    struct Issued {
        QString certificate;
        QString key;
    };
    // A server certificate for the names ("DNS:localhost,IP:127.0.0.1"), valid from `from_days`
    // to `to_days` days from now (negative: in the past), as <folder>/<name>.pem and <name>.key.
    Issued issue(const QString& name, const QString& names, int from_days = -1, int to_days = 30) const;

private:
    struct Keys;
    std::unique_ptr<Keys> keys_;
    QString folder_;
    QString certificate_;
};
