// Messages and captions of the capture rules, in one table.
//
// Every text is Windows-1252 bytes, NUL-terminated and static. Each is written
// once, in texts.cpp; everything else refers to it by its TextId.
#pragma once

#include <cstddef>
#include <string>

namespace petitora {

enum class TextId : int {
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
    CannotOpenFile,  // "%s" = the file name
    DamagedFile,     // "%s" = the file name
    Count
};

inline constexpr int kTextCount = static_cast<int>(TextId::Count);

// The text of id; "" for an id outside the table.
const char* Text(TextId id);

// The text of id with the first occurrence of placeholder (e.g. "%1", "%s")
// replaced by value. Nothing else in the text is interpreted.
std::string FormatText(TextId id, const char* placeholder, const std::string& value);

// text with the first occurrence of placeholder replaced by value; text as it
// is when placeholder is null, empty or absent.
std::string ReplaceFirst(std::string text, const char* placeholder, const std::string& value);

}  // namespace petitora
