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

    // The certificate and its issuer's, as put into the reading messages.
    CertificateFile,
    IssuerFile,

    // Check 1: the certificate.
    CertificateOk,
    CertificateDamaged,
    CertificateUnsupported,
    CertificateKeyTooLarge,

    // Check 3: the certificate's key against the key file's and the request's.
    CertificateKeyOk,
    CertificateKeyMismatch,
    CertificateKeyNotChecked,
    CertificateRequestOk,
    CertificateRequestMismatch,
    CertificateRequestNotChecked,

    // Check 4: in force today.
    InForce,      // "%1" = the last date, "%2" = the days left
    Expired,      // "%1" = the last date, "%2" = the days since
    NotYetValid,  // "%1" = the first date
    ValidityNotChecked,
    DateTime,  // "%1".."%6" = day, month, year, hour, minute, second

    // The issuer's signature.
    IssuerOk,  // "%1" = the signature algorithm
    IssuerBadSignature,
    IssuerDamaged,
    IssuerUnsupported,
    IssuerKeyTooLarge,
    IssuerUnsupportedSignature,
    IssuerNotChecked,

    // What the certificate holds.
    LabelSubject,  // "%1" = the attribute's name
    LabelIssuer,
    LabelSerial,
    LabelValidFrom,
    LabelValidUntil,
    LabelFingerprint,
    LabelRequestRfc,
    RfcMatches,
    RfcDiffers,  // "%1" = the request's RFC

    // The .pfx file.
    PfxPasswordPrompt,
    PfxPasswordUnusable,
    PfxWritten,  // "%1" = the file
    PfxExists,   // "%1" = the file
    PfxNotWritten,
    PfxNotOffered,
    Count
};

// The text of id in Windows-1252 (static; "" for an id outside the table).
const char* Text(VerifyText id);

}  // namespace petitora
