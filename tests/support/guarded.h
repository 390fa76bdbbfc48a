// Test helper: caller storage with poisoned guard zones on both sides, so that
// a write outside the storage is caught at once in the sanitizer build and by
// the canary check in the normal build.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PETITORA_HAVE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define PETITORA_HAVE_ASAN 1
#endif
#ifdef PETITORA_HAVE_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace dertest {

class GuardedArea {
  public:
    static constexpr std::size_t kGuard = 64;
    static constexpr std::uint8_t kCanary = 0xC5;

    explicit GuardedArea(std::size_t size, std::uint8_t fill = 0xEE)
        : size_(size), block_(size + 2 * kGuard, kCanary) {
        std::memset(data(), fill, size_);
#ifdef PETITORA_HAVE_ASAN
        ASAN_POISON_MEMORY_REGION(block_.data(), kGuard);
        ASAN_POISON_MEMORY_REGION(block_.data() + kGuard + size_, kGuard);
#endif
    }
    ~GuardedArea() {
#ifdef PETITORA_HAVE_ASAN
        ASAN_UNPOISON_MEMORY_REGION(block_.data(), block_.size());
#endif
    }
    GuardedArea(const GuardedArea&) = delete;
    GuardedArea& operator=(const GuardedArea&) = delete;

    std::uint8_t* data() {
        return block_.data() + kGuard;
    }
    std::size_t size() const {
        return size_;
    }

    // True when no byte outside the storage was touched.
    bool GuardsIntact() {
#ifdef PETITORA_HAVE_ASAN
        ASAN_UNPOISON_MEMORY_REGION(block_.data(), block_.size());
#endif
        bool intact = true;
        for (std::size_t i = 0; i < kGuard; ++i) {
            if (block_[i] != kCanary || block_[kGuard + size_ + i] != kCanary) intact = false;
        }
#ifdef PETITORA_HAVE_ASAN
        ASAN_POISON_MEMORY_REGION(block_.data(), kGuard);
        ASAN_POISON_MEMORY_REGION(block_.data() + kGuard + size_, kGuard);
#endif
        return intact;
    }

  private:
    std::size_t size_;
    std::vector<std::uint8_t> block_;
};

}  // namespace dertest
