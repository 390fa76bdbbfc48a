// RSA key-pair generation and the private-key operation, checked with OpenSSL:
// a separate model of the prime search over OpenSSL's BN must find the same
// primes from the same pool, every key must satisfy the RSA invariants and
// RSA_check_key, and signatures must match c^d mod n and RSA_private_encrypt.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "crypto/bignum.h"
#include "crypto/random.h"
#include "crypto/rsa.h"
#include "crypto/rsa_prime.h"
#include "support/seeded_pool.h"
#include "support/testdata.h"

namespace {

using cerrojo::Digit;
using cerrojo::KeyGenParams;
using cerrojo::kMaxDigits;
using cerrojo::RandomPool;
using cerrojo::RsaPrivateKey;
using cerrojo::RsaPublicKey;
using testsupport::Bytes;
using testsupport::Scaled;
using testsupport::SeedPool;

struct BnDeleter {
    void operator()(BIGNUM* b) const { BN_free(b); }
};
using Bn = std::unique_ptr<BIGNUM, BnDeleter>;

BN_CTX* Ctx() {
    static BN_CTX* ctx = BN_CTX_new();
    return ctx;
}

Bn NewBn() {
    return Bn(BN_new());
}
Bn FromBytes(const std::uint8_t* p, std::size_t n) {
    return Bn(BN_bin2bn(p, static_cast<int>(n), nullptr));
}
template <std::size_t N>
Bn FromField(const std::uint8_t (&field)[N]) {
    return FromBytes(field, N);
}
Bn FromWord(unsigned long w) {
    Bn b = NewBn();
    BN_set_word(b.get(), w);
    return b;
}
Bn FromDigits(const Digit* a, unsigned digits) {
    std::vector<std::uint8_t> be(4 * digits);
    cerrojo::BnEncode(be.data(), static_cast<unsigned>(be.size()), a, digits);
    return FromBytes(be.data(), be.size());
}
std::vector<Digit> ToDigits(const BIGNUM* b, unsigned digits) {
    std::vector<std::uint8_t> be(4 * digits);
    EXPECT_GE(BN_bn2binpad(b, be.data(), static_cast<int>(be.size())), 0);
    std::vector<Digit> a(digits);
    cerrojo::BnDecode(a.data(), digits, be.data(), static_cast<unsigned>(be.size()));
    return a;
}

// ---- the model: the same prime search written over OpenSSL's BN ----

const std::vector<unsigned>& OddPrimesTo8191() {
    static const std::vector<unsigned> primes = [] {
        std::vector<unsigned> v;
        for (unsigned p = 3; p <= 8191; p += 2) {
            bool prime = true;
            for (unsigned f = 3; f * f <= p; f += 2)
                if (p % f == 0) prime = false;
            if (prime) v.push_back(p);
        }
        return v;
    }();
    return primes;
}

bool ModelProbablePrime(const BIGNUM* a) {
    const bool oneDigit = BN_num_bits(a) <= 32 && !BN_is_zero(a);
    for (unsigned p : OddPrimesTo8191()) {
        if (oneDigit && BN_is_word(a, p)) break;
        if (BN_mod_word(a, p) == 0) return false;
    }
    for (unsigned long b : {2ul, 3ul, 5ul}) {
        Bn base = FromWord(b), r = NewBn();
        BN_mod_exp(r.get(), base.get(), a, a, Ctx());
        if (BN_cmp(r.get(), base.get()) != 0) return false;
    }
    return true;
}

// Returns 0 and the prime, or the status the search ends with.
int ModelFindPrime(Bn& out, unsigned bits, unsigned digits, RandomPool* pool) {
    Bn low = NewBn(), high = NewBn();
    BN_set_bit(low.get(), static_cast<int>(bits - 1));
    BN_set_bit(low.get(), static_cast<int>(bits - 2));
    BN_set_bit(high.get(), static_cast<int>(bits));
    BN_sub_word(high.get(), 1);
    std::vector<std::uint8_t> bytes(4 * digits);
    const int status =
        cerrojo::RandomGenerate(bytes.data(), static_cast<std::uint32_t>(bytes.size()), pool);
    if (status != 0) return status;
    Bn a = FromBytes(bytes.data(), bytes.size()), range = NewBn();
    BN_sub(range.get(), high.get(), low.get());
    BN_add_word(range.get(), 1);
    BN_nnmod(a.get(), a.get(), range.get(), Ctx());
    BN_add(a.get(), a.get(), low.get());
    if (!BN_is_odd(a.get())) BN_add_word(a.get(), 1);
    if (BN_cmp(a.get(), low.get()) < 0) BN_add_word(a.get(), 2);
    if (BN_cmp(a.get(), high.get()) > 0) BN_sub_word(a.get(), 2);
    Bn limit(BN_dup(high.get()));
    BN_sub_word(limit.get(), 2);
    for (;;) {
        if (ModelProbablePrime(a.get())) break;
        if (BN_cmp(a.get(), limit.get()) > 0) return cerrojo::StatusBadData;
        BN_add_word(a.get(), 2);
    }
    out = std::move(a);
    return 0;
}

int ModelPrime(Bn& out, unsigned bits, unsigned digits, unsigned long e, RandomPool* pool) {
    for (;;) {
        const int status = ModelFindPrime(out, bits, digits, pool);
        if (status != 0) return status;
        Bn pm1(BN_dup(out.get())), g = NewBn();
        BN_sub_word(pm1.get(), 1);
        BN_gcd(g.get(), pm1.get(), FromWord(e).get(), Ctx());
        if (BN_is_one(g.get())) return 0;
    }
}

// ---- invariants ----

unsigned long Exponent(const KeyGenParams& params) {
    return params.useExponent65537 ? 65537 : 3;
}

void CheckKey(const RsaPublicKey& pub, const RsaPrivateKey& priv, const KeyGenParams& params) {
    const unsigned bits = params.bits;
    ASSERT_EQ(pub.bits, bits);
    ASSERT_EQ(priv.bits, bits);
    ASSERT_EQ(std::memcmp(pub.modulus, priv.modulus, 256), 0);
    ASSERT_EQ(std::memcmp(pub.publicExponent, priv.publicExponent, 256), 0);
    for (int i = 0; i < 256 - (params.useExponent65537 ? 3 : 1); ++i)
        ASSERT_EQ(pub.publicExponent[i], 0);
    if (params.useExponent65537)
        ASSERT_EQ(testsupport::ToHex(pub.publicExponent + 253, 3), "010001");
    else
        ASSERT_EQ(pub.publicExponent[255], 3);

    Bn n = FromField(pub.modulus), e = FromField(pub.publicExponent),
       d = FromField(priv.privateExponent);
    Bn p = FromField(priv.prime1), q = FromField(priv.prime2);
    Bn dP = FromField(priv.exponent1), dQ = FromField(priv.exponent2),
       qInv = FromField(priv.coefficient);
    ASSERT_EQ(BN_num_bits(n.get()), static_cast<int>(bits));
    // the modulus is right-aligned: exactly 256 - ceil(bits / 8) leading zero bytes
    for (unsigned i = 0; i < 256 - (bits + 7) / 8; ++i) ASSERT_EQ(pub.modulus[i], 0) << i;
    ASSERT_EQ(BN_num_bits(p.get()), static_cast<int>((bits + 1) / 2));
    ASSERT_EQ(BN_num_bits(q.get()), static_cast<int>(bits / 2));
    ASSERT_GT(BN_cmp(p.get(), q.get()), 0);

    Bn t = NewBn(), pm1(BN_dup(p.get())), qm1(BN_dup(q.get())), phi = NewBn();
    BN_mul(t.get(), p.get(), q.get(), Ctx());
    ASSERT_EQ(BN_cmp(t.get(), n.get()), 0) << "n = p q";
    BN_sub_word(pm1.get(), 1);
    BN_sub_word(qm1.get(), 1);
    BN_mul(phi.get(), pm1.get(), qm1.get(), Ctx());
    BN_mod_mul(t.get(), e.get(), d.get(), phi.get(), Ctx());
    ASSERT_TRUE(BN_is_one(t.get())) << "e d = 1 mod (p-1)(q-1)";
    ASSERT_LT(BN_cmp(d.get(), phi.get()), 0);
    BN_nnmod(t.get(), d.get(), pm1.get(), Ctx());
    ASSERT_EQ(BN_cmp(t.get(), dP.get()), 0);
    BN_nnmod(t.get(), d.get(), qm1.get(), Ctx());
    ASSERT_EQ(BN_cmp(t.get(), dQ.get()), 0);
    BN_mod_mul(t.get(), qInv.get(), q.get(), p.get(), Ctx());
    ASSERT_TRUE(BN_is_one(t.get())) << "q qInv = 1 mod p";
    ASSERT_LT(BN_cmp(qInv.get(), p.get()), 0);
    if (!params.useExponent65537) {
        ASSERT_NE(BN_mod_word(p.get(), 3), 1u);
        ASSERT_NE(BN_mod_word(q.get(), 3), 1u);
    }

    RSA* rsa = RSA_new();
    RSA_set0_key(rsa, BN_dup(n.get()), BN_dup(e.get()), BN_dup(d.get()));
    RSA_set0_factors(rsa, BN_dup(p.get()), BN_dup(q.get()));
    RSA_set0_crt_params(rsa, BN_dup(dP.get()), BN_dup(dQ.get()), BN_dup(qInv.get()));
    EXPECT_EQ(RSA_check_key(rsa), 1);
    RSA_free(rsa);
}

int Generate(RsaPublicKey* pub, RsaPrivateKey* priv, std::uint32_t bits, std::uint32_t use65537,
             std::uint32_t seed) {
    RandomPool pool;
    SeedPool(&pool, seed);
    const KeyGenParams params{bits, use65537};
    return cerrojo::RsaGenerateKeyPair(pub, priv, &params, &pool);
}

// ---- probable-prime test ----

TEST(RsaPrimes, SmallPrimeTable) {
    const auto& table = cerrojo::internal::kSmallPrimes;
    const std::vector<unsigned>& primes = OddPrimesTo8191();
    ASSERT_EQ(primes.size(), 1027u);
    for (unsigned i = 0; i < 1027; ++i) ASSERT_EQ(table[i], primes[i]) << i;
    EXPECT_EQ(table[1027], 0);
}

TEST(RsaPrimes, NamedCases) {
    using cerrojo::internal::ProbablePrime;
    const Digit product = 3 * 5 * 7 * 11 * 13;
    EXPECT_FALSE(ProbablePrime(&product, 1));
    const Digit pseudo = 67469771;  // 8,209 x 8,219: no factor below 8,192
    EXPECT_FALSE(ProbablePrime(&pseudo, 1));
    const Digit top = 8191;
    EXPECT_TRUE(ProbablePrime(&top, 1));
    const Digit wide[4] = {8191, 0, 0, 0};  // a one-digit value over more digits
    EXPECT_TRUE(ProbablePrime(wide, 4));
    const Digit composite = 8191 * 3;
    EXPECT_FALSE(ProbablePrime(&composite, 1));
    const Digit prime = 8209;
    EXPECT_TRUE(ProbablePrime(&prime, 1));
    // b^a == b, not b^(a-1) == 1: the test takes a Carmichael number with no
    // factor below 8,192, 8,287 x 16,573 x 24,859 ((6k+1)(12k+1)(18k+1) with
    // k = 1,381), for a prime.
    Bn carmichael = FromWord(8287);
    BN_mul_word(carmichael.get(), 16573);
    BN_mul_word(carmichael.get(), 24859);
    std::vector<Digit> c = ToDigits(carmichael.get(), 2);
    EXPECT_TRUE(ProbablePrime(c.data(), 2));
}

TEST(RsaPrimes, VerdictsAgreeWithModel) {
    std::mt19937_64 rng(7);
    int primes = 0;
    for (int round = 0; round < Scaled(400, 100); ++round) {
        const unsigned digits = 1 + rng() % 8;
        std::vector<Digit> a(digits);
        for (auto& d : a) d = static_cast<Digit>(rng());
        a[0] |= 1;
        if (round % 4 == 0) {  // a prime from OpenSSL
            Bn p = NewBn();
            BN_generate_prime_ex(p.get(), static_cast<int>(32 * digits), 0, nullptr, nullptr,
                                 nullptr);
            a = ToDigits(p.get(), digits);
        }
        const bool expect = ModelProbablePrime(FromDigits(a.data(), digits).get());
        primes += expect;
        ASSERT_EQ(cerrojo::internal::ProbablePrime(a.data(), digits), expect);
    }
    EXPECT_GT(primes, Scaled(100, 25));
}

TEST(RsaPrimes, SearchMatchesModel) {
    // The stepped remainders must give the search the same verdicts, hence
    // the same prime, as testing each candidate afresh.
    for (std::uint32_t seed = 0; seed < static_cast<std::uint32_t>(Scaled(40, 10)); ++seed) {
        const unsigned bits = 64 + 37 * seed % 200, digits = (bits + 31) / 32;
        RandomPool pool, model;
        SeedPool(&pool, seed);
        model = pool;
        std::vector<Digit> low(digits), high(digits), t(digits), a(digits);
        cerrojo::BnAssign2Exp(low.data(), bits - 1, digits);
        cerrojo::BnAssign2Exp(t.data(), bits - 2, digits);
        cerrojo::BnAdd(low.data(), low.data(), t.data(), digits);
        cerrojo::BnAssign2Exp(high.data(), bits, digits);
        cerrojo::BnAssignZero(t.data(), digits);
        t[0] = 1;
        cerrojo::BnSub(high.data(), high.data(), t.data(), digits);
        ASSERT_EQ(cerrojo::internal::FindPrime(a.data(), low.data(), high.data(), digits, &pool),
                  0);
        Bn expect;
        ASSERT_EQ(ModelFindPrime(expect, bits, digits, &model), 0);
        ASSERT_EQ(a, ToDigits(expect.get(), digits)) << "seed " << seed;
        ASSERT_EQ(std::memcmp(&pool, &model, sizeof pool), 0);
    }
}

TEST(RsaPrimes, SearchRunsOffTheTop) {
    RandomPool pool;
    SeedPool(&pool, 3);
    // [2^64 + 5, 2^64 + 11] holds only composites (2^64 + 7 has no factor
    // below 8,192), so the search exhausts its range whatever its start.
    std::vector<Digit> low = {5, 0, 1}, high = {11, 0, 1}, a(3);
    for (Digit off = 5; off <= 11; off += 2) {
        const Digit x[3] = {off, 0, 1};
        ASSERT_FALSE(BN_is_prime_ex(FromDigits(x, 3).get(), 64, Ctx(), nullptr));
    }
    EXPECT_EQ(cerrojo::internal::FindPrime(a.data(), low.data(), high.data(), 3, &pool),
              cerrojo::StatusBadData);
    // one above: 2^64 + 13 is prime, and reached from a start of 2^64 + 11
    low = {11, 0, 1};
    high = {13, 0, 1};
    EXPECT_EQ(cerrojo::internal::FindPrime(a.data(), low.data(), high.data(), 3, &pool), 0);
    EXPECT_EQ(a, (std::vector<Digit>{13, 0, 1}));
    // an unseeded pool: its status, nothing drawn
    RandomPool unseeded;
    cerrojo::RandomInit(&unseeded);
    EXPECT_EQ(cerrojo::internal::FindPrime(a.data(), low.data(), high.data(), 3, &unseeded),
              cerrojo::StatusPoolNotSeeded);
}

// ---- key-pair generation ----

TEST(RsaGenerate, KeysFollowTheModelAndHoldTheInvariants) {
    struct Case {
        std::uint32_t bits;
        int seeds;
    };
    const Case cases[] = {
        {508, Scaled(12, 3)}, {1023, Scaled(4, 1)}, {1024, Scaled(4, 1)}, {2048, Scaled(2, 1)}};
    for (const Case& c : cases) {
        for (std::uint32_t use65537 : {1u, 0u}) {
            for (int s = 0; s < c.seeds; ++s) {
                const std::uint32_t seed = c.bits * 100 + use65537 * 50 + s;
                SCOPED_TRACE(testing::Message()
                             << "bits " << c.bits << " e65537 " << use65537 << " seed " << seed);
                RsaPublicKey pub;
                RsaPrivateKey priv;
                ASSERT_EQ(Generate(&pub, &priv, c.bits, use65537, seed), 0);
                const KeyGenParams params{c.bits, use65537};
                CheckKey(pub, priv, params);
                if (HasFatalFailure()) return;
                // the model's primes, from the same pool; a 2,048-bit model
                // search is slow under the sanitizers
                if (testsupport::kSanitized && c.bits == 2048) continue;
                RandomPool pool;
                SeedPool(&pool, seed);
                const unsigned pDigits = ((c.bits + 31) / 32 + 1) / 2;
                Bn p, q;
                ASSERT_EQ(ModelPrime(p, (c.bits + 1) / 2, pDigits, Exponent(params), &pool), 0);
                ASSERT_EQ(ModelPrime(q, c.bits / 2, pDigits, Exponent(params), &pool), 0);
                if (BN_cmp(p.get(), q.get()) < 0) std::swap(p, q);
                EXPECT_EQ(BN_cmp(p.get(), FromField(priv.prime1).get()), 0);
                EXPECT_EQ(BN_cmp(q.get(), FromField(priv.prime2).get()), 0);
            }
        }
    }
}

TEST(RsaGenerate, FixedSeedingGivesAFixedKey) {
    RsaPublicKey pub;
    RsaPrivateKey priv;
    ASSERT_EQ(Generate(&pub, &priv, 1024, 1, 20261208), 0);
    std::uint8_t digest[20];
    unsigned int len = 0;
    ASSERT_EQ(EVP_Digest(pub.modulus, sizeof pub.modulus, digest, &len, EVP_sha1(), nullptr), 1);
    EXPECT_EQ(testsupport::ToHex(digest, len), "ca7e53eeba6badbd276eb53862a98142135138e1");
    RsaPublicKey again;
    RsaPrivateKey privAgain;
    ASSERT_EQ(Generate(&again, &privAgain, 1024, 1, 20261208), 0);
    EXPECT_EQ(std::memcmp(&priv, &privAgain, sizeof priv), 0);
}

// SHA-256 over the private record as stored: bits (big-endian) and every field in order.
std::string RecordHash(const RsaPrivateKey& priv) {
    Bytes record = {std::uint8_t(priv.bits >> 8), std::uint8_t(priv.bits)};
    for (const auto* field : {priv.modulus, priv.publicExponent, priv.privateExponent})
        record.insert(record.end(), field, field + 256);
    for (const auto* field :
         {priv.prime1, priv.prime2, priv.exponent1, priv.exponent2, priv.coefficient})
        record.insert(record.end(), field, field + 128);
    std::uint8_t digest[32];
    unsigned int len = 0;
    EXPECT_EQ(EVP_Digest(record.data(), record.size(), digest, &len, EVP_sha256(), nullptr), 1);
    return testsupport::ToHex(digest, len);
}

TEST(RsaGenerate, PinnedKeysFromFixedSeedings) {
    // Keys of every size class from fixed seedings, pinned when the arithmetic
    // reduced by division alone: a faster exponentiation must not change one byte.
    int cases = 0;
    for (const auto& r : testsupport::ReadVecFile("rsa_keygen.vec")) {
        const std::uint32_t bits = std::uint32_t(r.Number("Bits"));
        const std::uint32_t use65537 = r.Number("Exponent") == 65537 ? 1 : 0;
        SCOPED_TRACE(testing::Message() << "rsa_keygen.vec line " << r.line);
        RsaPublicKey pub;
        RsaPrivateKey priv;
        ASSERT_EQ(Generate(&pub, &priv, bits, use65537, std::uint32_t(r.Number("Seed"))), 0);
        CheckKey(pub, priv, KeyGenParams{bits, use65537});
        EXPECT_EQ(RecordHash(priv), r.Text("Sha256"));
        ++cases;
    }
    EXPECT_EQ(cases, 20);
}

TEST(RsaGenerate, RefusesBadSizesAndUnseededPools) {
    RandomPool pool;
    SeedPool(&pool, 1);
    const RandomPool before = pool;
    RsaPublicKey pub;
    RsaPrivateKey priv;
    std::memset(&pub, 0x5C, sizeof pub);
    std::memset(&priv, 0x5C, sizeof priv);
    const RsaPublicKey pubBefore = pub;
    const RsaPrivateKey privBefore = priv;
    for (std::uint32_t bits : {0u, 507u, 2049u, 4096u, 0xFFFFFFFFu}) {
        const KeyGenParams params{bits, 1};
        EXPECT_EQ(cerrojo::RsaGenerateKeyPair(&pub, &priv, &params, &pool),
                  cerrojo::StatusBadModulusSize)
            << bits;
        EXPECT_EQ(std::memcmp(&pool, &before, sizeof pool), 0) << "the pool is not touched";
    }
    RandomPool unseeded;
    cerrojo::RandomInit(&unseeded);
    unseeded.needed = 1;
    const RandomPool unseededBefore = unseeded;
    const KeyGenParams params{1024, 1};
    EXPECT_EQ(cerrojo::RsaGenerateKeyPair(&pub, &priv, &params, &unseeded),
              cerrojo::StatusPoolNotSeeded);
    EXPECT_EQ(std::memcmp(&unseeded, &unseededBefore, sizeof unseeded), 0);
    EXPECT_EQ(std::memcmp(&pub, &pubBefore, sizeof pub), 0);
    EXPECT_EQ(std::memcmp(&priv, &privBefore, sizeof priv), 0);
}

// ---- what the arithmetic leaves on the stack ----

// Runs fn(arg) on a thread whose whole stack is a buffer painted 0xA5, and
// returns the buffer as the call left it.
Bytes RunOnPaintedStack(void (*fn)(void*), void* arg) {
    constexpr std::size_t kSize = 1 << 20;
    void* stack = nullptr;
    EXPECT_EQ(posix_memalign(&stack, 1 << 16, kSize), 0);
    if (stack == nullptr) return {};
    std::memset(stack, 0xA5, kSize);
    struct Call {
        void (*fn)(void*);
        void* arg;
    } call{fn, arg};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstack(&attr, stack, kSize);
    pthread_t thread;
    const int created = pthread_create(
        &thread, &attr,
        [](void* p) -> void* {
            auto* c = static_cast<Call*>(p);
            c->fn(c->arg);
            return nullptr;
        },
        &call);
    EXPECT_EQ(created, 0);
    if (created == 0) pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    const auto* bytes = static_cast<const std::uint8_t*>(stack);
    Bytes copy(bytes, bytes + kSize);
    std::free(stack);
    return copy;
}

// Whether the stack image holds digits 1..4 of the number in a big-endian
// field, as the arithmetic lays them out in memory (also a copy of the
// number less one, or of it in any wider word).
template <std::size_t N>
bool Holds(const Bytes& stack, const std::uint8_t (&field)[N]) {
    Digit a[kMaxDigits];
    cerrojo::BnDecode(a, kMaxDigits, field, N);
    const auto* needle = reinterpret_cast<const std::uint8_t*>(a + 1);
    return std::search(stack.begin(), stack.end(), needle, needle + 16) != stack.end();
}

// How far below the top of the painted stack the deepest call reached.
std::size_t Depth(const Bytes& stack) {
    std::size_t i = 0;
    while (i < stack.size() && stack[i] == 0xA5) ++i;
    return stack.size() - i;
}

TEST(RsaStackWipe, NoSecretOutlivesGenerationOrSigning) {
    if (testsupport::kSanitized) GTEST_SKIP() << "the sanitizers lay out stack frames of their own";
    struct Job {
        std::uint32_t bits;
        RsaPublicKey pub;
        RsaPrivateKey priv;
        int status;
        std::uint8_t signature[256];
    };
    for (std::uint32_t bits : {2048u, 1023u}) {
        SCOPED_TRACE(testing::Message() << "bits " << bits);
        auto job = std::make_unique<Job>();
        job->bits = bits;
        const Bytes generation = RunOnPaintedStack(
            [](void* p) {
                auto* j = static_cast<Job*>(p);
                j->status = Generate(&j->pub, &j->priv, j->bits, 1, 90210 + j->bits);
            },
            job.get());
        ASSERT_EQ(job->status, 0);
        // the arithmetic did run there, below the wiped area's top
        EXPECT_GT(Depth(generation), 16u * 1024);
        const RsaPrivateKey& priv = job->priv;
        EXPECT_FALSE(Holds(generation, priv.prime1));
        EXPECT_FALSE(Holds(generation, priv.prime2));
        EXPECT_FALSE(Holds(generation, priv.privateExponent));
        EXPECT_FALSE(Holds(generation, priv.exponent1));
        EXPECT_FALSE(Holds(generation, priv.exponent2));
        EXPECT_FALSE(Holds(generation, priv.coefficient));

        const Bytes signing = RunOnPaintedStack(
            [](void* p) {
                auto* j = static_cast<Job*>(p);
                std::uint32_t len = 0;
                const std::uint8_t digest[20] = {1, 2, 3};
                j->status = cerrojo::RsaPrivateEncrypt(j->signature, &len, digest, 20, &j->priv);
            },
            job.get());
        ASSERT_EQ(job->status, 0);
        EXPECT_GT(Depth(signing), 16u * 1024);
        EXPECT_FALSE(Holds(signing, priv.prime1));
        EXPECT_FALSE(Holds(signing, priv.prime2));
        EXPECT_FALSE(Holds(signing, priv.exponent1));
        EXPECT_FALSE(Holds(signing, priv.exponent2));
        EXPECT_FALSE(Holds(signing, priv.coefficient));
    }
}

// ---- private-key operation ----

class RsaSign : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        keys_ = new std::vector<std::pair<RsaPublicKey, RsaPrivateKey>>;
        const std::pair<std::uint32_t, std::uint32_t> kinds[] = {
            {1024, 1}, {1023, 1}, {1024, 0}, {508, 1}, {2048, 1}};
        for (auto [bits, use65537] : kinds) {
            keys_->emplace_back();
            ASSERT_EQ(Generate(&keys_->back().first, &keys_->back().second, bits, use65537,
                               77 + bits + use65537),
                      0);
        }
    }
    static void TearDownTestSuite() {
        delete keys_;
        keys_ = nullptr;
    }
    static std::vector<std::pair<RsaPublicKey, RsaPrivateKey>>* keys_;
};
std::vector<std::pair<RsaPublicKey, RsaPrivateKey>>* RsaSign::keys_ = nullptr;

