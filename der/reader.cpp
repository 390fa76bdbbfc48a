// Cerrojo DER reader: strict DER over caller bytes, bounded in length and depth.

#include "der/reader.h"

#include <cstdint>

#include "der/der.h"

namespace cerrojo {

namespace {

constexpr std::uint8_t kTagNumberMask = 0x1F;
constexpr std::uint8_t kClassMask = 0xC0;

// Universal types whose DER form is constructed: EXTERNAL, EMBEDDED PDV,
// SEQUENCE, SET, CHARACTER STRING. Every other universal type is primitive.
bool UniversalConstructed(std::uint8_t tagNumber) {
    return tagNumber == 8 || tagNumber == 11 || tagNumber == 16 || tagNumber == 17 ||
           tagNumber == 29;
}

int CheckIdentifier(std::uint8_t identifier) {
    const std::uint8_t number = identifier & kTagNumberMask;
    if (number == kTagNumberMask) return StatusDerBadTag;  // high-tag-number form
    if ((identifier & kClassMask) != 0) return StatusOk;   // application, context, private
    if (number == 0) return StatusDerBadTag;               // end-of-contents: no DER use
    const bool constructed = (identifier & kDerConstructed) != 0;
    return constructed == UniversalConstructed(number) ? StatusOk : StatusDerBadTag;
}

int CheckInteger(const std::uint8_t* c, std::uint32_t length) {
    if (length == 0) return StatusDerBadValue;
    if (length > 1 && ((c[0] == 0x00 && c[1] < 0x80) || (c[0] == 0xFF && c[1] >= 0x80))) {
        return StatusDerBadValue;  // a redundant leading byte
    }
    return StatusOk;
}

int CheckObjectIdentifier(const std::uint8_t* c, std::uint32_t length) {
    if (length == 0 || (c[length - 1] & 0x80) != 0) return StatusDerBadValue;
    bool subidentifierStart = true;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (subidentifierStart && c[i] == 0x80) return StatusDerBadValue;  // leading zero group
        subidentifierStart = (c[i] & 0x80) == 0;
    }
    return StatusOk;
}

int CheckBitString(const std::uint8_t* c, std::uint32_t length) {
    if (length == 0 || c[0] > 7) return StatusDerBadValue;
    if (length == 1) return c[0] == 0 ? StatusOk : StatusDerBadValue;
    const std::uint8_t unusedMask = static_cast<std::uint8_t>((1u << c[0]) - 1u);
    return (c[length - 1] & unusedMask) == 0 ? StatusOk : StatusDerBadValue;
}

}  // namespace

void DerReaderInit(DerReader* reader, const std::uint8_t* data, std::uint32_t length) {
    reader->data = data;
    reader->length = data != nullptr ? length : 0;
    reader->position = 0;
    reader->depth = 1;
}

int DerReaderAtEnd(const DerReader* reader) {
    return reader->position >= reader->length ? 1 : 0;
}

int DerPeekIdentifier(const DerReader* reader) {
    return DerReaderAtEnd(reader) ? -1 : reader->data[reader->position];
}

int DerReadElement(DerReader* reader, DerElement* element) {
    if (reader->position >= reader->length) return StatusDerTruncated;
    const std::uint32_t remaining = reader->length - reader->position;
    const std::uint8_t* p = reader->data + reader->position;

    const int tagStatus = CheckIdentifier(p[0]);
    if (tagStatus != StatusOk) return tagStatus;
    if (remaining < 2) return StatusDerTruncated;

    std::uint32_t header = 2;
    std::uint32_t length = p[1];
    if (p[1] == 0x80) return StatusDerBadLength;  // indefinite length
    if (p[1] > 0x80) {
        const std::uint32_t count = p[1] & 0x7Fu;
        if (count > 4) return StatusDerBadLength;
        if (remaining - 2 < count) return StatusDerTruncated;
        if (p[2] == 0) return StatusDerBadLength;  // leading zero byte
        length = 0;
        for (std::uint32_t i = 0; i < count; ++i) length = (length << 8) | p[2 + i];
        if (length < 0x80) return StatusDerBadLength;  // belongs in the short form
        header += count;
    }
    if (length > remaining - header) return StatusDerTruncated;

    element->identifier = p[0];
    element->contents = p + header;
    element->length = length;
    element->encoding = p;
    element->encodingLength = header + length;
    element->depth = reader->depth;
    reader->position += header + length;
    return StatusOk;
}

