// The two files of one enrolment: request info encoding alone, the signed
// request and the encrypted key file, for 1024- and 2048-bit keys made by
// Cerrojo's own generator from a fixed seed; and the .pfx made afterwards
// from the key and the issued certificate.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "bench_files.h"
#include "der/pfx.h"
#include "der/private_key.h"
#include "der/request.h"

namespace {

using benchfiles::Keys;
using benchfiles::KeysOf;
using benchfiles::Slots;

void BM_RequestInfo(benchmark::State& state) {
    const Keys* keys = KeysOf(static_cast<std::uint32_t>(state.range(0)));
    if (keys == nullptr) return state.SkipWithError("key generation failed");
    Slots slots;
    std::uint8_t area[cerrojo::kRequestWorkAreaSize];
    for (auto _ : state) {
        cerrojo::DerBuffer buffer{};
        cerrojo::DerInit(&buffer, area, sizeof(area));
        benchmark::DoNotOptimize(cerrojo::DerPutRequestInfo(&buffer, 0, slots.name, 100,
                                                            &keys->publicKey, slots.attributes));
    }
}
BENCHMARK(BM_RequestInfo)->Arg(1024)->Arg(2048);

void BM_MakeCertificationRequest(benchmark::State& state) {
    const Keys* keys = KeysOf(static_cast<std::uint32_t>(state.range(0)));
    if (keys == nullptr) return state.SkipWithError("key generation failed");
    Slots slots;
    std::uint8_t output[4096];
    for (auto _ : state) {
        std::uint32_t length = sizeof(output);
        benchmark::DoNotOptimize(
            cerrojo::MakeCertificationRequest(output, &length, 103, slots.name, &keys->publicKey,
                                              &keys->privateKey, slots.attributes));
    }
}
BENCHMARK(BM_MakeCertificationRequest)->Arg(1024)->Arg(2048)->Unit(benchmark::kMicrosecond);

void BM_MakeEncryptedPrivateKey(benchmark::State& state) {
    const Keys* keys = KeysOf(static_cast<std::uint32_t>(state.range(0)));
    if (keys == nullptr) return state.SkipWithError("key generation failed");
    const std::uint8_t password[] = "clave de acceso";
    std::uint8_t output[4096];
    for (auto _ : state) {
        std::uint32_t length = sizeof(output);
        benchmark::DoNotOptimize(cerrojo::MakeEncryptedPrivateKey(
            output, &length, 105, 0, password, sizeof(password) - 1, &keys->privateKey));
    }
}
BENCHMARK(BM_MakeEncryptedPrivateKey)->Arg(1024)->Arg(2048)->Unit(benchmark::kMicrosecond);

// The whole .pfx, its three 2,048-iteration derivations (six SHA-1 chains for
// the two keys and IVs, one for the MAC key) included. The certificate is a
// stand-in of an authority's usual size: the builder copies it unparsed.
void BM_MakePfx(benchmark::State& state) {
    const Keys* keys = KeysOf(static_cast<std::uint32_t>(state.range(0)));
    if (keys == nullptr) return state.SkipWithError("key generation failed");
    std::string certificate(1600, '\x5A');
    const std::string name = "PELJ800101AB1", password = "nueva clave del .pfx";
    const cerrojo::PfxContents contents{
        reinterpret_cast<const std::uint8_t*>(certificate.data()),
        static_cast<std::uint32_t>(certificate.size()),
        &keys->privateKey,
        reinterpret_cast<const std::uint8_t*>(name.data()),
        static_cast<std::uint32_t>(name.size()),
        reinterpret_cast<const std::uint8_t*>(password.data()),
        static_cast<std::uint32_t>(password.size()),
        {1, 2, 3, 4, 5, 6, 7, 8},
        {9, 10, 11, 12, 13, 14, 15, 16},
        {17, 18, 19, 20, 21, 22, 23, 24}};
    std::uint8_t output[8192];
    for (auto _ : state) {
        std::uint32_t length = sizeof(output);
        benchmark::DoNotOptimize(cerrojo::MakePfx(output, &length, &contents));
    }
}
BENCHMARK(BM_MakePfx)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

}  // namespace
