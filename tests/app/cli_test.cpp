// vellumix run as users and scripts run it: its help, its errors and exit statuses, and the
// files a run leaves behind.
#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

class CommandLineRun : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = ::testing::TempDir() + "cli_test_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                "_" + std::to_string(::getpid());  // test runs of other checkouts use the same temporary folder
        deleteFolderTree(root_);
        ASSERT_TRUE(makeDirectoryPath(root_ + "/config"));
    }
    void TearDown() override { deleteFolderTree(root_); }
    Outcome run(const std::string& args) { return vellumix(args, root_); }
    std::string root_;
};

TEST_F(CommandLineRun, HelpVersionAndUsageErrors) {
    Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: VELLUMIX [Option] <PDF File> [<HTM File>]\n", 0), 0u);
    EXPECT_NE(help.out.find("-r                         : Overwrite an existing destination file"), std::string::npos);
    EXPECT_NE(help.out.find("130 interrupted"), std::string::npos);
    EXPECT_EQ(run("-?").out, help.out);
    EXPECT_EQ(run("--version").status, 0);

    for (const char* bad : {"-x a.pdf", "-j 0 a.pdf", "-z 20 a.pdf", "a.pdf -f", "", "-f 5 -l 2 a.pdf"}) {
        Outcome r = run(bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.out.find("Try 'vellumix --help' for more information."), std::string::npos) << bad;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;
    }
}

TEST_F(CommandLineRun, OneFileGivesACompleteSiteAndExistingOutputsNeedR) {
    std::string out = root_ + "/site.htm";
    Outcome first = run("-m -q '" + corpusPath("latex-outline.pdf") + "' '" + out + "'");
    EXPECT_EQ(first.status, 0) << first.out;
    EXPECT_EQ(first.out, "");  // quiet when all goes well and standard error is no terminal
    for (const char* name : {"index.htm", "pg_nav.htm", "pg_index.htm", "pg_bmark.htm", "pg_page.gif", "pg_0001.htm",
                             "pg_0004.htm", "pg_0004.jpg"}) {
        EXPECT_TRUE(pathExists(root_ + "/site/" + name)) << name;
    }
    // Without -r an existing output is skipped with a message, and the run counts as failed.
    Outcome again = run("-m '" + corpusPath("latex-outline.pdf") + "' '" + out + "'");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.out.find("site/index.htm already exists; skipped"), std::string::npos) << again.out;
    Outcome replace = run("-m -r -q -f 2 -l 3 '" + corpusPath("latex-outline.pdf") + "' '" + out + "'");
    EXPECT_EQ(replace.status, 0) << replace.out;
    EXPECT_NE(readWholeFile(root_ + "/site/index.htm").find("var lastpage = 2;"), std::string::npos);
    // Switches never reach the profile.
    EXPECT_FALSE(pathExists(root_ + "/config/vellumix/vellumix.ini"));
}

