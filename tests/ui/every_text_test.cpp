// Every table of texts, walked once: each text has its Windows-1252 bytes and
// marks its values only as "%1".."%9". Here because only the desktop's tests
// link every layer.
#include <gtest/gtest.h>

#include <string>

#include "capture/texts.h"
#include "generation/texts.h"
#include "ui/program_texts.h"
#include "verification/verification_texts.h"

namespace {

template <typename Id>
void ExpectEveryText(const char* table) {
    for (int id = 0; id < static_cast<int>(Id::Count); ++id) {
        const std::string text = petitora::Text(static_cast<Id>(id));
        EXPECT_FALSE(text.empty()) << table << " text " << id << " has no Windows-1252 form";
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            EXPECT_TRUE(text[i] != '%' || (next >= '1' && next <= '9')) << table << " text " << id;
        }
    }
}

TEST(Texts, EveryTableHoldsWindows1252AndOnePlaceholderStyle) {
    ExpectEveryText<petitora::CaptureText>("capture");
    ExpectEveryText<petitora::GenerationText>("generation");
    ExpectEveryText<petitora::VerifyText>("verification");
    ExpectEveryText<petitora::UiText>("ui");
}

}  // namespace
