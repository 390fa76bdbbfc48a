// Test helper: RSA key pairs of any size from OpenSSL's prime generator,
// exported into Cerrojo's key records, and the public-key operation used to
// look inside a signature.
#pragma once

#include <openssl/bn.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "crypto/rsa.h"

namespace dertest {

struct KeyPair {
    cerrojo::RsaPublicKey publicKey;
    cerrojo::RsaPrivateKey privateKey;
};

namespace detail {

using Bn = std::unique_ptr<BIGNUM, decltype(&BN_free)>;
inline Bn NewBn() {
    return Bn(BN_new(), BN_free);
}

inline void Put(std::uint8_t* field, int width, const BIGNUM* value) {
    ASSERT_EQ(BN_bn2binpad(value, field, width), width);
}

inline void Generate(int bits, KeyPair* pair) {
    std::unique_ptr<BN_CTX, decltype(&BN_CTX_free)> ctx(BN_CTX_new(), BN_CTX_free);
    Bn p = NewBn(), q = NewBn(), n = NewBn(), e = NewBn(), d = NewBn(), p1 = NewBn(), q1 = NewBn(),
       phi = NewBn(), g = NewBn(), dp = NewBn(), dq = NewBn(), qinv = NewBn();
    ASSERT_TRUE(BN_set_word(e.get(), 65537));
    const int pBits = (bits + 1) / 2, qBits = bits - pBits;
    for (;;) {
        ASSERT_TRUE(BN_generate_prime_ex(p.get(), pBits, 0, nullptr, nullptr, nullptr));
        ASSERT_TRUE(BN_generate_prime_ex(q.get(), qBits, 0, nullptr, nullptr, nullptr));
        if (BN_cmp(p.get(), q.get()) == 0) continue;
        if (BN_cmp(p.get(), q.get()) < 0) std::swap(p, q);  // p is the larger prime
        ASSERT_TRUE(BN_mul(n.get(), p.get(), q.get(), ctx.get()));
        if (BN_num_bits(n.get()) != bits) continue;
        ASSERT_TRUE(BN_sub(p1.get(), p.get(), BN_value_one()));
        ASSERT_TRUE(BN_sub(q1.get(), q.get(), BN_value_one()));
        ASSERT_TRUE(BN_mul(phi.get(), p1.get(), q1.get(), ctx.get()));
        ASSERT_TRUE(BN_gcd(g.get(), e.get(), phi.get(), ctx.get()));
        if (!BN_is_one(g.get())) continue;
        break;
    }
    ASSERT_NE(BN_mod_inverse(d.get(), e.get(), phi.get(), ctx.get()), nullptr);
    ASSERT_TRUE(BN_mod(dp.get(), d.get(), p1.get(), ctx.get()));
    ASSERT_TRUE(BN_mod(dq.get(), d.get(), q1.get(), ctx.get()));
    ASSERT_NE(BN_mod_inverse(qinv.get(), q.get(), p.get(), ctx.get()), nullptr);

    std::memset(pair, 0, sizeof(*pair));
    pair->publicKey.bits = static_cast<std::uint16_t>(bits);
    pair->privateKey.bits = static_cast<std::uint16_t>(bits);
    Put(pair->publicKey.modulus, 256, n.get());
    Put(pair->publicKey.publicExponent, 256, e.get());
    cerrojo::RsaPrivateKey& k = pair->privateKey;
    Put(k.modulus, 256, n.get());
    Put(k.publicExponent, 256, e.get());
    Put(k.privateExponent, 256, d.get());
    Put(k.prime1, 128, p.get());
    Put(k.prime2, 128, q.get());
    Put(k.exponent1, 128, dp.get());
    Put(k.exponent2, 128, dq.get());
    Put(k.coefficient, 128, qinv.get());
}

}  // namespace detail

// One key pair per size and test program (prime generation is the slow part).
inline const KeyPair& TestKey(int bits) {
    static std::map<int, std::unique_ptr<KeyPair>> cache;
    auto& slot = cache[bits];
    if (!slot) {
        slot = std::make_unique<KeyPair>();
        detail::Generate(bits, slot.get());
    }
    return *slot;
}

// signature^e mod n, as k = (bits + 7) / 8 bytes.
inline std::vector<std::uint8_t> PublicOperation(const cerrojo::RsaPublicKey& key,
                                                 const std::uint8_t* signature,
                                                 std::size_t length) {
    std::unique_ptr<BN_CTX, decltype(&BN_CTX_free)> ctx(BN_CTX_new(), BN_CTX_free);
    detail::Bn s(BN_bin2bn(signature, static_cast<int>(length), nullptr), BN_free);
    detail::Bn n(BN_bin2bn(key.modulus, 256, nullptr), BN_free);
    detail::Bn e(BN_bin2bn(key.publicExponent, 256, nullptr), BN_free);
    detail::Bn m = detail::NewBn();
    BN_mod_exp(m.get(), s.get(), e.get(), n.get(), ctx.get());
    std::vector<std::uint8_t> block((key.bits + 7) / 8);
    BN_bn2binpad(m.get(), block.data(), static_cast<int>(block.size()));
    return block;
}

// One key pair per size and test program from Cerrojo's own generator, as the
// generation makes them (e = 65537), the pool seeded with fixed bytes.
inline const KeyPair& OwnKey(std::uint32_t bits) {
    static std::map<std::uint32_t, std::unique_ptr<KeyPair>> cache;
    auto& slot = cache[bits];
    if (!slot) {
        slot = std::make_unique<KeyPair>();
        cerrojo::RandomPool pool{};
        cerrojo::RandomInit(&pool);
        std::uint8_t seed[256];
        for (std::uint32_t i = 0; i < sizeof(seed); ++i)
            seed[i] = static_cast<std::uint8_t>(i * 13 + bits);
        cerrojo::RandomUpdate(&pool, seed, sizeof(seed));
        const cerrojo::KeyGenParams params{bits, 1};
        EXPECT_EQ(cerrojo::RsaGenerateKeyPair(&slot->publicKey, &slot->privateKey, &params, &pool),
                  0);
    }
    return *slot;
}

}  // namespace dertest
