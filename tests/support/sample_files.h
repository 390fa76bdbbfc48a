// Test helper: the bytes of a request and of a key file made by Cerrojo's
// builders from a test key pair, as the generation writes them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "der/private_key.h"
#include "der/request.h"
#include "support/sample_request.h"
#include "support/test_keys.h"

namespace dertest {

// The signed request for key with the sample's name and attributes.
inline std::string RequestBytes(const KeyPair& key, cerrojo::AlgorithmId signature,
                                SampleSlots& sample) {
    std::string out(4096, '\0');
    std::uint32_t length = static_cast<std::uint32_t>(out.size());
    EXPECT_EQ(cerrojo::MakeCertificationRequest(reinterpret_cast<std::uint8_t*>(out.data()),
                                                &length, signature, sample.name, &key.publicKey,
                                                &key.privateKey, sample.attributes),
              cerrojo::kRequestOk);
    out.resize(length);
    return out;
}

// The key file of key encrypted under password (Windows-1252 bytes).
inline std::string KeyFileBytes(const KeyPair& key, cerrojo::AlgorithmId cipher,
                                const std::string& password) {
    std::string out(4096, '\0');
    std::uint32_t length = static_cast<std::uint32_t>(out.size());
    EXPECT_EQ(cerrojo::MakeEncryptedPrivateKey(
                  reinterpret_cast<std::uint8_t*>(out.data()), &length, cipher, 0,
                  reinterpret_cast<const std::uint8_t*>(password.data()),
                  static_cast<std::uint32_t>(password.size()), &key.privateKey),
              cerrojo::kKeyFileOk);
    out.resize(length);
    return out;
}

}  // namespace dertest
