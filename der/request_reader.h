// Cerrojo PKCS#10 reader: a certification request file read back into a plain
// record, and its signature checked with its own public key.
//
//   CertificationRequest ::= SEQUENCE {
//       certificationRequestInfo  SEQUENCE {
//           version       INTEGER (0),
//           subject       Name,                 -- der/subject_reader.h
//           subjectPKInfo SubjectPublicKeyInfo, -- RSA, der/subject_reader.h
//           attributes    [0] IMPLICIT SET OF Attribute OPTIONAL },
//       signatureAlgorithm        AlgorithmIdentifier,
//       signature                 BIT STRING }
//   Attribute ::= SEQUENCE { type OBJECT IDENTIFIER, values SET OF ANY }
//
// The attributes block may be absent (the writer leaves it out when empty) or
// present and empty (other writers emit A0 00).
#pragma once

#include <cstdint>

#include "crypto/common.h"
#include "crypto/rsa.h"
#include "der/name.h"
#include "der/subject_reader.h"

namespace cerrojo {

struct ParsedRequest {
    const std::uint8_t* info;  // the CertificationRequestInfo with its header, as signed
    std::uint32_t infoLength;
    // By the slot numbering of der/name.h: the first value of each attribute
    // type the tables know; other types are skipped. Slot 24 stays empty.
    DerValue subject[kNameSlotCount];
    DerValue attributes[kAttributeSlotCount];
    RsaPublicKey publicKey;            // bits = the modulus' bit length
    AlgorithmId signatureAlgorithm;    // table entry, 0 when the identifier has none
    const std::uint8_t* signatureOid;  // the identifier's content octets
    std::uint32_t signatureOidLength;
    const std::uint8_t* signature;  // the BIT STRING's bytes after its initial octet
    std::uint32_t signatureLength;
};

// Reads a request file, data[0..length), into *request, whose pointers then
// point into data (which must outlive it). The whole encoding is checked with
// DerValidate first. A signature algorithm without a table entry is not a
// failure (signatureAlgorithm 0); its parameters must be NULL or absent when
// it is one of the RSA signature algorithms.
// Returns 0; a reader status for a file that is not such a request
// (StatusDerTrailing for bytes after it); StatusDerUnsupported for a version
// other than 0 or a key that is not rsaEncryption; StatusDerTooLarge for a
// modulus or exponent above 2,048 bits (refused, never cut) or a subject of
// more than kMaxNameAttributes attributes; StatusDerBadValue for a zero
// modulus or exponent; the subject's values follow the rule of DerReadName
// (StatusDerUnexpected: a value that is no string; StatusDerBadValue: bytes
// that do not fit its string type). The record is cleared first; on failure
// it holds what was read before the fault.
int ParseCertificationRequest(const std::uint8_t* data, std::uint32_t length,
                              ParsedRequest* request);

// Checks the signature of a parsed request over its request info with its
// own public key: PKCS#1 v1.5, the DigestInfo { digest AlgorithmIdentifier
// with NULL parameters, OCTET STRING digest } for 101 MD2, 102 MD4, 103 MD5
// or 111 SHA-1 with RSA. Returns 0; StatusDerUnsupported (another signature
// algorithm); the status of RsaPublicDecrypt (StatusBadLength: a signature
// not exactly as long as the modulus; StatusBadData: not a type-1 block); or
// StatusBadData when the block holds anything but the expected DigestInfo.
// Only public values are handled; nothing is wiped.
int VerifyRequestSignature(const ParsedRequest* request);

}  // namespace cerrojo
