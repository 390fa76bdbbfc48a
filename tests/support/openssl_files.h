// Test helper: request and key files made independently by OpenSSL's
// libcrypto from a test key pair, the way `openssl req -new` and
// `openssl pkcs8 -topk8 -v1 ...` make them.
#pragma once

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/param_build.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/openssl_legacy.h"
#include "support/test_keys.h"

namespace dertest {

using Pkey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

// The key pair as an OpenSSL key (all eight numbers, as given).
inline Pkey ToOpenSsl(const cerrojo::RsaPrivateKey& key) {
    struct Number {
        const char* name;
        const std::uint8_t* field;
        int width;
    };
    const Number numbers[] = {{OSSL_PKEY_PARAM_RSA_N, key.modulus, 256},
                              {OSSL_PKEY_PARAM_RSA_E, key.publicExponent, 256},
                              {OSSL_PKEY_PARAM_RSA_D, key.privateExponent, 256},
                              {OSSL_PKEY_PARAM_RSA_FACTOR1, key.prime1, 128},
                              {OSSL_PKEY_PARAM_RSA_FACTOR2, key.prime2, 128},
                              {OSSL_PKEY_PARAM_RSA_EXPONENT1, key.exponent1, 128},
                              {OSSL_PKEY_PARAM_RSA_EXPONENT2, key.exponent2, 128},
                              {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, key.coefficient, 128}};
    OSSL_PARAM_BLD* builder = OSSL_PARAM_BLD_new();
    std::vector<BIGNUM*> values;
    for (const Number& n : numbers) {
        values.push_back(BN_bin2bn(n.field, n.width, nullptr));
        OSSL_PARAM_BLD_push_BN(builder, n.name, values.back());
    }
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(builder);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
    EVP_PKEY* pkey = nullptr;
    if (ctx == nullptr || EVP_PKEY_fromdata_init(ctx) != 1 ||
        EVP_PKEY_fromdata(ctx, &pkey, EVP_PKEY_KEYPAIR, params) != 1) {
        ADD_FAILURE() << "OpenSSL did not take the key";
    }
    EVP_PKEY_CTX_free(ctx);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(builder);
    for (BIGNUM* value : values) BN_free(value);
    return Pkey(pkey, EVP_PKEY_free);
}

inline Pkey GenerateOpenSslKey(unsigned bits) {
    return Pkey(EVP_RSA_gen(bits), EVP_PKEY_free);
}

struct OpenSslSubject {
    std::string commonName =
        "JOS\xC3\x89  N\xC3\x9A\xC3\x91"
        "EZ";  // UTF-8
    std::string uniqueIdentifier = "NUXJ800101AB1";
    std::string state = "OAXACA";
    std::string email = "jose@ejemplo.mx";  // in the subject, as OpenSSL puts it
};

// A DER request signed by OpenSSL with md (EVP_md5(), EVP_sha1(), ...),
// without attributes (OpenSSL then writes an empty [0] block).
inline std::vector<std::uint8_t> OpenSslRequest(EVP_PKEY* pkey, const EVP_MD* md,
                                                const OpenSslSubject& subject = {}) {
    std::vector<std::uint8_t> der;
    X509_REQ* req = X509_REQ_new();
    X509_NAME* name = X509_REQ_get_subject_name(req);
    const auto text = [](const std::string& s) {
        return reinterpret_cast<const unsigned char*>(s.c_str());
    };
    const bool built = X509_REQ_set_version(req, 0) == 1 &&
                       X509_NAME_add_entry_by_NID(name, NID_commonName, MBSTRING_UTF8,
                                                  text(subject.commonName), -1, -1, 0) == 1 &&
                       X509_NAME_add_entry_by_NID(name, NID_x500UniqueIdentifier, MBSTRING_ASC,
                                                  text(subject.uniqueIdentifier), -1, -1, 0) == 1 &&
                       X509_NAME_add_entry_by_NID(name, NID_stateOrProvinceName, MBSTRING_ASC,
                                                  text(subject.state), -1, -1, 0) == 1 &&
                       X509_NAME_add_entry_by_NID(name, NID_pkcs9_emailAddress, MBSTRING_ASC,
                                                  text(subject.email), -1, -1, 0) == 1 &&
                       X509_REQ_set_pubkey(req, pkey) == 1 && X509_REQ_sign(req, pkey, md) > 0;
    EXPECT_TRUE(built);
    unsigned char* out = nullptr;
    const int length = built ? i2d_X509_REQ(req, &out) : 0;
    if (length > 0) der.assign(out, out + length);
    OPENSSL_free(out);
    X509_REQ_free(req);
    return der;
}

// A DER EncryptedPrivateKeyInfo by OpenSSL: PBES1 with nid
// (NID_pbeWithMD5AndDES_CBC, NID_pbeWithMD2AndDES_CBC) or, with
// nid = -1, PBES2 with AES-256-CBC as OpenSSL does by default.
inline std::vector<std::uint8_t> OpenSslKeyFile(EVP_PKEY* pkey, const std::string& password,
                                                int nid, int iterations) {
    EXPECT_TRUE(testsupport::LoadLegacyProviders());
    std::vector<std::uint8_t> der;
    PKCS8_PRIV_KEY_INFO* info = EVP_PKEY2PKCS8(pkey);
    X509_SIG* sig =
        info == nullptr ? nullptr
        : nid == -1
            ? PKCS8_encrypt(-1, EVP_aes_256_cbc(), password.data(),
                            static_cast<int>(password.size()), nullptr, 0, iterations, info)
            : PKCS8_encrypt(nid, nullptr, password.data(), static_cast<int>(password.size()),
                            nullptr, 0, iterations, info);
    EXPECT_NE(sig, nullptr) << "OpenSSL could not encrypt the key";
    unsigned char* out = nullptr;
    const int length = sig != nullptr ? i2d_X509_SIG(sig, &out) : 0;
    if (length > 0) der.assign(out, out + length);
    OPENSSL_free(out);
    X509_SIG_free(sig);
    PKCS8_PRIV_KEY_INFO_free(info);
    return der;
}

// OpenSSL's verdict on a DER request: parsed and signature verified.
inline bool OpenSslVerifies(const std::vector<std::uint8_t>& der) {
    const unsigned char* p = der.data();
    X509_REQ* req = d2i_X509_REQ(nullptr, &p, static_cast<long>(der.size()));
    if (req == nullptr) return false;
    EVP_PKEY* key = X509_REQ_get0_pubkey(req);
    const bool ok =
        key != nullptr && p == der.data() + der.size() && X509_REQ_verify(req, key) == 1;
    X509_REQ_free(req);
    return ok;
}

// A named big-number parameter of an OpenSSL key as bytes right-aligned in width.
inline std::vector<std::uint8_t> OpenSslNumber(EVP_PKEY* pkey, const char* name, int width) {
    BIGNUM* value = nullptr;
    std::vector<std::uint8_t> out(width);
    EXPECT_EQ(EVP_PKEY_get_bn_param(pkey, name, &value), 1) << name;
    if (value != nullptr) {
        EXPECT_EQ(BN_bn2binpad(value, out.data(), width), width) << name;
    }
    BN_free(value);
    return out;
}

}  // namespace dertest
