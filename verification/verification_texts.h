// Texts of the file verification, in one table of UTF-8 texts (see
// text/catalogue.h); "%1" marks the one place a value is put in.
#pragma once

#include "text/catalogue.h"

namespace petitora {

enum class VerifyText : int {
    // How a check came out.
    MarkPassed,
    MarkFailed,
    MarkNotRun,

    // The two files, as put into the reading messages.
    RequestFile,
    KeyFile,
    // Reading a file ("%1" = one of the two above).
    CannotOpen,
    NotRegularFile,
    FileTooLarge,
    ReadError,

    // Check 1: the request.
    RequestOk,  // "%1" = the signature algorithm
    RequestDamaged,
    RequestUnsupported,
    RequestKeyTooLarge,
    RequestUnsupportedSignature,
    RequestBadSignature,

    // Check 2: the key file and the password.
    KeyOk,
    KeyDamaged,
    KeyUnsupportedCipher,
    KeyTooManyIterations,  // "%1" = the most iterations accepted
    KeyWrongPassword,
    KeyTooLarge,
    KeyInconsistent,

    // Check 3: the pair.
    PairOk,
    PairMismatch,
    PairNotChecked,

    // What the request holds.
    LabelRfc,
    LabelRepresentativeRfc,
    LabelName,
    LabelBusinessName,
    LabelCurp,
    LabelEmail,
    LabelState,
    LabelKeySize,
    LabelSignatureAlgorithm,
    ValueAbsent,
    KeyBits,           // "%1" = the number of bits
    UnknownAlgorithm,  // "%1" = the object identifier in dotted form

    // The command-line tool.
    Usage,
    PasswordTooLong,
    PasswordPrompt,
    Count
};

// The text of id in Windows-1252 (static; "" for an id outside the table).
const char* Text(VerifyText id);

}  // namespace petitora
