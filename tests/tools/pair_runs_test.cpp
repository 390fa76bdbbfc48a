// The pair under real processes: two petitora-replay runs at once into the
// same names, and runs killed at random instants, each followed by a
// recovery and petitora-verify on what is visible.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "generation/generation_support.h"
#include "generation/pair_store.h"
#include "generation/texts.h"
#include "support/replay_inputs.h"

namespace {

using namespace petitora;
using gentest::ScratchFolder;
using gentest::WriteBytes;

const std::string kPassword = "clave de acceso";

// A folder with the replay's inputs: a registrant, mouse events for 2,048
// bits and the password line.
void PrepareInputs(const ScratchFolder& folder) {
    testsupport::PrepareInputs(
        folder, testsupport::Persona(R"(, "regionalOffice": "12 CENTRO D.F.")"), 2048);
    WriteBytes(folder / "password.txt", kPassword + "\n");
}

// Starts petitora-replay in folder into X.req, standard input from the
// password file (or the descriptor input) and its messages into log;
// returns its process id.
pid_t StartReplay(const ScratchFolder& folder, bool replace, const std::string& log, int input = -1,
                  const char* bits = "1024") {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int in = input >= 0 ? input : ::open((folder / "password.txt").c_str(), O_RDONLY);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || ::chdir(folder.Path().c_str()) != 0) ::_exit(127);
    ::dup2(in, 0), ::dup2(out, 1), ::dup2(out, 2);
    const char* argv[] = {PETITORA_REPLAY_BINARY,
                          "--registrant",
                          "persona.json",
                          "--bits",
                          bits,
                          "--events",
                          "events.txt",
                          "--destination",
                          "X.req",
                          replace ? "--replace" : nullptr,
                          nullptr};
    ::execv(argv[0], const_cast<char* const*>(argv));
    ::_exit(127);
}

int ExitStatus(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// petitora-verify on the pair base.req, base.key of folder, the password
// line from input: its exit status.
int Verify(const ScratchFolder& folder, const std::string& base = "X",
           const std::string& input = "password.txt") {
    const std::string command = "cd '" + folder.Path() + "' && '" PETITORA_VERIFY_TOOL "' '" +
                                base + ".req' '" + base + ".key' < " + input + " > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The destination is used as the bytes given, not as UTF-8; a password line
// ending in CR LF is the same password for both programs; the verifier's
// password read ends on an endless input.
TEST(PairRuns, DestinationBytesAndPasswordLinesMapFaithfully) {
    ScratchFolder folder;
    PrepareInputs(folder);
    WriteBytes(folder / "password.txt", kPassword + "\r\n");
    const std::string name = "caf\xE9";
    const std::string replay = "cd '" + folder.Path() +
                               "' && '" PETITORA_REPLAY_BINARY
                               "' --registrant persona.json --bits 1024 --events events.txt "
                               "--destination '" +
                               name + ".req' < password.txt > /dev/null 2>&1";
    ASSERT_EQ(std::system(replay.c_str()), 0);
    EXPECT_EQ(folder.List().count(name + ".req") + folder.List().count(name + ".key"), 2u);
    WriteBytes(folder / "password.txt", kPassword + "\n");
    EXPECT_EQ(Verify(folder, name), 0);
    EXPECT_EQ(Verify(folder, name, "/dev/zero"), 2);
}

// Two runs started together into the same names, without and with an
// earlier pair (then both agree to replace it): exactly one writes its pair,
// the other says why it did not, and the winner's pair is whole.
TEST(PairRuns, TwoRunsAtOnceIntoTheSameNames) {
    const std::string busy = Cp1252ToUtf8(Text(GenerationText::FolderBusy));
    const std::string changed = Cp1252ToUtf8(Text(GenerationText::TargetChanged));
    const std::string changedStart = changed.substr(0, changed.find("%1"));
    for (int round = 0; round < 6; ++round) {
        const bool earlier = round % 2 == 1;
        SCOPED_TRACE(std::to_string(round) + (earlier ? ", over an earlier pair" : ""));
        ScratchFolder folder;
        PrepareInputs(folder);
        if (earlier) {
            ASSERT_EQ(ExitStatus(StartReplay(folder, false, folder / "0.log")), 0)
                << gentest::ReadBytes(folder / "0.log");
        }
        // Both wait for their password line, which both are then given at
        // once; with 2,048-bit keys both ask their question well before
        // either stores its files.
        int first[2], second[2];
        ASSERT_EQ(::pipe(first), 0);
        ASSERT_EQ(::pipe(second), 0);
        const pid_t pids[] = {StartReplay(folder, earlier, folder / "1.log", first[0], "2048"),
                              StartReplay(folder, earlier, folder / "2.log", second[0], "2048")};
        ::close(first[0]), ::close(second[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::string line = kPassword + "\n";
        for (const int end : {first[1], second[1]}) {
            EXPECT_EQ(::write(end, line.data(), line.size()), static_cast<ssize_t>(line.size()));
            ::close(end);
        }
        const int statuses[] = {ExitStatus(pids[0]), ExitStatus(pids[1])};
        EXPECT_EQ(std::min(statuses[0], statuses[1]), 0);
        EXPECT_EQ(std::max(statuses[0], statuses[1]), 1)
            << gentest::ReadBytes(folder / "1.log") << gentest::ReadBytes(folder / "2.log");
        const std::string loser =
            gentest::ReadBytes(folder / (statuses[0] == 0 ? "2.log" : "1.log"));
        EXPECT_TRUE(loser.find(busy) != std::string::npos ||
                    loser.find(changedStart) != std::string::npos ||
                    loser.find("ya existe") != std::string::npos)
            << loser;
        EXPECT_EQ(Verify(folder), 0);
        for (const std::string& name : folder.List()) {
            EXPECT_NE(name.rfind(".petitora-", 0), 0u) << name;
        }
    }
}

// Runs over an earlier pair killed with SIGKILL at random instants of their
// life (about 30 of them, each within one run's time): a recovery then
// leaves a whole pair that petitora-verify accepts, and nothing else.
TEST(PairRuns, KilledAtRandomInstantsThenRecovered) {
    ScratchFolder folder;
    PrepareInputs(folder);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    ASSERT_EQ(ExitStatus(StartReplay(folder, false, folder / "run.log")), 0);
    const auto runTime =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    std::mt19937 random(20261209);
    // Mostly in the second half of a run, where its files are written.
    std::uniform_int_distribution<long> instant(runTime.count() / 3, runTime.count() * 5 / 4);
    int leftovers = 0;
    for (int kill = 0; kill < 30; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        const pid_t pid = StartReplay(folder, true, folder / "run.log");
        std::this_thread::sleep_for(std::chrono::microseconds(instant(random)));
        ::kill(pid, SIGKILL);
        ExitStatus(pid);
        for (const std::string& name : folder.List()) leftovers += name.rfind(".petitora-", 0) == 0;
        SystemFileSystem files;
        const HeldFolder held(files, folder.Path());
        const RecoveryReport report = RecoverPair(files, held.handle);
        EXPECT_TRUE(report.unknown.empty());
        EXPECT_NE(report.outcome, RecoveryReport::Outcome::Failed);
        EXPECT_EQ(Verify(folder), 0);
        EXPECT_EQ(folder.List(), (std::set<std::string>{"X.req", "X.key", "persona.json",
                                                        "events.txt", "password.txt", "run.log"}));
    }
    RecordProperty("leftovers", leftovers);
}

}  // namespace
