// Cerrojo PKCS#10 certification request: encoding of the request info and
// PKCS#1 v1.5 signing with the registrant's RSA key.
//
//   CertificationRequest ::= SEQUENCE {
//       certificationRequestInfo  CertificationRequestInfo,
//       signatureAlgorithm        AlgorithmIdentifier,   -- { OID, NULL }
//       signature                 BIT STRING }           -- 00 + modulus-length bytes
//   CertificationRequestInfo ::= SEQUENCE {
//       version       INTEGER (0),
//       subject       Name,
//       subjectPKInfo SEQUENCE { AlgorithmIdentifier (rsaEncryption, NULL),
//                                BIT STRING (00 + RSAPublicKey) },
//       attributes    [0] IMPLICIT SET OF Attribute }    -- absent when empty
//
// Signature algorithms: 101 md2WithRSAEncryption, 102 md4WithRSAEncryption,
// 103 md5WithRSAEncryption, 111 sha1WithRSAEncryption. The signature covers the
// request info bytes exactly as they stand in the result.
#pragma once

#include <cstdint>

#include "crypto/common.h"
#include "crypto/digest.h"
#include "crypto/rsa.h"
#include "der/der.h"
#include "der/name.h"

namespace cerrojo {

// MakeCertificationRequest results.
inline constexpr int kRequestOk = 2000;
inline constexpr int kRequestNoMemory = 1004;
inline constexpr int kRequestBuildFailed = 1008;

// Size of each of the two work areas of one request build.
inline constexpr std::uint32_t kRequestWorkAreaSize = 6144;

// Builds and signs a request.
// output: receives the request's DER bytes.
// length: on entry the capacity of output in bytes (the caller sets it before
//   every call); on kRequestOk the request's size. On kRequestBuildFailed it is
//   set to 0, on kRequestNoMemory it is untouched.
// The slots' texts and the keys are only read; they may lie in output, which
// is written only once the request is complete. publicKey and privateKey must
// be the two halves of one key pair (the signature is not checked here).
// Returns kRequestOk; kRequestNoMemory when a work area cannot be allocated;
// kRequestBuildFailed for a null argument, a signature algorithm other than
// 101/102/103/111, a filled name slot 15..19, a digest or RSA failure, or a
// request longer than the capacity (nothing is written to output then).
// Both 6144-byte work areas are wiped before release on every path.
int MakeCertificationRequest(std::uint8_t* output, std::uint32_t* length,
                             AlgorithmId signatureAlgorithm, const NameSlots& nameSlots,
                             const RsaPublicKey* publicKey, const RsaPrivateKey* privateKey,
                             const AttributeSlots& attributeSlots);

// Builds the request into outputArea (outputCapacity bytes) through buffer.
// infoArea (kRequestWorkAreaSize bytes) receives the request info, which stays
// there. Returns the request's size, the request standing at the end of the
// output area (buffer's written region), or 0 on failure. With a null
// privateKey it stops after the request info and returns its size, leaving
// the unsigned info in the buffer over infoArea. The DigestInfo and the
// signature are held in local areas that are wiped before returning; the
// caller owns and wipes the two areas.
std::uint32_t BuildCertificationRequest(
    DerBuffer* buffer, std::uint8_t* outputArea, std::uint32_t outputCapacity,
    AlgorithmId signatureAlgorithm, const NameSlots& nameSlots, const RsaPublicKey* publicKey,
    const RsaPrivateKey* privateKey, const AttributeSlots& attributeSlots, std::uint8_t* infoArea);

// Prepends the CertificationRequestInfo. version: INTEGER content, one byte,
// below 0x80 (0 for PKCS#10 v1); keyAlgorithm: 100. The attribute block is
// built with includeChallenge and [0]; when no attribute slot is filled, or a
// filled slot has no entry (slot 24), the block is left out and the buffer is
// restored. Returns the size, or 0 when the storage runs out (attribute block
// included) or any other part fails.
std::uint32_t DerPutRequestInfo(DerBuffer* buffer, std::uint8_t version, const NameSlots& nameSlots,
                                AlgorithmId keyAlgorithm, const RsaPublicKey* publicKey,
                                const AttributeSlots& attributeSlots);

// Prepends the subjectPublicKey BIT STRING:
//   BIT STRING { 00, RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER } }
// modulus with a sign byte when needed; the exponent as is (its leading byte
// must be below 0x80, as 3 and 65537 are). Returns the size or 0.
std::uint32_t DerPutRsaPublicKey(DerBuffer* buffer, const RsaPublicKey* publicKey);

// The digest a signature algorithm signs: 101 md2WithRSAEncryption -> MD2,
// 102 -> MD4, 103 -> MD5, 111 sha1WithRSAEncryption -> SHA-1 (the DigestId is
// also the AlgorithmId of the digest's object identifier). False, *digest
// untouched, for any other algorithm.
bool DigestOfSignature(AlgorithmId signatureAlgorithm, DigestId* digest);

// Digests data (data.data may be null only when data.length is 0) with
// digestId and prepends
//   DigestInfo ::= SEQUENCE { AlgorithmIdentifier (digest, NULL), OCTET STRING digest }
// Returns its size, or 0 when the digest fails or the storage runs out (the
// buffer may then hold part of it). The digest is wiped on every path.
std::uint32_t DerPutDigestInfo(DerBuffer* buffer, DigestId digestId, ByteSpan data);

// The same DigestInfo around a digest value already computed: one the
// selector does not make (SHA-256, digestAlgorithm kAlgSha256) or an HMAC
// value (a PKCS#12 MacData). digestAlgorithm: any table entry. Returns the
// size, or 0 (no table entry, or the storage runs out).
std::uint32_t DerPutDigestInfoOf(DerBuffer* buffer, AlgorithmId digestAlgorithm, ByteSpan digest);

// Encodes the DigestInfo of data for signatureAlgorithm (DigestOfSignature,
// DerPutDigestInfo) in a local 256-byte area through buffer (which is
// re-initialised for it and left empty, without storage: the caller must
// DerInit it before further use), and puts it through RsaPrivateEncrypt.
// signature needs room for kMaxRsaModulusLen bytes. Returns the signature length (the modulus length in bytes) with
// *signatureLength set, or 0 on any failure (*signatureLength untouched).
// The digest and DigestInfo areas are wiped on every path.
std::uint32_t SignDigestInfo(DerBuffer* buffer, AlgorithmId signatureAlgorithm, ByteSpan data,
                             const RsaPrivateKey* privateKey, std::uint8_t* signature,
                             std::uint32_t* signatureLength);

}  // namespace cerrojo