TEST_F(RsaSign, MatchesThePlainExponentiationAndOpenSsl) {
    std::mt19937 rng(5);
    for (const auto& [pub, priv] : *keys_) {
        const std::uint32_t k = (priv.bits + 7) / 8;
        SCOPED_TRACE(testing::Message() << "bits " << priv.bits);
        Bn n = FromField(priv.modulus), d = FromField(priv.privateExponent),
           e = FromField(priv.publicExponent);
        for (std::uint32_t inLen : {0u, 1u, 35u, k - 11}) {
            Bytes in(inLen);
            for (auto& b : in) b = static_cast<std::uint8_t>(rng());
            std::uint8_t out[257];
            std::memset(out, 0xEE, sizeof out);
            std::uint32_t outLen = 0;
            ASSERT_EQ(cerrojo::RsaPrivateEncrypt(out, &outLen, in.data(), inLen, &priv), 0);
            ASSERT_EQ(outLen, k);
            ASSERT_EQ(out[k], 0xEE);

            Bytes block(k, 0xFF);
            block[0] = 0;
            block[1] = 1;
            block[k - inLen - 1] = 0;
            std::copy(in.begin(), in.end(), block.end() - inLen);
            Bn c = FromBytes(block.data(), k), s = NewBn(), back = NewBn();
            BN_mod_exp(s.get(), c.get(), d.get(), n.get(), Ctx());
            Bytes expect(k);
            BN_bn2binpad(s.get(), expect.data(), static_cast<int>(k));
            ASSERT_EQ(testsupport::ToHex(out, k), testsupport::ToHex(expect)) << "c^d mod n";
            BN_mod_exp(back.get(), FromBytes(out, k).get(), e.get(), n.get(), Ctx());
            ASSERT_EQ(BN_cmp(back.get(), c.get()), 0) << "the public operation recovers the block";

            RSA* rsa = RSA_new();
            RSA_set0_key(rsa, BN_dup(n.get()), BN_dup(e.get()), BN_dup(d.get()));
            Bytes theirs(k);
            ASSERT_EQ(RSA_private_encrypt(static_cast<int>(inLen), in.data(), theirs.data(), rsa,
                                          RSA_PKCS1_PADDING),
                      static_cast<int>(k));
            RSA_free(rsa);
            ASSERT_EQ(testsupport::ToHex(out, k), testsupport::ToHex(theirs));
        }
    }
}

