// Fuzz harness: the two inputs of the key-options logic that come from
// outside the program, chosen by the low bit of the first byte.
//
// Notice (bit clear): the rest of the input is "Petitora.ini", repeated
// (first byte >> 1) + 1 times so that short inputs reach the 4,096-character
// limit and the reader's size cap. LoadConfirmationText runs for every kind
// into the job's notice, filled with garbage first. Checked against a model
// of text-mode reading: every CR LF pair is one line feed, the first 4,096
// characters count, a NUL counts but adds nothing; the kinds outside customs
// get the built-in notice and never read the file; the confirmation text
// keeps the notice's head, the question and a terminator within 4,096 bytes.
// The file is read by the real reader (SystemFileSystem::ReadSmallFile:
// open, regular-file check, size cap) in a scratch folder, the working
// directory; the seam below lets through the one path it expects there and
// refuses every other operation.
//
// Destination (bit set): a working-directory choice, the answer the file
// system gives, then the destination text. CheckOutputFolder runs over a
// seam that records the folders it is asked about and touches nothing.
// Properties: the name left is the text after the last "/" or "\" and holds
// neither; the one folder asked about, the destination's folder, is the text
// before it (the root for a leading "/", joined to the working directory
// when relative), or the working directory for a bare name; the folder
// message comes exactly when the answer was no. Then the two output names:
// the key file's name is the request's cut at its last dot plus ".key"
// (the destination's key name); the request name is refused
// exactly when both would be one file on a volume that ignores letter case
// (FAT and exFAT memory sticks); an accepted pair are two different files
// to the real system as well (checked by storing the request under its name
// in a scratch folder and looking for the key file's name).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "capture/registrant.h"
#include "capture/user_type.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"
#include "generation/file_names.h"
#include "generation/file_system.h"
#include "generation/job.h"
#include "generation/key_options.h"
#include "generation/texts.h"
#include "support/scripted_presenter.h"

namespace {

using petitora::FileSystem;
using petitora::kNoticeCapacity;
using petitora::SystemFileSystem;

// ---- Scratch folders, made once per process and removed when it ends ----

// Plain arrays, which no destructor tears down before the removal runs.
char gScratch[4096];

void RemoveScratch() {
    const std::string root = gScratch;
    for (const char* sub :
         {"/file/Petitora.ini", "/dir/Petitora.ini", "/file", "/dir", "/none", "/names"}) {
        ::remove((root + sub).c_str());
    }
    ::remove(root.c_str());
}

const std::string& Scratch() {
    static const std::string root = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::snprintf(gScratch, sizeof gScratch, "%s/key_options_fuzz_XXXXXX",
                      tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
        FUZZ_CHECK(::mkdtemp(gScratch) != nullptr);
        std::atexit(RemoveScratch);
        const std::string made = gScratch;
        for (const char* sub : {"/file", "/dir", "/dir/Petitora.ini", "/none", "/names"}) {
            FUZZ_CHECK(::mkdir((made + sub).c_str(), 0700) == 0);
        }
        return made;
    }();
    return root;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    FUZZ_CHECK(std::fclose(file) == 0);
}

// A file-system seam whose every operation is a broken property unless the
// part below overrides it.
class NoOtherCall : public FileSystem {
  public:
    std::string CurrentDirectory() override { Unexpected("CurrentDirectory"); }
    bool CanEnterFolder(const std::string&) override { Unexpected("CanEnterFolder"); }
    int OpenFolder(const std::string&) override { Unexpected("OpenFolder"); }
    bool Exists(int, const std::string&) override { Unexpected("Exists"); }
    ReadStatus ReadSmallFile(const std::string&, std::size_t, std::string*) override {
        Unexpected("ReadSmallFile");
    }
    int CreateTemporary(int, const std::string&, std::string*) override {
        Unexpected("CreateTemporary");
    }
    bool Write(int, const std::uint8_t*, std::size_t) override { Unexpected("Write"); }
    bool Flush(int) override { Unexpected("Flush"); }
    bool Close(int) override { Unexpected("Close"); }
    bool Rename(int, const std::string&, const std::string&) override { Unexpected("Rename"); }
    bool Remove(int, const std::string&) override { Unexpected("Remove"); }
    bool Identify(int, const std::string&, petitora::FileIdentity*) override {
        Unexpected("Identify");
    }
    bool RenameNew(int, const std::string&, const std::string&) override {
        Unexpected("RenameNew");
    }
    int LockFolder(int) override { Unexpected("LockFolder"); }
    bool FlushFolder(int) override { Unexpected("FlushFolder"); }
    ReadStatus ReadSmallFileIn(int, const std::string&, std::size_t, std::string*) override {
        Unexpected("ReadSmallFileIn");
    }
    bool ListNames(int, const std::string&, std::vector<std::string>*) override {
        Unexpected("ListNames");
    }

