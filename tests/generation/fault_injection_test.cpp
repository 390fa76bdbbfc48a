// Faults in the file system during a whole run: each step that stores the
// two files made to fail in turn through the file-system seam, the
// destination folder taken away while the mouse is moved, an unreadable
// notice file, and a real small file system that runs out of room or of
// file entries. Every failed run must show the message of its step, leave an
// earlier pair of files as it was and nothing else behind, and wipe the key.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "generation/driver.h"
#include "generation/generation_support.h"
#include "generation/job.h"
#include "generation/pair_store.h"
#include "generation/texts.h"

namespace {

using namespace petitora;
using gentest::AllZero;
using gentest::ExpectEarlierPairOnly;
using gentest::FaultyFileSystem;
using gentest::PlantEarlierPair;
using gentest::ReadBytes;
using gentest::Session;
using Op = FaultyFileSystem::Op;

const std::string kBase = "PELJ800101AB1";
const std::string kRequestFailed = Text(GenerationText::RequestFailed);
const std::string kKeyFileFailed = Text(GenerationText::KeyFileFailed);
const std::string kSuccess = Text(GenerationText::Success);

// What every run leaves in memory, failed or not: no key, no key file, no seed.
void ExpectSecretsWiped(const Session& session) {
    EXPECT_TRUE(AllZero(session.capture.privateKeyBuffer.data(), kPrivateKeyBufferSize));
    EXPECT_TRUE(AllZero(session.capture.workBuffer.data(), kWorkBufferSize));
    EXPECT_TRUE(AllZero(&session.pool, sizeof session.pool));
}

// The names in the folder that hold bytes equal to these.
std::vector<std::string> NamesHolding(const gentest::ScratchFolder& folder,
                                      const std::string& bytes) {
    std::vector<std::string> names;
    for (const std::string& name : folder.List()) {
        if (ReadBytes(folder / name) == bytes) names.push_back(name);
    }
    return names;
}

struct StepFault {
    const char* step;
    std::vector<FaultyFileSystem::Fault> faults;
    const std::string& message;
    bool earlierPair = true;  // a pair of the run's names is there before the run
};

// Each write is made in three parts, so with an earlier pair in place the
// calls of a run are: the request's temporary file (create 1, writes 1-3,
// flush 1, close 1), the key's (create 2, writes 4-6, flush 2, close 2), the
// place-holder for the earlier request (create 3, close 3), the intent
// record (create 4, writes 7-9, flush 3, close 4, rename 1 into place, the
// folder's flush 4), moving the earlier request aside (rename 2), both files
// into place (renames 3, 4), and putting the earlier request back after a
// failure (the next rename). Without an earlier pair the record is create 3
// and renames 2 and 3 put the files into place; when the key cannot follow,
// the request, whose key is lost, is removed again.
TEST(FileStepFaults, EachStepEndsInItsMessageAndLeavesTheFolderAsItWas) {
    const StepFault faults[] = {
        {"creating the request's temporary file", {{Op::CreateTemporary, 1}}, kRequestFailed},
        {"first write of the request", {{Op::Write, 1}}, kRequestFailed},
        {"middle write of the request", {{Op::Write, 2}}, kRequestFailed},
        {"last write of the request", {{Op::Write, 3}}, kRequestFailed},
        {"flushing the request", {{Op::Flush, 1}}, kRequestFailed},
        {"closing the request", {{Op::Close, 1}}, kRequestFailed},
        {"creating the key's temporary file", {{Op::CreateTemporary, 2}}, kKeyFileFailed},
        {"first write of the key", {{Op::Write, 4}}, kKeyFileFailed},
        {"middle write of the key", {{Op::Write, 5}}, kKeyFileFailed},
        {"last write of the key", {{Op::Write, 6}}, kKeyFileFailed},
        {"flushing the key", {{Op::Flush, 2}}, kKeyFileFailed},
        {"closing the key", {{Op::Close, 2}}, kKeyFileFailed},
        {"creating the place for the earlier request", {{Op::CreateTemporary, 3}}, kRequestFailed},
        {"closing the place for the earlier request", {{Op::Close, 3}}, kRequestFailed},
        {"creating the intent record", {{Op::CreateTemporary, 4}}, kRequestFailed},
        {"writing the intent record", {{Op::Write, 8}}, kRequestFailed},
        {"the intent record into place", {{Op::Rename, 1}}, kRequestFailed},
        {"flushing the folder before the renames", {{Op::Flush, 4}}, kRequestFailed},
        {"moving the earlier request aside", {{Op::Rename, 2}}, kRequestFailed},
        {"the request into place", {{Op::Rename, 3}}, kRequestFailed},
        {"the key into place", {{Op::Rename, 4}}, kKeyFileFailed},
        {"no earlier pair: last write of the key", {{Op::Write, 6}}, kKeyFileFailed, false},
        {"no earlier pair: the request into place", {{Op::Rename, 2}}, kRequestFailed, false},
        {"no earlier pair: the key into place", {{Op::Rename, 3}}, kKeyFileFailed, false},
    };
    for (const StepFault& fault : faults) {
        SCOPED_TRACE(fault.step);
        Session session(gentest::Registrant(UserType::PersonaFisica));
        session.files.faults = fault.faults;
        session.files.writeParts = 3;
        if (fault.earlierPair) PlantEarlierPair(session.folder, kBase);
        EXPECT_FALSE(session.Accept().closeWithOk);
        EXPECT_EQ(session.RunMessages(), std::vector<std::string>{fault.message});
        EXPECT_EQ(session.messages.shown.back().caption, "Petitora");
        if (fault.earlierPair) {
            ExpectEarlierPairOnly(session.folder, kBase);
        } else {
            EXPECT_EQ(session.folder.List(), std::set<std::string>{});
        }
        EXPECT_TRUE(session.files.openHandles.empty());
        ExpectSecretsWiped(session);
    }
}

// After a first fault the earlier request cannot be put back either: its
// bytes then stay, and only there, in the file it was moved to, with the
// intent record beside it; the earlier key is untouched and no request
// without its key is left under the name. The next run's recovery puts the
// earlier pair back; when only the moved-aside file could not be removed
// after success, it completes the new pair.
TEST(FileStepFaults, AChangeThatCannotBeUndoneOrTidiedIsLeftToRecovery) {
    const StepFault faults[] = {
        {"request into place, then putting back",
         {{Op::Rename, 3}, {Op::Rename, 4}},
         kRequestFailed},
        {"key into place, then putting back", {{Op::Rename, 4}, {Op::Rename, 5}}, kKeyFileFailed},
        {"removing the moved-aside request after success", {{Op::Remove, 1}}, kSuccess},
    };
    for (const StepFault& fault : faults) {
        SCOPED_TRACE(fault.step);
        Session session(gentest::Registrant(UserType::PersonaFisica));
        session.files.faults = fault.faults;
        PlantEarlierPair(session.folder, kBase);
        const bool stored = fault.message == kSuccess;
        EXPECT_EQ(session.Accept().closeWithOk, stored);
        EXPECT_EQ(session.RunMessages(), std::vector<std::string>{fault.message});
        EXPECT_EQ(session.Read(kBase + ".key") == "earlier key", !stored);
        EXPECT_EQ(session.folder.List().count(kBase + ".req"), stored ? 1u : 0u);
        const std::vector<std::string> holders = NamesHolding(session.folder, "earlier request");
        ASSERT_EQ(holders.size(), 1u);
        EXPECT_EQ(holders[0].rfind(".petitora-old-", 0), 0u) << holders[0];
        EXPECT_EQ(session.folder.List().count(kIntentRecordName), 1u);
        const std::string newKey = session.Read(kBase + ".key");

        SystemFileSystem files;
        const HeldFolder folder(files, session.folder.Path());
        const RecoveryReport report = RecoverPair(files, folder.handle);
        EXPECT_EQ(report.outcome, stored ? RecoveryReport::Outcome::Completed
                                         : RecoveryReport::Outcome::RolledBack);
        if (stored) {
            EXPECT_EQ(session.folder.List(),
                      (std::set<std::string>{kBase + ".req", kBase + ".key"}));
            EXPECT_EQ(session.Read(kBase + ".key"), newKey);
        } else {
            ExpectEarlierPairOnly(session.folder, kBase);
        }
        ExpectSecretsWiped(session);
    }
}

// The folder the user chose is removed (and perhaps made again) after the
// check on "Aceptar", while the mouse is being moved.
TEST(FileStepFaults, ADestinationThatVanishesBeforeTheWriting) {
    for (const bool madeAgain : {false, true}) {
        SCOPED_TRACE(madeAgain ? "removed and made again with a pair in it" : "removed");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        const std::string chosen = session.folder / "destino";
        std::filesystem::create_directory(chosen);
        session.job.pathText = "destino/" + kBase + ".req";
        session.host.whileCollecting = [&] {
            std::filesystem::remove_all(chosen);
            if (madeAgain) {
                std::filesystem::create_directory(chosen);
                PlantEarlierPair(chosen, kBase);
            }
        };
        EXPECT_FALSE(session.Accept().closeWithOk);
        EXPECT_EQ(session.host.collections, 1);
        EXPECT_EQ(session.RunMessages(), std::vector<std::string>{kRequestFailed});
        if (madeAgain) {
            EXPECT_EQ(session.folder.List("destino"),
                      (std::set<std::string>{kBase + ".req", kBase + ".key"}));
            EXPECT_EQ(ReadBytes(chosen + "/" + kBase + ".req"), "earlier request");
            EXPECT_EQ(ReadBytes(chosen + "/" + kBase + ".key"), "earlier key");
        } else {
            EXPECT_EQ(session.folder.List(), std::set<std::string>{});
        }
        EXPECT_TRUE(session.files.openHandles.empty());
        ExpectSecretsWiped(session);
    }
}

// A "Petitora.ini" that cannot be read is no reason to stop: the customs
// kinds then see the built-in notice, and the run goes on.
TEST(FileStepFaults, AnUnreadableNoticeFileGivesTheBuiltInNotice) {
    const std::string expected =
        std::string(Text(GenerationText::BuiltInNotice)) + Text(GenerationText::ConfirmQuestion);
    for (const auto status : {FileSystem::ReadStatus::CannotOpen, FileSystem::ReadStatus::ReadError,
                              FileSystem::ReadStatus::NotRegularFile}) {
        SCOPED_TRACE(static_cast<int>(status));
        Session session(gentest::Registrant(UserType::AgenteAduanal));
        gentest::WriteBytes(session.folder / "Petitora.ini", "Aviso del archivo.");
        session.files.faults = {{Op::ReadSmallFile, 1}};
        session.files.readFailure = status;
        EXPECT_TRUE(session.Accept().closeWithOk);
        ASSERT_EQ(session.files.Calls(Op::ReadSmallFile), 1);
        ASSERT_EQ(session.messages.shown.size(), 2u);
        EXPECT_EQ(session.messages.shown[0].topic, MessageTopic::ConfirmGeneration);
        EXPECT_EQ(session.messages.shown[0].text, expected);
        EXPECT_EQ(session.RunMessages(), std::vector<std::string>{kSuccess});
        ExpectSecretsWiped(session);
    }
    {
        SCOPED_TRACE("a folder named Petitora.ini, for real");
        Session session(gentest::Registrant(UserType::AgenteAduanal));
        std::filesystem::create_directory(session.folder / "Petitora.ini");
        EXPECT_TRUE(session.Accept().closeWithOk);
        ASSERT_FALSE(session.messages.shown.empty());
        EXPECT_EQ(session.messages.shown[0].text, expected);
    }
}

// A tmpfs of a few pages and file entries mounted over a folder, in a mount
// namespace of this process's own (so nobody else sees it). Needs the right
// to make mount namespaces and mount (root in CI); Reason() says why not.
class SmallFileSystem {
  public:
    SmallFileSystem(const std::string& at, int pages, int entries) : at_(at) {
        static const int shared =
            ::unshare(CLONE_NEWNS) == 0 &&
                    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
                ? 0
                : errno;
        if (shared != 0) {
            reason_ = std::string("no private mount namespace: ") + std::strerror(shared);
            return;
        }
        std::filesystem::create_directory(at_);
        const std::string options = "size=" + std::to_string(pages * kPage) +
                                    ",nr_inodes=" + std::to_string(entries) + ",mode=0700";
        if (::mount("petitora-small", at_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.c_str()) != 0) {
            reason_ = std::string("tmpfs not mounted: ") + std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~SmallFileSystem() {
        if (!mounted_) return;
        ::umount2(at_.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Reason() const { return reason_; }

    // Takes up all room but `pages` pages and all file entries but `entries`,
    // with files under a folder of its own; false when that did not come out
    // exactly.
    bool LeaveFree(int pages, int entries) {
        const std::string filler = at_ + "/.filler";
        std::filesystem::create_directory(filler);
        const int fd = ::open((filler + "/data").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        static const char block[kPage] = {};
        off_t size = 0;
        while (::write(fd, block, sizeof block) == static_cast<ssize_t>(sizeof block)) {
            size += kPage;
        }
        const bool trimmed = ::ftruncate(fd, size - static_cast<off_t>(pages) * kPage) == 0;
        ::close(fd);
        std::vector<std::string> names;
        for (int i = 0;; ++i) {
            std::string name = filler + "/entry" + std::to_string(i);
            const int entry = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
            if (entry < 0) break;
            ::close(entry);
            names.push_back(std::move(name));
        }
        for (int i = 0; i < entries && !names.empty(); ++i) {
            ::unlink(names.back().c_str());
            names.pop_back();
        }
        struct statvfs free;
        return trimmed && ::statvfs(at_.c_str(), &free) == 0 &&
               free.f_bavail * free.f_frsize == static_cast<unsigned long>(pages) * kPage &&
               free.f_favail == static_cast<unsigned long>(entries);
    }

  private:
    static constexpr int kPage = 4096;
    std::string at_;
    std::string reason_;
    bool mounted_ = false;
};

// The real system calls failing: no room for data (the write fails, after
// the temporary file was made) or no room for another file entry (making
// the temporary file fails). Each file of a 1,024-bit run takes one page.
TEST(RealFullFileSystem, EachFileThatDoesNotFitEndsInItsMessage) {
    struct Case {
        const char* label;
        int freePages, freeEntries;
        const std::string& message;  // "" when the run succeeds
    };
    const std::string none;
    const Case cases[] = {
        {"no page for the request", 0, 8, kRequestFailed},
        {"a page for the request, none for the key", 1, 8, kKeyFileFailed},
        {"no entry for the request's temporary file", 8, 0, kRequestFailed},
        {"an entry for the request, none for the key", 8, 1, kKeyFileFailed},
        {"no entry for the place of the earlier request", 8, 2, kRequestFailed},
        {"no page for the intent record", 2, 8, kRequestFailed},
        {"no entry for the intent record", 8, 3, kRequestFailed},
        {"just enough", 3, 4, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Session session(gentest::Registrant(UserType::PersonaFisica));
        const std::string small = session.folder / "small";
        SmallFileSystem mounted(small, 24, 24);
        if (!mounted.Mounted()) GTEST_SKIP() << mounted.Reason();
        PlantEarlierPair(small, kBase);
        ASSERT_TRUE(mounted.LeaveFree(c.freePages, c.freeEntries));
        session.job.pathText = small + "/" + kBase + ".req";

        EXPECT_EQ(session.Accept().closeWithOk, c.message.empty());
        EXPECT_EQ(session.RunMessages(),
                  std::vector<std::string>{c.message.empty() ? kSuccess : c.message});
        EXPECT_EQ(session.folder.List("small"),
                  (std::set<std::string>{kBase + ".req", kBase + ".key", ".filler"}));
        const bool replaced = c.message.empty();
        EXPECT_EQ(ReadBytes(small + "/" + kBase + ".req") == "earlier request", !replaced);
        EXPECT_EQ(ReadBytes(small + "/" + kBase + ".key") == "earlier key", !replaced);
        ExpectSecretsWiped(session);
    }
}

}  // namespace
