// Texts of the file verification, in one table.
//
// Every text is Windows-1252 bytes, NUL-terminated and static, written once in
// verification_texts.cpp. "%s" marks the one place a value is put in.
#pragma once

#include <string>

namespace petitora {

enum class VerifyTextId : int {
    // How a check came out.
    MarkPassed,
    MarkFailed,
    MarkNotRun,

    // The two files, as put into the reading messages.
    RequestFile,
    KeyFile,
    // Reading a file ("%s" = one of the two above).
    CannotOpen,
    NotRegularFile,
    FileTooLarge,
    ReadError,

    // Check 1: the request.
    RequestOk,  // "%s" = the signature algorithm
    RequestDamaged,
    RequestUnsupported,
    RequestKeyTooLarge,
    RequestUnsupportedSignature,
    RequestBadSignature,

    // Check 2: the key file and the password.
    KeyOk,
    KeyDamaged,
    KeyUnsupportedCipher,
    KeyTooManyIterations,  // "%s" = the most iterations accepted
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
    KeyBits,           // "%s" = the number of bits
    UnknownAlgorithm,  // "%s" = the object identifier in dotted form

    // The command-line tool.
    Usage,
    PasswordTooLong,
    PasswordPrompt,
    Count
};

inline constexpr int kVerifyTextCount = static_cast<int>(VerifyTextId::Count);

// The text of id; "" for an id outside the table.
const char* VerifyText(VerifyTextId id);

// The text of id with its "%s" replaced by value.
std::string FormatVerifyText(VerifyTextId id, const std::string& value);

}  // namespace petitora
