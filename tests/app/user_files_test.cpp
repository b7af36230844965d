// What a run may do to a folder that already holds the user's own files, and what it says
// when it cannot write: every mode leaves the user's files byte for byte, a full disk or a
// blocked path fails with the system's reason and leaves no half output.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "platform/system/file_ops.h"
#include "support/corpus_manifest.h"
#include "run_vellumix.h"
#include "support/test_files.h"

namespace qm {
namespace {

using test::corpusPath;
using test::pathExists;
using test::readWholeFile;

using test::Outcome;
using test::vellumix;

// Every entry below `folder` (not following links): its bytes, or "->" and a link's target,
// or "/" for a folder.
void snapshot(const std::string& folder, const std::string& prefix, std::map<std::string, std::string>& out) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string path = folder + "/" + name;
        struct stat st {};
        ::lstat(path.c_str(), &st);
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            ssize_t n = ::readlink(path.c_str(), target, sizeof target);
            out[prefix + name] = "->" + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
        } else if (S_ISDIR(st.st_mode)) {
            out[prefix + name] = "/";
            snapshot(path, prefix + name + "/", out);
        } else {
            out[prefix + name] = readWholeFile(path);
        }
    }
    ::closedir(dir);
}

std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> out;
    snapshot(folder, "", out);
    return out;
}

// Entries of `now` that `before` had, compared one by one; entries added by the run are not
// the user's and are left out.
void expectUnchanged(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& now,
                     const std::string& mode) {
    for (const auto& [name, bytes] : before) {
        auto it = now.find(name);
        ASSERT_NE(it, now.end()) << mode << ": " << name << " is gone";
        EXPECT_EQ(it->second, bytes) << mode << ": " << name << " changed";
    }
}

bool anyScratchLeft(const std::string& folder) {
    for (const auto& [name, bytes] : snapshot(folder)) {
        if (name.find(".vellumix-") != std::string::npos || name.find(".XXXXXX") != std::string::npos) return true;
    }
    return false;
}

class UserFiles : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = ::testing::TempDir() + "user_files_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                "_" + std::to_string(::getpid());  // test runs of other checkouts use the same temporary folder
        deleteFolderTree(root_);
        ASSERT_TRUE(makeDirectoryPath(root_ + "/config"));
        pdf_ = root_ + "/doc.pdf";
        ASSERT_TRUE(copyFile(corpusPath("word365-3p.pdf"), pdf_));
    }
    void TearDown() override { deleteFolderTree(root_); }
    Outcome run(const std::string& args, const std::string& prefix = "") { return vellumix(args, root_, prefix); }
    void write(const std::string& path, const std::string& bytes) {
        ASSERT_TRUE(makeDirectoryPath(std::string(path, 0, path.rfind('/'))));
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string root_;
    std::string pdf_;
};

TEST_F(UserFiles, AFolderOfTheUsersOwnFilesSurvivesEveryMode) {
    const std::string site = root_ + "/doc";
    write(site + "/notes.txt", "my notes\n");
    write(site + "/sub/deep/keep.htm", "<p>mine</p>");
    write(site + "/pg_0099.htm", "my own page, not one of the run's");
    write(site + "/pg_0001.gif", "a picture named like ours");
    write(root_ + "/target.txt", "the link's target");
    ASSERT_EQ(::symlink("../target.txt", (site + "/link.txt").c_str()), 0);
    const auto before = snapshot(site);
    const auto target = readWholeFile(root_ + "/target.txt");

    struct Mode {
        const char* name;
        std::string args;
    };
    const Mode modes[] = {
        {"-c -d", "-m -c -d '" + pdf_ + "' '" + root_ + "/doc.htm'"},
        {"-c", "-m -r -c '" + pdf_ + "' '" + root_ + "/doc.htm'"},
        {"-r", "-m -r '" + pdf_ + "' '" + root_ + "/doc.htm'"},
        {"--bmp", "-m -r --bmp -z 50 -o '" + site + "/' '" + pdf_ + "'"},
    };
    for (const Mode& mode : modes) {
        Outcome r = run(mode.args);
        EXPECT_EQ(r.status, 0) << mode.name << ": " << r.out;
        expectUnchanged(before, snapshot(site), mode.name);
        EXPECT_EQ(readWholeFile(root_ + "/target.txt"), target) << mode.name;
        EXPECT_FALSE(anyScratchLeft(root_)) << mode.name;
    }
    // What each mode wrote is there.
    EXPECT_NE(readWholeFile(root_ + "/doc.htm").find("<html>"), std::string::npos);
    EXPECT_TRUE(pathExists(site + "/pg_0003.htm"));
    EXPECT_EQ(readWholeFile(site + "/doc.pdf_002.bmp").substr(0, 2), "BM");
    // Nothing of ours went into the user's Trash.
    EXPECT_FALSE(pathExists(root_ + "/data/Trash"));
}

