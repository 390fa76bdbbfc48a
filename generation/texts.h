// Messages, captions and fixed texts of the key options and the generation
// run, in one table of UTF-8 texts (see text/catalogue.h).
#pragma once

#include "text/catalogue.h"

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
    ReplaceOneFile,   // "%1" = the file name
    ReplaceTwoFiles,  // "%1" and "%2" = the two file names
    ConfirmQuestion,  // appended to the notice before generation
    BuiltInNotice,    // notice of the kinds without "Petitora.ini"
    Success,
    KeySizeHelp,
    MemoryError,
    DefaultNameInvalid,  // the RFC cannot be the request file's name
    FolderBusy,          // another run holds the destination folder
    TargetChanged,       // "%1" = the file that changed after the question
    PairCompleted,       // "%1" and "%2": an interrupted change finished
    PairRolledBack,      // "%1" and "%2": an interrupted change undone
    LeftoverUnknown,     // "%1" = a leftover that is left alone
    PairPending,         // "%1" and "%2": an interrupted change found (report only)
    Count
};

// The name of the customs kinds' notice file, looked up in the working directory.
inline constexpr const char* kNoticeFileName = "Petitora.ini";

// The text of id in Windows-1252 (static; "" for an id outside the table).
const char* Text(GenerationText id);

}  // namespace petitora
