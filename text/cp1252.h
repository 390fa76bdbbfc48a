// Conversion between UTF-8 and Windows-1252 (the single-byte text of every
// record and file of this program).
//
// Windows-1252 leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined; like the
// Windows converters, they are mapped to and from the C1 controls U+0081,
// U+008D, U+008F, U+0090, U+009D, so every byte string survives a round trip.
// All other code points U+0080..U+009F have no Windows-1252 byte (their bytes
// mean other characters) and are refused.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace petitora {

// Code points of the bytes 0x80..0x9F; the undefined bytes map to the C1
// control of the same value.
inline constexpr char32_t kCp1252HighCodePoints[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// A text of a constant table written in UTF-8 in the source and held as its
// Windows-1252 bytes, converted by the compiler: "Razón"_cp1252 is a
// const char* to "Raz\xF3n". Text that is not UTF-8 of characters up to
// U+FFFF that Windows-1252 holds does not compile.
template <std::size_t N>
struct Cp1252Literal {
    char bytes[N] = {};

    consteval Cp1252Literal(const char (&utf8)[N]) {
        std::size_t out = 0;
        for (std::size_t i = 0; i + 1 < N;) {
            const auto at = [&](std::size_t k) {
                if (k + 1 >= N || (static_cast<unsigned char>(utf8[k]) & 0xC0) != 0x80) {
                    throw "not UTF-8";
                }
                return static_cast<char32_t>(utf8[k] & 0x3F);
            };
            const auto lead = static_cast<unsigned char>(utf8[i]);
            char32_t cp;
            if (lead < 0x80) {
                cp = lead, i += 1;
            } else if (lead >= 0xC2 && lead < 0xE0) {
                cp = ((lead & 0x1Fu) << 6) | at(i + 1), i += 2;
            } else if (lead >= 0xE0 && lead < 0xF0) {
                cp = ((lead & 0x0Fu) << 12) | (at(i + 1) << 6) | at(i + 2), i += 3;
                if (cp < 0x800) throw "overlong UTF-8";
            } else {
                throw "not UTF-8 of a Windows-1252 character";
            }
            int byte = cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF) ? static_cast<int>(cp) : -1;
            for (int k = 0; k < 32 && byte < 0; ++k) {
                if (kCp1252HighCodePoints[k] == cp) byte = 0x80 + k;
            }
            if (byte < 0) throw "no Windows-1252 byte";
            bytes[out++] = static_cast<char>(byte);
        }
    }
};

template <Cp1252Literal text>
constexpr const char* operator""_cp1252() {
    return text.bytes;
}

// Windows-1252 bytes -> UTF-8. Never fails: every byte has a code point.
std::string Cp1252ToUtf8(std::string_view cp1252);

// UTF-8 -> Windows-1252 bytes. Returns nothing when the input is not
// well-formed UTF-8 (overlong forms, surrogates, truncated or stray
// continuation bytes, values above U+10FFFF) or holds a character that
// Windows-1252 cannot represent.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// The same into caller storage of at least utf8.size() bytes (for secrets,
// which must not pass through storage the caller cannot wipe). Returns the
// number of bytes written, or nothing; on failure out may hold a part.
std::optional<std::size_t> Utf8ToCp1252(std::string_view utf8, char* out);

// Code point of one Windows-1252 byte.
char32_t Cp1252ToCodePoint(unsigned char byte);

// Windows-1252 byte of a code point, or nothing if it has none.
std::optional<unsigned char> CodePointToCp1252(char32_t codePoint);

}  // namespace petitora
