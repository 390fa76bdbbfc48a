#include "generation/entropy.h"

#include <sys/random.h>

#include <cerrno>

#include "crypto/common.h"

namespace petitora {

EntropyCollection::EntropyCollection(cerrojo::RandomPool* pool, std::uint32_t requiredEvents)
    : pool_(pool), requiredEvents_(requiredEvents) {}

std::uint32_t EntropyCollection::SeedValue(std::uint32_t eventCount, std::int32_t x,
                                           std::int32_t y) {
    return eventCount + 1000u * static_cast<std::uint32_t>(x) + static_cast<std::uint32_t>(y);
}

bool EntropyCollection::OnMouseMove(std::int32_t x, std::int32_t y) {
    if (Complete()) return false;
    const std::uint32_t value = SeedValue(eventCount_, x, y);
    std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    cerrojo::RandomUpdate(pool_, bytes, sizeof bytes);
    cerrojo::SecureWipeObject(bytes);
    ++eventCount_;
    return eventCount_ == requiredEvents_;
}

int EntropyCollection::ProgressMaximum() const {
    return static_cast<std::uint16_t>(requiredEvents_ / 10);
}

bool EntropyCollection::ProgressChanged() const {
    return eventCount_ != 0 && eventCount_ % 10 == 0;
}

int EntropyCollection::ProgressPosition() const {
    return static_cast<int>(eventCount_ / 10);
}

// kSystemSeedBytes bytes of the operating system's random source into the pool.
bool FeedSystemEntropy(cerrojo::RandomPool* pool) {
    std::uint8_t bytes[kSystemSeedBytes];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            cerrojo::SecureWipeObject(bytes);
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    cerrojo::RandomUpdate(pool, bytes, sizeof bytes);
    cerrojo::SecureWipeObject(bytes);
    return true;
}

}  // namespace petitora
