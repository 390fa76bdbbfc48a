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
#include "der/subject_reader.h"

namespace cerrojo {

namespace {

void Keep(DerValue* slot, const DerValue& value) {
    if (slot->data == nullptr) *slot = value;  // the first value of a type wins
}

// The subject into the slots of the types der/name.h knows.
int ReadSubject(DerReader* info, ParsedRequest* request) {
    DerName name;
    const int status = DerReadName(info, &name);
    if (status != StatusOk) return status;
    for (std::uint32_t i = 0; i < name.count; ++i) {
        const DerNameAttribute& attribute = name.attributes[i];
        if (attribute.slot >= 0) Keep(&request->subject[attribute.slot], attribute.value);
    }
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
        const int slot =
            DerFindSlot(GetRequestAttributeOid, kAttributeSlotCount, type.contents, type.length);
        while (status == StatusOk && !DerReaderAtEnd(&values)) {
            DerElement value;
            status = DerReadElement(&values, &value);
            if (status == StatusOk && slot >= 0) {
                Keep(&request->attributes[slot],
                     DerValue{value.identifier, value.contents, value.length});
            }
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
    if (status == StatusOk) status = ReadSubject(&info, request);
    if (status == StatusOk) status = DerReadRsaPublicKeyInfo(&info, &request->publicKey);
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

    status = DerCheckSignatureParameters(&signatureAlgorithm);
    if (status != StatusOk) return status;
    request->signatureAlgorithm = signatureAlgorithm.id;
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
