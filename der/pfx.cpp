// Cerrojo PKCS#12 file builder.
#include "der/pfx.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "crypto/digest.h"
#include "crypto/hmac.h"
#include "crypto/pkcs12.h"
#include "der/der.h"
#include "der/private_key.h"
#include "der/request.h"
#include "der/work_area.h"

namespace cerrojo {

namespace {

using detail::Field;
using detail::ReleaseArea;

constexpr std::uint32_t kDerBmpString = 30;
constexpr std::uint32_t kDerContext0Primitive = 0x80;  // [0] IMPLICIT OCTET STRING

// Object identifiers as their DER content octets.
// 1.2.840.113549.1.7.1 data, 1.2.840.113549.1.7.6 encryptedData
constexpr std::uint8_t kOidData[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x01};
constexpr std::uint8_t kOidEncryptedData[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x06};
// 1.2.840.113549.1.12.10.1.2 pkcs8ShroudedKeyBag, 1.2.840.113549.1.12.10.1.3 certBag
constexpr std::uint8_t kOidShroudedKeyBag[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D,
                                               0x01, 0x0C, 0x0A, 0x01, 0x02};
constexpr std::uint8_t kOidCertBag[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D,
                                        0x01, 0x0C, 0x0A, 0x01, 0x03};
// 1.2.840.113549.1.9.22.1 x509Certificate
constexpr std::uint8_t kOidX509Certificate[] = {0x2A, 0x86, 0x48, 0x86, 0xF7,
                                                0x0D, 0x01, 0x09, 0x16, 0x01};
// 1.2.840.113549.1.9.20 friendlyName, 1.2.840.113549.1.9.21 localKeyId
constexpr std::uint8_t kOidFriendlyName[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x14};
constexpr std::uint8_t kOidLocalKeyId[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x15};

template <std::size_t N>
ByteSpan Oid(const std::uint8_t (&octets)[N]) {
    return Field(octets, N);
}

// Room beyond the certificate in every work area: the key's PrivateKeyInfo
// (at most 1,230 bytes for 2,048 bits) and its padding, two attribute sets
// with a friendly name of up to 255 characters, and the headers.
constexpr std::uint32_t kSlack = 4096;

// The longest password's BMPString, terminator included, fits the derivation.
static_assert(2 * kPfxMaxTextLength + 2 <= kPkcs12MaxPasswordLength);

// Prepends a header of tag around the `contents` bytes already in place.
// Returns contents + header, or 0 (also for contents 0, a failed encoder).
std::uint32_t Wrap(DerBuffer* buffer, std::uint32_t tag, std::uint32_t contents) {
    if (contents == 0) return 0;
    const std::uint32_t header = DerPutHeader(buffer, tag, contents);
    return header == 0 ? 0 : contents + header;
}

// The sizes of a constructed value's components, prepended last first; a 0
// (a failed encoder) sticks, and the value's header is then not written.
struct Sizes {
    std::uint32_t total = 0;
    bool failed = false;
    std::uint32_t Add(std::uint32_t size) {
        if (size == 0) failed = true;
        total += size;
        return size;
    }
    std::uint32_t Wrap(DerBuffer* buffer, std::uint32_t tag = kDerSequence) const {
        return failed ? 0 : cerrojo::Wrap(buffer, tag, total);
    }
};

// PKCS12Attribute ::= SEQUENCE { attrId OBJECT IDENTIFIER, attrValues SET { value } }
std::uint32_t PutAttribute(DerBuffer* buffer, ByteSpan oid, std::uint32_t tag, ByteSpan value) {
    Sizes size;
    size.Add(Wrap(buffer, kDerSet, DerPutTlv(buffer, tag, value)));
    size.Add(DerPutTlv(buffer, kDerObjectIdentifier, oid));
    return size.Wrap(buffer);
}

// bagAttributes SET OF { friendlyName, localKeyId }. DER orders a SET OF by
// the elements' encodings compared as octet strings, so the two are swapped
// when the first does not sort first (which one does depends on the name's
// length).
std::uint32_t PutBagAttributes(DerBuffer* buffer, ByteSpan friendlyName, ByteSpan localKeyId) {
    const std::uint32_t second =
        PutAttribute(buffer, Oid(kOidFriendlyName), kDerBmpString, friendlyName);
    if (second == 0) return 0;
    const std::uint32_t first =
        PutAttribute(buffer, Oid(kOidLocalKeyId), kDerOctetString, localKeyId);
    if (first == 0) return 0;
    std::uint8_t* at = buffer->data + buffer->start;
    const int order = std::memcmp(at, at + first, std::min(first, second));
    if (order > 0 || (order == 0 && first > second))
        std::rotate(at, at + first, at + first + second);
    return Wrap(buffer, kDerSet, first + second);
}

// With the bag's attributes and value (valueSize bytes) already in place:
// SafeContents ::= SEQUENCE { SafeBag ::= SEQUENCE { bagId, [0] value, attributes } }
std::uint32_t FinishSafeContents(DerBuffer* buffer, ByteSpan bagId, std::uint32_t valueSize,
                                 std::uint32_t attributesSize) {
    Sizes size;
    size.Add(attributesSize);
    size.Add(Wrap(buffer, kDerContext0, valueSize));
    size.Add(DerPutTlv(buffer, kDerObjectIdentifier, bagId));
    return Wrap(buffer, kDerSequence, size.Wrap(buffer));
}

// With the content (contentSize bytes) already in place:
// ContentInfo ::= SEQUENCE { contentType OBJECT IDENTIFIER, content [0] EXPLICIT ANY }
std::uint32_t FinishContentInfo(DerBuffer* buffer, ByteSpan contentType,
                                std::uint32_t contentSize) {
    Sizes size;
    size.Add(Wrap(buffer, kDerContext0, contentSize));
    size.Add(DerPutTlv(buffer, kDerObjectIdentifier, contentType));
    return size.Wrap(buffer);
}

// The encoding built in buffer, handed out whole (it stays in the storage).
ByteSpan Take(DerBuffer* buffer, std::uint32_t size) {
    ByteSpan taken{nullptr, buffer->capacity};
    if (size == 0 || DerTake(buffer, &taken) != size) return ByteSpan{nullptr, 0};
    return taken;
}

// Everything one build needs besides the caller's output.
struct PfxWork {
    const PfxContents* contents;
    std::uint32_t areaSize;
    std::uint8_t* scratch;  // each step's DER is built here
    std::uint8_t* key;      // the PrivateKeyInfo, encrypted in place; later the file
    std::uint8_t* cert;     // the certificate's SafeContents, encrypted in place
    ByteSpan password;      // BMPString with terminator
    ByteSpan friendlyName;  // BMPString
    ByteSpan localKeyId;    // SHA-1 of the certificate
};

// Builds plaintext in area through scratch, then encrypts it in place with
// salt; returns the ciphertext, empty on failure.
ByteSpan Encrypt(const PfxWork& work, DerBuffer* buffer, std::uint32_t size, std::uint8_t* area,
                 const std::uint8_t* salt) {
    const ByteSpan built = Take(buffer, size);
    if (built.length == 0 || built.length + 8 > work.areaSize) return ByteSpan{nullptr, 0};
    std::memcpy(area, built.data, built.length);
    SecureWipe(built.data, built.length);
    ByteSpan plaintext{area, built.length};
    ByteSpan ciphertext{area, 0};
    if (Pkcs12PbeEncrypt(&plaintext, &ciphertext, work.password.data, work.password.length, salt,
                         kPfxSaltLength, kPfxIterations) == 0) {
        return ByteSpan{nullptr, 0};
    }
    return ciphertext;
}

// The AuthenticatedSafe into scratch; returns its size or 0.
std::uint32_t BuildAuthenticatedSafe(const PfxWork& work, DerBuffer* buffer) {
    const PfxContents& in = *work.contents;

    // The key: PrivateKeyInfo, encrypted.
    DerInit(buffer, work.scratch, work.areaSize);
    const ByteSpan keyCipher =
        Encrypt(work, buffer, DerPutPrivateKeyInfo(buffer, kAlgRsaEncryption, in.privateKey),
                work.key, in.keySalt);
    if (keyCipher.length == 0) return 0;

    // The certificate: SafeContents { certBag }, encrypted. The bag's
    // attributes go in first, as they close the SafeBag.
    DerInit(buffer, work.scratch, work.areaSize);
    const std::uint32_t certAttributes =
        PutBagAttributes(buffer, work.friendlyName, work.localKeyId);
    Sizes certBag;  // CertBag ::= SEQUENCE { certId, certValue [0] { OCTET STRING } }
    certBag.Add(
        Wrap(buffer, kDerContext0,
             DerPutTlv(buffer, kDerOctetString, Field(in.certificate, in.certificateLength))));
    certBag.Add(DerPutTlv(buffer, kDerObjectIdentifier, Oid(kOidX509Certificate)));
    const ByteSpan certCipher =
        Encrypt(work, buffer,
                FinishSafeContents(buffer, Oid(kOidCertBag), certBag.Wrap(buffer), certAttributes),
                work.cert, in.certificateSalt);
    if (certCipher.length == 0) return 0;

    // AuthenticatedSafe ::= SEQUENCE { encryptedData ContentInfo, data ContentInfo },
    // the second one first.
    DerInit(buffer, work.scratch, work.areaSize);
    Sizes safe;
    const std::uint32_t keyAttributes =
        PutBagAttributes(buffer, work.friendlyName, work.localKeyId);
    const std::uint32_t keyValue = DerPutEncryptedPrivateKeyInfo(
        buffer, kAlgPbeWithShaAnd3KeyTripleDesCbc, in.keySalt, kPfxIterations, keyCipher);
    const std::uint32_t keyContents =
        FinishSafeContents(buffer, Oid(kOidShroudedKeyBag), keyValue, keyAttributes);
    safe.Add(FinishContentInfo(buffer, Oid(kOidData), Wrap(buffer, kDerOctetString, keyContents)));

    // EncryptedData ::= SEQUENCE { version INTEGER (0), EncryptedContentInfo ::=
    //     SEQUENCE { contentType (data), algorithm, [0] IMPLICIT OCTET STRING } }
    Sizes info, encryptedData;
    info.Add(DerPutTlv(buffer, kDerContext0Primitive, certCipher));
    info.Add(DerPutPbeAlgorithmIdentifier(buffer, kAlgPbeWithShaAnd3KeyTripleDesCbc,
                                          in.certificateSalt, kPfxIterations));
    info.Add(DerPutTlv(buffer, kDerObjectIdentifier, Oid(kOidData)));
    encryptedData.Add(info.Wrap(buffer));
    encryptedData.Add(DerPutUint32(buffer, 0));
    safe.Add(FinishContentInfo(buffer, Oid(kOidEncryptedData), encryptedData.Wrap(buffer)));
    return safe.Wrap(buffer);
}

// PFX ::= SEQUENCE { version INTEGER (3), authSafe ContentInfo (data), MacData }
// into the key area; returns its size or 0.
std::uint32_t BuildPfx(const PfxWork& work, DerBuffer* buffer) {
    const ByteSpan safe = Take(buffer, BuildAuthenticatedSafe(work, buffer));
    if (safe.length == 0) return 0;

    std::uint8_t macKey[kHmacSha1Length];
    std::uint8_t mac[kHmacSha1Length];
    const int derived = Pkcs12DeriveKey(macKey, sizeof(macKey), kPkcs12MacId, work.password.data,
                                        work.password.length, work.contents->macSalt,
                                        kPfxSaltLength, kPfxIterations);
    if (derived == StatusOk) HmacSha1(mac, macKey, sizeof(macKey), safe.data, safe.length);
    SecureWipeObject(macKey);
    if (derived != StatusOk) return 0;

    DerInit(buffer, work.key, work.areaSize);
    Sizes pfx;
    Sizes macData;
    macData.Add(DerPutUint32(buffer, kPfxIterations));
    macData.Add(DerPutTlv(buffer, kDerOctetString, Field(work.contents->macSalt, kPfxSaltLength)));
    macData.Add(DerPutDigestInfoOf(buffer, kAlgSha1, ByteSpan{mac, sizeof(mac)}));
    pfx.Add(macData.Wrap(buffer));
    pfx.Add(FinishContentInfo(buffer, Oid(kOidData),
                              Wrap(buffer, kDerOctetString, DerPrependBytes(buffer, safe))));
    pfx.Add(DerPutUint32(buffer, 3));
    return pfx.Wrap(buffer);
}

bool Acceptable(const PfxContents* in) {
    return in != nullptr && in->certificate != nullptr && in->certificateLength != 0 &&
           in->certificateLength <= kPfxMaxCertificateLength && in->privateKey != nullptr &&
           in->friendlyName != nullptr && in->friendlyNameLength != 0 &&
           in->friendlyNameLength <= kPfxMaxTextLength &&
           (in->password != nullptr || in->passwordLength == 0) &&
           in->passwordLength <= kPfxMaxTextLength;
}

}  // namespace

int MakePfx(std::uint8_t* output, std::uint32_t* length, const PfxContents* contents) {
    if (output == nullptr || length == nullptr || !Acceptable(contents)) return kPfxBadInput;

    std::uint8_t password[2 * kPfxMaxTextLength + 2];
    std::uint8_t friendlyName[2 * kPfxMaxTextLength];
    std::uint8_t localKeyId[20];
    Pkcs12BmpString(password, contents->password, contents->passwordLength);
    password[2 * contents->passwordLength] = 0;
    password[2 * contents->passwordLength + 1] = 0;
    Pkcs12BmpString(friendlyName, contents->friendlyName, contents->friendlyNameLength);
    ShaContext sha;
    Sha1Init(&sha);
    Sha1Update(&sha, contents->certificate, contents->certificateLength);
    Sha1Final(localKeyId, &sha);

    const std::uint32_t areaSize = contents->certificateLength + kSlack;
    PfxWork work{contents,
                 areaSize,
                 new (std::nothrow) std::uint8_t[areaSize],
                 new (std::nothrow) std::uint8_t[areaSize],
                 new (std::nothrow) std::uint8_t[areaSize],
                 ByteSpan{password, 2 * contents->passwordLength + 2},
                 ByteSpan{friendlyName, 2 * contents->friendlyNameLength},
                 ByteSpan{localKeyId, sizeof(localKeyId)}};
    int status = kPfxNoMemory;
    if (work.scratch != nullptr && work.key != nullptr && work.cert != nullptr) {
        DerBuffer buffer{};
        const ByteSpan file = Take(&buffer, BuildPfx(work, &buffer));
        if (file.length == 0) {
            status = kPfxBadInput;
        } else if (file.length > *length) {
            *length = file.length;
            status = kPfxTooSmall;
        } else {
            std::memcpy(output, file.data, file.length);
            *length = file.length;
            status = kPfxOk;
        }
    }
    ReleaseArea(work.scratch, areaSize);
    ReleaseArea(work.key, areaSize);
    ReleaseArea(work.cert, areaSize);
    SecureWipeObject(password);
    return status;
}

}  // namespace cerrojo
