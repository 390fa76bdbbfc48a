#include "support/openssl_pair.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include "support/openssl_legacy.h"

namespace testsupport {

int CheckPair(const std::string& request, const std::string& keyFile, const std::string& password,
              std::string* uniqueId) {
    // MD5 with DES-CBC key files need OpenSSL's legacy provider.
    EXPECT_TRUE(LoadLegacyProviders());
    const auto* p = reinterpret_cast<const unsigned char*>(request.data());
    X509_REQ* req = d2i_X509_REQ(nullptr, &p, static_cast<long>(request.size()));
    EXPECT_NE(req, nullptr);
    if (req == nullptr) return 0;
    EXPECT_EQ(p, reinterpret_cast<const unsigned char*>(request.data()) + request.size());
    EVP_PKEY* publicKey = X509_REQ_get0_pubkey(req);
    EXPECT_EQ(X509_REQ_verify(req, publicKey), 1);
    const int bits = EVP_PKEY_get_bits(publicKey);
    if (uniqueId != nullptr) {
        uniqueId->clear();
        const X509_NAME* subject = X509_REQ_get_subject_name(req);
        const int at = X509_NAME_get_index_by_NID(subject, NID_x500UniqueIdentifier, -1);
        if (at >= 0) {
            const ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, at));
            uniqueId->assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
                             static_cast<std::size_t>(ASN1_STRING_length(value)));
        }
    }

    p = reinterpret_cast<const unsigned char*>(keyFile.data());
    X509_SIG* sig = d2i_X509_SIG(nullptr, &p, static_cast<long>(keyFile.size()));
    EXPECT_NE(sig, nullptr);
    if (sig != nullptr) {
        PKCS8_PRIV_KEY_INFO* info =
            PKCS8_decrypt(sig, password.data(), static_cast<int>(password.size()));
        EXPECT_NE(info, nullptr) << "the key file does not open with the password";
        if (info != nullptr) {
            EVP_PKEY* privateKey = EVP_PKCS82PKEY(info);
            EXPECT_EQ(EVP_PKEY_eq(privateKey, publicKey), 1)
                << "the key file does not hold the request's key";
            EVP_PKEY_free(privateKey);
            PKCS8_PRIV_KEY_INFO_free(info);
        }
        EXPECT_EQ(PKCS8_decrypt(sig, "wrong password", 14), nullptr);
        X509_SIG_free(sig);
    }
    X509_REQ_free(req);
    return bits;
}

}  // namespace testsupport
