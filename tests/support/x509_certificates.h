// Test support: X.509 certificates issued with OpenSSL's libcrypto as
// `openssl x509 -req -CA ca.cer -CAkey ca.key -sha256` issues them from a
// request (its subject and key, v3 with basicConstraints, keyUsage and
// subjectKeyIdentifier) or self-signed for a key, a DER element editor for damaged files, and the
// comparison of Cerrojo's reading of a certificate with OpenSSL's. Free of
// GoogleTest: the fuzz harnesses use it too.
#pragma once

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "der/certificate_reader.h"

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;  // as in support/testdata.h
using X509Ptr = std::unique_ptr<X509, decltype(&X509_free)>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

// An issuer: its key and its self-signed certificate.
struct Authority {
    PkeyPtr key{nullptr, EVP_PKEY_free};
    X509Ptr certificate{nullptr, X509_free};
};

// What the issuing changes from a plain `openssl x509 -req -sha256 -days 365`.
struct Issue {
    const EVP_MD* md = EVP_sha256();
    int version = 3;                    // 1: no version field, no extensions
    const char* serial = "4A3F00C1D2";  // hex, as -set_serial takes it
    long notBeforeDays = -1, notAfterDays = 365;  // from now
    const X509_NAME* subject = nullptr;           // instead of the request's
    EVP_PKEY* publicKey = nullptr;                // instead of the request's
};

// The certificate as PEM_write_bio_X509 writes it.
inline std::string ToPem(const Bytes& der) {
    BIO* bio = BIO_new(BIO_s_mem());
    char* text = nullptr;
    PEM_write_bio(bio, "CERTIFICATE", "", der.data(), static_cast<long>(der.size()));
    const long length = BIO_get_mem_data(bio, &text);
    const std::string pem(text, static_cast<std::size_t>(length));
    BIO_free(bio);
    return pem;
}

namespace detail {

// A signed certificate; issuer null: an authority's own, publicKey a key pair.
inline X509Ptr Sign(const X509_NAME* subject, EVP_PKEY* publicKey, const Authority* issuer,
                    const Issue& issue) {
    X509Ptr x(X509_new(), X509_free);
    X509* signer = issuer != nullptr ? issuer->certificate.get() : x.get();
    BIGNUM* serial = nullptr;
    bool ok = BN_hex2bn(&serial, issue.serial) != 0 &&
              BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(x.get())) != nullptr &&
              X509_set_version(x.get(), issue.version - 1) == 1 &&
              X509_set_subject_name(x.get(), subject) == 1 &&
              X509_set_pubkey(x.get(), publicKey) == 1 &&
              X509_set_issuer_name(x.get(), issuer != nullptr ? X509_get_subject_name(signer)
                                                              : subject) == 1 &&
              X509_gmtime_adj(X509_getm_notBefore(x.get()), issue.notBeforeDays * 86400L) &&
              X509_gmtime_adj(X509_getm_notAfter(x.get()), issue.notAfterDays * 86400L);
    BN_free(serial);
    const std::pair<int, const char*> extensions[] = {
        {NID_basic_constraints, issuer != nullptr ? "critical,CA:FALSE" : "critical,CA:TRUE"},
        {NID_key_usage, "critical,digitalSignature,keyCertSign"},
        {NID_subject_key_identifier, "hash"}};
    for (const auto& [nid, value] : extensions) {
        if (!ok || issue.version != 3) break;
        X509V3_CTX ctx;
        X509V3_set_ctx(&ctx, signer, x.get(), nullptr, nullptr, 0);
        X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
        ok = extension != nullptr && X509_add_ext(x.get(), extension, -1) == 1;
        X509_EXTENSION_free(extension);
    }
    EVP_PKEY* key = issuer != nullptr ? issuer->key.get() : publicKey;
    if (!ok || X509_sign(x.get(), key, issue.md) <= 0) x.reset();
    return x;
}

}  // namespace detail

// A self-signed v3 authority named CN=commonName with a fresh RSA key.
inline Authority MakeAuthority(const std::string& commonName, unsigned bits) {
    Authority authority;
    authority.key.reset(EVP_RSA_gen(bits));
    X509_NAME* name = X509_NAME_new();
    if (authority.key && X509_NAME_add_entry_by_NID(
                             name, NID_commonName, MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0)) {
        authority.certificate = detail::Sign(name, authority.key.get(), nullptr, Issue{});
    }
    X509_NAME_free(name);
    return authority;
}

