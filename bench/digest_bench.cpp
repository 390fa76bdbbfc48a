// Digest throughput at 64 B, 1 KiB and 8 KiB, ours beside OpenSSL's libcrypto
// (EVP; the legacy provider supplies MD4). OpenSSL has no MD2 and no SHA-0:
// MD2 is measured alone and SHA-0 is compared with OpenSSL's SHA-1, which
// costs the same. After the usual table a summary prints ours / OpenSSL speed.
//
// SHA-256 is compared with OpenSSL's code for processors without the SHA
// extensions: on a processor that has them OpenSSL's EVP_sha256 runs the
// SHA-NI instructions, which portable code cannot match. Its capability mask
// turns them off (CPUID leaf 7 EBX bit 29, in the word after the colon):
//
//     OPENSSL_ia32cap=":~0x20000000" build/bench/bench/digest_bench
//
// OpenSSL then takes its AVX2 path (its fastest without SHA-NI). The summary
// says whether the variable was set; the change shows in OpenSSL's figure
// (about 3.5 times slower than with SHA-NI on a Xeon that has it). Masking
// AVX2 and AVX as well ("~0x1000000000000000:~0x20000020") selects its SSSE3
// path, and "0:0" its plain x86-64 one, each a little slower again.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "crypto/digest.h"
#include "support/openssl_legacy.h"

namespace {

// Not a selector id: SHA-256 is called directly.
constexpr cerrojo::DigestId kSha256 = 0;

struct Algorithm {
    const char* name;
    cerrojo::DigestId id;
    const char* openssl;  // null: OpenSSL has no such digest
};

constexpr Algorithm kAlgorithms[] = {
    {"Md2", cerrojo::DigestMd2, nullptr}, {"Md4", cerrojo::DigestMd4, "MD4"},
    {"Md5", cerrojo::DigestMd5, "MD5"},   {"Sha0", cerrojo::DigestSha0, "SHA1"},
    {"Sha1", cerrojo::DigestSha1, "SHA1"},
    {"Sha256", kSha256, "SHA256"},
};
constexpr int kSizes[] = {64, 1024, 8192};

// "Md5/ours/8192" and the like (snprintf: GCC 12 warns wrongly on string + at -O3).
std::string RunName(const char* algorithm, const char* who, int size) {
    char name[64];
    std::snprintf(name, sizeof(name), "%s/%s/%d", algorithm, who, size);
    return name;
}

std::vector<std::uint8_t> Message(int size) {
    std::vector<std::uint8_t> m(std::size_t(size), 0);
    for (std::size_t i = 0; i < m.size(); ++i) m[i] = std::uint8_t(i * 151 + 7);
    return m;
}

void Ours(benchmark::State& state, cerrojo::DigestId id, int size) {
    const auto m = Message(size);
    std::uint8_t out[cerrojo::kSha256Length];
    std::uint32_t outLen = 0;
    for (auto _ : state) {
        if (id == kSha256) {
            cerrojo::Sha256Context context;
            cerrojo::Sha256Init(&context);
            cerrojo::Sha256Update(&context, m.data(), std::uint32_t(m.size()));
            cerrojo::Sha256Final(out, &context);
        } else {
            cerrojo::ComputeDigest(out, &outLen, m.data(), std::uint32_t(m.size()), id);
        }
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * size);
}

void OpenSsl(benchmark::State& state, const char* name, int size) {
    const auto m = Message(size);
    EVP_MD* md = EVP_MD_fetch(nullptr, name, nullptr);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    if (md == nullptr || ctx == nullptr) {
        state.SkipWithError("OpenSSL digest not available");
        EVP_MD_CTX_free(ctx);
        EVP_MD_free(md);
        return;
    }
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int outLen = 0;
    for (auto _ : state) {
        EVP_DigestInit_ex2(ctx, md, nullptr);
        EVP_DigestUpdate(ctx, m.data(), m.size());
        EVP_DigestFinal_ex(ctx, out, &outLen);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * size);
    EVP_MD_CTX_free(ctx);
    EVP_MD_free(md);
}

// Console output as usual, plus the time per iteration of every run kept by
// name so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            // With repetitions, keep the median; otherwise the single run.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            times_[run.run_name.function_name] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        std::printf("\nThroughput ratio ours / OpenSSL (above 1 = ours faster):\n");
        for (const Algorithm& a : kAlgorithms) {
            for (int size : kSizes) {
                const auto ours = times_.find(RunName(a.name, "ours", size));
                if (ours == times_.end()) continue;
                if (a.openssl == nullptr) {
                    std::printf("  %-6s %5d B   %8.1f MB/s, no OpenSSL counterpart\n", a.name, size,
                                size / ours->second * 1e3);
                    continue;
                }
                const auto theirs = times_.find(RunName(a.name, "openssl", size));
                if (theirs == times_.end()) continue;
                std::printf("  %-6s %5d B   ours %8.1f MB/s   OpenSSL %-6s %8.1f MB/s   ratio %.2f\n",
                            a.name, size, size / ours->second * 1e3, a.openssl,
                            size / theirs->second * 1e3, theirs->second / ours->second);
            }
        }
        const char* mask = std::getenv("OPENSSL_ia32cap");
        std::printf("OpenSSL capability mask: %s\n",
                    mask != nullptr ? mask : "none (SHA-256 on SHA-NI where the processor has it)");
    }

private:
    std::map<std::string, double> times_;  // CPU nanoseconds per iteration (the machine may be shared)
};

}  // namespace

int main(int argc, char** argv) {
    testsupport::LoadLegacyProviders();
    for (const Algorithm& a : kAlgorithms) {
        for (int size : kSizes) {
            benchmark::RegisterBenchmark(RunName(a.name, "ours", size).c_str(), Ours, a.id, size)
                ->Unit(benchmark::kNanosecond);
            if (a.openssl != nullptr) {
                benchmark::RegisterBenchmark(RunName(a.name, "openssl", size).c_str(), OpenSsl, a.openssl,
                                             size)
                    ->Unit(benchmark::kNanosecond);
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
