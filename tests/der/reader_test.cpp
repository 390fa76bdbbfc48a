// The strict DER reader: length and tag forms, bounds, depth, trailing bytes,
// contents rules, numbers into fixed fields, and the algorithm table read
// backwards. Every input is copied into a heap block of exactly its size, so
// a read one byte past the end is caught by the sanitizer build.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "der/der.h"
#include "der/reader.h"
#include "support/testdata.h"

namespace {

using testsupport::Bytes;
using testsupport::FromHex;

// DerValidate over an exact-size heap copy.
int Validate(const Bytes& bytes) {
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return cerrojo::DerValidate(bytes.empty() ? nullptr : copy.get(),
                                static_cast<std::uint32_t>(bytes.size()));
}

int ValidateHex(const char* hex) {
    return Validate(FromHex(hex));
}

cerrojo::DerElement Element(std::uint8_t identifier, const Bytes& contents) {
    return cerrojo::DerElement{
        identifier, contents.data(), static_cast<std::uint32_t>(contents.size()), nullptr, 0, 1};
}

// Nested SEQUENCEs, levels deep, around an empty innermost one.
Bytes Nested(int levels) {
    Bytes out = {0x30, 0x00};
    for (int i = 1; i < levels; ++i) {
        Bytes outer = {0x30};
        const std::size_t n = out.size();
        if (n < 128) {
            outer.push_back(static_cast<std::uint8_t>(n));
        } else {
            outer.insert(outer.end(),
                         {0x82, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
        }
        outer.insert(outer.end(), out.begin(), out.end());
        out.swap(outer);
    }
    return out;
}

TEST(DerReader, LengthsInTheirShortestFormOnly) {
    Bytes long128 = FromHex("04 81 80");
    long128.resize(3 + 128, 0x41);
    EXPECT_EQ(Validate(long128), 0);
    Bytes long256 = FromHex("04 82 01 00");
    long256.resize(4 + 256, 0x41);
    EXPECT_EQ(Validate(long256), 0);

    EXPECT_EQ(ValidateHex("30 80 00 00"), cerrojo::StatusDerBadLength);     // indefinite
    EXPECT_EQ(ValidateHex("04 81 01 41"), cerrojo::StatusDerBadLength);     // fits the short form
    EXPECT_EQ(ValidateHex("04 82 00 01 41"), cerrojo::StatusDerBadLength);  // leading zero byte
    EXPECT_EQ(ValidateHex("04 85 00 00 00 00 01 41"), cerrojo::StatusDerBadLength);
    EXPECT_EQ(ValidateHex("04 FF"), cerrojo::StatusDerBadLength);
    EXPECT_EQ(ValidateHex("04 84 FF FF FF FF 00"), cerrojo::StatusDerTruncated);
}

TEST(DerReader, NothingIsReadPastTheEnd) {
    EXPECT_EQ(Validate({}), cerrojo::StatusDerTruncated);
    EXPECT_EQ(ValidateHex("30"), cerrojo::StatusDerTruncated);
    EXPECT_EQ(ValidateHex("04 82 01"), cerrojo::StatusDerTruncated);
    EXPECT_EQ(ValidateHex("04 03 41 41"), cerrojo::StatusDerTruncated);
    // An inner element longer than the SEQUENCE that holds it.
    EXPECT_EQ(ValidateHex("30 05 04 04 41 41 41"), cerrojo::StatusDerTruncated);

    // Every cut of a nested structure is refused.
    const Bytes whole = FromHex("30 0E 31 0C 30 0A 06 03 55 04 03 13 03 41 42 43");
    ASSERT_EQ(Validate(whole), 0);
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        EXPECT_NE(Validate(Bytes(whole.begin(), whole.begin() + cut)), 0) << cut;
    }
}

TEST(DerReader, TrailingBytesAreRefused) {
    EXPECT_EQ(ValidateHex("30 00 00"), cerrojo::StatusDerTrailing);
    EXPECT_EQ(ValidateHex("05 00 05 00"), cerrojo::StatusDerTrailing);

    const Bytes data = FromHex("30 03 02 01 05 FF");
    cerrojo::DerReader reader;
    cerrojo::DerElement element;
    cerrojo::DerReaderInit(&reader, data.data(), 5);
    ASSERT_EQ(cerrojo::DerReadElement(&reader, &element), 0);
    EXPECT_EQ(cerrojo::DerReadDone(&reader), 0);
    cerrojo::DerReaderInit(&reader, data.data(), 6);
    ASSERT_EQ(cerrojo::DerReadElement(&reader, &element), 0);
    EXPECT_EQ(cerrojo::DerReadDone(&reader), cerrojo::StatusDerTrailing);
}

TEST(DerReader, TagForms) {
    EXPECT_EQ(ValidateHex("1F 22 00"), cerrojo::StatusDerBadTag);        // high tag number
    EXPECT_EQ(ValidateHex("00 00"), cerrojo::StatusDerBadTag);           // end-of-contents
    EXPECT_EQ(ValidateHex("10 00"), cerrojo::StatusDerBadTag);           // primitive SEQUENCE
    EXPECT_EQ(ValidateHex("24 03 04 01 41"), cerrojo::StatusDerBadTag);  // constructed OCTET STRING
    EXPECT_EQ(ValidateHex("A0 03 04 01 41"), 0);                         // context tags either way
    EXPECT_EQ(ValidateHex("80 01 41"), 0);
}

TEST(DerReader, NestingIsBounded) {
    EXPECT_EQ(Validate(Nested(cerrojo::kDerMaxDepth - 1)), 0);
    EXPECT_EQ(Validate(Nested(cerrojo::kDerMaxDepth)), cerrojo::StatusDerTooDeep);
    // Far deeper than any stack-based walk could take.
    EXPECT_EQ(Validate(Nested(5000)), cerrojo::StatusDerTooDeep);

    const Bytes inside = FromHex("30 00");
    cerrojo::DerElement deep = Element(0x04, inside);
    cerrojo::DerReader inner{};
    deep.depth = cerrojo::kDerMaxDepth;
    EXPECT_EQ(cerrojo::DerEnter(&deep, &inner), cerrojo::StatusDerTooDeep);
    deep.depth = cerrojo::kDerMaxDepth - 1;
    ASSERT_EQ(cerrojo::DerEnter(&deep, &inner), 0);
    EXPECT_EQ(inner.depth, cerrojo::kDerMaxDepth);
}

TEST(DerReader, PrimitiveContentsInDerForm) {
    EXPECT_EQ(ValidateHex("02 02 00 80"), 0);
    EXPECT_EQ(ValidateHex("02 02 00 7F"), cerrojo::StatusDerBadValue);
    EXPECT_EQ(ValidateHex("02 02 FF 80"), cerrojo::StatusDerBadValue);
    EXPECT_EQ(ValidateHex("02 00"), cerrojo::StatusDerBadValue);
    EXPECT_EQ(ValidateHex("05 01 00"), cerrojo::StatusDerBadValue);
    EXPECT_EQ(ValidateHex("01 01 01"), cerrojo::StatusDerBadValue);
    EXPECT_EQ(ValidateHex("06 03 55 04 03"), 0);
    EXPECT_EQ(ValidateHex("06 03 55 80 03"), cerrojo::StatusDerBadValue);  // padded subidentifier
    EXPECT_EQ(ValidateHex("06 02 55 84"), cerrojo::StatusDerBadValue);     // unfinished
    EXPECT_EQ(ValidateHex("03 02 01 FE"), 0);
    EXPECT_EQ(ValidateHex("03 02 01 FF"), cerrojo::StatusDerBadValue);  // an unused bit set
    EXPECT_EQ(ValidateHex("03 01 01"), cerrojo::StatusDerBadValue);
    EXPECT_EQ(ValidateHex("03 02 08 00"), cerrojo::StatusDerBadValue);
    // Inside constructed elements too.
    EXPECT_EQ(ValidateHex("30 04 02 02 00 01"), cerrojo::StatusDerBadValue);
}

TEST(DerReader, NumbersIntoFixedFields) {
    std::uint8_t field[4] = {9, 9, 9, 9};
    const Bytes positive = {0x00, 0x80, 0x01};
    const cerrojo::DerElement signByte = Element(2, positive);
    ASSERT_EQ(cerrojo::DerGetUnsigned(&signByte, field, 4), 0);
    EXPECT_EQ(Bytes(field, field + 4), FromHex("00 00 80 01"));

    // Too large for the field: refused, never cut, field untouched.
    const Bytes five = {0x01, 0x02, 0x03, 0x04, 0x05};
    const cerrojo::DerElement large = Element(2, five);
    EXPECT_EQ(cerrojo::DerGetUnsigned(&large, field, 4), cerrojo::StatusDerTooLarge);
    EXPECT_EQ(Bytes(field, field + 4), FromHex("00 00 80 01"));
    // A 2,048-bit number with its sign byte fits 256 bytes; one bit more does not.
    Bytes modulus(257, 0xAB);
    modulus[0] = 0x00;
    std::uint8_t wide[256];
    const cerrojo::DerElement fits = Element(2, modulus);
    EXPECT_EQ(cerrojo::DerGetUnsigned(&fits, wide, 256), 0);
    modulus[0] = 0x01;
    const cerrojo::DerElement over = Element(2, modulus);
    EXPECT_EQ(cerrojo::DerGetUnsigned(&over, wide, 256), cerrojo::StatusDerTooLarge);

    const Bytes negative = {0x80};
    const cerrojo::DerElement minus = Element(2, negative);
    EXPECT_EQ(cerrojo::DerGetUnsigned(&minus, field, 4), cerrojo::StatusDerBadValue);
    const cerrojo::DerElement notInteger = Element(4, five);
    EXPECT_EQ(cerrojo::DerGetUnsigned(&notInteger, field, 4), cerrojo::StatusDerUnexpected);

    std::uint32_t value = 0;
    const Bytes count = {0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    const cerrojo::DerElement top = Element(2, count);
    ASSERT_EQ(cerrojo::DerGetUint32(&top, &value), 0);
    EXPECT_EQ(value, 0xFFFFFFFFu);
}

TEST(DerReader, AlgorithmIdentifiersReadBack) {
    const cerrojo::AlgorithmId ids[] = {2,   4,   5,   6,   100, 101, 102, 103, 104,
                                        105, 106, 107, 108, 109, 110, 111, 112};
    for (cerrojo::AlgorithmId id : ids) {
        std::uint8_t storage[32];
        cerrojo::DerBuffer buffer;
        cerrojo::DerInit(&buffer, storage, sizeof(storage));
        const std::uint32_t size = cerrojo::DerPutAlgorithmIdentifier(&buffer, id);
        ASSERT_NE(size, 0u);
        cerrojo::DerReader reader;
        cerrojo::DerReaderInit(&reader, storage + buffer.start, size);
        cerrojo::DerAlgorithm algorithm;
        ASSERT_EQ(cerrojo::DerReadAlgorithm(&reader, &algorithm), 0) << id;
        EXPECT_EQ(algorithm.id, id);
        EXPECT_TRUE(cerrojo::DerParametersEmpty(&algorithm));
        EXPECT_TRUE(cerrojo::DerReaderAtEnd(&reader));
    }

    // sha384WithRSAEncryption has no entry; absent parameters are fine.
    const Bytes sha384 = FromHex("30 0B 06 09 2A 86 48 86 F7 0D 01 01 0C");
    cerrojo::DerReader reader;
    cerrojo::DerReaderInit(&reader, sha384.data(), static_cast<std::uint32_t>(sha384.size()));
    cerrojo::DerAlgorithm algorithm;
    ASSERT_EQ(cerrojo::DerReadAlgorithm(&reader, &algorithm), 0);
    EXPECT_EQ(algorithm.id, 0u);
    EXPECT_EQ(algorithm.hasParameters, 0);
    EXPECT_EQ(algorithm.oidLength, 9u);

    // Two parameters, or a non-NULL one.
    const Bytes extra = FromHex("30 0F 06 09 2A 86 48 86 F7 0D 01 01 04 05 00 05 00");
    cerrojo::DerReaderInit(&reader, extra.data(), static_cast<std::uint32_t>(extra.size()));
    EXPECT_EQ(cerrojo::DerReadAlgorithm(&reader, &algorithm), cerrojo::StatusDerTrailing);
    const Bytes octets = FromHex("30 0E 06 09 2A 86 48 86 F7 0D 01 01 04 04 01 00");
    cerrojo::DerReaderInit(&reader, octets.data(), static_cast<std::uint32_t>(octets.size()));
    ASSERT_EQ(cerrojo::DerReadAlgorithm(&reader, &algorithm), 0);
    EXPECT_FALSE(cerrojo::DerParametersEmpty(&algorithm));
}

}  // namespace
