// Cerrojo PKCS#12 key derivation and pbeWithSHAAnd3-KeyTripleDES-CBC.
#include "crypto/pkcs12.h"

#include <cstring>

#include "crypto/des.h"
#include "crypto/digest.h"

namespace cerrojo {

namespace {

constexpr std::uint32_t kBlock = 64;  // v, SHA-1's block
constexpr std::uint32_t kHash = 20;   // u, SHA-1's output

// Code points of the Windows-1252 bytes 0x80..0x9F; the five undefined bytes
// stand for the C1 control of the same value.
constexpr std::uint16_t kWindowsHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Bytes of length copies of source (sourceLength > 0), cut at length.
void Repeat(std::uint8_t* to, std::uint32_t length, const std::uint8_t* source,
            std::uint32_t sourceLength) {
    for (std::uint32_t k = 0; k < length; ++k) to[k] = source[k % sourceLength];
}

// A whole number of blocks covering length bytes.
constexpr std::uint32_t Blocks(std::uint32_t length) {
    return (length + kBlock - 1) / kBlock * kBlock;
}

}  // namespace

void Pkcs12BmpString(std::uint8_t* out, const std::uint8_t* text, std::uint32_t length) {
    for (std::uint32_t k = 0; k < length; ++k) {
        const std::uint8_t byte = text[k];
        const std::uint16_t unit = byte >= 0x80 && byte <= 0x9F ? kWindowsHigh[byte - 0x80] : byte;
        out[2 * k] = static_cast<std::uint8_t>(unit >> 8);
        out[2 * k + 1] = static_cast<std::uint8_t>(unit);
    }
}

int Pkcs12DeriveKey(std::uint8_t* out, std::uint32_t outLength, std::uint8_t id,
                    const std::uint8_t* password, std::uint32_t passwordLength,
                    const std::uint8_t* salt, std::uint32_t saltLength, std::uint32_t iterations) {
    if (saltLength > kPkcs12MaxSaltLength || passwordLength > kPkcs12MaxPasswordLength)
        return StatusBadLength;
    // D || I, where I = S || P.
    std::uint8_t input[kBlock + Blocks(kPkcs12MaxSaltLength) + Blocks(kPkcs12MaxPasswordLength)];
    const std::uint32_t saltPart = Blocks(saltLength);
    const std::uint32_t passwordPart = Blocks(passwordLength);
    const std::uint32_t inputLength = kBlock + saltPart + passwordPart;
    std::memset(input, id, kBlock);
    Repeat(input + kBlock, saltPart, salt, saltLength);
    Repeat(input + kBlock + saltPart, passwordPart, password, passwordLength);

    std::uint8_t a[kHash];
    std::uint8_t b[kBlock];
    ShaContext context;
    for (std::uint32_t offset = 0; offset < outLength; offset += kHash) {
        Sha1Init(&context);
        Sha1Update(&context, input, inputLength);
        Sha1Final(a, &context);
        for (std::uint32_t round = 1; round < iterations; ++round) {
            Sha1Init(&context);
            Sha1Update(&context, a, kHash);
            Sha1Final(a, &context);
        }
        const std::uint32_t take = outLength - offset < kHash ? outLength - offset : kHash;
        std::memcpy(out + offset, a, take);
        if (outLength - offset <= kHash) break;
        // I_j := (I_j + B + 1) mod 2^512 for every block of I, B = A repeated.
        Repeat(b, kBlock, a, kHash);
        for (std::uint32_t block = kBlock; block < inputLength; block += kBlock) {
            unsigned carry = 1;
            for (std::uint32_t k = kBlock; k-- > 0;) {
                carry += unsigned{input[block + k]} + b[k];
                input[block + k] = static_cast<std::uint8_t>(carry);
                carry >>= 8;
            }
        }
    }
    SecureWipeObject(input);
    SecureWipeObject(a);
    SecureWipeObject(b);
    SecureWipeObject(context);
    return StatusOk;
}

std::uint32_t Pkcs12PbeEncrypt(ByteSpan* plaintext, ByteSpan* ciphertext,
                               const std::uint8_t* password, std::uint32_t passwordLength,
                               const std::uint8_t* salt, std::uint32_t saltLength,
                               std::uint32_t iterations) {
    if (plaintext->length > UINT32_MAX - 8) return 0;
    std::uint8_t key[24];
    std::uint8_t iv[8];
    DesEde3CbcContext cipher;
    std::uint32_t result = 0;
    if (Pkcs12DeriveKey(key, sizeof(key), kPkcs12KeyId, password, passwordLength, salt, saltLength,
                        iterations) == StatusOk &&
        Pkcs12DeriveKey(iv, sizeof(iv), kPkcs12IvId, password, passwordLength, salt, saltLength,
                        iterations) == StatusOk) {
        const std::uint32_t pad = 8 - plaintext->length % 8;
        std::memset(plaintext->data + plaintext->length, static_cast<int>(pad), pad);
        const std::uint32_t length = plaintext->length + pad;
        DesEde3CbcInit(&cipher, key, iv, 1);
        if (DesEde3CbcUpdate(&cipher, ciphertext->data, plaintext->data, length) == StatusOk) {
            ciphertext->length = length;
            result = length;
        }
    }
    SecureWipeObject(key);
    SecureWipeObject(iv);
    SecureWipeObject(cipher);
    return result;
}

}  // namespace cerrojo
