// Cerrojo subject reader: Name and RSA SubjectPublicKeyInfo.

#include "der/subject_reader.h"

#include <cstdint>
#include <cstring>

#include "der/der.h"
#include "der/name.h"

namespace cerrojo {

namespace {

constexpr std::uint8_t kIdNumericString = 0x12;
constexpr int kUniqueIdentifierSlot = 9;  // x500UniqueIdentifier, a BIT STRING

bool IsSurrogate(std::uint32_t codePoint) {
    return codePoint >= 0xD800 && codePoint <= 0xDFFF;
}

bool ValidUtf8(const std::uint8_t* s, std::uint32_t length) {
    std::uint32_t i = 0;
    while (i < length) {
        const std::uint8_t lead = s[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::uint32_t extra, codePoint, smallest;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, codePoint = lead & 0x1Fu, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, codePoint = lead & 0x0Fu, smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, codePoint = lead & 0x07u, smallest = 0x10000;
        } else {
            return false;  // a continuation byte, C0, C1 or F5..FF in the lead
        }
        if (length - i - 1 < extra) return false;
        for (std::uint32_t k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            codePoint = codePoint << 6 | (s[i + k] & 0x3Fu);
        }
        if (codePoint < smallest || codePoint > 0x10FFFF || IsSurrogate(codePoint)) return false;
        i += extra + 1;
    }
    return true;
}

// Big-endian code units of width bytes (2: BMPString, 4: UniversalString).
bool ValidCodeUnits(const std::uint8_t* s, std::uint32_t length, std::uint32_t width) {
    if (length % width != 0) return false;
    for (std::uint32_t i = 0; i < length; i += width) {
        std::uint32_t unit = 0;
        for (std::uint32_t k = 0; k < width; ++k) unit = unit << 8 | s[i + k];
        if (unit > 0x10FFFF || IsSurrogate(unit)) return false;
    }
    return true;
}

bool AllBytes(const std::uint8_t* s, std::uint32_t length, bool (*allowed)(std::uint8_t)) {
    for (std::uint32_t i = 0; i < length; ++i) {
        if (!allowed(s[i])) return false;
    }
    return true;
}

// The rule of the header comment: StatusDerUnexpected for a type not allowed
// here, StatusDerBadValue for bytes that do not fit it.
int CheckNameValue(const DerElement& value, int slot) {
    const std::uint8_t* c = value.contents;
    const std::uint32_t n = value.length;
    bool fits;
    switch (value.identifier) {
        case kDerIdUtf8String:
            fits = ValidUtf8(c, n);
            break;
        case kDerIdBmpString:
            fits = ValidCodeUnits(c, n, 2);
            break;
        case kDerIdUniversalString:
            fits = ValidCodeUnits(c, n, 4);
            break;
        case kDerIdIa5String:
            fits = AllBytes(c, n, [](std::uint8_t b) { return b < 0x80; });
            break;
        case kIdNumericString:
            fits = AllBytes(c, n, [](std::uint8_t b) { return b == ' ' || (b >= '0' && b <= '9'); });
            break;
        case kDerIdPrintableString:
        case kDerIdTeletexString:
            fits = true;
            break;
        case kDerIdBitString:  // its form was checked with the whole file
            if (slot != kUniqueIdentifierSlot) return StatusDerUnexpected;
            fits = true;
            break;
        default:
            return StatusDerUnexpected;
    }
    return fits ? StatusOk : StatusDerBadValue;
}

// One AttributeTypeAndValue into name's next entry.
int ReadAttribute(DerReader* pairs, std::uint32_t rdn, DerName* name) {
    DerElement pair, type, value;
    DerReader parts;
    int status = DerReadExpected(pairs, kDerIdSequence, &pair);
    if (status == StatusOk) status = DerEnter(&pair, &parts);
    if (status == StatusOk) status = DerReadExpected(&parts, kDerIdObjectIdentifier, &type);
    if (status == StatusOk) status = DerReadElement(&parts, &value);
    if (status == StatusOk) status = DerReadDone(&parts);
    if (status != StatusOk) return status;
    if (name->count == kMaxNameAttributes) return StatusDerTooLarge;
    const int slot = DerFindSlot(GetNameAttributeOid, kNameSlotCount, type.contents, type.length);
    status = CheckNameValue(value, slot);
    if (status != StatusOk) return status;
    DerNameAttribute& entry = name->attributes[name->count++];
    entry.type = type.contents;
    entry.typeLength = type.length;
    entry.slot = slot;
    entry.rdn = rdn;
    entry.value = DerValue{value.identifier, value.contents, value.length};
    return StatusOk;
}

}  // namespace

int DerFindSlot(int (*table)(int slot, std::uint8_t* octets), int slotCount,
                const std::uint8_t* oid, std::uint32_t length) {
    for (int slot = 0; slot < slotCount; ++slot) {
        std::uint8_t octets[kMaxAlgorithmOidLength];
        const int count = table(slot, octets);
        if (count > 0 && static_cast<std::uint32_t>(count) == length &&
            std::memcmp(octets, oid, length) == 0) {
            return slot;
        }
    }
    return -1;
}

int DerReadName(DerReader* reader, DerName* name) {
    name->count = 0;
    DerElement whole;
    DerReader rdns;
    int status = DerReadExpected(reader, kDerIdSequence, &whole);
    if (status == StatusOk) status = DerEnter(&whole, &rdns);
    if (status != StatusOk) return status;
    name->encoding = whole.encoding;
    name->encodingLength = whole.encodingLength;
    for (std::uint32_t rdn = 0; status == StatusOk && !DerReaderAtEnd(&rdns); ++rdn) {
        DerElement set;
        DerReader pairs;
        status = DerReadExpected(&rdns, kDerIdSet, &set);
        if (status == StatusOk) status = DerEnter(&set, &pairs);
        if (status == StatusOk && DerReaderAtEnd(&pairs)) status = StatusDerBadValue;
        while (status == StatusOk && !DerReaderAtEnd(&pairs)) {
            status = ReadAttribute(&pairs, rdn, name);
        }
    }
    return status;
}

int DerReadRsaPublicKeyInfo(DerReader* reader, RsaPublicKey* key) {
    DerElement spki, bits, rsaKey, modulus, exponent;
    DerReader parts, inner, numbers;
    DerAlgorithm algorithm;
    int status = DerReadExpected(reader, kDerIdSequence, &spki);
    if (status == StatusOk) status = DerEnter(&spki, &parts);
    if (status == StatusOk) status = DerReadAlgorithm(&parts, &algorithm);
    if (status == StatusOk &&
        (algorithm.id != kAlgRsaEncryption || !DerParametersEmpty(&algorithm))) {
        status = StatusDerUnsupported;
    }
    if (status == StatusOk) status = DerReadExpected(&parts, kDerIdBitString, &bits);
    if (status == StatusOk) status = DerReadDone(&parts);
    if (status == StatusOk) status = DerEnterBitString(&bits, &inner);
    if (status == StatusOk) status = DerReadExpected(&inner, kDerIdSequence, &rsaKey);
    if (status == StatusOk) status = DerReadDone(&inner);
    if (status == StatusOk) status = DerEnter(&rsaKey, &numbers);
    if (status == StatusOk) status = DerReadElement(&numbers, &modulus);
    if (status == StatusOk) status = DerReadElement(&numbers, &exponent);
    if (status == StatusOk) status = DerReadDone(&numbers);
    if (status == StatusOk) status = DerGetUnsigned(&modulus, key->modulus, sizeof(key->modulus));
    if (status == StatusOk) {
        status = DerGetUnsigned(&exponent, key->publicExponent, sizeof(key->publicExponent));
    }
    if (status != StatusOk) return status;
    const std::uint32_t modulusBits = DerBitLength(key->modulus, sizeof(key->modulus));
    if (modulusBits == 0 || DerBitLength(key->publicExponent, sizeof(key->publicExponent)) == 0) {
        return StatusDerBadValue;
    }
    key->bits = static_cast<std::uint16_t>(modulusBits);  // at most 2,048: it fits its field
    return StatusOk;
}

}  // namespace cerrojo
