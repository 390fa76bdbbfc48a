// Cerrojo PKCS#8 EncryptedPrivateKeyInfo builder.
#include "der/private_key.h"

#include <cstring>
#include <new>

#include "crypto/pbe.h"
#include "der/work_area.h"

namespace cerrojo {

namespace {

constexpr std::uint32_t kSaltLength = 8;
constexpr std::uint32_t kPadRoom = 8;  // PKCS#5 padding adds 1..8 bytes

using detail::Field;
using detail::ReleaseArea;

}  // namespace

// RSAPrivateKey ::= SEQUENCE {
//     version INTEGER (0), modulus INTEGER, publicExponent INTEGER,
//     privateExponent INTEGER, prime1 INTEGER, prime2 INTEGER,
//     exponent1 INTEGER, exponent2 INTEGER, coefficient INTEGER }
std::uint32_t DerPutRsaPrivateKey(DerBuffer* buffer, const RsaPrivateKey* privateKey) {
    if (privateKey == nullptr) return 0;
    const ByteSpan components[8] = {
        Field(privateKey->modulus, sizeof(privateKey->modulus)),
        Field(privateKey->publicExponent, sizeof(privateKey->publicExponent)),
        Field(privateKey->privateExponent, sizeof(privateKey->privateExponent)),
        Field(privateKey->prime1, sizeof(privateKey->prime1)),
        Field(privateKey->prime2, sizeof(privateKey->prime2)),
        Field(privateKey->exponent1, sizeof(privateKey->exponent1)),
        Field(privateKey->exponent2, sizeof(privateKey->exponent2)),
        Field(privateKey->coefficient, sizeof(privateKey->coefficient)),
    };
    std::uint32_t size = 0;
    for (int i = 7; i >= 0; --i) {
        const std::uint32_t integer = DerPutInteger(buffer, components[i], 0);
        if (integer == 0) return 0;
        size += integer;
    }
    std::uint8_t version = 0;
    const std::uint32_t versionSize = DerPutInteger(buffer, ByteSpan{&version, 1}, 1);
    if (versionSize == 0) return 0;
    size += versionSize;
    const std::uint32_t header = DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, size});
    return header == 0 ? 0 : size + header;
}

// PrivateKeyInfo ::= SEQUENCE {
//     version             INTEGER (0),
//     privateKeyAlgorithm AlgorithmIdentifier,
//     privateKey          OCTET STRING }   -- contents: RSAPrivateKey
std::uint32_t DerPutPrivateKeyInfo(DerBuffer* buffer, AlgorithmId keyAlgorithm,
                                   const RsaPrivateKey* privateKey) {
    const std::uint32_t key = DerPutRsaPrivateKey(buffer, privateKey);
    if (key == 0) return 0;
    const std::uint32_t octets = DerPutHeader(buffer, kDerOctetString, key);
    if (octets == 0) return 0;
    const std::uint32_t algorithm = DerPutAlgorithmIdentifier(buffer, keyAlgorithm);
    if (algorithm == 0) return 0;
    std::uint8_t version = 0;
    const std::uint32_t versionSize = DerPutInteger(buffer, ByteSpan{&version, 1}, 1);
    if (versionSize == 0) return 0;
    const std::uint32_t size = key + octets + algorithm + versionSize;
    const std::uint32_t header = DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, size});
    return header == 0 ? 0 : size + header;
}

// AlgorithmIdentifier ::= SEQUENCE {
//     algorithm  OBJECT IDENTIFIER,
//     parameters SEQUENCE { salt OCTET STRING, iterationCount INTEGER } }
// For counts 1..127 the two lengths come out as 13 and 26; larger counts get
// their real lengths and, from 0x80 in the leading byte, a sign byte.
std::uint32_t DerPutPbeAlgorithmIdentifier(DerBuffer* buffer, AlgorithmId algorithm,
                                           const std::uint8_t salt[8], std::uint32_t iterations) {
    std::uint8_t oid[kMaxAlgorithmOidLength];
    std::uint32_t oidLength = 0;
    if (GetAlgorithmOid(algorithm, oid, &oidLength) != StatusOk) return 0;
    const std::uint32_t countSize = DerPutUint32(buffer, iterations);
    if (countSize == 0) return 0;
    const std::uint32_t saltSize =
        DerPutTlv(buffer, kDerOctetString, ByteSpan{const_cast<std::uint8_t*>(salt), kSaltLength});
    if (saltSize == 0) return 0;
    const std::uint32_t parameters =
        DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, countSize + saltSize});
    if (parameters == 0) return 0;
    const std::uint32_t oidSize = DerPutTlv(buffer, kDerObjectIdentifier, ByteSpan{oid, oidLength});
    if (oidSize == 0) return 0;
    const std::uint32_t contents = oidSize + parameters + countSize + saltSize;
    const std::uint32_t header = DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, contents});
    return header == 0 ? 0 : contents + header;
}