// A DER self-signed v3 certificate (sha256WithRSAEncryption) for key,
// subject and issuer CN = commonName (UTF-8); empty when OpenSSL refuses.
inline Bytes SelfSigned(EVP_PKEY* key, const std::string& commonName) {
    X509_NAME* name = X509_NAME_new();
    X509Ptr x(nullptr, X509_free);
    if (X509_NAME_add_entry_by_NID(name, NID_commonName, MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                                   -1, 0)) {
        x = detail::Sign(name, key, nullptr, Issue{});
    }
    X509_NAME_free(name);
    Bytes der;
    unsigned char* out = nullptr;
    const int length = x ? i2d_X509(x.get(), &out) : 0;
    if (length > 0) der.assign(out, out + length);
    OPENSSL_free(out);
    return der;
}

// A Name of the given attributes, each (NID, ASN.1 string type such as
// V_ASN1_UTF8STRING or V_ASN1_BMPSTRING, the value's bytes as they go into
// the file), in one RDN each. Free it with X509_NAME_free.
inline X509_NAME* MakeName(const std::vector<std::tuple<int, int, std::string>>& attributes) {
    X509_NAME* name = X509_NAME_new();
    for (const auto& [nid, type, bytes] : attributes) {
        X509_NAME_add_entry_by_NID(name, nid, type,
                                   reinterpret_cast<const unsigned char*>(bytes.data()),
                                   static_cast<int>(bytes.size()), -1, 0);
    }
    return name;
}

// The DER certificate that authority issues for a DER request; empty when
// OpenSSL refuses.
inline Bytes IssueCertificate(const Bytes& request, const Authority& authority,
                                  const Issue& issue = {}) {
    const unsigned char* p = request.data();
    X509_REQ* req = d2i_X509_REQ(nullptr, &p, static_cast<long>(request.size()));
    Bytes der;
    X509Ptr x = req == nullptr ? X509Ptr(nullptr, X509_free)
                               : detail::Sign(issue.subject != nullptr ? issue.subject
                                                                       : X509_REQ_get_subject_name(req),
                                              issue.publicKey != nullptr ? issue.publicKey
                                                                         : X509_REQ_get0_pubkey(req),
                                              &authority, issue);
    unsigned char* out = nullptr;
    const int length = x ? i2d_X509(x.get(), &out) : 0;
    if (length > 0) der.assign(out, out + length);
    OPENSSL_free(out);
    X509_REQ_free(req);
    return der;
}