TEST_F(RsaSign, BadLengthsAndRangesWriteNothing) {
    const RsaPrivateKey& priv = (*keys_)[0].second;  // 1,024 bits: k = 128
    Bytes in(300, 0x42);
    std::uint8_t out[300];
    std::memset(out, 0xEE, sizeof out);
    std::uint32_t outLen = 12345;
    EXPECT_EQ(cerrojo::RsaPrivateEncrypt(out, &outLen, in.data(), 118, &priv),
              cerrojo::StatusBadLength);
    EXPECT_EQ(cerrojo::RsaPrivateEncrypt(out, &outLen, in.data(), 0xFFFFFFFFu, &priv),
              cerrojo::StatusBadLength);

    // a block not below the modulus: the modulus itself, and all ones
    EXPECT_EQ(cerrojo::RsaPrivateBlock(out, &outLen, priv.modulus + 128, 128, &priv),
              cerrojo::StatusBadData);
    Bytes ones(128, 0xFF);
    EXPECT_EQ(cerrojo::RsaPrivateBlock(out, &outLen, ones.data(), 128, &priv),
              cerrojo::StatusBadData);
    // longer than any modulus: a non-zero byte in front of the last 260
    Bytes longer(300, 0);
    longer[10] = 1;
    EXPECT_EQ(cerrojo::RsaPrivateBlock(out, &outLen, longer.data(), 300, &priv),
              cerrojo::StatusBadData);

    // key records too large for the 256-byte block are refused
    RsaPrivateKey big = priv;
    for (std::uint16_t bits : {2049, 4096, 0xFFFF}) {
        big.bits = bits;
        EXPECT_EQ(cerrojo::RsaPrivateEncrypt(out, &outLen, in.data(), 35, &big),
                  cerrojo::StatusBadLength);
        EXPECT_EQ(cerrojo::RsaPrivateBlock(out, &outLen, in.data(), 35, &big),
                  cerrojo::StatusBadLength);
    }
    big.bits = 80;  // k = 10 < 11: no room for the block's framing
    EXPECT_EQ(cerrojo::RsaPrivateEncrypt(out, &outLen, in.data(), 0, &big),
              cerrojo::StatusBadLength);

    EXPECT_EQ(outLen, 12345u);
    for (auto b : out) ASSERT_EQ(b, 0xEE);

    // leading zero bytes beyond 260 are harmless
    longer[10] = 0;
    longer[299] = 5;
    ASSERT_EQ(cerrojo::RsaPrivateBlock(out, &outLen, longer.data(), 300, &priv), 0);
    std::uint8_t shortOut[128];
    const std::uint8_t five = 5;
    std::uint32_t shortLen = 0;
    ASSERT_EQ(cerrojo::RsaPrivateBlock(shortOut, &shortLen, &five, 1, &priv), 0);
    EXPECT_EQ(outLen, 128u);
    EXPECT_EQ(std::memcmp(out, shortOut, 128), 0);
}

