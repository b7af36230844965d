#include "convert/html_conversion.h"

#include "render/replay.h"
#include "convert_test_support.h"
#include "platform/canvas/bitmap.h"
#include "support/jpeg_reference.h"

namespace qm {
namespace {

using test::addGlyph;
using test::emptyPage;
using test::readFileText;

class HtmlConversionTest : public test::SettingsSandbox {
protected:
    void SetUp() override {
        SettingsSandbox::SetUp();
        state_.startFile();
    }
    std::string path(const std::string& name) const { return out_ / name; }
    test::JpegImage jpeg(const std::string& name) const { return test::decodeJpeg(readFileText(path(name))); }

    HtmlWriterState state_;
};

// Mean colour of a decoded JPEG's rectangle (RGB images).
std::array<int, 3> meanColour(const test::JpegImage& image, int left, int top, int right, int bottom) {
    long sum[3] = {0, 0, 0};
    long n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x, ++n)
            for (int c = 0; c < 3; ++c) sum[c] += image.samples[(static_cast<size_t>(y) * image.width + x) * 3 + c];
    return {int(sum[0] / n), int(sum[1] / n), int(sum[2] / n)};
}

bool near(std::array<int, 3> got, int r, int g, int b, int tolerance = 12) {
    return std::abs(got[0] - r) <= tolerance && std::abs(got[1] - g) <= tolerance && std::abs(got[2] - b) <= tolerance;
}

TEST_F(HtmlConversionTest, MissingPageOrPathDoesNothing) {
    PageObjectPtr page = emptyPage();
    EXPECT_EQ(PDF_ConvertToHtmlFile(nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(PDF_ConvertToHtmlFile(page.get(), nullptr, nullptr), -1);
    EXPECT_EQ(PDF_ConvertToHtmlFile(nullptr, nullptr, path("pg_0001.htm").c_str()), -1);
    EXPECT_EQ(PDF_ConvertToHtmlFile(page.get(), nullptr, ""), -1);
    EXPECT_FALSE(isRegularFile(path("pg_0001.htm")));
}

TEST_F(HtmlConversionTest, WritesTheJpegBesideThePageAndNoBmp) {
    ASSERT_TRUE(Settings::write(Setting::backgroundColour, 0x00FFFF));  // yellow
    PageObjectPtr page = emptyPage(120, 90);
    QmPoint box[] = {{10, 10}, {50, 10}, {50, 40}, {10, 40}};
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(box, 4, QM_FILL_WINDING, 0xFF0000));  // blue
    addGlyph(*page, 60, 60, u"M", "DejaVu Sans", 20, 40, 0x000000);  // upright: left to the HTML
    htmlWriterState().startFile();
    EXPECT_EQ(PDF_ConvertToHtmlFile(page.get(), nullptr, path("pg_0001.htm").c_str()), 1);

    EXPECT_TRUE(isRegularFile(path("pg_0001.htm")));
    EXPECT_FALSE(isRegularFile(path("pg_0001.bmp")));
    test::JpegImage image = jpeg("pg_0001.jpg");
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(image.width, 120);
    EXPECT_EQ(image.height, 90);
    EXPECT_EQ(image.components, 3);
    EXPECT_TRUE(near(meanColour(image, 15, 15, 45, 35), 0, 0, 255));
    EXPECT_TRUE(near(meanColour(image, 60, 25, 110, 85), 255, 255, 0));  // no text drawn
    EXPECT_NE(readFileText(path("pg_0001.htm")).find("src=\"pg_0001.jpg\""), std::string::npos);
    // Only the text item is left in the caller's page.
    EXPECT_EQ(page->itemCount, 1);
}

TEST_F(HtmlConversionTest, RotatedTextIsDrawnOnlyIntoTheJpeg) {
    PageObjectPtr page = emptyPage(100, 200);
    for (int i = 0; i < 4; ++i)  // "MMMM" reading upwards from (50, 180)
        addGlyph(*page, 50, 180 - 24 * i, u"M", "DejaVu Sans", 24, 32, 0x000000, false, false, 900);
    ASSERT_TRUE(convertPageToHtml(*page, nullptr, path("pg_0001.htm"), state_));
    test::JpegImage image = jpeg("pg_0001.jpg");
    ASSERT_TRUE(image.ok);
    // The glyphs lie left of x = 50 (their tops face left) between y = 84 and 180.
    auto ink = meanColour(image, 22, 90, 50, 178);
    EXPECT_LT(ink[0], 200);
    EXPECT_TRUE(near(meanColour(image, 60, 10, 100, 80), 255, 255, 255));
    EXPECT_EQ(readFileText(path("pg_0001.htm")).find("<nobr>"), std::string::npos);
}

TEST_F(HtmlConversionTest, QualityOutsideTheRangeGivesTheEncodersDefault) {
    auto convertWith = [&](int quality, const std::string& name) {
        Settings::setOverride(Setting::jpegQuality, quality);
        PageObjectPtr page = emptyPage(64, 64);
        for (int i = 0; i < 8; ++i) appendPageItem(*page, QM_ITEM_LINE, makeLineItem(0, i * 8, 64, 64 - i * 8, 3, 0x3399CC * (i + 1), 0));
        EXPECT_TRUE(convertPageToHtml(*page, nullptr, path(name + ".htm"), state_));
        return readFileText(path(name + ".jpg"));
    };
    const std::string q75 = convertWith(75, "q75");
    EXPECT_EQ(convertWith(0, "q0"), q75);
    EXPECT_EQ(convertWith(101, "q101"), q75);
    EXPECT_NE(convertWith(20, "q20"), q75);
    EXPECT_FALSE(q75.empty());
}

TEST_F(HtmlConversionTest, GrayscaleJpegsHaveOneComponent) {
    Settings::setOverride(Setting::grayscale, 1);
    PageObjectPtr page = emptyPage(40, 30);
    ASSERT_TRUE(convertPageToHtml(*page, nullptr, path("g.htm"), state_));
    test::JpegImage image = jpeg("g.jpg");
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(image.components, 1);
}

TEST_F(HtmlConversionTest, ContinuousModePlacesEachPageTenPixelsBelowTheLast) {
    Settings::setOverride(Setting::continuousMode, 1);
    state_.startFile();
    for (int n = 1; n <= 3; ++n) {
        PageObjectPtr page = emptyPage(100, 50 * n);
        addGlyph(*page, 5, 20, u"x");
        ASSERT_TRUE(convertPageToHtml(*page, nullptr, path("pg_000" + std::to_string(n) + ".htm"), state_));
        EXPECT_TRUE(isRegularFile(path("pg_000" + std::to_string(n) + ".jpg")));
    }
    EXPECT_EQ(state_.pageTopOffset(), 60 + 110 + 160);
    const std::string html = readFileText(path("index.htm"));
    EXPECT_NE(html.find("top:60;left:0\"><img width=\"100\" height=\"100\""), std::string::npos);
    EXPECT_NE(html.find("top:170;left:0\"><img width=\"100\" height=\"150\""), std::string::npos);

    Settings::clearOverride(Setting::continuousMode);
    state_.startFile();
    PageObjectPtr page = emptyPage(100, 50);
    ASSERT_TRUE(convertPageToHtml(*page, nullptr, path("p.htm"), state_));
    EXPECT_EQ(state_.pageTopOffset(), 0);
}

TEST_F(HtmlConversionTest, APageThatCannotBeDrawnOrWrittenFails) {
    // No bitmap fits the page: no page file pointing at a picture that is not there.
    PageObjectPtr empty = emptyPage(0, 0);
    empty->pageNumber = 7;
    htmlWriterState().startFile();
    EXPECT_EQ(PDF_ConvertToHtmlFile(empty.get(), nullptr, path("e.htm").c_str()), 0);
    EXPECT_EQ(lastConversionError(), "Page 7 is too large to draw at any resolution");
    EXPECT_FALSE(isRegularFile(path("e.htm")));
    EXPECT_FALSE(isRegularFile(path("e.jpg")));

    // A folder that is not there: the picture cannot be written, and the call says so.
    PageObjectPtr page = emptyPage(10, 10);
    const std::string bad = path("no/such/pg_0001.htm");
    EXPECT_EQ(PDF_ConvertToHtmlFile(page.get(), nullptr, bad.c_str()), 0);
    EXPECT_EQ(lastConversionError(), "Couldn't write '" + path("no/such/pg_0001.jpg") + "': No such file or directory");

    // A folder standing where the page file goes: the picture is written, the page is not.
    ASSERT_TRUE(makeDirectoryPath(path("pg_0002.htm")));
    PageObjectPtr second = emptyPage(10, 10);
    EXPECT_EQ(PDF_ConvertToHtmlFile(second.get(), nullptr, path("pg_0002.htm").c_str()), 0);
    EXPECT_EQ(lastConversionError(), "Couldn't write '" + path("pg_0002.htm") + "': Is a directory");
}

// Replay onto a bitmap, checked pixel by pixel.
TEST(ReplayDisplayList, WhiteImagePixelsLeaveWhatIsBelowVisible) {
    PageObjectPtr page = emptyPage(40, 20);
    QmPoint box[] = {{0, 0}, {40, 0}, {40, 20}, {0, 20}};
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(box, 4, QM_FILL_ALTERNATE, 0x00FF00));
    // A 2 x 1 image, 24 bits: white then black, stretched over the whole page.
    QmBitmapInfoHeader h{40, 2, 1, 1, 24, 0, 8, 0, 0, 0, 0};
    const uint8_t bits[8] = {255, 255, 255, 0, 0, 0, 0, 0};
    appendPageItem(*page, QM_ITEM_IMAGE, makeImageItem(h, nullptr, 0, 0, 0, 40, 20, bits, sizeof bits));
    Bitmap bitmap(40, 20);
    bitmap.fill(kWhite);
    Canvas canvas(bitmap);
    replayDisplayList(canvas, *page);
    EXPECT_EQ(bitmap.pixel(5, 10), 0x00FF00u);
    EXPECT_EQ(bitmap.pixel(35, 10), 0x000000u);
}

TEST(ReplayDisplayList, ClipItemsLimitLaterDrawingUntilRemoved) {
    PageObjectPtr page = emptyPage(30, 30);
    std::vector<uint8_t> clip = Region::rectangle(0, 0, 10, 30).toRegionData();
    appendPageItem(*page, QM_ITEM_CLIP, makeClipItem(clip.data(), static_cast<uint32_t>(clip.size())));
    QmPoint box[] = {{0, 0}, {30, 0}, {30, 10}, {0, 10}};
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(box, 4, QM_FILL_WINDING, 0x0000FF));
    const uint8_t junk[5] = {1, 2, 3, 4, 5};  // unreadable: the clip stays as it was
    appendPageItem(*page, QM_ITEM_CLIP, makeClipItem(junk, sizeof junk));
    appendPageItem(*page, QM_ITEM_LINE, makeLineItem(0, 15, 30, 15, 2, 0xFF0000, QM_PEN_SOLID));
    appendPageItem(*page, QM_ITEM_CLIP, makeClipItem(nullptr, 0));
    appendPageItem(*page, QM_ITEM_LINE, makeLineItem(0, 25, 30, 25, 2, 0x00FF00, QM_PEN_SOLID));
    Bitmap bitmap(30, 30);
    bitmap.fill(kWhite);
    Canvas canvas(bitmap);
    replayDisplayList(canvas, *page);
    EXPECT_EQ(bitmap.pixel(5, 5), 0x0000FFu);
    EXPECT_EQ(bitmap.pixel(20, 5), kWhite);
    EXPECT_EQ(bitmap.pixel(5, 15), 0xFF0000u);
    EXPECT_EQ(bitmap.pixel(20, 15), kWhite);
    EXPECT_EQ(bitmap.pixel(20, 25), 0x00FF00u);
}

}  // namespace
}  // namespace qm