// der with the element that starts at offset replaced by element (any
// bytes); the lengths of the elements that hold it follow. der must be DER.
inline Bytes ReplaceElement(const Bytes& der, std::size_t offset, const Bytes& element,
                                std::size_t at = 0) {
    const auto end = [&der](std::size_t from, std::size_t* header) {
        std::size_t length = der[from + 1];
        *header = 2 + (length & 0x80 ? length & 0x7F : 0);
        if (length & 0x80) length = 0;
        for (std::size_t i = 2; i < *header; ++i) length = length << 8 | der[from + i];
        return from + *header + length;
    };
    std::size_t header = 0, childHeader = 0;
    const std::size_t stop = end(at, &header);
    if (at == offset) return element;
    if ((der[at] & 0x20) == 0 || offset < at + header || offset >= stop) {
        return Bytes(der.begin() + static_cast<long>(at), der.begin() + static_cast<long>(stop));
    }
    Bytes contents, out{der[at]};
    for (std::size_t child = at + header; child < stop; child = end(child, &childHeader)) {
        const Bytes part = ReplaceElement(der, offset, element, child);
        contents.insert(contents.end(), part.begin(), part.end());
    }
    Bytes digits;
    for (std::size_t n = contents.size(); n != 0 && contents.size() >= 0x80; n >>= 8) {
        digits.insert(digits.begin(), static_cast<std::uint8_t>(n));
    }
    if (!digits.empty()) out.push_back(static_cast<std::uint8_t>(0x80 | digits.size()));
    out.insert(out.end(), digits.begin(), digits.end());
    if (digits.empty()) out.push_back(static_cast<std::uint8_t>(contents.size()));
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

// "" when OpenSSL reads der[0..size) whole as the same certificate as
// parsed: version, serial number, signature algorithm and value, issuer and
// subject attribute by attribute, dates (fields, and seconds since 1970 by
// OpenSSL's own count), RSA key, number of extensions. Else what differs.
inline std::string CompareWithOpenSsl(const cerrojo::ParsedCertificate& parsed,
                                      const std::uint8_t* der, std::size_t size) {
    const unsigned char* p = der;
    X509Ptr x(d2i_X509(nullptr, &p, static_cast<long>(size)), X509_free);
    if (!x || p != der + size) return "OpenSSL does not read it whole";
    const auto same = [](const std::uint8_t* ours, std::size_t length, const void* theirs,
                         std::size_t theirLength) {
        return length == theirLength && (length == 0 || std::memcmp(ours, theirs, length) == 0);
    };
    const auto string = [&same](const std::uint8_t* ours, std::size_t length, const ASN1_STRING* s) {
        return same(ours, length, ASN1_STRING_get0_data(s), ASN1_STRING_length(s));
    };
    const auto oid = [&same](const std::uint8_t* ours, std::size_t length, const ASN1_OBJECT* o) {
        return same(ours, length, OBJ_get0_data(o), OBJ_length(o));
    };
    const auto name = [&](const cerrojo::DerName& ours, const X509_NAME* theirs) {
        bool equal = X509_NAME_entry_count(theirs) == static_cast<int>(ours.count);
        for (std::uint32_t i = 0; equal && i < ours.count; ++i) {
            const cerrojo::DerNameAttribute& a = ours.attributes[i];
            const X509_NAME_ENTRY* entry = X509_NAME_get_entry(theirs, static_cast<int>(i));
            const ASN1_STRING* value = X509_NAME_ENTRY_get_data(entry);
            const std::uint32_t skip = a.value.identifier == 0x03 ? 1 : 0;  // OpenSSL drops it
            equal = oid(a.type, a.typeLength, X509_NAME_ENTRY_get_object(entry)) &&
                    string(a.value.data + skip, a.value.length - skip, value) &&
                    ASN1_STRING_type(value) == a.value.identifier &&
                    X509_NAME_ENTRY_set(entry) == static_cast<int>(a.rdn);
        }
        return equal;
    };
    const auto time = [](const cerrojo::DerTime& ours, const ASN1_TIME* t) {
        struct tm tm {};
        ASN1_TIME* epoch = ASN1_TIME_new();
        int days = 0, seconds = 0;
        const bool equal = ASN1_TIME_to_tm(t, &tm) == 1 && tm.tm_year + 1900 == ours.year &&
                           tm.tm_mon + 1 == ours.month && tm.tm_mday == ours.day &&
                           tm.tm_hour == ours.hour && tm.tm_min == ours.minute &&
                           tm.tm_sec == ours.second && ASN1_TIME_set_string(epoch, "700101000000Z") &&
                           ASN1_TIME_diff(&days, &seconds, epoch, t) &&
                           std::int64_t{days} * 86400 + seconds == ours.seconds;
        ASN1_TIME_free(epoch);
        return equal;
    };
    EVP_PKEY* key = X509_get0_pubkey(x.get());
    const auto number = [key, &same](const char* which, const std::uint8_t* field) {
        BIGNUM* value = nullptr;
        unsigned char bytes[256];
        const bool equal = EVP_PKEY_get_bn_param(key, which, &value) == 1 &&
                           BN_bn2binpad(value, bytes, 256) == 256 && same(field, 256, bytes, 256);
        BN_free(value);
        return equal;
    };
    const ASN1_BIT_STRING* signature = nullptr;
    const X509_ALGOR* algorithm = nullptr;
    const ASN1_OBJECT* algorithmOid = nullptr;
    X509_get0_signature(&signature, &algorithm, x.get());
    X509_ALGOR_get0(&algorithmOid, nullptr, nullptr, algorithm);
    const ASN1_INTEGER* serial = X509_get0_serialNumber(x.get());
    const cerrojo::RsaPublicKey& k = parsed.publicKey;
    const std::pair<bool, const char*> checks[] = {
        {X509_get_version(x.get()) == 2, "version"},
        {ASN1_STRING_type(serial) == V_ASN1_INTEGER &&
             string(parsed.serial, parsed.serialLength, serial), "serial number"},
        {oid(parsed.signatureOid, parsed.signatureOidLength, algorithmOid), "signature algorithm"},
        {string(parsed.signature, parsed.signatureLength, signature), "signature"},
        {name(parsed.issuer, X509_get_issuer_name(x.get())), "issuer"},
        {name(parsed.subject, X509_get_subject_name(x.get())), "subject"},
        {time(parsed.notBefore, X509_get0_notBefore(x.get())), "notBefore"},
        {time(parsed.notAfter, X509_get0_notAfter(x.get())), "notAfter"},
        {key != nullptr && EVP_PKEY_get_base_id(key) == EVP_PKEY_RSA && EVP_PKEY_get_bits(key) == k.bits &&
             number(OSSL_PKEY_PARAM_RSA_N, k.modulus) && number(OSSL_PKEY_PARAM_RSA_E, k.publicExponent),
         "public key"},
        {X509_get_ext_count(x.get()) == static_cast<int>(parsed.extensionCount), "extensions"},
    };
    for (const auto& [equal, what] : checks) {
        if (!equal) return std::string("OpenSSL reads another ") + what;
    }
    return "";
}

}  // namespace testsupport