// ---- public-key operation: the signature check ----

TEST_F(RsaSign, PublicOperationRecoversOpenSslSignatures) {
    std::mt19937 rng(11);
    for (const auto& [pub, priv] : *keys_) {
        const std::uint32_t k = (priv.bits + 7) / 8;
        SCOPED_TRACE(testing::Message() << "bits " << priv.bits);
        RSA* rsa = RSA_new();
        RSA_set0_key(rsa, BN_dup(FromField(priv.modulus).get()),
                     BN_dup(FromField(priv.publicExponent).get()),
                     BN_dup(FromField(priv.privateExponent).get()));
        for (std::uint32_t inLen : {0u, 1u, 35u, k - 11}) {
            Bytes in(inLen);
            for (auto& b : in) b = static_cast<std::uint8_t>(rng());
            Bytes signature(k);
            ASSERT_EQ(RSA_private_encrypt(static_cast<int>(inLen), in.data(), signature.data(), rsa,
                                          RSA_PKCS1_PADDING),
                      static_cast<int>(k));
            std::uint8_t out[256];
            std::uint32_t outLen = 999;
            ASSERT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, signature.data(), k, &pub), 0);
            ASSERT_EQ(outLen, inLen);
            EXPECT_EQ(testsupport::ToHex(out, outLen), testsupport::ToHex(in));
        }
        RSA_free(rsa);
    }
}

