// The arithmetic of the mouse-entropy step, without the window.
#pragma once

#include <cstdint>

#include "crypto/random.h"

namespace petitora {

// Bytes of the operating system's random source that FeedSystemEntropy feeds.
inline constexpr std::uint32_t kSystemSeedBytes = 32;

// Feeds kSystemSeedBytes bytes of the operating system's random source to
// pool with RandomUpdate (the bytes are wiped). False when the system gives
// none; the pool is then unchanged.
bool FeedSystemEntropy(cerrojo::RandomPool* pool);

// Every mouse-move event over the entropy dialog feeds the four little-endian
// bytes of SeedValue(eventCount, x, y) to the pool with RandomUpdate, then
// counts the event. The pool is not owned and must outlive this object.
class EntropyCollection {
  public:
    EntropyCollection(cerrojo::RandomPool* pool, std::uint32_t requiredEvents);

    // eventCount + 1000 * x + y in 32-bit arithmetic that wraps; (x, y) in
    // pixels relative to the dialog's client area, eventCount the count before
    // this event.
    static std::uint32_t SeedValue(std::uint32_t eventCount, std::int32_t x, std::int32_t y);

    // Feeds and counts one event. Returns true when the count has just reached
    // requiredEvents (the dialog then closes itself with OK). Events after
    // that are ignored and return false.
    bool OnMouseMove(std::int32_t x, std::int32_t y);

    std::uint32_t RequiredEvents() const { return requiredEvents_; }
    std::uint32_t EventCount() const { return eventCount_; }
    bool Complete() const { return eventCount_ >= requiredEvents_; }

    // Progress bar range 0..ProgressMaximum() = requiredEvents / 10 (16-bit).
    int ProgressMaximum() const;
    // True when the last event made the count a multiple of 10: the bar then
    // moves to ProgressPosition() = eventCount / 10.
    bool ProgressChanged() const;
    int ProgressPosition() const;

    // More than 1,024 events: the dialog is moved and enlarged when it opens
    // (and again when Enter accepts early).
    bool UsesLargeGeometry() const { return requiredEvents_ > 1024; }

  private:
    cerrojo::RandomPool* pool_;
    std::uint32_t requiredEvents_;
    std::uint32_t eventCount_ = 0;
};

}  // namespace petitora
