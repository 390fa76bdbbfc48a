// What a generation run leaves in memory when its work runs in place, on the
// calling thread, as the command-line replay runs it: once the job and the
// capture storage are gone, no heap block (freed ones kept unreused), no
// stack frame the run returned from and no other anonymous mapping may hold
// the password or the private key.
#include <gtest/gtest.h>

#include <filesystem>

#include "generation/generation_support.h"
#include "support/memory_scan.h"
#include "support/run_secrets.h"

namespace {

using secretscan::Bytes;

TEST(DriverSecrets, NothingOfAnInPlaceRunRemains) {
    ASSERT_TRUE(memscan::Tracking());
    const Bytes password =
        secretscan::VaultCopy(secretscan::kPassword, sizeof secretscan::kPassword - 1);
    secretscan::RunSecrets secrets;
    secrets.AddPassword(password);

    gentest::ScratchFolder kept;  // the key file, read back after the run
    memscan::KeepFreedBlocks();
    {
        gentest::Session session(gentest::Registrant(petitora::UserType::PersonaFisica));
        session.job.password.Assign(password.View());
        session.job.passwordConfirmation.Assign(password.View());
        ASSERT_TRUE(session.Accept().closeWithOk);
        EXPECT_EQ(session.host.workCalls, 2);  // key pair and request, then the key file
        std::filesystem::copy_file(session.folder / "PELJ800101AB1.key", kept / "run.key");
    }
    secrets.AddKeyFile(kept / "run.key", password);
    ASSERT_FALSE(HasFatalFailure());

    const std::vector<memscan::Copy> copies = memscan::FindCopies(secrets.List());
    EXPECT_TRUE(memscan::TrackerComplete());
    EXPECT_EQ(secrets.Describe(copies, 0, secrets.List().size()), std::vector<std::string>{});
}

}  // namespace