TEST_F(RsaSign, PublicOperationRefusesWhatIsNotATypeOneBlock) {
    // Plain references, not a structured binding: Clang 14 cannot capture
    // those in the lambdas below.
    const RsaPublicKey& pub = (*keys_)[0].first;  // 1,024 bits: k = 128
    const RsaPrivateKey& priv = (*keys_)[0].second;
    const std::uint32_t k = 128;
    std::uint8_t out[256];
    std::memset(out, 0xEE, sizeof out);
    std::uint32_t outLen = 12345;
    // Signs a hand-made block with the raw private operation.
    auto sign = [&](const Bytes& block) {
        Bytes signature(k);
        std::uint32_t len = 0;
        EXPECT_EQ(cerrojo::RsaPrivateBlock(signature.data(), &len, block.data(), k, &priv), 0);
        return signature;
    };
    auto typeOne = [&](std::uint32_t dataLen) {
        Bytes block(k, 0xFF);
        block[0] = 0;
        block[1] = 1;
        block[k - dataLen - 1] = 0;
        for (std::uint32_t i = k - dataLen; i < k; ++i) block[i] = 0x5A;
        return block;
    };
    Bytes good = sign(typeOne(20));
    std::uint8_t goodOut[256];
    std::uint32_t goodLen = 0;
    ASSERT_EQ(cerrojo::RsaPublicDecrypt(goodOut, &goodLen, good.data(), k, &pub), 0);
    EXPECT_EQ(goodLen, 20u);

    Bytes flipped = good;
    flipped[77] ^= 0x10;
    EXPECT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, flipped.data(), k, &pub),
              cerrojo::StatusBadData);
    Bytes typeTwo = typeOne(20);
    typeTwo[1] = 2;
    Bytes sevenPads = typeOne(k - 10);  // 00 01 then only 7 FF before the 00
    Bytes noSeparator(k, 0xFF);
    noSeparator[0] = 0;
    noSeparator[1] = 1;
    Bytes badPad = typeOne(20);
    badPad[40] = 0xFE;
    for (const Bytes* block : {&typeTwo, &sevenPads, &noSeparator, &badPad})
        EXPECT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, sign(*block).data(), k, &pub),
                  cerrojo::StatusBadData);
    // not below the modulus; lengths other than k; broken key records
    EXPECT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, pub.modulus + 128, k, &pub),
              cerrojo::StatusBadData);
    EXPECT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, good.data(), k - 1, &pub),
              cerrojo::StatusBadLength);
    EXPECT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, good.data(), k + 1, &pub),
              cerrojo::StatusBadLength);
    RsaPublicKey broken = pub;
    std::memset(broken.publicExponent, 0, sizeof broken.publicExponent);
    EXPECT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, good.data(), k, &broken),
              cerrojo::StatusBadData);
    broken = pub;
    std::memset(broken.modulus, 0, sizeof broken.modulus);
    EXPECT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, good.data(), k, &broken),
              cerrojo::StatusBadData);
    for (std::uint16_t bits : {0, 80, 2049}) {
        broken = pub;
        broken.bits = bits;
        EXPECT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, good.data(), k, &broken),
                  cerrojo::StatusBadLength);
    }
    EXPECT_EQ(outLen, 12345u);
    for (auto b : out) ASSERT_EQ(b, 0xEE);
}

