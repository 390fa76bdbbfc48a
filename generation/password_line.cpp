#include "generation/password_line.h"

#include <unistd.h>

#include <cerrno>

namespace petitora {

PasswordLineStatus ReadPasswordLine(int fd, char* out, std::size_t capacity, std::size_t* length) {
    *length = 0;
    // A CR is held back until the next byte says whether it ends the line.
    bool heldReturn = false;
    const auto store = [&](char c) {
        if (*length == capacity) return false;
        out[(*length)++] = c;
        return true;
    };
    for (;;) {
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return PasswordLineStatus::ReadError;
        if (n == 0 || c == '\n') {
            if (n == 0 && heldReturn && !store('\r')) return PasswordLineStatus::TooLong;
            return PasswordLineStatus::Ok;
        }
        if (heldReturn && !store('\r')) return PasswordLineStatus::TooLong;
        heldReturn = c == '\r';
        if (!heldReturn && !store(c)) return PasswordLineStatus::TooLong;
    }
}

}  // namespace petitora
