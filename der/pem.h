// Cerrojo PEM unwrapper: the DER bytes inside one PEM block (RFC 7468) of a
// text file, with a strict Base64 decoder (RFC 4648, section 4).
//
// Accepted, and nothing else:
//   blank lines (spaces, tabs, CR, LF) before the block;
//   the line "-----BEGIN <label>-----" from the start of its line (blanks
//   may end it);
//   Base64 text: the standard alphabet in groups of four characters, '='
//   padding only in the last group, the bits that padding leaves unused zero;
//   in lines of any length ending in CR LF or LF, blanks anywhere in a line,
//   no blank line;
//   the line "-----END <label>-----" from the start of its line;
//   blank space after the block.
// Refused: explanatory text or headers ("Proc-Type:"), a second block,
// another label, Base64 that is not in its one canonical form.
#pragma once

#include <cstdint>

namespace cerrojo {

inline constexpr int StatusPemNoBlock = 0x430;  // no "-----BEGIN <label>-----" line, or no END line
inline constexpr int StatusPemBadText =
    0x431;  // text outside the block, a header, or Base64 not in its strict form

// Decodes the one block labelled label (a zero-terminated text such as
// "CERTIFICATE") of text[0..length) into out[0..capacity) and its length into
// *outLength. text may be null only with length 0.
// Returns 0; StatusPemNoBlock; StatusPemBadText (an empty block too);
// StatusDerTooLarge (der/reader.h) when the bytes do not fit capacity. On
// failure *outLength is untouched and out may hold a part.
int PemDecode(const std::uint8_t* text, std::uint32_t length, const char* label,
              std::uint8_t* out, std::uint32_t capacity, std::uint32_t* outLength);

}  // namespace cerrojo
