// Cerrojo PKCS#10 certification request builder and signer.
#include "der/request.h"

#include <cstring>
#include <new>

#include "crypto/digest.h"
#include "der/work_area.h"

namespace cerrojo {

namespace {

constexpr std::uint32_t kDigestInfoAreaSize = 256;

using detail::Field;
using detail::ReleaseArea;

}  // namespace

// subjectPublicKey BIT STRING ::= 00 || RSAPublicKey
// RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
std::uint32_t DerPutRsaPublicKey(DerBuffer* buffer, const RsaPublicKey* publicKey) {
    if (publicKey == nullptr) return 0;
    const std::uint32_t exponent = DerPutInteger(
        buffer, Field(publicKey->publicExponent, sizeof(publicKey->publicExponent)), 1);
    if (exponent == 0) return 0;
    const std::uint32_t modulus =
        DerPutInteger(buffer, Field(publicKey->modulus, sizeof(publicKey->modulus)), 0);
    if (modulus == 0) return 0;
    std::uint32_t size = exponent + modulus;
    const std::uint32_t sequence = DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, size});
    if (sequence == 0) return 0;
    size += sequence;
    const std::uint32_t bits = DerPutTlv(buffer, kDerBitString, ByteSpan{nullptr, size});
    if (bits == 0) return 0;
    return size + bits;
}

// CertificationRequestInfo ::= SEQUENCE {
//     version       INTEGER,
//     subject       Name,
//     subjectPKInfo SEQUENCE { algorithm AlgorithmIdentifier, subjectPublicKey BIT STRING },
//     attributes    [0] IMPLICIT SET OF Attribute }   -- left out when empty
std::uint32_t DerPutRequestInfo(DerBuffer* buffer, std::uint8_t version, const NameSlots& nameSlots,
                                AlgorithmId keyAlgorithm, const RsaPublicKey* publicKey,
                                const AttributeSlots& attributeSlots) {
    DerBuffer saved{};
    DerSaveState(buffer, &saved);
    bool outOfStorage = false;
    std::uint32_t size = DerPutAttributesChecked(buffer, attributeSlots, 1, 1, &outOfStorage);
    if (size == 0) {
        // Running out of storage fails the request: dropping the attributes
        // would lose the registrant's data without a word.
        if (outOfStorage) return 0;
        DerRestoreState(buffer, &saved);
    }

    const std::uint32_t key = DerPutRsaPublicKey(buffer, publicKey);
    if (key == 0) return 0;
    const std::uint32_t algorithm = DerPutAlgorithmIdentifier(buffer, keyAlgorithm);
    if (algorithm == 0) return 0;
    const std::uint32_t keyInfo =
        DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, key + algorithm});
    if (keyInfo == 0) return 0;
    size += key + algorithm + keyInfo;

    const std::uint32_t name = DerPutName(buffer, nameSlots);
    if (name == 0) return 0;
    size += name;

    std::uint8_t versionByte = version;
    const std::uint32_t versionSize = DerPutInteger(buffer, ByteSpan{&versionByte, 1}, 1);
    if (versionSize == 0) return 0;
    size += versionSize;

    const std::uint32_t header = DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, size});
    return header == 0 ? 0 : size + header;
}

bool DigestOfSignature(AlgorithmId signatureAlgorithm, DigestId* digest) {
    switch (signatureAlgorithm) {
        case kAlgMd2WithRsa:
            *digest = DigestMd2;
            return true;
        case kAlgMd4WithRsa:
            *digest = DigestMd4;
            return true;
        case kAlgMd5WithRsa:
            *digest = DigestMd5;
            return true;
        case kAlgSha1WithRsa:
            *digest = DigestSha1;
            return true;
        default:
            return false;
    }
}

std::uint32_t DerPutDigestInfo(DerBuffer* buffer, DigestId digestId, ByteSpan data) {
    std::uint8_t digest[kMaxDigestLength];
    std::uint32_t digestLength = 0;
    std::uint32_t result = 0;
    if (ComputeDigest(digest, &digestLength, data.data, data.length, digestId) == StatusOk)
        result = DerPutDigestInfoOf(buffer, digestId, ByteSpan{digest, digestLength});
    SecureWipeObject(digest);
    return result;
}

// DigestInfo ::= SEQUENCE { digestAlgorithm AlgorithmIdentifier, digest OCTET STRING }
std::uint32_t DerPutDigestInfoOf(DerBuffer* buffer, AlgorithmId digestAlgorithm, ByteSpan digest) {
    const std::uint32_t octets = DerPutTlv(buffer, kDerOctetString, digest);
    if (octets == 0) return 0;
    const std::uint32_t algorithm = DerPutAlgorithmIdentifier(buffer, digestAlgorithm);
    if (algorithm == 0) return 0;
    const std::uint32_t header =
        DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, octets + algorithm});
    return header == 0 ? 0 : octets + algorithm + header;
}

