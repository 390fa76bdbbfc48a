#include "text/cp1252.h"

#include <cstdint>

namespace petitora {
namespace {

constexpr const char32_t (&kHighControls)[32] = kCp1252HighCodePoints;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {  // every code point of the table is below U+10000
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one well-formed UTF-8 sequence at s[*pos], advancing *pos.
// Returns false on any malformed input.
bool DecodeUtf8(std::string_view s, std::size_t* pos, char32_t* cp) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byteAt(*pos);
    std::size_t extra;
    char32_t value;
    char32_t minimum;
    if (lead < 0x80) {
        *cp = lead;
        ++*pos;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        return false;  // continuation byte, C0/C1 overlong lead, or F5..FF
    }
    if (s.size() - *pos - 1 < extra) return false;
    for (std::size_t i = 1; i <= extra; ++i) {
        const unsigned char b = byteAt(*pos + i);
        if ((b & 0xC0) != 0x80) return false;
        value = (value << 6) | (b & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return false;
    }
    *cp = value;
    *pos += extra + 1;
    return true;
}

}  // namespace

char32_t Cp1252ToCodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

std::optional<unsigned char> CodePointToCp1252(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<unsigned char>(codePoint);
    }
    for (unsigned i = 0; i < 32; ++i) {
        if (kHighControls[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
    }
    return std::nullopt;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() * 2);
    for (char c : cp1252) AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8) {
    std::string out(utf8.size(), '\0');
    const std::optional<std::size_t> length = Utf8ToCp1252(utf8, out.data());
    if (!length) return std::nullopt;
    out.resize(*length);
    return out;
}

std::optional<std::size_t> Utf8ToCp1252(std::string_view utf8, char* out) {
    std::size_t pos = 0;
    std::size_t length = 0;
    while (pos < utf8.size()) {
        char32_t cp;
        if (!DecodeUtf8(utf8, &pos, &cp)) return std::nullopt;
        const std::optional<unsigned char> byte = CodePointToCp1252(cp);
        if (!byte) return std::nullopt;
        out[length++] = static_cast<char>(*byte);
    }
    return length;
}

}  // namespace petitora
