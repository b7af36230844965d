// Shadings as they reach the page bitmap: the function-shading checkerboard of the corpus,
// radial shadings that must leave no pixel unpainted, and shading pieces recorded without the
// outline that plain fills get.
#include <gtest/gtest.h>

#include <string>

#include "core/report_error.h"
#include "render_test_support.h"

namespace qm::test {
namespace {

// Pixels of the box (device pixels, right and bottom exclusive) that are still white.
int whitePixels(const Bitmap& bitmap, int left, int top, int right, int bottom) {
    int white = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) white += bitmap.pixel(x, y) == kWhite;
    return white;
}

TEST(ShadingRender, CorpusCheckerboardTileIsBlackAndWhite) {
    ErrorCapture quiet;
    PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/shading-function.pdf").c_str()), nullptr,
                    nullptr);
    ASSERT_TRUE(doc.isOk());
    ConversionRenderer renderer(doc);
    ASSERT_TRUE(renderer.drawPage(1, 36));  // half a pixel per point keeps it cheap
    const Bitmap& page = *renderer.bitmap();
    // The tile spans points 30..200 across and 182..352 up: a 4 x 4 board of 42.5-point
    // cells, black where the cell's column and row add up to an even number.
    int black = 0, white = 0;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const int x = static_cast<int>((30 + 42.5 * column + 21) / 2);
            const int y = static_cast<int>((792 - (182 + 42.5 * row + 21)) / 2);
            const ColorRef expected = (row + column) % 2 == 0 ? kBlack : kWhite;
            EXPECT_EQ(page.pixel(x, y), expected) << "cell " << column << "," << row;
            black += page.pixel(x, y) == kBlack;
            white += page.pixel(x, y) == kWhite;
        }
    }
    EXPECT_EQ(black, 8);
    EXPECT_EQ(white, 8);
}

std::string radial(const std::string& coords, const std::string& extend) {
    return "/Shading << /S << /ShadingType 3 /ColorSpace /DeviceRGB /Coords [" + coords +
           "] /Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> /Extend [" + extend +
           "] >> >>";
}

// Nothing between the circles stays white, whatever way the circles move.
TEST(ShadingRender, RadialBandsLeaveNoPixelUnpainted) {
    struct Case {
        const char* coords;
        const char* extend;
        int left, top, right, bottom;  // a box every circle between the ends covers, at 72 dpi
    } cases[] = {
        {"100 100 5 100 100 90", "true false", 40, 40, 160, 160},   // nested, growing, filled to the centre
        {"60 100 10 140 100 40", "false false", 60, 95, 140, 105},  // moving and growing
        {"60 100 30 140 100 10", "true true", 10, 97, 150, 103},    // extended both ways
        {"40 120 5 170 80 60", "true false", 100, 85, 170, 110},    // off the axis
        {"190 100 0 100 100 60", "true true", 20, 90, 170, 110},    // from a point outside the end circle
    };
    for (const Case& c : cases) {
        auto doc = onePage("/S sh", radial(c.coords, c.extend), {}, "", 200, 200);
        for (int dpi : {72, 100, 150}) {
            std::unique_ptr<ConversionRenderer> r;
            drawOne(*doc, dpi, r);
            const double k = dpi / 72.0;
            EXPECT_EQ(whitePixels(*r->bitmap(), static_cast<int>(c.left * k), static_cast<int>(c.top * k),
                                  static_cast<int>(c.right * k), static_cast<int>(c.bottom * k)),
                      0)
                << c.coords << " at " << dpi << " dpi";
        }
    }
}

// Circles beyond the end circle cover all of it again: none of the earlier colours may show
// through between the extension's bands.
TEST(ShadingRender, RadialExtensionCoversTheEndCircleCompletely) {
    auto doc = onePage("/S sh", radial("190 100 0 100 100 60", "true true"), {}, "", 200, 200);
    for (int dpi : {72, 100, 150}) {
        std::unique_ptr<ConversionRenderer> r;
        drawOne(*doc, dpi, r);
        const double k = dpi / 72.0;
        int other = 0;
        for (int y = static_cast<int>(70 * k); y < static_cast<int>(130 * k); ++y)
            for (int x = static_cast<int>(70 * k); x < static_cast<int>(140 * k); ++x)
                other += r->bitmap()->pixel(x, y) != makeColorRef(0, 0, 255);
        EXPECT_EQ(other, 0) << dpi << " dpi";
    }
}

// A shading painted pixel by pixel costs the page what a path of that many points would: a
// page of many shadings over the whole page stops with a message once it has spent its share.
TEST(ShadingRender, ShadingPixelsCountAgainstThePage) {
    std::string content;
    for (int i = 0; i < 200; ++i) content += "/S sh\n";
    content += "0 1 0 rg 0 0 20 20 re f";
    auto doc = onePage(content, radial("100 50 5 100 50 45", "true true"));
    const long long pagePixels = 200 * 100;
    for (const bool limited : {true, false}) {
        ConversionRenderer r(*doc);
        if (limited) r.setPageLimits({1LL << 30, 10 * pagePixels, 1LL << 21});
        ErrorCapture capture;
        ASSERT_TRUE(r.drawPage(1, 72));
        EXPECT_EQ(r.bitmap()->pixel(100, 50), makeColorRef(255, 0, 0)) << limited;  // the first shading is there
        EXPECT_EQ(r.bitmap()->pixel(5, 95), limited ? makeColorRef(0, 0, 255) : makeColorRef(0, 255, 0)) << limited;
        EXPECT_EQ(capture.count("Page 1 has more path points than a page may draw; it is drawn as far as it got"),
                  limited ? 1 : 0);
    }
}

TEST(ShadingRender, ShadingPiecesAreRecordedWithoutOutlines) {
    const std::string function =
        "/Shading << /S << /ShadingType 1 /ColorSpace /DeviceGray /Matrix [100 0 0 100 0 0] /Function 5 0 R >> >>";
    const std::string program =
        "<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1] /Length 7 >>\nstream\n{ pop }\nendstream";
    for (const std::string& resources : {function, radial("100 50 5 100 50 45", "false false")}) {
        auto doc = onePage("/S sh", resources, {program});
        PageObjectPtr page = recordOne(*doc, 72);
        EXPECT_GT(countItems(*page, QM_ITEM_POLYGON), 16) << resources;
        EXPECT_EQ(countItems(*page, QM_ITEM_LINE), 0) << resources;
    }
    // A plain fill keeps its outline.
    auto doc = onePage("10 10 50 30 re f");
    EXPECT_EQ(countItems(*recordOne(*doc, 72), QM_ITEM_LINE), 4);
}

}  // namespace
}  // namespace qm::test
