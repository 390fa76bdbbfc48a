// Cerrojo multi-precision arithmetic: unsigned numbers of up to 2,080 bits in
// fixed arrays of 32-bit digits, least significant digit first.
//
// Every function works on caller-owned arrays and fixed-size locals: nothing
// allocates, nothing reports an error, nothing keeps state between calls, and
// nothing clears its own temporaries (the RSA code wipes its secrets).
//
// A digit count says how many digits of each named array take part; every
// array must hold at least that many, and digits above a number's significant
// length must be zero. Single-length operands have at most kMaxDigits digits,
// products and dividends at most 2 * kMaxDigits.
//
// Aliasing: the result may be the same array as any operand in BnAssign,
// BnAdd, BnSub, BnLShift, BnRShift, BnMult, BnMod, BnModMult and BnModExp.
// BnDiv copies its operands before writing, so q or r may be c or d (but q and
// r must be different arrays). BnGcd builds its result locally. BnModInv reads
// c again at the very end: its result must not be c.
#pragma once

#include <cstdint>

namespace cerrojo {

using Digit = std::uint32_t;

inline constexpr unsigned kDigitBits = 32;
inline constexpr unsigned kMaxDigits = 65;  // 2,080 bits: a 2,048-bit modulus plus one digit

// a (digits) := the big-endian string bytes[0..len). Bytes beyond 4 * digits
// at the front are ignored; digits the string does not reach become 0.
void BnDecode(Digit* a, unsigned digits, const std::uint8_t* bytes, unsigned len);

// Writes exactly len big-endian bytes of a (digits). Leading bytes the number
// does not reach are 0; a number too long for len loses its top bytes.
void BnEncode(std::uint8_t* bytes, unsigned len, const Digit* a, unsigned digits);

// a := b.
void BnAssign(Digit* a, const Digit* b, unsigned digits);

// a := 0.
void BnAssignZero(Digit* a, unsigned digits);

// a := 2^n; a is left 0 when n >= 32 * digits.
void BnAssign2Exp(Digit* a, unsigned n, unsigned digits);

// a := b + c mod 2^(32 * digits). Returns the carry out, 0 or 1.
Digit BnAdd(Digit* a, const Digit* b, const Digit* c, unsigned digits);

// a := b - c mod 2^(32 * digits). Returns the borrow out, 0 or 1.
Digit BnSub(Digit* a, const Digit* b, const Digit* c, unsigned digits);

// a (2 * digits) := b * c, with b and c of digits digits each (at most kMaxDigits).
void BnMult(Digit* a, const Digit* b, const Digit* c, unsigned digits);

// a := b << n for 0 <= n < 32; returns the n bits pushed out of the top digit
// in the low bits of a digit. n >= 32: returns 0, a untouched.
Digit BnLShift(Digit* a, const Digit* b, unsigned n, unsigned digits);

// a := b >> n for 0 <= n < 32; returns the n bits pushed out of the bottom in
// the high bits of a digit. n >= 32: returns 0, a untouched.
Digit BnRShift(Digit* a, const Digit* b, unsigned n, unsigned digits);

// q (cDigits) := c div d and r (dDigits) := c mod d, by schoolbook long
// division on the normalised divisor. cDigits <= 2 * kMaxDigits,
// dDigits <= kMaxDigits. A zero d writes nothing.
void BnDiv(Digit* q, Digit* r, const Digit* c, unsigned cDigits, const Digit* d, unsigned dDigits);

// a (cDigits) := b mod c. bDigits <= 2 * kMaxDigits, cDigits <= kMaxDigits.
// A zero c writes nothing.
void BnMod(Digit* a, const Digit* b, unsigned bDigits, const Digit* c, unsigned cDigits);

// a := b * c mod d, all of digits digits (at most kMaxDigits). A zero d writes nothing.
void BnModMult(Digit* a, const Digit* b, const Digit* c, const Digit* d, unsigned digits);

// a (dDigits) := b^c mod d. c has cDigits digits (at most kMaxDigits); b and
// d have dDigits (at most kMaxDigits) and b need not be below d. A zero
// exponent gives 1, unreduced; so does a zero d (no reduction by it writes
// anything). Every other result is reduced below d.
// An odd d above 1 with c above 1 goes through Montgomery multiplication,
// left to right in fixed windows of up to 6 bits (a table of at most 64
// powers, 16,896 bytes of stack); the rest (even d, d = 1, c = 1) through
// long division with a fixed 8-bit window over the 255 powers b^1..b^255
// (66,560 bytes of stack). Both give the same number. Neither runs in time
// independent of its operands.
void BnModExp(Digit* a, const Digit* b, const Digit* c, unsigned cDigits, const Digit* d,
              unsigned dDigits);

// a := b^-1 mod c by the extended Euclidean algorithm. Meaningful only when
// gcd(b, c) = 1 (not checked). a must not be the same array as c.
void BnModInv(Digit* a, const Digit* b, const Digit* c, unsigned digits);

// a := gcd(b, c); the gcd of a number and 0 is that number.
void BnGcd(Digit* a, const Digit* b, const Digit* c, unsigned digits);

// 1 if a > b, -1 if a < b, 0 if equal (also for digits = 0).
int BnCmp(const Digit* a, const Digit* b, unsigned digits);

// 1 if a is 0 (or digits is 0), else 0.
int BnIsZero(const Digit* a, unsigned digits);

// The number of significant digits of a: 0 for zero.
unsigned BnDigits(const Digit* a, unsigned digits);

// The bit length of one digit, 0..32.
unsigned BnDigitBits(Digit w);

// a[1]:a[0] := b * c, the full 64-bit product (a[1] the high digit).
void BnDigitMult(Digit a[2], Digit b, Digit c);

// a := b - m * d over digits digits (in place: a is b). Returns the borrow
// digit, which may exceed 1. m = 0 or digits = 0: returns 0, a not written.
Digit BnSubDigitMult(Digit* a, const Digit* b, Digit m, const Digit* d, unsigned digits);

}  // namespace cerrojo
