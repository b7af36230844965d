#include "platform/system/file_ops.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/report_error.h"
#include "temp_folder.h"

namespace qm {
namespace {

using test::readFileText;
using test::TempFolder;
using test::writeFileText;

TEST(FileOps, MakeDirectoryPathCreatesEveryMissingLevel) {
    TempFolder dir;
    EXPECT_TRUE(makeDirectoryPath(dir / "a/b/c"));
    EXPECT_TRUE(isDirectory(dir / "a/b/c"));
    EXPECT_TRUE(makeDirectoryPath(dir / "a/b/c/"));  // existing, trailing slash
    writeFileText(dir / "file", "x");
    ErrorCapture errors;
    EXPECT_FALSE(makeDirectoryPath(dir / "file/sub"));
    EXPECT_FALSE(makeDirectoryPath(dir / "file"));
    EXPECT_FALSE(makeDirectoryPath(""));
    EXPECT_EQ(errors.messages().size(), 1u);
    EXPECT_EQ(readFileText(dir / "file"), "x");
}

TEST(FileOps, CopyAndDeleteByPatternTouchOnlyMatchingFiles) {
    TempFolder dir;
    makeDirectoryPath(dir / "src/pg_sub.htm");  // a folder that matches is left alone
    writeFileText(dir / "src/pg_index.htm", "index");
    writeFileText(dir / "src/pg_nav.htm", "nav");
    writeFileText(dir / "src/pg_logo.gif", "gif");
    writeFileText(dir / "src/other.htm", "other");
    makeDirectoryPath(dir / "out");
    writeFileText(dir / "out/pg_nav.htm", "old nav that is replaced");

    int count = 0;
    EXPECT_TRUE(copyFilesMatching(dir / "src/pg_*.htm", dir / "out", &count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(readFileText(dir / "out/pg_index.htm"), "index");
    EXPECT_EQ(readFileText(dir / "out/pg_nav.htm"), "nav");
    EXPECT_FALSE(isRegularFile(dir / "out/other.htm"));
    EXPECT_FALSE(isDirectory(dir / "out/pg_sub.htm"));

    EXPECT_TRUE(deleteFilesMatching(dir / "src/pg_*", &count));
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(isRegularFile(dir / "src/other.htm"));
    EXPECT_TRUE(isDirectory(dir / "src/pg_sub.htm"));
    EXPECT_TRUE(deleteFilesMatching(dir / "src/nothing*", &count));
    EXPECT_EQ(count, 0);
}

TEST(FileOps, FailedCopiesReportAndLeaveTheTargetAlone) {
    TempFolder dir;
    writeFileText(dir / "target", "keep");
    ErrorCapture errors;
    EXPECT_FALSE(copyFile(dir / "missing", dir / "target"));
    EXPECT_EQ(readFileText(dir / "target"), "keep");
    EXPECT_FALSE(copyFilesMatching(dir / "nofolder/*.htm", dir.path()));
    EXPECT_TRUE(errors.contains("Couldn't open folder '" + dir / "nofolder" + "': No such file or directory"));
    writeFileText(dir / "a.htm", "a");
    EXPECT_FALSE(copyFilesMatching(dir / "*.htm", dir / "missing-folder"));
}

TEST(FileOps, DeleteFolderTreeStaysInsideTheTree) {
    TempFolder dir;
    makeDirectoryPath(dir / "tree/a/b");
    writeFileText(dir / "tree/a/b/f", "1");
    writeFileText(dir / "tree/g", "2");
    makeDirectoryPath(dir / "outside");
    writeFileText(dir / "outside/keep", "3");
    ASSERT_EQ(::symlink((dir / "outside").c_str(), (dir / "tree/link").c_str()), 0);
    EXPECT_TRUE(deleteFolderTree(dir / "tree/"));
    EXPECT_FALSE(isDirectory(dir / "tree"));
    EXPECT_EQ(readFileText(dir / "outside/keep"), "3");

    ErrorCapture errors;
    EXPECT_FALSE(deleteFolderTree("/"));
    EXPECT_FALSE(deleteFolderTree(""));
    EXPECT_FALSE(deleteFolderTree(dir / "outside/.."));
    EXPECT_FALSE(deleteFolderTree(dir / "outside/keep"));
    EXPECT_TRUE(errors.contains("Refusing to delete folder '/'"));
    EXPECT_TRUE(isDirectory(dir / "outside"));
}

TEST(FileOps, WithExtensionReplacesOnlyTheLastComponentsExtension) {
    EXPECT_EQ(withExtension("/out/pg_0001.htm", ".bmp"), "/out/pg_0001.bmp");
    EXPECT_EQ(withExtension("/out.d/page", ".jpg"), "/out.d/page.jpg");
    EXPECT_EQ(withExtension("a.b.c", ".x"), "a.b.x");
}

}  // namespace
}  // namespace qm
