// Cerrojo PEM unwrapper and strict Base64 decoder.

#include "der/pem.h"

#include <cstdint>
#include <cstring>

#include "crypto/common.h"
#include "der/reader.h"

namespace cerrojo {

namespace {

bool IsBlank(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The 6-bit value of a Base64 character, or -1.
int Sextet(std::uint8_t c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// A scan over text[0..length).
struct Cursor {
    const std::uint8_t* text;
    std::uint32_t length;
    std::uint32_t position;
};

void SkipBlanks(Cursor* at) {
    while (at->position < at->length && IsBlank(at->text[at->position])) ++at->position;
}

// Steps over the bytes of word when they stand at the cursor.
bool Take(Cursor* at, const char* word) {
    const std::size_t n = std::strlen(word);
    if (at->length - at->position < n || std::memcmp(at->text + at->position, word, n) != 0) {
        return false;
    }
    at->position += static_cast<std::uint32_t>(n);
    return true;
}

// "-----<kind> <label>-----" at the cursor.
bool TakeBoundary(Cursor* at, const char* kind, const char* label) {
    return Take(at, "-----") && Take(at, kind) && Take(at, " ") && Take(at, label) &&
           Take(at, "-----");
}

// Decodes the Base64 text from the cursor up to the next '-' (or the end),
// leaving the cursor there.
int DecodeBase64(Cursor* at, std::uint8_t* out, std::uint32_t capacity, std::uint32_t* outLength) {
    std::uint32_t written = 0, group = 0, count = 0, padding = 0;
    bool lineBlank = true;
    for (; at->position < at->length && at->text[at->position] != '-'; ++at->position) {
        const std::uint8_t c = at->text[at->position];
        if (c == '\n') {
            if (lineBlank) return StatusPemBadText;  // a blank line inside the block
            lineBlank = true;
        }
        if (IsBlank(c)) continue;
        lineBlank = false;
        if (c == '=') {
            // Only the third and fourth characters of the last group.
            if (count % 4 < 2) return StatusPemBadText;
            ++padding;
            ++count;
            continue;
        }
        const int value = Sextet(c);
        if (value < 0 || padding != 0) return StatusPemBadText;
        group = group << 6 | static_cast<std::uint32_t>(value);
        if (++count % 4 != 0) continue;
        if (capacity - written < 3) return StatusDerTooLarge;
        out[written++] = static_cast<std::uint8_t>(group >> 16);
        out[written++] = static_cast<std::uint8_t>(group >> 8);
        out[written++] = static_cast<std::uint8_t>(group);
        group = 0;
    }
    if (count == 0 || count % 4 != 0) return StatusPemBadText;
    if (padding != 0) {
        // The group's last 4 - padding characters: 2 (one byte) or 3 (two bytes).
        const std::uint32_t bits = (4 - padding) * 6;
        const std::uint32_t bytes = padding == 2 ? 1 : 2;
        if ((group & ((1u << (bits - 8 * bytes)) - 1)) != 0) return StatusPemBadText;
        if (capacity - written < bytes) return StatusDerTooLarge;
        group >>= bits - 8 * bytes;
        for (std::uint32_t i = bytes; i > 0; --i) {
            out[written++] = static_cast<std::uint8_t>(group >> (8 * (i - 1)));
        }
    }
    *outLength = written;
    return StatusOk;
}

}  // namespace

int PemDecode(const std::uint8_t* text, std::uint32_t length, const char* label,
              std::uint8_t* out, std::uint32_t capacity, std::uint32_t* outLength) {
    Cursor at{text, text != nullptr ? length : 0, 0};
    SkipBlanks(&at);
    const bool lineStart = at.position == 0 || at.text[at.position - 1] == '\n';
    if (!TakeBoundary(&at, "BEGIN", label)) return StatusPemNoBlock;
    if (!lineStart) return StatusPemBadText;
    while (at.position < at.length && (at.text[at.position] == ' ' || at.text[at.position] == '\t'))
        ++at.position;
    if (!Take(&at, "\n") && !Take(&at, "\r\n")) return StatusPemBadText;

    std::uint32_t decoded = 0;
    const int status = DecodeBase64(&at, out, capacity, &decoded);
    if (status != StatusOk) return status;
    if (at.position == at.length) return StatusPemNoBlock;
    if (at.text[at.position - 1] != '\n' || !TakeBoundary(&at, "END", label)) {
        return StatusPemBadText;
    }
    SkipBlanks(&at);
    if (at.position != at.length) return StatusPemBadText;
    *outLength = decoded;
    return StatusOk;
}

}  // namespace cerrojo
