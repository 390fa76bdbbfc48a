// Helpers shared by the two file builders (not part of the library's API).
#pragma once

#include <cstdint>

#include "crypto/common.h"

namespace cerrojo::detail {

// A span over a fixed-width field of a key record; the encoders only read it.
inline ByteSpan Field(const std::uint8_t* field, std::uint32_t length) {
    return ByteSpan{const_cast<std::uint8_t*>(field), length};
}

// Frees a heap work area of size bytes after wiping it; null is ignored.
inline void ReleaseArea(std::uint8_t* area, std::uint32_t size) {
    if (area == nullptr) return;
    SecureWipe(area, size);
    delete[] area;
}

}  // namespace cerrojo::detail
