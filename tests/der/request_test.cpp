// Certification requests: byte layout, OpenSSL's reading and the signatures.
#include "der/request.h"

#include <gtest/gtest.h>

#include <openssl/asn1.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <cctype>
#include <string>
#include <vector>

#include "crypto/digest.h"
#include "support/guarded.h"
#include "support/sample_request.h"
#include "support/test_keys.h"
#include "support/testdata.h"

namespace {

using cerrojo::ByteSpan;
using cerrojo::DerBuffer;
using dertest::SampleSlots;
using dertest::TestKey;
using testsupport::Bytes;

using testsupport::NormHex;
using testsupport::UpperHex;

Bytes MakeRequest(cerrojo::AlgorithmId algorithm, const SampleSlots& slots,
                  const dertest::KeyPair& key, int* status = nullptr) {
    std::vector<std::uint8_t> output(4096, 0xEE);
    std::uint32_t length = 4096;
    const int result =
        cerrojo::MakeCertificationRequest(output.data(), &length, algorithm, slots.name,
                                          &key.publicKey, &key.privateKey, slots.attributes);
    if (status != nullptr) *status = result;
    if (result != cerrojo::kRequestOk) {
        EXPECT_EQ(length, 0u);
        return {};
    }
    output.resize(length);
    return output;
}

struct Element {
    int tag;
    int xclass;
    long headerLength;
    long length;
};

// The elements directly inside the constructed value at der[0..].
std::vector<Element> Children(const std::uint8_t* der, long size) {
    std::vector<Element> out;
    const unsigned char* p = der;
    long length = 0;
    int tag = 0, xclass = 0;
    if (ASN1_get_object(&p, &length, &tag, &xclass, size) & 0x80) return out;
    const unsigned char* end = p + length;
    while (p < end) {
        const unsigned char* start = p;
        if (ASN1_get_object(&p, &length, &tag, &xclass, end - p) & 0x80) return {};
        out.push_back({tag, xclass, static_cast<long>(p - start), length});
        p += length;
    }
    return out;
}

struct ParsedRequest {
    X509_REQ* req = nullptr;
    ~ParsedRequest() { X509_REQ_free(req); }
};

// Bytes of the request info inside the request (the signed part).
Bytes RequestInfo(const Bytes& request) {
    std::vector<Element> top = Children(request.data(), static_cast<long>(request.size()));
    EXPECT_EQ(top.size(), 3u);
    if (top.size() != 3) return {};
    const std::size_t outerHeader = request[1] & 0x80 ? 2 + (request[1] & 0x7F) : 2;
    return Bytes(request.begin() + outerHeader,
                 request.begin() + outerHeader + top[0].headerLength + top[0].length);
}

std::string DigestInfoPrefix(cerrojo::AlgorithmId algorithm) {
    switch (algorithm) {
        case 101:
            return NormHex("30 20 30 0C 06 08 2A 86 48 86 F7 0D 02 02 05 00 04 10");
        case 102:
            return NormHex("30 20 30 0C 06 08 2A 86 48 86 F7 0D 02 04 05 00 04 10");
        case 103:
            return NormHex("30 20 30 0C 06 08 2A 86 48 86 F7 0D 02 05 05 00 04 10");
        default:
            return NormHex("30 21 30 09 06 05 2B 0E 03 02 1A 05 00 04 14");
    }
}

std::string AsText(const ASN1_STRING* s) {
    return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(s)),
                       ASN1_STRING_length(s));
}

// The signature, opened with the public key, is a type-1 block around the
// DigestInfo of the request info's digest.
void ExpectSignatureOpens(const Bytes& request, cerrojo::AlgorithmId algorithm,
                          const dertest::KeyPair& key) {
    const std::size_t k = (key.publicKey.bits + 7) / 8;
    ASSERT_GT(request.size(), k);
    const Bytes signature(request.end() - static_cast<long>(k), request.end());
    const Bytes block = dertest::PublicOperation(key.publicKey, signature.data(), k);
    const Bytes info = RequestInfo(request);
    cerrojo::DigestId digestId = algorithm == 101   ? 2
                                 : algorithm == 102 ? 4
                                 : algorithm == 103 ? 5
                                                    : 6;
    std::uint8_t digest[20];
    std::uint32_t digestLength = 0;
    ASSERT_EQ(cerrojo::ComputeDigest(digest, &digestLength, info.data(),
                                     static_cast<std::uint32_t>(info.size()), digestId),
              0);
    const std::string digestInfo = DigestInfoPrefix(algorithm) + UpperHex(digest, digestLength);
    const std::size_t padding = k - 3 - digestInfo.size() / 2;
    EXPECT_EQ(UpperHex(block), "0001" + std::string(padding * 2, 'F') + "00" + digestInfo);
}

