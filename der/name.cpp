// Cerrojo subject Name and request attributes.
#include "der/name.h"

#include <cstring>

namespace cerrojo {

namespace {

struct OidEntry {
    std::uint8_t length;
    std::uint8_t octets[9];
};

constexpr OidEntry kNameOids[15] = {
    {3, {0x55, 0x04, 0x0A}},  // 0 organizationName 2.5.4.10
    {3, {0x55, 0x04, 0x0B}},  // 1 organizationalUnitName 2.5.4.11
    {3, {0x55, 0x04, 0x03}},  // 2 commonName 2.5.4.3
    {3, {0x55, 0x04, 0x0C}},  // 3 title 2.5.4.12
    {3, {0x55, 0x04, 0x09}},  // 4 streetAddress 2.5.4.9
    {3, {0x55, 0x04, 0x11}},  // 5 postalCode 2.5.4.17
    {3, {0x55, 0x04, 0x06}},  // 6 countryName 2.5.4.6
    {3, {0x55, 0x04, 0x08}},  // 7 stateOrProvinceName 2.5.4.8
    {3, {0x55, 0x04, 0x07}},  // 8 localityName 2.5.4.7
    {3, {0x55, 0x04, 0x2D}},  // 9 x500UniqueIdentifier 2.5.4.45
    {3, {0x55, 0x04, 0x05}},  // 10 serialNumber 2.5.4.5
    {9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x01}},  // 11 emailAddress
    {3, {0x55, 0x04, 0x0F}},                                      // 12 businessCategory 2.5.4.15
    {3, {0x55, 0x04, 0x14}},                                      // 13 telephoneNumber 2.5.4.20
    {3, {0x55, 0x04, 0x17}},  // 14 facsimileTelephoneNumber 2.5.4.23
};

constexpr OidEntry kAttributeOids[24] = {
    {9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x01}},  // 0 emailAddress
    {9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x07}},  // 1 challengePassword
    {9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x09}},  // 2 extendedCertificateAttributes
    {3, {0x2B, 0x0F, 0x01}},                                      // 3 1.3.15.1
    {3, {0x2B, 0x0F, 0x02}},                                      // 4 1.3.15.2
    {9, {0x60, 0x86, 0x48, 0x01, 0x86, 0xF8, 0x42, 0x01, 0x01}},  // 5 2.16.840.1.113730.1.1
    {9, {0x60, 0x86, 0x48, 0x01, 0x86, 0xF8, 0x42, 0x01, 0x0D}},  // 6 2.16.840.1.113730.1.13
    {9, {0x60, 0x86, 0x48, 0x01, 0x86, 0xF8, 0x42, 0x01, 0x0C}},  // 7 2.16.840.1.113730.1.12
    {6, {0x75, 0x88, 0x5D, 0x8F, 0x0B, 0x03}},                    // 8 2.37.1117.1931.3
    {6, {0x75, 0x88, 0x5D, 0x8F, 0x0B, 0x05}},                    // 9 2.37.1117.1931.5
    {6, {0x75, 0x88, 0x5D, 0x8F, 0x0B, 0x07}},                    // 10 2.37.1117.1931.7
    {6, {0x75, 0x88, 0x5D, 0x8F, 0x0B, 0x0D}},                    // 11 2.37.1117.1931.13
    {6, {0x75, 0x88, 0x5D, 0x8F, 0x0B, 0x17}},                    // 12 2.37.1117.1931.23
    {6, {0x75, 0x88, 0x5D, 0x8F, 0x0B, 0x1D}},                    // 13 2.37.1117.1931.29
    {6, {0x75, 0x88, 0x5D, 0x8F, 0x0B, 0x1F}},                    // 14 2.37.1117.1931.31
    {3, {0x55, 0x1D, 0x0F}},                                      // 15 keyUsage
    {3, {0x55, 0x1D, 0x13}},                                      // 16 basicConstraints
    {3, {0x55, 0x1D, 0x25}},                                      // 17 extKeyUsage
    {3, {0x55, 0x1D, 0x20}},                                      // 18 certificatePolicies
    {3, {0x55, 0x1D, 0x1F}},                                      // 19 cRLDistributionPoints
    {3, {0x55, 0x1D, 0x11}},                                      // 20 subjectAltName
    {3, {0x55, 0x1D, 0x12}},                                      // 21 issuerAltName
    {8, {0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x01, 0x01}},        // 22 authorityInfoAccess
    {9, {0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x30, 0x01, 0x05}},  // 23 OCSP no-check
};

constexpr int kNameEmailSlot = 11;
constexpr int kNameUniqueIdSlot = 9;
constexpr int kAttributeEmailSlot = 0;
constexpr int kAttributeChallengeSlot = 1;

int CopyOid(const OidEntry* table, int count, int slot, std::uint8_t* octets) {
    if (slot < 0 || slot >= count) return -1;
    std::memcpy(octets, table[slot].octets, table[slot].length);
    return table[slot].length;
}

