// One file converted with --jobs N: its pages are shared among N processes (a site's text is
// sent back and written in page order by the converting process), and the output must be the
// one a single process writes, with the same guarantees when anything goes wrong.
#include <gtest/gtest.h>
#include <dirent.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/system/file_ops.h"
#include "run_vellumix.h"
#include "support/corpus_manifest.h"
#include "support/pdf_builder.h"
#include "support/test_files.h"

namespace qm {
namespace {

using test::corpusPath;
using test::Outcome;
using test::pathExists;
using test::filesUnder;
using test::readWholeFile;

// Every file under `folder` (names relative to it) with its bytes.
// The two folders hold the same names with the same bytes; a difference is named, not dumped.
void expectSameFiles(const std::string& a, const std::string& b) {
    const auto left = filesUnder(a);
    const auto right = filesUnder(b);
    ASSERT_FALSE(left.empty()) << a;
    std::string onlyLeft, onlyRight, differ;
    for (const auto& [name, bytes] : left) {
        auto at = right.find(name);
        if (at == right.end()) onlyLeft += " " + name;
        else if (at->second != bytes) differ += " " + name;
    }
    for (const auto& [name, bytes] : right)
        if (!left.contains(name)) onlyRight += " " + name;
    EXPECT_EQ(onlyLeft, "") << "only in " << a;
    EXPECT_EQ(onlyRight, "") << "only in " << b;
    EXPECT_EQ(differ, "") << "different bytes";
}

// Processes whose command line mentions `text` (the page processes of a run name its output).
int processesMentioning(const std::string& text) {
    int found = 0;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return 0;
    while (const dirent* e = ::readdir(proc)) {
        if (e->d_name[0] < '1' || e->d_name[0] > '9') continue;
        std::ifstream in(std::string("/proc/") + e->d_name + "/cmdline", std::ios::binary);
        std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (line.find("--page-part") != std::string::npos && line.find(text) != std::string::npos) ++found;
    }
    ::closedir(proc);
    return found;
}

class PageProcesses : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = test::scratchFolderFor("page_split_test_");
        deleteFolderTree(root_);
        ASSERT_TRUE(makeDirectoryPath(root_ + "/config"));
    }
    void TearDown() override { deleteFolderTree(root_); }
    Outcome run(const std::string& args, const std::string& prefix = "") {
        return test::vellumix(args, root_, prefix);
    }
    // `pdf` (quoted) as a site with --jobs 1 into one/ and --jobs 2 into two/: both succeed,
    // two/`expected` exists and the two sites are the same.
    void expectSplitSiteSame(const std::string& pdf, const std::string& expected) {
        Outcome one = run("-m -r --jobs 1 " + pdf + " '" + root_ + "/one.htm'");
        Outcome two = run("-m -r --jobs 2 " + pdf + " '" + root_ + "/two.htm'");
        ASSERT_EQ(one.status, 0) << one.out;
        ASSERT_EQ(two.status, 0) << two.out;
        EXPECT_TRUE(pathExists(root_ + "/two/" + expected));
        expectSameFiles(root_ + "/one", root_ + "/two");
    }
    std::string root_;
};

TEST_F(PageProcesses, ALongFileGivesTheSiteOneProcessWritesByteForByte) {
    const std::string pdf = "'" + corpusPath("latex-geotopo-117p.pdf") + "'";
    expectSplitSiteSame(pdf, "pg_0117.htm");
    // The page processes are let go once every page is in, but none outlives the run.
    EXPECT_EQ(processesMentioning(root_ + "/two"), 0);

    // A range not starting at page 1, over more processes than divide it evenly: page files
    // count from the range's first page in every process.
    Outcome part1 = run("-m -r -z 50 -f 5 -l 12 " + pdf + " '" + root_ + "/part1.htm'");
    Outcome part3 = run("-m -r -z 50 -f 5 -l 12 --jobs 3 " + pdf + " '" + root_ + "/part3.htm'");
    ASSERT_EQ(part1.status, 0) << part1.out;
    ASSERT_EQ(part3.status, 0) << part3.out;
    EXPECT_TRUE(pathExists(root_ + "/part3/pg_0008.jpg"));
    EXPECT_FALSE(pathExists(root_ + "/part3/pg_0009.htm"));
    expectSameFiles(root_ + "/part1", root_ + "/part3");

    // More processes than pages, and page images instead of a site.
    ASSERT_TRUE(makeDirectoryPath(root_ + "/bmp1"));
    ASSERT_TRUE(makeDirectoryPath(root_ + "/bmp4"));
    Outcome bmp1 = run("-m --bmp -z 50 -f 2 -l 4 " + pdf + " '" + root_ + "/bmp1/p.bmp'");
    Outcome bmp4 = run("-m --bmp -z 50 -f 2 -l 4 --jobs 4 " + pdf + " '" + root_ + "/bmp4/p.bmp'");
    ASSERT_EQ(bmp1.status, 0) << bmp1.out;
    ASSERT_EQ(bmp4.status, 0) << bmp4.out;
    EXPECT_TRUE(pathExists(root_ + "/bmp4/p_004.bmp"));
    expectSameFiles(root_ + "/bmp1", root_ + "/bmp4");
    for (const char* format : {"png", "svg"}) {
        const std::string args = std::string("-m --format ") + format + " -z 50 -f 3 -l 5 " + pdf + " -o '" + root_;
        Outcome alone = run(args + "/" + format + "1/'");
        Outcome shared = run("--jobs 2 " + args + "/" + format + "2/'");
        ASSERT_EQ(alone.status, 0) << alone.out;
        ASSERT_EQ(shared.status, 0) << shared.out;
        EXPECT_EQ(filesUnder(root_ + "/" + format + "2").size(), 3u) << format;
        expectSameFiles(root_ + "/" + format + "1", root_ + "/" + format + "2");
    }
}