TEST(Request, EveryAlgorithmAndKeySizeReadsBackAndVerifies) {
    for (int bits : {508, 1024, 2048}) {
        const dertest::KeyPair& key = TestKey(bits);
        for (cerrojo::AlgorithmId algorithm : {101u, 102u, 103u, 111u}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, algorithm " << algorithm);
            SampleSlots slots;
            const Bytes request = MakeRequest(algorithm, slots, key);
            ASSERT_FALSE(request.empty());

            const unsigned char* p = request.data();
            ParsedRequest parsed;
            parsed.req = d2i_X509_REQ(nullptr, &p, static_cast<long>(request.size()));
            ASSERT_NE(parsed.req, nullptr);
            EXPECT_EQ(p, request.data() + request.size());
            EXPECT_EQ(X509_REQ_get_version(parsed.req), 0);

            EVP_PKEY* pkey = X509_REQ_get0_pubkey(parsed.req);
            ASSERT_NE(pkey, nullptr);
            BIGNUM* n = nullptr;
            ASSERT_EQ(EVP_PKEY_get_bn_param(pkey, OSSL_PKEY_PARAM_RSA_N, &n), 1);
            std::uint8_t modulus[256];
            BN_bn2binpad(n, modulus, 256);
            BN_free(n);
            EXPECT_EQ(UpperHex(modulus, 256), UpperHex(key.publicKey.modulus, 256));

            // OpenSSL 3 verifies MD5 and SHA-1 itself; every algorithm is also
            // checked by opening the signature.
            if (algorithm == 103 || algorithm == 111) {
                EXPECT_EQ(X509_REQ_verify(parsed.req, pkey), 1);
            }
            const X509_ALGOR* sigAlg = nullptr;
            X509_REQ_get0_signature(parsed.req, nullptr, &sigAlg);
            const ASN1_OBJECT* sigOid = nullptr;
            X509_ALGOR_get0(&sigOid, nullptr, nullptr, sigAlg);
            std::uint8_t expectedOid[10];
            std::uint32_t expectedOidLength = 0;
            ASSERT_EQ(cerrojo::GetAlgorithmOid(algorithm, expectedOid, &expectedOidLength), 0);
            EXPECT_EQ(UpperHex(OBJ_get0_data(sigOid), OBJ_length(sigOid)),
                      UpperHex(expectedOid, expectedOidLength));
            ExpectSignatureOpens(request, algorithm, key);

            // Re-encoding the parsed request gives the same bytes.
            unsigned char* again = nullptr;
            const int againLength = i2d_X509_REQ(parsed.req, &again);
            EXPECT_EQ(UpperHex(again, againLength), UpperHex(request));
            OPENSSL_free(again);
        }
    }
}

TEST(Request, SubjectAndAttributesCarryTheBytesAsTheyAre) {
    SampleSlots slots;
    const Bytes request = MakeRequest(103, slots, TestKey(1024));
    const unsigned char* p = request.data();
    ParsedRequest parsed;
    parsed.req = d2i_X509_REQ(nullptr, &p, static_cast<long>(request.size()));
    ASSERT_NE(parsed.req, nullptr);

    const X509_NAME* subject = X509_REQ_get_subject_name(parsed.req);
    const std::pair<int, std::string*> expected[] = {
        {NID_organizationName, &slots.organization}, {NID_commonName, &slots.commonName},
        {NID_streetAddress, &slots.street},          {NID_postalCode, &slots.postalCode},
        {NID_countryName, &slots.country},           {NID_stateOrProvinceName, &slots.state},
        {NID_localityName, &slots.locality},         {NID_x500UniqueIdentifier, &slots.uniqueId},
    };
    ASSERT_EQ(X509_NAME_entry_count(subject), 8);
    for (int i = 0; i < 8; ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(subject, i);
        EXPECT_EQ(OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry)), expected[i].first) << i;
        EXPECT_EQ(AsText(X509_NAME_ENTRY_get_data(entry)), *expected[i].second) << i;
    }

    // Attributes in descending slot order, values as single strings.
    ASSERT_EQ(X509_REQ_get_attr_count(parsed.req), 3);
    const std::pair<const char*, std::string*> attributes[] = {
        {"1.2.840.113549.1.9.9", &slots.kind},
        {"1.2.840.113549.1.9.7", &slots.challenge},
        {"1.2.840.113549.1.9.1", &slots.email},
    };
    for (int i = 0; i < 3; ++i) {
        X509_ATTRIBUTE* attribute = X509_REQ_get_attr(parsed.req, i);
        char oid[64];
        OBJ_obj2txt(oid, sizeof(oid), X509_ATTRIBUTE_get0_object(attribute), 1);
        EXPECT_STREQ(oid, attributes[i].first);
        ASSERT_EQ(X509_ATTRIBUTE_count(attribute), 1);
        const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(attribute, 0);
        EXPECT_EQ(value->type, i == 2 ? V_ASN1_IA5STRING : V_ASN1_PRINTABLESTRING);
        EXPECT_EQ(AsText(value->value.asn1_string), *attributes[i].second);
    }
}

