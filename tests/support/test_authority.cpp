#include "test_authority.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <QtGlobal>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) qFatal("test authority: %s failed", what);
}

EVP_PKEY* new_key()
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    check(key != nullptr, "EVP_EC_gen");
    return key;
}

void add_extension(X509* issuer, X509* subject, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, subject, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    check(extension != nullptr && X509_add_ext(subject, extension, -1) == 1, value);
    X509_EXTENSION_free(extension);
}

X509* new_certificate(const char* common_name, EVP_PKEY* key, long serial, int from_days, int to_days)
{
    X509* certificate = X509_new();
    check(certificate != nullptr, "X509_new");
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate), from_days * 86400L);
    X509_gmtime_adj(X509_getm_notAfter(certificate), to_days * 86400L);
    X509_set_pubkey(certificate, key);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(certificate), "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(common_name), -1, -1, 0);
    return certificate;
}

void write_pem(const QString& path, X509* certificate, EVP_PKEY* key)
{
    BIO* file = BIO_new_file(path.toLocal8Bit().constData(), "w");
    check(file != nullptr, "BIO_new_file");
    const bool ok = certificate
                        ? PEM_write_bio_X509(file, certificate) == 1
                        : PEM_write_bio_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    BIO_free(file);
    check(ok, "PEM_write");
}

} // namespace

struct TestAuthority::Keys {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    ~Keys()
    {
        X509_free(certificate);
        EVP_PKEY_free(key);
    }
};

TestAuthority::TestAuthority(const QString& folder, const QString& name)
    : keys_(std::make_unique<Keys>()), folder_(folder), certificate_(folder + u'/' + name + u".pem")
{
    keys_->key = new_key();
    keys_->certificate = new_certificate("Autoridade de Teste", keys_->key, 1, -1, 365);
    X509* ca = keys_->certificate;
    X509_set_issuer_name(ca, X509_get_subject_name(ca));
    add_extension(ca, ca, NID_basic_constraints, "critical,CA:TRUE");
    add_extension(ca, ca, NID_key_usage, "critical,keyCertSign,cRLSign");
    add_extension(ca, ca, NID_subject_key_identifier, "hash");
    check(X509_sign(ca, keys_->key, EVP_sha256()) > 0, "X509_sign");
    write_pem(certificate_, ca, nullptr);
}

TestAuthority::~TestAuthority() = default;

TestAuthority::Issued TestAuthority::issue(const QString& name, const QString& names, int from_days,
                                           int to_days) const
{
    static long serial = 100;
    EVP_PKEY* key = new_key();
    X509* certificate = new_certificate("servidor de teste", key, ++serial, from_days, to_days);
    X509_set_issuer_name(certificate, X509_get_subject_name(keys_->certificate));
    add_extension(keys_->certificate, certificate, NID_basic_constraints, "CA:FALSE");
    add_extension(keys_->certificate, certificate, NID_ext_key_usage, "serverAuth");
    add_extension(keys_->certificate, certificate, NID_subject_key_identifier, "hash");
    add_extension(keys_->certificate, certificate, NID_authority_key_identifier, "keyid");
    add_extension(keys_->certificate, certificate, NID_subject_alt_name, names.toLatin1().constData());
    check(X509_sign(certificate, keys_->key, EVP_sha256()) > 0, "X509_sign");
    const Issued issued{folder_ + u'/' + name + u".pem", folder_ + u'/' + name + u".key"};
    write_pem(issued.certificate, certificate, nullptr);
    write_pem(issued.key, nullptr, key);
    X509_free(certificate);
    EVP_PKEY_free(key);
    return issued;
}