int DerReadExpected(DerReader* reader, std::uint8_t identifier, DerElement* element) {
    if (DerPeekIdentifier(reader) != -1 && DerPeekIdentifier(reader) != identifier) {
        return StatusDerUnexpected;
    }
    DerElement read;
    const int status = DerReadElement(reader, &read);
    if (status != StatusOk) return status;
    *element = read;
    return StatusOk;
}

namespace {

// A reader over bytes found inside element, one level deeper.
int EnterBytes(const DerElement* element, const std::uint8_t* bytes, std::uint32_t length,
               DerReader* inner) {
    if (element->depth >= kDerMaxDepth) return StatusDerTooDeep;
    inner->data = bytes;
    inner->length = length;
    inner->position = 0;
    inner->depth = element->depth + 1;
    return StatusOk;
}

}  // namespace

int DerEnter(const DerElement* element, DerReader* inner) {
    return EnterBytes(element, element->contents, element->length, inner);
}

int DerEnterBitString(const DerElement* element, DerReader* inner) {
    const std::uint8_t* bytes;
    std::uint32_t length;
    const int status = DerGetBitString(element, &bytes, &length);
    return status == StatusOk ? EnterBytes(element, bytes, length, inner) : status;
}

int DerReadDone(const DerReader* reader) {
    return DerReaderAtEnd(reader) ? StatusOk : StatusDerTrailing;
}

int DerCheckContents(const DerElement* element) {
    const std::uint8_t* c = element->contents;
    const std::uint32_t length = element->length;
    switch (element->identifier) {
        case kDerIdBoolean:
            return length == 1 && (c[0] == 0x00 || c[0] == 0xFF) ? StatusOk : StatusDerBadValue;
        case kDerIdInteger:
        case kDerIdEnumerated:
            return CheckInteger(c, length);
        case kDerIdBitString:
            return CheckBitString(c, length);
        case kDerIdNull:
            return length == 0 ? StatusOk : StatusDerBadValue;
        case kDerIdObjectIdentifier:
            return CheckObjectIdentifier(c, length);
        default:
            return StatusOk;
    }
}

int DerValidate(const std::uint8_t* data, std::uint32_t length) {
    DerReader top;
    DerReaderInit(&top, data, length);
    DerElement element;
    int status = DerReadElement(&top, &element);
    if (status != StatusOk) return status;
    status = DerReadDone(&top);
    if (status != StatusOk) return status;

    // levels[0..level] are the open constructed elements, innermost last.
    DerReader levels[kDerMaxDepth];
    int level = -1;
    for (;;) {
        if ((element.identifier & kDerConstructed) != 0) {
            status = DerEnter(&element, &levels[level + 1]);
            if (status != StatusOk) return status;
            ++level;
        } else {
            status = DerCheckContents(&element);
            if (status != StatusOk) return status;
        }
        while (level >= 0 && DerReaderAtEnd(&levels[level])) --level;
        if (level < 0) return StatusOk;
        status = DerReadElement(&levels[level], &element);
        if (status != StatusOk) return status;
    }
}

int DerOpenFile(const std::uint8_t* data, std::uint32_t length, std::uint8_t identifier,
                DerElement* whole, DerReader* contents) {
    int status = DerValidate(data, length);
    if (status != StatusOk) return status;
    DerReader file;
    DerReaderInit(&file, data, length);
    status = DerReadExpected(&file, identifier, whole);
    return status == StatusOk ? DerEnter(whole, contents) : status;
}

