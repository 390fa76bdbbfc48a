// RSA and the big-number layer beside OpenSSL's libcrypto: modular
// exponentiation at the CRT-half and Fermat-test sizes against
// BN_mod_exp_mont, and whole key-pair generation over a fixed set of pool
// seedings (the same candidates every run) against EVP_PKEY_keygen.
//
// Generation times are the calling thread's CPU time, which other work on a
// shared machine disturbs less than the wall clock; with
// --benchmark_repetitions=N every seeding runs N times and the summary at the
// end takes the median and 90th percentile over all of them. The
// exponentiation ratio uses the per-call CPU time (the median of the
// repetitions when there are several).
#include <benchmark/benchmark.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "crypto/bignum.h"
#include "crypto/random.h"
#include "crypto/rsa.h"
#include "support/seeded_pool.h"

namespace {

using cerrojo::Digit;
using testsupport::SeedPool;

constexpr int kSeedings = 20;
constexpr int kKeyBits[] = {1024, 2048};

// CPU seconds of every generation, by "cerrojo1024", "openssl2048" and so on.
std::map<std::string, std::vector<double>>& Samples() {
    static std::map<std::string, std::vector<double>> samples;
    return samples;
}

double ThreadSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The nearest-rank q-quantile of v (not empty).
double Quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    std::size_t rank = static_cast<std::size_t>(q * static_cast<double>(v.size()) + 0.999999);
    rank = std::clamp<std::size_t>(rank, 1, v.size());
    return v[rank - 1];
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

// The Montgomery context is built inside every call, as BnModExp builds its own.
void BM_OpenSslModExpMont(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0));
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM *d = BN_new(), *b = BN_new(), *c = BN_new(), *a = BN_new();
    BN_rand(d, bits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ODD);
    BN_rand_range(b, d);
    BN_rand(c, bits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ANY);
    for (auto _ : state) {
        BN_mod_exp_mont(a, b, c, d, ctx, nullptr);
        benchmark::DoNotOptimize(a);
    }
    BN_free(a);
    BN_free(b);
    BN_free(c);
    BN_free(d);
    BN_CTX_free(ctx);
}
BENCHMARK(BM_OpenSslModExpMont)->Arg(512)->Arg(1024)->Unit(benchmark::kMicrosecond);

// One generation per iteration, seeding k of the fixed set.
void BM_RsaGenerateKeyPair(benchmark::State& state) {
    const std::uint32_t bits = static_cast<std::uint32_t>(state.range(0));
    std::vector<double>& seconds = Samples()["cerrojo" + std::to_string(bits)];
    std::uint32_t seed = 0;
    for (auto _ : state) {
        cerrojo::RandomPool pool;
        SeedPool(&pool, 1000 + seed++ % kSeedings);
        cerrojo::RsaPublicKey pub;
        cerrojo::RsaPrivateKey priv;
        const cerrojo::KeyGenParams params{bits, 1};
        const double start = ThreadSeconds();
        const int status = cerrojo::RsaGenerateKeyPair(&pub, &priv, &params, &pool);
        seconds.push_back(ThreadSeconds() - start);
        if (status != 0) state.SkipWithError("generation failed");
        benchmark::DoNotOptimize(priv);
    }
}
BENCHMARK(BM_RsaGenerateKeyPair)
    ->Arg(1024)
    ->Arg(2048)
    ->Iterations(kSeedings)
    ->Unit(benchmark::kMillisecond);

void BM_OpenSslKeygen(benchmark::State& state) {
    const unsigned bits = static_cast<unsigned>(state.range(0));
    std::vector<double>& seconds = Samples()["openssl" + std::to_string(bits)];
    for (auto _ : state) {
        const double start = ThreadSeconds();
        EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_RSA, nullptr);
        EVP_PKEY* key = nullptr;
        if (EVP_PKEY_keygen_init(ctx) <= 0 || EVP_PKEY_CTX_set_rsa_keygen_bits(ctx, bits) <= 0 ||
            EVP_PKEY_keygen(ctx, &key) <= 0)
            state.SkipWithError("OpenSSL key generation failed");
        EVP_PKEY_free(key);
        EVP_PKEY_CTX_free(ctx);
        seconds.push_back(ThreadSeconds() - start);
    }
}
BENCHMARK(BM_OpenSslKeygen)
    ->Arg(1024)
    ->Arg(2048)
    ->Iterations(kSeedings)
    ->Unit(benchmark::kMillisecond);

// Console output as usual, plus the CPU time per iteration of every run kept
// by name ("BM_BnModExp/1024") for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            times_[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const {
        std::printf("\nKey generation, CPU ms per key pair (e = 65537):\n");
        for (int bits : kKeyBits) {
            const auto ours = Samples().find("cerrojo" + std::to_string(bits));
            const auto theirs = Samples().find("openssl" + std::to_string(bits));
            if (ours == Samples().end() || theirs == Samples().end()) continue;
            const double median = Quantile(ours->second, 0.5),
                         theirMedian = Quantile(theirs->second, 0.5);
            std::printf(
                "  %4d bits  ours median %7.1f p90 %7.1f (%zu runs)   OpenSSL median %7.1f p90 "
                "%7.1f (%zu runs)   ratio of medians %.2f\n",
                bits, median * 1e3, Quantile(ours->second, 0.9) * 1e3, ours->second.size(),
                theirMedian * 1e3, Quantile(theirs->second, 0.9) * 1e3, theirs->second.size(),
                median / theirMedian);
        }
        std::printf("Modular exponentiation, CPU us per call:\n");
        for (const char* bits : {"512", "1024"}) {
            const auto ours = times_.find(std::string("BM_BnModExp/") + bits);
            const auto theirs = times_.find(std::string("BM_OpenSslModExpMont/") + bits);
            if (ours == times_.end() || theirs == times_.end()) continue;
            std::printf("  %4s bits  BnModExp %8.1f   BN_mod_exp_mont %8.1f   ratio %.2f\n", bits,
                        ours->second, theirs->second, ours->second / theirs->second);
        }
    }

  private:
    std::map<std::string, double> times_;  // in each run's own unit (microseconds here)
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
