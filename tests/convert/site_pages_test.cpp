// The site pages: frameset, home link, page range for the bar and the bookmark tree.
#include "convert/site_pages.h"

#include "convert_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qm {
namespace {

namespace fs = std::filesystem;

class SitePagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = (fs::temp_directory_path() / ("qm_site_" + std::to_string(::getpid()) + "_" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                      .string();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const char* name) const { return folder_ + "/" + name; }
    std::string read(const char* name) const {
        std::ifstream in(path(name), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void write(const std::string& p, const std::string& bytes) const {
        std::ofstream(p, std::ios::binary) << bytes;
    }
    // A listing file as the outline writer leaves it.
    std::string listing(const std::string& bytes) const {
        std::string p = path("outlines.txt");
        write(p, bytes);
        return p;
    }

    std::string folder_;
};

using test::crlf;

const char kRoot[] = "root0 = gFld(\"doc\", \"\")\r\n";
const char kClosing[] =
    "</script><script>initializeDocument()</script></head>\r\n"
    "<body bgcolor=white  style=\"border-right: 2 solid #CCCCCC\">\r\n</body>\r\n</html>";

TEST_F(SitePagesTest, FramesetPageByteForByte) {
    ASSERT_TRUE(writeFramesetPage(folder_, "report", 5, 7, SiteOptions{}));
    EXPECT_EQ(read("index.htm"),
              "<html><head><title>report</title><script language=\"javascript\">\r\n"
              "var firstpage = 1;\r\nvar lastpage = 3;\r\n</script>\r\n"
              "<script src=\"pg_hub.js\"></script>\r\n<script src=\"pg_history.js\"></script></head>\r\n"
              "<frameset rows=\"30,*\" framespacing=\"1\" border=\"0\" frameborder=\"0\">\r\n"
              "    <frame name=\"ltop\" scrolling=\"no\" target=\"lbottom\" src=\"pg_nav.htm\">\r\n"
              "    <frameset name = \"leftpane\" cols=\"150,*\">\r\n"
              "\t<frame name=\"lbottom\" target=\"contents\" src=\"pg_index.htm\">\r\n"
              "\t<frame name=\"contents\" src=\"pg_0001.htm\">\r\n"
              "    </frameset>\r\n  <noframes>\r\n  <body>\r\n"
              "  \t<p>This page uses frames, but your browser doesn't support them.</p>\r\n"
              "  </body>\r\n  </noframes>\r\n</frameset></html>\r\n");
    // A second conversion into the same folder replaces the page.
    ASSERT_TRUE(writeFramesetPage(folder_, "other", 1, 1, SiteOptions{}));
    std::string again = read("index.htm");
    EXPECT_EQ(again.find("report"), std::string::npos);
    EXPECT_NE(again.find("var lastpage = 1;\r\n"), std::string::npos);
}

TEST_F(SitePagesTest, FramesetTitleAndKeywords) {
    SiteOptions options;
    options.customTitle = true;  // an empty custom title is still the title
    ASSERT_TRUE(writeFramesetPage(folder_, "report", 1, 2, options));
    EXPECT_EQ(read("index.htm").rfind("<html><head><title></title><script", 0), 0u);

    options.customTitleText = "Annual report";
    options.keywords = "money, time";
    ASSERT_TRUE(writeFramesetPage(folder_, "report", 1, 2, options));
    EXPECT_EQ(read("index.htm").rfind("<html><head><title>Annual report</title>\r\n"
                                      "<meta name=\"keywords\" content=\"money, time\">\r\n<script", 0),
              0u);
}

TEST_F(SitePagesTest, FramesetShowsTheDocumentTitleUnlessACustomOneIsSet) {
    SiteOptions options;
    options.documentTitle = "Geometrie </title><script>x()</script> & Topologie";
    ASSERT_TRUE(writeFramesetPage(folder_, "geotopo", 1, 2, options));
    EXPECT_NE(read("index.htm").find("<title>Geometrie &lt;/title&gt;&lt;script&gt;x()&lt;/script&gt; &amp; "
                                     "Topologie</title>"),
              std::string::npos);
    options.customTitle = true;
    options.customTitleText = "Mine";
    ASSERT_TRUE(writeFramesetPage(folder_, "geotopo", 1, 2, options));
    EXPECT_NE(read("index.htm").find("<title>Mine</title>"), std::string::npos);
    options = SiteOptions{};
    ASSERT_TRUE(writeFramesetPage(folder_, "geotopo", 1, 2, options));
    EXPECT_NE(read("index.htm").find("<title>geotopo</title>"), std::string::npos);
}

TEST_F(SitePagesTest, FramesetEscapesTitleAndKeywords) {
    SiteOptions options;
    options.keywords = "say \"hi\" & <go>";
    ASSERT_TRUE(writeFramesetPage(folder_, "a<b>\"c\"", 1, 1, options));
    std::string text = read("index.htm");
    EXPECT_EQ(text.rfind("<html><head><title>a&lt;b&gt;&quot;c&quot;</title>\r\n"
                         "<meta name=\"keywords\" content=\"say &quot;hi&quot; &amp; &lt;go&gt;\">\r\n",
                         0),
              0u);
}

TEST_F(SitePagesTest, FramesetRefusesEmptyRangesAndMissingFolders) {
    EXPECT_FALSE(writeFramesetPage(folder_, "x", 3, 2, SiteOptions{}));
    EXPECT_FALSE(writeFramesetPage(folder_, "x", 0, 2, SiteOptions{}));
    EXPECT_FALSE(fs::exists(path("index.htm")));
    EXPECT_FALSE(writeFramesetPage(folder_ + "/missing", "x", 1, 2, SiteOptions{}));
}

TEST_F(SitePagesTest, HomeLinkAppendedOnlyWithAnAddress) {
    write(path("pg_index.htm"), "<html>index</html>");
    SiteOptions options;
    options.homeAddress = "http://example.org/";
    EXPECT_TRUE(appendHomeLink(folder_, options));  // off
    options.homeLink = true;
    options.homeAddress.clear();
    EXPECT_TRUE(appendHomeLink(folder_, options));  // on, but no address
    EXPECT_EQ(read("pg_index.htm"), "<html>index</html>");

    options.homeAddress = "http://example.org/?a=1&b=\"2\"";
    ASSERT_TRUE(appendHomeLink(folder_, options));
    EXPECT_EQ(read("pg_index.htm"),
              "<html>index</html><html><body><table><tr><td><img src=\"pg_page.gif\">"
              "<a href=\"http://example.org/?a=1&amp;b=&quot;2&quot;\"target=\"_top\">Home</a>"
              "</td></tr></table></body></html>");

    // Created when the support file is missing.
    fs::remove(path("pg_index.htm"));
    options.homeAddress = "http://example.org/";
    ASSERT_TRUE(appendHomeLink(folder_, options));
    EXPECT_EQ(read("pg_index.htm").rfind("<html><body><table>", 0), 0u);
}

TEST_F(SitePagesTest, NavigationRangeAppended) {
    write(path("pg_nav.htm"), "<html>bar</html>\n");
    write(path("pg_index.htm"), "<html>list</html>\n");
    ASSERT_TRUE(appendNavigationRange(folder_, 4, 9));
    EXPECT_EQ(read("pg_nav.htm"),
              "<html>bar</html>\n<script>\r\nvar firstpage = 1;\r\nvar lastpage = 6;\r\n</script>\r\n");
    EXPECT_EQ(read("pg_index.htm"),
              "<html>list</html>\n<script>\r\nvar firstpage = 1;\r\nvar lastpage = 6;\r\n</script>\r\n");
    EXPECT_FALSE(appendNavigationRange(folder_, 9, 4));
}

TEST_F(SitePagesTest, NoOutlineGivesTheNoBookmarksLine) {
    write(path("pg_bmark.htm"), "<script>");
    ASSERT_TRUE(appendBookmarkPage(folder_, "doc", 1, 10, ""));
    EXPECT_EQ(read("pg_bmark.htm"), std::string("<script>") + kRoot +
                                        "root0 = gFld(\"Your pdf file doesn't contain bookmarks\", \"\")\r\n" +
                                        kClosing);
    // A listing that went missing reads as no outline too.
    fs::remove(path("pg_bmark.htm"));
    ASSERT_TRUE(appendBookmarkPage(folder_, "doc", 1, 10, path("gone.txt")));
    EXPECT_NE(read("pg_bmark.htm").find("doesn't contain bookmarks"), std::string::npos);
}

TEST_F(SitePagesTest, NestedEntriesBecomeFoldersAndLinks) {
    std::string file = listing("A<>,3,0,0,0,0,0,0,0,0\r\n\tB<>,5,0,0,0,0,0,0,0,0\r\nC<>,9,0,0,0,0,0,0,0,0\r\n");
    ASSERT_TRUE(appendBookmarkPage(folder_, "doc", 1, 10, file));
    EXPECT_EQ(read("pg_bmark.htm"), std::string(kRoot) +
                                        "root1 = insFld(root0, gFld(\"A\", \"3\"))\r\n"
                                        "insDoc(root1, gLnk(2,\"B\", \"5\"))\r\n"
                                        "insDoc(root0, gLnk(2,\"C\", \"9\"))\r\n" +
                                        kClosing);
    // The listing lives in the cache folder and goes once read.
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(SitePagesTest, PagesCountFromTheFirstConvertedPage) {
    std::vector<BookmarkEntry> entries = readBookmarks(listing("two<>,2,0\nsix<>,6,0\nnine<>,9\nten<>,10\n"));
    std::string text = bookmarkTreeText("doc", 4, 9, entries);
    EXPECT_NE(text.find("insDoc(root0, gLnk(2,\"two\", \"0\"))\n"), std::string::npos);
    EXPECT_NE(text.find("insDoc(root0, gLnk(2,\"six\", \"3\"))\n"), std::string::npos);
    EXPECT_NE(text.find("insDoc(root0, gLnk(2,\"nine\", \"6\"))\n"), std::string::npos);
    // Past the last converted page there is no page file to open.
    EXPECT_NE(text.find("insDoc(root0, gLnk(2,\"ten\", \"0\"))\n"), std::string::npos);
}

TEST_F(SitePagesTest, ListingLinesParsed) {
    std::string big(5000, 'x');
    std::vector<BookmarkEntry> e = readBookmarks(listing(
        "plain title\r\n"                   // no "<>,": whole line, page 1
        "\r\n\n"                            // blank lines are skipped
        "\t\tdeep<>,\r\n"                   // empty page text: page 1
        "word<>,abc,1\r\n"                  // no digits: 0
        "a \"q\" <b> & c:\\dir\\<>,7\n"     // escaping
        "caf\xe9<>,2\n"                     // Latin-1 from the outline writer
        "caf\xc3\xa9<>,2\n"                 // already UTF-8
        "second<>,1<>,4\n"                  // the first mark counts
        + big + "<>,3\n"                    // cut at 4096 bytes, rest dropped
        "after<>,99999999999\n"             // clamped, no overflow
        "last line without end<>,2"));
    ASSERT_EQ(e.size(), 10u);
    EXPECT_EQ(e[0].title, "plain title");
    EXPECT_EQ(e[0].page, 1);
    EXPECT_EQ(e[0].level, 0);
    EXPECT_EQ(e[1].title, "deep");
    EXPECT_EQ(e[1].level, 2);
    EXPECT_EQ(e[1].page, 1);
    EXPECT_EQ(e[2].page, 0);
    EXPECT_EQ(e[3].title, "a &quot;q&quot; &lt;b&gt; &amp; c:&#92;dir&#92;");
    EXPECT_EQ(e[3].page, 7);
    EXPECT_EQ(e[4].title, "caf\xc3\xa9");
    EXPECT_EQ(e[5].title, "caf\xc3\xa9");
    EXPECT_EQ(e[6].title, "second");
    EXPECT_EQ(e[6].page, 1);
    EXPECT_EQ(e[7].title, std::string(4096, 'x'));
    EXPECT_EQ(e[7].page, 1);
    EXPECT_EQ(e[8].title, "after");
    EXPECT_EQ(e[8].page, 2147483647);
    EXPECT_EQ(e[9].title, "last line without end");
    EXPECT_EQ(e[9].page, 2);
}

TEST_F(SitePagesTest, EscapedSeparatorsStayInTheirTitle) {
    std::vector<BookmarkEntry> e = readBookmarks(listing("a%3C>,9,9 and 100%25<>,5\r\n"
                                                         "\xd0\xa0\xd1\x83%3Cb%3E%zz%4<>,2\r\n"
                                                         "x\x01y \x0b&amp;<>,3\r\n"));
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].title, "a&lt;&gt;,9,9 and 100%");
    EXPECT_EQ(e[0].page, 5);
    // Russian stays whole; what is no escape stays as it is.
    EXPECT_EQ(e[1].title, "\xd0\xa0\xd1\x83&lt;b&gt;%zz%4");
    EXPECT_EQ(e[1].page, 2);
    // A control character would end the tree's script string; an ampersand is shown as one.
    EXPECT_EQ(e[2].title, "xy &amp;amp;");
}

TEST_F(SitePagesTest, TreeStaysWholeForHostileListings) {
    // A jump of two levels would name a folder variable never made.
    std::vector<BookmarkEntry> entries = readBookmarks(listing("\t\tstart<>,1\nA<>,2\n\t\t\tB<>,3\n\t\t\tC<>,4\n"));
    std::string text = bookmarkTreeText("a\"b\\", 1, 5, entries);
    EXPECT_EQ(text.rfind("root0 = gFld(\"a&quot;b&#92;\", \"\")\n"
                         "insDoc(root0, gLnk(2,\"start\", \"1\"))\n"
                         "root1 = insFld(root0, gFld(\"A\", \"2\"))\n"
                         "insDoc(root1, gLnk(2,\"B\", \"3\"))\n"
                         "insDoc(root1, gLnk(2,\"C\", \"4\"))\n</script>",
                         0),
              0u);
}

TEST_F(SitePagesTest, CorpusOutlineKeepsItsLevels) {
    std::ifstream in(std::string(QM_TEST_DATA_DIR) + "/listings/enc-rc4-40-empty-30p.outline.txt", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::vector<int> tabs;
    std::istringstream lines(s.str());
    for (std::string line; std::getline(lines, line);) tabs.push_back(static_cast<int>(line.find_first_not_of('\t')));
    std::vector<BookmarkEntry> entries = readBookmarks(listing(s.str()));
    ASSERT_EQ(entries.size(), tabs.size());
    std::string text = bookmarkTreeText("doc", 1, 30, entries);
    // Every entry hangs in the folder of its own depth.
    size_t at = 0;
    for (size_t k = 0; k < entries.size(); ++k) {
        EXPECT_EQ(entries[k].level, tabs[k]);
        std::string owner = "root" + std::to_string(tabs[k]) + ",";
        at = text.find("\n", at) + 1;
        std::string line = text.substr(at, text.find("\n", at) - at);
        EXPECT_NE(line.find(owner), std::string::npos) << line;
    }
}

TEST_F(SitePagesTest, WholeSiteInOrder) {
    write(path("pg_nav.htm"), "N");
    write(path("pg_index.htm"), "I");
    write(path("pg_bmark.htm"), "B");
    SiteOptions options;
    options.homeLink = true;
    options.homeAddress = "h";
    std::string file = listing("Only<>,2\n");
    ASSERT_TRUE(writeSitePages(folder_, "doc", 2, 3, options, file));
    EXPECT_NE(read("index.htm").find("var lastpage = 2;"), std::string::npos);
    EXPECT_EQ(read("pg_index.htm").rfind("I<html><body>", 0), 0u);
    EXPECT_NE(read("pg_index.htm").find("</html><script>\r\nvar firstpage = 1;\r\nvar lastpage = 2;\r\n"),
              std::string::npos);
    EXPECT_EQ(read("pg_nav.htm"), "N<script>\r\nvar firstpage = 1;\r\nvar lastpage = 2;\r\n</script>\r\n");
    EXPECT_EQ(read("pg_bmark.htm"), "B" + crlf("root0 = gFld(\"doc\", \"\")\ninsDoc(root0, gLnk(2,\"Only\", \"1\"))\n") +
                                        kClosing);
    EXPECT_FALSE(writeSitePages(folder_ + "/missing", "doc", 2, 3, options, ""));
}

}  // namespace
}  // namespace qm
