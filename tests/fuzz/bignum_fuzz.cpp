// Fuzz harness: every multi-precision operation on fuzzed operands and digit
// counts within the documented limits, checked against OpenSSL's BN.
//
// Input: one byte picks the operation, then come its digit counts and operands
// (each operand a shape byte, a significant length and its digits). Every
// array is allocated with exactly the digits the call may touch, so a read or
// write beyond a documented count is caught by the address sanitizer.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "crypto/bignum.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"
#include "support/openssl_bn.h"

namespace {

using cerrojo::Digit;
using cerrojo::kMaxDigits;
using fuzzsupport::FuzzInput;
using testsupport::Bn;
using testsupport::BnCtx;
using testsupport::NewBn;
using testsupport::ToBn;
using Number = std::vector<Digit>;

constexpr unsigned kMaxProductDigits = 2 * kMaxDigits;
constexpr Digit kUntouched = 0xA5A5A5A5;

Bn ToBn(const Number& a) {
    return ToBn(a.data(), static_cast<unsigned>(a.size()));
}

// True when a (all its digits) holds exactly the value of x.
bool Holds(const Number& a, const BIGNUM* x) {
    Number expected;
    return testsupport::FromBn(x, static_cast<unsigned>(a.size()), &expected) && expected == a;
}

// A number in an array of exactly digits digits. The shape favours what
// carries and the division's estimates find hard: digits of all ones, single
// bits, a top digit over a run of zeros or of ones.
Number ReadNumber(FuzzInput& in, unsigned digits) {
    Number a(digits, 0);
    if (digits == 0) return a;
    const std::uint8_t shape = in.Byte();
    const unsigned used = in.Range(0, digits);
    if (used == 0) return a;
    switch (shape % 4) {
        case 0:
            for (unsigned i = 0; i < used; ++i) a[i] = in.Integer<Digit>();
            break;
        case 1:
            for (unsigned i = 0; i < used; ++i) a[i] = 0xFFFFFFFFu - in.Byte();
            break;
        case 2:
            a[used - 1] = Digit{1} << (in.Byte() % 32);
            if (shape & 4) a[0] |= in.Integer<Digit>();
            break;
        default:
            for (unsigned i = 0; i + 1 < used; ++i) a[i] = (shape & 4) ? 0xFFFFFFFFu : 0;
            a[used - 1] = in.Integer<Digit>() | 1;
            break;
    }
    return a;
}

Bn Power2(unsigned bits) {
    Bn p = NewBn();
    BN_set_bit(p.get(), static_cast<int>(bits));
    return p;
}

// x mod 2^bits as a fresh number.
Bn Low(const BIGNUM* x, unsigned bits) {
    Bn r(BN_dup(x));
    if (BN_num_bits(r.get()) > static_cast<int>(bits))
        BN_mask_bits(r.get(), static_cast<int>(bits));
    return r;
}

void DecodeEncode(FuzzInput& in) {
    const unsigned digits = in.Range(0, kMaxDigits);
    const std::vector<std::uint8_t> bytes = in.Sized(300);
    const unsigned len = static_cast<unsigned>(bytes.size());
    Number a(digits, kUntouched);
    cerrojo::BnDecode(a.data(), digits, bytes.data(), len);
    Bn value(BN_bin2bn(bytes.data(), static_cast<int>(len), nullptr));
    FUZZ_CHECK(Holds(a, Low(value.get(), 32 * digits).get()));

    // Encoding writes exactly outLen bytes: the low bytes of the number.
    const unsigned outLen = in.Range(0, 300);
    std::vector<std::uint8_t> out(outLen, 0xA5);
    cerrojo::BnEncode(out.data(), outLen, a.data(), digits);
    std::vector<std::uint8_t> expected(outLen);
    Bn low = Low(ToBn(a).get(), 8 * outLen);
    FUZZ_CHECK(BN_bn2binpad(low.get(), expected.data(), static_cast<int>(outLen)) ==
               static_cast<int>(outLen));
    FUZZ_CHECK(out == expected);
}

void AddSub(FuzzInput& in) {
    const unsigned digits = in.Range(0, kMaxDigits);
    const bool alias = in.Bool();
    const Number b = ReadNumber(in, digits), c = ReadNumber(in, digits);
    const Bn modulus = Power2(32 * digits);
    Bn sum = NewBn(), diff = NewBn();
    BN_add(sum.get(), ToBn(b).get(), ToBn(c).get());
    BN_sub(diff.get(), ToBn(b).get(), ToBn(c).get());
    const Digit carry = BN_cmp(sum.get(), modulus.get()) >= 0;
    const Digit borrow = BN_is_negative(diff.get());
    BN_nnmod(sum.get(), sum.get(), modulus.get(), BnCtx());
    BN_nnmod(diff.get(), diff.get(), modulus.get(), BnCtx());

    Number a = alias ? b : Number(digits, kUntouched);
    FUZZ_CHECK(cerrojo::BnAdd(a.data(), alias ? a.data() : b.data(), c.data(), digits) == carry);
    FUZZ_CHECK(Holds(a, sum.get()));
    a = alias ? b : Number(digits, kUntouched);
    FUZZ_CHECK(cerrojo::BnSub(a.data(), alias ? a.data() : b.data(), c.data(), digits) == borrow);
    FUZZ_CHECK(Holds(a, diff.get()));
}

void Mult(FuzzInput& in) {
    const unsigned digits = in.Range(0, kMaxDigits);
    const bool alias = in.Bool();
    const Number b = ReadNumber(in, digits), c = ReadNumber(in, digits);
    Bn product = NewBn();
    BN_mul(product.get(), ToBn(b).get(), ToBn(c).get(), BnCtx());
    Number a(2 * digits, kUntouched);
    if (alias) {
        // a is b: the array holds b in its low digits and has room for the product.
        std::copy(b.begin(), b.end(), a.begin());
        std::fill(a.begin() + digits, a.end(), 0);
        cerrojo::BnMult(a.data(), a.data(), c.data(), digits);
    } else {
        cerrojo::BnMult(a.data(), b.data(), c.data(), digits);
    }
    FUZZ_CHECK(Holds(a, product.get()));
}

void DivMod(FuzzInput& in) {
    const unsigned cDigits = in.Range(1, kMaxProductDigits);
    const unsigned dDigits = in.Range(1, kMaxDigits);
    const Number c = ReadNumber(in, cDigits), d = ReadNumber(in, dDigits);
    Number q(cDigits, kUntouched), r(dDigits, kUntouched);
    cerrojo::BnDiv(q.data(), r.data(), c.data(), cDigits, d.data(), dDigits);
    Number a(dDigits, kUntouched);
    cerrojo::BnMod(a.data(), c.data(), cDigits, d.data(), dDigits);
    if (BN_is_zero(ToBn(d).get())) {  // a zero divisor writes nothing
        FUZZ_CHECK(q == Number(cDigits, kUntouched) && r == Number(dDigits, kUntouched));
        FUZZ_CHECK(a == Number(dDigits, kUntouched));
        return;
    }
    Bn quotient = NewBn(), remainder = NewBn();
    BN_div(quotient.get(), remainder.get(), ToBn(c).get(), ToBn(d).get(), BnCtx());
    FUZZ_CHECK(Holds(q, quotient.get()));
    FUZZ_CHECK(Holds(r, remainder.get()));
    FUZZ_CHECK(a == r);

    // The documented aliasing: the remainder into the dividend's array, the
    // quotient into the divisor's (when it is long enough to hold it).
    if (in.Bool()) {
        Number cc = c;  // room for both the dividend and the remainder
        cc.resize(std::max(cDigits, dDigits), 0);
        cerrojo::BnMod(cc.data(), cc.data(), cDigits, d.data(), dDigits);
        FUZZ_CHECK(Number(cc.begin(), cc.begin() + dDigits) == r);
    }
    if (dDigits >= cDigits && in.Bool()) {
        Number dd = d, rr(dDigits, kUntouched);
        cerrojo::BnDiv(dd.data(), rr.data(), c.data(), cDigits, dd.data(), dDigits);
        FUZZ_CHECK(Number(dd.begin(), dd.begin() + cDigits) == q && rr == r);
    }
}

void ModMult(FuzzInput& in) {
    const unsigned digits = in.Range(1, kMaxDigits);
    const bool alias = in.Bool();
    const Number b = ReadNumber(in, digits), c = ReadNumber(in, digits), d = ReadNumber(in, digits);
    Number a = alias ? b : Number(digits, kUntouched);
    cerrojo::BnModMult(a.data(), alias ? a.data() : b.data(), c.data(), d.data(), digits);
    if (BN_is_zero(ToBn(d).get())) {
        FUZZ_CHECK(a == (alias ? b : Number(digits, kUntouched)));
        return;
    }
    Bn expected = NewBn();
    BN_mod_mul(expected.get(), ToBn(b).get(), ToBn(c).get(), ToBn(d).get(), BnCtx());
    FUZZ_CHECK(Holds(a, expected.get()));
}

void ModExp(FuzzInput& in) {
    const unsigned cDigits = in.Range(1, kMaxDigits);
    const unsigned dDigits = in.Range(1, kMaxDigits);
    const bool alias = in.Bool();
    const Number c = ReadNumber(in, cDigits);
    const Number b = ReadNumber(in, dDigits), d = ReadNumber(in, dDigits);
    Number a = alias ? b : Number(dDigits, kUntouched);
    cerrojo::BnModExp(a.data(), alias ? a.data() : b.data(), c.data(), cDigits, d.data(), dDigits);
    Bn expected = NewBn();
    if (BN_is_zero(ToBn(c).get()) || BN_is_zero(ToBn(d).get())) {
        BN_one(expected.get());  // b^0 and the zero modulus give 1, unreduced
    } else {
        BN_mod_exp(expected.get(), ToBn(b).get(), ToBn(c).get(), ToBn(d).get(), BnCtx());
    }
    FUZZ_CHECK(Holds(a, expected.get()));
}

void GcdInverse(FuzzInput& in) {
    const unsigned digits = in.Range(1, kMaxDigits);
    const std::uint8_t alias = in.Byte() % 3;  // result apart, into b, into c
    const Number b = ReadNumber(in, digits), c = ReadNumber(in, digits);
    Number g = alias == 1 ? b : alias == 2 ? c : Number(digits, kUntouched);
    cerrojo::BnGcd(g.data(), alias == 1 ? g.data() : b.data(), alias == 2 ? g.data() : c.data(),
                   digits);
    Bn gcd = NewBn();
    BN_gcd(gcd.get(), ToBn(b).get(), ToBn(c).get(), BnCtx());
    FUZZ_CHECK(Holds(g, gcd.get()));

    // The inverse is specified for coprime operands; below a modulus of 2
    // there is nothing to reduce into.
    // The result may be b's array (never c's).
    Number a = alias == 1 ? b : Number(digits, kUntouched);
    cerrojo::BnModInv(a.data(), alias == 1 ? a.data() : b.data(), c.data(), digits);
    if (BN_is_one(gcd.get()) && BN_cmp(ToBn(c).get(), BN_value_one()) > 0) {
        Bn inverse(BN_mod_inverse(nullptr, ToBn(b).get(), ToBn(c).get(), BnCtx()));
        FUZZ_CHECK(inverse != nullptr && Holds(a, inverse.get()));
    }
}

void Shifts(FuzzInput& in) {
    const unsigned digits = in.Range(0, kMaxDigits);
    const unsigned n = in.Range(0, 40);
    const bool alias = in.Bool();
    const Number b = ReadNumber(in, digits);
    const Bn value = ToBn(b);
    const unsigned width = 32 * digits;

    Number a = alias ? b : Number(digits, kUntouched);
    const Digit left = cerrojo::BnLShift(a.data(), alias ? a.data() : b.data(), n, digits);
    Number r = alias ? b : Number(digits, kUntouched);
    const Digit right = cerrojo::BnRShift(r.data(), alias ? r.data() : b.data(), n, digits);
    if (n >= 32) {  // refused: nothing written
        FUZZ_CHECK(left == 0 && right == 0);
        FUZZ_CHECK(a == (alias ? b : Number(digits, kUntouched)));
        FUZZ_CHECK(r == (alias ? b : Number(digits, kUntouched)));
        return;
    }
    Bn shifted = NewBn(), out = NewBn();
    BN_lshift(shifted.get(), value.get(), static_cast<int>(n));
    FUZZ_CHECK(Holds(a, Low(shifted.get(), width).get()));
    BN_rshift(out.get(), shifted.get(), static_cast<int>(width));
    FUZZ_CHECK(BN_get_word(out.get()) == left);

    BN_rshift(shifted.get(), value.get(), static_cast<int>(n));
    FUZZ_CHECK(Holds(r, shifted.get()));
    Bn dropped = Low(value.get(), n);
    FUZZ_CHECK((n == 0 ? 0 : BN_get_word(dropped.get()) << (32 - n)) == right);
}

void Small(FuzzInput& in) {
    const unsigned digits = in.Range(0, kMaxDigits);
    const Number b = ReadNumber(in, digits), c = ReadNumber(in, digits);
    const Bn bb = ToBn(b), cc = ToBn(c);
    FUZZ_CHECK(cerrojo::BnCmp(b.data(), c.data(), digits) == BN_cmp(bb.get(), cc.get()));
    FUZZ_CHECK(cerrojo::BnIsZero(b.data(), digits) == BN_is_zero(bb.get()));
    FUZZ_CHECK(cerrojo::BnDigits(b.data(), digits) ==
               static_cast<unsigned>((BN_num_bits(bb.get()) + 31) / 32));
    const Digit w = in.Integer<Digit>(), v = in.Integer<Digit>();
    FUZZ_CHECK(cerrojo::BnDigitBits(w) == static_cast<unsigned>(BN_num_bits_word(w)));
    Digit product[2];
    cerrojo::BnDigitMult(product, w, v);
    const std::uint64_t wide = static_cast<std::uint64_t>(w) * v;
    FUZZ_CHECK(product[0] == static_cast<Digit>(wide) && product[1] == wide >> 32);

    Number a(digits, kUntouched);
    Number copy = b;
    cerrojo::BnAssign(a.data(), b.data(), digits);
    FUZZ_CHECK(a == copy);
    const unsigned n = in.Range(0, 32 * digits + 40);
    cerrojo::BnAssign2Exp(a.data(), n, digits);
    FUZZ_CHECK(Holds(a, n < 32 * digits ? Power2(n).get() : NewBn().get()));
}

// a := b - m * d over digits digits, in place; the borrow digit is how many
// times 2^(32 * digits) had to be added back to make the result non-negative.
void SubDigitMult(FuzzInput& in) {
    const unsigned digits = in.Range(0, kMaxDigits);
    Digit m = in.Integer<Digit>();
    m >>= in.Byte() % 32;  // small multipliers too
    const Number b = ReadNumber(in, digits), d = ReadNumber(in, digits);
    Number a = b;
    const Digit borrow = cerrojo::BnSubDigitMult(a.data(), a.data(), m, d.data(), digits);
    if (m == 0 || digits == 0) {
        FUZZ_CHECK(borrow == 0 && a == b);
        return;
    }
    Bn difference = NewBn(), md = ToBn(d);
    BN_mul_word(md.get(), m);
    BN_sub(difference.get(), ToBn(b).get(), md.get());
    Bn expected = NewBn(), back = NewBn(), count = NewBn();
    BN_nnmod(expected.get(), difference.get(), Power2(32 * digits).get(), BnCtx());
    FUZZ_CHECK(Holds(a, expected.get()));
    BN_sub(back.get(), expected.get(), difference.get());
    BN_rshift(count.get(), back.get(), static_cast<int>(32 * digits));
    FUZZ_CHECK(BN_get_word(count.get()) == borrow);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    switch (in.Byte() % 10) {
        case 0:
            DecodeEncode(in);
            break;
        case 1:
            AddSub(in);
            break;
        case 2:
            Mult(in);
            break;
        case 3:
            DivMod(in);
            break;
        case 4:
            ModMult(in);
            break;
        case 5:
            ModExp(in);
            break;
        case 6:
            GcdInverse(in);
            break;
        case 7:
            Shifts(in);
            break;
        case 8:
            Small(in);
            break;
        default:
            SubDigitMult(in);
            break;
    }
    return 0;
}
