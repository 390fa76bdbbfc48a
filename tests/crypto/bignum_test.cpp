// Multi-precision arithmetic, checked against OpenSSL's BN as the independent
// implementation: random operands of every length, the boundary shapes that
// stress carries and the division's normalisation, and every permitted aliasing.
#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "crypto/bignum.h"
#include "support/openssl_bn.h"
#include "support/testdata.h"

namespace {

using cerrojo::Digit;
using cerrojo::kMaxDigits;
using Number = std::vector<Digit>;
using testsupport::Scaled;

using testsupport::Bn;
using testsupport::NewBn;
using testsupport::ToBn;

BN_CTX* Ctx() {
    return testsupport::BnCtx();
}

Bn ToBn(const Number& a) {
    return ToBn(a.data(), static_cast<unsigned>(a.size()));
}

// The value of x over digits digits; fails the test if it does not fit.
Number FromBn(const BIGNUM* x, unsigned digits) {
    Number a;
    EXPECT_TRUE(testsupport::FromBn(x, digits, &a)) << "value too long";
    return a;
}

// Random numbers of a chosen significant length in a larger array, in shapes
// that matter to carries and to the division's estimates.
class Gen {
  public:
    explicit Gen(std::uint64_t seed) : rng_(seed) {}

    Digit Word() { return static_cast<Digit>(rng_()); }
    unsigned Below(unsigned n) { return static_cast<unsigned>(rng_() % n); }

    // significant digits exactly sig (0 gives zero), zero-padded to capacity.
    Number Make(unsigned capacity, unsigned sig) {
        Number a(capacity, 0);
        const unsigned shape = Below(8);
        for (unsigned i = 0; i < sig; ++i) {
            switch (shape) {
                case 0:
                    a[i] = 0xFFFFFFFFu;
                    break;  // all ones
                case 1:
                    a[i] = Below(2) ? 0xFFFFFFFFu : (Below(2) ? 0 : 1);
                    break;  // sparse
                case 2:
                    a[i] = Below(3) ? Word() : 0;
                    break;  // zero digits inside
                default:
                    a[i] = Word();
                    break;
            }
        }
        if (sig > 0) {
            switch (Below(4)) {
                case 0:
                    a[sig - 1] = 0xFFFFFFFFu;
                    break;  // already normalised
                case 1:
                    a[sig - 1] = 1 + Below(0xFF);
                    break;  // large normalising shift
                default:
                    break;
            }
            if (a[sig - 1] == 0) a[sig - 1] = 1 + Below(0xFFFFFFFEu);
        }
        return a;
    }

    Number Make(unsigned capacity) { return Make(capacity, Below(capacity + 1)); }

  private:
    std::mt19937_64 rng_;
};

Number Widen(const Number& a, unsigned digits) {
    Number b = a;
    b.resize(digits, 0);
    return b;
}

TEST(BnConversion, SpecimenValues) {
    const std::uint8_t e[3] = {0x01, 0x00, 0x01};
    Digit a[kMaxDigits];
    for (auto& d : a) d = 0xDEADBEEF;
    cerrojo::BnDecode(a, kMaxDigits, e, 3);
    EXPECT_EQ(a[0], 65537u);
    for (unsigned i = 1; i < kMaxDigits; ++i) EXPECT_EQ(a[i], 0u) << i;
    std::uint8_t out[256];
    for (auto& b : out) b = 0xAA;
    cerrojo::BnEncode(out, 256, a, kMaxDigits);
    for (int i = 0; i < 253; ++i) ASSERT_EQ(out[i], 0) << i;
    EXPECT_EQ(out[253], 1);
    EXPECT_EQ(out[254], 0);
    EXPECT_EQ(out[255], 1);

    const std::uint8_t five[5] = {0x11, 0x22, 0x33, 0x44, 0x55};
    Digit one[2] = {0, 0x77777777};
    cerrojo::BnDecode(one, 1, five, 5);
    EXPECT_EQ(one[0], 0x22334455u);
    EXPECT_EQ(one[1], 0x77777777u);  // beyond the count: not touched

    const Digit two[2] = {0x01020304, 0x05060708};
    std::uint8_t four[6] = {0, 0, 0, 0, 0xEE, 0xEE};
    cerrojo::BnEncode(four, 4, two, 2);
    EXPECT_EQ(testsupport::ToHex(four, 6), "01020304eeee");
}

TEST(BnConversion, RoundTripsAgainstOpenSsl) {
    Gen gen(1);
    for (int round = 0; round < 2000; ++round) {
        const unsigned digits = 1 + gen.Below(kMaxDigits);
        const unsigned len = gen.Below(4 * kMaxDigits + 8);
        std::vector<std::uint8_t> bytes(len);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(gen.Word());
        Number a(digits + 1, 0x5A5A5A5A);
        cerrojo::BnDecode(a.data(), digits, bytes.data(), len);
        ASSERT_EQ(a[digits], 0x5A5A5A5Au);
        // the expected value: the string's last 4 * digits bytes
        const unsigned keep = len < 4 * digits ? len : 4 * digits;
        Bn expect(BN_bin2bn(bytes.data() + (len - keep), static_cast<int>(keep), nullptr));
        a.resize(digits);
        ASSERT_EQ(a, FromBn(expect.get(), digits)) << "digits " << digits << " len " << len;

        const unsigned outLen = gen.Below(4 * kMaxDigits + 8);
        std::vector<std::uint8_t> out(outLen + 1, 0xC3);
        cerrojo::BnEncode(out.data(), outLen, a.data(), digits);
        ASSERT_EQ(out[outLen], 0xC3);
        // expected: the value mod 256^outLen, big-endian, zero-padded
        std::vector<std::uint8_t> full(4 * digits + outLen, 0);
        BN_bn2binpad(expect.get(), full.data(), static_cast<int>(full.size()));
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + outLen, full.end() - outLen));
    }
}

