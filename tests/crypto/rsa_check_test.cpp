// RsaCheckPrivateKey: keys from Cerrojo's generator and from OpenSSL pass,
// in either order of the primes and with d modulo phi or modulo lambda; a
// change to any one number is caught, and OpenSSL's own key check agrees with
// every verdict.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdint>
#include <string>

#include "crypto/random.h"
#include "crypto/rsa.h"
#include "support/openssl_files.h"
#include "support/test_keys.h"

namespace {

using cerrojo::RsaPrivateKey;

bool OpenSslAccepts(const RsaPrivateKey& key) {
    const dertest::Pkey pkey = dertest::ToOpenSsl(key);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_pkey(nullptr, pkey.get(), nullptr);
    const bool ok = ctx != nullptr && EVP_PKEY_check(ctx) == 1;
    EVP_PKEY_CTX_free(ctx);
    return ok;
}

// Recomputes the key with OpenSSL's arithmetic: primes in the given order;
// with lambda, a d that inverts e modulo lcm(p - 1, q - 1) but not modulo
// (p - 1)(q - 1), which a check modulo phi alone would refuse.
RsaPrivateKey Recomputed(const RsaPrivateKey& key, bool swapPrimes, bool lambda) {
    using dertest::detail::Bn;
    using dertest::detail::NewBn;
    std::unique_ptr<BN_CTX, decltype(&BN_CTX_free)> ctx(BN_CTX_new(), BN_CTX_free);
    Bn p(BN_bin2bn(key.prime1, 128, nullptr), BN_free);
    Bn q(BN_bin2bn(key.prime2, 128, nullptr), BN_free);
    Bn e(BN_bin2bn(key.publicExponent, 256, nullptr), BN_free);
    if (swapPrimes) std::swap(p, q);
    Bn p1 = NewBn(), q1 = NewBn(), m = NewBn(), g = NewBn(), d = NewBn(), dp = NewBn(),
       dq = NewBn(), qinv = NewBn();
    BN_sub(p1.get(), p.get(), BN_value_one());
    BN_sub(q1.get(), q.get(), BN_value_one());
    BN_mul(m.get(), p1.get(), q1.get(), ctx.get());
    Bn phi(BN_dup(m.get()), BN_free), ed = NewBn();
    if (lambda) {
        BN_gcd(g.get(), p1.get(), q1.get(), ctx.get());  // at least 2
        BN_div(m.get(), nullptr, m.get(), g.get(), ctx.get());
    }
    BN_mod_inverse(d.get(), e.get(), m.get(), ctx.get());
    if (lambda) {
        BN_mod_mul(ed.get(), e.get(), d.get(), phi.get(), ctx.get());
        if (BN_is_one(ed.get())) BN_add(d.get(), d.get(), m.get());
        BN_mod_mul(ed.get(), e.get(), d.get(), phi.get(), ctx.get());
        EXPECT_FALSE(BN_is_one(ed.get()));
    }
    BN_mod(dp.get(), d.get(), p1.get(), ctx.get());
    BN_mod(dq.get(), d.get(), q1.get(), ctx.get());
    BN_mod_inverse(qinv.get(), q.get(), p.get(), ctx.get());
    RsaPrivateKey out = key;
    BN_bn2binpad(d.get(), out.privateExponent, 256);
    BN_bn2binpad(p.get(), out.prime1, 128);
    BN_bn2binpad(q.get(), out.prime2, 128);
    BN_bn2binpad(dp.get(), out.exponent1, 128);
    BN_bn2binpad(dq.get(), out.exponent2, 128);
    BN_bn2binpad(qinv.get(), out.coefficient, 128);
    return out;
}

TEST(RsaCheckPrivateKey, CerrojoKeysPass) {
    for (std::uint32_t exponent65537 : {0u, 1u}) {
        for (std::uint32_t bits : {508u, 1023u, 1024u}) {
            cerrojo::RandomPool pool{};
            cerrojo::RandomInit(&pool);
            std::uint8_t seed[256];
            for (unsigned i = 0; i < sizeof(seed); ++i)
                seed[i] = static_cast<std::uint8_t>(i + bits);
            cerrojo::RandomUpdate(&pool, seed, sizeof(seed));
            cerrojo::RsaPublicKey publicKey;
            RsaPrivateKey key;
            const cerrojo::KeyGenParams params{bits, exponent65537};
            ASSERT_EQ(cerrojo::RsaGenerateKeyPair(&publicKey, &key, &params, &pool), 0);
            EXPECT_EQ(cerrojo::RsaCheckPrivateKey(&key), 0)
                << bits << " bits, e65537 " << exponent65537;
        }
    }
}

TEST(RsaCheckPrivateKey, OpenSslKeysPassInAnyOrderWithPhiOrLambda) {
    for (int bits : {1023, 1024, 2048}) {
        const RsaPrivateKey& key = dertest::TestKey(bits).privateKey;
        for (bool swap : {false, true}) {
            for (bool lambda : {false, true}) {
                SCOPED_TRACE(std::to_string(bits) + (swap ? " p < q" : " p > q") +
                             (lambda ? " lambda" : " phi"));
                const RsaPrivateKey variant = Recomputed(key, swap, lambda);
                EXPECT_EQ(cerrojo::RsaCheckPrivateKey(&variant), 0);
                EXPECT_TRUE(OpenSslAccepts(variant));
            }
        }
    }
}

TEST(RsaCheckPrivateKey, ChangingAnyNumberIsCaught) {
    const RsaPrivateKey& good = dertest::TestKey(1024).privateKey;
    struct Change {
        const char* name;
        void (*apply)(RsaPrivateKey&);
    };
    const Change changes[] = {
        {"modulus", [](RsaPrivateKey& k) { k.modulus[255] ^= 0x02; }},
        {"publicExponent", [](RsaPrivateKey& k) { k.publicExponent[255] ^= 0x02; }},
        {"privateExponent", [](RsaPrivateKey& k) { k.privateExponent[255] ^= 0x01; }},
        {"prime1", [](RsaPrivateKey& k) { k.prime1[127] ^= 0x02; }},
        {"prime2", [](RsaPrivateKey& k) { k.prime2[127] ^= 0x02; }},
        {"exponent1", [](RsaPrivateKey& k) { k.exponent1[127] ^= 0x01; }},
        {"exponent2", [](RsaPrivateKey& k) { k.exponent2[127] ^= 0x01; }},
        {"coefficient", [](RsaPrivateKey& k) { k.coefficient[127] ^= 0x01; }},
        {"coefficient + p",
         [](RsaPrivateKey& k) {
             unsigned carry = 0;
             for (int i = 127; i >= 0; --i) {
                 const unsigned sum = k.coefficient[i] + k.prime1[i] + carry;
                 k.coefficient[i] = static_cast<std::uint8_t>(sum);
                 carry = sum >> 8;
             }
         }},
        {"p = q", [](RsaPrivateKey& k) { std::copy(k.prime1, k.prime1 + 128, k.prime2); }},
        {"q = 1",
         [](RsaPrivateKey& k) {
             std::fill(k.prime2, k.prime2 + 128, 0);
             k.prime2[127] = 1;
         }},
        {"e = 1",
         [](RsaPrivateKey& k) {
             std::fill(k.publicExponent, k.publicExponent + 256, 0);
             k.publicExponent[255] = 1;
         }},
    };
    ASSERT_EQ(cerrojo::RsaCheckPrivateKey(&good), 0);
    for (const Change& change : changes) {
        RsaPrivateKey key = good;
        change.apply(key);
        EXPECT_EQ(cerrojo::RsaCheckPrivateKey(&key), cerrojo::StatusBadData) << change.name;
        EXPECT_FALSE(OpenSslAccepts(key)) << change.name;
    }
}

TEST(RsaCheckPrivateKey, BitCountMustBeTheModulusLength) {
    RsaPrivateKey key = dertest::TestKey(1024).privateKey;
    for (std::uint16_t bits : {0, 1023, 1025, 2049}) {
        key.bits = bits;
        EXPECT_EQ(cerrojo::RsaCheckPrivateKey(&key), cerrojo::StatusBadLength) << bits;
    }
}

}  // namespace
