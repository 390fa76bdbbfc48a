#include "generation/driver.h"

#include <cerrno>
#include <cstring>

#include "capture/offices.h"
#include "capture/user_type.h"
#include "crypto/digest.h"
#include "der/name.h"
#include "der/private_key.h"
#include "der/request.h"
#include "der/request_reader.h"
#include "generation/base64.h"
#include "generation/entropy.h"
#include "generation/file_names.h"
#include "generation/texts.h"
#include "text/catalogue.h"

namespace petitora {
namespace {


void ShowFailure(MessagePresenter& messages, GenerationText id) {
    messages.Show({Text(GenerationText::CaptionPetitora), Text(id)});
}

cerrojo::ByteSpan Span(const std::string& text) {
    return cerrojo::ByteSpan{reinterpret_cast<std::uint8_t*>(const_cast<char*>(text.data())),
                             static_cast<std::uint32_t>(text.size())};
}

void WipePrivateKey(GenerationJob& job) {
    if (job.privateKeyBuffer != nullptr) cerrojo::SecureWipeObject(*job.privateKeyBuffer);
}

void WipeWorkBuffer(GenerationJob& job) {
    if (job.workBuffer != nullptr) cerrojo::SecureWipe(job.workBuffer, kWorkBufferSize);
}

}  // namespace

std::uint32_t KeySizeBits(int keySizeIndex) {
    switch (keySizeIndex) {
        case 0:
            return 1024;
        case 1:
            return 2048;
        default:
            return 4096;
    }
}

RequestTexts BuildRequestTexts(const RegistrantRecord& r) {
    RequestTexts t;
    const UserType type = r.userType;
    if (IsEntityKind(type)) t.organizationName = r.name;

    if (!r.paternalSurname.empty()) {
        t.commonName = r.name + "  " + r.paternalSurname;
        if (!r.maternalSurname.empty()) t.commonName += "  " + r.maternalSurname;
    }
    if (!r.repName.empty()) {
        if (!IsEntityKind(type)) t.commonName += " \\ ";
        t.commonName += r.repName + "  " + r.repPaternalSurname;
        if (!r.repMaternalSurname.empty()) t.commonName += "  " + r.repMaternalSurname;
    }

    // Without an interior number its two blanks stay, so four blanks part the
    // exterior number from the colonia.
    t.streetAddress = r.street + "  " + r.exteriorNumber + "  " + r.interiorNumber + "  " +
                      r.neighbourhood + "  " + r.regionalOffice.substr(0, 2);
    t.postalCode = r.postalCode;
    t.countryName = "MX";
    t.stateName = StateUpperName(r.stateIndex);
    t.localityName = r.municipality;
    if (!r.locality.empty()) t.localityName += "  " + r.locality;
    t.uniqueIdentifier = FullRfc(r);
    if (!r.repRfcLetters.empty()) t.uniqueIdentifier += " \\ " + RepresentativeFullRfc(r);
    t.email = r.email;

    t.registrantKind = std::string("T=") + RequestTypeCode(type);
    if (type == UserType::ContadorPublico) t.registrantKind += "; CPR=" + r.patenteCpr;
    if (IsCustomsKind(type)) t.registrantKind += "; PAT=" + r.patenteCpr;
    if (!r.curp.empty()) t.registrantKind += "; CURP=" + r.curp;
    return t;
}

bool ComputeChallengePassword(const RegistrantRecord& registrant,
                              std::uint8_t (&output)[kChallengeAreaSize]) {
    std::memset(output, 0, sizeof output);
    // Digesting the four fields one after the other gives the digest of their
    // concatenation without copying the revocation key anywhere.
    cerrojo::Md5Context context;
    cerrojo::Md5Init(&context);
    for (const std::string* part : {&registrant.rfcLetters, &registrant.rfcDate,
                                    &registrant.rfcHomoclave, &registrant.revocationKey}) {
        cerrojo::Md5Update(&context, reinterpret_cast<const std::uint8_t*>(part->data()),
                           static_cast<std::uint32_t>(part->size()));
    }
    std::uint8_t digest[16];
    cerrojo::Md5Final(digest, &context);
    std::uint16_t length = kChallengeAreaSize;
    const bool encoded = Base64Encode(digest, sizeof digest, output, &length);
    cerrojo::SecureWipeObject(digest);
    return encoded;
}

bool VerifyRequestSignature(const std::uint8_t* request, std::uint32_t length,
                            const cerrojo::RsaPublicKey& publicKey) {
    if (request == nullptr) return false;
    // The strict reader takes the file apart exactly as a verifier would; the
    // request must carry this key and be signed with md5WithRSAEncryption.
    cerrojo::ParsedRequest parsed;
    if (cerrojo::ParseCertificationRequest(request, length, &parsed) != cerrojo::StatusOk ||
        parsed.signatureAlgorithm != cerrojo::kAlgMd5WithRsa ||
        std::memcmp(parsed.publicKey.modulus, publicKey.modulus, sizeof publicKey.modulus) != 0 ||
        std::memcmp(parsed.publicKey.publicExponent, publicKey.publicExponent,
                    sizeof publicKey.publicExponent) != 0) {
        return false;
    }
    return cerrojo::VerifyRequestSignature(&parsed) == cerrojo::StatusOk;
}

bool WriteRequestFile(GenerationJob& job, BuiltFiles& built) {
    if (job.registrant == nullptr || job.privateKeyBuffer == nullptr ||
        built.request.data() == nullptr) {
        return false;
    }
    const RegistrantRecord& registrant = *job.registrant;
    const RequestTexts texts = BuildRequestTexts(registrant);

    cerrojo::NameSlots name = {};
    cerrojo::AttributeSlots attributes = {};
    if (IsEntityKind(registrant.userType)) name[0] = Span(texts.organizationName);
    name[2] = Span(texts.commonName);  // length 0 counts as an empty slot
    name[4] = Span(texts.streetAddress);
    name[5] = Span(texts.postalCode);
    name[6] = Span(texts.countryName);
    name[7] = Span(texts.stateName);
    name[8] = Span(texts.localityName);
    name[9] = Span(texts.uniqueIdentifier);
    if (!texts.email.empty()) attributes[0] = Span(texts.email);
    std::uint8_t challenge[kChallengeAreaSize];
    std::memset(challenge, 0, sizeof challenge);
    if (!registrant.revocationKey.empty()) {
        ComputeChallengePassword(registrant, challenge);
        attributes[1] = cerrojo::ByteSpan{
            challenge, static_cast<std::uint32_t>(
                           ::strnlen(reinterpret_cast<const char*>(challenge), sizeof challenge))};
    }
    attributes[2] = Span(texts.registrantKind);

    built.requestLength = kRequestBufferSize;
    const int status = cerrojo::MakeCertificationRequest(
        built.request.data(), &built.requestLength, cerrojo::kAlgMd5WithRsa, name, &job.publicKey,
        job.privateKeyBuffer, attributes);
    cerrojo::SecureWipeObject(challenge);
    return status == cerrojo::kRequestOk &&
           VerifyRequestSignature(built.request.data(), built.requestLength, job.publicKey);
}

bool WritePrivateKeyFile(GenerationJob& job) {
    if (job.workBuffer == nullptr || job.privateKeyBuffer == nullptr) return false;
    cerrojo::SecureWipe(job.workBuffer, kWorkBufferSize);
    job.outputLength = kWorkBufferSize;
    const std::string_view password = job.password.View();
    return cerrojo::MakeEncryptedPrivateKey(job.workBuffer, &job.outputLength,
                                            cerrojo::kAlgPbeWithMd5AndDesCbc, 0,
                                            reinterpret_cast<const std::uint8_t*>(password.data()),
                                            static_cast<std::uint32_t>(password.size()),
                                            job.privateKeyBuffer) == cerrojo::kKeyFileOk;
}

KeyPairOutcome GenerateKeyPair(GenerationJob& job, GenerationServices& services,
                               BuiltFiles& built) {
    cerrojo::RandomPool* pool = job.pool;
    const std::uint32_t bits = KeySizeBits(job.keySizeIndex);
    // The key records hold at most kMaxRsaBits: a larger size can only fail,
    // so it fails before asking for any mouse movement.
    if (pool == nullptr || job.privateKeyBuffer == nullptr || bits > cerrojo::kMaxRsaBits) {
        ShowFailure(services.messages, GenerationText::NoKeyPair);
        return KeyPairOutcome::NoKeyPair;
    }
    cerrojo::RandomInit(pool);
    if (job.useSystemEntropy && !FeedSystemEntropy(pool)) {
        cerrojo::SecureWipeObject(*pool);
        ShowFailure(services.messages, GenerationText::NoKeyPair);
        return KeyPairOutcome::NoKeyPair;
    }
    // The mouse requirement is the key size whatever the system gave.
    pool->needed = bits;
    std::uint32_t requiredEvents = 0;
    cerrojo::RandomBytesNeeded(pool, &requiredEvents);

    services.host.ShowWaitNotice();
    EntropyCollection collection(pool, requiredEvents);
    if (!services.host.CollectEntropy(collection)) {
        cerrojo::SecureWipeObject(*pool);
        ShowFailure(services.messages, GenerationText::NoKeyPair);
        return KeyPairOutcome::NoKeyPair;
    }

    const cerrojo::KeyGenParams params{bits, 1};
    int status = -1;
    bool requestBuilt = false;
    services.host.RunWork([&] {
        status = cerrojo::RsaGenerateKeyPair(&job.publicKey, job.privateKeyBuffer, &params, pool);
        // The seed would give the same primes again: it goes as soon as they exist.
        cerrojo::SecureWipeObject(*pool);
        if (status == cerrojo::StatusOk) requestBuilt = WriteRequestFile(job, built);
        // What the signing left on this thread's stack beyond its own locals.
        cerrojo::SecureWipeStack();
    });
    if (status != cerrojo::StatusOk) {
        ShowFailure(services.messages, GenerationText::NoKeyPair);
        return KeyPairOutcome::NoKeyPair;
    }
    if (!requestBuilt) {
        ShowFailure(services.messages, GenerationText::RequestFailed);
        return KeyPairOutcome::KeyPairOnly;
    }
    return KeyPairOutcome::KeyPairAndRequest;
}

bool GenerateFiles(GenerationJob& job, int folder, GenerationServices& services) {
    if (job.registrant == nullptr || job.workBuffer == nullptr) {
        ShowFailure(services.messages, GenerationText::NoKeyPair);
        return false;
    }
    if (!CheckOutputNames(job.destination, services.messages)) return false;

    BuiltFiles built;
    if (GenerateKeyPair(job, services, built) != KeyPairOutcome::KeyPairAndRequest) {
        WipePrivateKey(job);
        return false;
    }
    bool keyBuilt = false;
    services.host.RunWork([&] {
        keyBuilt = WritePrivateKeyFile(job);
        // Registers the encoding and the encryption spilled: key and password.
        cerrojo::SecureWipeStack();
    });
    WipePrivateKey(job);
    if (!keyBuilt) {
        WipeWorkBuffer(job);
        ShowFailure(services.messages, GenerationText::KeyFileFailed);
        return false;
    }

    const PairTargets targets{job.destination.requestName, job.destination.keyName,
                              job.agreedRequest, job.agreedKey};
    std::string changed;
    const StoreResult stored =
        StoreFiles(services.files, folder, targets, built.request.data(), built.requestLength,
                   job.workBuffer, job.outputLength, &changed);
    WipeWorkBuffer(job);
    switch (stored) {
        case StoreResult::Stored:
            return true;
        case StoreResult::RequestFailed:
            ShowFailure(services.messages, GenerationText::RequestFailed);
            break;
        case StoreResult::KeyFileFailed:
            ShowFailure(services.messages, GenerationText::KeyFileFailed);
            break;
        case StoreResult::FolderBusy:
            ShowFailure(services.messages, GenerationText::FolderBusy);
            break;
        case StoreResult::TargetChanged:
            services.messages.Show({Text(GenerationText::CaptionPetitora),
                                    Format(Text(GenerationText::TargetChanged),
                                           {FileNameForDisplay(changed)})});
            break;
    }
    return false;
}

}  // namespace petitora
