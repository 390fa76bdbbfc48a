// The texts' tables in Windows-1252, and values put into a text.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "text/catalogue.h"

namespace {

using petitora::Catalogue;
using petitora::Format;

enum class Sample : int { Plain, Accented, Euro, NoByte, Malformed, Count };

constexpr const char* kSample[] = {"Error", "Más, véz ñ", "€ 1", "Ā", "\xE1"};

TEST(Catalogue, HoldsEachTextInWindows1252) {
    const Catalogue<Sample> texts(kSample);
    EXPECT_STREQ(texts[Sample::Plain], "Error");
    EXPECT_STREQ(texts[Sample::Accented], "M\xE1s, v\xE9z \xF1");
    EXPECT_STREQ(texts[Sample::Euro], "\x80 1");
    // What has no Windows-1252 form reads as nothing, as does an id outside the table.
    EXPECT_STREQ(texts[Sample::NoByte], "");
    EXPECT_STREQ(texts[Sample::Malformed], "");
    EXPECT_STREQ(texts[Sample::Count], "");
    EXPECT_STREQ(texts[static_cast<Sample>(-1)], "");
}

TEST(Catalogue, FormatPutsEachValueInItsPlace) {
    const std::pair<std::string, std::string> cases[] = {
        // {made, expected}
        {Format("Los archivos %1 y %2 ya existen.", {"a", "b"}), "Los archivos a y b ya existen."},
        {Format("%2 antes que %1", {"a", "b"}), "b antes que a"},
        // A value is never read again, whatever it holds.
        {Format("Los archivos %1 y %2.", {"%2", "%1%s"}), "Los archivos %2 y %1%s."},
        // Without a value for it, a place stays as it is, and so does any other "%".
        {Format("%1 y %2", {"a"}), "a y %2"},
        {Format("100% %s %0 %a %", {"a"}), "100% %s %0 %a %"},
        {Format("%1%1", {"ab"}), "abab"},
    };
    for (const auto& [made, expected] : cases) EXPECT_EQ(made, expected);
}

}  // namespace