int DerGetUnsigned(const DerElement* element, std::uint8_t* field, std::uint32_t width) {
    if (element->identifier != kDerIdInteger) return StatusDerUnexpected;
    const std::uint8_t* c = element->contents;
    std::uint32_t length = element->length;
    if (CheckInteger(c, length) != StatusOk || (c[0] & 0x80) != 0) return StatusDerBadValue;
    if (length > 1 && c[0] == 0x00) {  // the sign byte of a positive number
        ++c;
        --length;
    }
    if (length > width) return StatusDerTooLarge;
    const std::uint32_t lead = width - length;
    for (std::uint32_t i = 0; i < lead; ++i) field[i] = 0;
    for (std::uint32_t i = 0; i < length; ++i) field[lead + i] = c[i];
    return StatusOk;
}

int DerGetUint32(const DerElement* element, std::uint32_t* value) {
    std::uint8_t field[4];
    const int status = DerGetUnsigned(element, field, sizeof(field));
    if (status != StatusOk) return status;
    *value = static_cast<std::uint32_t>(field[0]) << 24 |
             static_cast<std::uint32_t>(field[1]) << 16 |
             static_cast<std::uint32_t>(field[2]) << 8 | field[3];
    return StatusOk;
}

int DerReadVersionZero(DerReader* reader) {
    DerElement version;
    std::uint32_t value = 0;
    int status = DerReadExpected(reader, kDerIdInteger, &version);
    if (status == StatusOk) status = DerGetUint32(&version, &value);
    if (status == StatusOk && value != 0) status = StatusDerUnsupported;
    return status;
}

int DerGetBitString(const DerElement* element, const std::uint8_t** bytes, std::uint32_t* length) {
    if (element->identifier != kDerIdBitString) return StatusDerUnexpected;
    if (element->length == 0 || element->contents[0] != 0) return StatusDerBadValue;
    *bytes = element->contents + 1;
    *length = element->length - 1;
    return StatusOk;
}

int DerReadAlgorithm(DerReader* reader, DerAlgorithm* algorithm) {
    DerElement sequence, oid, parameters{};
    DerReader inner;
    int status = DerReadExpected(reader, kDerIdSequence, &sequence);
    if (status == StatusOk) status = DerEnter(&sequence, &inner);
    if (status == StatusOk) status = DerReadExpected(&inner, kDerIdObjectIdentifier, &oid);
    if (status == StatusOk) status = DerCheckContents(&oid);
    const int hasParameters = status == StatusOk && !DerReaderAtEnd(&inner) ? 1 : 0;
    if (hasParameters) status = DerReadElement(&inner, &parameters);
    if (status == StatusOk) status = DerReadDone(&inner);
    if (status != StatusOk) return status;

    algorithm->id = DerFindAlgorithm(oid.contents, oid.length);
    algorithm->oid = oid.contents;
    algorithm->oidLength = oid.length;
    algorithm->hasParameters = hasParameters;
    algorithm->parameters = parameters;
    return StatusOk;
}

int DerParametersEmpty(const DerAlgorithm* algorithm) {
    if (!algorithm->hasParameters) return 1;
    return algorithm->parameters.identifier == kDerIdNull && algorithm->parameters.length == 0 ? 1
                                                                                               : 0;
}

int DerCheckSignatureParameters(const DerAlgorithm* algorithm) {
    const AlgorithmId id = algorithm->id;
    const bool rsaSignature = id == kAlgMd2WithRsa || id == kAlgMd4WithRsa ||
                              id == kAlgMd5WithRsa || id == kAlgSha1WithRsa ||
                              id == kAlgSha256WithRsa;
    return rsaSignature && !DerParametersEmpty(algorithm) ? StatusDerBadValue : StatusOk;
}

std::uint32_t DerBitLength(const std::uint8_t* field, std::uint32_t width) {
    for (std::uint32_t i = 0; i < width; ++i) {
        if (field[i] == 0) continue;
        std::uint32_t bits = 0;
        for (std::uint8_t b = field[i]; b != 0; b >>= 1) ++bits;
        return (width - i - 1) * 8 + bits;
    }
    return 0;
}

}  // namespace cerrojo