// The DigestInfo, then the PKCS#1 v1.5 type-1 block raised to the private key.
std::uint32_t SignDigestInfo(DerBuffer* buffer, AlgorithmId signatureAlgorithm, ByteSpan data,
                             const RsaPrivateKey* privateKey, std::uint8_t* signature,
                             std::uint32_t* signatureLength) {
    DigestId digestId = 0;
    if (!DigestOfSignature(signatureAlgorithm, &digestId)) return 0;
    if (privateKey == nullptr || signature == nullptr || signatureLength == nullptr) return 0;
    if (data.data == nullptr && data.length != 0) return 0;

    std::uint8_t area[kDigestInfoAreaSize];
    std::uint32_t result = 0;
    DerInit(buffer, area, sizeof(area));
    do {
        const std::uint32_t size = DerPutDigestInfo(buffer, digestId, data);
        if (size == 0) break;
        ByteSpan digestInfo{nullptr, sizeof(area)};
        if (DerTake(buffer, &digestInfo) != size) break;
        std::uint32_t outLength = 0;
        if (RsaPrivateEncrypt(signature, &outLength, digestInfo.data, digestInfo.length,
                              privateKey) != StatusOk ||
            outLength == 0) {
            break;
        }
        *signatureLength = outLength;
        result = outLength;
    } while (false);
    SecureWipeObject(area);
    DerInit(buffer, nullptr, 0);  // do not leave the record pointing at this frame
    return result;
}

// CertificationRequest ::= SEQUENCE {
//     certificationRequestInfo CertificationRequestInfo,
//     signatureAlgorithm       AlgorithmIdentifier,
//     signature                BIT STRING }
std::uint32_t BuildCertificationRequest(
    DerBuffer* buffer, std::uint8_t* outputArea, std::uint32_t outputCapacity,
    AlgorithmId signatureAlgorithm, const NameSlots& nameSlots, const RsaPublicKey* publicKey,
    const RsaPrivateKey* privateKey, const AttributeSlots& attributeSlots, std::uint8_t* infoArea) {
    if (infoArea == nullptr) return 0;
    DerInit(buffer, infoArea, kRequestWorkAreaSize);
    const std::uint32_t infoSize =
        DerPutRequestInfo(buffer, 0, nameSlots, kAlgRsaEncryption, publicKey, attributeSlots);
    if (infoSize == 0) return 0;
    if (privateKey == nullptr) return infoSize;

    ByteSpan info{nullptr, kRequestWorkAreaSize};
    if (DerTake(buffer, &info) != infoSize) return 0;

    std::uint8_t signature[kMaxRsaModulusLen];
    std::uint32_t signatureLength = 0;
    std::uint32_t result = 0;
    do {
        if (SignDigestInfo(buffer, signatureAlgorithm, info, privateKey, signature,
                           &signatureLength) == 0) {
            break;
        }
        DerInit(buffer, outputArea, outputCapacity);
        const std::uint32_t signatureBytes =
            DerPrependBytes(buffer, ByteSpan{signature, signatureLength});
        if (signatureBytes == 0) break;
        const std::uint32_t bits =
            DerPutTlv(buffer, kDerBitString, ByteSpan{nullptr, signatureBytes});
        if (bits == 0) break;
        const std::uint32_t algorithm = DerPutAlgorithmIdentifier(buffer, signatureAlgorithm);
        if (algorithm == 0) break;
        if (DerPrependBytes(buffer, info) == 0) break;
        const std::uint32_t size = signatureBytes + bits + algorithm + info.length;
        const std::uint32_t header = DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, size});
        if (header == 0) break;
        result = size + header;
    } while (false);
    SecureWipeObject(signature);
    return result;
}

int MakeCertificationRequest(std::uint8_t* output, std::uint32_t* length,
                             AlgorithmId signatureAlgorithm, const NameSlots& nameSlots,
                             const RsaPublicKey* publicKey, const RsaPrivateKey* privateKey,
                             const AttributeSlots& attributeSlots) {
    if (length == nullptr) return kRequestBuildFailed;
    std::uint8_t* requestArea = new (std::nothrow) std::uint8_t[kRequestWorkAreaSize];
    std::uint8_t* infoArea = new (std::nothrow) std::uint8_t[kRequestWorkAreaSize];
    if (requestArea == nullptr || infoArea == nullptr) {
        ReleaseArea(requestArea, kRequestWorkAreaSize);
        ReleaseArea(infoArea, kRequestWorkAreaSize);
        return kRequestNoMemory;
    }

    const std::uint32_t capacity = *length;
    *length = 0;
    int status = kRequestBuildFailed;
    // A null private key would make the builder stop at the unsigned request
    // info; that is never a finished request.
    if (output != nullptr && publicKey != nullptr && privateKey != nullptr) {
        DerBuffer buffer{};
        const std::uint32_t size = BuildCertificationRequest(
            &buffer, requestArea, kRequestWorkAreaSize, signatureAlgorithm, nameSlots, publicKey,
            privateKey, attributeSlots, infoArea);
        ByteSpan request{nullptr, kRequestWorkAreaSize};
        if (size != 0 && DerTake(&buffer, &request) == size && size <= capacity) {
            std::memcpy(output, request.data, size);
            *length = size;
            status = kRequestOk;
        }
    }
    ReleaseArea(requestArea, kRequestWorkAreaSize);
    ReleaseArea(infoArea, kRequestWorkAreaSize);
    return status;
}

}  // namespace cerrojo
