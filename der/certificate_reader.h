// Cerrojo X.509 certificate reader: a certificate file (DER, or one PEM
// "CERTIFICATE" block) read into a plain record with the strict DER reader of
// der/reader.h, under the same rules as the request reader: definite minimal
// lengths, at most kDerMaxDepth levels, nothing after the end, and at most
// kMaxCertificateFile bytes.
//
//   Certificate ::= SEQUENCE {
//       tbsCertificate      TBSCertificate,
//       signatureAlgorithm  AlgorithmIdentifier,
//       signatureValue      BIT STRING }
//   TBSCertificate ::= SEQUENCE {
//       version         [0] EXPLICIT INTEGER (2),      -- v3 only
//       serialNumber        INTEGER,                   -- positive, at most 20 octets
//       signature           AlgorithmIdentifier,       -- the same as signatureAlgorithm
//       issuer              Name,                      -- der/subject_reader.h
//       validity            SEQUENCE { notBefore Time, notAfter Time },
//       subject             Name,
//       subjectPublicKeyInfo SubjectPublicKeyInfo,     -- RSA, der/subject_reader.h
//       issuerUniqueID  [1] IMPLICIT BIT STRING OPTIONAL,
//       subjectUniqueID [2] IMPLICIT BIT STRING OPTIONAL,
//       extensions      [3] EXPLICIT SEQUENCE SIZE (1..MAX) OF Extension OPTIONAL }
//   Time ::= CHOICE { utcTime UTCTime, generalTime GeneralizedTime }
//   Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER,
//                            critical BOOLEAN DEFAULT FALSE,
//                            extnValue OCTET STRING }
//
// Times are read in their DER forms only: UTCTime YYMMDDHHMMSSZ (YY 50..99 is
// 19YY, 00..49 is 20YY) and GeneralizedTime YYYYMMDDHHMMSSZ, seconds present,
// no fraction, no offset, every field within its range (29 February only in
// leap years, no leap second). Extensions are checked for their form (DER:
// critical present only when TRUE) and not interpreted.
#pragma once

#include <cstdint>

#include "crypto/common.h"
#include "crypto/rsa.h"
#include "der/subject_reader.h"

namespace cerrojo {

// The largest certificate file read, DER or PEM, in bytes.
inline constexpr std::uint32_t kMaxCertificateFile = 65536;

// The most serial number octets read (RFC 5280's limit, sign byte included).
inline constexpr std::uint32_t kMaxSerialLength = 20;

// A point in time, UTC.
struct DerTime {
    std::int64_t seconds;  // since 1970-01-01 00:00:00 UTC (negative before): compare these
    std::uint16_t year;    // 1950..2049 from a UTCTime, 0..9999 from a GeneralizedTime
    std::uint8_t month;    // 1..12
    std::uint8_t day;      // 1..31
    std::uint8_t hour;     // 0..23
    std::uint8_t minute;   // 0..59
    std::uint8_t second;   // 0..59
};

struct ParsedCertificate {
    const std::uint8_t* tbs;  // the TBSCertificate with its header, as signed
    std::uint32_t tbsLength;
    std::uint32_t version;         // 3, the only one read
    const std::uint8_t* serial;    // big-endian magnitude, without the sign byte
    std::uint32_t serialLength;    // 1..20
    AlgorithmId signatureAlgorithm;    // table entry (der/der.h), 0 when the identifier has none
    const std::uint8_t* signatureOid;  // the identifier's content octets
    std::uint32_t signatureOidLength;
    DerName issuer;
    DerName subject;
    DerTime notBefore;
    DerTime notAfter;
    RsaPublicKey publicKey;           // bits = the modulus' bit length
    std::uint32_t extensionCount;     // 0 when the block is absent
    const std::uint8_t* signature;    // the BIT STRING's bytes after its initial octet
    std::uint32_t signatureLength;
};

// Reads a DER certificate, data[0..length), into *certificate, whose pointers
// then point into data (which must outlive it). The whole encoding is checked
// with DerValidate first. A signature algorithm without a table entry is not a
// failure (signatureAlgorithm 0); the RSA signature algorithms must have NULL
// or absent parameters.
// Returns 0; StatusDerTooLarge for more than kMaxCertificateFile bytes, a
// serial number longer than kMaxSerialLength, a Name of more than
// kMaxNameAttributes attributes or an RSA number above 2,048 bits (refused,
// never cut); a reader status for bytes that are not such a certificate
// (StatusDerTrailing for bytes after it); StatusDerUnsupported for a version
// other than v3 (v1 and v2 included) or a key that is not rsaEncryption;
// StatusDerBadValue for a serial number not above 0, an inner signature
// algorithm that differs from the outer one, a time not in the forms above, a
// zero RSA number, an empty extensions block or a critical flag written FALSE;
// the Names follow DerReadName (StatusDerUnexpected: a value that is no
// string; StatusDerBadValue: bytes that do not fit their type). The record
// is cleared first; on failure it holds what was read before the fault.
int ParseCertificate(const std::uint8_t* data, std::uint32_t length,
                     ParsedCertificate* certificate);

// The DER bytes of a certificate file, file[0..length): the file itself when
// its first byte is a SEQUENCE identifier (0x30), otherwise its PEM
// "CERTIFICATE" block decoded (der/pem.h) into storage[0..capacity). *der and
// *derLength then give the bytes to hand to ParseCertificate (pointing into
// file or storage).
// Returns 0; StatusDerTooLarge for a file of more than kMaxCertificateFile
// bytes or a block that does not fit storage; the status of PemDecode for a
// text that is not one well-formed block. Outputs untouched on failure.
int CertificateFileToDer(const std::uint8_t* file, std::uint32_t length, std::uint8_t* storage,
                         std::uint32_t capacity, const std::uint8_t** der,
                         std::uint32_t* derLength);

// Checks the signature of a parsed certificate over its TBSCertificate, as
// it stands in the file, with the issuer's public key: PKCS#1 v1.5, the
// DigestInfo { digest AlgorithmIdentifier with NULL parameters, OCTET STRING
// digest } for 103 MD5, 111 SHA-1 or 114 SHA-256 with RSA.
// Returns 0; StatusDerUnsupported (another signature algorithm); the status
// of RsaPublicDecrypt (StatusBadLength: a signature not exactly as long as
// the issuer's modulus; StatusBadData: not a type-1 block); or StatusBadData
// when the block holds anything but the expected DigestInfo. Only public
// values are handled; nothing is wiped.
int VerifyCertificateSignature(const ParsedCertificate* certificate,
                               const RsaPublicKey* issuerKey);

}  // namespace cerrojo
