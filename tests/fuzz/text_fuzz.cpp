// Fuzz harness: what the boxes keep of typed text, and the conversions
// between Windows-1252 and UTF-8 at the dialogs' boundary.
//
// Properties: a box keeps at most its maximum; a digits box keeps the digits
// typed, in order; an upper-case box keeps each typed byte upper-cased (as
// the C library's Unicode tables have it) and typing its own result again
// changes nothing; other boxes keep the typed
// text cut to the maximum. Every Windows-1252 string survives the trip
// through UTF-8; a UTF-8 string is accepted only when converting the result
// back gives exactly the same bytes (so nothing malformed, overlong or out
// of range gets in).
//
// Input: a field number, then the text.
#include <clocale>
#include <cstdint>
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

#include "text/cp1252.h"
#include "capture/registrant.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"

namespace {

using petitora::Field;
using petitora::InputRule;

// Upper case of a Windows-1252 byte by the C library's Unicode tables: the
// byte of the upper-case letter when Windows-1252 has it, else the byte.
char Upper(char c) {
    static const bool unicode = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    FUZZ_CHECK(unicode);
    const char32_t cp = petitora::Cp1252ToCodePoint(static_cast<unsigned char>(c));
    const auto upper = static_cast<char32_t>(std::towupper(static_cast<wint_t>(cp)));
    const std::optional<unsigned char> byte = petitora::CodePointToCp1252(upper);
    return byte.has_value() ? static_cast<char>(*byte) : c;
}

void CheckFilter(Field field, const std::string& typed) {
    const std::string kept = petitora::FilterInput(field, typed);
    const petitora::FieldInfo* info = petitora::FindField(field);
    if (info == nullptr || !info->isText) {  // no box of its own: nothing to filter
        FUZZ_CHECK(kept == typed);
        return;
    }
    FUZZ_CHECK(kept.size() <= info->maxLength);
    std::string expected;
    for (char c : typed) {
        if (expected.size() == info->maxLength) break;
        if (info->rule == InputRule::Digits) {
            if (c >= '0' && c <= '9') expected += c;
        } else if (info->rule == InputRule::UpperCase) {
            expected += Upper(c);
        } else {
            expected += c;
        }
    }
    FUZZ_CHECK(kept == expected);
    FUZZ_CHECK(petitora::FilterInput(field, kept) == kept);
    if (info->rule == InputRule::UpperCase) {
        for (char c : kept) {
            FUZZ_CHECK(!(c >= 'a' && c <= 'z'));
            FUZZ_CHECK(petitora::ToUpperCp1252(c) == c);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::FuzzInput in(data, size);
    const int fieldNumber = static_cast<int>(in.Byte()) - 2;  // -2..253: known and unknown fields
    const std::vector<std::uint8_t> rest = in.Rest();
    const std::string text(rest.begin(), rest.end());

    static const bool everyByte = [] {  // once: each single byte in an upper-case box
        for (int b = 0; b < 256; ++b)
            CheckFilter(Field::RfcLetters, std::string(1, static_cast<char>(b)));
        return true;
    }();
    FUZZ_CHECK(everyByte);
    CheckFilter(static_cast<Field>(fieldNumber), text);
    for (int f = 1; f < petitora::kFieldCount; ++f) CheckFilter(static_cast<Field>(f), text);

    // Windows-1252 -> UTF-8 -> Windows-1252 is the identity.
    const std::string utf8 = petitora::Cp1252ToUtf8(text);
    const std::optional<std::string> back = petitora::Utf8ToCp1252(utf8);
    FUZZ_CHECK(back.has_value() && *back == text);

    // The text read as UTF-8: accepted only if it comes back byte for byte.
    const std::optional<std::string> bytes = petitora::Utf8ToCp1252(text);
    if (bytes.has_value()) {
        FUZZ_CHECK(bytes->size() <= text.size());
        FUZZ_CHECK(petitora::Cp1252ToUtf8(*bytes) == text);
    }

    // One byte and one code point, both ways.
    for (std::size_t i = 0; i < text.size() && i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const char32_t cp = petitora::Cp1252ToCodePoint(byte);
        FUZZ_CHECK(petitora::CodePointToCp1252(cp) == byte);
    }
    if (text.size() >= 3) {
        const char32_t cp =
            (static_cast<char32_t>(static_cast<unsigned char>(text[0])) << 16 |
             static_cast<unsigned char>(text[1]) << 8 | static_cast<unsigned char>(text[2])) %
            0x110000;
        const std::optional<unsigned char> byte = petitora::CodePointToCp1252(cp);
        if (byte.has_value()) FUZZ_CHECK(petitora::Cp1252ToCodePoint(*byte) == cp);
    }
    return 0;
}
