// Cerrojo DER writer: a backward-filling buffer over caller storage, the
// primitive encoders and the table of algorithm object identifiers.
//
// The buffer fills from the end of the storage toward its beginning. A
// constructed value is built by prepending its components last first, adding
// the sizes the encoders return, and then prepending the header whose length
// is now known. The finished encoding is the written region at the end of the
// storage; DerTake hands it out.
//
// Every encoder takes the buffer first and returns the number of bytes it
// added, or 0 on failure (storage exhausted, or an identifier without a table
// entry). Every encoding is at least two bytes long, so 0 is never a size.
// Nothing is rolled back on failure: bytes written before it stay in the
// storage (never outside it) and `start` may be left at 0. Nothing here
// allocates or wipes; the owner of the storage clears it.
#pragma once

#include <cstdint>

#include "crypto/common.h"

namespace cerrojo {

// Caller-owned record; holds no storage of its own.
// Invariant: 0 <= start <= capacity. The written region is data[start..capacity).
struct DerBuffer {
    std::uint8_t* data;      // caller storage, not owned, never freed here
    std::uint32_t capacity;  // size of the storage in bytes
    std::uint32_t start;     // first written byte; == capacity when empty
};

// Tags understood by the encoders. The identifier octet is the low byte of the
// tag, with the constructed bit 0x20 added for SEQUENCE and SET only.
inline constexpr std::uint32_t kDerInteger = 2;
inline constexpr std::uint32_t kDerBitString = 3;
inline constexpr std::uint32_t kDerOctetString = 4;
inline constexpr std::uint32_t kDerNull = 5;
inline constexpr std::uint32_t kDerObjectIdentifier = 6;
inline constexpr std::uint32_t kDerSequence = 16;
inline constexpr std::uint32_t kDerSet = 17;
inline constexpr std::uint32_t kDerPrintableString = 19;
inline constexpr std::uint32_t kDerIa5String = 22;
inline constexpr std::uint32_t kDerContext0 = 0xA0;  // [0] constructed, DerPutHeader only

// Algorithm identifiers with a table entry. The digest values equal their
// DigestId, so a signer passes its DigestId straight in for the DigestInfo.
inline constexpr AlgorithmId kAlgMd2 = 2;
inline constexpr AlgorithmId kAlgMd4 = 4;
inline constexpr AlgorithmId kAlgMd5 = 5;
inline constexpr AlgorithmId kAlgSha1 = 6;
inline constexpr AlgorithmId kAlgRsaEncryption = 100;
inline constexpr AlgorithmId kAlgMd2WithRsa = 101;
inline constexpr AlgorithmId kAlgMd4WithRsa = 102;
inline constexpr AlgorithmId kAlgMd5WithRsa = 103;
inline constexpr AlgorithmId kAlgPbeWithMd2AndDesCbc = 104;
inline constexpr AlgorithmId kAlgPbeWithMd5AndDesCbc = 105;
inline constexpr AlgorithmId kAlgDesCbc = 106;
inline constexpr AlgorithmId kAlgRc4 = 107;
inline constexpr AlgorithmId kAlgPbeWithShaAnd40BitRc2Cbc = 108;
inline constexpr AlgorithmId kAlgPbeWithShaAnd128BitRc2Cbc = 109;
inline constexpr AlgorithmId kAlgPbeWithShaAnd3KeyTripleDesCbc = 110;
inline constexpr AlgorithmId kAlgSha1WithRsa = 111;
inline constexpr AlgorithmId kAlgDesEde3Cbc = 112;
inline constexpr AlgorithmId kAlgSha256WithRsa = 113;  // read in certificates

// Longest object identifier content in the table, in bytes.
inline constexpr std::uint32_t kMaxAlgorithmOidLength = 10;

// data := storage, capacity := capacity, start := capacity (empty).
// storage may be null only with capacity 0 (every prepend then fails).
void DerInit(DerBuffer* buffer, std::uint8_t* storage, std::uint32_t capacity);

// Copy the three fields out to *copy / back from *copy. Used to drop an
// optional element whose encoding failed.
void DerSaveState(const DerBuffer* buffer, DerBuffer* copy);
void DerRestoreState(DerBuffer* buffer, const DerBuffer* copy);

// Copies span's bytes so that they stand, in their own order, right before the
// written region (last byte first). Returns span.length; an empty span adds
// nothing and returns 0. If the storage runs out part-way it returns 0, the
// bytes already copied stay and start is 0. A null span.data with a nonzero
// length fails without writing. span may not point into the free part of the
// buffer's own storage.
std::uint32_t DerPrependBytes(DerBuffer* buffer, ByteSpan span);

// One byte; returns 1, or 0 when start is already 0.
std::uint32_t DerPrependByte(DerBuffer* buffer, std::uint8_t byte);

// span->length on entry: the most bytes wanted. Empty buffer: returns 0, span
// untouched. Otherwise n = min(wanted, written bytes); span receives a pointer
// to data + start and length n; start advances by n (the bytes leave the
// written region but stay in the storage); returns n.
std::uint32_t DerTake(DerBuffer* buffer, ByteSpan* span);

// Prepends the identifier octet (low byte of tag, +0x20 for 16 and 17) and the
// DER length octets of `length`. Returns the header size, 2 to 6, or 0.
std::uint32_t DerPutHeader(DerBuffer* buffer, std::uint32_t tag, std::uint32_t length);

// By tag:
//  16, 17, 2: header only, length = span.length (the contents must already be
//             in the buffer; span.data is not used); returns the header size.
//  3:         the bit string's bytes must already be in the buffer; prepends the
//             initial octet 00 (no unused bits), then the header with length
//             span.length + 1; returns header size + 1.
//  other:     prepends span's bytes (none when the length is 0), then the header;
//             returns header size + span.length. DerPutTlv(5, {}) gives 05 00.
// 0 on failure.
std::uint32_t DerPutTlv(DerBuffer* buffer, std::uint32_t tag, ByteSpan span);

// span: an unsigned big-endian magnitude (at least one byte), usually a
// fixed-width field with leading zeros, which are skipped (all zero: one zero
// byte remains). With asIs == 0 a 00 sign byte is added when the first
// remaining byte is 0x80 or more; with asIs != 0 never (only for values known
// to be below 0x80 in their leading byte). Returns contents + header, or 0.
std::uint32_t DerPutInteger(DerBuffer* buffer, ByteSpan span, int asIs);

// Copies the object identifier content octets of algorithmId into octets
// (room for kMaxAlgorithmOidLength bytes) and their count into *length.
// Returns 0, or StatusBadData for a value without an entry (outputs untouched).
int GetAlgorithmOid(AlgorithmId algorithmId, std::uint8_t* octets, std::uint32_t* length);

// The reverse: the table entry whose object identifier has these content
// octets (length bytes), or 0.
AlgorithmId DerFindAlgorithm(const std::uint8_t* oid, std::uint32_t length);

// Prepends SEQUENCE { OBJECT IDENTIFIER, NULL } for algorithmId (the parameters
// are NULL for every algorithm). Returns the size, or 0 for an identifier
// without an entry (nothing written) or full storage.
std::uint32_t DerPutAlgorithmIdentifier(DerBuffer* buffer, AlgorithmId algorithmId);

}  // namespace cerrojo