TEST(Request, ByteLayoutFor1024And2048Bits) {
    SampleSlots slots;
    const Bytes request = MakeRequest(103, slots, TestKey(1024));
    ASSERT_GT(request.size(), 300u);
    EXPECT_EQ(UpperHex(request).substr(0, 4), "3082");
    EXPECT_EQ(request.size(), 4u + (request[2] << 8 | request[3]));
    const std::string head = UpperHex(request).substr(8, 14);  // request info header and version
    EXPECT_EQ(head.substr(0, 4), "3082");
    EXPECT_EQ(head.substr(8, 6), "020100");
    EXPECT_EQ(UpperHex(request).substr(22, 2), "30");  // the Name follows
    EXPECT_EQ(UpperHex(request.data() + request.size() - 128 - 19, 19),
              NormHex("30 0D 06 09 2A 86 48 86 F7 0D 01 01 04 05 00 03 81 81 00"));

    const dertest::KeyPair& big = TestKey(2048);
    const Bytes large = MakeRequest(103, slots, big);
    const std::string hex = UpperHex(large);
    const std::string modulusStart = UpperHex(big.publicKey.modulus, 4);
    const std::string spki = NormHex("03 82 01 0F 00 30 82 01 0A 02 82 01 01 00") + modulusStart;
    ASSERT_NE(hex.find(spki), std::string::npos);
    EXPECT_EQ(hex.substr(hex.find(spki) + 2 * (14 + 256), 10), "0203010001");
    EXPECT_EQ(UpperHex(large.data() + large.size() - 256 - 5, 5), NormHex("03 82 01 01 00"));
}

TEST(Request, AttributeBlockLeftOutWhenEmptyOrUnencodable) {
    const dertest::KeyPair& key = TestKey(1024);
    SampleSlots none(false);
    SampleSlots slot24;
    slot24.attributes[24] = slot24.attributes[0];  // no entry: the whole block goes
    for (SampleSlots* slots : {&none, &slot24}) {
        const Bytes request = MakeRequest(103, *slots, key);
        ASSERT_FALSE(request.empty());
        const Bytes info = RequestInfo(request);
        const std::vector<Element> parts = Children(info.data(), static_cast<long>(info.size()));
        ASSERT_EQ(parts.size(), 3u);  // version, subject, subjectPKInfo; no [0]
        EXPECT_EQ(parts[2].tag, V_ASN1_SEQUENCE);
        const unsigned char* p = request.data();
        ParsedRequest parsed;
        parsed.req = d2i_X509_REQ(nullptr, &p, static_cast<long>(request.size()));
        ASSERT_NE(parsed.req, nullptr);
        EXPECT_LE(X509_REQ_get_attr_count(parsed.req), 0);  // -1: no attribute set at all
        EXPECT_EQ(X509_REQ_verify(parsed.req, X509_REQ_get0_pubkey(parsed.req)), 1);
    }
    SampleSlots with;
    const Bytes info = RequestInfo(MakeRequest(103, with, key));
    const std::vector<Element> parts = Children(info.data(), static_cast<long>(info.size()));
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[3].xclass, V_ASN1_CONTEXT_SPECIFIC);
    EXPECT_EQ(parts[3].tag, 0);
    EXPECT_EQ(info[info.size() - parts[3].length - parts[3].headerLength], 0xA0);
}

TEST(Request, RefusedInputsGive1008) {
    const dertest::KeyPair& key = TestKey(508);
    for (cerrojo::AlgorithmId algorithm : {0u, 3u, 5u, 6u, 100u, 104u, 105u, 112u}) {
        SampleSlots slots;
        int status = 0;
        EXPECT_TRUE(MakeRequest(algorithm, slots, key, &status).empty());
        EXPECT_EQ(status, cerrojo::kRequestBuildFailed) << algorithm;
    }
    for (int slot = 15; slot < 20; ++slot) {
        SampleSlots slots;
        slots.name[slot] = slots.name[2];
        int status = 0;
        MakeRequest(103, slots, key, &status);
        EXPECT_EQ(status, cerrojo::kRequestBuildFailed) << slot;
    }
    // A DigestInfo too long for the modulus (SHA-1 needs 35 + 11 bytes).
    dertest::KeyPair small = key;
    small.privateKey.bits = 300;
    SampleSlots slots;
    int status = 0;
    MakeRequest(111, slots, small, &status);
    EXPECT_EQ(status, cerrojo::kRequestBuildFailed);

    // No private key: never a finished request.
    std::uint8_t output[4096];
    std::uint32_t length = sizeof(output);
    EXPECT_EQ(cerrojo::MakeCertificationRequest(output, &length, 103, slots.name, &key.publicKey,
                                                nullptr, slots.attributes),
              cerrojo::kRequestBuildFailed);
    EXPECT_EQ(length, 0u);
    length = sizeof(output);
    EXPECT_EQ(cerrojo::MakeCertificationRequest(output, &length, 103, slots.name, nullptr,
                                                &key.privateKey, slots.attributes),
              cerrojo::kRequestBuildFailed);
}

