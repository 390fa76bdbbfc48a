// DES-CBC encryption throughput: Cerrojo beside OpenSSL's libcrypto (legacy
// provider) at 64 B, 1 KiB and 8 KiB. Each OpenSSL run records its rate; the
// Cerrojo run of the same size that follows reports vs_openssl = ours / theirs.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <ctime>
#include <map>
#include <vector>

#include "crypto/des.h"
#include "support/openssl_legacy.h"

namespace {

const std::uint8_t kKey[8] = {0x13, 0x34, 0x57, 0x79, 0x9b, 0xbc, 0xdf, 0xf1};
const std::uint8_t kIv[8] = {0x12, 0x34, 0x56, 0x78, 0x90, 0xab, 0xcd, 0xef};

std::map<std::int64_t, double>& OpenSslRates() {
    static std::map<std::int64_t, double> rates;
    return rates;
}

std::vector<std::uint8_t> Input(std::int64_t size) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return data;
}

// CPU time of this thread, like the CPU column the framework reports; the
// machine may be shared, so wall time would be noisier.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Rate(const benchmark::State& state, std::int64_t size, double seconds) {
    return seconds > 0 ? static_cast<double>(state.iterations()) * static_cast<double>(size) / seconds
                       : 0.0;
}

void BM_OpenSslDesCbcEncrypt(benchmark::State& state) {
    const bool loaded = testsupport::LoadLegacyProviders();
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "DES-CBC", nullptr);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (!loaded || !cipher || !ctx || EVP_EncryptInit_ex(ctx, cipher, nullptr, kKey, kIv) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx, 0) != 1) {
        state.SkipWithError("OpenSSL DES-CBC (legacy provider) unavailable");
        EVP_CIPHER_CTX_free(ctx);
        EVP_CIPHER_free(cipher);
        return;
    }
    const std::int64_t size = state.range(0);
    const std::vector<std::uint8_t> in = Input(size);
    std::vector<std::uint8_t> out(in.size() + 8);
    const double start = ThreadSeconds();
    for (auto _ : state) {
        int written = 0;
        EVP_EncryptUpdate(ctx, out.data(), &written, in.data(), static_cast<int>(size));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    OpenSslRates()[size] = Rate(state, size, ThreadSeconds() - start);
    state.SetBytesProcessed(state.iterations() * size);
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
}

void BM_CerrojoDesCbcEncrypt(benchmark::State& state) {
    const std::int64_t size = state.range(0);
    const std::vector<std::uint8_t> in = Input(size);
    std::vector<std::uint8_t> out(in.size());
    cerrojo::DesCbcContext context;
    cerrojo::DesCbcInit(&context, kKey, kIv, 1);
    const double start = ThreadSeconds();
    for (auto _ : state) {
        cerrojo::DesCbcUpdate(&context, out.data(), in.data(), static_cast<std::uint32_t>(size));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    const double rate = Rate(state, size, ThreadSeconds() - start);
    state.SetBytesProcessed(state.iterations() * size);
    const auto theirs = OpenSslRates().find(size);
    if (theirs != OpenSslRates().end() && theirs->second > 0) {
        state.counters["vs_openssl"] = rate / theirs->second;
    }
    cerrojo::SecureWipeObject(context);
}

// OpenSSL first at each size, so the ratio is available to the Cerrojo run.
BENCHMARK(BM_OpenSslDesCbcEncrypt)->Arg(64);
BENCHMARK(BM_CerrojoDesCbcEncrypt)->Arg(64);
BENCHMARK(BM_OpenSslDesCbcEncrypt)->Arg(1024);
BENCHMARK(BM_CerrojoDesCbcEncrypt)->Arg(1024);
BENCHMARK(BM_OpenSslDesCbcEncrypt)->Arg(8192);
BENCHMARK(BM_CerrojoDesCbcEncrypt)->Arg(8192);

}  // namespace
