// Subject Name and request attributes: byte layouts and OpenSSL's reading.
#include "der/name.h"

#include <gtest/gtest.h>

#include <openssl/asn1.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "support/guarded.h"
#include "support/testdata.h"

namespace {

using cerrojo::AttributeSlots;
using cerrojo::ByteSpan;
using cerrojo::DerBuffer;
using cerrojo::NameSlots;
using testsupport::Bytes;

using testsupport::NormHex;
using testsupport::UpperHex;

ByteSpan Text(const char* s) {
    return ByteSpan{reinterpret_cast<std::uint8_t*>(const_cast<char*>(s)),
                    static_cast<std::uint32_t>(std::char_traits<char>::length(s))};
}

struct Writer {
    explicit Writer(std::size_t capacity) : area(capacity) {
        cerrojo::DerInit(&buffer, area.data(), static_cast<std::uint32_t>(capacity));
    }
    Bytes Region() const {
        return Bytes(buffer.data + buffer.start, buffer.data + buffer.capacity);
    }
    dertest::GuardedArea area;
    DerBuffer buffer{};
};

Bytes EncodeName(const NameSlots& slots) {
    Writer w(4096);
    const std::uint32_t size = cerrojo::DerPutName(&w.buffer, slots);
    EXPECT_EQ(size, w.Region().size());
    return size == 0 ? Bytes{} : w.Region();
}

TEST(NameOids, TablesMatchTheDottedForms) {
    const char* names[15] = {"2.5.4.10", "2.5.4.11", "2.5.4.3", "2.5.4.12",
                             "2.5.4.9",  "2.5.4.17", "2.5.4.6", "2.5.4.8",
                             "2.5.4.7",  "2.5.4.45", "2.5.4.5", "1.2.840.113549.1.9.1",
                             "2.5.4.15", "2.5.4.20", "2.5.4.23"};
    const char* attributes[24] = {"1.2.840.113549.1.9.1",
                                  "1.2.840.113549.1.9.7",
                                  "1.2.840.113549.1.9.9",
                                  "1.3.15.1",
                                  "1.3.15.2",
                                  "2.16.840.1.113730.1.1",
                                  "2.16.840.1.113730.1.13",
                                  "2.16.840.1.113730.1.12",
                                  "2.37.1117.1931.3",
                                  "2.37.1117.1931.5",
                                  "2.37.1117.1931.7",
                                  "2.37.1117.1931.13",
                                  "2.37.1117.1931.23",
                                  "2.37.1117.1931.29",
                                  "2.37.1117.1931.31",
                                  "2.5.29.15",
                                  "2.5.29.19",
                                  "2.5.29.37",
                                  "2.5.29.32",
                                  "2.5.29.31",
                                  "2.5.29.17",
                                  "2.5.29.18",
                                  "1.3.6.1.5.5.7.1.1",
                                  "1.3.6.1.5.5.7.48.1.5"};
    auto check = [](int (*get)(int, std::uint8_t*), int slot, const char* dotted) {
        ASN1_OBJECT* object = OBJ_txt2obj(dotted, 1);
        ASSERT_NE(object, nullptr);
        std::uint8_t octets[9];
        const int n = get(slot, octets);
        EXPECT_EQ(n, OBJ_length(object)) << dotted;
        if (n > 0) {
            EXPECT_EQ(UpperHex(octets, n), UpperHex(OBJ_get0_data(object), OBJ_length(object)))
                << dotted;
        }
        ASN1_OBJECT_free(object);
    };
    for (int slot = 0; slot < 15; ++slot) check(cerrojo::GetNameAttributeOid, slot, names[slot]);
    for (int slot = 0; slot < 24; ++slot)
        check(cerrojo::GetRequestAttributeOid, slot, attributes[slot]);
    std::uint8_t octets[9];
    for (int slot : {-1, 15, 19, 20, 1000})
        EXPECT_EQ(cerrojo::GetNameAttributeOid(slot, octets), -1);
    for (int slot : {-1, 24, 25}) EXPECT_EQ(cerrojo::GetRequestAttributeOid(slot, octets), -1);
}

TEST(Name, HandWrittenLayouts) {
    NameSlots slots{};
    EXPECT_EQ(UpperHex(EncodeName(slots)), "3000");

    slots[6] = Text("MX");
    EXPECT_EQ(UpperHex(EncodeName(slots)), NormHex("30 0D 31 0B 30 09 06 03 55 04 06 13 02 4D 58"));

    // Pointer with length 0, and length without pointer: both empty.
    slots[2] = ByteSpan{slots[6].data, 0};
    slots[3] = ByteSpan{nullptr, 5};
    EXPECT_EQ(UpperHex(EncodeName(slots)), NormHex("30 0D 31 0B 30 09 06 03 55 04 06 13 02 4D 58"));

    // x500UniqueIdentifier: BIT STRING of the raw bytes, no unused bits;
    // email last, IA5String; Windows-1252 bytes copied unchanged.
    NameSlots mixed{};
    mixed[9] = Text("AB");
    mixed[11] = Text("a@b");
    mixed[2] = Text("Jos\xE9 \\");
    EXPECT_EQ(UpperHex(EncodeName(mixed)),
              NormHex("30 33"
                      " 31 0F 30 0D 06 03 55 04 03 13 06 4A 6F 73 E9 20 5C"  // commonName "José \"
                      " 31 0C 30 0A 06 03 55 04 2D 03 03 00 41 42"           // uniqueIdentifier
                      " 31 12 30 10 06 09 2A 86 48 86 F7 0D 01 09 01 16 03 61 40 62"));  // email
}

TEST(Name, OrderAndTypesAsOpenSslReadsThem) {
    // Every slot with an entry filled, including Windows-1252 letters.
    std::vector<std::string> texts;
    for (int slot = 0; slot < 15; ++slot) {
        // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict on
        // the inlined operator+ of a literal and a temporary string.
        std::string text = "v";
        text += std::to_string(slot);
        if (slot == 7) text += "EDO. DE M\xC9XICO";
        texts.push_back(std::move(text));
    }
    NameSlots slots{};
    for (int slot = 0; slot < 15; ++slot) {
        slots[slot] = ByteSpan{reinterpret_cast<std::uint8_t*>(texts[slot].data()),
                               static_cast<std::uint32_t>(texts[slot].size())};
    }
    Bytes der = EncodeName(slots);
    const unsigned char* p = der.data();
    X509_NAME* name = d2i_X509_NAME(nullptr, &p, static_cast<long>(der.size()));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(p, der.data() + der.size());
    const int order[15] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 11};
    ASSERT_EQ(X509_NAME_entry_count(name), 15);
    for (int i = 0; i < 15; ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        EXPECT_EQ(X509_NAME_ENTRY_set(entry), i);  // one attribute per RDN
        std::uint8_t octets[9];
        const int n = cerrojo::GetNameAttributeOid(order[i], octets);
        const ASN1_OBJECT* object = X509_NAME_ENTRY_get_object(entry);
        EXPECT_EQ(UpperHex(octets, n), UpperHex(OBJ_get0_data(object), OBJ_length(object))) << i;
        const ASN1_STRING* value = X509_NAME_ENTRY_get_data(entry);
        const int expectedType = order[i] == 9    ? V_ASN1_BIT_STRING
                                 : order[i] == 11 ? V_ASN1_IA5STRING
                                                  : V_ASN1_PRINTABLESTRING;
        EXPECT_EQ(ASN1_STRING_type(value), expectedType) << order[i];
        const std::string& text = texts[order[i]];
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
                              ASN1_STRING_length(value)),
                  text)
            << order[i];
    }
    X509_NAME_free(name);

    // Every storage size short of the full one fails inside the storage.
    for (std::size_t cap = 0; cap < der.size(); ++cap) {
        Writer w(cap);
        EXPECT_EQ(cerrojo::DerPutName(&w.buffer, slots), 0u) << cap;
        EXPECT_TRUE(w.area.GuardsIntact()) << cap;
    }
}

