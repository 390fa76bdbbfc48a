// Fuzz harness: DES-CBC on fuzzed keys, IVs and data. Decryption restores
// what encryption produced; one call, 8-byte-multiple pieces and in-place
// processing agree; the key's parity bits do not matter; the ciphertext is
// OpenSSL's; a length that is not a multiple of 8 changes nothing.
//
// Input: key, IV, a parity mask, a piece length, a length adjustment, data.
#define OPENSSL_SUPPRESS_DEPRECATED  // the low-level DES interface
#include <openssl/des.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "crypto/des.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"

namespace {

using cerrojo::DesCbcContext;
using fuzzsupport::FuzzInput;
using Bytes = std::vector<std::uint8_t>;

// length bytes through a fresh context, in pieces of piece bytes (0: one call).
Bytes Run(const std::uint8_t key[8], const std::uint8_t iv[8], int encrypt, const Bytes& input,
          std::uint32_t piece, bool inPlace) {
    DesCbcContext context;
    cerrojo::DesCbcInit(&context, key, iv, encrypt);
    Bytes output = inPlace ? input : Bytes(input.size(), 0xA5);
    const std::uint8_t* source = inPlace ? output.data() : input.data();
    const std::uint32_t length = static_cast<std::uint32_t>(input.size());
    std::uint32_t offset = 0;
    do {  // an empty input still makes one (empty) call
        std::uint32_t n = piece == 0 ? length : piece;
        if (n > length - offset) n = length - offset;
        FUZZ_CHECK(cerrojo::DesCbcUpdate(&context, output.data() + offset, source + offset, n) ==
                   0);
        offset += n;
    } while (offset < length);
    return output;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    std::uint8_t key[8], iv[8], flipped[8];
    in.Fill(key, sizeof key);
    in.Fill(iv, sizeof iv);
    const std::uint8_t parity = in.Byte();
    for (int i = 0; i < 8; ++i) flipped[i] = key[i] ^ ((parity >> i) & 1);
    const std::uint32_t piece = 8 * in.Range(0, 8);
    const std::uint8_t adjust = in.Byte();
    Bytes plain = in.Rest();
    plain.resize(plain.size() / 8 * 8);

    const Bytes cipher = Run(key, iv, 1, plain, 0, false);
    FUZZ_CHECK(Run(key, iv, 1, plain, piece, false) == cipher);
    FUZZ_CHECK(Run(key, iv, 1, plain, piece, true) == cipher);
    FUZZ_CHECK(Run(flipped, iv, 1, plain, 0, false) == cipher);
    FUZZ_CHECK(Run(key, iv, 0, cipher, piece, false) == plain);
    FUZZ_CHECK(Run(key, iv, 0, cipher, 0, true) == plain);

    // OpenSSL's DES-CBC.
    if (!plain.empty()) {
        DES_cblock desKey, desIv;
        std::memcpy(desKey, key, 8);
        std::memcpy(desIv, iv, 8);
        DES_key_schedule schedule;
        DES_set_key_unchecked(&desKey, &schedule);
        Bytes peer(plain.size());
        DES_ncbc_encrypt(plain.data(), peer.data(), static_cast<long>(plain.size()), &schedule,
                         &desIv, DES_ENCRYPT);
        FUZZ_CHECK(peer == cipher);
    }

    // A length that is not a multiple of 8 is refused with nothing touched,
    // the context included, and the context then goes on as before.
    if (adjust % 8 != 0 && plain.size() >= 8) {
        DesCbcContext context, before;
        cerrojo::DesCbcInit(&context, key, iv, adjust & 0x80 ? 0 : 1);
        std::memcpy(&before, &context, sizeof context);
        Bytes output(plain.size(), 0x5A);
        const std::uint32_t bad = static_cast<std::uint32_t>(plain.size()) - adjust % 8;
        FUZZ_CHECK(cerrojo::DesCbcUpdate(&context, output.data(), plain.data(), bad) ==
                   cerrojo::StatusBadLength);
        FUZZ_CHECK(std::memcmp(&before, &context, sizeof context) == 0);
        FUZZ_CHECK(output == Bytes(plain.size(), 0x5A));
    }
    return 0;
}