TEST_F(UserFiles, ExistingFilesNeedRAndALinkIsReplacedNotFollowed) {
    const std::string site = root_ + "/doc";
    write(site + "/pg_0002.htm", "mine, named like a page of the run");
    Outcome refused = run("-m '" + pdf_ + "' '" + root_ + "/doc.htm'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("pg_0002.htm already exists; skipped (-r replaces it)"), std::string::npos)
        << refused.out;
    EXPECT_EQ(readWholeFile(site + "/pg_0002.htm"), "mine, named like a page of the run");
    EXPECT_FALSE(pathExists(site + "/index.htm"));

    // -c -d writes NAME.htm beside the folder: an existing one needs -r as well.
    write(root_ + "/doc.htm", "my own doc.htm");
    Outcome single = run("-m -c -d '" + pdf_ + "' '" + root_ + "/doc.htm'");
    EXPECT_EQ(single.status, 1) << single.out;
    EXPECT_EQ(readWholeFile(root_ + "/doc.htm"), "my own doc.htm");

    // A link planted where a page goes is replaced by the page; its target stays as it was.
    write(root_ + "/secret.txt", "not to be touched");
    ::unlink((site + "/pg_0002.htm").c_str());
    ASSERT_EQ(::symlink((root_ + "/secret.txt").c_str(), (site + "/pg_0001.htm").c_str()), 0);
    Outcome replaced = run("-m -r '" + pdf_ + "' '" + root_ + "/doc.htm'");
    EXPECT_EQ(replaced.status, 0) << replaced.out;
    EXPECT_EQ(readWholeFile(root_ + "/secret.txt"), "not to be touched");
    struct stat st {};
    ASSERT_EQ(::lstat((site + "/pg_0001.htm").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_NE(readWholeFile(site + "/pg_0001.htm").find("<html>"), std::string::npos);
}

TEST_F(UserFiles, AFullDiskFailsWithTheSystemsReasonAndLeavesNothing) {
    // 64 KiB per file is less than a page picture needs at this size.
    Outcome full = run("-m -z 150 '" + pdf_ + "' '" + root_ + "/full.htm'", "ulimit -f 64; ");
    EXPECT_EQ(full.status, 1) << full.out;
    EXPECT_NE(full.out.find("File too large"), std::string::npos) << full.out;
    EXPECT_NE(full.out.find(root_ + "/full/pg_0001.jpg"), std::string::npos) << full.out;
    EXPECT_FALSE(pathExists(root_ + "/full"));
    EXPECT_FALSE(anyScratchLeft(root_));

    // The same with a previous site in place: it is left as it was.
    Outcome first = run("-m -z 50 '" + pdf_ + "' '" + root_ + "/full.htm'");
    ASSERT_EQ(first.status, 0) << first.out;
    const auto before = snapshot(root_ + "/full");
    Outcome again = run("-m -r -z 150 '" + pdf_ + "' '" + root_ + "/full.htm'", "ulimit -f 64; ");
    EXPECT_EQ(again.status, 1) << again.out;
    EXPECT_EQ(snapshot(root_ + "/full"), before);

    // BMP files are checked the same way.
    Outcome bmp = run("-m --bmp -z 150 -o '" + root_ + "/pictures/' '" + pdf_ + "'", "ulimit -f 64; ");
    EXPECT_EQ(bmp.status, 1) << bmp.out;
    EXPECT_NE(bmp.out.find("File too large"), std::string::npos) << bmp.out;
    EXPECT_FALSE(pathExists(root_ + "/pictures"));
}

TEST_F(UserFiles, BlockedPathsFailWithAMessageBeforeAnythingIsPlaced) {
    // A file standing where the output folder should be.
    write(root_ + "/blocker", "a file, not a folder");
    Outcome file = run("-m '" + pdf_ + "' '" + root_ + "/blocker/site.htm'");
    EXPECT_EQ(file.status, 1);
    EXPECT_NE(file.out.find("a file of that name is in the way"), std::string::npos) << file.out;
    EXPECT_EQ(readWholeFile(root_ + "/blocker"), "a file, not a folder");

    // A folder standing where a page file should go: nothing of the new site is placed.
    ASSERT_TRUE(makeDirectoryPath(root_ + "/doc/pg_0002.htm"));
    Outcome folder = run("-m -r '" + pdf_ + "' '" + root_ + "/doc.htm'");
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.out.find("pg_0002.htm': a folder of that name is in the way"), std::string::npos) << folder.out;
    EXPECT_FALSE(pathExists(root_ + "/doc/index.htm"));
    EXPECT_FALSE(pathExists(root_ + "/doc/pg_0001.htm"));
    EXPECT_FALSE(anyScratchLeft(root_));
}

TEST_F(UserFiles, EachKindOfUnreadableInputHasItsOwnMessage) {
    write(root_ + "/text.pdf", "just some text, no PDF in here\n");
    struct Case {
        std::string args;
        std::string words;
    };
    const Case cases[] = {
        {"'" + root_ + "/missing.pdf'", "Couldn't read '" + root_ + "/missing.pdf': No such file or directory"},
        {"'" + root_ + "/text.pdf'", "'" + root_ + "/text.pdf' is not a PDF file"},
        {"'" + corpusPath("enc-rc4-128-pw.pdf") + "'", "is protected by a password"},
        {"-u nonsense '" + corpusPath("enc-rc4-128-pw.pdf") + "'", "The password does not open"},
        {"-f 9 '" + pdf_ + "'", "only contain 3 pages"},
    };
    for (const Case& c : cases) {
        Outcome r = run("-m -o '" + root_ + "/out/' " + c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.out.find(c.words), std::string::npos) << c.args << ": " << r.out;
    }
    // Nothing is left for a file that failed, not even the support files.
    EXPECT_FALSE(pathExists(root_ + "/out"));
}

TEST_F(UserFiles, SameBaseNamesAreRefusedBeforeAnyWork) {
    ASSERT_TRUE(makeDirectoryPath(root_ + "/a"));
    ASSERT_TRUE(makeDirectoryPath(root_ + "/b"));
    ASSERT_TRUE(copyFile(pdf_, root_ + "/a/doc.pdf"));
    ASSERT_TRUE(copyFile(corpusPath("ghostscript-pdfa.pdf"), root_ + "/b/doc.pdf"));
    for (const char* extra : {"", "--jobs 2", "--bmp"}) {
        Outcome r = run("-m -r " + std::string(extra) + " '" + root_ + "/a/doc.pdf' '" + root_ + "/b/doc.pdf' -o '" +
                        root_ + "/out/'");
        EXPECT_EQ(r.status, 2) << extra;
        EXPECT_NE(r.out.find("would both be written to"), std::string::npos) << extra << ": " << r.out;
        EXPECT_FALSE(pathExists(root_ + "/out")) << extra;
    }
    // Distinct base names go into distinct folders of one -o.
    Outcome ok = run("-m '" + root_ + "/a/doc.pdf' '" + pdf_ + "' -o '" + root_ + "/out/'");
    EXPECT_EQ(ok.status, 2);  // a/doc.pdf and doc.pdf share the base name as well
    Outcome bmp = run("-m --bmp -z 50 '" + pdf_ + "' -o '" + root_ + "/pictures/page.bmp'");
    EXPECT_EQ(bmp.status, 0) << bmp.out;
    EXPECT_EQ(readWholeFile(root_ + "/pictures/page_003.bmp").substr(0, 2), "BM");
    EXPECT_FALSE(pathExists(pdf_ + "_001.bmp"));
    // Existing BMP files need -r.
    Outcome again = run("-m --bmp -z 50 '" + pdf_ + "' -o '" + root_ + "/pictures/page.bmp'");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.out.find("page_001.bmp already exists"), std::string::npos) << again.out;
}

TEST_F(UserFiles, AnInterruptStopsTheFileAndRemovesItsOutput) {
    const std::string pdf = root_ + "/long.pdf";
    ASSERT_TRUE(copyFile(corpusPath("reportlab-16p.pdf"), pdf));
    const std::string binary = std::string(QM_BINARY_DIR) + "/vellumix";
    const std::string out = root_ + "/long.htm";
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        ::execl(binary.c_str(), "vellumix", "-m", "-z", "200", pdf.c_str(), out.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Once the first page file is being staged the run is under way.
    bool started = false;
    for (int i = 0; i < 6000 && !started; ++i) {
        for (const auto& [name, bytes] : snapshot(root_ + "/long")) {
            if (name.find("pg_0001.htm") != std::string::npos) started = true;
        }
        if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(started);
    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_FALSE(pathExists(root_ + "/long"));
}

}  // namespace
}  // namespace qm
