// Conversion between UTF-8 and Windows-1252 (the single-byte text of every
// record and file of this program).
//
// Windows-1252 leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined; like the
// Windows converters, they are mapped to and from the C1 controls U+0081,
// U+008D, U+008F, U+0090, U+009D, so every byte string survives a round trip.
// All other code points U+0080..U+009F have no Windows-1252 byte (their bytes
// mean other characters) and are refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace petitora {

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
