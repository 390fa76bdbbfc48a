#include "crypto/bignum.h"

namespace cerrojo {

namespace {

using Wide = std::uint64_t;  // a two-digit value: digit products, carries, estimates

constexpr unsigned kMaxProductDigits = 2 * kMaxDigits;

// t[0..n) := m * c[0..n); returns the carry digit.
inline Digit MulRow(Digit* t, const Digit* c, unsigned n, Digit m) {
    Wide carry = 0;
    for (unsigned j = 0; j < n; ++j) {
        const Wide p = static_cast<Wide>(m) * c[j] + carry;
        t[j] = static_cast<Digit>(p);
        carry = p >> 32;
    }
    return static_cast<Digit>(carry);
}

// t[0..n) += m * c[0..n); returns the carry digit. Cannot overflow:
// (2^32 - 1)^2 + 2 * (2^32 - 1) = 2^64 - 1.
inline Digit MulAddRow(Digit* t, const Digit* c, unsigned n, Digit m) {
    Wide carry = 0;
    for (unsigned j = 0; j < n; ++j) {
        const Wide p = static_cast<Wide>(m) * c[j] + t[j] + carry;
        t[j] = static_cast<Digit>(p);
        carry = p >> 32;
    }
    return static_cast<Digit>(carry);
}

// t[0..n) -= m * v[0..n); returns the borrow digit (at most 2^32 - 1). The
// low halves of the digit products come off at their own position and the
// high halves one position up, so the running borrow is a small signed value
// (0, -1 or -2) and the carried chain is one add and one shift per digit.
inline Digit MulSubRow(Digit* t, const Digit* v, unsigned n, Digit m) {
    std::int64_t carry = 0;
    Digit high = 0;
    for (unsigned j = 0; j < n; ++j) {
        const Wide p = static_cast<Wide>(m) * v[j];
        const std::int64_t s =
            static_cast<std::int64_t>(t[j]) - static_cast<Digit>(p) - high + carry;
        t[j] = static_cast<Digit>(s);
        carry = s >> 32;
        high = static_cast<Digit>(p >> 32);
    }
    return high - static_cast<Digit>(carry);
}

// t (2n) := x * x over n digits: the cross products once, doubled, plus the squares.
void SquareInto(Digit* t, const Digit* x, unsigned n) {
    t[0] = 0;
    t[2 * n - 1] = 0;
    if (n > 1) {
        t[n] = MulRow(t + 1, x + 1, n - 1, x[0]);
        for (unsigned i = 1; i + 1 < n; ++i)
            t[i + n] = MulAddRow(t + 2 * i + 1, x + i + 1, n - i - 1, x[i]);
    }
    // double the cross products and add the squares of the digits
    Digit topBit = 0;
    Wide carry = 0;
    for (unsigned i = 0; i < n; ++i) {
        const Wide sq = static_cast<Wide>(x[i]) * x[i];
        const Digit lo = t[2 * i], hi = t[2 * i + 1];
        const Wide d0 = static_cast<Wide>((lo << 1) | topBit) + static_cast<Digit>(sq) + carry;
        t[2 * i] = static_cast<Digit>(d0);
        const Wide d1 = static_cast<Wide>((hi << 1) | (lo >> 31)) + (sq >> 32) + (d0 >> 32);
        t[2 * i + 1] = static_cast<Digit>(d1);
        carry = d1 >> 32;
        topBit = hi >> 31;
    }
}

// t (2n) := x * y over n digits, n >= 1.
inline void MultiplyInto(Digit* t, const Digit* x, const Digit* y, unsigned n) {
    t[n] = MulRow(t, y, n, x[0]);
    for (unsigned i = 1; i < n; ++i) t[i + n] = MulAddRow(t + i, y, n, x[i]);
}

// Long division of w[0..len] (len + 1 digits) by the normalised divisor v
// (dd digits, top bit set), len >= dd. On return w[0..dd) holds the remainder
// (still normalised) and, when q is not null, q[0..len - dd] the quotient
// digits. Requires w[len] < v[dd - 1] or a shifted-in top digit, which the
// normalising shift guarantees.
//
// Each quotient digit is estimated from the top two window digits over the
// divisor's top digit, refined with the next digit of each (the estimate is
// then exact or one too large), and fixed by one add-back when the
// multiply-subtract goes negative.
void DivideNormalised(Digit* q, Digit* w, unsigned len, const Digit* v, unsigned dd) {
    const Digit v1 = v[dd - 1];
    const Digit v0 = dd > 1 ? v[dd - 2] : 0;
    for (unsigned i = len - dd + 1; i-- > 0;) {
        Digit* window = w + i;
        const Digit hi = window[dd];
        const Digit mid = window[dd - 1];
        Wide qhat, rhat;
        if (hi >= v1) {
            qhat = 0xFFFFFFFFu;
            rhat = static_cast<Wide>(mid) + v1;  // (hi * 2^32 + mid) - qhat * v1 with hi = v1
        } else {
            const Wide num = (static_cast<Wide>(hi) << 32) | mid;
            qhat = num / v1;
            rhat = num - qhat * v1;
        }
        if (dd > 1) {
            const Digit low = window[dd - 2];
            while (rhat <= 0xFFFFFFFFu && qhat * v0 > ((rhat << 32) | low)) {
                --qhat;
                rhat += v1;
            }
        }
        Digit digit = static_cast<Digit>(qhat);
        if (digit != 0) {
            const Digit borrow = MulSubRow(window, v, dd, digit);
            if (hi < borrow) {  // one too large: add the divisor back
                --digit;
                BnAdd(window, window, v, dd);
            }
        }
        window[dd] = 0;
        if (q != nullptr) q[i] = digit;
    }
}

// w[0..n] := b[0..n) << shift with the carry in w[n]; shift < 32.
inline void ShiftInto(Digit* w, const Digit* b, unsigned n, unsigned shift) {
    if (shift == 0) {
        for (unsigned j = 0; j < n; ++j) w[j] = b[j];
        w[n] = 0;
        return;
    }
    Digit carry = 0;
    for (unsigned j = 0; j < n; ++j) {
        const Digit x = b[j];
        w[j] = (x << shift) | carry;
        carry = x >> (32 - shift);
    }
    w[n] = carry;
}

// a[0..n) := w[0..n) >> shift; shift < 32, w[n - 1] has no bits above 32 - shift.
inline void UnshiftInto(Digit* a, const Digit* w, unsigned n, unsigned shift) {
    if (shift == 0) {
        for (unsigned j = 0; j < n; ++j) a[j] = w[j];
        return;
    }
    for (unsigned j = 0; j + 1 < n; ++j) a[j] = (w[j] >> shift) | (w[j + 1] << (32 - shift));
    a[n - 1] = w[n - 1] >> shift;
}

// Shared body of BnDiv and BnMod; q may be null (quotient discarded).
void Divide(Digit* q, Digit* r, const Digit* c, unsigned cDigits, const Digit* d,
            unsigned dDigits) {
    const unsigned dd = BnDigits(d, dDigits);
    if (dd == 0) return;
    const unsigned shift = kDigitBits - BnDigitBits(d[dd - 1]);

    Digit w[kMaxProductDigits + 1];
    Digit v[kMaxDigits + 1];  // d << shift; v[dd] receives the (zero) carry
    ShiftInto(w, c, cDigits, shift);
    for (unsigned j = cDigits + 1; j < dd; ++j) w[j] = 0;
    ShiftInto(v, d, dd, shift);

    if (cDigits >= dd) {
        if (q != nullptr)
            for (unsigned j = cDigits - dd + 1; j < cDigits; ++j) q[j] = 0;
        DivideNormalised(q, w, cDigits, v, dd);
    } else if (q != nullptr) {
        for (unsigned j = 0; j < cDigits; ++j) q[j] = 0;
    }
    UnshiftInto(r, w, dd, shift);
    for (unsigned j = dd; j < dDigits; ++j) r[j] = 0;
}

// A modulus prepared once for many reductions.
struct Modulus {
    Digit v[kMaxDigits + 1];  // d << shift (plus the zero carry digit)
    unsigned dd;              // significant digits of d
    unsigned shift;
};

// out (m.dd) := t mod d, where t has len digits (len >= m.dd) and t has room
// for len + 1 digits; t is overwritten.
inline void ReduceInPlace(Digit* out, Digit* t, unsigned len, const Modulus& m) {
    if (m.shift != 0) {
        Digit carry = 0;
        for (unsigned j = 0; j < len; ++j) {
            const Digit x = t[j];
            t[j] = (x << m.shift) | carry;
            carry = x >> (32 - m.shift);
        }
        t[len] = carry;
    } else {
        t[len] = 0;
    }
    DivideNormalised(nullptr, t, len, m.v, m.dd);
    UnshiftInto(out, t, m.dd, m.shift);
}

// out := x * y mod d, x and y of m.dd digits; out may be x or y.
inline void MulMod(Digit* out, const Digit* x, const Digit* y, const Modulus& m) {
    Digit t[kMaxProductDigits + 1];
    MultiplyInto(t, x, y, m.dd);
    ReduceInPlace(out, t, 2 * m.dd, m);
}

// out := x^2 mod d; out may be x.
inline void SquareMod(Digit* out, const Digit* x, const Modulus& m) {
    Digit t[kMaxProductDigits + 1];
    SquareInto(t, x, m.dd);
    ReduceInPlace(out, t, 2 * m.dd, m);
}

// a (dDigits) := b^c mod d by division alone (even moduli, d = 1, c = 1), left
// to right with a fixed 8-bit window over the 255 powers b^1..b^255. c has n
// significant digits, n >= 1.
[[gnu::noinline]] void DivisionExp(Digit* a, const Digit* b, const Digit* c, unsigned n,
                                   const Modulus& m, unsigned dDigits) {
    // table[k] = b^k mod d for k = 1..255; slot 0 is unused (the accumulator
    // lives apart). Only m.dd digits of each slot are ever touched.
    Digit table[256][kMaxDigits];
    {
        Digit t[kMaxProductDigits + 1];
        BnAssign(t, b, dDigits);
        if (dDigits < m.dd) BnAssignZero(t + dDigits, m.dd - dDigits);
        ReduceInPlace(table[1], t, dDigits > m.dd ? dDigits : m.dd, m);
    }
    for (unsigned k = 2; k < 256; ++k) MulMod(table[k], table[k - 1], table[1], m);

    // Left to right over the exponent bytes, leading zero bytes skipped. The
    // accumulator starts as the slot of the first byte: squaring 1 changes
    // nothing (and 1 * slot mod d is the slot, already reduced).
    Digit acc[kMaxDigits];
    bool started = false;
    for (unsigned i = n; i-- > 0;) {
        Digit w = c[i];
        unsigned bytes = 4;
        if (i == n - 1)
            while ((w >> 24) == 0) {
                w <<= 8;
                --bytes;
            }
        for (; bytes > 0; --bytes, w <<= 8) {
            const unsigned slot = w >> 24;
            if (!started) {
                BnAssign(acc, table[slot], m.dd);
                started = true;
                continue;
            }
            for (int s = 0; s < 8; ++s) SquareMod(acc, acc, m);
            if (slot != 0) MulMod(acc, acc, table[slot], m);
        }
    }
    BnAssign(a, acc, m.dd);
    BnAssignZero(a + m.dd, dDigits - m.dd);
}

// ---- Montgomery arithmetic for odd moduli ----
//
// A number x stands as x * R mod d, R = 2^(kLimbBits * limbs), in limbs as
// wide as the multiplier allows (two digits to a limb where the compiler has
// a 128-bit type). A product is reduced by adding multiples of d that clear
// its low half instead of by division. Every value is kept below d.
//
// The unrolling hints below are meant for the fixed lengths; clang reports
// the run-time-length instantiation as not unrolled, which is expected.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wpass-failed"
#endif

#ifdef __SIZEOF_INT128__
using Limb = std::uint64_t;
__extension__ typedef unsigned __int128 LimbPair;
#else
using Limb = std::uint32_t;
using LimbPair = std::uint64_t;
#endif
constexpr unsigned kLimbBits = 8 * sizeof(Limb);
constexpr unsigned kDigitsPerLimb = kLimbBits / kDigitBits;
constexpr unsigned kMaxLimbs = (kMaxDigits + kDigitsPerLimb - 1) / kDigitsPerLimb;
constexpr unsigned kMaxWindowBits = 6;

struct MontModulus {
    Limb n[kMaxLimbs];  // d
    unsigned limbs;
    Limb n0;  // -d^-1 mod 2^kLimbBits
};

// x (limbs) := a (digits), digits <= limbs * kDigitsPerLimb.
void ToLimbs(Limb* x, unsigned limbs, const Digit* a, unsigned digits) {
    for (unsigned i = 0; i < limbs; ++i) {
        Limb v = 0;
        for (unsigned k = 0; k < kDigitsPerLimb; ++k) {
            const unsigned j = i * kDigitsPerLimb + k;
            if (j < digits) v |= static_cast<Limb>(a[j]) << (kDigitBits * k);
        }
        x[i] = v;
    }
}

// a (digits) := the low digits of x.
void FromLimbs(Digit* a, unsigned digits, const Limb* x) {
    for (unsigned j = 0; j < digits; ++j)
        a[j] = static_cast<Digit>(x[j / kDigitsPerLimb] >> (kDigitBits * (j % kDigitsPerLimb)));
}

// -x^-1 mod 2^kLimbBits for odd x, by Newton's iteration: x * x = 1 mod 8
// gives three correct bits, and each step doubles them.
Limb NegativeInverse(Limb x) {
    Limb y = x;
    for (int i = 0; i < 5; ++i) y *= 2 - x * y;
    return 0 - y;
}

// r := x + over * R, less d when that is not below d (it is below 2d). The
// choice is a mask, not a branch. r may be x.
template <unsigned N>
[[gnu::always_inline]] inline void SubtractOnce(Limb* r, const Limb* x, Limb over,
                                                const MontModulus& m) {
    const unsigned n = N != 0 ? N : m.limbs;
    Limb s[kMaxLimbs];
    Limb borrow = 0;
    for (unsigned j = 0; j < n; ++j) {
        const Limb t = x[j] - m.n[j];
        s[j] = t - borrow;
        borrow = static_cast<Limb>((x[j] < m.n[j]) | (t < borrow));
    }
    const Limb keep = 0 - (borrow & (over ^ 1));  // all ones: x is already below d
    for (unsigned j = 0; j < n; ++j) r[j] = (x[j] & keep) | (s[j] & ~keep);
}

// A column sum of the product-scanning loops, three limbs wide: a column
// adds at most 2 * (kMaxLimbs + 1) double-limb products and a carry.
struct Column {
    Limb c0 = 0, c1 = 0, c2 = 0;

