// DER writer primitives against hand-written encodings.
#include "der/der.h"

#include <gtest/gtest.h>

#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/objects.h>

#include <cctype>
#include <string>
#include <vector>

#include "der/guarded.h"
#include "support/testdata.h"

namespace {

using cerrojo::ByteSpan;
using cerrojo::DerBuffer;
using testsupport::Bytes;
using testsupport::FromHex;

// Upper-case hex, to compare with the encodings written out below.
std::string ToHex(const std::uint8_t* data, std::size_t len) {
    std::string s = testsupport::ToHex(data, len);
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
std::string ToHex(const Bytes& b) {
    return ToHex(b.data(), b.size());
}

Bytes Region(const DerBuffer& b) {
    return Bytes(b.data + b.start, b.data + b.capacity);
}
ByteSpan Span(Bytes& bytes) {
    return ByteSpan{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
}

struct Writer {
    explicit Writer(std::size_t capacity) : area(capacity) {
        cerrojo::DerInit(&buffer, area.data(), static_cast<std::uint32_t>(capacity));
    }
    dertest::GuardedArea area;
    DerBuffer buffer{};
};

TEST(DerBuffer, PrependTakeAndStateRoundTrip) {
    Writer w(8);
    EXPECT_EQ(w.buffer.start, 8u);
    ByteSpan take{nullptr, 100};
    EXPECT_EQ(cerrojo::DerTake(&w.buffer, &take), 0u);  // empty

    Bytes abc = FromHex("41 42 43");
    EXPECT_EQ(cerrojo::DerPrependBytes(&w.buffer, Span(abc)), 3u);
    EXPECT_EQ(cerrojo::DerPrependByte(&w.buffer, 0x30), 1u);
    EXPECT_EQ(cerrojo::DerPrependBytes(&w.buffer, ByteSpan{nullptr, 0}), 0u);  // adds nothing
    EXPECT_EQ(ToHex(Region(w.buffer)), ToHex(FromHex("30 41 42 43")));

    DerBuffer saved{};
    cerrojo::DerSaveState(&w.buffer, &saved);
    EXPECT_EQ(cerrojo::DerPrependByte(&w.buffer, 0x99), 1u);
    cerrojo::DerRestoreState(&w.buffer, &saved);
    EXPECT_EQ(w.buffer.start, 4u);

    take.length = 2;  // partial take from the front of the region
    EXPECT_EQ(cerrojo::DerTake(&w.buffer, &take), 2u);
    EXPECT_EQ(take.data, w.area.data() + 4);
    EXPECT_EQ(ToHex(take.data, take.length), "3041");
    take.length = 8;
    EXPECT_EQ(cerrojo::DerTake(&w.buffer, &take), 2u);
    EXPECT_EQ(ToHex(take.data, take.length), "4243");
    EXPECT_EQ(cerrojo::DerTake(&w.buffer, &take), 0u);  // empty again
    EXPECT_TRUE(w.area.GuardsIntact());
}

TEST(DerBuffer, RunsOutCleanly) {
    Writer w(4);
    Bytes five = FromHex("01 02 03 04 05");
    // Partial copy: the tail of the span stays, start is 0, result 0.
    EXPECT_EQ(cerrojo::DerPrependBytes(&w.buffer, Span(five)), 0u);
    EXPECT_EQ(w.buffer.start, 0u);
    EXPECT_EQ(ToHex(Region(w.buffer)), "02030405");
    EXPECT_EQ(cerrojo::DerPrependByte(&w.buffer, 0xFF), 0u);
    EXPECT_TRUE(w.area.GuardsIntact());

    // One free byte: one byte fits, then nothing; a two-byte header fails.
    Writer one(1);
    EXPECT_EQ(cerrojo::DerPrependByte(&one.buffer, 0xAB), 1u);
    EXPECT_EQ(cerrojo::DerPrependByte(&one.buffer, 0xAB), 0u);
    Writer two(1);
    EXPECT_EQ(cerrojo::DerPutHeader(&two.buffer, 16, 0), 0u);
    EXPECT_EQ(two.buffer.start, 0u);
    EXPECT_TRUE(one.area.GuardsIntact());
    EXPECT_TRUE(two.area.GuardsIntact());

    // No storage at all.
    DerBuffer none{};
    cerrojo::DerInit(&none, nullptr, 0);
    EXPECT_EQ(cerrojo::DerPrependByte(&none, 1), 0u);
    EXPECT_EQ(cerrojo::DerPutTlv(&none, 5, ByteSpan{nullptr, 0}), 0u);
}

TEST(DerHeader, LengthForms) {
    struct Case {
        std::uint32_t tag, length;
        const char* hex;
    } cases[] = {
        {16, 0, "3000"},
        {17, 5, "3105"},
        {4, 127, "047F"},
        {4, 128, "048180"},
        {4, 255, "0481FF"},
        {4, 256, "04820100"},
        {0xA0, 65535, "A082FFFF"},
        {2, 65536, "0283010000"},
        {3, 0x01000000, "038401000000"},
        {19, 0xFFFFFFFF, "1384FFFFFFFF"},
    };
    for (const Case& c : cases) {
        Writer w(8);
        const std::uint32_t size = cerrojo::DerPutHeader(&w.buffer, c.tag, c.length);
        EXPECT_EQ(ToHex(Region(w.buffer)), c.hex) << c.length;
        EXPECT_EQ(size, Region(w.buffer).size());
        // Exactly enough room works; one byte less fails without touching outside.
        Writer exact(size), shorter(size - 1);
        EXPECT_EQ(cerrojo::DerPutHeader(&exact.buffer, c.tag, c.length), size);
        EXPECT_EQ(cerrojo::DerPutHeader(&shorter.buffer, c.tag, c.length), 0u);
        EXPECT_TRUE(shorter.area.GuardsIntact());
    }
}

TEST(DerTlv, PrimitiveStringBitStringNullAndHeaderOnlyTags) {
    // Primitive: contents, then header; lengths around the one-byte boundary.
    for (std::uint32_t n : {0u, 1u, 127u, 128u, 255u, 256u, 65536u}) {
        Bytes contents(n, 0x5A);
        Writer w(n + 8);
        const std::uint32_t size = cerrojo::DerPutTlv(&w.buffer, 19, Span(contents));
        Bytes out = Region(w.buffer);
        ASSERT_EQ(size, out.size());
        // OpenSSL must read the same string back.
        const unsigned char* p = out.data();
        ASN1_PRINTABLESTRING* s =
            d2i_ASN1_PRINTABLESTRING(nullptr, &p, static_cast<long>(out.size()));
        ASSERT_NE(s, nullptr) << n;
        EXPECT_EQ(static_cast<std::uint32_t>(ASN1_STRING_length(s)), n);
        EXPECT_EQ(p, out.data() + out.size());
        ASN1_STRING_free(s);
        Writer shorter(size - 1);
        EXPECT_EQ(cerrojo::DerPutTlv(&shorter.buffer, 19, Span(contents)), 0u);
        EXPECT_TRUE(shorter.area.GuardsIntact());
    }

    Writer null(2);
    EXPECT_EQ(cerrojo::DerPutTlv(&null.buffer, 5, ByteSpan{nullptr, 0}), 2u);
    EXPECT_EQ(ToHex(Region(null.buffer)), "0500");

    // BIT STRING: bytes already written; tag 3 adds the initial octet 00.
    Writer bits(16);
    Bytes raw = FromHex("A1 B2 C3");
    ASSERT_EQ(cerrojo::DerPrependBytes(&bits.buffer, Span(raw)), 3u);
    EXPECT_EQ(cerrojo::DerPutTlv(&bits.buffer, 3, ByteSpan{nullptr, 3}), 3u);
    EXPECT_EQ(ToHex(Region(bits.buffer)), "030400A1B2C3");
    Writer longBits(300);
    Bytes raw200(200, 0x11);
    ASSERT_EQ(cerrojo::DerPrependBytes(&longBits.buffer, Span(raw200)), 200u);
    EXPECT_EQ(cerrojo::DerPutTlv(&longBits.buffer, 3, ByteSpan{nullptr, 200}), 4u);
    EXPECT_EQ(ToHex(Region(longBits.buffer)).substr(0, 10), "0381C90011");

    // SEQUENCE, SET, INTEGER: header only, the span's pointer is not used.
    Writer seq(8);
    EXPECT_EQ(cerrojo::DerPutTlv(&seq.buffer, 16, ByteSpan{nullptr, 300}), 4u);
    EXPECT_EQ(cerrojo::DerPutTlv(&seq.buffer, 17, ByteSpan{nullptr, 4}), 2u);
    EXPECT_EQ(ToHex(Region(seq.buffer)), "31043082012C");
}

TEST(DerInteger, MinimalFormAndSignByte) {
    struct Case {
        const char* field;
        int asIs;
        const char* expected;
    } cases[] = {
        {"00 00 00", 0, "020100"},          {"00", 1, "020100"},
        {"00 00 7F", 0, "02017F"},          {"00 00 80", 0, "02020080"},
        {"00 00 80", 1, "020180"},  // asIs never adds the sign byte
        {"00 01 00 01", 1, "0203010001"},   {"FF FF", 0, "020300FFFF"},
        {"01 00 00 00", 0, "020401000000"},
    };
    for (const Case& c : cases) {
        Bytes field = FromHex(c.field);
        Writer w(16);
        const std::uint32_t size = cerrojo::DerPutInteger(&w.buffer, Span(field), c.asIs);
        EXPECT_EQ(ToHex(Region(w.buffer)), c.expected) << c.field;
        EXPECT_EQ(size, Region(w.buffer).size());
    }

    // A 256-byte all-zero field gives 02 01 00; e = 65537 in a 256-byte field.
    Bytes zero(256, 0);
    Writer wz(16);
    EXPECT_EQ(cerrojo::DerPutInteger(&wz.buffer, Span(zero), 0), 3u);
    EXPECT_EQ(ToHex(Region(wz.buffer)), "020100");
    Bytes e(256, 0);
    e[253] = 1, e[255] = 1;
    Writer we(16);
    EXPECT_EQ(cerrojo::DerPutInteger(&we.buffer, Span(e), 1), 5u);
    EXPECT_EQ(ToHex(Region(we.buffer)), "0203010001");

    // A 128-byte magnitude starting with 80: sign byte with asIs 0, none with asIs set.
    Bytes big(128, 0x33);
    big[0] = 0x80;
    Writer ws(200), wa(200);
    EXPECT_EQ(cerrojo::DerPutInteger(&ws.buffer, Span(big), 0), 132u);
    EXPECT_EQ(ToHex(Region(ws.buffer)).substr(0, 12), "028181008033");
    EXPECT_EQ(cerrojo::DerPutInteger(&wa.buffer, Span(big), 1), 131u);
    EXPECT_EQ(ToHex(Region(wa.buffer)).substr(0, 10), "0281808033");

    // OpenSSL reads the signed form as the same positive number.
    Bytes out = Region(ws.buffer);
    const unsigned char* p = out.data();
    ASN1_INTEGER* i = d2i_ASN1_INTEGER(nullptr, &p, static_cast<long>(out.size()));
    ASSERT_NE(i, nullptr);
    BIGNUM* bn = ASN1_INTEGER_to_BN(i, nullptr);
    EXPECT_FALSE(BN_is_negative(bn));
    EXPECT_EQ(BN_num_bytes(bn), 128);
    BN_free(bn);
    ASN1_INTEGER_free(i);

    // Storage one byte short at every size: fails, never writes outside.
    for (std::uint32_t cap = 0; cap < 132; ++cap) {
        Writer w(cap);
        EXPECT_EQ(cerrojo::DerPutInteger(&w.buffer, Span(big), 0), 0u) << cap;
        EXPECT_TRUE(w.area.GuardsIntact());
    }
    // An empty span is refused.
    Writer empty(8);
    EXPECT_EQ(cerrojo::DerPutInteger(&empty.buffer, ByteSpan{big.data(), 0}, 0), 0u);
    EXPECT_EQ(empty.buffer.start, 8u);
}

TEST(DerAlgorithm, EveryTableEntryAgainstItsDottedForm) {
    const std::pair<cerrojo::AlgorithmId, const char*> table[] = {
        {2, "1.2.840.113549.2.2"},
        {4, "1.2.840.113549.2.4"},
        {5, "1.2.840.113549.2.5"},
        {6, "1.3.14.3.2.26"},
        {100, "1.2.840.113549.1.1.1"},
        {101, "1.2.840.113549.1.1.2"},
        {102, "1.2.840.113549.1.1.3"},
        {103, "1.2.840.113549.1.1.4"},
        {104, "1.2.840.113549.1.5.1"},
        {105, "1.2.840.113549.1.5.3"},
        {106, "1.3.14.3.2.7"},
        {107, "1.2.840.113549.3.4"},
        {108, "1.2.840.113549.1.12.1.6"},
        {109, "1.2.840.113549.1.12.1.5"},
        {110, "1.2.840.113549.1.12.1.3"},
        {111, "1.2.840.113549.1.1.5"},
        {112, "1.2.840.113549.3.7"},
        {113, "1.2.840.113549.1.1.11"},
    };
    for (const auto& [id, dotted] : table) {
        // Independent truth: OpenSSL's encoding of the dotted form.
        ASN1_OBJECT* object = OBJ_txt2obj(dotted, 1);
        ASSERT_NE(object, nullptr);
        const unsigned char* octets = OBJ_get0_data(object);
        const std::size_t octetsLength = OBJ_length(object);

        std::uint8_t got[10];
        std::uint32_t gotLength = 0;
        ASSERT_EQ(cerrojo::GetAlgorithmOid(id, got, &gotLength), 0) << id;
        EXPECT_EQ(ToHex(got, gotLength), ToHex(octets, octetsLength)) << id;

        Writer w(32);
        const std::uint32_t size = cerrojo::DerPutAlgorithmIdentifier(&w.buffer, id);
        const std::string expected = "30" +
                                     ToHex(Bytes{static_cast<std::uint8_t>(octetsLength + 4)}) +
                                     "06" + ToHex(Bytes{static_cast<std::uint8_t>(octetsLength)}) +
                                     ToHex(octets, octetsLength) + "0500";
        EXPECT_EQ(ToHex(Region(w.buffer)), expected) << id;
        EXPECT_EQ(size, octetsLength + 6);
        for (std::uint32_t cap = 0; cap < size; ++cap) {
            Writer shorter(cap);
            EXPECT_EQ(cerrojo::DerPutAlgorithmIdentifier(&shorter.buffer, id), 0u);
            EXPECT_TRUE(shorter.area.GuardsIntact());
        }
        ASN1_OBJECT_free(object);
    }

    Writer md5rsa(32), sha1(32);
    cerrojo::DerPutAlgorithmIdentifier(&md5rsa.buffer, 103);
    EXPECT_EQ(ToHex(Region(md5rsa.buffer)), "300D06092A864886F70D0101040500");
    cerrojo::DerPutAlgorithmIdentifier(&sha1.buffer, 6);
    EXPECT_EQ(ToHex(Region(sha1.buffer)), "300906052B0E03021A0500");

    for (cerrojo::AlgorithmId missing : {0u, 1u, 3u, 7u, 99u, 114u, 0xFFFFFFFFu}) {
        std::uint8_t got[10] = {};
        std::uint32_t gotLength = 77;
        EXPECT_NE(cerrojo::GetAlgorithmOid(missing, got, &gotLength), 0) << missing;
        EXPECT_EQ(gotLength, 77u);
        Writer w(32);
        EXPECT_EQ(cerrojo::DerPutAlgorithmIdentifier(&w.buffer, missing), 0u) << missing;
        EXPECT_EQ(w.buffer.start, 32u);  // nothing written
    }
}

}  // namespace
