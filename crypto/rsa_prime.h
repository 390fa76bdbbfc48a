// Cerrojo internal: the probable-prime test and the prime search behind RSA
// key-pair generation. Exposed for the library's own tests only.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/bignum.h"
#include "crypto/random.h"

namespace cerrojo::internal {

// The odd primes 3..8,191 in ascending order, followed by a terminating 0.
inline constexpr unsigned kSmallPrimeCount = 1027;
extern const std::array<std::uint16_t, kSmallPrimeCount + 1> kSmallPrimes;

// Probable-prime test of a over digits digits:
//  1. trial division by each table prime in ascending order; a one-digit a
//     equal to the table prime skips the rest of the trial division;
//  2. Fermat tests b^a mod a == b for b = 2, 3, 5, in that order.
// True when a passes both. The array that held the last power is wiped.
bool ProbablePrime(const Digit* a, unsigned digits);

// Prime search over [low, high] with step 2: draws 4 * digits bytes from the
// pool for a random start, makes it odd and inside the range, then tests
// candidates upward until one is a probable prime. Returns 0 (a holds it),
// the pool's status unchanged, or StatusBadData when a failing candidate is
// above high - 2. The small primes' remainders are carried from one
// candidate to the next, which gives the same verdicts as dividing afresh.
// a, low and high have digits digits; a must not alias low or high.
int FindPrime(Digit* a, const Digit* low, const Digit* high, unsigned digits, RandomPool* pool);

}  // namespace cerrojo::internal