TEST(Request, UnsignedInfoWithoutPrivateKey) {
    const dertest::KeyPair& key = TestKey(508);
    SampleSlots slots;
    const Bytes request = MakeRequest(103, slots, key);
    std::vector<std::uint8_t> info(cerrojo::kRequestWorkAreaSize), out(16);
    DerBuffer buffer{};
    const std::uint32_t size =
        cerrojo::BuildCertificationRequest(&buffer, out.data(), 16, 103, slots.name, &key.publicKey,
                                           nullptr, slots.attributes, info.data());
    ASSERT_NE(size, 0u);
    EXPECT_EQ(UpperHex(buffer.data + buffer.start, size), UpperHex(RequestInfo(request)));
}

TEST(Request, StorageShortAtEveryByteFailsInsideTheStorage) {
    const dertest::KeyPair& key = TestKey(508);
    SampleSlots slots;
    const Bytes request = MakeRequest(103, slots, key);
    const Bytes info = RequestInfo(request);
    ASSERT_FALSE(info.empty());

    // The request info, attribute block included: every short size fails.
    for (std::size_t cap = 0; cap <= info.size(); ++cap) {
        dertest::GuardedArea area(cap);
        DerBuffer buffer{};
        cerrojo::DerInit(&buffer, area.data(), static_cast<std::uint32_t>(cap));
        const std::uint32_t size = cerrojo::DerPutRequestInfo(&buffer, 0, slots.name, 100,
                                                              &key.publicKey, slots.attributes);
        EXPECT_EQ(size, cap == info.size() ? info.size() : 0u) << cap;
        EXPECT_TRUE(area.GuardsIntact()) << cap;
    }

    // The whole request, through the builder and through the entry point.
    std::vector<std::uint8_t> infoArea(cerrojo::kRequestWorkAreaSize);
    for (std::size_t cap = 0; cap <= request.size(); ++cap) {
        dertest::GuardedArea area(cap);
        DerBuffer buffer{};
        const std::uint32_t size = cerrojo::BuildCertificationRequest(
            &buffer, area.data(), static_cast<std::uint32_t>(cap), 103, slots.name, &key.publicKey,
            &key.privateKey, slots.attributes, infoArea.data());
        EXPECT_EQ(size, cap == request.size() ? request.size() : 0u) << cap;
        EXPECT_TRUE(area.GuardsIntact()) << cap;

        dertest::GuardedArea output(cap, 0x5A);
        std::uint32_t length = static_cast<std::uint32_t>(cap);
        const int status =
            cerrojo::MakeCertificationRequest(output.data(), &length, 103, slots.name,
                                              &key.publicKey, &key.privateKey, slots.attributes);
        if (cap == request.size()) {
            EXPECT_EQ(status, cerrojo::kRequestOk);
            EXPECT_EQ(UpperHex(output.data(), cap), UpperHex(request));
        } else {
            EXPECT_EQ(status, cerrojo::kRequestBuildFailed) << cap;
            EXPECT_EQ(length, 0u);
            EXPECT_EQ(UpperHex(output.data(), cap), UpperHex(Bytes(cap, 0x5A)));  // untouched
        }
        EXPECT_TRUE(output.GuardsIntact()) << cap;
    }
}

// The DigestInfo of a sha256WithRSAEncryption signature around a digest
// computed elsewhere: RFC 8017's prefix for SHA-256, then the digest.
TEST(Request, DigestInfoOfAComputedSha256Digest) {
    std::uint8_t digest[cerrojo::kSha256Length];
    cerrojo::Sha256Context context;
    cerrojo::Sha256Init(&context);
    cerrojo::Sha256Update(&context, reinterpret_cast<const std::uint8_t*>("abc"), 3);
    cerrojo::Sha256Final(digest, &context);
    std::uint8_t area[64];
    cerrojo::DerBuffer buffer;
    cerrojo::DerInit(&buffer, area, sizeof(area));
    ASSERT_EQ(cerrojo::DerPutDigestInfoOf(&buffer, cerrojo::kAlgSha256, {digest, sizeof(digest)}),
              51u);
    EXPECT_EQ(UpperHex(area + buffer.start, 51),
              NormHex("30 31 30 0D 06 09 60 86 48 01 65 03 04 02 01 05 00 04 20") +
                  UpperHex(digest, sizeof(digest)));
}

}  // namespace
