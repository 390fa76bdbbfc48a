// Messages, captions and fixed texts of the key options and the generation
// run, in one table.
//
// Every text is Windows-1252 bytes, NUL-terminated and static. Each is written
// once, in texts.cpp; everything else refers to it by its GenerationText id.
#pragma once

#include <string>

namespace petitora {

enum class GenerationText : int {
    CaptionPetitora,      // caption of every message box but the password ones
    CaptionError,         // caption of the password messages
    NoKeyPair,            // entropy cancelled or key generation failed
    RequestFailed,        // the request could not be built, checked or stored
    KeyFileFailed,        // the key file could not be built or stored
    PasswordInvalid,      // password box empty
    ConfirmationInvalid,  // confirmation box empty
    PasswordTooShort,     // either box under 8 characters
    PasswordsDiffer,
    FolderMissing,    // the destination folder cannot be entered
    SameOutputNames,  // the request would be stored under the key file's name
    ReplaceOneFile,   // "%s" = the file name
    ReplaceTwoFiles,  // "%1" and "%2" = the two file names
    ConfirmQuestion,  // appended to the notice before generation
    BuiltInNotice,    // notice of the kinds without "Petitora.ini"
    Success,
    KeySizeHelp,
    MemoryError,
    Count
};

inline constexpr int kGenerationTextCount = static_cast<int>(GenerationText::Count);

// The name of the customs kinds' notice file, looked up in the working directory.
inline constexpr const char* kNoticeFileName = "Petitora.ini";

// The text of id; "" for an id outside the table.
const char* Text(GenerationText id);

// The text of id with the first occurrence of each placeholder replaced by its
// value (Windows-1252 bytes); nothing else in the text is interpreted.
std::string FormatText(GenerationText id, const char* placeholder, const std::string& value);
std::string FormatText(GenerationText id, const char* placeholder1, const std::string& value1,
                       const char* placeholder2, const std::string& value2);

}  // namespace petitora
