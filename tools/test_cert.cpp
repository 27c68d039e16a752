#include "tools/test_cert.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

#include <memory>
#include <stdexcept>
#include <utility>

namespace zyn::tools {

namespace fs = std::filesystem;

namespace {

struct OpenSslFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(X509* p) const { X509_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
    void operator()(BIGNUM* p) const { BN_free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, OpenSslFree>;
using Certificate = std::unique_ptr<X509, OpenSslFree>;
using Bio = std::unique_ptr<BIO, OpenSslFree>;
using Extensions = std::vector<std::pair<int, std::string>>;

constexpr long kValidSeconds = 30L * 24 * 3600;

void lf_require(bool ok, const std::string& what)
{
    if (!ok) throw std::runtime_error("test certificate: " + what + " failed");
}

Key lf_newKey()
{
    Key key(EVP_RSA_gen(2048));
    lf_require(key != nullptr, "key generation");
    return key;
}

bool lf_isIpAddress(const std::string& name)
{
    unsigned char address[16];
    return inet_pton(AF_INET, name.c_str(), address) == 1 || inet_pton(AF_INET6, name.c_str(), address) == 1;
}

// "IP:127.0.0.1,DNS:localhost" for OpenSSL's subjectAltName.
std::string lf_alternativeNames(const std::vector<std::string>& names)
{
    std::string text;
    for (const auto& name : names) {
        if (!text.empty()) text += ',';
        text += (lf_isIpAddress(name) ? "IP:" : "DNS:") + name;
    }
    return text;
}

void lf_setSerial(X509* certificate)
{
    std::unique_ptr<BIGNUM, OpenSslFree> serial(BN_new());
    lf_require(serial && BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1, "serial number");
    lf_require(BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate)) != nullptr, "serial number");
}

// A certificate for key named commonName, signed by issuerKey; no issuer: self-signed.
Certificate lf_newCertificate(EVP_PKEY* key, const std::string& commonName, X509* issuer, EVP_PKEY* issuerKey,
                              const Extensions& extensions)
{
    Certificate certificate(X509_new());
    X509* c = certificate.get();
    lf_require(c != nullptr && X509_set_version(c, 2) == 1, "certificate"); // version 3
    lf_setSerial(c);
    X509_gmtime_adj(X509_getm_notBefore(c), -3600); // a clock a little behind still takes it
    X509_gmtime_adj(X509_getm_notAfter(c), kValidSeconds);
    lf_require(X509_set_pubkey(c, key) == 1, "public key");
    X509_NAME* subject = X509_get_subject_name(c);
    lf_require(X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                                          reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0) == 1,
               "common name");
    lf_require(X509_set_issuer_name(c, issuer ? X509_get_subject_name(issuer) : subject) == 1, "issuer name");
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer ? issuer : c, c, nullptr, nullptr, 0);
    for (const auto& [nid, value] : extensions) {
        X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
        lf_require(extension != nullptr, "extension " + value);
        const int added = X509_add_ext(c, extension, -1);
        X509_EXTENSION_free(extension);
        lf_require(added == 1, "extension " + value);
    }
    lf_require(X509_sign(c, issuerKey, EVP_sha256()) > 0, "signature");
    return certificate;
}

TlsFiles lf_write(const fs::path& folder, const std::string& stem, X509* certificate, EVP_PKEY* key)
{
    fs::create_directories(folder);
    TlsFiles files{folder / (stem + ".pem"), folder / (stem + ".key")};
    Bio out(BIO_new_file(files.certificate.c_str(), "w"));
    lf_require(out && PEM_write_bio_X509(out.get(), certificate) == 1, "writing " + files.certificate.string());
    out.reset(BIO_new_file(files.key.c_str(), "w"));
    lf_require(out && PEM_write_bio_PrivateKey(out.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
               "writing " + files.key.string());
    return files;
}

Bio lf_openForReading(const fs::path& file)
{
    Bio in(BIO_new_file(file.c_str(), "r"));
    lf_require(in != nullptr, "reading " + file.string());
    return in;
}

} // namespace

TlsFiles gf_makeTestAuthority(const fs::path& folder, const std::string& stem)
{
    const Key key = lf_newKey();
    const Certificate certificate =
        lf_newCertificate(key.get(), "Tarvo test authority " + stem, nullptr, key.get(),
                          {{NID_basic_constraints, "critical,CA:TRUE"},
                           {NID_key_usage, "critical,keyCertSign,cRLSign"},
                           {NID_subject_key_identifier, "hash"}});
    return lf_write(folder, stem, certificate.get(), key.get());
}

TlsFiles gf_issueTestCertificate(const TlsFiles& authority, const std::vector<std::string>& names,
                                 const fs::path& folder, const std::string& stem)
{
    lf_require(!names.empty(), "a certificate without names");
    const Certificate issuer(PEM_read_bio_X509(lf_openForReading(authority.certificate).get(), nullptr, nullptr, nullptr));
    const Key issuerKey(PEM_read_bio_PrivateKey(lf_openForReading(authority.key).get(), nullptr, nullptr, nullptr));
    lf_require(issuer && issuerKey, "reading the authority");
    const Key key = lf_newKey();
    const Certificate certificate =
        lf_newCertificate(key.get(), names.front(), issuer.get(), issuerKey.get(),
                          {{NID_basic_constraints, "critical,CA:FALSE"},
                           {NID_key_usage, "critical,digitalSignature,keyEncipherment"},
                           {NID_ext_key_usage, "serverAuth"},
                           {NID_subject_key_identifier, "hash"},
                           {NID_authority_key_identifier, "keyid:always"},
                           {NID_subject_alt_name, lf_alternativeNames(names)}});
    return lf_write(folder, stem, certificate.get(), key.get());
}

} // namespace zyn::tools
