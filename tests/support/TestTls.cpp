#include "TestTls.h"

#include "TestEnvironment.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace
{
void Check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("test certificate: ") + what);
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    Check(ext && X509_add_ext(cert, ext, -1), value);
    X509_EXTENSION_free(ext);
}

// issuer/issuerKey null: self-signed.
X509* MakeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey,
                      long serial)
{
    X509* cert = X509_new();
    Check(cert, "X509_new");
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 30L * 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
    X509* signer = issuer ? issuer : cert;
    AddExtension(cert, signer, NID_subject_key_identifier, "hash");
    if (issuer)
    {
        AddExtension(cert, signer, NID_authority_key_identifier, "keyid:always");
        AddExtension(cert, signer, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(cert, signer, NID_key_usage, "critical,digitalSignature");
        AddExtension(cert, signer, NID_ext_key_usage, "serverAuth");
        AddExtension(cert, signer, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1,IP:::1");
    }
    else
    {
        AddExtension(cert, signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    }
    Check(X509_sign(cert, issuerKey ? issuerKey : key, EVP_sha256()) > 0, "X509_sign");
    return cert;
}
} // namespace

const TestTls& TestTls::Get()
{
    static const TestTls tls;
    return tls;
}

TestTls::TestTls()
{
    // The folder lives as long as the process.
    static TempDir dir;
    EVP_PKEY* caKey = EVP_EC_gen("P-256");
    EVP_PKEY* serverKey = EVP_EC_gen("P-256");
    Check(caKey && serverKey, "EVP_EC_gen");
    X509* ca = MakeCertificate(caKey, "Orvane Test CA", nullptr, nullptr, 1);
    X509* server = MakeCertificate(serverKey, "localhost", ca, caKey, 2);

    m_caFile = dir.File("test-ca.pem");
    FILE* out = std::fopen(m_caFile.c_str(), "w");
    Check(out && PEM_write_X509(out, ca), "writing the CA file");
    std::fclose(out);

    m_serverContext = SSL_CTX_new(TLS_server_method());
    Check(m_serverContext, "SSL_CTX_new");
    SSL_CTX_set_min_proto_version(m_serverContext, TLS1_2_VERSION);
    Check(SSL_CTX_use_certificate(m_serverContext, server) == 1 &&
              SSL_CTX_use_PrivateKey(m_serverContext, serverKey) == 1,
          "server certificate");
    X509_free(server);
    X509_free(ca);
    EVP_PKEY_free(serverKey);
    EVP_PKEY_free(caKey);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name)
{
    if (const char* old = std::getenv(name))
    {
        m_had = true;
        m_old = old;
    }
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        ::setenv(m_name.c_str(), m_old.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}
