// The pair as one unit: a crash after every single step of the store step
// (and of the recovery after it), then the recovery of a later run.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "generation/generation_support.h"
#include "generation/pair_store.h"

namespace {

using namespace petitora;
using gentest::FaultyFileSystem;
using gentest::ReadBytes;
using gentest::ScratchFolder;

const std::string kNewRequest = "new request", kNewKey = "new key";

std::optional<FileIdentity> IdentityOf(const ScratchFolder& folder, const std::string& name) {
    SystemFileSystem files;
    const HeldFolder held(files, folder.Path());
    FileIdentity identity;
    if (!files.Identify(held.handle, name, &identity)) return std::nullopt;
    return identity;
}

// What the folder must hold after any crash and a recovery: both names with
// the earlier pair, or both with the new pair (or neither, when there was
// no earlier pair), and nothing else.
void ExpectWholePair(const ScratchFolder& folder, bool earlierPair) {
    const std::set<std::string> names = folder.List();
    if (!earlierPair && names.empty()) return;
    ASSERT_EQ(names, (std::set<std::string>{"X.req", "X.key"}));
    const std::string request = ReadBytes(folder / "X.req"), key = ReadBytes(folder / "X.key");
    const bool isNew = request == kNewRequest && key == kNewKey;
    const bool isEarlier = earlierPair && request == "earlier request" && key == "earlier key";
    EXPECT_TRUE(isNew || isEarlier) << request << " / " << key;
}

RecoveryReport Recover(FileSystem& files, const ScratchFolder& folder) {
    const HeldFolder held(files, folder.Path());
    return RecoverPair(files, held.handle);
}

// The store step dies after k disk operations, for every k until it runs to
// its end; its recovery dies after j operations, for every j, and a second
// recovery then makes the pair whole.
TEST(PairStoreCrash, EveryStepOfTheStoreAndOfTheRecoveryLeavesAWholePair) {
    for (const bool earlierPair : {false, true}) {
        bool finished = false;
        for (int k = 0; !finished; ++k) {
            ASSERT_LT(k, 40) << "the store step never ran to its end";
            for (int j = 0;; ++j) {
                SCOPED_TRACE(std::string(earlierPair ? "earlier pair, " : "no pair, ") +
                             "store dies after " + std::to_string(k) + ", recovery after " +
                             std::to_string(j));
                ScratchFolder folder;
                if (earlierPair) gentest::PlantEarlierPair(folder, "X");
                const PairTargets targets{"X.req", "X.key", IdentityOf(folder, "X.req"),
                                          IdentityOf(folder, "X.key")};
                FaultyFileSystem dying;
                dying.dieAfter = k;
                const HeldFolder held(dying, folder.Path());
                const auto bytes = [](const std::string& s) {
                    return reinterpret_cast<const std::uint8_t*>(s.data());
                };
                const StoreResult result =
                    StoreFiles(dying, held.handle, targets, bytes(kNewRequest),
                               static_cast<std::uint32_t>(kNewRequest.size()), bytes(kNewKey),
                               static_cast<std::uint32_t>(kNewKey.size()));
                EXPECT_TRUE(dying.openHandles.empty() ||
                            dying.openHandles == std::vector<int>{held.handle});
                finished = !dying.Died();

                // The verifier's look changes nothing.
                SystemFileSystem looking;
                const std::set<std::string> before = folder.List();
                const HeldFolder seen(looking, folder.Path());
                const RecoveryReport look = RecoverPair(looking, seen.handle, true);
                EXPECT_EQ(look.outcome == RecoveryReport::Outcome::Pending,
                          before.count(kIntentRecordName) == 1);
                EXPECT_EQ(folder.List(), before);

                FaultyFileSystem interrupted;
                interrupted.dieAfter = j;
                Recover(interrupted, folder);
                SystemFileSystem system;
                const RecoveryReport report = Recover(system, folder);
                EXPECT_TRUE(report.unknown.empty());
                EXPECT_NE(report.outcome, RecoveryReport::Outcome::Failed);
                ExpectWholePair(folder, earlierPair);
                if (result == StoreResult::Stored) {
                    EXPECT_EQ(ReadBytes(folder / "X.key"), kNewKey);
                }
                if (!interrupted.Died()) break;
            }
        }
    }
}

// The record's text is read back exactly, names with any byte included;
// anything else is not understood, and such a record is named and left
// alone, with the files beside it.
TEST(PairStoreCrash, ARecordThatCannotBeUnderstoodIsLeftAloneAndNamed) {
    IntentRecord record;
    record.request = {".petitora-req-a b", "caf\xE9 %\n.req", 1, 2};
    record.key = {".petitora-key-c", "caf\xE9 %\n.key", 1, 3};
    record.aside = IntentRecord::Entry{".petitora-old-d", "", 1, 4};
    const std::string text = record.Text();
    IntentRecord read;
    ASSERT_TRUE(IntentRecord::Parse(text, &read));
    EXPECT_EQ(read.Text(), text);
    EXPECT_EQ(read.request.name, record.request.name);
    for (const std::string& bad :
         {text.substr(0, text.size() - 4), text + "x\n", std::string("basura\n"),
          std::string("petitora-pair 1\nrequest .petitora-req-a ../X.req 1 2\n"
                      "key .petitora-key-c X.key 1 3\nend\n"),
          std::string("petitora-pair 1\nrequest otro X.req 1 2\n"
                      "key .petitora-key-c X.key 1 3\nend\n")}) {
        EXPECT_FALSE(IntentRecord::Parse(bad, &read)) << bad;
        ScratchFolder folder;
        gentest::WriteBytes(folder / kIntentRecordName, bad);
        gentest::WriteBytes(folder / ".petitora-req-abc", "x");
        SystemFileSystem files;
        const RecoveryReport report = Recover(files, folder);
        EXPECT_EQ(report.unknown, std::vector<std::string>{kIntentRecordName});
        EXPECT_NE(RecoveryMessage(report).find(kIntentRecordName), std::string::npos);
        EXPECT_EQ(folder.List(), (std::set<std::string>{kIntentRecordName, ".petitora-req-abc"}));
    }
    // A well-formed record of another user's naming a file of this one's.
    ScratchFolder folder;
    gentest::WriteBytes(folder / "X.req", "mine");
    const FileIdentity mine = *IdentityOf(folder, "X.req");
    record.request = {".petitora-req-a", "X.req", mine.device, mine.inode};
    gentest::WriteBytes(folder / kIntentRecordName, record.Text());
    FaultyFileSystem files;
    files.foreign = {kIntentRecordName};
    EXPECT_EQ(Recover(files, folder).unknown, std::vector<std::string>{kIntentRecordName});
    EXPECT_EQ(ReadBytes(folder / "X.req"), "mine");
}

// One file alone: never over a file that appeared, over an agreed one only
// while it is still that file.
TEST(PairStoreCrash, OneFileReplacesOnlyTheAgreedFile) {
    ScratchFolder folder;
    SystemFileSystem files;
    const HeldFolder held(files, folder.Path());
    const auto store = [&](const std::optional<FileIdentity>& replacing, const std::string& s) {
        return StoreOneFile(files, held.handle, "X.pfx", replacing,
                            reinterpret_cast<const std::uint8_t*>(s.data()),
                            static_cast<std::uint32_t>(s.size()));
    };
    EXPECT_EQ(store(std::nullopt, "uno"), StoreResult::Stored);
    const std::optional<FileIdentity> first = IdentityOf(folder, "X.pfx");
    EXPECT_EQ(store(std::nullopt, "dos"), StoreResult::TargetChanged);
    EXPECT_EQ(store(first, "dos"), StoreResult::Stored);
    EXPECT_EQ(store(first, "tres"), StoreResult::TargetChanged);
    EXPECT_EQ(ReadBytes(folder / "X.pfx"), "dos");
    EXPECT_EQ(folder.List(), std::set<std::string>{"X.pfx"});
}

}  // namespace
