// Fuzz harness: password-based encryption of fuzzed data under fuzzed
// passwords and iteration counts. The salt is the digest of password and
// data; OpenSSL, given that salt and the count, derives the same key and IV
// by PBKDF1 and decrypts the result to the data and its PKCS#5 padding.
// Running it twice gives the same bytes; any other algorithm is refused.
//
// Input: an algorithm pick, the iteration count, in-place or not, the
// password, then the data.
#define OPENSSL_SUPPRESS_DEPRECATED  // the low-level MD5 and DES interfaces
#include <openssl/des.h>
#include <openssl/md5.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "crypto/digest.h"
#include "crypto/pbe.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"

namespace {

using cerrojo::ByteSpan;
using Bytes = std::vector<std::uint8_t>;

// H(first || second) for MD5 (OpenSSL) or MD2 (OpenSSL has none: the
// library's own, whose vectors the unit tests check).
Bytes Digest(bool md5, const Bytes& first, const Bytes& second) {
    Bytes joined = first;
    joined.insert(joined.end(), second.begin(), second.end());
    Bytes out(16);
    if (md5) {
        MD5(joined.data(), joined.size(), out.data());
    } else {
        std::uint32_t length = 0;
        FUZZ_CHECK(cerrojo::ComputeDigest(out.data(), &length, joined.data(),
                                          static_cast<std::uint32_t>(joined.size()),
                                          cerrojo::DigestMd2) == 0);
    }
    return out;
}

struct Result {
    std::uint32_t length = 0;
    std::uint32_t spanLength = 0;
    Bytes salt, plainArea, cipher;
};

Result Encrypt(const Bytes& data, const Bytes& password, cerrojo::AlgorithmId algorithm,
               std::uint32_t iterations, bool inPlace) {
    const std::uint32_t length = static_cast<std::uint32_t>(data.size());
    // The documented room: the data plus 8 bytes, in both areas.
    Bytes plainArea(length + 8, 0xA5), cipherArea(length + 8, 0x5A);
    std::copy(data.begin(), data.end(), plainArea.begin());
    ByteSpan plain{plainArea.data(), length};
    ByteSpan cipher{inPlace ? plainArea.data() : cipherArea.data(), 4242};
    Result r;
    r.salt.assign(8, 0xC3);
    r.length = cerrojo::PbeEncrypt(&plain, &cipher, algorithm, iterations, r.salt.data(),
                                   password.data(), static_cast<std::uint32_t>(password.size()));
    FUZZ_CHECK(plain.length == length && plain.data == plainArea.data());
    r.spanLength = cipher.length;
    r.plainArea = plainArea;
    r.cipher = inPlace ? plainArea : cipherArea;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::FuzzInput in(data, size);
    const std::uint8_t pick = in.Byte();
    const cerrojo::AlgorithmId algorithm = pick < 160   ? cerrojo::kPbeWithMd5AndDesCbc
                                           : pick < 240 ? cerrojo::kPbeWithMd2AndDesCbc
                                                        : in.Integer<std::uint32_t>();
    const std::uint32_t iterations = in.Range(0, 40);
    const bool inPlace = in.Bool();
    const Bytes password = in.Sized(300);
    Bytes plain = in.Rest();
    if (plain.size() > 3000) plain.resize(3000);
    const std::uint32_t length = static_cast<std::uint32_t>(plain.size());

    const Result r = Encrypt(plain, password, algorithm, iterations, inPlace);
    if (algorithm != cerrojo::kPbeWithMd5AndDesCbc && algorithm != cerrojo::kPbeWithMd2AndDesCbc) {
        FUZZ_CHECK(r.length == 0 && r.spanLength == 4242);
        return 0;
    }
    const std::uint32_t pad = 8 - length % 8;
    FUZZ_CHECK(r.length == length + pad && r.spanLength == r.length);
    if (!inPlace) {  // the padding is appended in the data's own storage
        for (std::uint32_t i = 0; i < pad; ++i) FUZZ_CHECK(r.plainArea[length + i] == pad);
    }

    // Salt and PBKDF1 key and IV, computed apart.
    const bool md5 = algorithm == cerrojo::kPbeWithMd5AndDesCbc;
    Bytes salt = Digest(md5, password, plain);
    salt.resize(8);
    FUZZ_CHECK(r.salt == salt);
    Bytes t = Digest(md5, password, salt);
    for (std::uint32_t count = 1; count < iterations; ++count) t = Digest(md5, t, {});

    DES_cblock key, iv;
    std::memcpy(key, t.data(), 8);
    std::memcpy(iv, t.data() + 8, 8);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&key, &schedule);
    Bytes decrypted(r.length);
    DES_ncbc_encrypt(r.cipher.data(), decrypted.data(), static_cast<long>(r.length), &schedule, &iv,
                     DES_DECRYPT);
    Bytes expected = plain;
    expected.insert(expected.end(), pad, static_cast<std::uint8_t>(pad));
    FUZZ_CHECK(decrypted == expected);

    // No randomness: the same password and data give the same salt and bytes.
    const Result again = Encrypt(plain, password, algorithm, iterations, !inPlace);
    FUZZ_CHECK(again.salt == r.salt);
    FUZZ_CHECK(Bytes(again.cipher.begin(), again.cipher.begin() + r.length) ==
               Bytes(r.cipher.begin(), r.cipher.begin() + r.length));
    return 0;
}
