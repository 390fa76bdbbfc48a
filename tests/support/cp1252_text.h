// Windows-1252 texts written in UTF-8 in the tests, and back for messages.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "text/cp1252.h"

namespace testsupport {

// Windows-1252 bytes of a UTF-8 literal; fails the test if it has none.
inline std::string W(const std::string& utf8) {
    const auto bytes = petitora::Utf8ToCp1252(utf8);
    EXPECT_TRUE(bytes.has_value()) << "not representable: " << utf8;
    return bytes.value_or(std::string());
}

// Readable form of Windows-1252 bytes for failure messages.
inline std::string U(const std::string& cp1252) {
    return petitora::Cp1252ToUtf8(cp1252);
}

}  // namespace testsupport
