// Base64 encoder (RFC 4648, section 4: standard alphabet, "=" padding, no
// line breaks, no terminating zero) into a caller-supplied area of limited size.
#pragma once

#include <cstdint>

namespace petitora {

// Largest input whose encoded length still fits in 16 bits (65532 characters).
inline constexpr std::uint16_t kBase64MaxInputLength = 49149;

// 4 * ceil(inputLength / 3), truncated to 16 bits; 0 gives 0. For inputs
// longer than kBase64MaxInputLength the truncated value is not the real length.
std::uint16_t Base64EncodedLength(std::uint16_t inputLength);

// Encodes inputLength bytes of input into output.
// length: in, the capacity of output in bytes; out, on success, the number of
// characters written (= Base64EncodedLength(inputLength)). A capacity equal to
// the encoded length is enough: no terminator is written.
// Returns false, writing nothing and leaving *length unchanged, when the input
// is empty, when it is longer than kBase64MaxInputLength (its encoded length
// cannot be counted in 16 bits), or when the capacity is smaller than the
// encoded length. input and output must not overlap.
bool Base64Encode(const std::uint8_t* input, std::uint16_t inputLength, std::uint8_t* output,
                  std::uint16_t* length);

}  // namespace petitora
