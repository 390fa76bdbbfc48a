// Cerrojo DER reader: a strict, bounded reader over caller bytes, the
// counterpart of the writer in der/der.h.
//
// What is accepted is DER as X.690 defines it, minus what these files never
// use:
//   - identifier octets in the low-tag-number form only (tag numbers 0..30);
//     universal SEQUENCE and SET constructed, every other universal type
//     primitive (no constructed strings), universal tag 0 refused;
//   - definite lengths in their shortest form: one octet below 128, else
//     0x81..0x84 followed by the length without a leading zero byte;
//   - every element inside the bytes that enclose it: nothing is ever read
//     outside data[0..length) of a reader;
//   - at most kDerMaxDepth levels of nesting;
//   - no bytes after the last element where a structure ends.
// SET OF is not required to be sorted: the writer emits request attributes in
// slot order, and its own files must read back.
//
// Readers and elements are caller-owned plain records that point into the
// caller's bytes, which must outlive them. Nothing here allocates or keeps
// state between calls; numbers are copied only into the caller's fields.
#pragma once

#include <cstdint>

#include "crypto/common.h"

namespace cerrojo {

// Reader statuses (0 is success).
inline constexpr int StatusDerTruncated = 0x420;  // an element runs past the bytes that enclose it
inline constexpr int StatusDerBadLength = 0x421;  // indefinite, non-minimal or over-long length
inline constexpr int StatusDerBadTag =
    0x422;  // high tag number, or a universal type in the wrong form
inline constexpr int StatusDerUnexpected = 0x423;  // not the element the structure calls for
inline constexpr int StatusDerTooDeep = 0x424;     // nesting deeper than kDerMaxDepth
inline constexpr int StatusDerTrailing = 0x425;    // bytes after the last element of a structure
inline constexpr int StatusDerBadValue =
    0x426;  // contents not in DER form, or a value not allowed here
inline constexpr int StatusDerTooLarge = 0x427;  // a number larger than the field that receives it
inline constexpr int StatusDerUnsupported =
    0x428;  // well formed, but an algorithm or version not handled

inline constexpr std::uint32_t kDerMaxDepth = 16;

// Identifier octets the readers look for.
inline constexpr std::uint8_t kDerIdBoolean = 0x01;
inline constexpr std::uint8_t kDerIdInteger = 0x02;
inline constexpr std::uint8_t kDerIdBitString = 0x03;
inline constexpr std::uint8_t kDerIdOctetString = 0x04;
inline constexpr std::uint8_t kDerIdNull = 0x05;
inline constexpr std::uint8_t kDerIdObjectIdentifier = 0x06;
inline constexpr std::uint8_t kDerIdEnumerated = 0x0A;
inline constexpr std::uint8_t kDerIdUtf8String = 0x0C;
inline constexpr std::uint8_t kDerIdPrintableString = 0x13;
inline constexpr std::uint8_t kDerIdTeletexString = 0x14;
inline constexpr std::uint8_t kDerIdIa5String = 0x16;
inline constexpr std::uint8_t kDerIdUniversalString = 0x1C;
inline constexpr std::uint8_t kDerIdBmpString = 0x1E;
inline constexpr std::uint8_t kDerIdSequence = 0x30;
inline constexpr std::uint8_t kDerIdSet = 0x31;
inline constexpr std::uint8_t kDerIdContext0 = 0xA0;  // [0] constructed
inline constexpr std::uint8_t kDerConstructed = 0x20;

// A run of elements: the bytes data[0..length), read from position on.
// depth is the nesting level of the elements it yields (1 for a whole file).
struct DerReader {
    const std::uint8_t* data;
    std::uint32_t length;
    std::uint32_t position;
    std::uint32_t depth;
};

// One element as it stands in the bytes.
struct DerElement {
    std::uint8_t identifier;
    const std::uint8_t* contents;  // length bytes
    std::uint32_t length;
    const std::uint8_t* encoding;  // identifier, length octets and contents
    std::uint32_t encodingLength;
    std::uint32_t depth;  // the nesting level of this element
};

// An AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER, parameters ANY OPTIONAL }.
struct DerAlgorithm {
    AlgorithmId id;           // the table entry (der/der.h), 0 when the identifier has none
    const std::uint8_t* oid;  // the identifier's content octets
    std::uint32_t oidLength;
    int hasParameters;      // 0 when the parameters are absent
    DerElement parameters;  // meaningful only when hasParameters
};

// A reader over data[0..length) at depth 1. data may be null only with length 0.
void DerReaderInit(DerReader* reader, const std::uint8_t* data, std::uint32_t length);

// 1 when every byte of the reader has been read, else 0.
int DerReaderAtEnd(const DerReader* reader);

// The identifier octet of the next element, or -1 at the end. Reads one byte.
int DerPeekIdentifier(const DerReader* reader);

// Reads the next element's identifier and length and steps over it.
// Returns 0; StatusDerTruncated (nothing left, or the element runs past the
// reader's bytes), StatusDerBadLength or StatusDerBadTag. On failure neither
// the reader nor *element changes. Contents are not examined.
int DerReadElement(DerReader* reader, DerElement* element);

// DerReadElement that also requires the identifier octet `identifier`:
// another one gives StatusDerUnexpected, with the reader unchanged.
int DerReadExpected(DerReader* reader, std::uint8_t identifier, DerElement* element);

// *inner := a reader over the element's contents, one level deeper. Works for
// primitive elements too (an OCTET STRING that holds DER). Returns 0, or
// StatusDerTooDeep (inner untouched) beyond kDerMaxDepth.
int DerEnter(const DerElement* element, DerReader* inner);

// *inner := a reader over the bytes of a BIT STRING without its initial
// octet, one level deeper. Returns 0; StatusDerUnexpected (not a BIT STRING);
// StatusDerBadValue (empty, or unused bits: only whole bytes hold DER);
// StatusDerTooDeep.
int DerEnterBitString(const DerElement* element, DerReader* inner);

// 0 when the reader has been read to its end, else StatusDerTrailing.
int DerReadDone(const DerReader* reader);

// 0 when a primitive element's contents are in DER form for its universal
// type: BOOLEAN 00 or FF; INTEGER and ENUMERATED minimal; BIT STRING with an
// initial octet 0..7 (0 when empty) and its unused bits zero; NULL empty;
// OBJECT IDENTIFIER of minimal base-128 subidentifiers. Other types and
// classes are not examined. Otherwise StatusDerBadValue.
int DerCheckContents(const DerElement* element);

// Checks a whole encoding: exactly one element covering data[0..length),
// every nested constructed element read to its end, every primitive checked
// with DerCheckContents, nesting at most kDerMaxDepth (no recursion: the
// walk keeps its own bounded stack). Returns 0 or the first reader status.
int DerValidate(const std::uint8_t* data, std::uint32_t length);

// The start of reading a whole file: DerValidate over data[0..length), then
// *whole := its one element, which must have the identifier octet
// `identifier`, and *contents := a reader over that element's contents.
// Returns 0 or the first reader status (StatusDerUnexpected for another
// identifier).
int DerOpenFile(const std::uint8_t* data, std::uint32_t length, std::uint8_t identifier,
                DerElement* whole, DerReader* contents);

// An INTEGER that must be 0 or positive, as big-endian bytes right-aligned in
// field[0..width) with leading zeros. Returns 0; StatusDerUnexpected (not an
// INTEGER); StatusDerBadValue (empty, not minimal, or negative);
// StatusDerTooLarge (the magnitude needs more than width bytes: refused, never
// cut). On failure the field is untouched.
int DerGetUnsigned(const DerElement* element, std::uint8_t* field, std::uint32_t width);

// The same for a number that must fit 32 bits.
int DerGetUint32(const DerElement* element, std::uint32_t* value);

// Reads an INTEGER that must be 0 (a structure's version). Returns 0, a
// reader status, or StatusDerUnsupported for any other value.
int DerReadVersionZero(DerReader* reader);

// The bytes of a BIT STRING without its initial octet, which must be 0 (whole
// bytes). Returns 0, StatusDerUnexpected or StatusDerBadValue; outputs
// untouched on failure.
int DerGetBitString(const DerElement* element, const std::uint8_t** bytes, std::uint32_t* length);

// Reads an AlgorithmIdentifier: a SEQUENCE of an OBJECT IDENTIFIER (checked
// with DerCheckContents) and at most one parameters element. An identifier
// without a table entry is not a failure (id 0). Returns 0 or a reader status;
// on failure the reader may have stepped over the SEQUENCE.
int DerReadAlgorithm(DerReader* reader, DerAlgorithm* algorithm);

// 1 when the algorithm's parameters are absent or NULL, else 0.
int DerParametersEmpty(const DerAlgorithm* algorithm);

// 0 when the algorithm is no RSA signature algorithm of the table (md2, md4,
// md5, sha1 or sha256 with RSA) or its parameters are absent or NULL, else
// StatusDerBadValue.
int DerCheckSignatureParameters(const DerAlgorithm* algorithm);

// The bit length of a big-endian number of width bytes (0 for zero).
std::uint32_t DerBitLength(const std::uint8_t* field, std::uint32_t width);

}  // namespace cerrojo
