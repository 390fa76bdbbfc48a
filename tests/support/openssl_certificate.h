// Test support: X.509 certificates issued by OpenSSL's libcrypto, the way
// `openssl req -x509` / `openssl x509 -req -sha256` make them, for keys the
// tests hold as OpenSSL keys.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace testsupport {

// A DER X.509 v3 certificate for subjectKey with subject CN = commonName
// (UTF-8), serial 1, valid from notBeforeDays to notAfterDays from now, signed
// with sha256WithRSAEncryption by issuerKey under issuerName (CN; the subject's
// own name and key when left empty / null: self-signed).
inline std::vector<std::uint8_t> OpenSslCertificate(EVP_PKEY* subjectKey,
                                                    const std::string& commonName,
                                                    long notBeforeDays = 0, long notAfterDays = 365,
                                                    EVP_PKEY* issuerKey = nullptr,
                                                    const std::string& issuerName = "") {
    X509* cert = X509_new();
    X509_NAME* subject = X509_NAME_new();
    X509_NAME* issuer = X509_NAME_new();
    const auto utf8 = [](const std::string& s) {
        return reinterpret_cast<const unsigned char*>(s.c_str());
    };
    const std::string& issuerCn = issuerName.empty() ? commonName : issuerName;
    const bool built =
        X509_set_version(cert, X509_VERSION_3) == 1 &&
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1) == 1 &&
        X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8, utf8(commonName), -1, -1, 0) ==
            1 &&
        X509_NAME_add_entry_by_txt(issuer, "CN", MBSTRING_UTF8, utf8(issuerCn), -1, -1, 0) == 1 &&
        X509_set_subject_name(cert, subject) == 1 && X509_set_issuer_name(cert, issuer) == 1 &&
        X509_gmtime_adj(X509_getm_notBefore(cert), notBeforeDays * 86400) != nullptr &&
        X509_gmtime_adj(X509_getm_notAfter(cert), notAfterDays * 86400) != nullptr &&
        X509_set_pubkey(cert, subjectKey) == 1 &&
        X509_sign(cert, issuerKey != nullptr ? issuerKey : subjectKey, EVP_sha256()) > 0;
    EXPECT_TRUE(built) << "OpenSSL could not issue the certificate";
    std::vector<std::uint8_t> der;
    unsigned char* out = nullptr;
    const int length = built ? i2d_X509(cert, &out) : 0;
    if (length > 0) der.assign(out, out + length);
    OPENSSL_free(out);
    X509_NAME_free(issuer);
    X509_NAME_free(subject);
    X509_free(cert);
    return der;
}

}  // namespace testsupport
