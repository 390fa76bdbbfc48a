// The records of one generation run, from a validated registrant to the
// request (.req) and the encrypted private key (.key).
//
// The capture dialog owns a CaptureStorage for as long as it is open; the
// key-options dialog owns a GenerationJob (which points into that storage)
// and the random pool. The dialogs only read their boxes into these records,
// call the key-options logic (generation/key_options.h) and move the focus
// where it says.
//
// Every text here is Windows-1252 bytes except file and folder names, which
// are in the platform's file-name encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "capture/registrant.h"
#include "crypto/random.h"
#include "crypto/rsa.h"
#include "generation/file_names.h"
#include "generation/file_system.h"
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
    std::uint8_t* workBuffer = nullptr;                  // kWorkBufferSize bytes: the key file
    cerrojo::RsaPrivateKey* privateKeyBuffer = nullptr;  // in kPrivateKeyBufferSize bytes

    // Parts owned by the key-options dialog.
    int keySizeIndex = 0;  // 0: 1024 bits, 1: 2048, anything else 4096
    SecretText password;
    SecretText passwordConfirmation;
    std::string pathText;  // the destination box (folder and request file name)
    // pathText resolved (CheckOutputFolder): where the run writes both files.
    Destination destination;
    std::string outputName;  // destination.requestName, the save-as chooser's first name
    std::uint32_t outputLength = kWorkBufferSize;  // the key file's length in workBuffer
    cerrojo::RandomPool* pool = nullptr;
    cerrojo::RsaPublicKey publicKey{};
    std::string notice;  // shown before generation (LoadConfirmationText)

    // The path the user chose in the save-as chooser after agreeing there to
    // replace it (the dialog sets it; "" when none). It counts as agreement to
    // replace the request file only while pathText still equals it.
    std::string replaceAgreedPath;
    // What the destination's two names stood for when the user agreed to
    // the run (OnAccept): the files he agreed to replace, nullopt for a name
    // that did not exist. The run replaces nothing else.
    std::optional<FileIdentity> agreedRequest;
    std::optional<FileIdentity> agreedKey;

    // Feed 32 bytes of the operating system's random source to the pool before
    // the mouse events. Only a reproducible replay turns this off.
    bool useSystemEntropy = true;
};

}  // namespace petitora
