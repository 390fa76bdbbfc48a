// The PKCS#10 reader and signature check: requests written by Cerrojo's
// builder and by OpenSSL read back field for field and verify; damage of any
// kind is refused, and OpenSSL agrees with every verdict on flipped files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "crypto/digest.h"
#include "der/reader.h"
#include "der/request.h"
#include "der/request_reader.h"
#include "support/openssl_files.h"
#include "support/sample_request.h"
#include "support/test_keys.h"
#include "support/testdata.h"
#include "support/x509_certificates.h"

namespace {

using testsupport::Bytes;

Bytes CerrojoRequest(const dertest::KeyPair& key, cerrojo::AlgorithmId algorithm,
                     dertest::SampleSlots& slots) {
    Bytes output(4096);
    std::uint32_t length = static_cast<std::uint32_t>(output.size());
    EXPECT_EQ(cerrojo::MakeCertificationRequest(output.data(), &length, algorithm, slots.name,
                                                &key.publicKey, &key.privateKey, slots.attributes),
              cerrojo::kRequestOk);
    output.resize(length);
    return output;
}

// Parses an exact-size heap copy, so that a read past the end is caught.
int Parse(const Bytes& file, cerrojo::ParsedRequest* request, Bytes* storage) {
    *storage = file;
    storage->shrink_to_fit();
    return cerrojo::ParseCertificationRequest(storage->empty() ? nullptr : storage->data(),
                                              static_cast<std::uint32_t>(storage->size()), request);
}

// Parsed and verified.
bool Accepted(const Bytes& file) {
    cerrojo::ParsedRequest request;
    Bytes storage;
    return Parse(file, &request, &storage) == 0 && cerrojo::VerifyRequestSignature(&request) == 0;
}

std::string Text(const cerrojo::DerValue& value) {
    return value.data == nullptr
               ? "<absent>"
               : std::string(reinterpret_cast<const char*>(value.data), value.length);
}

TEST(RequestReader, CerrojoRequestsReadBackFieldForField) {
    for (int bits : {1023, 1024, 2048}) {
        const dertest::KeyPair& key = dertest::TestKey(bits);
        for (cerrojo::AlgorithmId algorithm : {101u, 102u, 103u, 111u}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, algorithm " + std::to_string(algorithm));
            dertest::SampleSlots slots;
            const Bytes file = CerrojoRequest(key, algorithm, slots);
            cerrojo::ParsedRequest request;
            Bytes storage;
            ASSERT_EQ(Parse(file, &request, &storage), 0);
            EXPECT_EQ(cerrojo::VerifyRequestSignature(&request), 0);

            // The request info is the bytes after the outer header, as signed.
            EXPECT_EQ(request.info, storage.data() + 4);
            EXPECT_EQ(request.infoLength, 4u + (file[6] << 8 | file[7]));
            EXPECT_EQ(request.signatureAlgorithm, algorithm);
            EXPECT_EQ(request.signatureLength, (bits + 7u) / 8u);
            EXPECT_EQ(request.signature + request.signatureLength, storage.data() + storage.size());
            EXPECT_EQ(request.publicKey.bits, key.publicKey.bits);
            EXPECT_EQ(0, std::memcmp(request.publicKey.modulus, key.publicKey.modulus, 256));
            EXPECT_EQ(0, std::memcmp(request.publicKey.publicExponent, key.publicKey.publicExponent,
                                     256));

            EXPECT_EQ(Text(request.subject[0]), slots.organization);
            EXPECT_EQ(Text(request.subject[2]), slots.commonName);
            EXPECT_EQ(Text(request.subject[4]), slots.street);
            EXPECT_EQ(Text(request.subject[5]), slots.postalCode);
            EXPECT_EQ(Text(request.subject[6]), slots.country);
            EXPECT_EQ(Text(request.subject[7]), slots.state);
            EXPECT_EQ(Text(request.subject[8]), slots.locality);
            EXPECT_EQ(request.subject[7].identifier, cerrojo::kDerIdPrintableString);
            EXPECT_EQ(request.subject[9].identifier, cerrojo::kDerIdBitString);
            EXPECT_EQ(Text(request.subject[9]), std::string(1, '\0') + slots.uniqueId);
            EXPECT_EQ(Text(request.subject[1]), "<absent>");
            EXPECT_EQ(Text(request.attributes[0]), slots.email);
            EXPECT_EQ(request.attributes[0].identifier, cerrojo::kDerIdIa5String);
            EXPECT_EQ(Text(request.attributes[1]), slots.challenge);
            EXPECT_EQ(Text(request.attributes[2]), slots.kind);
        }
    }
}

TEST(RequestReader, AttributeBlockAbsentOrEmpty) {
    const dertest::KeyPair& key = dertest::TestKey(1024);
    dertest::SampleSlots slots(false, false);
    const Bytes file = CerrojoRequest(key, 103, slots);
    cerrojo::ParsedRequest request;
    Bytes storage;
    ASSERT_EQ(Parse(file, &request, &storage), 0);
    EXPECT_EQ(cerrojo::VerifyRequestSignature(&request), 0);
    for (const cerrojo::DerValue& value : request.attributes) EXPECT_EQ(value.data, nullptr);
    EXPECT_EQ(request.subject[0].data, nullptr);
}

TEST(RequestReader, OpenSslRequestsReadBackAndVerify) {
    const dertest::KeyPair& key = dertest::TestKey(2048);
    const dertest::Pkey pkey = dertest::ToOpenSsl(key.privateKey);
    const dertest::OpenSslSubject subject;
    for (const auto& [md, algorithm] : {std::pair{EVP_md5(), 103u}, std::pair{EVP_sha1(), 111u}}) {
        const Bytes file = dertest::OpenSslRequest(pkey.get(), md, subject);
        cerrojo::ParsedRequest request;
        Bytes storage;
        ASSERT_EQ(Parse(file, &request, &storage), 0);
        EXPECT_EQ(request.signatureAlgorithm, algorithm);
        EXPECT_EQ(cerrojo::VerifyRequestSignature(&request), 0);
        EXPECT_EQ(0, std::memcmp(request.publicKey.modulus, key.publicKey.modulus, 256));
        EXPECT_EQ(request.publicKey.bits, 2048);
        EXPECT_EQ(request.subject[2].identifier, cerrojo::kDerIdUtf8String);
        EXPECT_EQ(Text(request.subject[2]), subject.commonName);
        EXPECT_EQ(Text(request.subject[11]), subject.email);
        EXPECT_EQ(Text(request.subject[7]), subject.state);
    }

    // A digest the reader does not know is read, but not verified.
    const Bytes sha384 = dertest::OpenSslRequest(pkey.get(), EVP_sha384(), subject);
    cerrojo::ParsedRequest request;
    Bytes storage;
    ASSERT_EQ(Parse(sha384, &request, &storage), 0);
    EXPECT_EQ(request.signatureAlgorithm, 0u);
    EXPECT_EQ(request.signatureOidLength, 9u);
    EXPECT_EQ(cerrojo::VerifyRequestSignature(&request), cerrojo::StatusDerUnsupported);
}

TEST(RequestReader, ModulusLargerThanTheRecordIsRefused) {
    // 2,056 bits: one byte more than the 256-byte modulus field.
    const dertest::Pkey pkey = dertest::GenerateOpenSslKey(2056);
    ASSERT_NE(pkey, nullptr);
    const Bytes file = dertest::OpenSslRequest(pkey.get(), EVP_sha1());
    ASSERT_TRUE(dertest::OpenSslVerifies(file));
    cerrojo::ParsedRequest request;
    Bytes storage;
    EXPECT_EQ(Parse(file, &request, &storage), cerrojo::StatusDerTooLarge);
}

TEST(RequestReader, FlippedSignatureOrContentsFailTheCheck) {
    dertest::SampleSlots slots;
    const Bytes file = CerrojoRequest(dertest::TestKey(1024), 103, slots);
    ASSERT_TRUE(Accepted(file));
    cerrojo::ParsedRequest request;
    Bytes storage;

    Bytes badSignature = file;
    badSignature[badSignature.size() - 20] ^= 0x01;
    ASSERT_EQ(Parse(badSignature, &request, &storage), 0);
    EXPECT_EQ(cerrojo::VerifyRequestSignature(&request), cerrojo::StatusBadData);

    Bytes badName = file;
    const std::size_t at = std::string(file.begin(), file.end()).find("TOLUCA");
    ASSERT_NE(at, std::string::npos);
    badName[at] = 'X';
    ASSERT_EQ(Parse(badName, &request, &storage), 0);
    EXPECT_EQ(cerrojo::VerifyRequestSignature(&request), cerrojo::StatusBadData);

    // md5WithRSAEncryption relabelled sha1WithRSAEncryption.
    Bytes relabelled = file;
    const std::size_t oid = relabelled.size() - (4 + 128) - 15 + 12;
    ASSERT_EQ(relabelled[oid], 0x04);
    relabelled[oid] = 0x05;
    ASSERT_EQ(Parse(relabelled, &request, &storage), 0);
    EXPECT_EQ(request.signatureAlgorithm, 111u);
    EXPECT_EQ(cerrojo::VerifyRequestSignature(&request), cerrojo::StatusBadData);
}

// Blocks signed with the request's own key around what is not exactly the
// DigestInfo of its info: only the whole DigestInfo, alone after the padding,
// verifies.
TEST(RequestReader, OnlyTheWholeDigestInfoVerifies) {
    const dertest::KeyPair& key = dertest::TestKey(1024);
    dertest::SampleSlots slots;
    const Bytes file = CerrojoRequest(key, 103, slots);
    cerrojo::ParsedRequest request;
    Bytes storage;
    ASSERT_EQ(Parse(file, &request, &storage), 0);
    std::uint8_t md5[16], sha1[20];
    std::uint32_t length = 0;
    ASSERT_EQ(cerrojo::ComputeDigest(md5, &length, request.info, request.infoLength, 5), 0);
    ASSERT_EQ(cerrojo::ComputeDigest(sha1, &length, request.info, request.infoLength, 6), 0);
    const Bytes md5Info =
        testsupport::FromHex("30 20 30 0C 06 08 2A 86 48 86 F7 0D 02 05 05 00 04 10");
    const auto with = [](Bytes head, const std::uint8_t* digest, std::size_t size, Bytes tail) {
        head.insert(head.end(), digest, digest + size);
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const auto verifies = [&](const Bytes& data) {
        Bytes block(128, 0xFF);
        block[0] = 0x00;
        block[1] = 0x01;
        block[127 - data.size()] = 0x00;
        std::copy(data.begin(), data.end(), block.end() - static_cast<long>(data.size()));
        Bytes signature(128);
        std::uint32_t signatureLength = 0;
        EXPECT_EQ(cerrojo::RsaPrivateBlock(signature.data(), &signatureLength, block.data(), 128,
                                           &key.privateKey),
                  0);
        cerrojo::ParsedRequest forged = request;
        forged.signature = signature.data();
        return cerrojo::VerifyRequestSignature(&forged) == 0;
    };
    ASSERT_TRUE(verifies(with(md5Info, md5, 16, {})));
    EXPECT_FALSE(verifies(with(md5Info, md5, 16, {0x00})));  // a byte after it
    EXPECT_FALSE(verifies(Bytes(md5, md5 + 16)));            // the digest alone
    EXPECT_FALSE(
        verifies(with(testsupport::FromHex("30 1E 30 0A 06 08 2A 86 48 86 F7 0D 02 05 04 10"), md5,
                      16, {})));  // parameters absent
    EXPECT_FALSE(verifies(
        with(testsupport::FromHex("30 81 20 30 0C 06 08 2A 86 48 86 F7 0D 02 05 05 00 04 10"), md5,
             16, {})));  // a length not in its shortest form
    EXPECT_FALSE(verifies(with(testsupport::FromHex("30 21 30 09 06 05 2B 0E 03 02 1A 05 00 04 14"),
                               sha1, 20, {})));  // SHA-1 inside an md5WithRSAEncryption request
}

// Random changes of one byte: never accepted, never a crash. OpenSSL agrees,
// except for the parameters of the signature algorithm, which the signature
// does not cover and which it does not look at: a changed NULL there is a
// damaged file to us.
TEST(RequestReader, RandomFlipsAreNeverAccepted) {
    dertest::SampleSlots slots(true, false);
    const dertest::KeyPair& key = dertest::TestKey(1024);
    for (cerrojo::AlgorithmId algorithm : {103u, 111u}) {
        const Bytes file = CerrojoRequest(key, algorithm, slots);
        ASSERT_TRUE(Accepted(file));
        ASSERT_TRUE(dertest::OpenSslVerifies(file));
        // ... 30 0D 06 09 <oid> 05 00 03 81 81 00 <128 signature bytes>
        const std::size_t nullTag = file.size() - (4 + 128) - 2;
        ASSERT_EQ(file[nullTag], 0x05);
        std::mt19937 random(algorithm);
        const int rounds = testsupport::Scaled(1000, 200);
        for (int round = 0; round < rounds; ++round) {
            Bytes flipped = file;
            const std::size_t at = random() % flipped.size();
            flipped[at] ^= static_cast<std::uint8_t>(1 + random() % 255);
            EXPECT_FALSE(Accepted(flipped)) << "byte " << at;
            if (at != nullTag && at != nullTag + 1) {
                EXPECT_FALSE(dertest::OpenSslVerifies(flipped)) << "byte " << at;
            }
        }
    }
}

// A name value must be a string whose bytes fit its type; OpenSSL refuses the
// same files, except where the reader is the stricter one (a SEQUENCE, a BIT
// STRING outside x500UniqueIdentifier, IA5String and NumericString
// alphabets). PrintableString's alphabet is not enforced: the writer copies
// Windows-1252 text there ('\\' in every name with a representative), and
// OpenSSL reads such requests too.
TEST(RequestReader, NameValuesAreStringsThatFitTheirType) {
    struct Case {
        const char* label;
        const char* value;  // the element that replaces the state's PrintableString
        int status;
        bool openSslReads;
    };
    const int unexpected = cerrojo::StatusDerUnexpected, bad = cerrojo::StatusDerBadValue;
    const Case cases[] = {
        {"PrintableString as the writer fills it", "13 06 C9 40 5C 3B 23 26", 0, true},
        {"UTF8String", "0C 02 C3 89", 0, true},
        {"BMPString", "1E 04 00 C9 20 AC", 0, true},
        {"UniversalString", "1C 04 00 01 F6 00", 0, true},
        {"IA5String", "16 03 61 40 62", 0, true},
        {"OCTET STRING", "04 01 41", unexpected, false},
        {"NULL", "05 00", unexpected, false},
        {"[0]", "80 01 41", unexpected, false},
        {"VisibleString", "1A 01 41", unexpected, false},
        {"SEQUENCE", "30 00", unexpected, true},
        {"BIT STRING", "03 02 00 41", unexpected, true},
        {"UTF8String with a Windows-1252 byte", "0C 01 C9", bad, false},
        {"UTF8String in an overlong form", "0C 02 C0 80", bad, false},
        {"UTF8String with a surrogate", "0C 03 ED A0 80", bad, false},
        {"UTF8String cut inside a character", "0C 01 C3", bad, false},
        {"BMPString of odd length", "1E 03 00 41 00", bad, false},
        {"BMPString with a surrogate", "1E 02 D8 00", bad, false},
        {"UniversalString not a multiple of 4", "1C 06 00 00 00 41 00 00", bad, false},
        {"IA5String with a byte above 7F", "16 01 C9", bad, true},
        {"NumericString with a letter", "12 02 31 41", bad, true},
    };
    dertest::SampleSlots slots(true, false);
    const Bytes file = CerrojoRequest(dertest::TestKey(1024), 103, slots);
    const std::string text(file.begin(), file.end());
    const std::size_t state = text.find("\x13\x0E" + slots.state);
    ASSERT_NE(state, std::string::npos);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const Bytes changed = testsupport::ReplaceElement(file, state, testsupport::FromHex(c.value));
        const unsigned char* p = changed.data();
        X509_REQ* req = d2i_X509_REQ(nullptr, &p, static_cast<long>(changed.size()));
        EXPECT_EQ(req != nullptr && p == changed.data() + changed.size(), c.openSslReads);
        X509_REQ_free(req);
        cerrojo::ParsedRequest request;
        Bytes storage;
        EXPECT_EQ(Parse(changed, &request, &storage), c.status);
    }
}

}  // namespace
