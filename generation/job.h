// One generation run, from a validated registrant to the request (.req) and
// the encrypted private key (.key), and the key-options logic around it.
//
// The capture dialog owns a CaptureStorage for as long as it is open; the
// key-options dialog owns a GenerationJob (which points into that storage)
// and the random pool. The dialogs only read their boxes into these records,
// call the functions below and move the focus where they say.
//
// Every text here is Windows-1252 bytes except file and folder names, which
// are in the platform's file-name encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "capture/registrant.h"
#include "crypto/random.h"
#include "crypto/rsa.h"
#include "generation/file_system.h"
#include "generation/generation_host.h"
#include "generation/message_presenter.h"
#include "generation/secure_bytes.h"

namespace petitora {

inline constexpr std::size_t kWorkBufferSize = 4096;
inline constexpr std::size_t kPrivateKeyBufferSize = 2818;
static_assert(sizeof(cerrojo::RsaPrivateKey) <= kPrivateKeyBufferSize);

// What the capture dialog owns for as long as it is open.
struct CaptureStorage {
    RegistrantRecord registrant;
    std::string workingDirectory;  // current directory when the dialog opened ("" if unknown)
    SecureBytes privateKeyBuffer{kPrivateKeyBufferSize};
    SecureBytes workBuffer{kWorkBufferSize};

    // False when either buffer could not be allocated: the dialog then shows
    // MemoryErrorMessage() and creates no pages.
    bool Allocated() const { return privateKeyBuffer.data() && workBuffer.data(); }
};

// The working record of one key-options dialog and its generation runs.
struct GenerationJob {
    // Parts owned by the capture dialog (see CaptureStorage).
    const RegistrantRecord* registrant = nullptr;
    std::string workingDirectory;
    std::uint8_t* workBuffer = nullptr;                  // kWorkBufferSize bytes
    cerrojo::RsaPrivateKey* privateKeyBuffer = nullptr;  // in kPrivateKeyBufferSize bytes

    // Parts owned by the key-options dialog.
    int keySizeIndex = 0;  // 0: 1024 bits, 1: 2048, anything else 4096
    SecretText password;
    SecretText passwordConfirmation;
    std::string pathText;    // the destination box (folder and request file name)
    std::string outputName;  // file name of the file about to be written
    std::uint32_t outputLength = kWorkBufferSize;
    cerrojo::RandomPool* pool = nullptr;
    cerrojo::RsaPublicKey publicKey{};

    // The path the user chose in the save-as chooser after agreeing there to
    // replace it (the dialog sets it; "" when none). It counts as agreement to
    // replace the request file only while pathText still equals it.
    std::string replaceAgreedPath;

    // Feed 32 bytes of the operating system's random source to the pool before
    // the mouse events. Only a reproducible replay turns this off.
    bool useSystemEntropy = true;
};

// The opening of the key-options dialog: points job at capture's storage and
// at pool (zeroed, owned by the dialog), sets outputName and pathText to the
// full RFC + ".req", empties both passwords, keySizeIndex 0, outputLength 4096.
void InitGenerationJob(GenerationJob& job, CaptureStorage& capture, cerrojo::RandomPool* pool);

// The services a run uses; all are owned by the caller.
struct GenerationServices {
    MessagePresenter& messages;
    GenerationHost& host;
    FileSystem& files;
};

// Where the key-options dialog puts the keyboard focus after a failed check.
enum class KeyOptionsFocus { None, Password, Confirmation, Destination };

struct KeyOptionsOutcome {
    bool closeWithOk = false;  // files written: the dialog closes with OK
    KeyOptionsFocus focus = KeyOptionsFocus::None;
};

// "&Aceptar", after the dialog has read its boxes into job: makes
// workingDirectory current, loads the notice, checks the passwords and the
// destination (a request name that would also be the key file's name is
// refused), asks before existing files of the run's names are replaced (No:
// focus on the destination, nothing done), asks for confirmation and runs
// GenerateFiles, with the success message. Every message goes through
// services.messages.
KeyOptionsOutcome OnAccept(GenerationJob& job, GenerationServices& services);

// The password rules, in order; the first failure is shown (caption "Error")
// and its box returned in focus.
struct PasswordCheck {
    bool valid = true;
    KeyOptionsFocus focus = KeyOptionsFocus::None;
};
PasswordCheck CheckPasswords(const GenerationJob& job, MessagePresenter& messages);

// Splits pathText at its last "\" (else "/"), makes the folder (relative to
// workingDirectory) or workingDirectory current, sets outputName. Shows the
// folder message and returns false when the folder cannot be entered.
bool CheckOutputFolder(GenerationJob& job, MessagePresenter& messages, FileSystem& files);

// Fills workBuffer with the notice shown before generation (built in, or
// "Petitora.ini" of the current directory for the customs kinds). Always true.
bool LoadConfirmationText(GenerationJob& job, FileSystem& files);

// The key-size "?" box (information icon).
void ShowKeySizeHelp(MessagePresenter& messages);

// "Error de memoria en OnInitDialog()." with caption "Petitora".
MessageRequest MemoryErrorMessage();

// The run itself: entropy, key pair, request and key file built in memory,
// the request's signature checked, then both files stored through temporary
// files (see generation/driver.h). True only when both files were written;
// on false the message of the failing step has been shown and no file of
// the run's names has changed. The private key and the key file's bytes are
// wiped from the capture's buffers, and the stack below the work's frame
// (locals and spilled registers of the library), before it returns.
bool GenerateFiles(GenerationJob& job, GenerationServices& services);

}  // namespace petitora
