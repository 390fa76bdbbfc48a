#include "generation/key_options.h"

#include <algorithm>

#include "capture/user_type.h"
#include "crypto/common.h"
#include "generation/file_names.h"
#include "generation/pair_store.h"
#include "generation/texts.h"

namespace petitora {
namespace {

constexpr std::size_t kMinPasswordLength = 8;

// An OK box without icon.
MessageRequest Box(GenerationText caption, GenerationText text) {
    return {Text(caption), Text(text)};
}

MessageRequest Question(std::string text, MessageTopic topic) {
    MessageRequest request{Text(GenerationText::CaptionPetitora), std::move(text)};
    request.buttons = MessageButtons::YesNo;
    request.icon = MessageIcon::Question;
    request.topic = topic;
    return request;
}

// Asks (question icon, Yes and No, caption "Petitora") before files of the
// destination's two names that already exist (job.agreedRequest and
// job.agreedKey, recorded before the question) would be replaced; the
// request file does not count when the user agreed to replace it in the
// save-as chooser (replaceAgreedPath == pathText). True when nothing exists
// or the answer is Yes.
bool ConfirmReplacement(const GenerationJob& job, MessagePresenter& messages) {
    const Destination& destination = job.destination;
    const bool agreedInChooser =
        !job.replaceAgreedPath.empty() && job.replaceAgreedPath == job.pathText;
    const bool requestExists = !agreedInChooser && job.agreedRequest.has_value();
    const bool keyExists = job.agreedKey.has_value();
    if (!requestExists && !keyExists) return true;
    return messages.Show(Question(ReplacementQuestion(destination, requestExists, keyExists),
                                  MessageTopic::ReplaceFiles)) == MessageAnswer::Yes;
}

// A destination that names no file, or names a folder (looked at in folder
// when it is held, >= 0), can only fail once the keys exist: the folder
// message, before any mouse movement.
bool CheckOutputFileName(const GenerationJob& job, int folder, MessagePresenter& messages,
                         FileSystem& files) {
    FileIdentity identity;
    const bool names = NamesAFile(job.destination.requestName);
    if (names && (folder < 0 || !(files.Identify(folder, job.destination.requestName, &identity) &&
                                  identity.isDirectory))) {
        return true;
    }
    messages.Show(Box(GenerationText::CaptionPetitora, GenerationText::FolderMissing));
    return false;
}

// Completes or undoes a store step that an earlier run left half done in
// folder, and says so in one message. False when a leftover that cannot be
// understood keeps the run from going on.
bool RecoverInterruptedPair(int folder, GenerationServices& services) {
    if (folder < 0) return true;
    const RecoveryReport report = RecoverPair(services.files, folder);
    const std::string message = RecoveryMessage(report);
    if (!message.empty()) {
        services.messages.Show({Text(GenerationText::CaptionPetitora), message});
    }
    return std::find(report.unknown.begin(), report.unknown.end(), kIntentRecordName) ==
           report.unknown.end();
}

}  // namespace

void InitGenerationJob(GenerationJob& job, CaptureStorage& capture, cerrojo::RandomPool* pool) {
    job.registrant = &capture.registrant;
    job.workingDirectory = capture.workingDirectory;
    job.workBuffer = capture.workBuffer.data();
    job.privateKeyBuffer =
        reinterpret_cast<cerrojo::RsaPrivateKey*>(capture.privateKeyBuffer.data());
    job.keySizeIndex = 0;
    job.password.Clear();
    job.passwordConfirmation.Clear();
    job.pathText = DefaultRequestName(capture.registrant);
    job.destination = ResolveDestination(job.pathText, job.workingDirectory);
    job.outputName = job.destination.requestName;
    job.outputLength = kWorkBufferSize;
    job.pool = pool;
    if (pool != nullptr) cerrojo::SecureWipeObject(*pool);
    job.publicKey = {};
    job.replaceAgreedPath.clear();
}

std::optional<PasswordFailure> BrokenPasswordRule(std::string_view password,
                                                  std::string_view confirmation) {
    if (password.empty()) return PasswordFailure{GenerationText::PasswordInvalid, KeyOptionsFocus::Password};
    if (confirmation.empty()) {
        return PasswordFailure{GenerationText::ConfirmationInvalid, KeyOptionsFocus::Confirmation};
    }
    if (password.size() < kMinPasswordLength) {
        return PasswordFailure{GenerationText::PasswordTooShort, KeyOptionsFocus::Password};
    }
    if (confirmation.size() < kMinPasswordLength) {
        return PasswordFailure{GenerationText::PasswordTooShort, KeyOptionsFocus::Confirmation};
    }
    if (password != confirmation) {
        return PasswordFailure{GenerationText::PasswordsDiffer, KeyOptionsFocus::Password};
    }
    return std::nullopt;
}

PasswordCheck CheckPasswords(const GenerationJob& job, MessagePresenter& messages) {
    const std::optional<PasswordFailure> failure =
        BrokenPasswordRule(job.password.View(), job.passwordConfirmation.View());
    if (!failure) return PasswordCheck{};
    messages.Show(Box(GenerationText::CaptionError, failure->message));
    return PasswordCheck{false, failure->focus};
}

bool CheckOutputFolder(GenerationJob& job, MessagePresenter& messages, FileSystem& files) {
    job.destination = ResolveDestination(job.pathText, job.workingDirectory);
    job.outputName = job.destination.requestName;
    // A bare name with no working directory known stays in the process's
    // current directory, which is not checked.
    const bool bare = job.destination.requestName.size() == job.pathText.size();
    if ((bare && job.workingDirectory.empty()) || files.CanEnterFolder(job.destination.folder)) {
        return true;
    }
    messages.Show(Box(GenerationText::CaptionPetitora, GenerationText::FolderMissing));
    return false;
}

bool LoadConfirmationText(GenerationJob& job, FileSystem& files) {
    job.notice.clear();
    if (job.registrant == nullptr) return true;
    if (!IsCustomsKind(job.registrant->userType)) {
        job.notice = Text(GenerationText::BuiltInNotice);
        return true;
    }
    // Each character takes at most two bytes of the file (CR LF), so twice
    // the characters taken (and one for a last CR) is enough to read.
    const std::string path = job.workingDirectory.empty()
                                 ? std::string(kNoticeFileName)
                                 : job.workingDirectory + "/" + kNoticeFileName;
    std::string raw;
    const FileSystem::ReadStatus status = files.ReadSmallFile(path, 2 * kNoticeCapacity + 1, &raw);
    if (status != FileSystem::ReadStatus::Ok && status != FileSystem::ReadStatus::TooLarge) {
        job.notice = Text(GenerationText::BuiltInNotice);
        return true;
    }
    for (std::size_t i = 0, taken = 0; i < raw.size() && taken < kNoticeCapacity; ++i, ++taken) {
        char c = raw[i];
        if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') c = raw[++i];
        if (c != '\0') job.notice += c;
    }
    return true;
}

std::string ConfirmationText(const GenerationJob& job) {
    const std::string question = Text(GenerationText::ConfirmQuestion);
    return job.notice.substr(0, kNoticeCapacity - 1 - question.size()) + question;
}

KeyOptionsOutcome OnAccept(GenerationJob& job, GenerationServices& services) {
    KeyOptionsOutcome outcome;
    LoadConfirmationText(job, services.files);

    const PasswordCheck passwords = CheckPasswords(job, services.messages);
    if (!passwords.valid) {
        outcome.focus = passwords.focus;
        return outcome;
    }
    job.agreedRequest.reset();
    job.agreedKey.reset();
    // The registrant's RFC never chooses another folder: a default name that
    // would is refused before any mouse movement, and another can be typed.
    if (job.registrant != nullptr && job.pathText == DefaultRequestName(*job.registrant) &&
        !RfcUsableAsFileName(*job.registrant)) {
        services.messages.Show(
            Box(GenerationText::CaptionPetitora, GenerationText::DefaultNameInvalid));
        outcome.focus = KeyOptionsFocus::Destination;
        return outcome;
    }
    if (!CheckOutputFolder(job, services.messages, services.files) ||
        !CheckOutputFileName(job, -1, services.messages, services.files) ||
        !CheckOutputNames(job.destination, services.messages)) {
        outcome.focus = KeyOptionsFocus::Destination;
        return outcome;
    }
    // From the check to the end of the run: the question and both files are
    // about this folder, even if its path comes to name another one.
    const HeldFolder folder(services.files, job.destination.folder);
    if (!CheckOutputFileName(job, folder.handle, services.messages, services.files) ||
        !RecoverInterruptedPair(folder.handle, services)) {
        outcome.focus = KeyOptionsFocus::Destination;
        return outcome;
    }
    // The files the user is asked about, recorded before he is asked (a
    // file put in their place while the question is up is not what he
    // agreed to): the run replaces these files and no other.
    FileIdentity identity;
    if (services.files.Identify(folder.handle, job.destination.requestName, &identity)) {
        job.agreedRequest = identity;
    }
    if (services.files.Identify(folder.handle, job.destination.keyName, &identity)) {
        job.agreedKey = identity;
    }
    if (!ConfirmReplacement(job, services.messages)) {
        outcome.focus = KeyOptionsFocus::Destination;
        return outcome;
    }
    const MessageAnswer answer =
        services.messages.Show(Question(ConfirmationText(job), MessageTopic::ConfirmGeneration));
    if (answer != MessageAnswer::Yes) return outcome;

    if (!GenerateFiles(job, folder.handle, services)) return outcome;
    services.messages.Show(Box(GenerationText::CaptionPetitora, GenerationText::Success));
    outcome.closeWithOk = true;
    return outcome;
}

void ShowKeySizeHelp(MessagePresenter& messages) {
    MessageRequest request = Box(GenerationText::CaptionPetitora, GenerationText::KeySizeHelp);
    request.icon = MessageIcon::Information;
    messages.Show(request);
}

MessageRequest MemoryErrorMessage() {
    return Box(GenerationText::CaptionPetitora, GenerationText::MemoryError);
}

}  // namespace petitora
