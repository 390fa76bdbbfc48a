// Windows-1252 <-> UTF-8, checked against the C library's iconv converter.
#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <string>

#include "text/cp1252.h"

namespace {

using petitora::Cp1252ToUtf8;
using petitora::Utf8ToCp1252;
using petitora::operator""_cp1252;

// iconv's opinion of one conversion; nothing when it refuses.
std::optional<std::string> Iconv(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string inCopy = in;
    char* inPtr = inCopy.data();
    std::size_t inLeft = inCopy.size();
    std::string out(in.size() * 4 + 4, '\0');
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

bool IsUndefinedByte(int b) {
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

TEST(Cp1252, EveryDefinedByteMatchesIconvBothWays) {
    ASSERT_TRUE(Iconv("UTF-8", "CP1252", "A").has_value()) << "iconv lacks CP1252";
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = Cp1252ToUtf8(byte);
        if (IsUndefinedByte(b)) {
            // No character in Windows-1252: kept as the C1 control of the same value.
            EXPECT_EQ(utf8, std::string({static_cast<char>(0xC2), static_cast<char>(b)})) << b;
        } else {
            const auto expected = Iconv("UTF-8", "CP1252", byte);
            ASSERT_TRUE(expected.has_value()) << b;
            EXPECT_EQ(utf8, *expected) << "byte " << b;
        }
        EXPECT_EQ(Utf8ToCp1252(utf8), byte) << "round trip of byte " << b;
    }
}

TEST(Cp1252, RefusesWhatWindows1252CannotHold) {
    // C1 controls whose bytes mean other characters, and characters outside the set.
    for (const char* utf8 : {"\xC2\x80", "\xC2\x9F", "\xC4\x80" /* U+0100 */, "\xE2\x82\xAD",
                             "\xF0\x9F\x98\x80" /* emoji */, "\xE4\xB8\xAD"}) {
        EXPECT_FALSE(Utf8ToCp1252(utf8).has_value()) << utf8;
        EXPECT_FALSE(Iconv("CP1252", "UTF-8", utf8).has_value()) << utf8;
    }
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC"), std::string("\x80"));  // euro sign
}

TEST(Cp1252, RefusesMalformedUtf8) {
    for (const char* bad : {"\x80", "\xC3", "\xC3\x28", "\xC0\xA1", "\xC1\xBF", "\xE0\x80\xA1",
                            "\xED\xA0\x80" /* surrogate */, "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",
                            "\xFF", "ok\xE2\x82"}) {
        EXPECT_FALSE(Utf8ToCp1252(bad).has_value()) << petitora::Cp1252ToUtf8(bad);
    }
}

TEST(Cp1252, TextsKeepTheirBytes) {
    EXPECT_EQ(Utf8ToCp1252("EDO. DE M\xC3\x89XICO"), std::string("EDO. DE M\xC9XICO"));
    // Converted by the compiler: the same bytes, the high table included.
    EXPECT_STREQ("EDO. DE MÉXICO €ž"_cp1252, "EDO. DE M\xC9XICO \x80\x9E");
    EXPECT_EQ(Utf8ToCp1252(""), std::string());
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(Utf8ToCp1252(withNul), withNul);
    EXPECT_EQ(Cp1252ToUtf8(withNul), withNul);
}

}  // namespace
