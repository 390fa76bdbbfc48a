#include "generation/base64.h"

namespace petitora {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::uint16_t Base64EncodedLength(std::uint16_t inputLength) {
    return std::uint16_t(4u * ((unsigned(inputLength) + 2u) / 3u));
}

bool Base64Encode(const std::uint8_t* input, std::uint16_t inputLength, std::uint8_t* output,
                  std::uint16_t* length) {
    // Beyond kBase64MaxInputLength the 16-bit encoded length wraps and the
    // capacity test below would pass for an area far too small: refuse.
    if (inputLength > kBase64MaxInputLength) return false;
    const std::uint16_t needed = Base64EncodedLength(inputLength);
    if (needed == 0 || *length < needed) return false;

    std::uint16_t written = 0;
    unsigned i = 0;
    for (; i + 3 <= inputLength; i += 3) {
        const unsigned group = (unsigned(input[i]) << 16) | (unsigned(input[i + 1]) << 8) | input[i + 2];
        output[written++] = std::uint8_t(kAlphabet[(group >> 18) & 63]);
        output[written++] = std::uint8_t(kAlphabet[(group >> 12) & 63]);
        output[written++] = std::uint8_t(kAlphabet[(group >> 6) & 63]);
        output[written++] = std::uint8_t(kAlphabet[group & 63]);
    }
    const unsigned rest = inputLength - i;
    if (rest != 0) {
        const unsigned group = (unsigned(input[i]) << 16) | (rest == 2 ? unsigned(input[i + 1]) << 8 : 0u);
        output[written++] = std::uint8_t(kAlphabet[(group >> 18) & 63]);
        output[written++] = std::uint8_t(kAlphabet[(group >> 12) & 63]);
        output[written++] = rest == 2 ? std::uint8_t(kAlphabet[(group >> 6) & 63]) : std::uint8_t('=');
        output[written++] = std::uint8_t('=');
    }
    *length = written;
    return true;
}

}  // namespace petitora
