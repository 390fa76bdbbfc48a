// The real file operations on names the system cannot take as they are.
#include <gtest/gtest.h>

#include <string>

#include "generation/file_system.h"
#include "generation/generation_support.h"

namespace {

using namespace petitora;
using gentest::ReadBytes;
using gentest::ScratchFolder;
using gentest::WriteBytes;

// "a\0.req" would reach the system as "a": a request and its key file
// "a\0.key" would then be one file, the key written over the request.
TEST(SystemFileSystem, ANameHoldingANulByteNamesNoFile) {
    using namespace std::string_literals;
    ScratchFolder folder;
    SystemFileSystem files;
    WriteBytes(folder / "a", "earlier");
    const std::string withNul = "a\0.req"s;
    const HeldFolder held(files, folder.Path());
    const int in = held.handle;
    ASSERT_GE(in, 0);

    EXPECT_FALSE(files.Exists(in, withNul));
    std::string contents = "x";
    EXPECT_EQ(files.ReadSmallFile(folder / withNul, 100, &contents),
              FileSystem::ReadStatus::CannotOpen);
    EXPECT_EQ(contents, "");
    EXPECT_FALSE(files.Remove(in, withNul));
    EXPECT_FALSE(files.CanEnterFolder(folder.Path() + "\0/otra"s));

    std::string temporary;
    EXPECT_EQ(files.CreateTemporary(in, "p\0q"s, &temporary), -1);
    EXPECT_EQ(files.OpenFolder(folder.Path() + "\0x"s), -1);
    const int handle = files.CreateTemporary(in, "nuevo-", &temporary);
    ASSERT_GE(handle, 0);
    ASSERT_TRUE(files.Close(handle));
    EXPECT_FALSE(files.Rename(in, temporary, withNul));
    EXPECT_FALSE(files.Rename(in, withNul, "b"));

    // Nothing under the name before the NUL was touched, nothing made.
    EXPECT_EQ(ReadBytes(folder / "a"), "earlier");
    EXPECT_EQ(folder.List().size(), 2u);
    EXPECT_TRUE(files.Exists(in, temporary));
}

}  // namespace
