// RSA and the big-number layer beside OpenSSL's libcrypto: modular
// exponentiation at the CRT-half sizes and whole key-pair generation over a
// fixed set of pool seedings (the same candidates every run). Each generation
// benchmark reports the median of its runs; the last benchmark prints the
// ratios to OpenSSL's medians.
#include <benchmark/benchmark.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "crypto/bignum.h"
#include "crypto/random.h"
#include "crypto/rsa.h"

namespace {

using cerrojo::Digit;

constexpr int kSeedings = 20;

std::map<std::string, double>& Medians() {
    static std::map<std::string, double> medians;
    return medians;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// A seeded pool that depends only on seed: 64 updates of 4 bytes.
void SeedPool(cerrojo::RandomPool* pool, std::uint32_t seed) {
    cerrojo::RandomInit(pool);
    for (std::uint32_t i = 0; i < 64; ++i) {
        const std::uint32_t word = seed * 0x9E3779B9u + i;
        const std::uint8_t bytes[4] = {std::uint8_t(word >> 24), std::uint8_t(word >> 16),
                                       std::uint8_t(word >> 8), std::uint8_t(word)};
        cerrojo::RandomUpdate(pool, bytes, 4);
    }
}

std::vector<Digit> RandomDigits(std::mt19937& rng, unsigned digits) {
    std::vector<Digit> a(cerrojo::kMaxDigits, 0);
    for (unsigned i = 0; i < digits; ++i) a[i] = rng();
    a[digits - 1] |= 0x80000000u;
    return a;
}

void BM_BnModExp(benchmark::State& state) {
    const unsigned bits = static_cast<unsigned>(state.range(0));
    const unsigned digits = bits / 32;
    std::mt19937 rng(bits);
    std::vector<Digit> d = RandomDigits(rng, digits), b = RandomDigits(rng, digits),
                       c = RandomDigits(rng, digits), a(cerrojo::kMaxDigits);
    d[0] |= 1;
    b[digits - 1] &= 0x7FFFFFFFu;
    for (auto _ : state) {
        cerrojo::BnModExp(a.data(), b.data(), c.data(), digits, d.data(), digits);
        benchmark::DoNotOptimize(a.data());
    }
}
BENCHMARK(BM_BnModExp)->Arg(512)->Arg(1024)->Unit(benchmark::kMicrosecond);

void BM_OpenSslModExp(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0));
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM *d = BN_new(), *b = BN_new(), *c = BN_new(), *a = BN_new();
    BN_rand(d, bits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ODD);
    BN_rand_range(b, d);
    BN_rand(c, bits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ANY);
    for (auto _ : state) {
        BN_mod_exp(a, b, c, d, ctx);
        benchmark::DoNotOptimize(a);
    }
    BN_free(a);
    BN_free(b);
    BN_free(c);
    BN_free(d);
    BN_CTX_free(ctx);
}
BENCHMARK(BM_OpenSslModExp)->Arg(512)->Arg(1024)->Unit(benchmark::kMicrosecond);

// One generation per iteration, seeding k of the fixed set.
void BM_RsaGenerateKeyPair(benchmark::State& state) {
    const std::uint32_t bits = static_cast<std::uint32_t>(state.range(0));
    std::vector<double> seconds;
    std::uint32_t seed = 0;
    for (auto _ : state) {
        cerrojo::RandomPool pool;
        SeedPool(&pool, 1000 + seed++ % kSeedings);
        cerrojo::RsaPublicKey pub;
        cerrojo::RsaPrivateKey priv;
        const cerrojo::KeyGenParams params{bits, 1};
        const auto start = std::chrono::steady_clock::now();
        const int status = cerrojo::RsaGenerateKeyPair(&pub, &priv, &params, &pool);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (status != 0) state.SkipWithError("generation failed");
        benchmark::DoNotOptimize(priv);
    }
    const double median = Median(seconds);
    state.counters["median_ms"] = median * 1e3;
    Medians()["cerrojo" + std::to_string(bits)] = median;
}
BENCHMARK(BM_RsaGenerateKeyPair)->Arg(1024)->Arg(2048)->Iterations(kSeedings)->Unit(benchmark::kMillisecond);

void BM_OpenSslKeygen(benchmark::State& state) {
    const unsigned bits = static_cast<unsigned>(state.range(0));
    std::vector<double> seconds;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_RSA, nullptr);
        EVP_PKEY* key = nullptr;
        if (EVP_PKEY_keygen_init(ctx) <= 0 || EVP_PKEY_CTX_set_rsa_keygen_bits(ctx, bits) <= 0 ||
            EVP_PKEY_keygen(ctx, &key) <= 0)
            state.SkipWithError("OpenSSL key generation failed");
        EVP_PKEY_free(key);
        EVP_PKEY_CTX_free(ctx);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const double median = Median(seconds);
    state.counters["median_ms"] = median * 1e3;
    Medians()["openssl" + std::to_string(bits)] = median;
}
BENCHMARK(BM_OpenSslKeygen)->Arg(1024)->Arg(2048)->Iterations(kSeedings)->Unit(benchmark::kMillisecond);

void BM_KeygenRatio(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Medians());
    for (const char* bits : {"1024", "2048"}) {
        const auto ours = Medians().find(std::string("cerrojo") + bits);
        const auto theirs = Medians().find(std::string("openssl") + bits);
        if (ours == Medians().end() || theirs == Medians().end()) continue;
        const double ratio = ours->second / theirs->second;
        state.counters[std::string("ratio_") + bits] = ratio;
        std::fprintf(stderr, "key generation %s bits: median %.1f ms vs OpenSSL %.1f ms, ratio %.2f\n", bits,
                     ours->second * 1e3, theirs->second * 1e3, ratio);
    }
}
BENCHMARK(BM_KeygenRatio)->Iterations(1);

}  // namespace
