#include "platform/system/trash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/system/file_ops.h"
#include "support/test_files.h"

namespace qm {
namespace {

using test::pathExists;
using test::readWholeFile;

TEST(Trash, FilesCanBeRestoredAndNamesNeverCollide) {
    std::string root = ::testing::TempDir() + "trash_test";
    deleteFolderTree(root);
    ASSERT_TRUE(makeDirectoryPath(root + "/out a"));
    ASSERT_TRUE(makeDirectoryPath(root + "/data"));
    const char* old = std::getenv("XDG_DATA_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);

    for (const char* name : {"pg_nav.htm", "pg_index.htm", "keep.jpg"}) std::ofstream(root + "/out a/" + name) << name;
    int count = 0;
    EXPECT_TRUE(trashFilesMatching(root + "/out a/pg_*.htm", &count));
    EXPECT_EQ(count, 2);
    EXPECT_FALSE(pathExists(root + "/out a/pg_nav.htm"));
    EXPECT_TRUE(pathExists(root + "/out a/keep.jpg"));
    EXPECT_EQ(readWholeFile(root + "/data/Trash/files/pg_nav.htm"), "pg_nav.htm");
    std::string info = readWholeFile(root + "/data/Trash/info/pg_nav.htm.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=/", 0), 0u);
    EXPECT_NE(info.find("/out%20a/pg_nav.htm\nDeletionDate="), std::string::npos);

    // The same name again gets a name of its own in the trash.
    std::ofstream(root + "/out a/pg_nav.htm") << "second";
    EXPECT_TRUE(moveToTrash(root + "/out a/pg_nav.htm"));
    EXPECT_EQ(readWholeFile(root + "/data/Trash/files/pg_nav.htm.2"), "second");
    EXPECT_TRUE(pathExists(root + "/data/Trash/info/pg_nav.htm.2.trashinfo"));
    EXPECT_FALSE(moveToTrash(root + "/out a/missing.htm"));

    if (old) setenv("XDG_DATA_HOME", saved.c_str(), 1); else unsetenv("XDG_DATA_HOME");
    deleteFolderTree(root);
}

}  // namespace
}  // namespace qm
