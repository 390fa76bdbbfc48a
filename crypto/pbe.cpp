// Cerrojo password-based encryption: PKCS#5 v1.5 PBES1 with PBKDF1 and
// DES-CBC, for pbeWithMD2AndDES-CBC and pbeWithMD5AndDES-CBC.
//
// The salt is not random: it is the first 8 bytes of H(password || plaintext),
// so one password and one plaintext always give the same salt and ciphertext,
// and different plaintexts under one password get different salts.

#include "crypto/pbe.h"

#include <cstdint>

#include "crypto/des.h"
#include "crypto/digest.h"

namespace cerrojo {

namespace {

constexpr std::uint32_t kBlockLength = 8;
constexpr std::uint32_t kDerivedLength = 16;  // MD2 and MD5 digests

// H(first || second) on a context started afresh. Returns false when a digest
// step reports an error or the digest is not 16 bytes long.
bool DigestOfTwo(DigestContext* context, DigestId id, const std::uint8_t* first,
                 std::uint32_t firstLength, const std::uint8_t* second,
                 std::uint32_t secondLength, std::uint8_t out[kMaxDigestLength]) {
    std::uint32_t outLength = 0;
    return DigestInit(context, id) == StatusOk &&
           (firstLength == 0 || DigestUpdate(context, first, firstLength) == StatusOk) &&
           (secondLength == 0 || DigestUpdate(context, second, secondLength) == StatusOk) &&
           DigestFinal(context, out, &outLength) == StatusOk && outLength == kDerivedLength;
}

// Sets the lowest bit of each byte so that the byte has an odd number of ones.
void SetOddParity(std::uint8_t key[8]) {
    for (int i = 0; i < 8; ++i) {
        std::uint8_t ones = 0;
        for (std::uint8_t b = key[i]; b != 0; b &= static_cast<std::uint8_t>(b - 1)) ++ones;
        if ((ones & 1) == 0) key[i] ^= 0x01;
    }
}

}  // namespace

std::uint32_t PbeEncrypt(ByteSpan* plaintext, ByteSpan* ciphertext, AlgorithmId algorithm,
                         std::uint32_t iterations, std::uint8_t salt[8],
                         const std::uint8_t* password, std::uint32_t passwordLength) {
    DigestId id;
    if (algorithm == kPbeWithMd2AndDesCbc) {
        id = DigestMd2;
    } else if (algorithm == kPbeWithMd5AndDesCbc) {
        id = DigestMd5;
    } else {
        return 0;
    }

    const std::uint32_t length = plaintext->length;
    // The padded length must still fit the 32-bit length field.
    if (length > UINT32_MAX - kBlockLength) return 0;

    DigestContext digest;
    std::uint8_t saltDigest[kMaxDigestLength];  // H(password || plaintext)
    std::uint8_t derived[kMaxDigestLength];     // PBKDF1's T
    std::uint8_t key[8];
    std::uint8_t iv[8];
    DesCbcContext des;
    std::uint32_t result = 0;

    do {
        // Salt: the first 8 bytes of H(password || unpadded plaintext).
        if (!DigestOfTwo(&digest, id, password, passwordLength, plaintext->data, length,
                         saltDigest)) {
            break;
        }
        for (int i = 0; i < 8; ++i) salt[i] = saltDigest[i];

        // PBKDF1: T1 = H(password || salt), Tn = H(Tn-1); 0 and 1 both give T1.
        if (!DigestOfTwo(&digest, id, password, passwordLength, salt, 8, derived)) break;
        bool failed = false;
        for (std::uint32_t count = 1; count < iterations; ++count) {
            if (!DigestOfTwo(&digest, id, derived, kDerivedLength, nullptr, 0, derived)) {
                failed = true;
                break;
            }
        }
        if (failed) break;

        for (int i = 0; i < 8; ++i) {
            key[i] = derived[i];
            iv[i] = derived[8 + i];
        }
        SetOddParity(key);

        // PKCS#5 padding: 1..8 bytes of the pad count, behind the data.
        const std::uint32_t pad = kBlockLength - length % kBlockLength;
        for (std::uint32_t i = 0; i < pad; ++i) {
            plaintext->data[length + i] = static_cast<std::uint8_t>(pad);
        }

        SecureWipeObject(des);
        DesCbcInit(&des, key, iv, 1);
        if (DesCbcUpdate(&des, ciphertext->data, plaintext->data, length + pad) != StatusOk) break;

        ciphertext->length = length + pad;
        result = length + pad;
    } while (false);

    SecureWipeObject(digest);
    SecureWipeObject(saltDigest);
    SecureWipeObject(derived);
    SecureWipeObject(key);
    SecureWipeObject(iv);
    SecureWipeObject(des);
    return result;
}

}  // namespace cerrojo