  private:
    [[noreturn]] static void Unexpected(const char* operation) {
        std::fprintf(stderr, "property failed: unexpected file-system call %s\n", operation);
        std::abort();
    }
};

// ---- Notice ----

// Reads the notice file, and no other, from one folder.
class NoticeFolder final : public NoOtherCall {
  public:
    explicit NoticeFolder(const std::string& folder)
        : path_(folder + "/" + petitora::kNoticeFileName) {}
    int reads = 0;
    ReadStatus ReadSmallFile(const std::string& name, std::size_t maxBytes,
                             std::string* contents) override {
        FUZZ_CHECK(name == path_);
        ++reads;
        return real_.ReadSmallFile(name, maxBytes, contents);
    }

  private:
    std::string path_;
    SystemFileSystem real_;
};

// What text-mode reading of the file leaves in the buffer.
std::string ModelNotice(const std::string& file) {
    std::string text;
    std::size_t from = 0;
    for (std::size_t pair; (pair = file.find("\r\n", from)) != std::string::npos; from = pair + 2) {
        text.append(file, from, pair - from);
        text += '\n';
    }
    text.append(file, from, std::string::npos);
    if (text.size() > kNoticeCapacity) text.resize(kNoticeCapacity);
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    return text;
}

const std::string& BuiltInNotice() {
    static const std::string text = [] {
        const std::string t = petitora::Text(petitora::GenerationText::BuiltInNotice);
        // Two lines, each ended by a line feed.
        FUZZ_CHECK(std::count(t.begin(), t.end(), '\n') == 2 && t.back() == '\n');
        return t;
    }();
    return text;
}

const std::string& Question() {
    static const std::string text = [] {
        const std::string t = petitora::Text(petitora::GenerationText::ConfirmQuestion);
        FUZZ_CHECK(t.size() == 28 && t[0] == '\n');
        return t;
    }();
    return text;
}

// Loads the notice for type from folder, the working directory, and checks
// it and the confirmation text against expected.
void CheckNotice(petitora::CaptureStorage& capture, petitora::GenerationJob& job,
                 petitora::UserType type, const std::string& folder, const std::string& expected) {
    capture.registrant.userType = type;
    job.workingDirectory = folder;
    job.notice.assign(kNoticeCapacity, '\xA5');
    NoticeFolder files(folder);
    FUZZ_CHECK(petitora::LoadConfirmationText(job, files));
    FUZZ_CHECK(files.reads == (petitora::IsCustomsKind(type) ? 1 : 0));
    FUZZ_CHECK(job.notice == expected);

    const std::string asked = petitora::ConfirmationText(job);
    const std::size_t kept = std::min(expected.size(), kNoticeCapacity - 1 - Question().size());
    FUZZ_CHECK(asked == expected.substr(0, kept) + Question());
    FUZZ_CHECK(asked.size() < kNoticeCapacity);
}

void FuzzNotice(std::uint8_t flags, const std::vector<std::uint8_t>& rest) {
    // Up to three times the capacity: past the characters taken and the bytes read.
    std::string file;
    const std::size_t copies = static_cast<std::size_t>(flags >> 1) + 1;
    for (std::size_t i = 0; i < copies && file.size() <= 3 * kNoticeCapacity; ++i) {
        file.append(rest.begin(), rest.end());
    }
    const std::string root = Scratch();
    WriteFile(root + "/file/Petitora.ini", file);

    petitora::CaptureStorage capture;
    FUZZ_CHECK(capture.Allocated());
    petitora::GenerationJob job;
    petitora::InitGenerationJob(job, capture, nullptr);

    // Once: without the file, or with a folder in its place, every kind gets
    // the built-in notice.
    static const bool noFile = [&] {
        for (const char* folder : {"/none", "/dir"}) {
            for (int t = 0; t < petitora::kUserTypeCount; ++t) {
                CheckNotice(capture, job, static_cast<petitora::UserType>(t), root + folder,
                            BuiltInNotice());
            }
        }
        return true;
    }();
    FUZZ_CHECK(noFile);

    const std::string expected = ModelNotice(file);
    for (int t = 0; t < petitora::kUserTypeCount; ++t) {
        const auto type = static_cast<petitora::UserType>(t);
        CheckNotice(capture, job, type, root + "/file",
                    petitora::IsCustomsKind(type) ? expected : BuiltInNotice());
    }
}

// ---- Destination ----

// Records the folders it is asked about, answering with one fixed result.
class RecordingFolders final : public NoOtherCall {
  public:
    explicit RecordingFolders(bool answer) : answer_(answer) {}
    std::vector<std::string> asked;
    bool CanEnterFolder(const std::string& path) override {
        asked.push_back(path);
        return answer_;
    }

