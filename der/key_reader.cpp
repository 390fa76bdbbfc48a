// Cerrojo PKCS#8 reader: the encrypted key file and the PrivateKeyInfo inside it.

#include "der/key_reader.h"

#include <cstdint>
#include <cstring>

#include "der/der.h"
#include "der/reader.h"

namespace cerrojo {

namespace {

constexpr std::uint32_t kSaltLength = 8;
constexpr std::uint32_t kDesBlock = 8;

// SEQUENCE { salt OCTET STRING, iterationCount INTEGER }
int ReadPbeParameters(const DerAlgorithm& algorithm, ParsedKeyFile* keyFile) {
    if (!algorithm.hasParameters) return StatusDerUnexpected;
    DerReader parts;
    DerElement salt, iterations;
    if (algorithm.parameters.identifier != kDerIdSequence) return StatusDerUnexpected;
    int status = DerEnter(&algorithm.parameters, &parts);
    if (status == StatusOk) status = DerReadExpected(&parts, kDerIdOctetString, &salt);
    if (status == StatusOk) status = DerReadElement(&parts, &iterations);
    if (status == StatusOk) status = DerReadDone(&parts);
    if (status == StatusOk && salt.length != kSaltLength) status = StatusDerBadValue;
    if (status == StatusOk) status = DerGetUint32(&iterations, &keyFile->iterations);
    // PBKDF1 takes a positive iteration count: the writer stores 1 for a count of 0.
    if (status == StatusOk && keyFile->iterations == 0) status = StatusDerBadValue;
    if (status != StatusOk) return status;
    std::memcpy(keyFile->salt, salt.contents, kSaltLength);
    return StatusOk;
}

int ReadKeyFile(const std::uint8_t* data, std::uint32_t length, ParsedKeyFile* keyFile) {
    DerReader parts;
    DerElement whole, encrypted;
    DerAlgorithm algorithm;
    int status = DerOpenFile(data, length, kDerIdSequence, &whole, &parts);
    if (status == StatusOk) status = DerReadAlgorithm(&parts, &algorithm);
    if (status == StatusOk && algorithm.id != kAlgPbeWithMd5AndDesCbc &&
        algorithm.id != kAlgPbeWithMd2AndDesCbc) {
        status = StatusDerUnsupported;
    }
    if (status == StatusOk) status = ReadPbeParameters(algorithm, keyFile);
    if (status == StatusOk) status = DerReadExpected(&parts, kDerIdOctetString, &encrypted);
    if (status == StatusOk) status = DerReadDone(&parts);
    if (status != StatusOk) return status;
    if (encrypted.length == 0 || encrypted.length % kDesBlock != 0) return StatusDerBadValue;

    keyFile->algorithm = algorithm.id;
    keyFile->ciphertext = encrypted.contents;
    keyFile->ciphertextLength = encrypted.length;
    return StatusOk;
}

// Reads the next INTEGER into a field of the key record.
int ReadNumber(DerReader* numbers, std::uint8_t* field, std::uint32_t width) {
    DerElement number;
    const int status = DerReadElement(numbers, &number);
    return status == StatusOk ? DerGetUnsigned(&number, field, width) : status;
}

int ReadRsaPrivateKey(const DerElement& octets, RsaPrivateKey* key) {
    DerReader inner, numbers;
    DerElement sequence;
    int status = DerEnter(&octets, &inner);
    if (status == StatusOk) status = DerReadExpected(&inner, kDerIdSequence, &sequence);
    if (status == StatusOk) status = DerReadDone(&inner);
    if (status == StatusOk) status = DerEnter(&sequence, &numbers);
    if (status == StatusOk) status = DerReadVersionZero(&numbers);
    struct Field {
        std::uint8_t* data;
        std::uint32_t width;
    };
    const Field fields[] = {{key->modulus, sizeof(key->modulus)},
                            {key->publicExponent, sizeof(key->publicExponent)},
                            {key->privateExponent, sizeof(key->privateExponent)},
                            {key->prime1, sizeof(key->prime1)},
                            {key->prime2, sizeof(key->prime2)},
                            {key->exponent1, sizeof(key->exponent1)},
                            {key->exponent2, sizeof(key->exponent2)},
                            {key->coefficient, sizeof(key->coefficient)}};
    for (const Field& field : fields) {
        if (status == StatusOk) status = ReadNumber(&numbers, field.data, field.width);
    }
    if (status == StatusOk) status = DerReadDone(&numbers);
    if (status != StatusOk) return status;
    const std::uint32_t bits = DerBitLength(key->modulus, sizeof(key->modulus));
    if (bits == 0) return StatusDerBadValue;
    key->bits = static_cast<std::uint16_t>(bits);
    return StatusOk;
}

int ReadPrivateKeyInfo(const std::uint8_t* data, std::uint32_t length, RsaPrivateKey* key) {
    DerReader parts;
    DerElement whole, octets;
    DerAlgorithm algorithm;
    int status = DerOpenFile(data, length, kDerIdSequence, &whole, &parts);
    if (status == StatusOk) status = DerReadVersionZero(&parts);
    if (status == StatusOk) status = DerReadAlgorithm(&parts, &algorithm);
    if (status == StatusOk &&
        (algorithm.id != kAlgRsaEncryption || !DerParametersEmpty(&algorithm))) {
        status = StatusDerUnsupported;
    }
    if (status == StatusOk) status = DerReadExpected(&parts, kDerIdOctetString, &octets);
    if (status == StatusOk && DerPeekIdentifier(&parts) == kDerIdContext0) {
        DerElement attributes;  // attributes of the key: not used here
        status = DerReadElement(&parts, &attributes);
    }
    if (status == StatusOk) status = DerReadDone(&parts);
    if (status == StatusOk) status = ReadRsaPrivateKey(octets, key);
    return status;
}

}  // namespace

int ParseEncryptedPrivateKey(const std::uint8_t* data, std::uint32_t length,
                             ParsedKeyFile* keyFile) {
    std::memset(keyFile, 0, sizeof(*keyFile));
    return ReadKeyFile(data, length, keyFile);
}

int ParsePrivateKeyInfo(const std::uint8_t* data, std::uint32_t length, RsaPrivateKey* privateKey) {
    SecureWipeObject(*privateKey);
    const int status = ReadPrivateKeyInfo(data, length, privateKey);
    if (status != StatusOk) SecureWipeObject(*privateKey);
    return status;
}

}  // namespace cerrojo