TEST(BnBasics, SpecimenValues) {
    Digit a[2] = {7, 7};
    cerrojo::BnAssign2Exp(a, 64, 2);
    EXPECT_EQ(a[0], 0u);
    EXPECT_EQ(a[1], 0u);
    cerrojo::BnAssign2Exp(a, 63, 2);
    EXPECT_EQ(a[0], 0u);
    EXPECT_EQ(a[1], 0x80000000u);
    cerrojo::BnAssign2Exp(a, 5, 2);
    EXPECT_EQ(a[0], 32u);
    EXPECT_EQ(a[1], 0u);

    Digit one = 1, two = 2, all = 0xFFFFFFFF, r = 0;
    EXPECT_EQ(cerrojo::BnSub(&r, &one, &two, 1), 1u);
    EXPECT_EQ(r, 0xFFFFFFFFu);
    EXPECT_EQ(cerrojo::BnAdd(&r, &all, &one, 1), 1u);
    EXPECT_EQ(r, 0u);

    const Digit x[3] = {5, 9, 9}, y[3] = {6, 9, 9};
    EXPECT_EQ(cerrojo::BnCmp(x, y, 0), 0);
    EXPECT_EQ(cerrojo::BnCmp(x, y, 3), -1);
    EXPECT_EQ(cerrojo::BnCmp(y, x, 3), 1);
    EXPECT_EQ(cerrojo::BnCmp(x, x, 3), 0);
    EXPECT_EQ(cerrojo::BnIsZero(x, 0), 1);
    const Digit z[3] = {0, 0, 4};
    EXPECT_EQ(cerrojo::BnIsZero(z, 2), 1);
    EXPECT_EQ(cerrojo::BnIsZero(z, 3), 0);
    EXPECT_EQ(cerrojo::BnDigits(z, 3), 3u);
    EXPECT_EQ(cerrojo::BnDigits(z, 2), 0u);
    EXPECT_EQ(cerrojo::BnDigitBits(0), 0u);
    EXPECT_EQ(cerrojo::BnDigitBits(1), 1u);
    EXPECT_EQ(cerrojo::BnDigitBits(0x80000000u), 32u);
    EXPECT_EQ(cerrojo::BnDigitBits(0x00012345u), 17u);

    Digit p[2];
    cerrojo::BnDigitMult(p, 0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_EQ(p[1], 0xFFFFFFFEu);
    EXPECT_EQ(p[0], 1u);

    Digit s[2] = {1, 2};
    const Digit d2[2] = {3, 4};
    EXPECT_EQ(cerrojo::BnSubDigitMult(s, s, 0, d2, 2), 0u);
    EXPECT_EQ(s[0], 1u);
    EXPECT_EQ(cerrojo::BnSubDigitMult(s, s, 7, d2, 0), 0u);
    EXPECT_EQ(s[1], 2u);

    Digit shifted = 0x12345678;
    EXPECT_EQ(cerrojo::BnLShift(&shifted, &shifted, 32, 1), 0u);
    EXPECT_EQ(cerrojo::BnRShift(&shifted, &shifted, 40, 1), 0u);
    EXPECT_EQ(shifted, 0x12345678u);
}

TEST(BnArithmetic, AddSubAgainstOpenSsl) {
    Gen gen(2);
    const int perLength = Scaled(60, 20);
    for (unsigned digits = 1; digits <= kMaxDigits; ++digits) {
        Bn modulus = NewBn();
        BN_set_bit(modulus.get(), static_cast<int>(32 * digits));
        for (int round = 0; round < perLength; ++round) {
            const Number b = gen.Make(digits, digits - gen.Below(2) * gen.Below(digits + 1));
            const Number c = gen.Make(digits, digits - gen.Below(2) * gen.Below(digits + 1));
            Bn sum = NewBn(), diff = NewBn();
            BN_add(sum.get(), ToBn(b).get(), ToBn(c).get());
            const Digit carry = BN_cmp(sum.get(), modulus.get()) >= 0;
            BN_nnmod(sum.get(), sum.get(), modulus.get(), Ctx());
            BN_sub(diff.get(), ToBn(b).get(), ToBn(c).get());
            const Digit borrow = BN_is_negative(diff.get());
            BN_nnmod(diff.get(), diff.get(), modulus.get(), Ctx());
            const Number expectSum = FromBn(sum.get(), digits),
                         expectDiff = FromBn(diff.get(), digits);

            Number a(digits);
            ASSERT_EQ(cerrojo::BnAdd(a.data(), b.data(), c.data(), digits), carry);
            ASSERT_EQ(a, expectSum);
            ASSERT_EQ(cerrojo::BnSub(a.data(), b.data(), c.data(), digits), borrow);
            ASSERT_EQ(a, expectDiff);
            // in place, either operand
            Number x = b;
            ASSERT_EQ(cerrojo::BnAdd(x.data(), x.data(), c.data(), digits), carry);
            ASSERT_EQ(x, expectSum);
            x = c;
            ASSERT_EQ(cerrojo::BnAdd(x.data(), b.data(), x.data(), digits), carry);
            ASSERT_EQ(x, expectSum);
            x = b;
            ASSERT_EQ(cerrojo::BnSub(x.data(), x.data(), c.data(), digits), borrow);
            ASSERT_EQ(x, expectDiff);
            x = c;
            ASSERT_EQ(cerrojo::BnSub(x.data(), b.data(), x.data(), digits), borrow);
            ASSERT_EQ(x, expectDiff);
        }
        // both operands the same array
        Number x = gen.Make(digits, digits);
        Bn twice = NewBn();
        BN_lshift1(twice.get(), ToBn(x).get());
        const Digit carry = BN_is_bit_set(twice.get(), static_cast<int>(32 * digits));
        BN_mask_bits(twice.get(), static_cast<int>(32 * digits));
        ASSERT_EQ(cerrojo::BnAdd(x.data(), x.data(), x.data(), digits), carry);
        ASSERT_EQ(x, FromBn(twice.get(), digits));
        ASSERT_EQ(cerrojo::BnSub(x.data(), x.data(), x.data(), digits), 0u);
        ASSERT_TRUE(cerrojo::BnIsZero(x.data(), digits));
    }
}

TEST(BnArithmetic, MultAgainstOpenSsl) {
    Gen gen(3);
    const int perLength = Scaled(60, 15);
    for (unsigned digits = 1; digits <= kMaxDigits; ++digits) {
        for (int round = 0; round < perLength; ++round) {
            const Number b = gen.Make(digits), c = gen.Make(digits);
            Bn prod = NewBn();
            BN_mul(prod.get(), ToBn(b).get(), ToBn(c).get(), Ctx());
            const Number expect = FromBn(prod.get(), 2 * digits);

            Number a(2 * digits, 0x77777777);
            cerrojo::BnMult(a.data(), b.data(), c.data(), digits);
            ASSERT_EQ(a, expect) << "digits " << digits;
            Number x = Widen(b, 2 * digits);  // result over its first operand
            cerrojo::BnMult(x.data(), x.data(), c.data(), digits);
            ASSERT_EQ(x, expect);
            x = Widen(c, 2 * digits);  // over its second
            cerrojo::BnMult(x.data(), b.data(), x.data(), digits);
            ASSERT_EQ(x, expect);
        }
        Number x = Widen(gen.Make(digits, digits), 2 * digits);  // a square, all one array
        Bn sq = NewBn();
        BN_sqr(sq.get(), ToBn(x.data(), digits).get(), Ctx());
        cerrojo::BnMult(x.data(), x.data(), x.data(), digits);
        ASSERT_EQ(x, FromBn(sq.get(), 2 * digits));
    }
}

TEST(BnArithmetic, ShiftsAgainstOpenSsl) {
    Gen gen(4);
    for (unsigned digits = 1; digits <= kMaxDigits; ++digits) {
        for (unsigned n = 0; n < 32; ++n) {
            const Number b = gen.Make(digits, digits);
            Bn bn = ToBn(b), left = NewBn(), right = NewBn();
            BN_lshift(left.get(), bn.get(), static_cast<int>(n));
            BN_rshift(right.get(), bn.get(), static_cast<int>(n));
            Bn out = NewBn();
            BN_rshift(out.get(), left.get(), static_cast<int>(32 * digits));
            BN_mask_bits(left.get(), static_cast<int>(32 * digits));
            const Digit outLow = static_cast<Digit>(BN_get_word(out.get()));
            const Digit outHigh = n == 0 ? 0 : b[0] << (32 - n);

            Number a(digits);
            ASSERT_EQ(cerrojo::BnLShift(a.data(), b.data(), n, digits), outLow);
            ASSERT_EQ(a, FromBn(left.get(), digits));
            ASSERT_EQ(cerrojo::BnRShift(a.data(), b.data(), n, digits), outHigh);
            ASSERT_EQ(a, FromBn(right.get(), digits));
            Number x = b;
            ASSERT_EQ(cerrojo::BnLShift(x.data(), x.data(), n, digits), outLow);
            ASSERT_EQ(x, FromBn(left.get(), digits));
            x = b;
            ASSERT_EQ(cerrojo::BnRShift(x.data(), x.data(), n, digits), outHigh);
            ASSERT_EQ(x, FromBn(right.get(), digits));
        }
    }
}

TEST(BnArithmetic, SubDigitMultAgainstOpenSsl) {
    Gen gen(5);
    for (unsigned digits = 1; digits <= kMaxDigits; ++digits) {
        for (int round = 0; round < 30; ++round) {
            Number b = gen.Make(digits), d = gen.Make(digits);
            Digit m = round == 0 ? 0xFFFFFFFFu : gen.Word();
            if (m == 0) m = 1;
            // b - m*d = a - borrow * 2^(32 digits), 0 <= a < 2^(32 digits)
            Bn md = ToBn(d);
            BN_mul_word(md.get(), m);
            Bn diff = NewBn();
            BN_sub(diff.get(), ToBn(b).get(), md.get());
            Bn modulus = NewBn();
            BN_set_bit(modulus.get(), static_cast<int>(32 * digits));
            Bn a = NewBn(), borrow = NewBn();
            BN_nnmod(a.get(), diff.get(), modulus.get(), Ctx());
            BN_sub(borrow.get(), a.get(), diff.get());
            BN_rshift(borrow.get(), borrow.get(), static_cast<int>(32 * digits));

            const Digit got = cerrojo::BnSubDigitMult(b.data(), b.data(), m, d.data(), digits);
            ASSERT_EQ(got, BN_get_word(borrow.get()));
            ASSERT_EQ(b, FromBn(a.get(), digits));
        }
    }
}

// q and r from BnDiv checked against BN_div, with every aliasing the division allows.
void CheckDivision(const Number& c, unsigned cDigits, const Number& d, unsigned dDigits) {
    Bn q = NewBn(), r = NewBn();
    ASSERT_TRUE(BN_div(q.get(), r.get(), ToBn(c.data(), cDigits).get(),
                       ToBn(d.data(), dDigits).get(), Ctx()));
    const Number expectQ = FromBn(q.get(), cDigits), expectR = FromBn(r.get(), dDigits);

    Number gotQ(cDigits + 1, 0x31313131), gotR(dDigits + 1, 0x42424242);
    cerrojo::BnDiv(gotQ.data(), gotR.data(), c.data(), cDigits, d.data(), dDigits);
    ASSERT_EQ(gotQ[cDigits], 0x31313131u);
    ASSERT_EQ(gotR[dDigits], 0x42424242u);
    gotQ.resize(cDigits);
    gotR.resize(dDigits);
    ASSERT_EQ(gotQ, expectQ) << "cDigits " << cDigits << " dDigits " << dDigits;
    ASSERT_EQ(gotR, expectR) << "cDigits " << cDigits << " dDigits " << dDigits;

    const unsigned wide = cDigits > dDigits ? cDigits : dDigits;
    Number x = c;  // quotient over the dividend
    cerrojo::BnDiv(x.data(), gotR.data(), x.data(), cDigits, d.data(), dDigits);
    ASSERT_EQ(Number(x.begin(), x.begin() + cDigits), expectQ);
    x = Widen(c, wide);  // remainder over the dividend
    cerrojo::BnDiv(gotQ.data(), x.data(), x.data(), cDigits, d.data(), dDigits);
    ASSERT_EQ(Number(x.begin(), x.begin() + dDigits), expectR);
    ASSERT_EQ(gotQ, expectQ);
    Number y = d;  // remainder over the divisor
    cerrojo::BnDiv(gotQ.data(), y.data(), c.data(), cDigits, y.data(), dDigits);
    ASSERT_EQ(y, expectR);
    y = Widen(d, wide);  // quotient over the divisor
    cerrojo::BnDiv(y.data(), gotR.data(), c.data(), cDigits, y.data(), dDigits);
    ASSERT_EQ(Number(y.begin(), y.begin() + cDigits), expectQ);
    ASSERT_EQ(gotR, expectR);

    Number m(dDigits);  // BnMod, also in place over the dividend and over the divisor
    cerrojo::BnMod(m.data(), c.data(), cDigits, d.data(), dDigits);
    ASSERT_EQ(m, expectR);
    x = Widen(c, wide);
    cerrojo::BnMod(x.data(), x.data(), cDigits, d.data(), dDigits);
    ASSERT_EQ(Number(x.begin(), x.begin() + dDigits), expectR);
    y = d;
    cerrojo::BnMod(y.data(), c.data(), cDigits, y.data(), dDigits);
    ASSERT_EQ(y, expectR);
}

TEST(BnDivision, AgainstOpenSsl) {
    Gen gen(6);
    const int perLength = Scaled(40, 10);
    for (unsigned cDigits = 1; cDigits <= 2 * kMaxDigits; ++cDigits) {
        for (int round = 0; round < perLength; ++round) {
            const unsigned dDigits = 1 + gen.Below(kMaxDigits);
            // divisor lengths from one digit to the full count; dividends
            // shorter and longer than the divisor
            const unsigned dSig = round % 4 == 0 ? 1 : 1 + gen.Below(dDigits);
            const unsigned cSig = gen.Below(4) == 0 ? gen.Below(cDigits + 1) : cDigits;
            const Number c = gen.Make(cDigits, cSig);
            const Number d = gen.Make(dDigits, dSig);
            CheckDivision(c, cDigits, d, dDigits);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(BnDivision, BoundaryShapes) {
    Gen gen(7);
    // divisor 0xFFFFFFFF... (no normalising shift), with dividends of all ones
    for (unsigned dd = 1; dd <= kMaxDigits; dd += 4) {
        const Number d(dd, 0xFFFFFFFFu);
        CheckDivision(Number(2 * dd, 0xFFFFFFFFu), 2 * dd, d, dd);
        CheckDivision(gen.Make(2 * kMaxDigits, 2 * kMaxDigits), 2 * kMaxDigits, d, dd);
        // divisor 1000...0 and 1000...01: the largest shift, and estimates at their worst
        Number p(dd, 0);
        p[dd - 1] = 1;
        CheckDivision(gen.Make(2 * dd, 2 * dd), 2 * dd, p, dd);
        p[0] |= 1;
        p[dd - 1] = 0x80000000u;
        CheckDivision(Number(2 * dd, 0xFFFFFFFFu), 2 * dd, p, dd);
        // the top digit of the dividend equals the divisor's after normalisation
        Number c = gen.Make(2 * dd, 2 * dd);
        Number v = gen.Make(dd, dd);
        v[dd - 1] |= 0x80000000u;
        c[2 * dd - 1] = v[dd - 1];
        CheckDivision(c, 2 * dd, v, dd);
        // one-digit quotient: cDigits equal to the divisor's significant length
        CheckDivision(gen.Make(dd, dd), dd, gen.Make(dd, dd), dd);
        // dividend of fewer digits than the divisor: q = 0, r = c
        if (dd > 1) CheckDivision(gen.Make(dd - 1, dd - 1), dd - 1, gen.Make(dd, dd), dd);
        // zero dividend
        CheckDivision(Number(dd, 0), dd, gen.Make(dd, dd), dd);
        if (HasFatalFailure()) return;
    }
    // c = d * q - 1 and c = d * q exactly, where the add-back matters
    for (int round = 0; round < 300; ++round) {
        const unsigned dd = 2 + gen.Below(kMaxDigits - 1);
        const Number d = gen.Make(dd, dd), q = gen.Make(dd, dd);
        Bn prod = NewBn();
        BN_mul(prod.get(), ToBn(d).get(), ToBn(q).get(), Ctx());
        CheckDivision(FromBn(prod.get(), 2 * dd), 2 * dd, d, dd);
        BN_sub_word(prod.get(), 1);
        CheckDivision(FromBn(prod.get(), 2 * dd), 2 * dd, d, dd);
        if (HasFatalFailure()) return;
    }
}

TEST(BnDivision, ZeroDivisorWritesNothing) {
    const Number c = {1, 2, 3}, d = {0, 0};
    Number q = {9, 9, 9}, r = {8, 8};
    cerrojo::BnDiv(q.data(), r.data(), c.data(), 3, d.data(), 2);
    EXPECT_EQ(q, (Number{9, 9, 9}));
    EXPECT_EQ(r, (Number{8, 8}));
    cerrojo::BnMod(r.data(), c.data(), 3, d.data(), 2);
    EXPECT_EQ(r, (Number{8, 8}));
}

TEST(BnModular, ModMultAgainstOpenSsl) {
    Gen gen(8);
    const int perLength = Scaled(30, 8);
    for (unsigned digits = 1; digits <= kMaxDigits; ++digits) {
        for (int round = 0; round < perLength; ++round) {
            // operands need not be reduced
            const Number b = gen.Make(digits), c = gen.Make(digits);
            const Number d = gen.Make(digits, 1 + gen.Below(digits));
            Bn r = NewBn();
            BN_mod_mul(r.get(), ToBn(b).get(), ToBn(c).get(), ToBn(d).get(), Ctx());
            const Number expect = FromBn(r.get(), digits);
            Number a(digits);
            cerrojo::BnModMult(a.data(), b.data(), c.data(), d.data(), digits);
            ASSERT_EQ(a, expect);
            Number x = b;
            cerrojo::BnModMult(x.data(), x.data(), c.data(), d.data(), digits);
            ASSERT_EQ(x, expect);
            x = c;
            cerrojo::BnModMult(x.data(), b.data(), x.data(), d.data(), digits);
            ASSERT_EQ(x, expect);
            x = d;
            cerrojo::BnModMult(x.data(), b.data(), c.data(), x.data(), digits);
            ASSERT_EQ(x, expect);
        }
    }
}

void CheckModExp(const Number& b, const Number& c, unsigned cDigits, const Number& d,
                 unsigned dDigits) {
    Bn r = NewBn();
    ASSERT_TRUE(BN_mod_exp(r.get(), ToBn(b.data(), dDigits).get(), ToBn(c.data(), cDigits).get(),
                           ToBn(d.data(), dDigits).get(), Ctx()));
    const Number expect = FromBn(r.get(), dDigits);
    Number a(dDigits + 1, 0x66666666);
    cerrojo::BnModExp(a.data(), b.data(), c.data(), cDigits, d.data(), dDigits);
    ASSERT_EQ(a[dDigits], 0x66666666u);
    a.resize(dDigits);
    ASSERT_EQ(a, expect) << "cDigits " << cDigits << " dDigits " << dDigits;
}

TEST(BnModular, ModExpAgainstOpenSsl) {
    Gen gen(9);
    const int perLength = Scaled(3, 1);
    for (unsigned dDigits = 1; dDigits <= kMaxDigits; ++dDigits) {
        for (int round = 0; round < perLength; ++round) {
            const unsigned cDigits = 1 + gen.Below(kMaxDigits);
            const Number c = gen.Make(cDigits, 1 + gen.Below(cDigits));
            const Number d = gen.Make(dDigits, 1 + gen.Below(dDigits));
            const Number b = gen.Make(dDigits);  // often above d
            CheckModExp(b, c, cDigits, d, dDigits);
            if (HasFatalFailure()) return;
        }
    }
    // full-length odd moduli as in the Fermat tests and the CRT halves
    for (unsigned dd : {8u, 16u, 32u, 64u, 65u}) {
        Number d = gen.Make(dd, dd), b = gen.Make(dd, dd), c = gen.Make(dd, dd);
        d[0] |= 1;
        CheckModExp(b, c, dd, d, dd);
        d = Number(dd, 0xFFFFFFFFu);  // modulus without normalising shift
        CheckModExp(b, c, dd, d, dd);
    }
}

TEST(BnModular, ModExpSpecimensAndAliasing) {
    Gen gen(10);
    const unsigned dd = 12;
    Number d = gen.Make(dd, dd), b = gen.Make(dd, dd);
    b[dd - 1] = 0xFFFFFFFFu;
    d[dd - 1] = 0x7FFFFFFFu;  // b above d: every result must still be reduced
    Number zero(dd, 0), one(dd, 0), e256(dd, 0);
    one[0] = 1;
    e256[0] = 256;
    Number a(dd);
    cerrojo::BnModExp(a.data(), b.data(), zero.data(), dd, d.data(), dd);
    EXPECT_EQ(a, one);
    Number unit(dd, 0);
    unit[0] = 1;
    cerrojo::BnModExp(a.data(), b.data(), zero.data(), dd, unit.data(), dd);
    EXPECT_EQ(a, one) << "a zero exponent gives 1 unreduced, even modulo 1";
    CheckModExp(b, one, dd, d, dd);
    CheckModExp(b, e256, dd, d, dd);
    CheckModExp(b, one, dd, unit, dd);

    const Number c = gen.Make(dd, dd);
    Bn r = NewBn();
    BN_mod_exp(r.get(), ToBn(b).get(), ToBn(c).get(), ToBn(d).get(), Ctx());
    const Number expect = FromBn(r.get(), dd);
    Number x = b;
    cerrojo::BnModExp(x.data(), x.data(), c.data(), dd, d.data(), dd);
    EXPECT_EQ(x, expect);
    x = c;
    cerrojo::BnModExp(x.data(), b.data(), x.data(), dd, d.data(), dd);
    EXPECT_EQ(x, expect);
    x = d;
    cerrojo::BnModExp(x.data(), b.data(), c.data(), dd, x.data(), dd);
    EXPECT_EQ(x, expect);
    // zero modulus: no reduction ever writes the accumulator, which stays 1
    x = Number(dd, 0x12121212);
    cerrojo::BnModExp(x.data(), b.data(), c.data(), dd, zero.data(), dd);
    EXPECT_EQ(x, one);
}

// An exponent of exactly bits bits (bits <= 32 * digits) made of alternating
// runs of ones and zeros up to maxRun long, so windows fall inside long runs
// and across digit boundaries.
Number RunsExponent(Gen& gen, unsigned digits, unsigned bits, unsigned maxRun) {
    Number c(digits, 0);
    bool ones = true;
    for (unsigned pos = bits; pos > 0;) {
        const unsigned run = std::min(pos, 1 + gen.Below(maxRun));
        for (unsigned k = pos - run; k < pos; ++k)
            if (ones) c[k / 32] |= Digit{1} << (k % 32);
        pos -= run;
        ones = !ones;
    }
    return c;
}

// b^c mod d against BN_mod_exp, then again with the result over b, over c and over d.
void CheckModExpAliased(const Number& b, const Number& c, unsigned cDigits, const Number& d,
                        unsigned dDigits) {
    CheckModExp(b, c, cDigits, d, dDigits);
    if (testing::Test::HasFatalFailure()) return;
    Number expect(dDigits);
    cerrojo::BnModExp(expect.data(), b.data(), c.data(), cDigits, d.data(), dDigits);
    Number x = b;
    cerrojo::BnModExp(x.data(), x.data(), c.data(), cDigits, d.data(), dDigits);
    ASSERT_EQ(x, expect) << "over b";
    x = Widen(c, std::max(cDigits, dDigits));
    cerrojo::BnModExp(x.data(), b.data(), x.data(), cDigits, d.data(), dDigits);
    ASSERT_EQ(Number(x.begin(), x.begin() + dDigits), expect) << "over c";
    x = d;
    cerrojo::BnModExp(x.data(), b.data(), c.data(), cDigits, x.data(), dDigits);
    ASSERT_EQ(x, expect) << "over d";
}

TEST(BnModular, OddModuliOfEveryLengthAgainstOpenSsl) {
    Gen gen(12);
    const int perLength = Scaled(4, 1);
    for (unsigned dd = 1; dd <= kMaxDigits; ++dd) {
        for (int round = 0; round < perLength; ++round) {
            SCOPED_TRACE(testing::Message() << "dd " << dd << " round " << round);
            // the modulus may sit in a longer array; its top digit all ones
            // at times, all its digits at others
            const unsigned dDigits = std::min(kMaxDigits, dd + gen.Below(3));
            Number d = Widen(gen.Make(dd, dd), dDigits);
            if (round % 2 == 0) d[dd - 1] = 0xFFFFFFFFu;
            if (round % 4 == 1) std::fill(d.begin(), d.begin() + dd, 0xFFFFFFFFu);
            d[0] |= 1;
            if (dd == 1 && d[0] == 1) d[0] = 3;
            // bases above d and over the whole array, below d, 0, d - 1 and d itself
            Number b = gen.Make(dDigits, dDigits);
            const unsigned cDigits = 1 + gen.Below(kMaxDigits);
            const unsigned bits = 2 + gen.Below(32 * cDigits - 1);
            const Number c = RunsExponent(gen, cDigits, bits, 1 + gen.Below(96));
            CheckModExpAliased(b, c, cDigits, d, dDigits);
            b = gen.Make(dDigits, 1 + gen.Below(dd));
            CheckModExp(b, c, cDigits, d, dDigits);
            Number special = d;
            CheckModExp(special, c, cDigits, d, dDigits);
            special[0] -= 1;
            CheckModExp(special, c, cDigits, d, dDigits);
            CheckModExp(Number(dDigits, 0), c, cDigits, d, dDigits);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(BnModular, ExponentShapesAgainstOpenSsl) {
    Gen gen(13);
    for (unsigned dd : {1u, 2u, 7u, 16u, 33u}) {
        Number d = gen.Make(dd, dd), b = gen.Make(dd, dd);
        d[0] |= 1;
        if (dd == 1) d[0] |= 0x80000000u;
        // every exponent length up to five digits, so the leading window
        // takes each of its possible widths and the width itself changes
        for (unsigned bits = 2; bits <= 160; ++bits) {
            const unsigned cDigits = (bits + 31) / 32;
            Number c = gen.Make(cDigits, cDigits);
            if (bits % 32 != 0) c[cDigits - 1] &= (Digit{1} << (bits % 32)) - 1;
            c[(bits - 1) / 32] |= Digit{1} << ((bits - 1) % 32);
            CheckModExp(b, c, cDigits, d, dd);
            // 2^(bits - 1) and 2^bits - 1: one long run of zeros or of ones
            Number power(cDigits, 0), allOnes(cDigits, 0);
            power[(bits - 1) / 32] = Digit{1} << ((bits - 1) % 32);
            for (unsigned k = 0; k < bits; ++k) allOnes[k / 32] |= Digit{1} << (k % 32);
            CheckModExp(b, power, cDigits, d, dd);
            CheckModExp(b, allOnes, cDigits, d, dd);
            if (HasFatalFailure()) return;
        }
        // full-length exponents with long runs, in an exponent array longer than needed
        for (int round = 0; round < Scaled(10, 3); ++round) {
            const Number c = Widen(
                RunsExponent(gen, kMaxDigits, 32 * kMaxDigits - gen.Below(64), 32 + gen.Below(200)),
                kMaxDigits);
            CheckModExp(b, c, kMaxDigits, d, dd);
            if (HasFatalFailure()) return;
        }
    }
}

// Odd moduli d = f^2 and bases that are multiples of f: from the second power
// on, every product is a non-zero multiple of d before its last reduction, so
// the result is 0 only if that reduction also takes away d itself (a value in
// [d, R) that does not overflow). Lengths of the run-time loop and of each
// fixed-length one.
TEST(BnModular, PowersVanishingModuloASquare) {
    Digit a = 0x12345678, b = 3, c = 2, d = 9;
    cerrojo::BnModExp(&a, &b, &c, 1, &d, 1);
    EXPECT_EQ(a, 0u) << "3^2 mod 9";

    Gen gen(14);
    for (unsigned fd : {1u, 3u, 4u, 8u, 16u, 20u}) {
        SCOPED_TRACE(testing::Message() << "f of " << fd << " digits");
        const unsigned dDigits = 2 * fd;
        Number f = gen.Make(fd, fd);
        f[0] |= 1;
        f[fd - 1] |= 0x80000000u;  // d of exactly 2 * fd digits
        Bn fBn = ToBn(f), dBn = NewBn(), bBn = NewBn();
        ASSERT_TRUE(BN_sqr(dBn.get(), fBn.get(), Ctx()));
        ASSERT_TRUE(BN_mul(bBn.get(), fBn.get(), ToBn(gen.Make(fd, fd)).get(), Ctx()));
        const Number d = FromBn(dBn.get(), dDigits), b = FromBn(bBn.get(), dDigits);
        for (unsigned bits : {2u, 3u, 64u, 1000u}) {
            const unsigned cDigits = (bits + 31) / 32;
            Number cn = gen.Make(cDigits, cDigits);
            if (bits % 32 != 0) cn[cDigits - 1] &= (Digit{1} << (bits % 32)) - 1;
            cn[(bits - 1) / 32] |= Digit{1} << ((bits - 1) % 32);
            Number r(dDigits, 0x66666666);
            cerrojo::BnModExp(r.data(), b.data(), cn.data(), cDigits, d.data(), dDigits);
            EXPECT_EQ(r, Number(dDigits, 0)) << bits << "-bit exponent";
        }
    }
}

TEST(BnModular, GcdAndInverseAgainstOpenSsl) {
    Digit a = 0, three = 3, seven = 7, twelve = 12, eighteen = 18, nought = 0;
    cerrojo::BnModInv(&a, &three, &seven, 1);
    EXPECT_EQ(a, 5u);
    cerrojo::BnGcd(&a, &twelve, &eighteen, 1);
    EXPECT_EQ(a, 6u);
    cerrojo::BnGcd(&a, &nought, &eighteen, 1);
    EXPECT_EQ(a, 18u);
    cerrojo::BnGcd(&a, &twelve, &nought, 1);
    EXPECT_EQ(a, 12u);
    cerrojo::BnModInv(&a, &three, &nought, 1);
    EXPECT_EQ(a, 1u);

    Gen gen(11);
    const int perLength = Scaled(30, 8);
    int inverses = 0;
    for (unsigned digits = 1; digits <= kMaxDigits; ++digits) {
        for (int round = 0; round < perLength; ++round) {
            Number b = gen.Make(digits), c = gen.Make(digits);
            if (round % 5 == 0) b = Number(digits, 0);
            Bn g = NewBn();
            BN_gcd(g.get(), ToBn(b).get(), ToBn(c).get(), Ctx());
            const Number expectG = FromBn(g.get(), digits);
            Number x(digits);
            cerrojo::BnGcd(x.data(), b.data(), c.data(), digits);
            ASSERT_EQ(x, expectG);
            x = b;
            cerrojo::BnGcd(x.data(), x.data(), c.data(), digits);
            ASSERT_EQ(x, expectG);
            x = c;
            cerrojo::BnGcd(x.data(), b.data(), x.data(), digits);
            ASSERT_EQ(x, expectG);

            // inverse of b below c where it exists (c > 1)
            if (!BN_is_one(g.get()) || BN_is_zero(ToBn(c).get()) || BN_is_one(ToBn(c).get()))
                continue;
            Bn bReduced = NewBn();
            BN_nnmod(bReduced.get(), ToBn(b).get(), ToBn(c).get(), Ctx());
            const Number br = FromBn(bReduced.get(), digits);
            Bn inv(BN_mod_inverse(nullptr, bReduced.get(), ToBn(c).get(), Ctx()));
            ASSERT_TRUE(inv);
            const Number expectInv = FromBn(inv.get(), digits);
            cerrojo::BnModInv(x.data(), br.data(), c.data(), digits);
            ASSERT_EQ(x, expectInv) << "digits " << digits;
            x = br;
            cerrojo::BnModInv(x.data(), x.data(), c.data(), digits);
            ASSERT_EQ(x, expectInv);
            ++inverses;
        }
    }
    EXPECT_GT(inverses, perLength * static_cast<int>(kMaxDigits) / 5);
}

}  // namespace
