#include <gtest/gtest.h>

#include "crypto/common.h"

namespace {

TEST(SecureWipe, ClearsExactlyTheGivenRange) {
    std::uint8_t buffer[32];
    for (auto& b : buffer) b = 0xA5;
    cerrojo::SecureWipe(buffer + 4, 20);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(buffer[i], (i >= 4 && i < 24) ? 0 : 0xA5) << i;
    cerrojo::SecureWipe(nullptr, 0);  // a zero length touches nothing
}

}  // namespace