TEST(Name, SlotsWithoutEntryFail) {
    for (int slot = 15; slot < 20; ++slot) {
        NameSlots slots{};
        slots[2] = Text("X");
        slots[slot] = Text("bad");
        Writer w(256);
        EXPECT_EQ(cerrojo::DerPutName(&w.buffer, slots), 0u) << slot;
        // Length 0 counts as empty, so the same slot with no text is fine.
        slots[slot].length = 0;
        EXPECT_NE(cerrojo::DerPutName(&w.buffer, slots), 0u) << slot;
    }
}

Bytes EncodeAttributes(const AttributeSlots& slots, int includeChallenge, int contextTagged,
                       std::uint32_t* size) {
    Writer w(4096);
    *size = cerrojo::DerPutAttributes(&w.buffer, slots, includeChallenge, contextTagged);
    return w.Region();
}

TEST(Attributes, DescendingOrderInsideContextTag) {
    AttributeSlots slots{};
    slots[0] = Text("a@b");
    slots[1] = Text("pw");
    slots[2] = Text("T=FI");
    const char* attr2 = "30 13 06 09 2A 86 48 86 F7 0D 01 09 09 31 06 13 04 54 3D 46 49";
    const char* attr1 = "30 11 06 09 2A 86 48 86 F7 0D 01 09 07 31 04 13 02 70 77";
    const char* attr0 = "30 12 06 09 2A 86 48 86 F7 0D 01 09 01 31 05 16 03 61 40 62";
    std::uint32_t size = 0;
    Bytes block = EncodeAttributes(slots, 1, 1, &size);
    EXPECT_EQ(UpperHex(block), NormHex(("A0 3C " + std::string(attr2) + attr1 + attr0).c_str()));
    EXPECT_EQ(size, block.size());

    // Universal SET instead of [0]; challenge left out.
    block = EncodeAttributes(slots, 0, 0, &size);
    EXPECT_EQ(UpperHex(block), NormHex(("31 29 " + std::string(attr2) + attr0).c_str()));
    EXPECT_EQ(size, block.size());

    // Pointer with length 0: an empty string value (IA5String for slot 0).
    AttributeSlots empty{};
    empty[0] = ByteSpan{slots[0].data, 0};
    empty[23] = ByteSpan{slots[0].data, 0};
    block = EncodeAttributes(empty, 1, 1, &size);
    EXPECT_EQ(UpperHex(block), NormHex("A0 22"
                                       " 30 0F 06 09 2B 06 01 05 05 07 30 01 05 31 02 13 00"
                                       " 30 0F 06 09 2A 86 48 86 F7 0D 01 09 01 31 02 16 00"));

    // Storage short at every byte: 0, reported as exhaustion, inside the storage.
    for (std::uint32_t cap = 0; cap < 62; ++cap) {
        Writer w(cap);
        bool outOfStorage = false;
        EXPECT_EQ(cerrojo::DerPutAttributesChecked(&w.buffer, slots, 1, 1, &outOfStorage), 0u);
        EXPECT_TRUE(outOfStorage) << cap;
        EXPECT_TRUE(w.area.GuardsIntact());
    }
}

TEST(Attributes, NothingEncodedGivesZeroAndWritesNothing) {
    AttributeSlots slots{};
    Writer w(256);
    bool outOfStorage = true;
    EXPECT_EQ(cerrojo::DerPutAttributesChecked(&w.buffer, slots, 1, 1, &outOfStorage), 0u);
    EXPECT_FALSE(outOfStorage);
    slots[1] = Text("pw");  // only the challenge, and it is excluded
    EXPECT_EQ(cerrojo::DerPutAttributes(&w.buffer, slots, 0, 1), 0u);
    slots[0] = Text("a@b");
    slots[24] = Text("x");  // no entry: the whole block fails
    EXPECT_EQ(cerrojo::DerPutAttributesChecked(&w.buffer, slots, 1, 1, &outOfStorage), 0u);
    EXPECT_FALSE(outOfStorage);
    EXPECT_EQ(w.buffer.start, 256u);
}

}  // namespace
