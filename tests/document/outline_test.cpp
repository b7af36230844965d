#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/link_dest.h"
#include "document/name_tree.h"
#include "document/outline_file.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"
#include "streams/file_data.h"
#include "support/pdf_builder.h"
#include "support/test_files.h"

namespace qm::test {
namespace {

using Messages = std::vector<std::string>;

// A document with `pages` pages (objects 3 .. pages + 2) whose catalog carries `catalogExtra`;
// further objects are numbered from pages + 3 on, in the order `objects` lists them.
std::unique_ptr<PdfDocument> document(int pages, const std::string& catalogExtra,
                                      const std::vector<std::string>& objects) {
    PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>");
    std::string kids;
    for (int i = 0; i < pages; ++i) kids += std::to_string(3 + i) + " 0 R ";
    b.object("<< /Type /Pages /Count " + std::to_string(pages) + " /Kids [" + kids + "] >>");
    for (int i = 0; i < pages; ++i) b.object("<< /Type /Page /Parent 2 0 R >>");
    for (const std::string& o : objects) b.object(o);
    return std::make_unique<PdfDocument>(memoryFileData(b.finish("/Root 1 0 R")), PdfString("t.pdf"), nullptr,
                                         nullptr);
}

// Points the cache folder at a fresh temporary folder while alive.
class CacheFolder {
public:
    CacheFolder() {
        path_ = tempDirectory() + "/qm-outline-test-" + std::to_string(::getpid());
        const char* old = std::getenv("XDG_CACHE_HOME");
        if (old) old_ = old;
        hadOld_ = old != nullptr;
        ::setenv("XDG_CACHE_HOME", path_.c_str(), 1);
    }
    ~CacheFolder() {
        deleteFolderTree(path_);
        if (hadOld_) {
            ::setenv("XDG_CACHE_HOME", old_.c_str(), 1);
        } else {
            ::unsetenv("XDG_CACHE_HOME");
        }
    }

private:
    std::string path_;
    std::string old_;
    bool hadOld_ = false;
};

// Writes the outline file of `doc` and returns its content ("<none>" when there is none).
std::string outlineOf(const PdfDocument& doc) {
    char path[260];
    if (!doc.catalog()->writeOutlines(path, static_cast<int>(sizeof path))) return "<none>";
    EXPECT_EQ(std::string(path), outlineFilePath());
    return readWholeFile(path);
}

TEST(NameTree, LeavesKidsAndLimits) {
    // Object 4 is the root; Limits of the first kid exclude "m", so "m" is never looked for in
    // object 6, which would find it.
    auto doc = document(1, "/Names << /Dests 4 0 R >>",
                        {"<< /Kids [5 0 R 6 0 R 7 0 R] >>",
                         "<< /Limits [(a) (f)] /Names [(a) [3 0 R /Fit] (c) 1 (f) 2] >>",
                         "<< /Limits [(g) (k)] /Names [(g) 3 (m) 99] >>",
                         "<< /Limits [(l) (z)] /Names [(l) 4 (z) 5] >>"});
    ASSERT_TRUE(doc->isOk());
    PdfObject root = doc->xref()->fetch(4, 0);
    auto look = [&](const char* name) { return lookupNameTree(root, PdfString(name)); };
    EXPECT_EQ(look("c").getInt(), 1);
    EXPECT_EQ(look("f").getInt(), 2);
    EXPECT_TRUE(look("a").isArray());
    EXPECT_EQ(look("l").getInt(), 4);
    EXPECT_TRUE(look("m").isNull());
    EXPECT_TRUE(look("b").isNull());
    EXPECT_TRUE(look("zz").isNull());
    EXPECT_TRUE(look("").isNull());
    // The key compares up to its first NUL byte.
    EXPECT_EQ(lookupNameTree(root, PdfString("c\0x", 3)).getInt(), 1);
    EXPECT_TRUE(lookupNameTree(PdfObject::makeNull(), PdfString("c")).isNull());
}

TEST(NameTree, KidsThatLoopStop) {
    auto doc = document(1, "", {"<< /Kids [4 0 R] /Limits [(a) (z)] >>"});
    ErrorCapture capture;
    EXPECT_TRUE(lookupNameTree(doc->xref()->fetch(4, 0), PdfString("k")).isNull());
    EXPECT_EQ(capture.messages(), Messages{"Name tree too deep; lookup stopped"});
}

TEST(NamedDests, DictionaryFirstThenNameTree) {
    auto doc = document(7, "/Dests << /old [4 0 R /Fit] /both [5 0 R /Fit] /bad 12 >> /Names << /Dests 10 0 R >>",
                        {"<< /Names [(both) [6 0 R /Fit] (seven) << /D [9 0 R /XYZ 0 700 0] >> (wrong) (x)] >>"});
    ASSERT_TRUE(doc->isOk());
    const PdfCatalog& c = *doc->catalog();
    auto old = c.findDest(PdfString("old"));
    ASSERT_TRUE(old);
    EXPECT_EQ(c.findPage(old->pageRef().num, old->pageRef().gen), 2);
    EXPECT_EQ(c.findDest(PdfString("both"))->pageRef().num, 5);
    auto seven = c.findDest(PdfString("seven"));
    ASSERT_TRUE(seven);
    EXPECT_EQ(c.findPage(seven->pageRef().num, 0), 7);
    EXPECT_EQ(seven->top(), 700);
    EXPECT_EQ(c.findDest(PdfString("missing")), nullptr);
    ErrorCapture capture;
    EXPECT_EQ(c.findDest(PdfString("wrong")), nullptr);
    EXPECT_EQ(c.findDest(PdfString("bad")), nullptr);
    EXPECT_EQ(capture.messages(), (Messages{"Bad named destination value", "Bad named destination value"}));
}

TEST(Outlines, NestingTitlesAndDestinations) {
    CacheFolder cache;
    // 10 root, 11..13 top level, 14..15 children of 12, 16 name tree.
    auto doc = document(
        7, "/Outlines 10 0 R /Names << /Dests 16 0 R >>",
        {"<< /Type /Outlines /First 11 0 R /Last 13 0 R /Count 3 >>",
         "<< /Title <FEFF00630061006600E9> /Parent 10 0 R /Next 12 0 R /Dest [5 0 R /XYZ 10.4 700.6 null] >>",
         "<< /Title (Say \"hi\") /Parent 10 0 R /Prev 11 0 R /Next 13 0 R /First 14 0 R /Last 15 0 R /Count 2 "
         "/A << /S /GoTo /D [3 0 R /Fit] >> >>",
         "<< /Title () /Parent 10 0 R /Prev 12 0 R /Dest (seventh) >>",
         "<< /Title <FEFF00530061007900200022006800690022> /Parent 12 0 R /Next 15 0 R /Dest [4 0 R /FitR 1 2 3 4] >>",
         "<< /Title (No target\\000hidden) /Parent 12 0 R /Prev 14 0 R >>",
         "<< /Names [(seventh) [9 0 R /FitH 500]] >>"});
    ASSERT_TRUE(doc->isOk());
    ErrorCapture capture;
    EXPECT_EQ(outlineOf(*doc),
              "caf\xc3\xa9<>,3,10,701,0,0,0,1,1,0\r\n"
              "Say \"hi\"<>,1,0,0,0,0,0,0,0,0\r\n"
              "\tSay \"hi\"<>,2,1,4,3,2,0,0,0,0\r\n"
              "\tNo target hidden\r\n"
              " <>,7,0,500,0,0,0,0,0,0\r\n");
    EXPECT_TRUE(capture.messages().empty());
}

// Titles in any script come out as UTF-8, whatever form the file gives them in, and a title
// that holds the listing's own separator cannot end its field early.
TEST(Outlines, TitlesAreDecodedWholeAndTheirSeparatorsEscaped) {
    CacheFolder cache;
    auto doc = document(
        7, "/Outlines 10 0 R",
        {"<< /First 11 0 R /Last 17 0 R /Count 7 >>",
         // Chinese, Greek and Russian in UTF-16BE.
         "<< /Title <FEFF4E2D6587> /Next 12 0 R /Dest [3 0 R /Fit] >>",
         "<< /Title <FEFF039503BB03BB03B703BD03B903BA03AC> /Next 13 0 R /Dest [4 0 R /Fit] >>",
         "<< /Title <FEFF0420044304410441043A04380439> /Next 14 0 R /Dest [5 0 R /Fit] >>",
         // A character beyond the first plane (a surrogate pair) and little-endian units.
         "<< /Title <FEFFD83DDE00> /Next 15 0 R >>",
         "<< /Title <FFFE1B0435043A04410442043E04> /Next 16 0 R >>",
         // The PDF's single-byte encoding: bullet, euro sign, Latin-1 e acute.
         "<< /Title <80A0E9> /Next 17 0 R >>",
         // The separator and the escape inside a title, and a page number after them.
         "<< /Title (a<>,9,9 and 100%) /Dest [5 0 R /Fit] >>"});
    ASSERT_TRUE(doc->isOk());
    EXPECT_EQ(outlineOf(*doc),
              "\xe4\xb8\xad\xe6\x96\x87<>,1,0,0,0,0,0,0,0,0\r\n"
              "\xce\x95\xce\xbb\xce\xbb\xce\xb7\xce\xbd\xce\xb9\xce\xba\xce\xac<>,2,0,0,0,0,0,0,0,0\r\n"
              "\xd0\xa0\xd1\x83\xd1\x81\xd1\x81\xd0\xba\xd0\xb8\xd0\xb9<>,3,0,0,0,0,0,0,0,0\r\n"
              "\xf0\x9f\x98\x80\r\n"
              "\xd0\x9b\xd0\xb5\xd0\xba\xd1\x81\xd1\x82\xd0\xbe\r\n"
              "\xe2\x80\xa2\xe2\x82\xac\xc3\xa9\r\n"
              "a%3C>,9,9 and 100%25<>,3,0,0,0,0,0,0,0,0\r\n");
}

TEST(Outlines, DamagedOutlines) {
    CacheFolder cache;
    {
        // Next leads back to the first item; First of an item points at its parent.
        auto doc = document(1, "/Outlines 4 0 R",
                            {"<< /First 5 0 R /Last 6 0 R /Count 2 >>", "<< /Title (one) /Next 6 0 R >>",
                             "<< /Title (two) /Next 5 0 R /First 6 0 R /Last 6 0 R >>"});
        ErrorCapture capture;
        EXPECT_EQ(outlineOf(*doc), "one\r\ntwo\r\n");
        EXPECT_EQ(capture.messages(), (Messages{"Outline item 6 0 is reached twice; the outline stops there",
                                                "Outline item 5 0 is reached twice; the outline stops there"}));
    }
    {
        // Line breaks and TABs in titles would break the file's lines; a bad Dest dictionary
        // and a bad destination array give no target.
        auto doc = document(1, "/Outlines 4 0 R",
                            {"<< /First 5 0 R /Last 6 0 R /Count 1 >>",
                             "<< /Title (a\\r\\nb\\tc) /Next 6 0 R /Dest << /X 1 >> >>",
                             "<< /Title (d) /Dest [3 /Fit] >>"});
        ErrorCapture capture;
        EXPECT_EQ(outlineOf(*doc), "a  b c\r\nd\r\n");
        EXPECT_EQ(capture.messages(), (Messages{"Bad named destination value", "Bad annotation destination"}));
    }
    {
        // No outline, or one without items: no file, an old one is removed.
        std::string path = outlineFilePath();
        makeDirectoryPath(userCacheDirectory());
        std::ofstream(path) << "stale";
        auto none = document(1, "", {});
        EXPECT_EQ(outlineOf(*none), "<none>");
        EXPECT_FALSE(isRegularFile(path));
        std::ofstream(path) << "stale";
        auto empty = document(1, "/Outlines 4 0 R", {"<< /Type /Outlines /Count 0 >>"});
        EXPECT_EQ(outlineOf(*empty), "<none>");
        EXPECT_FALSE(isRegularFile(path));
        auto notItems = document(1, "/Outlines 4 0 R", {"<< /First 5 0 R /Last 5 0 R /Count 3 >>", "[1 2 3]"});
        EXPECT_EQ(outlineOf(*notItems), "<none>");
        EXPECT_FALSE(isRegularFile(path));
    }
    {
        // A closed outline (Count 0) or one without Count still has its bookmarks.
        auto closed = document(1, "/Outlines 4 0 R", {"<< /First 5 0 R /Last 5 0 R /Count 0 >>", "<< /Title (x) >>"});
        EXPECT_EQ(outlineOf(*closed), "x\r\n");
        auto uncounted = document(1, "/Outlines 4 0 R", {"<< /First 5 0 R /Last 5 0 R >>", "<< /Title (y) >>"});
        EXPECT_EQ(outlineOf(*uncounted), "y\r\n");
    }
    {
        // The path is cut to the buffer.
        auto doc = document(1, "/Outlines 4 0 R", {"<< /First 5 0 R /Last 5 0 R /Count 1 >>", "<< /Title (x) >>"});
        char small[8];
        EXPECT_TRUE(doc->catalog()->writeOutlines(small, static_cast<int>(sizeof small)));
        EXPECT_EQ(std::string(small), outlineFilePath().substr(0, 7));
    }
}

TEST(Outlines, UnwritableCacheFolderIsAFailure) {
    std::string blocker = tempDirectory() + "/qm-outline-blocker-" + std::to_string(::getpid());
    std::ofstream(blocker) << "a file where the folder should be";
    const char* old = std::getenv("XDG_CACHE_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_CACHE_HOME", blocker.c_str(), 1);
    auto doc = document(1, "/Outlines 4 0 R", {"<< /First 5 0 R /Last 5 0 R /Count 1 >>", "<< /Title (x) >>"});
    ErrorCapture capture;
    char path[260];
    EXPECT_FALSE(doc->catalog()->writeOutlines(path, static_cast<int>(sizeof path)));
    EXPECT_TRUE(capture.contains("Couldn't create outline file '" + outlineFilePath() + "'"));
    if (old) {
        ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_CACHE_HOME");
    }
    std::remove(blocker.c_str());
}

}  // namespace
}  // namespace qm::test
