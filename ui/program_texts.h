// Texts of the desktop layer that are not part of a dialog layout: the
// labels of Qt's standard buttons and of the file choosers (so they read in
// Spanish even when Qt's own translation is missing), the start-up notes and
// the verification dialog's texts that depend on the outcome. One table of
// UTF-8 texts (see text/catalogue.h), shown through FromCp1252.
#pragma once

#include "text/catalogue.h"

namespace petitora {

enum class UiText : int {
    ButtonOk,
    ButtonYes,
    ButtonNo,
    ChooserSave,
    ChooserCancel,
    ChooserFileName,
    ChooserFileType,
    ChooserLookIn,
    RequestFilter,    // save-as chooser: the request files
    AllFilesFilter,   // the entry as the chooser lists it
    AllFilesPattern,  // the same entry as Qt matches it: every name, with or without a dot
    RequestSuffix,
    TranslationMissing,  // %1 = the folder searched
    ChooserOpen,
    KeyFilter,  // the key files
    RequestToVerifyTitle,
    KeyToVerifyTitle,
    VerifyAllPassed,
    VerifyRequestPassed,  // every check passed, but no key file was given
    VerifySomeFailed,
    VerifyNoKeyFile,  // in place of the key file's name
    CertificateToVerifyTitle,
    CertificateFilter,
    IssuerToVerifyTitle,
    CertificateAllPassed,
    CertificateNoRequest,  // in place of the request's name
    CertificateNoIssuer,   // in place of the issuer's certificate's name
    PfxSaveTitle,
    PfxFilter,
    PfxSuffix,
    PfxSaved,       // %1 = the file
    PfxNotWritten,
    PfxNoEntropy,
    CertificateVerifyTitle,
    CertificateNotice,
    CertificateContents,  // the title of the contents' group
    Count
};

// The text of id in Windows-1252 (static; "" for an id outside the table).
const char* Text(UiText id);

}  // namespace petitora
