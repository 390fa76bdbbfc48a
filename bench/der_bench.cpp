// The two files of one enrolment: request info encoding alone, the signed
// request and the encrypted key file, for 1024- and 2048-bit keys made by
// Cerrojo's own generator from a fixed seed.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "crypto/random.h"
#include "crypto/rsa.h"
#include "der/private_key.h"
#include "der/request.h"

namespace {

struct Keys {
    cerrojo::RsaPublicKey publicKey;
    cerrojo::RsaPrivateKey privateKey;
};

const Keys* KeysOf(std::uint32_t bits) {
    static std::map<std::uint32_t, std::unique_ptr<Keys>> cache;
    auto& slot = cache[bits];
    if (!slot) {
        slot = std::make_unique<Keys>();
        cerrojo::RandomPool pool{};
        cerrojo::RandomInit(&pool);
        std::uint8_t seed[256];
        for (std::uint32_t i = 0; i < sizeof(seed); ++i)
            seed[i] = static_cast<std::uint8_t>(i * 7 + bits);
        cerrojo::RandomUpdate(&pool, seed, sizeof(seed));
        const cerrojo::KeyGenParams params{bits, 1};
        if (cerrojo::RsaGenerateKeyPair(&slot->publicKey, &slot->privateKey, &params, &pool) != 0) {
            return nullptr;
        }
    }
    return slot.get();
}

struct Slots {
    std::string texts[11] = {"EMPRESA DE PRUEBA SA DE CV",
                             "JUAN  P\xC9REZ  L\xD3PEZ",
                             "AV. REFORMA  100  CENTRO  09",
                             "06000",
                             "MX",
                             "DISTRITO FEDERAL",
                             "CUAUHTEMOC",
                             "EPR010101AB1 \\ PELJ800101XY2",
                             "juan@ejemplo.com.mx",
                             "Z2VuZXJpY2NoYWxsZW5nZQ==",
                             "T=MO; CURP=X"};
    cerrojo::NameSlots name{};
    cerrojo::AttributeSlots attributes{};
    static cerrojo::ByteSpan Span(std::string& s) {
        return {reinterpret_cast<std::uint8_t*>(s.data()), static_cast<std::uint32_t>(s.size())};
    }
    Slots() {
        const int nameSlot[8] = {0, 2, 4, 5, 6, 7, 8, 9};
        for (int i = 0; i < 8; ++i) name[nameSlot[i]] = Span(texts[i]);
        for (int i = 0; i < 3; ++i) attributes[i] = Span(texts[8 + i]);
    }
};

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

}  // namespace
