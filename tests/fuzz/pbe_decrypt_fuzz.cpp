// libFuzzer harness: PbeDecrypt on arbitrary parameters and ciphertext.
// Input: algorithm selector, iteration count (0..15), 8 salt bytes, password
// length and password, then the ciphertext. Checked: nothing is written past
// the ciphertext length; a success strips 1..8 bytes of padding; a failed
// padding leaves the area all zero and the length untouched.
// Seed: the salt and ciphertext of a 508-bit key file with its password.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "crypto/pbe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 11 || size > 0xFFFFFFFFu) return 0;
    static const cerrojo::AlgorithmId kAlgorithms[4] = {104, 105, 105, 103};
    const cerrojo::AlgorithmId algorithm = kAlgorithms[data[0] & 3];
    const std::uint32_t iterations = data[1] & 15;
    const std::uint8_t* salt = data + 2;
    const std::size_t passwordLength = data[10];
    if (size < 11 + passwordLength) return 0;
    const std::uint8_t* password = data + 11;
    const std::uint8_t* ciphertext = password + passwordLength;
    const std::uint32_t length = static_cast<std::uint32_t>(size - 11 - passwordLength);

    std::vector<std::uint8_t> area(length + 16, 0xA5);
    cerrojo::ByteSpan plain{area.data(), 0xFFFFFFFFu};
    const int status = cerrojo::PbeDecrypt(ciphertext, length, &plain, algorithm, iterations, salt,
                                           password, static_cast<std::uint32_t>(passwordLength));
    for (std::size_t i = length; i < area.size(); ++i) {
        if (area[i] != 0xA5) __builtin_trap();
    }
    if (status == cerrojo::StatusOk) {
        if (plain.length > length || length - plain.length < 1 || length - plain.length > 8) {
            __builtin_trap();
        }
    } else {
        if (plain.length != 0xFFFFFFFFu) __builtin_trap();
        if (status == cerrojo::StatusDecryptFailed) {
            for (std::uint32_t i = 0; i < length; ++i) {
                if (area[i] != 0) __builtin_trap();
            }
        }
    }
    return 0;
}
