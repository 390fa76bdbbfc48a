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
                 std::uint32_t firstLength, const std::uint8_t* second, std::uint32_t secondLength,
                 std::uint8_t out[kMaxDigestLength]) {
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

// The digest that belongs to a PBE algorithm; false for any other algorithm.
bool DigestOfAlgorithm(AlgorithmId algorithm, DigestId* id) {
    if (algorithm == kPbeWithMd2AndDesCbc) {
        *id = DigestMd2;
    } else if (algorithm == kPbeWithMd5AndDesCbc) {
        *id = DigestMd5;
    } else {
        return false;
    }
    return true;
}

// PBKDF1: T1 = H(password || salt), Tn = H(Tn-1), 0 and 1 iterations both
// giving T1; key = T[0..8) with odd parity, IV = T[8..16). The context and T
// are wiped here; key and IV are the caller's to wipe.
bool DeriveKeyAndIv(DigestId id, const std::uint8_t* password, std::uint32_t passwordLength,
                    const std::uint8_t salt[8], std::uint32_t iterations, std::uint8_t key[8],
                    std::uint8_t iv[8]) {
    DigestContext digest;
    std::uint8_t derived[kMaxDigestLength];
    bool ok = DigestOfTwo(&digest, id, password, passwordLength, salt, 8, derived);
    for (std::uint32_t count = 1; ok && count < iterations; ++count) {
        ok = DigestOfTwo(&digest, id, derived, kDerivedLength, nullptr, 0, derived);
    }
    if (ok) {
        for (int i = 0; i < 8; ++i) {
            key[i] = derived[i];
            iv[i] = derived[8 + i];
        }
        SetOddParity(key);
    }
    SecureWipeObject(digest);
    SecureWipeObject(derived);
    return ok;
}

}  // namespace

std::uint32_t PbeEncrypt(ByteSpan* plaintext, ByteSpan* ciphertext, AlgorithmId algorithm,
                         std::uint32_t iterations, std::uint8_t salt[8],
                         const std::uint8_t* password, std::uint32_t passwordLength) {
    DigestId id;
    if (!DigestOfAlgorithm(algorithm, &id)) return 0;

    const std::uint32_t length = plaintext->length;
    // The padded length must still fit the 32-bit length field.
    if (length > UINT32_MAX - kBlockLength) return 0;

    DigestContext digest;
    std::uint8_t saltDigest[kMaxDigestLength];  // H(password || plaintext)
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

        if (!DeriveKeyAndIv(id, password, passwordLength, salt, iterations, key, iv)) break;

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
    SecureWipeObject(key);
    SecureWipeObject(iv);
    SecureWipeObject(des);
    return result;
}

int PbeDecrypt(const std::uint8_t* ciphertext, std::uint32_t ciphertextLength, ByteSpan* plaintext,
               AlgorithmId algorithm, std::uint32_t iterations, const std::uint8_t salt[8],
               const std::uint8_t* password, std::uint32_t passwordLength) {
    DigestId id;
    if (!DigestOfAlgorithm(algorithm, &id)) return StatusBadData;
    if (ciphertextLength == 0 || ciphertextLength % kBlockLength != 0) return StatusBadLength;

    std::uint8_t key[8];
    std::uint8_t iv[8];
    DesCbcContext des;
    std::uint8_t* out = plaintext->data;
    int status = StatusDecryptFailed;
    do {
        if (!DeriveKeyAndIv(id, password, passwordLength, salt, iterations, key, iv)) break;
        SecureWipeObject(des);
        DesCbcInit(&des, key, iv, 0);
        if (DesCbcUpdate(&des, out, ciphertext, ciphertextLength) != StatusOk) break;

        // PKCS#5 padding: the last pad bytes all hold pad, 1 <= pad <= 8.
        // Every byte of the last block is looked at, whatever pad says.
        const std::uint32_t pad = out[ciphertextLength - 1];
        std::uint32_t bad = (pad - 1u) & ~(kBlockLength - 1u);  // nonzero unless 1..8
        for (std::uint32_t i = 1; i <= kBlockLength; ++i) {
            const std::uint32_t inPad = ((pad - i) >> 31) ^ 1u;  // 1 when i <= pad
            bad |= (out[ciphertextLength - i] ^ pad) & (0u - inPad);
        }
        if (bad != 0) break;

        SecureWipe(out + ciphertextLength - pad, pad);
        plaintext->length = ciphertextLength - pad;
        status = StatusOk;
    } while (false);

    if (status != StatusOk) SecureWipe(out, ciphertextLength);
    SecureWipeObject(key);
    SecureWipeObject(iv);
    SecureWipeObject(des);
    return status;
}

}  // namespace cerrojo
