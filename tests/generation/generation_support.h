// Helpers shared by the generation tests: scratch folders, scripted answers
// for the host seam, a file system that fails one chosen call, and a session
// over them (the registrants and the message script are in tests/support).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "capture/registrant.h"
#include "capture/rules.h"
#include "crypto/random.h"
#include "generation/file_system.h"
#include "generation/generation_host.h"
#include "generation/job.h"
#include "generation/key_options.h"
#include "generation/message_presenter.h"
#include "support/cp1252_text.h"
#include "support/registrants.h"
#include "support/scripted_presenter.h"

namespace gentest {

namespace fs = std::filesystem;

using testsupport::W;

// A fresh folder under the test temporary directory, removed at the end; the
// process's current directory is put back as it was, since tests change it.
class ScratchFolder {
  public:
    ScratchFolder() : previous_(fs::current_path()) {
        std::string pattern = testing::TempDir() + "petitora-gen-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Names of the entries in the folder (or a subfolder).
    std::set<std::string> List(const std::string& sub = "") const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(sub.empty() ? path_ : *this / sub)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

  private:
    fs::path previous_;
    std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

using testsupport::ScriptedPresenter;

// Plays the entropy dialog with fixed mouse positions: all required events
// (or eventLimit of them, then Enter), or a cancel. Work runs in place unless
// its call number is listed in skippedWork.
class ScriptedHost : public petitora::GenerationHost {
  public:
    bool cancel = false;
    long eventLimit = -1;
    std::set<int> skippedWork;
    // Runs when the entropy dialog would open: what the user may do to the
    // files meanwhile.
    std::function<void()> whileCollecting;
    int waitNotices = 0, collections = 0, workCalls = 0;
    std::uint32_t eventsFed = 0;

    void ShowWaitNotice() override { ++waitNotices; }
    bool CollectEntropy(petitora::EntropyCollection& collection) override {
        ++collections;
        if (whileCollecting) whileCollecting();
        if (cancel) return false;
        for (long i = 0; !collection.Complete() && i != eventLimit; ++i) {
            collection.OnMouseMove(static_cast<std::int32_t>(i * 7 % 640),
                                   static_cast<std::int32_t>(i * 13 % 480));
        }
        eventsFed = collection.EventCount();
        return true;
    }
    void RunWork(const std::function<void()>& work) override {
        if (skippedWork.count(++workCalls) == 0) work();
    }
};

// The real file system, with chosen calls failing without doing anything:
// each fault is an operation and the number (1-based) of its call. A write
// may be made in parts, each counted as one Write call, so that a fault can
// strike the first, a middle or the last part of a file after the parts
// before it have been written, as a disk that fills up does.
class FaultyFileSystem : public petitora::FileSystem {
  public:
    // Rename counts both kinds of rename (replacing and RenameNew); Flush
    // counts the folder's flushes too.
    enum class Op { None, CreateTemporary, Write, Flush, Close, Rename, Remove, ReadSmallFile };
    struct Fault {
        Op op;
        int at;
    };
    std::vector<Fault> faults;
    int writeParts = 1;
    // What a failing ReadSmallFile reports.
    ReadStatus readFailure = ReadStatus::CannotOpen;
    std::vector<int> openHandles;
    // A crash: after this many operations that change the disk (creating,
    // writing, flushing, renaming, removing), no further one is performed.
    int dieAfter = -1;
    // Names that Identify reports as owned by another user.
    std::set<std::string> foreign;

    FaultyFileSystem() = default;
    FaultyFileSystem(Op op, int at) : faults{{op, at}} {}

    std::string CurrentDirectory() override { return real_.CurrentDirectory(); }
    bool CanEnterFolder(const std::string& path) override { return real_.CanEnterFolder(path); }
    int OpenFolder(const std::string& path) override { return real_.OpenFolder(path); }
    bool Exists(int folder, const std::string& name) override { return real_.Exists(folder, name); }
    ReadStatus ReadSmallFile(const std::string& name, std::size_t maxBytes,
                             std::string* contents) override {
        if (Fails(Op::ReadSmallFile)) {
            contents->clear();
            return readFailure;
        }
        return real_.ReadSmallFile(name, maxBytes, contents);
    }
    int CreateTemporary(int folder, const std::string& prefix, std::string* name) override {
        if (Dead() || Fails(Op::CreateTemporary)) return -1;
        const int handle = real_.CreateTemporary(folder, prefix, name);
        if (handle >= 0) openHandles.push_back(handle);
        return handle;
    }
    bool Write(int handle, const std::uint8_t* data, std::size_t length) override {
        const int parts = std::max(writeParts, 1);
        for (int part = 0; part < parts; ++part) {
            const std::size_t from = length * part / parts, to = length * (part + 1) / parts;
            if (Dead() || Fails(Op::Write) || !real_.Write(handle, data + from, to - from)) {
                return false;
            }
        }
        return true;
    }
    bool Flush(int handle) override { return !Dead() && !Fails(Op::Flush) && real_.Flush(handle); }
    bool Close(int handle) override {
        // A failing close still releases the descriptor, as close(2) does.
        // Releasing a folder's lock is not counted among the closes.
        std::erase(openHandles, handle);
        const bool closed = real_.Close(handle);
        if (locks_.erase(handle) > 0) return closed;
        return !Fails(Op::Close) && closed;
    }
    bool Rename(int folder, const std::string& from, const std::string& to) override {
        return !Dead() && !Fails(Op::Rename) && real_.Rename(folder, from, to);
    }
    bool Remove(int folder, const std::string& name) override {
        return !Dead() && !Fails(Op::Remove) && real_.Remove(folder, name);
    }
    bool Identify(int folder, const std::string& name, petitora::FileIdentity* id) override {
        if (!real_.Identify(folder, name, id)) return false;
        if (foreign.count(name) > 0) id->ownedByUser = false, ++id->owner;
        return true;
    }
    bool RenameNew(int folder, const std::string& from, const std::string& to) override {
        return !Dead() && !Fails(Op::Rename) && real_.RenameNew(folder, from, to);
    }
    int LockFolder(int folder) override {
        const int lock = real_.LockFolder(folder);
        if (lock >= 0) openHandles.push_back(lock), locks_.insert(lock);
        return lock;
    }
    bool FlushFolder(int lock) override {
        return !Dead() && !Fails(Op::Flush) && real_.FlushFolder(lock);
    }
    ReadStatus ReadSmallFileIn(int folder, const std::string& name, std::size_t maxBytes,
                               std::string* contents) override {
        return real_.ReadSmallFileIn(folder, name, maxBytes, contents);
    }
    bool ListNames(int folder, const std::string& prefix,
                   std::vector<std::string>* names) override {
        return real_.ListNames(folder, prefix, names);
    }
    int Calls(Op op) const { return calls_[static_cast<int>(op)]; }
    // True once an operation was refused after dieAfter.
    bool Died() const { return dieAfter >= 0 && steps_ > dieAfter; }

  private:
    bool Dead() { return dieAfter >= 0 && ++steps_ > dieAfter; }
    bool Fails(Op op) {
        const int call = ++calls_[static_cast<int>(op)];
        return std::any_of(faults.begin(), faults.end(),
                           [&](const Fault& f) { return f.op == op && f.at == call; });
    }
    petitora::SystemFileSystem real_;
    int calls_[8] = {};
    int steps_ = 0;
    std::set<int> locks_;
};

using testsupport::Registrant;

inline const std::string kSessionPassword = "Clave de acceso 2026";

// One key-options dialog over a scratch folder, accepted with a valid password.
struct Session {
    ScratchFolder folder;
    petitora::CaptureStorage capture;
    cerrojo::RandomPool pool;
    petitora::GenerationJob job;
    ScriptedPresenter messages;
    ScriptedHost host;
    FaultyFileSystem files;

    explicit Session(const petitora::RegistrantRecord& record, int keySizeIndex = 0) {
        capture.registrant = record;
        const petitora::Verdict verdict = petitora::AcceptCapture(capture.registrant);
        EXPECT_TRUE(verdict.valid) << verdict.message;
        capture.workingDirectory = folder.Path();
        petitora::InitGenerationJob(job, capture, &pool);
        job.keySizeIndex = keySizeIndex;
        job.password.Assign(kSessionPassword);
        job.passwordConfirmation.Assign(kSessionPassword);
    }
    petitora::KeyOptionsOutcome Accept() {
        petitora::GenerationServices services{messages, host, files};
        return petitora::OnAccept(job, services);
    }
    // The run alone, in the scratch folder (OnAccept would have held it).
    bool Generate() {
        petitora::GenerationServices services{messages, host, files};
        const petitora::HeldFolder held(files, folder.Path());
        return petitora::GenerateFiles(job, held.handle, services);
    }
    std::string Read(const std::string& name) const { return ReadBytes(folder / name); }
    // The messages after the confirmation question.
    std::vector<std::string> RunMessages() const {
        std::vector<std::string> texts;
        for (const auto& m : messages.shown) {
            if (m.topic == petitora::MessageTopic::General) texts.push_back(m.text);
        }
        return texts;
    }
};

inline bool AllZero(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; });
}

// An earlier pair of the run's names, which every failed run must leave alone.
inline void PlantEarlierPair(const std::string& folder, const std::string& base) {
    WriteBytes(folder + "/" + base + ".req", "earlier request");
    WriteBytes(folder + "/" + base + ".key", "earlier key");
}
inline void PlantEarlierPair(const ScratchFolder& folder, const std::string& base) {
    PlantEarlierPair(folder.Path(), base);
}

inline void ExpectEarlierPairOnly(const ScratchFolder& folder, const std::string& base) {
    EXPECT_EQ(folder.List(), (std::set<std::string>{base + ".req", base + ".key"}));
    EXPECT_TRUE(ReadBytes(folder / (base + ".req")) == "earlier request");
    EXPECT_TRUE(ReadBytes(folder / (base + ".key")) == "earlier key");
}

}  // namespace gentest
