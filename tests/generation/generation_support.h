// Helpers shared by the generation tests: scratch folders, scripted answers
// for the message and host seams, a file system that fails one chosen call,
// and valid registrants of every kind.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "capture/capture_support.h"
#include "capture/registrant.h"
#include "generation/file_system.h"
#include "generation/seams.h"

namespace gentest {

namespace fs = std::filesystem;

using capturetest::W;

// A fresh folder under the test temporary directory, removed at the end; the
// process's current directory is put back as it was, since the code under
// test changes it.
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

// Answers every box from a script and keeps what was shown.
class ScriptedPresenter : public petitora::MessagePresenter {
  public:
    petitora::MessageAnswer replaceAnswer = petitora::MessageAnswer::Yes;
    petitora::MessageAnswer confirmAnswer = petitora::MessageAnswer::Yes;
    std::vector<petitora::MessageRequest> shown;

    petitora::MessageAnswer Show(const petitora::MessageRequest& request) override {
        shown.push_back(request);
        if (request.buttons == petitora::MessageButtons::Ok) return petitora::MessageAnswer::Ok;
        return request.topic == petitora::MessageTopic::ReplaceFiles ? replaceAnswer
                                                                     : confirmAnswer;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& request : shown) texts.push_back(request.text);
        return texts;
    }
};

// Plays the entropy dialog with fixed mouse positions: all required events
// (or eventLimit of them, then Enter), or a cancel. Work runs in place unless
// its call number is listed in skippedWork.
class ScriptedHost : public petitora::GenerationHost {
  public:
    bool cancel = false;
    long eventLimit = -1;
    std::set<int> skippedWork;
    int waitNotices = 0, collections = 0, workCalls = 0;
    std::uint32_t eventsFed = 0;

    void ShowWaitNotice() override { ++waitNotices; }
    bool CollectEntropy(petitora::EntropyCollection& collection) override {
        ++collections;
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

// The real file system, with the n-th call (1-based) of one operation failing
// without doing anything.
class FaultyFileSystem : public petitora::FileSystem {
  public:
    enum class Op { None, CreateTemporary, Write, Flush, Close, Rename, Remove };
    Op failOp = Op::None;
    int failAt = 0;
    std::vector<int> openHandles;

    FaultyFileSystem() = default;
    FaultyFileSystem(Op op, int at) : failOp(op), failAt(at) {}

    std::string CurrentDirectory() override { return real_.CurrentDirectory(); }
    bool ChangeDirectory(const std::string& path) override { return real_.ChangeDirectory(path); }
    bool Exists(const std::string& name) override { return real_.Exists(name); }
    ReadStatus ReadSmallFile(const std::string& name, std::size_t maxBytes,
                             std::string* contents) override {
        return real_.ReadSmallFile(name, maxBytes, contents);
    }
    int CreateTemporary(const std::string& folder, const std::string& prefix,
                        std::string* name) override {
        if (Fails(Op::CreateTemporary)) return -1;
        const int handle = real_.CreateTemporary(folder, prefix, name);
        if (handle >= 0) openHandles.push_back(handle);
        return handle;
    }
    bool Write(int handle, const std::uint8_t* data, std::size_t length) override {
        return !Fails(Op::Write) && real_.Write(handle, data, length);
    }
    bool Flush(int handle) override { return !Fails(Op::Flush) && real_.Flush(handle); }
    bool Close(int handle) override {
        // A failing close still releases the descriptor, as close(2) does.
        std::erase(openHandles, handle);
        const bool closed = real_.Close(handle);
        return !Fails(Op::Close) && closed;
    }
    bool Rename(const std::string& from, const std::string& to) override {
        return !Fails(Op::Rename) && real_.Rename(from, to);
    }
    bool Remove(const std::string& name) override {
        return !Fails(Op::Remove) && real_.Remove(name);
    }
    int Calls(Op op) const { return calls_[static_cast<int>(op)]; }

  private:
    bool Fails(Op op) { return ++calls_[static_cast<int>(op)] == failAt && op == failOp; }
    petitora::SystemFileSystem real_;
    int calls_[7] = {};
};

// A valid registrant of each kind (AcceptCapture passes), with the plain
// variant: no representative, CURP, interior number or locality where the
// kind allows.
inline petitora::RegistrantRecord Registrant(petitora::UserType type) {
    using petitora::UserType;
    petitora::RegistrantRecord r = petitora::CreateRegistrantRecord(type);
    const bool entity = type == UserType::PersonaMoral || type == UserType::Banco;
    if (entity) {
        r.rfcEntityLetters = "ACM";
        r.name = "ACME SA";
        r.repRfcLetters = "RUSA";
        r.repRfcDate = "750505";
        r.repRfcHomoclave = "XY2";
        r.repName = "ANA";
        r.repPaternalSurname = "RUIZ";
        r.repMaternalSurname = "SOTO";
    } else {
        r.rfcLetters = "PELJ";
        r.name = "JUAN";
        r.paternalSurname = "PEREZ";
        r.maternalSurname = "LOPEZ";
    }
    r.rfcDate = "800101";
    r.rfcHomoclave = "AB1";
    r.email = "juan@example.mx";
    r.revocationKey = "secreto123";
    if (type == UserType::ContadorPublico) r.patenteCpr = "5678";
    if (type == UserType::AgenteAduanal || type == UserType::Mandatario ||
        type == UserType::ApoderadoAduanal) {
        r.patenteCpr = "1234";
    }
    r.street = "AV. REFORMA";
    r.exteriorNumber = "10";
    r.neighbourhood = "CENTRO";
    r.postalCode = "06000";
    r.municipality = "CUAUHTEMOC";
    r.stateIndex = 8;
    r.regionalOffice = "12 CENTRO D.F.";
    return r;
}

}  // namespace gentest