    [[gnu::always_inline]] void Add(Limb x, Limb y) {
        const LimbPair p = static_cast<LimbPair>(x) * y;
        const LimbPair s = ((static_cast<LimbPair>(c1) << kLimbBits) | c0) + p;
        c2 += s < p;
        c0 = static_cast<Limb>(s);
        c1 = static_cast<Limb>(s >> kLimbBits);
    }
    void Add(const Column& o) {
        const LimbPair low = (static_cast<LimbPair>(o.c1) << kLimbBits) | o.c0;
        const LimbPair s = ((static_cast<LimbPair>(c1) << kLimbBits) | c0) + low;
        c2 += o.c2 + (s < low);
        c0 = static_cast<Limb>(s);
        c1 = static_cast<Limb>(s >> kLimbBits);
    }
    void Double() {
        c2 = (c2 << 1) | (c1 >> (kLimbBits - 1));
        c1 = (c1 << 1) | (c0 >> (kLimbBits - 1));
        c0 <<= 1;
    }
    // Moves to the next column; returns the finished low limb.
    Limb Shift() {
        const Limb low = c0;
        c0 = c1;
        c1 = c2;
        c2 = 0;
        return low;
    }
};

// The reduction's part of column i (i < limbs) once the product's part is in:
// the multiple u[i] of d that clears the column, then on to the next column.
[[gnu::always_inline]] inline void ClearColumn(Column& acc, Limb* u, unsigned i,
                                               const MontModulus& m) {
#pragma GCC unroll 32
    for (unsigned j = 0; j < i; ++j) acc.Add(u[j], m.n[i - j]);
    u[i] = acc.c0 * m.n0;
    acc.Add(u[i], m.n[0]);
    acc.Shift();  // zero
}

// The reduction's part of column i >= limbs: out[i - limbs] is finished.
template <unsigned N>
[[gnu::always_inline]] inline void FinishColumn(Column& acc, Limb* out, const Limb* u, unsigned i,
                                                const MontModulus& m) {
    const unsigned n = N != 0 ? N : m.limbs;
#pragma GCC unroll 32
    for (unsigned j = i - n + 1; j < n; ++j) acc.Add(u[j], m.n[i - j]);
    out[i - n] = acc.Shift();
}

// r := x * y * R^-1 mod d, the product and its reduction formed together
// column by column (product scanning). r may be x or y.
template <unsigned N>
void MontMul(Limb* r, const Limb* x, const Limb* y, const MontModulus& m) {
    const unsigned n = N != 0 ? N : m.limbs;
    Limb u[kMaxLimbs], out[kMaxLimbs];
    Column acc;
#pragma GCC unroll 32
    for (unsigned i = 0; i < n; ++i) {
#pragma GCC unroll 32
        for (unsigned j = 0; j <= i; ++j) acc.Add(x[j], y[i - j]);
        ClearColumn(acc, u, i, m);
    }
#pragma GCC unroll 32
    for (unsigned i = n; i < 2 * n; ++i) {
#pragma GCC unroll 32
        for (unsigned j = i - n + 1; j < n; ++j) acc.Add(x[j], y[i - j]);
        FinishColumn<N>(acc, out, u, i, m);
    }
    SubtractOnce<N>(r, out, acc.c0, m);
}

// The squaring's part of column i: the cross products x[j] x[i - j], j < i - j,
// once and doubled, plus the square of the middle limb when i is even.
[[gnu::always_inline]] inline void SquareColumn(Column& acc, const Limb* x, unsigned i,
                                                unsigned n) {
    Column cross;
    const unsigned from = i < n ? 0 : i - n + 1;
#pragma GCC unroll 32
    for (unsigned j = from; 2 * j < i; ++j) cross.Add(x[j], x[i - j]);
    cross.Double();
    if (i % 2 == 0) cross.Add(x[i / 2], x[i / 2]);
    acc.Add(cross);
}

// r := x * x * R^-1 mod d; r may be x.
template <unsigned N>
void MontSquare(Limb* r, const Limb* x, const MontModulus& m) {
    const unsigned n = N != 0 ? N : m.limbs;
    Limb u[kMaxLimbs], out[kMaxLimbs];
    Column acc;
#pragma GCC unroll 32
    for (unsigned i = 0; i < n; ++i) {
        SquareColumn(acc, x, i, n);
        ClearColumn(acc, u, i, m);
    }
#pragma GCC unroll 32
    for (unsigned i = n; i < 2 * n; ++i) {
        if (i < 2 * n - 1) SquareColumn(acc, x, i, n);
        FinishColumn<N>(acc, out, u, i, m);
    }
    SubtractOnce<N>(r, out, acc.c0, m);
}

// Bits pos .. pos + count - 1 of c (count <= 32), all inside its n digits.
inline unsigned ExponentBits(const Digit* c, unsigned n, unsigned pos, unsigned count) {
    const unsigned i = pos / kDigitBits, shift = pos % kDigitBits;
    Wide v = c[i] >> shift;
    if (shift + count > kDigitBits && i + 1 < n)
        v |= static_cast<Wide>(c[i + 1]) << (kDigitBits - shift);
    return static_cast<unsigned>(v & ((Wide{1} << count) - 1));
}

// The window width for an exponent of bits bits: the fewest multiplications
// for the table (2^w - 2) and one per window.
unsigned WindowBits(unsigned bits) {
    unsigned best = 1, bestCost = bits;
    for (unsigned w = 2; w <= kMaxWindowBits; ++w) {
        const unsigned cost = (1u << w) - 2 + (bits + w - 1) / w;
        if (cost < bestCost) {
            best = w;
            bestCost = cost;
        }
    }
    return best;
}

// acc := b^c R mod d from table[0] = R mod d and table[1] = b R mod d, with
// N limbs (0: m.limbs). Left to right in fixed windows of w bits over the
// bits significant bits of c (n digits): after the leading window every window
// costs w squarings and one multiplication (by table[0], the form of 1, when
// its bits are zero).
template <unsigned N>
void MontPower(Limb* acc, Limb (*table)[kMaxLimbs], const Digit* c, unsigned n, unsigned bits,
               unsigned w, const MontModulus& m) {
    for (unsigned k = 2; k < (1u << w); ++k) {
        if (k % 2 == 0)
            MontSquare<N>(table[k], table[k / 2], m);
        else
            MontMul<N>(table[k], table[k - 1], table[1], m);
    }
    // the leading window holds the top bit; the others are full
    unsigned pos = bits - ((bits - 1) % w + 1);
    const Limb* first = table[ExponentBits(c, n, pos, bits - pos)];
    for (unsigned j = 0; j < m.limbs; ++j) acc[j] = first[j];
    while (pos > 0) {
        pos -= w;
        for (unsigned s = 0; s < w; ++s) MontSquare<N>(acc, acc, m);
        MontMul<N>(acc, acc, table[ExponentBits(c, n, pos, w)], m);
    }
}

// a (dDigits) := b^c mod d for an odd d above 1 (dm prepared for division)
// and c (n significant digits) above 1. The operands are all read before a is
// written. The sizes of the RSA primes and Fermat candidates get loops of a
// fixed length.
[[gnu::noinline]] void MontgomeryExp(Digit* a, const Digit* b, const Digit* c, unsigned n,
                                     const Digit* d, const Modulus& dm, unsigned dDigits) {
    MontModulus m;
    m.limbs = (dm.dd + kDigitsPerLimb - 1) / kDigitsPerLimb;
    ToLimbs(m.n, m.limbs, d, dm.dd);
    m.n0 = NegativeInverse(m.n[0]);

    const unsigned bits = kDigitBits * (n - 1) + BnDigitBits(c[n - 1]);
    const unsigned w = WindowBits(bits);

    // table[k] = b^k R mod d; slots 0 and 1 by division
    Limb table[1u << kMaxWindowBits][kMaxLimbs];
    {
        Digit t[2 * kMaxLimbs * kDigitsPerLimb + 1], r[kMaxDigits];
        const unsigned low = m.limbs * kDigitsPerLimb;
        BnAssignZero(t, low);
        t[low] = 1;
        ReduceInPlace(r, t, low + 1, dm);
        ToLimbs(table[0], m.limbs, r, dm.dd);
        BnAssignZero(t, low);
        BnAssign(t + low, b, dDigits);
        ReduceInPlace(r, t, low + dDigits, dm);
        ToLimbs(table[1], m.limbs, r, dm.dd);
    }

    Limb acc[kMaxLimbs];
    switch (m.limbs * kLimbBits) {
        case 256:
            MontPower<256 / kLimbBits>(acc, table, c, n, bits, w, m);
            break;
        case 512:
            MontPower<512 / kLimbBits>(acc, table, c, n, bits, w, m);
            break;
        case 1024:
            MontPower<1024 / kLimbBits>(acc, table, c, n, bits, w, m);
            break;
        default:
            MontPower<0>(acc, table, c, n, bits, w, m);
            break;
    }

    // out of the Montgomery form: acc * 1 * R^-1
    Limb one[kMaxLimbs] = {1};
    MontMul<0>(acc, acc, one, m);
    FromLimbs(a, dm.dd, acc);
    BnAssignZero(a + dm.dd, dDigits - dm.dd);
}

#if defined(__clang__)
#pragma clang diagnostic pop
#endif

}  // namespace

void BnDecode(Digit* a, unsigned digits, const std::uint8_t* bytes, unsigned len) {
    unsigned i = 0;
    int j = static_cast<int>(len) - 1;
    for (; i < digits && j >= 0; ++i) {
        Digit t = 0;
        for (unsigned u = 0; j >= 0 && u < 32; --j, u += 8) t |= static_cast<Digit>(bytes[j]) << u;
        a[i] = t;
    }
    for (; i < digits; ++i) a[i] = 0;
}

void BnEncode(std::uint8_t* bytes, unsigned len, const Digit* a, unsigned digits) {
    unsigned i = 0;
    int j = static_cast<int>(len) - 1;
    for (; i < digits && j >= 0; ++i) {
        const Digit t = a[i];
        for (unsigned u = 0; j >= 0 && u < 32; --j, u += 8)
            bytes[j] = static_cast<std::uint8_t>(t >> u);
    }
    for (; j >= 0; --j) bytes[j] = 0;
}

void BnAssign(Digit* a, const Digit* b, unsigned digits) {
    for (unsigned i = 0; i < digits; ++i) a[i] = b[i];
}

void BnAssignZero(Digit* a, unsigned digits) {
    for (unsigned i = 0; i < digits; ++i) a[i] = 0;
}

void BnAssign2Exp(Digit* a, unsigned n, unsigned digits) {
    BnAssignZero(a, digits);
    if (n / kDigitBits >= digits) return;
    a[n / kDigitBits] = static_cast<Digit>(1) << (n % kDigitBits);
}

Digit BnAdd(Digit* a, const Digit* b, const Digit* c, unsigned digits) {
    Wide carry = 0;
    for (unsigned i = 0; i < digits; ++i) {
        const Wide s = static_cast<Wide>(b[i]) + c[i] + carry;
        a[i] = static_cast<Digit>(s);
        carry = s >> 32;
    }
    return static_cast<Digit>(carry);
}

Digit BnSub(Digit* a, const Digit* b, const Digit* c, unsigned digits) {
    Digit borrow = 0;
    for (unsigned i = 0; i < digits; ++i) {
        const Digit bi = b[i], ci = c[i];
        const Digit t = bi - ci;
        a[i] = t - borrow;
        borrow = (bi < ci) | (t < borrow);
    }
    return borrow;
}

void BnMult(Digit* a, const Digit* b, const Digit* c, unsigned digits) {
    Digit t[kMaxProductDigits];
    BnAssignZero(t, 2 * digits);
    const unsigned bd = BnDigits(b, digits);
    const unsigned cd = BnDigits(c, digits);
    for (unsigned i = 0; i < bd; ++i)
        if (b[i] != 0) t[i + cd] = MulAddRow(t + i, c, cd, b[i]);
    BnAssign(a, t, 2 * digits);
}

Digit BnLShift(Digit* a, const Digit* b, unsigned n, unsigned digits) {
    if (n >= kDigitBits) return 0;
    if (n == 0) {
        BnAssign(a, b, digits);
        return 0;
    }
    Digit carry = 0;
    for (unsigned i = 0; i < digits; ++i) {
        const Digit x = b[i];
        a[i] = (x << n) | carry;
        carry = x >> (kDigitBits - n);
    }
    return carry;
}

Digit BnRShift(Digit* a, const Digit* b, unsigned n, unsigned digits) {
    if (n >= kDigitBits) return 0;
    if (n == 0) {
        BnAssign(a, b, digits);
        return 0;
    }
    Digit carry = 0;
    for (unsigned i = digits; i-- > 0;) {
        const Digit x = b[i];
        a[i] = (x >> n) | carry;
        carry = x << (kDigitBits - n);
    }
    return carry;
}

void BnDiv(Digit* q, Digit* r, const Digit* c, unsigned cDigits, const Digit* d, unsigned dDigits) {
    Divide(q, r, c, cDigits, d, dDigits);
}

void BnMod(Digit* a, const Digit* b, unsigned bDigits, const Digit* c, unsigned cDigits) {
    Divide(nullptr, a, b, bDigits, c, cDigits);
}

void BnModMult(Digit* a, const Digit* b, const Digit* c, const Digit* d, unsigned digits) {
    Digit t[kMaxProductDigits];
    BnMult(t, b, c, digits);
    BnMod(a, t, 2 * digits, d, digits);
}

void BnModExp(Digit* a, const Digit* b, const Digit* c, unsigned cDigits, const Digit* d,
              unsigned dDigits) {
    const unsigned n = BnDigits(c, cDigits);
    Modulus m;
    m.dd = BnDigits(d, dDigits);
    // b^0 = 1, unreduced. A zero modulus gives 1 as well: no reduction by it
    // writes anything, so the accumulator keeps its starting value.
    if (n == 0 || m.dd == 0) {
        BnAssignZero(a, dDigits);
        if (dDigits > 0) a[0] = 1;
        return;
    }
    m.shift = kDigitBits - BnDigitBits(d[m.dd - 1]);
    ShiftInto(m.v, d, m.dd, m.shift);

    const bool oddAboveOne = (d[0] & 1) != 0 && (m.dd > 1 || d[0] > 1);
    const bool exponentOne = n == 1 && c[0] == 1;
    if (oddAboveOne && !exponentOne)
        MontgomeryExp(a, b, c, n, d, m, dDigits);
    else
        DivisionExp(a, b, c, n, m, dDigits);
}

void BnModInv(Digit* a, const Digit* b, const Digit* c, unsigned digits) {
    Digit x[kMaxDigits], y[kMaxDigits], r[kMaxDigits], s[kMaxDigits];
    Digit quotient[kMaxDigits], t[kMaxDigits], z[kMaxDigits];
    Digit product[kMaxProductDigits];
    BnAssignZero(x, digits);
    if (digits > 0) x[0] = 1;
    BnAssignZero(y, digits);
    BnAssign(r, b, digits);
    BnAssign(s, c, digits);
    bool negative = false;
    while (!BnIsZero(s, digits)) {
        BnDiv(quotient, t, r, digits, s, digits);
        BnMult(product, quotient, y, digits);
        BnAdd(z, x, product, digits);
        BnAssign(x, y, digits);
        BnAssign(y, z, digits);
        BnAssign(r, s, digits);
        BnAssign(s, t, digits);
        negative = !negative;
    }
    if (negative)
        BnSub(a, c, x, digits);
    else
        BnAssign(a, x, digits);
}

void BnGcd(Digit* a, const Digit* b, const Digit* c, unsigned digits) {
    Digit x[3][kMaxDigits];
    BnAssign(x[0], c, digits);
    BnAssign(x[1], b, digits);
    if (BnIsZero(x[1], digits)) {
        BnAssign(a, x[0], digits);
        return;
    }
    unsigned i = 1;
    for (;;) {
        const unsigned next = (i + 1) % 3;
        BnMod(x[next], x[(i + 2) % 3], digits, x[i], digits);
        if (BnIsZero(x[next], digits)) break;
        i = next;
    }
    BnAssign(a, x[i], digits);
}

int BnCmp(const Digit* a, const Digit* b, unsigned digits) {
    for (unsigned i = digits; i-- > 0;) {
        if (a[i] > b[i]) return 1;
        if (a[i] < b[i]) return -1;
    }
    return 0;
}

int BnIsZero(const Digit* a, unsigned digits) {
    for (unsigned i = 0; i < digits; ++i)
        if (a[i] != 0) return 0;
    return 1;
}

unsigned BnDigits(const Digit* a, unsigned digits) {
    while (digits > 0 && a[digits - 1] == 0) --digits;
    return digits;
}

unsigned BnDigitBits(Digit w) {
    unsigned bits = 0;
    while (w != 0) {
        ++bits;
        w >>= 1;
    }
    return bits;
}

void BnDigitMult(Digit a[2], Digit b, Digit c) {
    const Wide p = static_cast<Wide>(b) * c;
    a[0] = static_cast<Digit>(p);
    a[1] = static_cast<Digit>(p >> 32);
}

Digit BnSubDigitMult(Digit* a, const Digit* b, Digit m, const Digit* d, unsigned digits) {
    if (m == 0 || digits == 0) return 0;
    Wide borrow = 0;
    for (unsigned j = 0; j < digits; ++j) {
        const Wide p = static_cast<Wide>(m) * d[j] + borrow;
        const Digit low = static_cast<Digit>(p);
        const Digit bj = b[j];
        a[j] = bj - low;
        borrow = (p >> 32) + (bj < low);
    }
    return static_cast<Digit>(borrow);
}

}  // namespace cerrojo
