// libFuzzer harness: the two PKCS#8 readers on arbitrary bytes. The first
// byte chooses: even, the input is an encrypted key file, read and, when its
// count is small, opened with a fixed password; odd, the rest is a decrypted
// PrivateKeyInfo, read and checked with RsaCheckPrivateKey. A key record that
// is refused must come back wiped. Seeds: a 508-bit key file (password
// "clave de acceso") and PrivateKeyInfo from Cerrojo's builders.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "crypto/pbe.h"
#include "crypto/rsa.h"
#include "der/key_reader.h"

namespace {

void ReadKey(const std::uint8_t* data, std::uint32_t length) {
    cerrojo::RsaPrivateKey key;
    if (cerrojo::ParsePrivateKeyInfo(data, length, &key) == cerrojo::StatusOk) {
        (void)cerrojo::RsaCheckPrivateKey(&key);
        return;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&key);
    for (std::size_t i = 0; i < sizeof(key); ++i) {
        if (bytes[i] != 0) __builtin_trap();  // a refused record must be wiped
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 0xFFFFFFFFu) return 0;
    const std::uint32_t length = static_cast<std::uint32_t>(size - 1);
    if (data[0] & 1) {
        ReadKey(data + 1, length);
        return 0;
    }
    cerrojo::ParsedKeyFile file;
    if (cerrojo::ParseEncryptedPrivateKey(data + 1, length, &file) != cerrojo::StatusOk) return 0;
    if (file.iterations > 64) return 0;
    std::vector<std::uint8_t> plain(file.ciphertextLength);
    cerrojo::ByteSpan span{plain.data(), 0};
    static const std::uint8_t kPassword[] = "clave de acceso";
    if (cerrojo::PbeDecrypt(file.ciphertext, file.ciphertextLength, &span, file.algorithm,
                            file.iterations, file.salt, kPassword,
                            sizeof(kPassword) - 1) == cerrojo::StatusOk) {
        ReadKey(plain.data(), span.length);
    }
    return 0;
}
