// Fuzz harness: the five digests through the selector, fed in fuzzed pieces,
// against the one-shot digest of the same message and, for MD4, MD5 and
// SHA-1, against OpenSSL's.
//
// Input: the digest id, the piece lengths, then the message.
#define OPENSSL_SUPPRESS_DEPRECATED  // the one-shot low-level digests, MD4 included
#include <openssl/md4.h>
#include <openssl/md5.h>
#include <openssl/sha.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "crypto/digest.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"

namespace {

using cerrojo::DigestContext;
using cerrojo::DigestId;
using fuzzsupport::FuzzInput;

bool AllZero(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    for (std::size_t i = 0; i < n; ++i)
        if (b[i] != 0) return false;
    return true;
}

// The per-algorithm state that a finish must have wiped.
bool StateWiped(const DigestContext& context) {
    switch (context.id) {
        case cerrojo::DigestMd2:
            return AllZero(&context.state.md2, sizeof context.state.md2);
        case cerrojo::DigestMd4:
        case cerrojo::DigestMd5:
            return AllZero(&context.state.md5, sizeof context.state.md5);
        default:
            return AllZero(&context.state.sha, sizeof context.state.sha);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t pick = in.Byte();
    // Mostly the five known ids; now and then any value, which must be refused.
    const DigestId id = pick < 250 ? 2 + pick % 5 : in.Integer<std::uint32_t>();
    const bool known = id >= 2 && id <= 6;
    std::vector<std::uint32_t> pieces(1 + in.Range(0, 7));
    for (std::uint32_t& piece : pieces) piece = in.Range(0, 130);
    const std::vector<std::uint8_t> message = in.Rest();
    const std::uint32_t length = static_cast<std::uint32_t>(message.size());
    const std::uint32_t expectedLength = (id == 3 || id == 6) ? 20 : 16;

    // One shot.
    std::uint8_t once[20];
    std::memset(once, 0xA5, sizeof once);
    std::uint32_t onceLength = 12345;
    const int status = cerrojo::ComputeDigest(once, &onceLength, message.data(), length, id);
    if (!known) {
        FUZZ_CHECK(status == cerrojo::StatusUnknownDigest);
        FUZZ_CHECK(onceLength == 12345);
        for (std::uint8_t b : once) FUZZ_CHECK(b == 0xA5);
    } else {
        FUZZ_CHECK(status == 0 && onceLength == expectedLength);
    }

    // The same message in pieces, the piece lengths taken in turn.
    DigestContext context;
    FUZZ_CHECK(cerrojo::DigestInit(&context, id) == status);
    // (When every piece is empty they are fed once each and the rest at the end.)
    bool progress = false;
    for (std::uint32_t piece : pieces) progress |= piece != 0;
    std::uint32_t offset = 0;
    for (std::size_t i = 0; offset < length && (progress || i < pieces.size()); ++i) {
        std::uint32_t piece = pieces[i % pieces.size()];
        if (piece > length - offset) piece = length - offset;
        FUZZ_CHECK(cerrojo::DigestUpdate(&context, message.data() + offset, piece) == status);
        offset += piece;
    }
    if (offset < length) {
        FUZZ_CHECK(cerrojo::DigestUpdate(&context, message.data() + offset, length - offset) ==
                   status);
    }
    std::uint8_t split[20];
    std::memset(split, 0xA5, sizeof split);
    std::uint32_t splitLength = 0;
    FUZZ_CHECK(cerrojo::DigestFinal(&context, split, &splitLength) == status);
    FUZZ_CHECK(splitLength == expectedLength);
    if (!known) {
        for (std::uint8_t b : split) FUZZ_CHECK(b == 0xA5);
        return 0;
    }
    FUZZ_CHECK(std::memcmp(once, split, expectedLength) == 0);
    FUZZ_CHECK(StateWiped(context));

    // An independent implementation where OpenSSL still has one.
    std::uint8_t peer[20];
    switch (id) {
        case cerrojo::DigestMd4:
            MD4(message.data(), message.size(), peer);
            break;
        case cerrojo::DigestMd5: {
            MD5(message.data(), message.size(), peer);
            // The direct MD5 entry points are the selector's MD5.
            cerrojo::Md5Context md5;
            cerrojo::Md5Init(&md5);
            cerrojo::Md5Update(&md5, message.data(), length);
            std::uint8_t direct[16];
            cerrojo::Md5Final(direct, &md5);
            FUZZ_CHECK(std::memcmp(direct, peer, 16) == 0);
            FUZZ_CHECK(AllZero(&md5, sizeof md5));
            break;
        }
        case cerrojo::DigestSha1:
            SHA1(message.data(), message.size(), peer);
            break;
        default:  // MD2 and SHA-0: OpenSSL has neither; their vectors are in the unit tests
            return 0;
    }
    FUZZ_CHECK(std::memcmp(once, peer, expectedLength) == 0);
    return 0;
}
