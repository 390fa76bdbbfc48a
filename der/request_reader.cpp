// Cerrojo PKCS#10 reader and signature check.

#include "der/request_reader.h"

#include <cstdint>
#include <cstring>

#include "crypto/digest.h"
#include "crypto/rsa.h"
#include "der/der.h"
#include "der/name.h"
#include "der/reader.h"
#include "der/request.h"

namespace cerrojo {

namespace {

using OidTable = int (*)(int slot, std::uint8_t* octets);

// The slot whose attribute type has these content octets, or -1.
int FindSlot(OidTable table, int slotCount, const DerElement& oid) {
    for (int slot = 0; slot < slotCount; ++slot) {
        std::uint8_t octets[kMaxAlgorithmOidLength];
        const int count = table(slot, octets);
        if (count > 0 && static_cast<std::uint32_t>(count) == oid.length &&
            std::memcmp(octets, oid.contents, oid.length) == 0) {
            return slot;
        }
    }
    return -1;
}

void Keep(DerValue* slot, const DerElement& value) {
    if (slot->data != nullptr) return;  // the first value of a type wins
    slot->identifier = value.identifier;
    slot->data = value.contents;
    slot->length = value.length;
}

// Name ::= SEQUENCE OF RelativeDistinguishedName
// RelativeDistinguishedName ::= SET OF SEQUENCE { type OBJECT IDENTIFIER, value ANY }
int ReadName(DerReader* info, ParsedRequest* request) {
    DerElement name;
    DerReader rdns;
    int status = DerReadExpected(info, kDerIdSequence, &name);
    if (status == StatusOk) status = DerEnter(&name, &rdns);
    while (status == StatusOk && !DerReaderAtEnd(&rdns)) {
        DerElement rdn;
        DerReader pairs;
        status = DerReadExpected(&rdns, kDerIdSet, &rdn);
        if (status == StatusOk) status = DerEnter(&rdn, &pairs);
        if (status == StatusOk && DerReaderAtEnd(&pairs)) status = StatusDerBadValue;
        while (status == StatusOk && !DerReaderAtEnd(&pairs)) {
            DerElement pair, type, value;
            DerReader parts;
            status = DerReadExpected(&pairs, kDerIdSequence, &pair);
            if (status == StatusOk) status = DerEnter(&pair, &parts);
            if (status == StatusOk) status = DerReadExpected(&parts, kDerIdObjectIdentifier, &type);
            if (status == StatusOk) status = DerReadElement(&parts, &value);
            if (status == StatusOk) status = DerReadDone(&parts);
            if (status != StatusOk) break;
            const int slot = FindSlot(GetNameAttributeOid, kNameSlotCount, type);
            if (slot >= 0) Keep(&request->subject[slot], value);
        }
    }
    return status;
}

// SubjectPublicKeyInfo with an RSA key.
int ReadPublicKey(DerReader* info, RsaPublicKey* key) {
    DerElement spki, bits, rsaKey, modulus, exponent;
    DerReader parts, inner, numbers;
    DerAlgorithm algorithm;
    int status = DerReadExpected(info, kDerIdSequence, &spki);
    if (status == StatusOk) status = DerEnter(&spki, &parts);
    if (status == StatusOk) status = DerReadAlgorithm(&parts, &algorithm);
    if (status == StatusOk &&
        (algorithm.id != kAlgRsaEncryption || !DerParametersEmpty(&algorithm))) {
        status = StatusDerUnsupported;
    }
    if (status == StatusOk) status = DerReadExpected(&parts, kDerIdBitString, &bits);
    if (status == StatusOk) status = DerReadDone(&parts);
    if (status == StatusOk) status = DerEnterBitString(&bits, &inner);
    if (status == StatusOk) status = DerReadExpected(&inner, kDerIdSequence, &rsaKey);
    if (status == StatusOk) status = DerReadDone(&inner);
    if (status == StatusOk) status = DerEnter(&rsaKey, &numbers);
    if (status == StatusOk) status = DerReadElement(&numbers, &modulus);
    if (status == StatusOk) status = DerReadElement(&numbers, &exponent);
    if (status == StatusOk) status = DerReadDone(&numbers);
    if (status == StatusOk) status = DerGetUnsigned(&modulus, key->modulus, sizeof(key->modulus));
    if (status == StatusOk) {
        status = DerGetUnsigned(&exponent, key->publicExponent, sizeof(key->publicExponent));
    }
    if (status != StatusOk) return status;
    const std::uint32_t modulusBits = DerBitLength(key->modulus, sizeof(key->modulus));
    if (modulusBits == 0 || DerBitLength(key->publicExponent, sizeof(key->publicExponent)) == 0) {
        return StatusDerBadValue;
    }
    key->bits = static_cast<std::uint16_t>(modulusBits);  // at most 2,048: it fits its field
    return StatusOk;
}

// [0] IMPLICIT SET OF Attribute, Attribute ::= SEQUENCE { type, values SET OF ANY }
int ReadAttributes(const DerElement& block, ParsedRequest* request) {
    DerReader attributes;
    int status = DerEnter(&block, &attributes);
    while (status == StatusOk && !DerReaderAtEnd(&attributes)) {
        DerElement attribute, type, set;
        DerReader parts, values;
        status = DerReadExpected(&attributes, kDerIdSequence, &attribute);
        if (status == StatusOk) status = DerEnter(&attribute, &parts);
        if (status == StatusOk) status = DerReadExpected(&parts, kDerIdObjectIdentifier, &type);
        if (status == StatusOk) status = DerReadExpected(&parts, kDerIdSet, &set);
        if (status == StatusOk) status = DerReadDone(&parts);
        if (status == StatusOk) status = DerEnter(&set, &values);
        if (status != StatusOk) break;
        const int slot = FindSlot(GetRequestAttributeOid, kAttributeSlotCount, type);
        while (status == StatusOk && !DerReaderAtEnd(&values)) {
            DerElement value;
            status = DerReadElement(&values, &value);
            if (status == StatusOk && slot >= 0) Keep(&request->attributes[slot], value);
        }
    }
    return status;
}

int ReadRequest(const std::uint8_t* data, std::uint32_t length, ParsedRequest* request) {
    DerReader outer, info;
    DerElement whole, infoElement, signature;
    DerAlgorithm signatureAlgorithm;
    int status = DerOpenFile(data, length, kDerIdSequence, &whole, &outer);
    if (status == StatusOk) status = DerReadExpected(&outer, kDerIdSequence, &infoElement);
    if (status != StatusOk) return status;
    request->info = infoElement.encoding;
    request->infoLength = infoElement.encodingLength;

    status = DerEnter(&infoElement, &info);
    if (status == StatusOk) status = DerReadVersionZero(&info);
    if (status == StatusOk) status = ReadName(&info, request);
    if (status == StatusOk) status = ReadPublicKey(&info, &request->publicKey);
    if (status == StatusOk && DerPeekIdentifier(&info) == kDerIdContext0) {
        DerElement block;
        status = DerReadElement(&info, &block);
        if (status == StatusOk) status = ReadAttributes(block, request);
    }
    if (status == StatusOk) status = DerReadDone(&info);

    if (status == StatusOk) status = DerReadAlgorithm(&outer, &signatureAlgorithm);
    if (status == StatusOk) status = DerReadExpected(&outer, kDerIdBitString, &signature);
    if (status == StatusOk) status = DerReadDone(&outer);
    if (status == StatusOk) {
        status = DerGetBitString(&signature, &request->signature, &request->signatureLength);
    }
    if (status != StatusOk) return status;

    const AlgorithmId id = signatureAlgorithm.id;
    const bool rsaSignature = id == kAlgMd2WithRsa || id == kAlgMd4WithRsa ||
                              id == kAlgMd5WithRsa || id == kAlgSha1WithRsa;
    if (rsaSignature && !DerParametersEmpty(&signatureAlgorithm)) return StatusDerBadValue;
    request->signatureAlgorithm = id;
    request->signatureOid = signatureAlgorithm.oid;
    request->signatureOidLength = signatureAlgorithm.oidLength;
    return StatusOk;
}

}  // namespace

int ParseCertificationRequest(const std::uint8_t* data, std::uint32_t length,
                              ParsedRequest* request) {
    std::memset(request, 0, sizeof(*request));
    return ReadRequest(data, length, request);
}

int VerifyRequestSignature(const ParsedRequest* request) {
    DigestId digestId;
    if (!DigestOfSignature(request->signatureAlgorithm, &digestId)) return StatusDerUnsupported;

    // The DigestInfo the signer must have put in the block.
    std::uint8_t area[64];
    DerBuffer buffer;
    DerInit(&buffer, area, sizeof(area));
    // ByteSpan's pointer is not const; the info is only digested.
    const ByteSpan info{const_cast<std::uint8_t*>(request->info), request->infoLength};
    const std::uint32_t expectedLength = DerPutDigestInfo(&buffer, digestId, info);
    if (expectedLength == 0) return StatusBadData;
    const std::uint8_t* expected = area + buffer.start;

    std::uint8_t recovered[kMaxRsaModulusLen];
    std::uint32_t recoveredLength = 0;
    const int status = RsaPublicDecrypt(recovered, &recoveredLength, request->signature,
                                        request->signatureLength, &request->publicKey);
    if (status != StatusOk) return status;
    if (recoveredLength != expectedLength ||
        std::memcmp(recovered, expected, expectedLength) != 0) {
        return StatusBadData;
    }
    return StatusOk;
}

}  // namespace cerrojo