// EncryptedPrivateKeyInfo ::= SEQUENCE {
//     encryptionAlgorithm AlgorithmIdentifier,   -- with the salt and count
//     encryptedData       OCTET STRING }
std::uint32_t DerPutEncryptedPrivateKeyInfo(DerBuffer* buffer, AlgorithmId algorithm,
                                            const std::uint8_t salt[8], std::uint32_t iterations,
                                            ByteSpan ciphertext) {
    const std::uint32_t data = DerPutTlv(buffer, kDerOctetString, ciphertext);
    if (data == 0) return 0;
    const std::uint32_t algorithmSize =
        DerPutPbeAlgorithmIdentifier(buffer, algorithm, salt, iterations);
    if (algorithmSize == 0) return 0;
    const std::uint32_t header =
        DerPutTlv(buffer, kDerSequence, ByteSpan{nullptr, data + algorithmSize});
    return header == 0 ? 0 : data + algorithmSize + header;
}

std::uint32_t BuildEncryptedPrivateKey(DerBuffer* buffer, std::uint8_t* outputArea,
                                       std::uint32_t outputCapacity, AlgorithmId algorithm,
                                       std::uint32_t iterations, const std::uint8_t* password,
                                       std::uint32_t passwordLength,
                                       const RsaPrivateKey* privateKey, const KeyFileAreas* areas) {
    if (algorithm != kAlgPbeWithMd5AndDesCbc && algorithm != kAlgPbeWithMd2AndDesCbc) return 0;
    if (areas == nullptr || areas->keyInfo == nullptr || areas->ciphertext == nullptr ||
        areas->plaintext == nullptr || privateKey == nullptr) {
        return 0;
    }
    if (password == nullptr && passwordLength != 0) return 0;

    DerInit(buffer, areas->keyInfo, kKeyWorkAreaSize);
    const std::uint32_t infoSize = DerPutPrivateKeyInfo(buffer, kAlgRsaEncryption, privateKey);
    if (infoSize == 0) return 0;
    ByteSpan info{nullptr, kKeyWorkAreaSize};
    if (DerTake(buffer, &info) != infoSize) return 0;
    if (infoSize + kPadRoom > kKeyWorkAreaSize) return 0;  // no room for the padding
    std::memcpy(areas->plaintext, info.data, infoSize);

    if (iterations == 0) iterations = 1;
    std::uint8_t salt[kSaltLength] = {};
    ByteSpan plaintext{areas->plaintext, infoSize};
    ByteSpan ciphertext{areas->ciphertext, 0};
    std::uint32_t result = 0;
    const std::uint32_t encrypted = PbeEncrypt(&plaintext, &ciphertext, algorithm, iterations, salt,
                                               password, passwordLength);
    if (encrypted != 0 && encrypted == ciphertext.length && encrypted <= kKeyWorkAreaSize) {
        DerInit(buffer, outputArea, outputCapacity);
        result = DerPutEncryptedPrivateKeyInfo(buffer, algorithm, salt, iterations, ciphertext);
    }
    SecureWipeObject(salt);
    return result;
}

int MakeEncryptedPrivateKey(std::uint8_t* output, std::uint32_t* length, AlgorithmId algorithm,
                            std::uint32_t iterations, const std::uint8_t* password,
                            std::uint32_t passwordLength, const RsaPrivateKey* privateKey) {
    if (output == nullptr || length == nullptr) return kKeyFileFailed;
    std::uint8_t* outputArea = new (std::nothrow) std::uint8_t[kKeyWorkAreaSize];
    KeyFileAreas areas{new (std::nothrow) std::uint8_t[kKeyWorkAreaSize],
                       new (std::nothrow) std::uint8_t[kKeyWorkAreaSize],
                       new (std::nothrow) std::uint8_t[kKeyWorkAreaSize]};
    int status = kKeyFileFailed;
    if (outputArea != nullptr && areas.keyInfo != nullptr && areas.ciphertext != nullptr &&
        areas.plaintext != nullptr) {
        DerBuffer buffer{};
        const std::uint32_t size =
            BuildEncryptedPrivateKey(&buffer, outputArea, kKeyWorkAreaSize, algorithm, iterations,
                                     password, passwordLength, privateKey, &areas);
        ByteSpan file{nullptr, kKeyWorkAreaSize};
        if (size != 0 && DerTake(&buffer, &file) == size && size <= *length) {
            std::memcpy(output, file.data, size);
            *length = size;
            status = kKeyFileOk;
        }
    }
    ReleaseArea(outputArea, kKeyWorkAreaSize);
    ReleaseArea(areas.keyInfo, kKeyWorkAreaSize);
    ReleaseArea(areas.ciphertext, kKeyWorkAreaSize);
    ReleaseArea(areas.plaintext, kKeyWorkAreaSize);
    return status;
}

}  // namespace cerrojo
