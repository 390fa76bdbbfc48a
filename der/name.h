// Cerrojo subject Name and request attributes from fixed-layout slot arrays.
//
// The index of a slot fixes the attribute type it produces; the caller picks
// the attributes by filling or leaving empty the slots. Values are copied as
// they are (Windows-1252 bytes included): no character-set check or
// conversion is made. The encoders never look at the text.
#pragma once

#include <cstdint>

#include "crypto/common.h"
#include "der/der.h"

namespace cerrojo {

inline constexpr int kNameSlotCount = 20;
inline constexpr int kAttributeSlotCount = 25;

// Subject name slots. A slot is empty when its pointer is null or its length 0.
//   0 organizationName       2.5.4.10    5 postalCode          2.5.4.17
//   1 organizationalUnitName 2.5.4.11    6 countryName         2.5.4.6
//   2 commonName             2.5.4.3     7 stateOrProvinceName 2.5.4.8
//   3 title                  2.5.4.12    8 localityName        2.5.4.7
//   4 streetAddress          2.5.4.9     9 x500UniqueIdentifier 2.5.4.45 (BIT STRING)
//  10 serialNumber           2.5.4.5    11 emailAddress 1.2.840.113549.1.9.1 (IA5String)
//  12 businessCategory       2.5.4.15   13 telephoneNumber     2.5.4.20
//  14 facsimileTelephoneNumber 2.5.4.23  15..19 no entry: filling one fails the Name
// Values are PrintableString unless noted.
using NameSlots = ByteSpan[kNameSlotCount];

// Request attribute slots. A slot is empty when its pointer is null; its length
// is not consulted (pointer + length 0 gives an empty string value).
//   0 emailAddress (IA5String)        1 challengePassword   2 extendedCertificateAttributes
//   3 1.3.15.1   4 1.3.15.2            5..7 Netscape cert type, comment, SSL server name
//   8..14 2.37.1117.1931.{3,5,7,13,23,29,31}
//  15 keyUsage 16 basicConstraints 17 extKeyUsage 18 certificatePolicies
//  19 cRLDistributionPoints 20 subjectAltName 21 issuerAltName
//  22 authorityInfoAccess 23 OCSP no-check   24 no entry: filling it fails the block
// Values are PrintableString except slot 0.
using AttributeSlots = ByteSpan[kAttributeSlotCount];

// Content octets of the name slot's attribute type into octets (room for 9
// bytes); returns their count (3 or 9), or -1 for a slot without an entry
// (negative, or 15 and above; octets untouched).
int GetNameAttributeOid(int slot, std::uint8_t* octets);

// The same for the attribute slots; returns 3, 6, 8 or 9, or -1 (slot 24 and
// above, or negative).
int GetRequestAttributeOid(int slot, std::uint8_t* octets);

// Prepends the Name:
//   Name ::= SEQUENCE OF RelativeDistinguishedName
//   RelativeDistinguishedName ::= SET { SEQUENCE { type OBJECT IDENTIFIER, value } }
// one RDN per filled slot, in the order 0..10, 12..14, then 11. With no slot
// filled the result is 30 00. Returns the size, or 0 (storage exhausted, or a
// filled slot 15..19).
std::uint32_t DerPutName(DerBuffer* buffer, const NameSlots& nameSlots);

// Prepends the attribute block:
//   [0] IMPLICIT SET OF Attribute       (contextTagged != 0, identifier A0)
//   SET OF Attribute                    (contextTagged == 0, identifier 31)
//   Attribute ::= SEQUENCE { type OBJECT IDENTIFIER, values SET { value } }
// with the filled slots in descending slot order. includeChallenge == 0 leaves
// slot 1 out even when filled. Returns the size, or 0 when no slot was
// encoded (nothing written), storage ran out, or slot 24 is filled.
std::uint32_t DerPutAttributes(DerBuffer* buffer, const AttributeSlots& attributeSlots,
                               int includeChallenge, int contextTagged);

// As DerPutAttributes; on a 0 result *outOfStorage tells whether the storage
// ran out (true) or the block was empty or had a slot without an entry (false).
std::uint32_t DerPutAttributesChecked(DerBuffer* buffer, const AttributeSlots& attributeSlots,
                                      int includeChallenge, int contextTagged, bool* outOfStorage);

}  // namespace cerrojo
