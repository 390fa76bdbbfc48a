// Cerrojo DER writer: backward-filling buffer and primitive encoders.
#include "der/der.h"

#include <cstring>

namespace cerrojo {

namespace {

struct AlgorithmEntry {
    AlgorithmId id;
    std::uint8_t length;
    std::uint8_t octets[kMaxAlgorithmOidLength];
};

// Object identifiers as their DER content octets.
constexpr AlgorithmEntry kAlgorithms[] = {
    // 1.2.840.113549.2.2
    {kAlgMd2, 8, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x02}},
    // 1.2.840.113549.2.4
    {kAlgMd4, 8, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x04}},
    // 1.2.840.113549.2.5
    {kAlgMd5, 8, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x05}},
    // 1.3.14.3.2.26
    {kAlgSha1, 5, {0x2B, 0x0E, 0x03, 0x02, 0x1A}},
    // 1.2.840.113549.1.1.1
    {kAlgRsaEncryption, 9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01}},
    // 1.2.840.113549.1.1.2
    {kAlgMd2WithRsa, 9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x02}},
    // 1.2.840.113549.1.1.3
    {kAlgMd4WithRsa, 9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x03}},
    // 1.2.840.113549.1.1.4
    {kAlgMd5WithRsa, 9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x04}},
    // 1.2.840.113549.1.5.1
    {kAlgPbeWithMd2AndDesCbc, 9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x05, 0x01}},
    // 1.2.840.113549.1.5.3
    {kAlgPbeWithMd5AndDesCbc, 9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x05, 0x03}},
    // 1.3.14.3.2.7
    {kAlgDesCbc, 5, {0x2B, 0x0E, 0x03, 0x02, 0x07}},
    // 1.2.840.113549.3.4
    {kAlgRc4, 8, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x04}},
    // 1.2.840.113549.1.12.1.6
    {kAlgPbeWithShaAnd40BitRc2Cbc,
     10,
     {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x0C, 0x01, 0x06}},
    // 1.2.840.113549.1.12.1.5
    {kAlgPbeWithShaAnd128BitRc2Cbc,
     10,
     {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x0C, 0x01, 0x05}},
    // 1.2.840.113549.1.12.1.3
    {kAlgPbeWithShaAnd3KeyTripleDesCbc,
     10,
     {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x0C, 0x01, 0x03}},
    // 1.2.840.113549.1.1.5
    {kAlgSha1WithRsa, 9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x05}},
    // 1.2.840.113549.3.7
    {kAlgDesEde3Cbc, 8, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x07}},
    // 1.2.840.113549.1.1.11
    {kAlgSha256WithRsa, 9, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}},
};

const AlgorithmEntry* FindAlgorithm(AlgorithmId id) {
    for (const AlgorithmEntry& entry : kAlgorithms) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

}  // namespace

void DerInit(DerBuffer* buffer, std::uint8_t* storage, std::uint32_t capacity) {
    buffer->data = storage;
    buffer->capacity = storage != nullptr ? capacity : 0;
    buffer->start = buffer->capacity;
}

void DerSaveState(const DerBuffer* buffer, DerBuffer* copy) {
    *copy = *buffer;
}

void DerRestoreState(DerBuffer* buffer, const DerBuffer* copy) {
    *buffer = *copy;
}

std::uint32_t DerPrependBytes(DerBuffer* buffer, ByteSpan span) {
    if (span.length == 0) return 0;
    if (span.data == nullptr) return 0;
    // Last byte first, so a partial copy leaves the tail of the span in place.
    std::uint32_t remaining = span.length;
    while (remaining > 0) {
        if (buffer->start == 0) return 0;
        --remaining;
        --buffer->start;
        buffer->data[buffer->start] = span.data[remaining];
    }
    return span.length;
}

std::uint32_t DerPrependByte(DerBuffer* buffer, std::uint8_t byte) {
    if (buffer->start == 0) return 0;
    --buffer->start;
    buffer->data[buffer->start] = byte;
    return 1;
}

std::uint32_t DerTake(DerBuffer* buffer, ByteSpan* span) {
    if (buffer->start >= buffer->capacity) return 0;
    std::uint32_t n = buffer->capacity - buffer->start;
    if (span->length < n) n = span->length;
    span->data = buffer->data + buffer->start;
    span->length = n;
    buffer->start += n;
    return n;
}

