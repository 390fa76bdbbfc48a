// Cerrojo subject reader: the two parts a certification request and a
// certificate share, read with the strict DER reader (der/reader.h): a Name
// and an RSA SubjectPublicKeyInfo.
//
//   Name ::= SEQUENCE OF RelativeDistinguishedName
//   RelativeDistinguishedName ::= SET SIZE (1..MAX) OF AttributeTypeAndValue
//   AttributeTypeAndValue ::= SEQUENCE { type OBJECT IDENTIFIER, value ANY }
//   SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier,
//                                       subjectPublicKey BIT STRING }
//   RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
//
// A name value must be one of the string types below, or a BIT STRING under
// x500UniqueIdentifier (where the request writer puts the RFC), and its bytes
// must fit the type:
//   UTF8String       well-formed UTF-8: shortest forms, no surrogates, at
//                    most U+10FFFF
//   BMPString        an even length, no surrogate code unit
//   UniversalString  a multiple of 4, each character at most U+10FFFF and no
//                    surrogate
//   IA5String        bytes 00..7F
//   NumericString    digits and space
//   PrintableString, TeletexString  any bytes: the request writer copies
//                    Windows-1252 text under PrintableString unchanged (accented
//                    letters, '\', '#', '@', ';' and the like), so its alphabet
//                    is not enforced
// Other types (OCTET STRING, NULL, context-tagged, VisibleString...) are refused.
#pragma once

#include <cstdint>

#include "crypto/rsa.h"
#include "der/reader.h"

namespace cerrojo {

// One value as it stands in the file: the element's identifier octet and its
// contents (a BIT STRING keeps its initial octet). data is null when absent.
struct DerValue {
    std::uint8_t identifier;
    const std::uint8_t* data;
    std::uint32_t length;
};

// The most attributes a Name may hold; a longer Name is refused.
inline constexpr std::uint32_t kMaxNameAttributes = 32;

// One AttributeTypeAndValue of a Name.
struct DerNameAttribute {
    const std::uint8_t* type;  // the OBJECT IDENTIFIER's content octets
    std::uint32_t typeLength;
    int slot;            // the name slot of der/name.h with this type, or -1
    std::uint32_t rdn;   // index of its RelativeDistinguishedName (several share one)
    DerValue value;
};

// A Name as read: its attributes in file order.
struct DerName {
    const std::uint8_t* encoding;  // the whole Name with its header
    std::uint32_t encodingLength;
    std::uint32_t count;
    DerNameAttribute attributes[kMaxNameAttributes];
};

// The first slot of a slot table (GetNameAttributeOid or
// GetRequestAttributeOid of der/name.h, slotCount slots) whose attribute type
// has the content octets oid[0..length), or -1 when none has.
int DerFindSlot(int (*table)(int slot, std::uint8_t* octets), int slotCount,
                const std::uint8_t* oid, std::uint32_t length);

// Reads the next element of reader as a Name into *name, whose pointers then
// point into the reader's bytes. An empty Name (30 00) is read with count 0.
// Returns 0; a reader status for anything not a Name (StatusDerBadValue also
// for an empty RelativeDistinguishedName); StatusDerUnexpected for a value
// whose type is not allowed; StatusDerBadValue for a value whose bytes do not
// fit its type; StatusDerTooLarge beyond kMaxNameAttributes. On failure the
// reader may have stepped over the Name and *name holds what was read.
int DerReadName(DerReader* reader, DerName* name);

// Reads the next element of reader as a SubjectPublicKeyInfo holding an RSA
// key (rsaEncryption, parameters NULL or absent; the BIT STRING holds exactly
// one RSAPublicKey) into *key, with bits = the modulus' bit length.
// Returns 0; a reader status; StatusDerUnsupported for another algorithm or
// parameters; StatusDerTooLarge for a modulus or exponent above 2,048 bits
// (refused, never cut); StatusDerBadValue for a zero or negative one.
// On failure *key may hold a part.
int DerReadRsaPublicKeyInfo(DerReader* reader, RsaPublicKey* key);

}  // namespace cerrojo
