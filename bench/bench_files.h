// Benchmark support: key pairs made by Cerrojo's own generator from a fixed
// seed (one per size and program), and name and attribute slots filled the
// way the generation driver fills them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "crypto/random.h"
#include "crypto/rsa.h"
#include "der/name.h"

namespace benchfiles {

struct Keys {
    cerrojo::RsaPublicKey publicKey;
    cerrojo::RsaPrivateKey privateKey;
};

inline const Keys* KeysOf(std::uint32_t bits) {
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

}  // namespace benchfiles
