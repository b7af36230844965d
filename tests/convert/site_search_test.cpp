// The site's search index and page thumbnails: the text a page adds to the index, how that
// text is kept inert inside a script file, which file a page goes to, and the thumbnail that
// shows the page's text where the background picture has none.
#include <sys/stat.h>

#include "convert/html_conversion.h"
#include "convert/page_thumbnail.h"
#include "convert/search_index.h"
#include "convert_test_support.h"
#include "platform/canvas/bitmap.h"
#include "platform/system/code_page.h"
#include "support/jpeg_reference.h"

namespace qm {
namespace {

using test::addGlyph;
using test::emptyPage;
using test::readFileText;

// Glyphs of `word` one after another from x, each `advance` wide, as a PDF draws them.
void addWord(PageObject& page, int x, int y, std::u16string_view word, int advance = 10, int height = 20) {
    for (char16_t c : word) {
        addGlyph(page, x, y, std::u16string(1, c), "DejaVu Sans", advance, height);
        x += advance;
    }
}

// The code points of a script string, read back the way a script engine reads it.
std::u16string unquote(const std::string& literal) {
    std::u16string raw = utf8ToUtf16(literal);
    std::u16string out;
    EXPECT_GE(raw.size(), 2u);
    EXPECT_EQ(raw.front(), u'"');
    EXPECT_EQ(raw.back(), u'"');
    for (size_t i = 1; i + 1 < raw.size(); ++i) {
        if (raw[i] != u'\\') {
            EXPECT_NE(raw[i], u'"') << "unescaped quote at " << i;
            out.push_back(raw[i]);
            continue;
        }
        EXPECT_EQ(raw[i + 1], u'u') << "only \\u escapes are written";
        out.push_back(static_cast<char16_t>(std::stoi(utf16ToUtf8(raw.substr(i + 2, 4)), nullptr, 16)));
        i += 5;
    }
    return out;
}

TEST(SearchText, GlyphLayoutMakesWordsAndLines) {
    PageObjectPtr page = emptyPage(400, 200);
    addWord(*page, 10, 30, u"Hello");             // 10..60
    addWord(*page, 66, 30, u"world");             // a gap of 6 px (0.3 em): a new word
    addWord(*page, 117, 30, u"wide");             // a gap of 1 px: the same word
    addWord(*page, 10, 60, u"next");              // another line
    addGlyph(*page, 50, 60, u"t", "DejaVu Sans", 10, 20);   // drawn twice in place (bold)
    addGlyph(*page, 50, 60, u"t", "DejaVu Sans", 10, 20);
    addGlyph(*page, 60, 60, u" ", "DejaVu Sans", 10, 20);   // a drawn blank
    addWord(*page, 70, 60, u"\u00e9t\u00e9");     // accents kept as they are
    addGlyph(*page, 100, 60, u"\x01\x7f", "DejaVu Sans", 10, 20);  // control characters dropped
    addGlyph(*page, 300, 150, u"R", "DejaVu Sans", 10, 20, 0, false, false, 900);  // rotated text counts
    addGlyph(*page, 300, 140, u"o", "DejaVu Sans", 10, 20, 0, false, false, 900);
    EXPECT_EQ(pageSearchText(*page), "Hello worldwide nextt \u00e9t\u00e9 Ro");
}

TEST(SearchText, CjkStaysWholeAndEmptyPagesGiveNothing) {
    PageObjectPtr page = emptyPage(400, 200);
    addWord(*page, 10, 30, u"\u6771\u4eac\u30bf\u30ef\u30fc", 20, 20);
    EXPECT_EQ(pageSearchText(*page), "\u6771\u4eac\u30bf\u30ef\u30fc");
    EXPECT_EQ(pageSearchText(*emptyPage()), "");
}

TEST(SearchText, HostileTextStaysInsideTheScriptString) {
    const std::string hostile = "a\"b'c\\d</script><script>alert(1)</script><!--&\n\r\t\u2028\u2029\x7f end";
    const std::string literal = scriptString(hostile);
    for (const char* bad : {"<", ">", "\n", "\r", "\u2028", "\u2029", "'", "&"}) {
        EXPECT_EQ(literal.find(bad), std::string::npos) << "raw " << bad;
    }
    EXPECT_EQ(unquote(literal), utf8ToUtf16(hostile));
    // Malformed UTF-8 from a damaged font mapping is replaced, never passed on.
    EXPECT_EQ(unquote(scriptString("x\xff\xc3")), u"x\ufffd\ufffd");
    EXPECT_EQ(scriptString(""), "\"\"");
}

TEST(SearchText, PageFileNamesAndTheirIndexFiles) {
    EXPECT_EQ(sitePageNumber("/out/site/pg_0001.htm"), 1);
    EXPECT_EQ(sitePageNumber("pg_12345.htm"), 12345);
    EXPECT_EQ(sitePageNumber("pg_001.htm"), 0);
    EXPECT_EQ(sitePageNumber("pg_00a1.htm"), 0);
    EXPECT_EQ(sitePageNumber("pg_0001.html"), 0);
    EXPECT_EQ(sitePageNumber("page_0001.htm"), 0);
    EXPECT_EQ(sitePageNumber("pg_99999999999.htm"), 0);
    EXPECT_EQ(sitePageNumber("/pg_0001.htm/report.htm"), 0);
    EXPECT_EQ(searchIndexPath("s/", 1), "s/pg_text_0001.js");
    EXPECT_EQ(searchIndexPath("s/", kSearchPagesPerFile), "s/pg_text_0001.js");
    EXPECT_EQ(searchIndexPath("s/", kSearchPagesPerFile + 1), "s/pg_text_0002.js");
}

class SearchIndexFiles : public test::SettingsSandbox {};

TEST_F(SearchIndexFiles, FirstPageOfAFileStartsItAndTheOthersAppend) {
    const std::string folder = out_.path() + "/";
    test::writeFileText(folder + "pg_text_0001.js", "qmText(1,\"from an older conversion\");\n");
    ASSERT_TRUE(appendSearchEntry(folder, 1, "one"));
    ASSERT_TRUE(appendSearchEntry(folder, 2, "two"));
    ASSERT_TRUE(appendSearchEntry(folder, kSearchPagesPerFile + 1, "<b>"));
    EXPECT_EQ(readFileText(folder + "pg_text_0001.js"), "qmText(1,\"one\");\nqmText(2,\"two\");\n");
    EXPECT_EQ(readFileText(folder + "pg_text_0002.js"), "qmText(65,\"\\u003cb\\u003e\");\n");
    EXPECT_FALSE(appendSearchEntry(folder + "missing/", 1, "x"));
    EXPECT_FALSE(appendSearchEntry(folder, 0, "x"));
}

TEST_F(SearchIndexFiles, ConversionAddsSitePagesOnly) {
    PageObjectPtr page = emptyPage(300, 200);
    addWord(*page, 20, 60, u"Findme");
    HtmlWriterState state;
    state.startFile();
    ASSERT_TRUE(convertPageToHtml(*page, nullptr, out_ / "pg_0001.htm", state));
    EXPECT_EQ(readFileText(out_ / "pg_text_0001.js"), "qmText(1,\"Findme\");\n");
    EXPECT_TRUE(isRegularFile(out_ / "pg_0001_t.jpg"));

    // A page file of another name (a caller of the library) is a page, not a site.
    test::TempFolder other;
    PageObjectPtr again = emptyPage(300, 200);
    ASSERT_TRUE(convertPageToHtml(*again, nullptr, other / "report.htm", state));
    EXPECT_FALSE(isRegularFile(other / "pg_text_0001.js"));
    EXPECT_FALSE(isRegularFile(other / "report_t.jpg"));

    // One continuous page has no site around it.
    test::TempFolder continuous;
    state.setContinuousMode(true);
    ASSERT_TRUE(convertPageToHtml(*again, nullptr, continuous / "pg_0001.htm", state));
    EXPECT_FALSE(isRegularFile(continuous / "pg_text_0001.js"));
    EXPECT_FALSE(isRegularFile(continuous / "pg_0001_t.jpg"));
}

TEST_F(SearchIndexFiles, AnIndexThatCannotBeWrittenFailsThePage) {
    PageObjectPtr page = emptyPage(300, 200);
    addWord(*page, 20, 60, u"x");
    // A folder in the index file's place: the page is written, the index is not.
    ASSERT_EQ(::mkdir((out_ / "pg_text_0001.js").c_str(), 0700), 0);
    HtmlWriterState state;
    state.startFile();
    EXPECT_FALSE(convertPageToHtml(*page, nullptr, out_ / "pg_0001.htm", state));
    EXPECT_NE(state.lastError().find("search index"), std::string::npos);
}

// Mean brightness (0..255) of a decoded picture's rectangle.
int brightness(const test::JpegImage& image, int left, int top, int right, int bottom) {
    long sum = 0, n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x, ++n)
            for (int c = 0; c < 3; ++c) sum += image.samples[(static_cast<size_t>(y) * image.width + x) * 3 + c];
    return n ? static_cast<int>(sum / (3 * n)) : 255;
}

TEST_F(SearchIndexFiles, ThumbnailShowsTheTextTheBackgroundLeavesOut) {
    // An 800 x 1000 page: a blue box at the top, a line of big black letters below it.
    PageObjectPtr page = emptyPage(800, 1000);
    QmPoint box[] = {{100, 100}, {700, 100}, {700, 300}, {100, 300}};
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(box, 4, QM_FILL_WINDING, 0xFF0000));
    for (int x = 100; x < 700; x += 60) addGlyph(*page, x, 600, u"M", "DejaVu Sans", 60, 120, 0x000000);
    HtmlWriterState state;
    state.startFile();
    ASSERT_TRUE(convertPageToHtml(*page, nullptr, out_ / "pg_0003.htm", state));