TEST_F(PageProcesses, ASiteNearTheWebFontLimitsIsWrittenByOneProcessAfterAll) {
    // 1100 fonts sharing one program, each its own set of web fonts: the second page takes
    // the document past the number of sets the pages can be joined with, so the converting
    // process writes the site alone, and the result is still one process's.
    constexpr int kFonts = 1100, kPerPage = 550;
    test::PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    b.object("<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
    constexpr int kFirstFont = 8;
    for (int page = 0; page < 2; ++page) {
        std::string fonts;
        for (int i = page * kPerPage; i < (page + 1) * kPerPage; ++i)
            fonts += "/F" + std::to_string(i) + " " + std::to_string(kFirstFont + i) + " 0 R ";
        b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Contents " + std::to_string(5 + page) +
                 " 0 R /Resources << /Font << " + fonts + ">> >> >>");
    }
    for (int page = 0; page < 2; ++page) {
        std::string text;
        for (int i = page * kPerPage; i < (page + 1) * kPerPage; ++i)
            text += "BT /F" + std::to_string(i) + " 9 Tf " + std::to_string(20 + (i % 25) * 22) + " " +
                    std::to_string(20 + (i % kPerPage) / 25 * 30) + " Td (A) Tj ET\n";
        b.stream("", text);
    }
    b.stream("", readWholeFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    for (int i = 0; i < kFonts; ++i)
        b.object("<< /Type /Font /Subtype /TrueType /BaseFont /DejaVuSans /FirstChar 65 /LastChar 65 /Widths [600] "
                 "/Encoding /WinAnsiEncoding /FontDescriptor " + std::to_string(kFirstFont + kFonts) + " 0 R >>");
    b.object("<< /Type /FontDescriptor /FontName /DejaVuSans /Flags 32 /FontBBox [0 0 1000 1000] /ItalicAngle 0 "
             "/Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 /FontFile2 7 0 R >>");
    const std::string pdf = root_ + "/fonts.pdf";
    std::ofstream(pdf, std::ios::binary) << b.finish("/Root 1 0 R");

    expectSplitSiteSame("'" + pdf + "'", "font_f1000.woff2");
}

TEST_F(PageProcesses, AFailingPageProcessFailsTheFileAndLeavesNothing) {
    const std::string pdf = "'" + corpusPath("reportlab-16p.pdf") + "'";
    // 256 KiB per file is less than a page picture needs at this size: the page processes
    // fail to write, the message names the file the user would have got.
    Outcome full = run("-m --bmp --jobs 2 -z 200 " + pdf + " -o '" + root_ + "/full/'", "ulimit -f 256; ");
    EXPECT_EQ(full.status, 1) << full.out;
    EXPECT_NE(full.out.find("File too large"), std::string::npos) << full.out;
    EXPECT_NE(full.out.find(root_ + "/full/reportlab-16p.pdf_0"), std::string::npos) << full.out;
    EXPECT_EQ(full.out.find(".vellumix-"), std::string::npos) << full.out;
    EXPECT_FALSE(pathExists(root_ + "/full"));

    // Pictures already there stay as they were.
    Outcome first = run("-m --bmp -z 50 " + pdf + " -o '" + root_ + "/full/'");
    ASSERT_EQ(first.status, 0) << first.out;
    const auto before = filesUnder(root_ + "/full");
    Outcome again = run("-m -r --bmp --jobs 2 -z 200 " + pdf + " -o '" + root_ + "/full/'", "ulimit -f 256; ");
    EXPECT_EQ(again.status, 1) << again.out;
    EXPECT_TRUE(filesUnder(root_ + "/full") == before);
    EXPECT_EQ(filesUnder(root_).size(), before.size()) << "something of the failed run is left";

    // A site: every process paints pictures and fails, the converting process among them.
    // The limit lets the site's support files through (the largest is about 12 KB) and stops
    // every page picture (about 74 KB at this zoom).
    Outcome site = run("-m --jobs 2 -z 200 " + pdf + " '" + root_ + "/site.htm'", "ulimit -f 64; ");
    EXPECT_EQ(site.status, 1) << site.out;
    EXPECT_NE(site.out.find("File too large"), std::string::npos) << site.out;
    EXPECT_NE(site.out.find(root_ + "/site/pg_00"), std::string::npos) << site.out;
    EXPECT_EQ(site.out.find(".vellumix-"), std::string::npos) << site.out;
    EXPECT_FALSE(pathExists(root_ + "/site"));

    // The site's frame, which this process writes while the page processes start, fails the
    // file too when its support files are not to be found.
    ASSERT_TRUE(makeDirectoryPath(root_ + "/nodata"));
    Outcome frame = run("-m --jobs 2 " + pdf + " '" + root_ + "/frame.htm'", "QUILLMARK_DATA_DIR='" + root_ + "/nodata' ");
    EXPECT_EQ(frame.status, 1) << frame.out;
    EXPECT_NE(frame.out.find("Couldn't copy the site's support files"), std::string::npos) << frame.out;
    EXPECT_FALSE(pathExists(root_ + "/frame"));

    // The page process's own switch is not for users.
    Outcome misuse = run("--page-part '" + root_ + "' x 1");
    EXPECT_EQ(misuse.status, 2) << misuse.out;
    // Nor does it take a page outside its range, or an order that is not a page number.
    ASSERT_TRUE(makeDirectoryPath(root_ + "/part"));
    const std::string part = "--page-part " + pdf + " '" + root_ + "/part/index.htm' 1 3 -";
    Outcome outside = run(part, "echo 500 | ");
    EXPECT_EQ(outside.status, 1) << outside.out;
    EXPECT_NE(outside.out.find("error Page 500"), std::string::npos) << outside.out;
    Outcome garbage = run(part, "printf '2\\nnot a page\\n' | ");
    EXPECT_EQ(garbage.status, 1) << garbage.out;
    EXPECT_NE(garbage.out.find("parcel 2 "), std::string::npos) << garbage.out;
    EXPECT_NE(garbage.out.find("error"), std::string::npos) << garbage.out;
    // Claims it cannot share would let two processes draw a page: it draws none.
    Outcome unshared = run("--page-part " + pdf + " '" + root_ + "/part/index.htm' 1 3 9", "echo 2 | ");
    EXPECT_EQ(unshared.status, 1) << unshared.out;
    EXPECT_NE(unshared.out.find("error The page claims could not be shared"), std::string::npos) << unshared.out;
    EXPECT_EQ(unshared.out.find("parcel 2 "), std::string::npos) << unshared.out;
}

TEST_F(PageProcesses, AnInterruptStopsEveryProcessAndLeavesNothing) {
    const std::string site = root_ + "/stopped";
    // Started in the background and interrupted once the first page picture is staged, while
    // the page processes send their pages' text back.
    const std::string script = "exec 2>&1; env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + root_ +
                               "/config' XDG_DATA_HOME='" + root_ + "/data' '" + std::string(QM_BINARY_DIR) +
                               "/vellumix' -m --jobs 2 '" + corpusPath("latex-geotopo-117p.pdf") + "' '" + site +
                               ".htm' & pid=$!; for i in $(seq 600); do ls '" + site +
                               "'/.*/*.jpg >/dev/null 2>&1 && break; sleep 0.05; done; kill -INT $pid; wait $pid; "
                               "echo status=$?";
    FILE* p = ::popen(script.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    ::pclose(p);
    EXPECT_NE(out.find("status=130"), std::string::npos) << out;
    EXPECT_FALSE(pathExists(site));
    EXPECT_EQ(processesMentioning(site), 0);
}

}  // namespace
}  // namespace qm
