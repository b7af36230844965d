#include "convert/page_html_writer.h"
#include "convert/site_pages.h"

#include "convert/html_text.h"
#include "convert_test_support.h"

namespace qm {
namespace {

using test::addGlyph;
using test::crlf;
using test::emptyPage;
using test::occurrences;
using test::readFileText;

const std::string kErrorScript =
    "<script language=\"javascript\"> \n<!-- hide \nfunction killerrors() { \nreturn true; \n} \n"
    "window.onerror = killerrors; \n// --> \n</script>\n";
const std::string kScrollScript =
    "\n<script language=\"JavaScript\">\nvar currentpos,timer; \nfunction initialize() \n{ \n"
    "timer=setInterval(\"scrollwindow()\",10);\n} \nfunction sc(){\nclearInterval(timer); \n}\n"
    "function scrollwindow() \n{ \ncurrentpos=document.body.scrollTop; \nwindow.scroll(0,++currentpos); \n"
    "if (currentpos != document.body.scrollTop) \nsc();\n} \ndocument.onmousedown=sc\n"
    "document.ondblclick=initialize\n</script>\n";
const std::string kZoomScript =
    "<script language=\"javascript\">\n\t\t\tvar currentZoom = parent.ltop.currentZoom;\n"
    "\t\t\tif(currentZoom != undefined)\n\t\t\t\tdocument.body.style.zoom=currentZoom/100;\n\t\t\t</script>\n";

class PageHtmlWriterTest : public test::SettingsSandbox {
protected:
    void SetUp() override {
        SettingsSandbox::SetUp();
        state_.startFile();
    }
    std::string pagePath(int n = 1) const {
        char name[32];
        std::snprintf(name, sizeof name, "/pg_%04d.htm", n);
        return out_.path() + name;
    }
    // Writes the page as page file n and returns what was written.
    std::string write(PageObject& page, const HtmlLinkList* links = nullptr, int n = 1) {
        std::string path = pagePath(n);
        EXPECT_TRUE(writePageHtml(page, links, path, withExtension(path, ".jpg"), state_));
        return readFileText(path);
    }
    // The text of the span of every text block, in order.
    static std::vector<std::string> runs(const std::string& html) {
        std::vector<std::string> out;
        const std::string open = "\"><nobr><span class=\"";
        for (size_t at = html.find(open); at != std::string::npos; at = html.find(open, at + 1)) {
            size_t start = html.find('>', at + open.size()) + 1;
            out.push_back(html.substr(start, html.find("</span>", start) - start));
        }
        return out;
    }

