// Fuzz harness: Base64 of fuzzed bytes into an output area of fuzzed
// capacity, against OpenSSL's encoder. A refused call (empty input, input
// whose encoded length does not fit 16 bits, capacity too small) writes
// nothing and leaves the length alone.
//
// Input: the capacity, a length mode and length, then the bytes (repeated to
// fill the length when it asks for more than the input holds).
#include <openssl/evp.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"
#include "generation/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::FuzzInput in(data, size);
    const std::uint16_t capacity = in.Integer<std::uint16_t>();
    const bool longInput = in.Bool();
    const std::uint16_t wanted = in.Integer<std::uint16_t>();
    std::vector<std::uint8_t> input = in.Rest();
    if (longInput && !input.empty()) {
        // Any 16-bit length, beyond the longest encodable one included.
        const std::size_t seed = input.size();
        input.resize(wanted);
        for (std::size_t i = seed; i < input.size(); ++i) input[i] = input[i % seed];
    }
    if (input.size() > 0xFFFF) input.resize(0xFFFF);
    const auto inputLength = static_cast<std::uint16_t>(input.size());

    const unsigned real = 4 * ((inputLength + 2u) / 3u);
    FUZZ_CHECK(petitora::Base64EncodedLength(inputLength) == static_cast<std::uint16_t>(real));

    // Exactly capacity bytes, so that a write past them is caught.
    std::vector<std::uint8_t> output(capacity, 0xA5);
    std::uint16_t length = capacity;
    const bool ok = petitora::Base64Encode(input.data(), inputLength, output.data(), &length);
    const bool expected =
        inputLength != 0 && inputLength <= petitora::kBase64MaxInputLength && capacity >= real;
    FUZZ_CHECK(ok == expected);
    if (!ok) {
        FUZZ_CHECK(length == capacity);
        FUZZ_CHECK(output == std::vector<std::uint8_t>(capacity, 0xA5));
        return 0;
    }
    FUZZ_CHECK(length == real);
    std::vector<std::uint8_t> peer(real + 1);  // EVP_EncodeBlock adds a terminating zero
    FUZZ_CHECK(EVP_EncodeBlock(peer.data(), input.data(), inputLength) == static_cast<int>(real));
    FUZZ_CHECK(std::memcmp(output.data(), peer.data(), real) == 0);
    for (std::size_t i = real; i < capacity; ++i) FUZZ_CHECK(output[i] == 0xA5);
    return 0;
}
