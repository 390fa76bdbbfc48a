// Cerrojo X.509 certificate reader.

#include "der/certificate_reader.h"

#include <cstdint>
#include <cstring>

#include "crypto/digest.h"
#include "crypto/rsa.h"
#include "der/der.h"
#include "der/pem.h"
#include "der/reader.h"
#include "der/subject_reader.h"

namespace cerrojo {

namespace {

constexpr std::uint8_t kIdUtcTime = 0x17;
constexpr std::uint8_t kIdGeneralizedTime = 0x18;
constexpr std::uint8_t kIdIssuerUniqueId = 0x81;   // [1] IMPLICIT BIT STRING
constexpr std::uint8_t kIdSubjectUniqueId = 0x82;  // [2] IMPLICIT BIT STRING
constexpr std::uint8_t kIdExtensions = 0xA3;       // [3] EXPLICIT
constexpr std::uint32_t kVersion3 = 2;

// version [0] EXPLICIT INTEGER: absent (v1) or any value but 2 is not read.
int ReadVersion(DerReader* tbs, std::uint32_t* version) {
    if (DerPeekIdentifier(tbs) != kDerIdContext0) return StatusDerUnsupported;
    DerElement tagged, number;
    DerReader inner;
    std::uint32_t value = 0;
    int status = DerReadElement(tbs, &tagged);
    if (status == StatusOk) status = DerEnter(&tagged, &inner);
    if (status == StatusOk) status = DerReadExpected(&inner, kDerIdInteger, &number);
    if (status == StatusOk) status = DerReadDone(&inner);
    if (status == StatusOk) status = DerGetUint32(&number, &value);
    if (status == StatusDerTooLarge || (status == StatusOk && value != kVersion3)) {
        status = StatusDerUnsupported;
    }
    if (status == StatusOk) *version = 3;
    return status;
}

// CertificateSerialNumber ::= INTEGER, above 0, at most kMaxSerialLength octets.
int ReadSerial(DerReader* tbs, ParsedCertificate* certificate) {
    DerElement serial;
    const int status = DerReadExpected(tbs, kDerIdInteger, &serial);
    if (status != StatusOk) return status;
    const std::uint8_t* c = serial.contents;
    std::uint32_t length = serial.length;  // minimal: checked with the whole file
    if ((c[0] & 0x80) != 0 || (length == 1 && c[0] == 0)) return StatusDerBadValue;
    if (length > kMaxSerialLength) return StatusDerTooLarge;
    if (c[0] == 0) {  // the sign byte of a positive number
        ++c;
        --length;
    }
    certificate->serial = c;
    certificate->serialLength = length;
    return StatusOk;
}

// An AlgorithmIdentifier and its whole encoding.
int ReadAlgorithm(DerReader* reader, DerAlgorithm* algorithm, const std::uint8_t** encoding,
                  std::uint32_t* encodingLength) {
    const std::uint32_t start = reader->position;
    const int status = DerReadAlgorithm(reader, algorithm);
    *encoding = reader->data + start;
    *encodingLength = reader->position - start;
    return status;
}

bool IsLeapYear(std::uint32_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

std::uint32_t DaysInMonth(std::uint32_t year, std::uint32_t month) {
    constexpr std::uint8_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to year-month-day of the proleptic Gregorian calendar.
std::int64_t DaysFromEpoch(std::int64_t year, std::uint32_t month, std::uint32_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The number written with count decimal digits at text, or -1.
int Digits(const std::uint8_t* text, std::uint32_t count) {
    int value = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Time ::= UTCTime YYMMDDHHMMSSZ | GeneralizedTime YYYYMMDDHHMMSSZ
int ReadTime(DerReader* validity, DerTime* time) {
    DerElement element;
    const int status = DerReadElement(validity, &element);
    if (status != StatusOk) return status;
    const std::uint8_t* c = element.contents;
    std::uint32_t yearDigits;
    if (element.identifier == kIdUtcTime) {
        yearDigits = 2;
    } else if (element.identifier == kIdGeneralizedTime) {
        yearDigits = 4;
    } else {
        return StatusDerUnexpected;
    }
    if (element.length != yearDigits + 11 || c[yearDigits + 10] != 'Z') return StatusDerBadValue;
    int year = Digits(c, yearDigits);
    const int month = Digits(c + yearDigits, 2), day = Digits(c + yearDigits + 2, 2),
              hour = Digits(c + yearDigits + 4, 2), minute = Digits(c + yearDigits + 6, 2),
              second = Digits(c + yearDigits + 8, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59) {
        return StatusDerBadValue;
    }
    if (yearDigits == 2) year += year >= 50 ? 1900 : 2000;
    if (static_cast<std::uint32_t>(day) > DaysInMonth(year, month)) return StatusDerBadValue;
    time->year = static_cast<std::uint16_t>(year);
    time->month = static_cast<std::uint8_t>(month);
    time->day = static_cast<std::uint8_t>(day);
    time->hour = static_cast<std::uint8_t>(hour);
    time->minute = static_cast<std::uint8_t>(minute);
    time->second = static_cast<std::uint8_t>(second);
    time->seconds = DaysFromEpoch(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return StatusOk;
}

// Validity ::= SEQUENCE { notBefore Time, notAfter Time }
int ReadValidity(DerReader* tbs, ParsedCertificate* certificate) {
    DerElement validity;
    DerReader times;
    int status = DerReadExpected(tbs, kDerIdSequence, &validity);
    if (status == StatusOk) status = DerEnter(&validity, &times);
    if (status == StatusOk) status = ReadTime(&times, &certificate->notBefore);
    if (status == StatusOk) status = ReadTime(&times, &certificate->notAfter);
    return status == StatusOk ? DerReadDone(&times) : status;
}

// [1] or [2] IMPLICIT BIT STRING, when present: stepped over, its form checked.
int SkipUniqueId(DerReader* tbs, std::uint8_t identifier) {
    if (DerPeekIdentifier(tbs) != identifier) return StatusOk;
    DerElement element;
    const int status = DerReadElement(tbs, &element);
    if (status != StatusOk) return status;
    element.identifier = kDerIdBitString;
    return DerCheckContents(&element);
}

// Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER, critical BOOLEAN DEFAULT
// FALSE, extnValue OCTET STRING }
int CheckExtension(DerReader* extensions) {
    DerElement extension, id, critical, value;
    DerReader parts;
    int status = DerReadExpected(extensions, kDerIdSequence, &extension);
    if (status == StatusOk) status = DerEnter(&extension, &parts);
    if (status == StatusOk) status = DerReadExpected(&parts, kDerIdObjectIdentifier, &id);
    if (status == StatusOk && DerPeekIdentifier(&parts) == kDerIdBoolean) {
        status = DerReadElement(&parts, &critical);
        // DER leaves a value equal to its DEFAULT out.
        if (status == StatusOk && critical.contents[0] == 0x00) status = StatusDerBadValue;
    }
    if (status == StatusOk) status = DerReadExpected(&parts, kDerIdOctetString, &value);
    return status == StatusOk ? DerReadDone(&parts) : status;
}

// extensions [3] EXPLICIT SEQUENCE SIZE (1..MAX) OF Extension, when present.
int CheckExtensions(DerReader* tbs, std::uint32_t* count) {
    if (DerPeekIdentifier(tbs) != kIdExtensions) return StatusOk;
    DerElement tagged, sequence;
    DerReader inner, extensions;
    int status = DerReadElement(tbs, &tagged);
    if (status == StatusOk) status = DerEnter(&tagged, &inner);
    if (status == StatusOk) status = DerReadExpected(&inner, kDerIdSequence, &sequence);
    if (status == StatusOk) status = DerReadDone(&inner);
    if (status == StatusOk) status = DerEnter(&sequence, &extensions);
    if (status == StatusOk && DerReaderAtEnd(&extensions)) status = StatusDerBadValue;
    while (status == StatusOk && !DerReaderAtEnd(&extensions)) {
        status = CheckExtension(&extensions);
        if (status == StatusOk) ++*count;
    }
    return status;
}

int ReadTbsCertificate(DerReader* tbs, ParsedCertificate* certificate,
                       const std::uint8_t** algorithm, std::uint32_t* algorithmLength) {
    DerAlgorithm signature;
    int status = ReadVersion(tbs, &certificate->version);
    if (status == StatusOk) status = ReadSerial(tbs, certificate);
    if (status == StatusOk) status = ReadAlgorithm(tbs, &signature, algorithm, algorithmLength);
    if (status == StatusOk) status = DerReadName(tbs, &certificate->issuer);
    if (status == StatusOk) status = ReadValidity(tbs, certificate);
    if (status == StatusOk) status = DerReadName(tbs, &certificate->subject);
    if (status == StatusOk) status = DerReadRsaPublicKeyInfo(tbs, &certificate->publicKey);
    if (status == StatusOk) status = SkipUniqueId(tbs, kIdIssuerUniqueId);
    if (status == StatusOk) status = SkipUniqueId(tbs, kIdSubjectUniqueId);
    if (status == StatusOk) status = CheckExtensions(tbs, &certificate->extensionCount);
    return status == StatusOk ? DerReadDone(tbs) : status;
}

int ReadCertificate(const std::uint8_t* data, std::uint32_t length,
                    ParsedCertificate* certificate) {
    if (length > kMaxCertificateFile) return StatusDerTooLarge;
    DerReader outer, tbs;
    DerElement whole, tbsElement, signature;
    int status = DerOpenFile(data, length, kDerIdSequence, &whole, &outer);
    if (status == StatusOk) status = DerReadExpected(&outer, kDerIdSequence, &tbsElement);
    if (status != StatusOk) return status;
    certificate->tbs = tbsElement.encoding;
    certificate->tbsLength = tbsElement.encodingLength;

    const std::uint8_t *inner = nullptr, *outerEncoding = nullptr;
    std::uint32_t innerLength = 0, outerLength = 0;
    DerAlgorithm algorithm;
    status = DerEnter(&tbsElement, &tbs);
    if (status == StatusOk) status = ReadTbsCertificate(&tbs, certificate, &inner, &innerLength);
    if (status == StatusOk) status = ReadAlgorithm(&outer, &algorithm, &outerEncoding, &outerLength);
    if (status == StatusOk) status = DerReadExpected(&outer, kDerIdBitString, &signature);
    if (status == StatusOk) status = DerReadDone(&outer);
    if (status == StatusOk) {
        status = DerGetBitString(&signature, &certificate->signature,
                                 &certificate->signatureLength);
    }
    if (status != StatusOk) return status;

    if (innerLength != outerLength || std::memcmp(inner, outerEncoding, innerLength) != 0) {
        return StatusDerBadValue;
    }
    status = DerCheckSignatureParameters(&algorithm);
    if (status != StatusOk) return status;
    certificate->signatureAlgorithm = algorithm.id;
    certificate->signatureOid = algorithm.oid;
    certificate->signatureOidLength = algorithm.oidLength;
    return StatusOk;
}

}  // namespace

int ParseCertificate(const std::uint8_t* data, std::uint32_t length,
                     ParsedCertificate* certificate) {
    std::memset(certificate, 0, sizeof(*certificate));
    return ReadCertificate(data, length, certificate);
}

int CertificateFileToDer(const std::uint8_t* file, std::uint32_t length, std::uint8_t* storage,
                         std::uint32_t capacity, const std::uint8_t** der,
                         std::uint32_t* derLength) {
    if (length > kMaxCertificateFile) return StatusDerTooLarge;
    if (length > 0 && file[0] == kDerIdSequence) {
        *der = file;
        *derLength = length;
        return StatusOk;
    }
    std::uint32_t decoded = 0;
    const int status = PemDecode(file, length, "CERTIFICATE", storage, capacity, &decoded);
    if (status != StatusOk) return status;
    *der = storage;
    *derLength = decoded;
    return StatusOk;
}

int VerifyCertificateSignature(const ParsedCertificate* certificate,
                               const RsaPublicKey* issuerKey) {
    // The DigestInfo's DER up to the digest (RFC 8017, section 9.2, note 1).
    static constexpr std::uint8_t kMd5Prefix[] = {0x30, 0x20, 0x30, 0x0C, 0x06, 0x08, 0x2A,
                                                  0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x05,
                                                  0x05, 0x00, 0x04, 0x10};
    static constexpr std::uint8_t kSha1Prefix[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B,
                                                   0x0E, 0x03, 0x02, 0x1A, 0x05, 0x00, 0x04,
                                                   0x14};
    static constexpr std::uint8_t kSha256Prefix[] = {
        0x30, 0x31, 0x30, 0x0D, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
        0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
    const std::uint8_t* prefix = kSha256Prefix;
    std::uint32_t prefixLength = sizeof kSha256Prefix;
    DigestId digest = 0;  // SHA-256, which has no selector id
    switch (certificate->signatureAlgorithm) {
        case kAlgMd5WithRsa:
            prefix = kMd5Prefix, prefixLength = sizeof kMd5Prefix, digest = DigestMd5;
            break;
        case kAlgSha1WithRsa:
            prefix = kSha1Prefix, prefixLength = sizeof kSha1Prefix, digest = DigestSha1;
            break;
        case kAlgSha256WithRsa:
            break;
        default:
            return StatusDerUnsupported;
    }
    std::uint8_t expected[sizeof kSha256Prefix + kSha256Length];
    std::memcpy(expected, prefix, prefixLength);
    std::uint32_t expectedLength = kSha256Length;
    if (digest == 0) {
        Sha256Context context;
        Sha256Init(&context);
        Sha256Update(&context, certificate->tbs, certificate->tbsLength);
        Sha256Final(expected + prefixLength, &context);
    } else if (ComputeDigest(expected + prefixLength, &expectedLength, certificate->tbs,
                             certificate->tbsLength, digest) != StatusOk) {
        return StatusBadData;
    }
    expectedLength += prefixLength;
    std::uint8_t recovered[kMaxRsaModulusLen];
    std::uint32_t recoveredLength = 0;
    const int status = RsaPublicDecrypt(recovered, &recoveredLength, certificate->signature,
                                        certificate->signatureLength, issuerKey);
    if (status != StatusOk) return status;
    if (recoveredLength != expectedLength ||
        std::memcmp(recovered, expected, expectedLength) != 0) {
        return StatusBadData;
    }
    return StatusOk;
}

}  // namespace cerrojo