    HtmlWriterState state_;
};

TEST_F(PageHtmlWriterTest, PartlyTransparentTextGetsAClassWithItsOpacity) {
    PageObjectPtr page = emptyPage(200, 100);
    addGlyph(*page, 10, 30, u"H", "Arial", 8, 16, 0x0000FF);
    addGlyph(*page, 18, 30, u"i", "Arial", 8, 16, 0x7F0000FF);  // transparency 127
    const std::string html = write(*page);
    EXPECT_NE(html.find(".ft0{font-style:normal;font-weight:normal;font-size:16px;font-family:Arial,sans-serif;"
                        "color:#ff0000;}"),
              std::string::npos);
    EXPECT_NE(html.find(".ft1{font-style:normal;font-weight:normal;font-size:16px;font-family:Arial,sans-serif;"
                        "color:#ff0000;opacity:0.502;}"),
              std::string::npos);
    EXPECT_EQ(runs(html), (std::vector<std::string>{"H", "i"}));
}

TEST_F(PageHtmlWriterTest, WritesTheWholePageFileInItsOrder) {
    PageObjectPtr page = emptyPage(200, 100);
    addGlyph(*page, 10, 30, u"H", "Arial", 8, 16, 0x0000FF);
    addGlyph(*page, 18, 30, u"i", "Arial", 8, 16, 0x0000FF);
    HtmlLinkListPtr links = newHtmlLinkList();
    appendHtmlLink(*links, 5, 50, 10, 40, "actionGoTo:7");

    const std::string expected = crlf(
        "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
        "<title>pg_0001</title>\n\n" +
        kErrorScript +
        "<style type=\"text/css\">\n<!--\n"
        ".ft0{font-style:normal;font-weight:normal;font-size:16px;font-family:Arial,sans-serif;color:#ff0000;}\n"
        "-->\n</style>\n</head>\n<body vlink=\"#FFFFFF\" link=\"#FFFFFF\" bgcolor=\"#ffffff\">\n" +
        kScrollScript +
        "<div style=\"position:absolute;top:0;left:0\"><map name=\"FPMap0\">\n"
        "<area href=\"pg_0007.htm\" shape=\"rect\" coords=\"5,10,50,40\">\n"
        "</map>\n<img width=\"200\" height=\"100\" src=\"pg_0001.jpg\" usemap=\"#FPMap0\"></div>\n"
        "<div style=\"position:absolute;top:16;left:10\"><nobr><span class=\"ft0\" data-w=\"16\">Hi</span></nobr></div>\n" +
        std::string(fitRunsScript()) + kZoomScript + std::string(pageSiteScript()) + "</body>\n</html>");
    EXPECT_EQ(write(*page, links.get()), expected);
}

TEST_F(PageHtmlWriterTest, PageWithoutTextStillGetsItsPicture) {
    PageObjectPtr page = emptyPage(300, 400);
    appendPageItem(*page, QM_ITEM_LINE, makeLineItem(0, 0, 10, 10, 1, 0, QM_PEN_SOLID));
    addGlyph(*page, 10, 30, u"R", "Arial", 8, 16, 0, false, false, 900);  // rotated: drawn in the JPEG
    HtmlLinkListPtr none = newHtmlLinkList();
    const std::string html = write(*page, none.get());
    EXPECT_NE(html.find("<style type=\"text/css\">\r\n<!--\r\n-->\r\n</style>"), std::string::npos);
    EXPECT_EQ(html.find("<nobr>"), std::string::npos);
    // An empty link list gives the plain picture block.
    EXPECT_NE(html.find("<div style=\"position:absolute;top:0;left:0\"><img width=\"300\" height=\"400\" "
                        "src=\"pg_0001.jpg\"></div>\r\n"),
              std::string::npos);
    EXPECT_EQ(html.find("<map"), std::string::npos);
    // Only the rotated text item is left in the caller's page.
    ASSERT_EQ(page->itemCount, 1);
    EXPECT_EQ(page->items[0].kind, QM_ITEM_TEXT);
}

TEST_F(PageHtmlWriterTest, StripKeepsTextItemsInOrder) {
    PageObjectPtr page = emptyPage();
    addGlyph(*page, 1, 10, u"a");
    appendPageItem(*page, QM_ITEM_CLIP, makeClipItem(nullptr, 0));
    addGlyph(*page, 2, 10, u"b");
    QmPoint pts[] = {{0, 0}, {5, 0}, {5, 5}};
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(pts, 3, QM_FILL_WINDING, 0));
    addGlyph(*page, 3, 10, u"c");
    stripNonTextItems(*page);
    ASSERT_EQ(page->itemCount, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(page->items[i].record.text->x, i + 1);
}

TEST_F(PageHtmlWriterTest, RunsBreakAtSizeFaceColourStyleAndPosition) {
    PageObjectPtr page = emptyPage(800, 200);
    addGlyph(*page, 10, 50, u"a");
    addGlyph(*page, 18, 50, u"b", "Arial", 8, 16, 0, true, true);  // bold italic
    addGlyph(*page, 26, 50, u"c", "Arial", 8, 18);                  // size
    addGlyph(*page, 34, 50, u"d", "Times New Roman", 8, 18);        // face
    addGlyph(*page, 42, 50, u"e", "Times New Roman", 8, 18, 0x00FF00);  // colour
    addGlyph(*page, 42, 50, u"f", "Times New Roman", 8, 18, 0x00FF00);  // no step to the right
    addGlyph(*page, 30, 50, u"g", "Times New Roman", 8, 18, 0x00FF00);  // leftwards
    addGlyph(*page, 80, 50, u"h", "Times New Roman", 8, 18, 0x00FF00);  // step 50: the limit
    addGlyph(*page, 131, 50, u"i", "Times New Roman", 8, 18, 0x00FF00); // step 51
    addGlyph(*page, 139, 67, u"j", "Times New Roman", 8, 18, 0x00FF00); // drop of 17 < 18
    addGlyph(*page, 147, 85, u"k", "Times New Roman", 8, 18, 0x00FF00); // drop of 18
    Settings::setOverride(Setting::insertSpaces, 0);
    const std::string html = write(*page);
    EXPECT_EQ(runs(html), (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "gh", "ij", "k"}));
    // The bold italic "b" is a run of its own, in its own class.
    EXPECT_NE(html.find(".ft1{font-style:italic;font-weight:bold;font-size:16px;"), std::string::npos);
    EXPECT_NE(html.find("<span class=\"ft0\" data-w=\"8\">a</span>"), std::string::npos);
    EXPECT_NE(html.find("<span class=\"ft1\" data-w=\"8\">b</span>"), std::string::npos);
    EXPECT_NE(html.find("font-family:Times New Roman,serif;color:#00ff00;"), std::string::npos);
    // Positions: top = baseline - height + 2.
    EXPECT_NE(html.find("<div style=\"position:absolute;top:36;left:10\">"), std::string::npos);
    EXPECT_NE(html.find("<div style=\"position:absolute;top:69;left:147\">"), std::string::npos);
}

TEST_F(PageHtmlWriterTest, RunsCarryTheirPageWidthUpToTheirLastInk) {
    // "ab " then a wider step: the run is 10..18+6, its blank at the end is not counted since
    // browsers drop it; a run of blanks alone has width 0 and is never stretched.
    PageObjectPtr page = emptyPage(400, 100);
    addGlyph(*page, 10, 30, u"a", "Arial", 6, 16);
    addGlyph(*page, 18, 30, u"b", "Arial", 6, 16);
    addGlyph(*page, 24, 30, u" ", "Arial", 20, 16);
    addGlyph(*page, 200, 30, u" ", "Arial", 5, 16);
    Settings::setOverride(Setting::insertSpaces, 0);
    const std::string html = write(*page);
    EXPECT_NE(html.find("<span class=\"ft0\" data-w=\"14\">ab </span>"), std::string::npos) << html;
    EXPECT_NE(html.find("<span class=\"ft0\" data-w=\"0\">"), std::string::npos);
    // The page's script reads every run's width before it changes any.
    EXPECT_NE(html.find("span[data-w]"), std::string::npos);
}

TEST_F(PageHtmlWriterTest, RunGapLimitZeroPutsEveryCharacterInItsOwnBlock) {
    ASSERT_TRUE(Settings::write(Setting::runGapLimit, 0));
    PageObjectPtr page = emptyPage();
    for (int i = 0; i < 4; ++i) addGlyph(*page, 10 + 8 * i, 30, std::u16string(1, u'w' + i));
    EXPECT_EQ(runs(write(*page)), (std::vector<std::string>{"w", "x", "y", "z"}));
}

TEST_F(PageHtmlWriterTest, DoubledGlyphIsWrittenOnce) {
    PageObjectPtr page = emptyPage();
    addGlyph(*page, 10, 30, u"B");
    addGlyph(*page, 10, 30, u"B");  // simulated bold: same place, same text, new run
    addGlyph(*page, 11, 30, u"B");  // one pixel on: written
    addGlyph(*page, 20, 30, u"C");
    addGlyph(*page, 20, 30, u"D");  // same place, other text: written
    Settings::setOverride(Setting::insertSpaces, 0);
    EXPECT_EQ(runs(write(*page)), (std::vector<std::string>{"B", "BC", "D"}));
}

TEST_F(PageHtmlWriterTest, SpaceGoesWhereTheGapExceedsFifteenHundredthsOfTheHeight) {
    // Height 20: threshold 3 pixels beyond the previous advance.
    PageObjectPtr page = emptyPage(400, 100);
    addGlyph(*page, 10, 30, u"a", "Arial", 10, 20);
    addGlyph(*page, 23, 30, u"b", "Arial", 10, 20);  // gap 3: no space
    addGlyph(*page, 37, 30, u"c", "Arial", 10, 20);  // gap 4: space
    addGlyph(*page, 47, 30, u"d", "Arial", 10, 20);  // gap 0
    addGlyph(*page, 200, 30, u"e", "Arial", 10, 20); // a new run, still after a wide gap
    EXPECT_EQ(runs(write(*page)), (std::vector<std::string>{"ab cd", " e"}));

    Settings::setOverride(Setting::insertSpaces, 0);
    PageObjectPtr again = emptyPage(400, 100);
    addGlyph(*again, 10, 30, u"a", "Arial", 10, 20);
    addGlyph(*again, 37, 30, u"c", "Arial", 10, 20);
    EXPECT_EQ(runs(write(*again)), (std::vector<std::string>{"ac"}));
}

TEST_F(PageHtmlWriterTest, FractionalThresholdComparesInFloatingPoint) {
    // Height 13: threshold 1.95; a gap of 2 is over it, a gap of 1 is not.
    PageObjectPtr page = emptyPage(400, 100);
    addGlyph(*page, 10, 30, u"a", "Arial", 7, 13);
    addGlyph(*page, 18, 30, u"b", "Arial", 7, 13);
    addGlyph(*page, 27, 30, u"c", "Arial", 7, 13);
    EXPECT_EQ(runs(write(*page)), (std::vector<std::string>{"ab c"}));
}

TEST_F(PageHtmlWriterTest, LinkTargetsBecomePageFilesUrisOrStayAsTheyAre) {
    PageObjectPtr page = emptyPage();
    HtmlLinkListPtr links = newHtmlLinkList();
    appendHtmlLink(*links, 1, 2, 3, 4, "actionGoTo:7");
    appendHtmlLink(*links, 1, 2, 3, 4, "actionURI:http://example.com/a?b=1&c=2");
    appendHtmlLink(*links, 1, 2, 3, 4, "actionLaunch:notes.pdf");
    appendHtmlLink(*links, 1, 2, 3, 4, "actionGoToR:other.pdf");
    appendHtmlLink(*links, 1, 2, 3, 4, "plain.pdf");
    const std::string html = write(*page, links.get());
    EXPECT_NE(html.find("<area href=\"pg_0007.htm\" shape=\"rect\" coords=\"1,3,2,4\">\r\n"), std::string::npos);
    EXPECT_NE(html.find("<area href=\"http://example.com/a?b=1&amp;c=2\" "), std::string::npos);
    EXPECT_NE(html.find("<area href=\"actionLaunch:notes.pdf\" "), std::string::npos);
    EXPECT_NE(html.find("<area href=\"actionGoToR:other.pdf\" "), std::string::npos);
    EXPECT_NE(html.find("<area href=\"plain.pdf\" "), std::string::npos);

    EXPECT_EQ(linkHref("actionGoTo:12", ".html"), "pg_0012.html");
    EXPECT_EQ(linkHref("actionGoTo:", ".htm"), "pg_0000.htm");
    EXPECT_EQ(linkHref("actionGoTo:x3", ".htm"), "pg_0000.htm");
    EXPECT_EQ(linkHref("actionGoTo:12345", ".htm"), "pg_12345.htm");
    EXPECT_EQ(linkHref("actionGoTo:99999999999999999999", ".htm").size(), std::string("pg_.htm").size() + 9);
}

TEST_F(PageHtmlWriterTest, ScriptTargetsAreLeftOutOfTheMap) {
    EXPECT_EQ(linkHref("actionURI:javascript:alert(1)", ".htm"), "");
    EXPECT_EQ(linkHref("actionURI: JaVa\tScript:alert(1)", ".htm"), "");
    EXPECT_EQ(linkHref("actionURI:vbscript:msgbox", ".htm"), "");
    EXPECT_EQ(linkHref("data:text/html,<script>", ".htm"), "");
    EXPECT_EQ(linkHref("actionURI:\x01javascript:x", ".htm"), "");
    EXPECT_EQ(linkHref("actionURI:http://x/\"><script>", ".htm"), "http://x/&quot;&gt;&lt;script&gt;");
    EXPECT_EQ(linkHref("actionURI:javascript-guide.html", ".htm"), "javascript-guide.html");

    PageObjectPtr page = emptyPage();
    HtmlLinkListPtr links = newHtmlLinkList();
    appendHtmlLink(*links, 1, 2, 3, 4, "actionURI:javascript:alert(document.cookie)");
    appendHtmlLink(*links, 5, 6, 7, 8, "actionURI:https://example.org/");
    const std::string html = write(*page, links.get());
    EXPECT_EQ(html.find("javascript:alert"), std::string::npos);
    EXPECT_EQ(occurrences(html, "<area "), 1);
    EXPECT_NE(html.find("coords=\"5,7,6,8\""), std::string::npos);
}

TEST_F(PageHtmlWriterTest, SpecialFirstBytesWriteOnlyTheirReference) {
    PageObjectPtr page = emptyPage(400, 100);
    const char16_t* texts[] = {u"&x", u"<y", u">", u"\"", u" ", u"a<b", u"\u4e2d", u"\u00e9"};
    int x = 10;
    for (const char16_t* t : texts) {
        addGlyph(*page, x, 30, t);
        x += 8;
    }
    Settings::setOverride(Setting::insertSpaces, 0);
    EXPECT_EQ(runs(write(*page)), (std::vector<std::string>{"&amp;&lt;&gt;&quot; a&lt;b\xE4\xB8\xAD\xC3\xA9"}));
}

TEST_F(PageHtmlWriterTest, GlyphBytesFollowTheDoubleByteQuotationRules) {
    std::string out;
    appendGlyphHtml(out, "\xA1\xB0");
    appendGlyphHtml(out, "\xA1\xA7");
    appendGlyphHtml(out, "\xA1\xAE");
    appendGlyphHtml(out, "\xA1\xC0");
    appendGlyphHtml(out, std::string_view("ab\0<", 4));  // stops at the first zero
    EXPECT_EQ(out, "&quot;&quot;'\xA1\xC0" "ab");
}

TEST_F(PageHtmlWriterTest, TitleIsThePageFilesBaseNameEscaped) {
    PageObjectPtr page = emptyPage();
    const std::string path = out_.path() + "/a<b>&c.d.htm";
    ASSERT_TRUE(writePageHtml(*page, nullptr, path, out_.path() + "/pic #1%.jpg", state_));
    const std::string html = readFileText(path);
    EXPECT_NE(html.find("<title>a&lt;b&gt;&amp;c.d</title>"), std::string::npos);
    EXPECT_NE(html.find("src=\"pic %231%25.jpg\""), std::string::npos);
}

TEST_F(PageHtmlWriterTest, FaceNamesCannotLeaveTheStyleBlock) {
    PageObjectPtr page = emptyPage();
    addGlyph(*page, 10, 30, u"x", "Evil;}</style><script>alert(1)</script>");
    addGlyph(*page, 10, 60, u"y", "MS Mincho");
    addGlyph(*page, 10, 90, u"z", "3of9 Barcode");
    const std::string html = write(*page);
    EXPECT_EQ(html.find("</style><script>alert"), std::string::npos);
    EXPECT_EQ(occurrences(html, "</style>"), 1);
    EXPECT_NE(html.find("font-family:\"Evil;}\\3c /style\\3e \\3c script\\3e alert(1)\\3c /script\\3e \";"),
              std::string::npos);
    EXPECT_NE(html.find("font-family:MS Mincho,serif;"), std::string::npos);
    EXPECT_NE(html.find("font-family:\"3of9 Barcode\";"), std::string::npos);
    EXPECT_EQ(cssFontFamily("Times New Roman"), "Times New Roman");
    EXPECT_EQ(cssFontFamily("\xE5\xAE\x8B\xE4\xBD\x93"), "\xE5\xAE\x8B\xE4\xBD\x93");
    EXPECT_EQ(cssFontFamily(""), "\"\"");
    EXPECT_EQ(cssFontFamily("a\"b\\c"), "\"a\\22 b\\5c c\"");
}

TEST_F(PageHtmlWriterTest, BackgroundColourIsWrittenAsRgb) {
    ASSERT_TRUE(Settings::write(Setting::backgroundColour, 0x7F123456));  // high byte ignored
    PageObjectPtr page = emptyPage();
    EXPECT_NE(write(*page).find("bgcolor=\"#563412\""), std::string::npos);
}

TEST_F(PageHtmlWriterTest, PerPageModeStartsTheClassTableAfresh) {
    PageObjectPtr one = emptyPage();
    addGlyph(*one, 10, 30, u"a", "Arial");
    write(*one, nullptr, 1);
    PageObjectPtr two = emptyPage();
    addGlyph(*two, 10, 30, u"b", "Courier New");
    const std::string html = write(*two, nullptr, 2);
    EXPECT_NE(html.find(".ft0{font-style:normal;font-weight:normal;font-size:16px;font-family:Courier New,monospace;"),
              std::string::npos);
    EXPECT_EQ(html.find(".ft1"), std::string::npos);
    EXPECT_EQ(state_.fontClasses().size(), 1u);
}

TEST_F(PageHtmlWriterTest, ContinuousModeAppendsShiftedPagesWithoutLinks) {
    Settings::setOverride(Setting::continuousMode, 1);
    state_.startFile();
    ASSERT_TRUE(state_.continuousMode());
    HtmlLinkListPtr links = newHtmlLinkList();
    appendHtmlLink(*links, 1, 2, 3, 4, "actionGoTo:2");

    PageObjectPtr one = emptyPage(200, 100);
    addGlyph(*one, 10, 30, u"a", "Arial");
    write(*one, links.get(), 1);
    state_.advancePageTop(110);
    PageObjectPtr two = emptyPage(200, 100);
    addGlyph(*two, 10, 30, u"b", "Courier New");
    addGlyph(*two, 30, 60, u"c", "Arial");
    EXPECT_TRUE(writePageHtml(*two, links.get(), pagePath(2), withExtension(pagePath(2), ".jpg"), state_));

    EXPECT_FALSE(isRegularFile(pagePath(1)));
    EXPECT_FALSE(isRegularFile(pagePath(2)));
    const std::string html = readFileText(out_.path() + "/index.htm");
    EXPECT_EQ(occurrences(html, "<html>"), 2);
    EXPECT_EQ(occurrences(html, "</html>"), 2);
    EXPECT_EQ(html.find("<map"), std::string::npos);
    EXPECT_EQ(html.find("<area"), std::string::npos);
    EXPECT_EQ(html.find("currentZoom"), std::string::npos);
    // The second page's style block adds only its new class; the first page's still applies.
    EXPECT_EQ(occurrences(html, ".ft0{"), 1);
    EXPECT_EQ(occurrences(html, ".ft1{"), 1);
    EXPECT_NE(html.find("<div style=\"position:absolute;top:110;left:0\"><img width=\"200\" height=\"100\" "
                        "src=\"pg_0002.jpg\"></div>"),
              std::string::npos);
    EXPECT_NE(html.find("top:126;left:10\"><nobr><span class=\"ft1\" data-w=\"8\">b<"), std::string::npos);
    EXPECT_NE(html.find("top:156;left:30\"><nobr><span class=\"ft0\" data-w=\"8\"> c<"), std::string::npos);
    // Each page of the file fits its own runs.
    EXPECT_EQ(occurrences(html, "span[data-w]"), 2);
    EXPECT_EQ(state_.fontClasses().size(), 2u);

    // A new file starts the table and the offset again.
    Settings::clearOverride(Setting::continuousMode);
    state_.startFile();
    EXPECT_EQ(state_.fontClasses().size(), 0u);
    EXPECT_EQ(state_.pageTopOffset(), 0);
    EXPECT_FALSE(state_.continuousMode());
}

TEST_F(PageHtmlWriterTest, RemovePicturesLeavesTheImageOutOnlyInContinuousMode) {
    Settings::setOverride(Setting::removePictures, 1);
    PageObjectPtr page = emptyPage();
    EXPECT_NE(write(*page).find("<img "), std::string::npos);
    state_.setContinuousMode(true);
    PageObjectPtr again = emptyPage();
    write(*again);
    EXPECT_EQ(readFileText(out_.path() + "/index.htm").find("<img "), std::string::npos);
}

TEST_F(PageHtmlWriterTest, UnwritableFileIsReportedAndNothingIsWritten) {
    PageObjectPtr page = emptyPage();
    addGlyph(*page, 10, 30, u"a");
    const std::string path = out_.path() + "/missing/pg_0001.htm";
    EXPECT_FALSE(writePageHtml(*page, nullptr, path, withExtension(path, ".jpg"), state_));
    EXPECT_EQ(state_.lastError(), "Couldn't write '" + path + "': No such file or directory");
    EXPECT_FALSE(isDirectory(out_.path() + "/missing"));
    state_.setContinuousMode(true);
    EXPECT_FALSE(writePageHtml(*page, nullptr, path, withExtension(path, ".jpg"), state_));
    EXPECT_EQ(state_.lastError(), "Couldn't write '" + out_.path() + "/missing/index.htm': No such file or directory");
}

TEST_F(PageHtmlWriterTest, HugeCoordinatesDoNotOverflow) {
    PageObjectPtr page = emptyPage();
    addGlyph(*page, 10, INT32_MAX, u"a", "Arial", 8, -16);
    state_.advancePageTop(INT32_MAX);
    const std::string html = write(*page);
    EXPECT_NE(html.find("top:4294967312;left:10"), std::string::npos);
}

}  // namespace
}  // namespace qm
