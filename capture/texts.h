// Messages and captions of the capture rules, in one table of UTF-8 texts
// (see text/catalogue.h).
#pragma once

#include "text/catalogue.h"

namespace petitora {

enum class CaptureText : int {
    CaptionError,       // caption of every captured-data message box
    TooManyCharacters,  // "%1" = the box's maximum length
    RfcLength,
    RfcMonth,
    RfcDay,
    RfcHomoclave,
    CurpLength,
    CurpSex,
    MissingBusinessName,
    MissingUserName,
    MissingPaternalSurname,
    MissingEmail,
    EmailNoAt,
    EmailSecondAt,
    EmailForbiddenText,
    MissingRevocationKey,
    RevocationKeyTooShort,
    MissingCprNumber,
    MissingPatente,
    MissingAddressData,
    OfficeStateMismatch,
    MissingRepresentative,
    MissingRepresentativeName,
    MissingFieldOnLeave,
    CannotOpenFile,  // "%1" = the file name
    DamagedFile,     // "%1" = the file name
    Count
};

// The text of id in Windows-1252 (static; "" for an id outside the table).
const char* Text(CaptureText id);

}  // namespace petitora
