// Test support: an X.509 certificate issued by OpenSSL's libcrypto, the way
// `openssl req -x509 -sha256` makes one, for a key the test holds as an
// OpenSSL key.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace testsupport {

// A DER X.509 v3 certificate for key, self-signed with sha256WithRSAEncryption,
// subject and issuer CN = commonName (UTF-8), serial 1, valid for a year from now.
inline std::vector<std::uint8_t> OpenSslSelfSigned(EVP_PKEY* key, const std::string& commonName) {
    X509* cert = X509_new();
    X509_NAME* name = X509_NAME_new();
    const bool built =
        X509_set_version(cert, X509_VERSION_3) == 1 &&
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1) == 1 &&
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                                   -1, 0) == 1 &&
        X509_set_subject_name(cert, name) == 1 && X509_set_issuer_name(cert, name) == 1 &&
        X509_gmtime_adj(X509_getm_notBefore(cert), 0) != nullptr &&
        X509_gmtime_adj(X509_getm_notAfter(cert), 365L * 86400) != nullptr &&
        X509_set_pubkey(cert, key) == 1 && X509_sign(cert, key, EVP_sha256()) > 0;
    EXPECT_TRUE(built) << "OpenSSL could not issue the certificate";
    std::vector<std::uint8_t> der;
    unsigned char* out = nullptr;
    const int length = built ? i2d_X509(cert, &out) : 0;
    if (length > 0) der.assign(out, out + length);
    OPENSSL_free(out);
    X509_NAME_free(name);
    X509_free(cert);
    return der;
}

}  // namespace testsupport
