#include "crypto/common.h"

namespace cerrojo {

void SecureWipe(void* p, std::size_t len) {
    volatile std::uint8_t* bytes = static_cast<volatile std::uint8_t*>(p);
    for (std::size_t i = 0; i < len; ++i) bytes[i] = 0;
}

}  // namespace cerrojo