    test::JpegImage background = test::decodeJpeg(readFileText(out_ / "pg_0003.jpg"));
    test::JpegImage thumb = test::decodeJpeg(readFileText(out_ / "pg_0003_t.jpg"));
    ASSERT_TRUE(background.ok);
    ASSERT_TRUE(thumb.ok);
    EXPECT_EQ(thumb.width, kThumbnailWidth);
    EXPECT_EQ(thumb.height, 250);  // the page's proportions
    EXPECT_GT(brightness(background, 100, 520, 700, 600), 245) << "the background has no text";
    EXPECT_LT(brightness(thumb, 25, 130, 175, 150), 200) << "the thumbnail shows the letters";
    EXPECT_GT(brightness(thumb, 25, 170, 175, 240), 245) << "and white paper below them";
    const int boxBlue = thumb.samples[(static_cast<size_t>(50) * thumb.width + 100) * 3 + 2];
    EXPECT_GT(boxBlue, 200);
}

TEST(Thumbnail, ShrinksByAveragingWithinTheLimits) {
    // Columns alternating black and white average to mid grey, not to one of them.
    Bitmap stripes(400, 100);
    ASSERT_TRUE(stripes.isOk());
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 400; ++x) stripes.setPixel(x, y, x % 2 ? kWhite : makeColorRef(0, 0, 0));
    std::unique_ptr<Bitmap> small = shrinkToThumbnail(stripes);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width(), kThumbnailWidth);
    EXPECT_EQ(small->height(), 50);
    for (int x : {0, 77, 199}) EXPECT_NEAR(redOf(small->pixel(x, 20)), 128, 1);

    // A tall page is held by the height limit; a small one is not enlarged.
    Bitmap tall(300, 3000);
    std::unique_ptr<Bitmap> narrow = shrinkToThumbnail(tall);
    ASSERT_TRUE(narrow);
    EXPECT_EQ(narrow->height(), kThumbnailHeight);
    EXPECT_EQ(narrow->width(), 40);
    Bitmap tiny(3, 1);
    std::unique_ptr<Bitmap> same = shrinkToThumbnail(tiny);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->width(), 3);
    EXPECT_EQ(same->height(), 1);
    Bitmap none(0, 0);
    EXPECT_FALSE(shrinkToThumbnail(none));
    EXPECT_EQ(thumbnailPath("/a/pg_0007.htm"), "/a/pg_0007_t.jpg");
}

}  // namespace
}  // namespace qm
