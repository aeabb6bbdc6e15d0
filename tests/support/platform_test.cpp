// The platform calls: a rename that replaces its target, and the temporary
// file and rename built on it.
#include <gtest/gtest.h>

#include <string>

#include "support/binary_io.h"
#include "support/file_io.h"
#include "support/platform.h"
#include "test_support.h"

namespace varno::support {
namespace {

using varno::testing::readWholeFile;

TEST(Platform, RenameOverReplacesTheTargetAndAFailedOneChangesNothing) {
    varno::testing::TempDirectory dir;
    const std::string from = dir.file("new.res"), to = dir.file("old.res");
    ASSERT_TRUE(replaceFile(to, "old"));
    ASSERT_TRUE(replaceFile(to, "older, replaced"));
    EXPECT_EQ(readWholeFile(to), "older, replaced");
    EXPECT_FALSE(fileExists(to + ".tmp"));

    ASSERT_TRUE(replaceFile(from, "new"));
    ASSERT_TRUE(renameOver(from, to));
    EXPECT_EQ(readWholeFile(to), "new");
    EXPECT_FALSE(fileExists(from));

    EXPECT_FALSE(renameOver(dir.file("missing.res"), to));
    EXPECT_EQ(readWholeFile(to), "new");
}

}  // namespace
}  // namespace varno::support
