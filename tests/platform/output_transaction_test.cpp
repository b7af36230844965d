#include "platform/system/output_transaction.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/system/file_ops.h"
#include "temp_folder.h"

namespace qm {
namespace {

using test::readFileText;
using test::TempFolder;
using test::writeFileText;

// Without a commit the folders the transaction made go again, innermost first, and a folder
// that was there before stays with everything in it.
TEST(OutputTransaction, WhatIsNotCommittedLeavesNoTrace) {
    TempFolder dir;
    writeFileText(dir / "kept.txt", "mine");
    {
        OutputTransaction output(dir / "new/deeper/site");
        ASSERT_TRUE(output.begin());
        EXPECT_TRUE(isDirectory(output.stagingFolder()));
        writeFileText(output.staged("pg_0001.htm"), "half");
    }
    EXPECT_FALSE(isDirectory(dir / "new"));
    EXPECT_EQ(readFileText(dir / "kept.txt"), "mine");

    // A folder made by the run that the user filled meanwhile is not removed.
    OutputTransaction output(dir / "made");
    ASSERT_TRUE(output.begin());
    writeFileText(dir / "made/theirs.txt", "theirs");
    output.rollback();
    output.rollback();
    EXPECT_EQ(readFileText(dir / "made/theirs.txt"), "theirs");
}

TEST(OutputTransaction, CommitMovesEveryFileOrNone) {
    TempFolder dir;
    ASSERT_TRUE(makeDirectoryPath(dir / "site"));
    writeFileText(dir / "site/index.htm", "old");
    OutputTransaction output(dir / "site");
    ASSERT_TRUE(output.begin());
    writeFileText(output.staged("index.htm"), "new");
    writeFileText(output.staged("pg_0001.htm"), "page");
    // Replacing is not allowed: nothing moves, the old file stays, the staged files go.
    EXPECT_FALSE(output.commit());
    EXPECT_EQ(output.error(), "'" + (dir / "site/index.htm") + "' already exists (-r replaces it)");
    EXPECT_EQ(readFileText(dir / "site/index.htm"), "old");
    EXPECT_FALSE(isRegularFile(dir / "site/pg_0001.htm"));

    ASSERT_TRUE(output.begin());
    output.allowReplacing(true);
    writeFileText(output.staged("index.htm"), "new");
    writeFileText(output.staged("dropped.jpg"), "x");
    output.publishAs("index.htm", dir / "single.htm");
    output.publishOnlyNamed();
    ASSERT_TRUE(output.commit()) << output.error();
    EXPECT_EQ(output.written(), std::vector<std::string>{dir / "single.htm"});
    EXPECT_EQ(readFileText(dir / "single.htm"), "new");
    EXPECT_EQ(readFileText(dir / "site/index.htm"), "old");
    EXPECT_FALSE(isRegularFile(dir / "site/dropped.jpg"));
    int entries = 0;  // no staging folder stays behind
    if (DIR* d = ::opendir((dir / "site").c_str())) {
        while (const dirent* e = ::readdir(d)) entries += e->d_name[0] != '.' || e->d_name[1] == 'v';
        ::closedir(d);
    }
    EXPECT_EQ(entries, 1);  // index.htm
}

TEST(OutputTransaction, AFileInTheWayOfTheFolderFailsAtOnce) {
    TempFolder dir;
    writeFileText(dir / "blocker", "x");
    OutputTransaction output(dir / "blocker/site");
    EXPECT_FALSE(output.begin());
    EXPECT_EQ(output.error(), "Couldn't create the folder '" + (dir / "blocker") + "': a file of that name is in the way");
    EXPECT_EQ(readFileText(dir / "blocker"), "x");
}

}  // namespace
}  // namespace qm
