// The generation run: entropy, key pair, request, key file, both files stored.
//
// A run builds both files in memory and checks the request's signature with
// the new public key before any file is touched; only then are both written
// to temporary files beside their targets and put in place as one unit
// (generation/pair_store.h), so that a failed run leaves every earlier file
// as it was. The steps that compute
// (key generation, both builds, the check) show nothing and touch no window:
// GenerateFiles runs them through GenerationHost::RunWork and shows the
// message of the failing step afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "capture/registrant.h"
#include "crypto/rsa.h"
#include "generation/file_system.h"
#include "generation/generation_host.h"
#include "generation/job.h"
#include "generation/message_presenter.h"
#include "generation/pair_store.h"

namespace petitora {

// The services a run uses; all are owned by the caller.
struct GenerationServices {
    MessagePresenter& messages;
    GenerationHost& host;
    FileSystem& files;
};

// The run: GenerateKeyPair, WritePrivateKeyFile, then StoreFiles into folder
// (job.destination.folder held open by FileSystem::OpenFolder) under the
// destination's two names, replacing only the files recorded in
// job.agreedRequest and job.agreedKey. True only when both files were
// written; on false the message of the failing step has been shown and no
// file of the run's names has changed. The private key and the key file's bytes are wiped from
// the capture's buffers, and the stack below the work's frame (locals and
// spilled registers of the library), before it returns.
bool GenerateFiles(GenerationJob& job, int folder, GenerationServices& services);

// 0 -> 1024 bits, 1 -> 2048, anything else 4096.
std::uint32_t KeySizeBits(int keySizeIndex);

// The texts the request carries, built from the registrant (Windows-1252).
// Empty strings are slots left empty: organizationName outside the entity
// kinds, email when none was given. commonName may be empty and is then
// still passed, with length 0.
struct RequestTexts {
    std::string organizationName;  // entity kinds: the business name
    std::string commonName;
    std::string streetAddress;
    std::string postalCode;
    std::string countryName;  // "MX"
    std::string stateName;    // upper-case state name of stateIndex
    std::string localityName;
    std::string uniqueIdentifier;  // full RFC [" \ " representative's full RFC]
    std::string email;
    std::string registrantKind;  // "T=FI[; CPR=...|; PAT=...][; CURP=...]"
};
RequestTexts BuildRequestTexts(const RegistrantRecord& registrant);

// Base64 of MD5(rfcLetters + rfcDate + rfcHomoclave + revocationKey) into
// output: the area is zeroed, then the 24 characters are written (the last
// two "="), followed by zeros. Returns the encoder's result. The digest is
// wiped; no copy of the revocation key is made.
inline constexpr std::size_t kChallengeAreaSize = 35;
bool ComputeChallengePassword(const RegistrantRecord& registrant,
                              std::uint8_t (&output)[kChallengeAreaSize]);

// The request of a run while it is only in memory, in a buffer of its own
// (the key file is built in the capture's workBuffer), wiped on release.
inline constexpr std::size_t kRequestBufferSize = 4096;
struct BuiltFiles {
    SecureBytes request{kRequestBufferSize};
    std::uint32_t requestLength = 0;
};

// Outcome of GenerateKeyPair.
enum class KeyPairOutcome {
    NoKeyPair,          // entropy not complete, or key generation failed (message shown)
    KeyPairOnly,        // key pair made, the request could not be built or checked (message shown)
    KeyPairAndRequest,  // key pair made, request built and checked, held in BuiltFiles
};

// Pool set-up (RandomInit, the operating system's 32 bytes when
// job.useSystemEntropy, `needed` := key size), the wait notice and the
// entropy collection, then, through host.RunWork, the key pair into
// job.publicKey and job.privateKeyBuffer and WriteRequestFile. A key size
// above what the key records hold fails before the entropy collection. The
// pool is wiped once the key pair is made. Shows the message of the failing
// step.
KeyPairOutcome GenerateKeyPair(GenerationJob& job, GenerationServices& services, BuiltFiles& built);

// Builds the request's bytes and writes no file (the name is the protocol's):
// fills the name and attribute slots from job.registrant, builds and signs
// the request with job.privateKeyBuffer into built.request (requestLength :=
// capacity first, then the request's size) and checks its signature with
// job.publicKey. Shows nothing. False when the builder fails or the check
// does not hold. The challenge password is wiped.
bool WriteRequestFile(GenerationJob& job, BuiltFiles& built);

// Builds the key file's bytes and writes no file (the name is the
// protocol's): encrypts job.privateKeyBuffer under job.password into
// workBuffer (zeroed first; outputLength := capacity, then the file's size).
// Shows nothing. False when the builder fails.
bool WritePrivateKeyFile(GenerationJob& job);

// True when request (length bytes) is one DER CertificationRequest signed with
// md5WithRSAEncryption whose signature, opened with publicKey, holds the MD5
// DigestInfo of the request info exactly as it stands in the request.
bool VerifyRequestSignature(const std::uint8_t* request, std::uint32_t length,
                            const cerrojo::RsaPublicKey& publicKey);

}  // namespace petitora