  private:
    bool answer_;
};

void CheckOneMessage(const testsupport::ScriptedPresenter& messages, petitora::GenerationText id) {
    FUZZ_CHECK(messages.shown.size() == 1);
    const petitora::MessageRequest& box = messages.shown[0];
    FUZZ_CHECK(box.text == petitora::Text(id));
    FUZZ_CHECK(box.caption == "Petitora");
    FUZZ_CHECK(box.buttons == petitora::MessageButtons::Ok &&
               box.icon == petitora::MessageIcon::None);
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

void CheckSplit(const std::string& path, const std::string& workingDirectory, bool answer,
                const std::string& name, const std::vector<std::string>& asked, bool result) {
    // The name is the end of the destination and holds no separator.
    FUZZ_CHECK(name.size() <= path.size() &&
               path.compare(path.size() - name.size(), name.size(), name) == 0);
    FUZZ_CHECK(std::none_of(name.begin(), name.end(), IsSeparator));
    if (name.size() == path.size()) {  // a bare name: the working directory
        if (workingDirectory.empty()) {
            FUZZ_CHECK(asked.empty() && result);
        } else {
            FUZZ_CHECK(asked == std::vector<std::string>{workingDirectory} && result == answer);
        }
        return;
    }
    // Otherwise the character before the name is the separator, the folder
    // is what precedes it.
    const std::size_t cut = path.size() - name.size() - 1;
    FUZZ_CHECK(IsSeparator(path[cut]));
    const std::string folder = path.substr(0, cut);
    std::string expected;
    if (folder.empty()) {
        expected = path[cut] == '/' ? "/" : "";  // "/name": the root; "\name": no folder here
    } else if (folder[0] == '/' || workingDirectory.empty()) {
        expected = folder;
    } else {
        expected = workingDirectory + "/" + folder;
    }
    FUZZ_CHECK(asked == std::vector<std::string>{expected});
    FUZZ_CHECK(result == answer);
}

// The key file's name is the request's cut at its last dot, plus ".key".
void CheckKeyName(const std::string& request, const std::string& key) {
    FUZZ_CHECK(key.size() >= 4 && key.compare(key.size() - 4, 4, ".key") == 0);
    const std::string stem = key.substr(0, key.size() - 4);
    FUZZ_CHECK(request.compare(0, stem.size(), stem) == 0);
    const std::string extension = request.substr(stem.size());
    if (extension.empty()) {
        FUZZ_CHECK(request.find('.') == std::string::npos);
    } else {
        FUZZ_CHECK(extension[0] == '.' && extension.find('.', 1) == std::string::npos);
    }
}

// Stores an empty request under its name in a scratch folder through the
// real file system; when the system takes the name, the key file's name must
// not find it.
void CheckDistinctOnDisk(const std::string& request, const std::string& key) {
    SystemFileSystem real;
    const petitora::HeldFolder held(real, Scratch() + "/names");
    const int folder = held.handle;
    FUZZ_CHECK(folder >= 0);
    std::string temporary;
    const int handle = real.CreateTemporary(folder, ".request-", &temporary);
    FUZZ_CHECK(handle >= 0);
    FUZZ_CHECK(real.Close(handle));
    if (!real.Rename(folder, temporary, request)) {
        FUZZ_CHECK(real.Remove(folder, temporary));
        return;
    }
    const bool clash = real.Exists(folder, key);
    FUZZ_CHECK(real.Remove(folder, request));
    FUZZ_CHECK(!clash);
}

void FuzzDestination(std::uint8_t flags, fuzzsupport::FuzzInput& in) {
    std::string workingDirectory;
    switch ((flags >> 1) & 3) {
        case 0:
            break;  // not known
        case 1:
            workingDirectory = "/";
            break;
        case 2:
            workingDirectory = "/home/registrante/mis archivos";
            break;
        default:
            workingDirectory = in.Text(40);
            break;
    }
    const bool answer = (flags & 8) != 0;
    const std::vector<std::uint8_t> rest = in.Rest();
    const std::string path(rest.begin(), rest.end());

    petitora::CaptureStorage capture;
    petitora::GenerationJob job;
    petitora::InitGenerationJob(job, capture, nullptr);
    job.workingDirectory = workingDirectory;
    job.pathText = path;
    RecordingFolders folders(answer);
    testsupport::ScriptedPresenter messages;
    const bool entered = petitora::CheckOutputFolder(job, messages, folders);
    CheckSplit(path, workingDirectory, answer, job.outputName, folders.asked, entered);
    FUZZ_CHECK(job.destination.requestName == job.outputName);
    FUZZ_CHECK(folders.asked.empty() ? job.destination.folder == "."
                                     : folders.asked[0] == job.destination.folder);
    if (entered) {
        FUZZ_CHECK(messages.shown.empty());
    } else {
        CheckOneMessage(messages, petitora::GenerationText::FolderMissing);
    }

    const std::string& request = job.outputName;
    const std::string key = petitora::KeyFileName(request);
    FUZZ_CHECK(job.destination.keyName == key);
    CheckKeyName(request, key);
    FUZZ_CHECK(std::none_of(key.begin(), key.end(), IsSeparator));
    testsupport::ScriptedPresenter nameMessages;
    const bool distinct = petitora::CheckOutputNames(job.destination, nameMessages);
    FUZZ_CHECK(distinct == !SameIgnoringCase(request, key));
    if (!distinct) {
        CheckOneMessage(nameMessages, petitora::GenerationText::SameOutputNames);
        return;
    }
    FUZZ_CHECK(nameMessages.shown.empty());
    CheckDistinctOnDisk(request, key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::FuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    if ((flags & 1) == 0) {
        FuzzNotice(flags, in.Rest());
    } else {
        FuzzDestination(flags, in);
    }
    return 0;
}
