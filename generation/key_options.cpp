// The key-options logic: opening, "&Aceptar", the password and destination
// checks, the notice text and the questions before a run.
#include <algorithm>
#include <cstring>

#include "text/cp1252.h"
#include "capture/user_type.h"
#include "crypto/common.h"
#include "generation/driver.h"
#include "generation/job.h"
#include "generation/key_options.h"
#include "generation/texts.h"

namespace petitora {
namespace {

constexpr std::size_t kMinPasswordLength = 8;

MessageRequest Box(GenerationText caption, std::string text) {
    MessageRequest request;
    request.caption = Text(caption);
    request.text = std::move(text);
    return request;
}

MessageRequest Question(std::string text, MessageTopic topic) {
    MessageRequest request = Box(GenerationText::CaptionPetitora, std::move(text));
    request.buttons = MessageButtons::YesNo;
    request.icon = MessageIcon::Question;
    request.topic = topic;
    return request;
}

void CopyText(std::uint8_t* buffer, const char* text) {
    std::memcpy(buffer, text, std::min(std::strlen(text), kWorkBufferSize));
}

}  // namespace

std::string FileNameForDisplay(const std::string& name) {
    if (auto whole = Utf8ToCp1252(name)) return *whole;
    // Character by character: what Windows-1252 cannot show becomes "?".
    std::string shown;
    std::size_t i = 0;
    while (i < name.size()) {
        const unsigned char lead = static_cast<unsigned char>(name[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        length = std::min(length, name.size() - i);
        const auto one = Utf8ToCp1252(std::string_view(name).substr(i, length));
        shown += one ? *one : std::string("?");
        i += one ? length : 1;
        // Skip the continuation bytes of a character that could not be shown.
        while (!one && i < name.size() && (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) ++i;
    }
    return shown;
}

void InitGenerationJob(GenerationJob& job, CaptureStorage& capture, cerrojo::RandomPool* pool) {
    job.registrant = &capture.registrant;
    job.workingDirectory = capture.workingDirectory;
    job.workBuffer = capture.workBuffer.data();
    job.privateKeyBuffer =
        reinterpret_cast<cerrojo::RsaPrivateKey*>(capture.privateKeyBuffer.data());
    job.keySizeIndex = 0;
    job.password.Clear();
    job.passwordConfirmation.Clear();
    // The RFC is Windows-1252 (it may hold an N with tilde); file names are
    // in the platform's encoding.
    job.outputName = Cp1252ToUtf8(FullRfc(capture.registrant)) + ".req";
    job.pathText = job.outputName;
    job.outputLength = kWorkBufferSize;
    job.pool = pool;
    if (pool != nullptr) cerrojo::SecureWipeObject(*pool);
    job.publicKey = {};
    job.replaceAgreedPath.clear();
}

PasswordCheck CheckPasswords(const GenerationJob& job, MessagePresenter& messages) {
    const std::string_view password = job.password.View();
    const std::string_view confirmation = job.passwordConfirmation.View();
    GenerationText failure;
    KeyOptionsFocus focus;
    if (password.empty()) {
        failure = GenerationText::PasswordInvalid, focus = KeyOptionsFocus::Password;
    } else if (confirmation.empty()) {
        failure = GenerationText::ConfirmationInvalid, focus = KeyOptionsFocus::Confirmation;
    } else if (password.size() < kMinPasswordLength) {
        failure = GenerationText::PasswordTooShort, focus = KeyOptionsFocus::Password;
    } else if (confirmation.size() < kMinPasswordLength) {
        failure = GenerationText::PasswordTooShort, focus = KeyOptionsFocus::Confirmation;
    } else if (password != confirmation) {
        failure = GenerationText::PasswordsDiffer, focus = KeyOptionsFocus::Password;
    } else {
        return PasswordCheck{};
    }
    messages.Show(Box(GenerationText::CaptionError, Text(failure)));
    return PasswordCheck{false, focus};
}

bool CheckOutputFolder(GenerationJob& job, MessagePresenter& messages, FileSystem& files) {
    const std::string& path = job.pathText;
    // The later of the two separators: a name after the folder never holds one.
    const std::size_t backslash = path.rfind('\\');
    const std::size_t slash = path.rfind('/');
    std::size_t separator = backslash;
    if (separator == std::string::npos || (slash != std::string::npos && slash > separator)) {
        separator = slash;
    }
    bool entered;
    if (separator == std::string::npos) {
        job.outputName = path;
        entered = job.workingDirectory.empty() || files.ChangeDirectory(job.workingDirectory);
    } else {
        std::string folder = path.substr(0, separator);
        if (folder.empty() && path[separator] == '/') folder.push_back('/');
        if (!folder.empty() && folder[0] != '/' && !job.workingDirectory.empty()) {
            std::string joined = job.workingDirectory;
            joined += '/';
            joined += folder;
            folder = std::move(joined);
        }
        job.outputName = path.substr(separator + 1);
        entered = files.ChangeDirectory(folder);
    }
    if (!entered)
        messages.Show(Box(GenerationText::CaptionPetitora, Text(GenerationText::FolderMissing)));
    return entered;
}

bool LoadConfirmationText(GenerationJob& job, FileSystem& files) {
    std::uint8_t* buffer = job.workBuffer;
    if (buffer == nullptr || job.registrant == nullptr) return true;
    cerrojo::SecureWipe(buffer, kWorkBufferSize);
    if (!IsCustomsKind(job.registrant->userType)) {
        CopyText(buffer, Text(GenerationText::BuiltInNotice));
        return true;
    }
    // Read as text: CR LF becomes LF; a NUL adds nothing but counts toward the
    // kWorkBufferSize characters taken. Each character takes at most two
    // bytes of the file, so twice that (and one for a last CR) is enough.
    std::string raw;
    const FileSystem::ReadStatus status =
        files.ReadSmallFile(kNoticeFileName, 2 * kWorkBufferSize + 1, &raw);
    if (status != FileSystem::ReadStatus::Ok && status != FileSystem::ReadStatus::TooLarge) {
        CopyText(buffer, Text(GenerationText::BuiltInNotice));
        return true;
    }
    std::size_t taken = 0, stored = 0;
    for (std::size_t i = 0; i < raw.size() && taken < kWorkBufferSize; ++i, ++taken) {
        char c = raw[i];
        if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') c = raw[++i];
        if (c != '\0') buffer[stored++] = static_cast<std::uint8_t>(c);
    }
    return true;
}

std::string ConfirmationText(GenerationJob& job) {
    const char* question = Text(GenerationText::ConfirmQuestion);
    const std::size_t questionLength = std::strlen(question);
    if (job.workBuffer == nullptr) return question;
    char* buffer = reinterpret_cast<char*>(job.workBuffer);
    // Notice, question and a terminator within the buffer: a notice that
    // filled it gives up its end.
    const std::size_t notice =
        std::min(::strnlen(buffer, kWorkBufferSize), kWorkBufferSize - 1 - questionLength);
    std::memcpy(buffer + notice, question, questionLength);
    buffer[notice + questionLength] = '\0';
    return std::string(buffer, notice + questionLength);
}

bool ConfirmReplacement(const GenerationJob& job, MessagePresenter& messages, FileSystem& files) {
    const std::string& requestName = job.outputName;
    const std::string keyName = KeyFileName(requestName);
    const bool agreedInChooser =
        !job.replaceAgreedPath.empty() && job.replaceAgreedPath == job.pathText;
    const bool requestExists = !agreedInChooser && files.Exists(requestName);
    const bool keyExists = files.Exists(keyName);
    std::string text;
    if (requestExists && keyExists) {
        text = Format(Text(GenerationText::ReplaceTwoFiles),
                      {FileNameForDisplay(requestName), FileNameForDisplay(keyName)});
    } else if (requestExists || keyExists) {
        text = Format(Text(GenerationText::ReplaceOneFile),
                      {FileNameForDisplay(requestExists ? requestName : keyName)});
    } else {
        return true;
    }
    return messages.Show(Question(std::move(text), MessageTopic::ReplaceFiles)) ==
           MessageAnswer::Yes;
}

KeyOptionsOutcome OnAccept(GenerationJob& job, GenerationServices& services) {
    KeyOptionsOutcome outcome;
    if (!job.workingDirectory.empty()) services.files.ChangeDirectory(job.workingDirectory);
    LoadConfirmationText(job, services.files);

    const PasswordCheck passwords = CheckPasswords(job, services.messages);
    if (!passwords.valid) {
        outcome.focus = passwords.focus;
        return outcome;
    }
    if (!CheckOutputFolder(job, services.messages, services.files) ||
        !CheckOutputNames(job, services.messages) ||
        !ConfirmReplacement(job, services.messages, services.files)) {
        outcome.focus = KeyOptionsFocus::Destination;
        return outcome;
    }
    const MessageAnswer answer =
        services.messages.Show(Question(ConfirmationText(job), MessageTopic::ConfirmGeneration));
    if (answer != MessageAnswer::Yes) return outcome;

    if (!GenerateFiles(job, services)) return outcome;
    services.messages.Show(Box(GenerationText::CaptionPetitora, Text(GenerationText::Success)));
    outcome.closeWithOk = true;
    return outcome;
}

void ShowKeySizeHelp(MessagePresenter& messages) {
    MessageRequest request =
        Box(GenerationText::CaptionPetitora, Text(GenerationText::KeySizeHelp));
    request.icon = MessageIcon::Information;
    messages.Show(request);
}

MessageRequest MemoryErrorMessage() {
    return Box(GenerationText::CaptionPetitora, Text(GenerationText::MemoryError));
}

}  // namespace petitora
