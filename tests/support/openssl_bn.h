// Test support: Cerrojo digit arrays to and from OpenSSL's BIGNUM, the
// independent implementation the arithmetic is checked against.
#pragma once

#include <openssl/bn.h>

#include <memory>
#include <vector>

#include "crypto/bignum.h"

namespace testsupport {

struct BnDeleter {
    void operator()(BIGNUM* b) const { BN_free(b); }
};
using Bn = std::unique_ptr<BIGNUM, BnDeleter>;

struct BnCtxDeleter {
    void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};

// One context for the whole program.
inline BN_CTX* BnCtx() {
    static std::unique_ptr<BN_CTX, BnCtxDeleter> ctx(BN_CTX_new());
    return ctx.get();
}

inline Bn NewBn() {
    return Bn(BN_new());
}

// The value of digits digits of a, least significant first.
inline Bn ToBn(const cerrojo::Digit* a, unsigned digits) {
    std::vector<unsigned char> le(4 * digits + 1, 0);
    for (unsigned i = 0; i < digits; ++i)
        for (unsigned k = 0; k < 4; ++k)
            le[4 * i + k] = static_cast<unsigned char>(a[i] >> (8 * k));
    return Bn(BN_lebin2bn(le.data(), static_cast<int>(le.size()), nullptr));
}

// x as digits digits into out; false (out unspecified) when x does not fit.
inline bool FromBn(const BIGNUM* x, unsigned digits, std::vector<cerrojo::Digit>* out) {
    std::vector<unsigned char> le(4 * digits);
    out->assign(digits, 0);
    if (BN_bn2lebinpad(x, le.data(), static_cast<int>(le.size())) < 0) return false;
    for (unsigned i = 0; i < digits; ++i)
        for (unsigned k = 0; k < 4; ++k)
            (*out)[i] |= static_cast<cerrojo::Digit>(le[4 * i + k]) << (8 * k);
    return true;
}

}  // namespace testsupport
