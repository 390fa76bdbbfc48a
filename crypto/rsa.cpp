// Cerrojo RSA: prime search, key-pair generation and the CRT private-key
// operation with the PKCS#1 v1.5 type-1 block.
#include "crypto/rsa.h"

#include <array>

#include "crypto/bignum.h"
#include "crypto/rsa_prime.h"

namespace cerrojo {

namespace internal {

namespace {

constexpr unsigned kSmallPrimeLimit = 8191;

constexpr std::array<std::uint16_t, kSmallPrimeCount + 1> MakeSmallPrimes() {
    std::array<bool, kSmallPrimeLimit + 1> composite{};
    std::array<std::uint16_t, kSmallPrimeCount + 1> primes{};
    unsigned count = 0;
    for (unsigned n = 3; n <= kSmallPrimeLimit; n += 2) {
        if (composite[n]) continue;
        if (count < kSmallPrimeCount) primes[count] = static_cast<std::uint16_t>(n);
        ++count;
        for (unsigned m = n * n; m <= kSmallPrimeLimit; m += 2 * n) composite[m] = true;
    }
    // a wrong count leaves a zero inside the table or overwrites the end marker
    primes[kSmallPrimeCount] = count == kSmallPrimeCount ? 0 : 1;
    return primes;
}

}  // namespace

constexpr std::array<std::uint16_t, kSmallPrimeCount + 1> kSmallPrimes = MakeSmallPrimes();
static_assert(kSmallPrimes[0] == 3 && kSmallPrimes[kSmallPrimeCount - 1] == kSmallPrimeLimit &&
              kSmallPrimes[kSmallPrimeCount] == 0);

namespace {

constexpr const std::array<std::uint16_t, kSmallPrimeCount + 1>& kPrimeTable = kSmallPrimes;

constexpr Digit kStep = 2;

// a mod p over digits, p a small prime.
std::uint16_t SmallRemainder(const Digit* a, unsigned digits, std::uint16_t p) {
    std::uint64_t r = 0;
    for (unsigned i = digits; i-- > 0;) r = ((r << 32) | a[i]) % p;
    return static_cast<std::uint16_t>(r);
}

// Fermat tests b^a == b (mod a) to the bases 2, 3 and 5.
bool PassesFermat(const Digit* a, unsigned digits) {
    Digit base[kMaxDigits], power[kMaxDigits];
    bool passes = true;
    for (Digit b : {2u, 3u, 5u}) {
        BnAssignZero(base, digits);
        base[0] = b;
        BnModExp(power, base, a, digits, a, digits);
        if (BnCmp(power, base, digits) != 0) {
            passes = false;
            break;
        }
    }
    SecureWipeObject(power);
    return passes;
}

}  // namespace

bool ProbablePrime(const Digit* a, unsigned digits) {
    const bool oneDigit = BnDigits(a, digits) == 1;
    for (unsigned i = 0; kPrimeTable[i] != 0; ++i) {
        const std::uint16_t p = kPrimeTable[i];
        if (oneDigit && a[0] == p) break;
        if (SmallRemainder(a, digits, p) == 0) return false;
    }
    return PassesFermat(a, digits);
}

int FindPrime(Digit* a, const Digit* low, const Digit* high, unsigned digits, RandomPool* pool) {
    std::uint8_t bytes[4 * kMaxDigits];
    const int status = RandomGenerate(bytes, 4 * digits, pool);
    if (status != StatusOk) return status;
    BnDecode(a, digits, bytes, 4 * digits);
    SecureWipe(bytes, 4 * digits);

    // a := (a mod (high - low + 1)) + low
    Digit t[kMaxDigits], u[kMaxDigits];
    BnAssignZero(u, digits);
    u[0] = 1;
    BnSub(t, high, low, digits);
    BnAdd(t, t, u, digits);
    BnMod(a, a, digits, t, digits);
    BnAdd(a, a, low, digits);

    // a := a - (a mod step) + 1, then back inside [low, high]
    u[0] = kStep;
    BnMod(t, a, digits, u, digits);
    BnSub(a, a, t, digits);
    u[0] = 1;
    BnAdd(a, a, u, digits);
    u[0] = kStep;
    if (BnCmp(a, low, digits) < 0) BnAdd(a, a, u, digits);
    if (BnCmp(a, high, digits) > 0) BnSub(a, a, u, digits);

    Digit limit[kMaxDigits];
    BnSub(limit, high, u, digits);

    // Remainders of the candidate by every table prime, stepped along with it.
    std::uint16_t remainder[kSmallPrimeCount];
    for (unsigned i = 0; i < kSmallPrimeCount; ++i)
        remainder[i] = SmallRemainder(a, digits, kPrimeTable[i]);

    int result;
    for (;;) {
        bool candidate;
        if (BnDigits(a, digits) == 1) {
            candidate = ProbablePrime(a, digits);  // the one-digit rule applies
        } else {
            bool divisible = false;
            for (unsigned i = 0; i < kSmallPrimeCount; ++i) divisible |= remainder[i] == 0;
            candidate = !divisible && PassesFermat(a, digits);
        }
        if (candidate) {
            result = StatusOk;
            break;
        }
        if (BnCmp(a, limit, digits) > 0) {
            result = StatusBadData;
            break;
        }
        BnAdd(a, a, u, digits);
        for (unsigned i = 0; i < kSmallPrimeCount; ++i) {
            const std::uint16_t p = kPrimeTable[i];
            std::uint16_t r = static_cast<std::uint16_t>(remainder[i] + kStep);
            remainder[i] = r >= p ? static_cast<std::uint16_t>(r - p) : r;
        }
    }
    SecureWipeObject(remainder);
    SecureWipeObject(t);
    return result;
}

}  // namespace internal

namespace {

// The search for one prime of bits bits whose p - 1 is prime to e.
int GeneratePrime(Digit* p, unsigned bits, const Digit* e, unsigned digits, RandomPool* pool) {
    Digit low[kMaxDigits], high[kMaxDigits], t[kMaxDigits], g[kMaxDigits], one[kMaxDigits];
    // low := 3 * 2^(bits - 2), high := 2^bits - 1 (0 - 1 when 2^bits does not fit)
    BnAssign2Exp(low, bits - 1, digits);
    BnAssign2Exp(t, bits - 2, digits);
    BnAdd(low, low, t, digits);
    BnAssign2Exp(high, bits, digits);
    BnAssignZero(one, digits);
    one[0] = 1;
    BnSub(high, high, one, digits);
    int status;
    for (;;) {
        status = internal::FindPrime(p, low, high, digits, pool);
        if (status != StatusOk) break;
        BnSub(t, p, one, digits);
        BnGcd(g, t, e, digits);
        if (BnCmp(g, one, digits) == 0) break;
    }
    SecureWipeObject(t);
    SecureWipeObject(g);
    return status;
}

}  // namespace

int RsaGenerateKeyPair(RsaPublicKey* publicKey, RsaPrivateKey* privateKey,
                       const KeyGenParams* params, RandomPool* pool) {
    const std::uint32_t bits = params->bits;
    if (bits < kMinRsaBits || bits > kMaxRsaBits) return StatusBadModulusSize;
    const unsigned nDigits = (bits + 31) / 32;
    const unsigned pBits = (bits + 1) / 2;
    const unsigned qBits = bits - pBits;
    const unsigned pDigits = (nDigits + 1) / 2;

    Digit e[kMaxDigits];
    BnAssignZero(e, kMaxDigits);
    e[0] = params->useExponent65537 != 0 ? 65537 : 3;

    Digit p[kMaxDigits], q[kMaxDigits];
    int status = GeneratePrime(p, pBits, e, pDigits, pool);
    if (status == StatusOk) status = GeneratePrime(q, qBits, e, pDigits, pool);
    if (status != StatusOk) {
        SecureWipeObject(p);
        SecureWipeObject(q);
        SecureWipeStack();
        return status;
    }
    if (BnCmp(p, q, pDigits) < 0) {
        Digit t[kMaxDigits];
        BnAssign(t, p, pDigits);
        BnAssign(p, q, pDigits);
        BnAssign(q, t, pDigits);
        SecureWipeObject(t);
    }

    Digit n[kMaxDigits], one[kMaxDigits], pMinus1[kMaxDigits], qMinus1[kMaxDigits];
    Digit phi[kMaxDigits], d[kMaxDigits], dP[kMaxDigits], dQ[kMaxDigits], qInv[kMaxDigits];
    BnAssignZero(n, kMaxDigits);
    BnAssignZero(phi, kMaxDigits);
    BnMult(n, p, q, pDigits);
    BnModInv(qInv, q, p, pDigits);
    BnAssignZero(one, pDigits);
    one[0] = 1;
    BnSub(pMinus1, p, one, pDigits);
    BnSub(qMinus1, q, one, pDigits);
    BnMult(phi, pMinus1, qMinus1, pDigits);
    BnModInv(d, e, phi, nDigits);
    BnMod(dP, d, nDigits, pMinus1, pDigits);
    BnMod(dQ, d, nDigits, qMinus1, pDigits);

    publicKey->bits = static_cast<std::uint16_t>(bits);
    BnEncode(publicKey->modulus, sizeof(publicKey->modulus), n, nDigits);
    BnEncode(publicKey->publicExponent, sizeof(publicKey->publicExponent), e, 1);
    privateKey->bits = publicKey->bits;
    for (unsigned i = 0; i < kMaxRsaModulusLen; ++i) {
        privateKey->modulus[i] = publicKey->modulus[i];
        privateKey->publicExponent[i] = publicKey->publicExponent[i];
    }
    BnEncode(privateKey->privateExponent, sizeof(privateKey->privateExponent), d, nDigits);
    BnEncode(privateKey->prime1, sizeof(privateKey->prime1), p, pDigits);
    BnEncode(privateKey->prime2, sizeof(privateKey->prime2), q, pDigits);
    BnEncode(privateKey->exponent1, sizeof(privateKey->exponent1), dP, pDigits);
    BnEncode(privateKey->exponent2, sizeof(privateKey->exponent2), dQ, pDigits);
    BnEncode(privateKey->coefficient, sizeof(privateKey->coefficient), qInv, pDigits);

    SecureWipeObject(d);
    SecureWipeObject(dP);
    SecureWipeObject(dQ);
    SecureWipeObject(p);
    SecureWipeObject(q);
    SecureWipeObject(pMinus1);
    SecureWipeObject(qMinus1);
    SecureWipeObject(phi);
    SecureWipeObject(qInv);
    SecureWipeStack();
    return StatusOk;
}

namespace {

// The modulus and the CRT numbers of a private key, each into a kMaxDigits array.
void DecodeCrtNumbers(const RsaPrivateKey* key, Digit* n, Digit* p, Digit* q, Digit* dP, Digit* dQ,
                      Digit* qInv) {
    BnDecode(n, kMaxDigits, key->modulus, sizeof(key->modulus));
    BnDecode(p, kMaxDigits, key->prime1, sizeof(key->prime1));
    BnDecode(q, kMaxDigits, key->prime2, sizeof(key->prime2));
    BnDecode(dP, kMaxDigits, key->exponent1, sizeof(key->exponent1));
    BnDecode(dQ, kMaxDigits, key->exponent2, sizeof(key->exponent2));
    BnDecode(qInv, kMaxDigits, key->coefficient, sizeof(key->coefficient));
}

// The bit length of a number of digits significant digits (0 for zero).
unsigned BitLength(const Digit* a, unsigned digits) {
    return digits == 0 ? 0 : (digits - 1) * kDigitBits + BnDigitBits(a[digits - 1]);
}

}  // namespace

int RsaPrivateEncrypt(std::uint8_t* out, std::uint32_t* outLen, const std::uint8_t* in,
                      std::uint32_t inLen, const RsaPrivateKey* privateKey) {
    if (privateKey->bits > kMaxRsaBits) return StatusBadLength;  // the block would not fit
    const std::uint32_t k = (privateKey->bits + 7u) / 8u;
    if (k < 11 || inLen > k - 11) return StatusBadLength;

    // 00 01 FF..FF 00 data, at least 8 bytes of FF
    std::uint8_t block[kMaxRsaModulusLen];
    block[0] = 0x00;
    block[1] = 0x01;
    const std::uint32_t separator = k - inLen - 1;
    for (std::uint32_t i = 2; i < separator; ++i) block[i] = 0xFF;
    block[separator] = 0x00;
    for (std::uint32_t i = 0; i < inLen; ++i) block[separator + 1 + i] = in[i];

    const int status = RsaPrivateBlock(out, outLen, block, k, privateKey);
    SecureWipeObject(block);
    return status;
}

int RsaPrivateBlock(std::uint8_t* out, std::uint32_t* outLen, const std::uint8_t* in,
                    std::uint32_t inLen, const RsaPrivateKey* privateKey) {
    if (privateKey->bits > kMaxRsaBits) return StatusBadLength;  // the result would not fit
    // Bytes in front of the last 4 * kMaxDigits would be dropped by the
    // decoding: any non-zero one makes the block too large for any modulus.
    const std::uint32_t decodable = 4 * kMaxDigits;
    for (std::uint32_t i = 0; i + decodable < inLen; ++i)
        if (in[i] != 0) return StatusBadData;

    Digit c[kMaxDigits], n[kMaxDigits], p[kMaxDigits], q[kMaxDigits];
    Digit dP[kMaxDigits], dQ[kMaxDigits], qInv[kMaxDigits];
    Digit cP[kMaxDigits] = {}, cQ[kMaxDigits] = {}, mP[kMaxDigits] = {}, mQ[kMaxDigits] = {};
    Digit h[kMaxDigits] = {};
    const unsigned skip = inLen > decodable ? inLen - decodable : 0;
    BnDecode(c, kMaxDigits, in + skip, inLen - skip);
    DecodeCrtNumbers(privateKey, n, p, q, dP, dQ, qInv);
    const unsigned cDigits = BnDigits(c, kMaxDigits);
    const unsigned pDigits = BnDigits(p, kMaxDigits);
    const unsigned nDigits = BnDigits(n, kMaxDigits);

    int status = StatusOk;
    if (BnCmp(c, n, nDigits) >= 0 || cDigits > nDigits) {
        status = StatusBadData;
    } else {
        *outLen = (privateKey->bits + 7u) / 8u;
        BnMod(cP, c, cDigits, p, pDigits);
        BnMod(cQ, c, cDigits, q, pDigits);
        BnAssignZero(mP, nDigits);
        BnModExp(mP, cP, dP, pDigits, p, pDigits);
        BnAssignZero(mQ, nDigits);
        BnModExp(mQ, cQ, dQ, pDigits, q, pDigits);
        if (BnCmp(mP, mQ, pDigits) >= 0) {
            BnSub(h, mP, mQ, pDigits);
        } else {
            BnSub(h, mQ, mP, pDigits);
            BnSub(h, p, h, pDigits);
        }
        BnModMult(h, h, qInv, p, pDigits);
        BnMult(h, h, q, pDigits);
        BnAdd(h, h, mQ, nDigits);
        BnEncode(out, *outLen, h, nDigits);
    }
    SecureWipeObject(c);
    SecureWipeObject(cP);
    SecureWipeObject(cQ);
    SecureWipeObject(dP);
    SecureWipeObject(dQ);
    SecureWipeObject(mP);
    SecureWipeObject(mQ);
    SecureWipeObject(p);
    SecureWipeObject(q);
    SecureWipeObject(qInv);
    SecureWipeObject(h);
    SecureWipeStack();
    return status;
}

int RsaCheckPrivateKey(const RsaPrivateKey* privateKey) {
    constexpr unsigned kWide = kMaxRsaModulusLen / 4;  // n, e, d
    constexpr unsigned kHalf = kMaxRsaPrimeLen / 4;    // p, q and the CRT values
    const std::uint32_t bits = privateKey->bits;
    if (bits == 0 || bits > kMaxRsaBits) return StatusBadLength;

    Digit n[kMaxDigits], e[kMaxDigits], d[kMaxDigits], p[kMaxDigits], q[kMaxDigits];
    Digit dP[kMaxDigits], dQ[kMaxDigits], qInv[kMaxDigits], one[kMaxDigits] = {};
    Digit pMinus1[kMaxDigits], qMinus1[kMaxDigits], g[kMaxDigits], t[kMaxDigits] = {};
    Digit wide[2 * kMaxDigits] = {}, lambda[2 * kMaxDigits] = {};
    DecodeCrtNumbers(privateKey, n, p, q, dP, dQ, qInv);
    BnDecode(e, kMaxDigits, privateKey->publicExponent, sizeof(privateKey->publicExponent));
    BnDecode(d, kMaxDigits, privateKey->privateExponent, sizeof(privateKey->privateExponent));
    one[0] = 1;

    const unsigned nDigits = BnDigits(n, kMaxDigits);
    int status = BitLength(n, nDigits) == bits ? StatusBadData : StatusBadLength;
    do {
        if (status == StatusBadLength) break;
        if (BnCmp(p, one, kHalf) <= 0 || BnCmp(q, one, kHalf) <= 0 || BnCmp(p, q, kHalf) == 0 ||
            BnCmp(e, one, kWide) <= 0) {
            break;
        }
        BnMult(wide, p, q, kHalf);  // n = p * q
        if (BnCmp(wide, n, kWide) != 0) break;

        BnSub(pMinus1, p, one, kHalf);
        BnSub(qMinus1, q, one, kHalf);
        BnMod(t, d, kWide, pMinus1, kHalf);  // exponent1 = d mod (p - 1)
        if (BnCmp(t, dP, kHalf) != 0) break;
        BnMod(t, d, kWide, qMinus1, kHalf);  // exponent2 = d mod (q - 1)
        if (BnCmp(t, dQ, kHalf) != 0) break;
        if (BnCmp(qInv, p, kHalf) >= 0) break;
        BnModMult(t, qInv, q, p, kHalf);  // coefficient * q = 1 mod p
        if (BnCmp(t, one, kHalf) != 0) break;

        // lambda = (p - 1)(q - 1) / gcd(p - 1, q - 1); e * d = 1 mod lambda
        BnGcd(g, pMinus1, qMinus1, kHalf);
        BnMult(wide, pMinus1, qMinus1, kHalf);
        BnDiv(lambda, t, wide, kWide, g, kHalf);
        BnMult(wide, e, d, kWide);
        BnMod(t, wide, 2 * kWide, lambda, kWide);
        if (BnCmp(t, one, kWide) != 0) break;
        status = StatusOk;
    } while (false);

    SecureWipeObject(d);
    SecureWipeObject(p);
    SecureWipeObject(q);
    SecureWipeObject(dP);
    SecureWipeObject(dQ);
    SecureWipeObject(qInv);
    SecureWipeObject(pMinus1);
    SecureWipeObject(qMinus1);
    SecureWipeObject(g);
    SecureWipeObject(t);
    SecureWipeObject(wide);
    SecureWipeObject(lambda);
    SecureWipeStack();
    return status;
}

int RsaPublicDecrypt(std::uint8_t* out, std::uint32_t* outLen, const std::uint8_t* in,
                     std::uint32_t inLen, const RsaPublicKey* publicKey) {
    if (publicKey->bits == 0 || publicKey->bits > kMaxRsaBits) return StatusBadLength;
    const std::uint32_t k = (publicKey->bits + 7u) / 8u;
    if (k < 11 || inLen != k) return StatusBadLength;

    Digit c[kMaxDigits], n[kMaxDigits], e[kMaxDigits], m[kMaxDigits] = {};
    BnDecode(c, kMaxDigits, in, inLen);
    BnDecode(n, kMaxDigits, publicKey->modulus, sizeof(publicKey->modulus));
    BnDecode(e, kMaxDigits, publicKey->publicExponent, sizeof(publicKey->publicExponent));
    const unsigned nDigits = BnDigits(n, kMaxDigits);
    const unsigned eDigits = BnDigits(e, kMaxDigits);
    if (nDigits == 0 || eDigits == 0 || BnCmp(c, n, kMaxDigits) >= 0) return StatusBadData;
    // A block shorter than the modulus would drop the top of the result.
    if (BitLength(n, nDigits) != publicKey->bits) return StatusBadLength;
    BnModExp(m, c, e, eDigits, n, nDigits);

    // 00 01 FF..FF 00 data, at least 8 bytes of FF
    std::uint8_t block[kMaxRsaModulusLen];
    BnEncode(block, k, m, nDigits);
    if (block[0] != 0x00 || block[1] != 0x01) return StatusBadData;
    std::uint32_t i = 2;
    while (i < k && block[i] == 0xFF) ++i;
    if (i == k || block[i] != 0x00 || i < 10) return StatusBadData;
    ++i;
    *outLen = k - i;
    for (std::uint32_t j = i; j < k; ++j) out[j - i] = block[j];
    return StatusOk;
}

}  // namespace cerrojo