// identifier, then either one length byte (0..127) or 0x80 + n and the length
// in n big-endian bytes without leading zeros (n = 1..4).
std::uint32_t DerPutHeader(DerBuffer* buffer, std::uint32_t tag, std::uint32_t length) {
    std::uint8_t header[6];
    std::uint32_t pos = sizeof(header);
    if (length < 0x80) {
        header[--pos] = static_cast<std::uint8_t>(length);
    } else {
        std::uint32_t count = 0;
        for (std::uint32_t rest = length; rest != 0; rest >>= 8) {
            header[--pos] = static_cast<std::uint8_t>(rest & 0xFF);
            ++count;
        }
        header[--pos] = static_cast<std::uint8_t>(0x80 + count);
    }
    std::uint8_t identifier = static_cast<std::uint8_t>(tag & 0xFF);
    if (tag == kDerSequence || tag == kDerSet) identifier |= 0x20;
    header[--pos] = identifier;
    const std::uint32_t size = sizeof(header) - pos;
    return DerPrependBytes(buffer, ByteSpan{header + pos, size});
}

std::uint32_t DerPutTlv(DerBuffer* buffer, std::uint32_t tag, ByteSpan span) {
    switch (tag) {
        case kDerSequence:
        case kDerSet:
        case kDerInteger:
            return DerPutHeader(buffer, tag, span.length);
        case kDerBitString: {
            // BIT STRING ::= initial octet (unused bits = 0) followed by the bytes.
            if (span.length == UINT32_MAX) return 0;
            if (DerPrependByte(buffer, 0x00) == 0) return 0;
            const std::uint32_t header = DerPutHeader(buffer, tag, span.length + 1);
            return header == 0 ? 0 : header + 1;
        }
        default: {
            if (span.length != 0 && DerPrependBytes(buffer, span) == 0) return 0;
            const std::uint32_t header = DerPutHeader(buffer, tag, span.length);
            return header == 0 ? 0 : header + span.length;
        }
    }
}

// INTEGER ::= minimal two's-complement big-endian contents of a non-negative value.
std::uint32_t DerPutInteger(DerBuffer* buffer, ByteSpan span, int asIs) {
    if (span.length == 0 || span.data == nullptr) return 0;
    std::uint32_t first = 0;
    while (first + 1 < span.length && span.data[first] == 0) ++first;
    ByteSpan magnitude{span.data + first, span.length - first};
    if (DerPrependBytes(buffer, magnitude) == 0) return 0;
    std::uint32_t contents = magnitude.length;
    if (asIs == 0 && (magnitude.data[0] & 0x80) != 0) {
        if (DerPrependByte(buffer, 0x00) == 0) return 0;
        ++contents;
    }
    const std::uint32_t header = DerPutTlv(buffer, kDerInteger, ByteSpan{nullptr, contents});
    return header == 0 ? 0 : header + contents;
}

int GetAlgorithmOid(AlgorithmId algorithmId, std::uint8_t* octets, std::uint32_t* length) {
    const AlgorithmEntry* entry = FindAlgorithm(algorithmId);
    if (entry == nullptr) return StatusBadData;
    std::memcpy(octets, entry->octets, entry->length);
    *length = entry->length;
    return StatusOk;
}

AlgorithmId DerFindAlgorithm(const std::uint8_t* oid, std::uint32_t length) {
    for (const AlgorithmEntry& entry : kAlgorithms) {
        if (entry.length == length && std::memcmp(entry.octets, oid, length) == 0) return entry.id;
    }
    return 0;
}

// AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER, parameters NULL }
std::uint32_t DerPutAlgorithmIdentifier(DerBuffer* buffer, AlgorithmId algorithmId) {
    std::uint8_t oid[kMaxAlgorithmOidLength];
    std::uint32_t oidLength = 0;
    if (GetAlgorithmOid(algorithmId, oid, &oidLength) != StatusOk) return 0;
    const std::uint32_t null = DerPutTlv(buffer, kDerNull, ByteSpan{nullptr, 0});
    if (null == 0) return 0;
    const std::uint32_t id = DerPutTlv(buffer, kDerObjectIdentifier, ByteSpan{oid, oidLength});
    if (id == 0) return 0;
    const std::uint32_t header = DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, null + id});
    return header == 0 ? 0 : header + null + id;
}

}  // namespace cerrojo
