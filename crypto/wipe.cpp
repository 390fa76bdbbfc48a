#include "crypto/common.h"

namespace cerrojo {

void SecureWipe(void* p, std::size_t len) {
    volatile std::uint8_t* bytes = static_cast<volatile std::uint8_t*>(p);
    for (std::size_t i = 0; i < len; ++i) bytes[i] = 0;
}

// Out of line, so that the area lies below the frame of the caller.
[[gnu::noinline]] void SecureWipeStack() {
    std::uint8_t area[kStackWipeSize];
    SecureWipe(area, sizeof(area));
}

}  // namespace cerrojo