TEST_F(CommandLineRun, FilesThatCannotBeOpenedFailWithTheirMessage) {
    Outcome r = run("-m -r '" + corpusPath("enc-rc4-128-pw.pdf") + "' -o '" + root_ + "/enc.htm'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("' is protected by a password; give it with -u (or -w)"), std::string::npos) << r.out;
    EXPECT_FALSE(pathExists(root_ + "/enc"));
    Outcome ok = run("-m -r -u openpassword '" + corpusPath("enc-rc4-128-pw.pdf") + "' -o '" + root_ + "/enc.htm'");
    EXPECT_EQ(ok.status, 0) << ok.out;
    EXPECT_TRUE(pathExists(root_ + "/enc/pg_0001.htm"));
}

TEST_F(CommandLineRun, SeveralFilesIntoAFolderAndBmpOutput) {
    std::string a = root_ + "/a.pdf", b = root_ + "/b.pdf";
    ASSERT_TRUE(copyFile(corpusPath("ghostscript-pdfa.pdf"), a));
    ASSERT_TRUE(copyFile(corpusPath("word365-3p.pdf"), b));
    Outcome sites = run("-m -r '" + a + "' '" + b + "' -o '" + root_ + "/out'");
    EXPECT_EQ(sites.status, 0) << sites.out;
    EXPECT_TRUE(pathExists(root_ + "/out/a/pg_0001.htm"));
    EXPECT_TRUE(pathExists(root_ + "/out/b/pg_0003.htm"));

    Outcome bmp = run("-m --bmp -z 50 '" + b + "'");
    EXPECT_EQ(bmp.status, 0) << bmp.out;
    EXPECT_EQ(readWholeFile(b + "_001.bmp").substr(0, 2), "BM");
    EXPECT_TRUE(pathExists(b + "_003.bmp"));
    EXPECT_FALSE(pathExists(root_ + "/b/index.htm"));
}

TEST_F(CommandLineRun, JobsInParallelWriteWhatOneJobWrites) {
    std::vector<std::string> pdfs;
    for (const char* name : {"ghostscript-pdfa.pdf", "word365-3p.pdf", "latex-outline.pdf", "reportlab-16p.pdf"}) {
        pdfs.push_back(root_ + "/" + name);
        ASSERT_TRUE(copyFile(corpusPath(name), pdfs.back()));
    }
    std::string files;
    for (const std::string& p : pdfs) files += " '" + p + "'";
    Outcome one = run("-m -r -z 50" + files + " -o '" + root_ + "/one'");
    Outcome two = run("-m -r -z 50 --jobs 2" + files + " -o '" + root_ + "/two'");
    EXPECT_EQ(one.status, 0) << one.out;
    EXPECT_EQ(two.status, 0) << two.out;
    for (const char* site : {"ghostscript-pdfa", "word365-3p", "latex-outline", "reportlab-16p"}) {
        for (const char* page : {"index.htm", "pg_0001.htm", "pg_0001.jpg", "pg_bmark.htm"}) {
            std::string a = readWholeFile(root_ + "/one/" + site + "/" + page);
            EXPECT_FALSE(a.empty()) << site << "/" << page;
            EXPECT_EQ(a, readWholeFile(root_ + "/two/" + site + "/" + page)) << site << "/" << page;
        }
    }
    // A failing file fails the whole run, also with several processes.
    Outcome bad = run("-m -r --jobs 2 '" + pdfs[0] + "' '" + root_ + "/missing.pdf' -o '" + root_ + "/three'");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("missing.pdf"), std::string::npos) << bad.out;
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// Every corpus file becomes a site, or, when it cannot be opened, fails with its message.
TEST_F(CommandLineRun, EveryCorpusFileConverts) {
    std::vector<test::CorpusFile> files = test::corpusFiles();
    ASSERT_GT(files.size(), 40u);
    int converted = 0;
    for (size_t i = 0; i < files.size(); ++i) {
#ifdef QM_APP_CORPUS_SAMPLE
        if (i % 9 != 0) continue;
#endif
        const test::CorpusFile& file = files[i];
        std::string site = root_ + "/" + file.name;
        std::string args = "-m -r -z 50 ";
        if (!file.password.empty()) args += "-u '" + file.password + "' ";
        Outcome r = run(args + "'" + test::corpusPath(file.name) + "' '" + site + ".htm'");
        if (r.status == 1 && (r.out.find("is not a PDF file") != std::string::npos ||
                              r.out.find("is damaged beyond repair") != std::string::npos ||
                              r.out.find("encrypted in a way") != std::string::npos)) {
            EXPECT_FALSE(pathExists(site)) << file.name;
            continue;
        }
        EXPECT_EQ(r.status, 0) << file.name << ": " << r.out;
        EXPECT_TRUE(pathExists(site + "/index.htm")) << file.name;
        EXPECT_TRUE(pathExists(site + "/pg_0001.htm")) << file.name;
        ++converted;
        deleteFolderTree(site);
    }
    EXPECT_GT(converted, 0);
}

}  // namespace
}  // namespace qm