// RelativeDistinguishedName ::= SET { AttributeTypeAndValue }
// AttributeTypeAndValue ::= SEQUENCE { type OBJECT IDENTIFIER, value }
// value: PrintableString, IA5String for emailAddress, and for
// x500UniqueIdentifier a BIT STRING of the text's bytes with no unused bits.
std::uint32_t PutRelativeName(DerBuffer* buffer, int slot, ByteSpan value) {
    std::uint8_t oid[9];
    const int oidLength = GetNameAttributeOid(slot, oid);
    if (oidLength < 0) return 0;
    std::uint32_t valueSize;
    if (slot == kNameUniqueIdSlot) {
        if (DerPrependBytes(buffer, value) == 0) return 0;
        const std::uint32_t bits = DerPutTlv(buffer, kDerBitString, value);
        if (bits == 0) return 0;
        valueSize = bits + value.length;
    } else {
        const std::uint32_t tag = slot == kNameEmailSlot ? kDerIa5String : kDerPrintableString;
        valueSize = DerPutTlv(buffer, tag, value);
        if (valueSize == 0) return 0;
    }
    const std::uint32_t type = DerPutTlv(buffer, kDerObjectIdentifier,
                                         ByteSpan{oid, static_cast<std::uint32_t>(oidLength)});
    if (type == 0) return 0;
    std::uint32_t size = valueSize + type;
    const std::uint32_t sequence = DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, size});
    if (sequence == 0) return 0;
    size += sequence;
    const std::uint32_t set = DerPutTlv(buffer, kDerSet, ByteSpan{nullptr, size});
    if (set == 0) return 0;
    return size + set;
}

bool NameSlotFilled(const ByteSpan& slot) {
    return slot.data != nullptr && slot.length != 0;
}

}  // namespace

int GetNameAttributeOid(int slot, std::uint8_t* octets) {
    return CopyOid(kNameOids, 15, slot, octets);
}

int GetRequestAttributeOid(int slot, std::uint8_t* octets) {
    return CopyOid(kAttributeOids, 24, slot, octets);
}

// Name ::= SEQUENCE OF RelativeDistinguishedName
// Written backwards: emailAddress first so that it stands last, then slots 19
// down to 0 so that they stand in ascending order.
std::uint32_t DerPutName(DerBuffer* buffer, const NameSlots& nameSlots) {
    std::uint32_t size = 0;
    if (NameSlotFilled(nameSlots[kNameEmailSlot])) {
        const std::uint32_t rdn =
            PutRelativeName(buffer, kNameEmailSlot, nameSlots[kNameEmailSlot]);
        if (rdn == 0) return 0;
        size += rdn;
    }
    for (int slot = kNameSlotCount - 1; slot >= 0; --slot) {
        if (slot == kNameEmailSlot || !NameSlotFilled(nameSlots[slot])) continue;
        const std::uint32_t rdn = PutRelativeName(buffer, slot, nameSlots[slot]);
        if (rdn == 0) return 0;
        size += rdn;
    }
    const std::uint32_t header = DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, size});
    return header == 0 ? 0 : size + header;
}

// Attribute ::= SEQUENCE { type OBJECT IDENTIFIER, values SET { value } }
// Attributes ::= [0] IMPLICIT SET OF Attribute   (or a plain SET OF Attribute)
// value: IA5String for emailAddress, PrintableString for every other slot.
// Slot 0 is written first, so the block holds the slots in descending order.
std::uint32_t DerPutAttributesChecked(DerBuffer* buffer, const AttributeSlots& attributeSlots,
                                      int includeChallenge, int contextTagged, bool* outOfStorage) {
    *outOfStorage = false;
    // A filled slot without an entry fails the block before anything is written.
    for (int slot = 0; slot < kAttributeSlotCount; ++slot) {
        std::uint8_t probe[9];
        if (attributeSlots[slot].data != nullptr && GetRequestAttributeOid(slot, probe) < 0)
            return 0;
    }
    std::uint32_t size = 0;
    bool any = false;
    for (int slot = 0; slot < kAttributeSlotCount; ++slot) {
        const ByteSpan& value = attributeSlots[slot];
        if (value.data == nullptr) continue;
        if (slot == kAttributeChallengeSlot && includeChallenge == 0) continue;
        std::uint8_t oid[9];
        const int oidLength = GetRequestAttributeOid(slot, oid);
        if (oidLength < 0) return 0;
        const std::uint32_t tag = slot == kAttributeEmailSlot ? kDerIa5String : kDerPrintableString;
        std::uint32_t part = DerPutTlv(buffer, tag, value);
        std::uint32_t step = part == 0 ? 0 : DerPutTlv(buffer, kDerSet, ByteSpan{nullptr, part});
        part += step;
        if (step != 0) {
            step = DerPutTlv(buffer, kDerObjectIdentifier,
                             ByteSpan{oid, static_cast<std::uint32_t>(oidLength)});
            part += step;
        }
        if (step != 0) step = DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, part});
        if (step == 0) {
            *outOfStorage = true;
            return 0;
        }
        size += part + step;
        any = true;
    }
    if (!any) return 0;
    const std::uint32_t header = contextTagged != 0
                                     ? DerPutHeader(buffer, kDerContext0, size)
                                     : DerPutTlv(buffer, kDerSet, ByteSpan{nullptr, size});
    if (header == 0) {
        *outOfStorage = true;
        return 0;
    }
    return size + header;
}

std::uint32_t DerPutAttributes(DerBuffer* buffer, const AttributeSlots& attributeSlots,
                               int includeChallenge, int contextTagged) {
    bool outOfStorage = false;
    return DerPutAttributesChecked(buffer, attributeSlots, includeChallenge, contextTagged,
                                   &outOfStorage);
}

}  // namespace cerrojo
