// The whole generation of one pair (key pair, request with its signature
// check, key file) at 1024 and 2048 bits over a fixed set of mouse seedings,
// beside OpenSSL's EVP_PKEY_keygen in the same run. Each benchmark reports the
// median and 90th percentile of its runs; the generation benchmarks also the
// share spent in key generation and the share of the signature check.
// Times are the thread's processor time, so that other work on a shared
// machine does not inflate them.
#include <benchmark/benchmark.h>
#include <time.h>

#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "generation/driver.h"
#include "generation/job.h"
#include "generation/key_options.h"
#include "support/registrants.h"

namespace {

using namespace petitora;
constexpr int kSeedings = 30;

// Processor time of the calling thread, in seconds.
struct Clock {
    using time_point = double;
    static double now() {
        timespec t;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    }
};

double Seconds(double from, double to) {
    return to - from;
}

// The q-quantile by nearest rank.
double Quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    const std::size_t rank = static_cast<std::size_t>(q * static_cast<double>(v.size()) + 0.5);
    return v[std::min(v.size() - 1, rank == 0 ? 0 : rank - 1)];
}

double Sum(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x;
    return s;
}

// The pool as the entropy dialog leaves it after `bits` mouse events of
// seeding number `seeding`.
void SeedPool(cerrojo::RandomPool* pool, std::uint32_t bits, std::uint32_t seeding) {
    cerrojo::RandomInit(pool);
    pool->needed = bits;
    EntropyCollection collection(pool, bits);
    for (std::uint32_t i = 0; !collection.Complete(); ++i) {
        const std::uint32_t mix = (seeding + 1) * 0x9E3779B9u + i * 2654435761u;
        collection.OnMouseMove(static_cast<std::int32_t>(mix % 800),
                               static_cast<std::int32_t>((mix >> 16) % 600));
    }
}

void BM_WholeGeneration(benchmark::State& state) {
    const int keySizeIndex = static_cast<int>(state.range(0));
    const std::uint32_t bits = KeySizeBits(keySizeIndex);
    CaptureStorage capture;
    capture.registrant = testsupport::Registrant(UserType::PersonaFisica);
    cerrojo::RandomPool pool;
    GenerationJob job;
    InitGenerationJob(job, capture, &pool);
    job.keySizeIndex = keySizeIndex;
    job.password.Assign("Clave de acceso 2026");
    std::vector<double> total, keygen, verify;
    std::uint32_t seeding = 0;
    for (auto _ : state) {
        SeedPool(&pool, bits, seeding++ % kSeedings);
        BuiltFiles built;
        const cerrojo::KeyGenParams params{bits, 1};
        const auto start = Clock::now();
        const int status =
            cerrojo::RsaGenerateKeyPair(&job.publicKey, job.privateKeyBuffer, &params, &pool);
        const auto generated = Clock::now();
        const bool ok = status == 0 && WriteRequestFile(job, built) && WritePrivateKeyFile(job);
        const auto end = Clock::now();
        if (!ok) state.SkipWithError("generation failed");
        // The check inside WriteRequestFile, timed once more on its own.
        const auto checkStart = Clock::now();
        benchmark::DoNotOptimize(
            VerifyRequestSignature(built.request.data(), built.requestLength, job.publicKey));
        verify.push_back(Seconds(checkStart, Clock::now()));
        total.push_back(Seconds(start, end));
        keygen.push_back(Seconds(start, generated));
    }
    const double median = Quantile(total, 0.5);
    state.counters["median_ms"] = median * 1e3;
    state.counters["p90_ms"] = Quantile(total, 0.9) * 1e3;
    state.counters["keygen_share_%"] = 100 * Sum(keygen) / Sum(total);
    state.counters["check_ms"] = Quantile(verify, 0.5) * 1e3;
    state.counters["check_share_%"] = 100 * Quantile(verify, 0.5) / median;
    std::fprintf(stderr,
                 "whole generation %u bits: median %.1f ms, p90 %.1f ms, key generation %.1f %%, "
                 "signature check %.3f ms = %.2f %% of the median\n",
                 bits, median * 1e3, Quantile(total, 0.9) * 1e3, 100 * Sum(keygen) / Sum(total),
                 Quantile(verify, 0.5) * 1e3, 100 * Quantile(verify, 0.5) / median);
}
BENCHMARK(BM_WholeGeneration)->Arg(0)->Arg(1)->Iterations(kSeedings)->Unit(benchmark::kMillisecond);

void BM_OpenSslKeygen(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0));
    std::vector<double> seconds;
    for (auto _ : state) {
        const auto start = Clock::now();
        EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_RSA, nullptr);
        EVP_PKEY* key = nullptr;
        if (EVP_PKEY_keygen_init(ctx) <= 0 || EVP_PKEY_CTX_set_rsa_keygen_bits(ctx, bits) <= 0 ||
            EVP_PKEY_keygen(ctx, &key) <= 0) {
            state.SkipWithError("OpenSSL key generation failed");
        }
        EVP_PKEY_free(key);
        EVP_PKEY_CTX_free(ctx);
        seconds.push_back(Seconds(start, Clock::now()));
    }
    state.counters["median_ms"] = Quantile(seconds, 0.5) * 1e3;
    state.counters["p90_ms"] = Quantile(seconds, 0.9) * 1e3;
    std::fprintf(stderr, "OpenSSL EVP_PKEY_keygen %d bits: median %.1f ms, p90 %.1f ms\n", bits,
                 Quantile(seconds, 0.5) * 1e3, Quantile(seconds, 0.9) * 1e3);
}
BENCHMARK(BM_OpenSslKeygen)
    ->Arg(1024)
    ->Arg(2048)
    ->Iterations(kSeedings)
    ->Unit(benchmark::kMillisecond);

}  // namespace