// The block is as long as the bit count says: a count below the modulus' own
// length would cut the top bytes off the result, so that a number whose low
// bytes form a type-1 block would pass whatever stands above them.
TEST_F(RsaSign, PublicOperationTakesTheBitCountOfTheModulusOnly) {
    const RsaPublicKey& pub = (*keys_)[0].first;  // 1,024 bits
    const RsaPrivateKey& priv = (*keys_)[0].second;
    RsaPublicKey shorter = pub;
    shorter.bits = 1016;  // k = 127
    // s^e = 01 || 00 01 FF..FF 00 data, with s below 2^1016: try data until one fits.
    Bytes forged;
    for (int attempt = 0; attempt < 4096 && forged.empty(); ++attempt) {
        Bytes block(128, 0xFF);
        block[0] = 0x01;
        block[1] = 0x00;
        block[2] = 0x01;
        block[106] = 0x00;  // then 21 bytes of data
        for (int i = 0; i < 20; ++i)
            block[107 + i] = static_cast<std::uint8_t>(attempt >> (i % 2 * 8));
        Bytes signature(128);
        std::uint32_t len = 0;
        ASSERT_EQ(cerrojo::RsaPrivateBlock(signature.data(), &len, block.data(), 128, &priv), 0);
        if (signature[0] == 0) forged.assign(signature.begin() + 1, signature.end());
    }
    ASSERT_EQ(forged.size(), 127u);
    std::uint8_t out[256];
    std::uint32_t outLen = 12345;
    EXPECT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, forged.data(), 127, &shorter),
              cerrojo::StatusBadLength);
    RsaPublicKey longer = pub;
    longer.bits = 1025;  // k = 129
    Bytes padded(129, 0);
    std::copy(forged.begin(), forged.end(), padded.begin() + 2);
    EXPECT_EQ(cerrojo::RsaPublicDecrypt(out, &outLen, padded.data(), 129, &longer),
              cerrojo::StatusBadLength);
    EXPECT_EQ(outLen, 12345u);
}

}  // namespace
