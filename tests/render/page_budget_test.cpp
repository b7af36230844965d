// What one page may cost: an image XObject drawn again is not read again (on the same page or
// a later one) yet looks exactly as if it had been, and a page past its limits is finished
// with what it drew, naming the page.
#include <gtest/gtest.h>

#include "core/report_error.h"
#include "document/pdf_document.h"
#include "platform/canvas/bitmap.h"
#include "render_test_support.h"
#include "streams/file_data.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

RenderSettings settings;

const ColorRef kBlue = makeColorRef(0, 0, 255);

// A 40 x 30 RGB image whose every pixel differs from its neighbours, so a wrong row or column
// picked anywhere shows.
std::string patternedImage() {
    std::string samples;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            samples += static_cast<char>(x * 6);
            samples += static_cast<char>(y * 8);
            samples += static_cast<char>((x * 7 + y * 13) & 0xFF);
        }
    return "<< /Type /XObject /Subtype /Image /Width 40 /Height 30 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
           "/Length " + std::to_string(samples.size()) + " >>\nstream\n" + samples + "\nendstream";
}

// A document of pages 400 x 300 points, one per content, sharing the image as /Im (object 3).
std::unique_ptr<PdfDocument> pagesDrawing(const std::vector<std::string>& contents) {
    PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (size_t i = 0; i < contents.size(); ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
    b.object("<< /Type /Pages /Count " + std::to_string(contents.size()) + " /Kids [" + kids + "] >>");
    b.object(patternedImage());
    for (size_t i = 0; i < contents.size(); ++i) {
        b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 300] /Contents " + std::to_string(5 + 2 * i) +
                 " 0 R /Resources << /XObject << /Im 3 0 R >> >> >>");
        b.stream("", contents[i]);
    }
    return std::make_unique<PdfDocument>(memoryFileData(b.finish("/Root 1 0 R")), PdfString("t.pdf"), nullptr,
                                         nullptr, 0);
}

TEST(PageBudget, ARepeatedImageIsReadOnceAndLooksAsIfReadEachTime) {
    // Each placement drawn alone by a fresh renderer is the reference for the same placement
    // drawn after others have filled the cache: smaller and larger than the source, mirrored,
    // turned a quarter, and turned by an odd angle.
    const std::string placements[] = {
        "30 0 0 20 10 10 cm",          // coarser than the source
        "200 0 0 150 100 100 cm",      // finer
        "-30 0 0 20 300 260 cm",       // mirrored, coarse
        "0 25 -35 0 390 10 cm",        // a quarter turn
        "26 15 -10 17 200 20 cm",      // an odd angle
    };
    std::string all;
    for (const std::string& p : placements) all += "q " + p + " /Im Do Q\n";
    auto doc = pagesDrawing({all + all, all});
    ConversionRenderer cached(*doc);
    ASSERT_TRUE(cached.drawPage(1, 72));
    // Coarser placements first, then a finer one: read twice, never more.
    EXPECT_LE(cached.budget().pixelsUsed(), 2 * 40 * 30);
    EXPECT_GE(cached.decodedImages().count(), 1u);
    for (const std::string& p : placements) {
        auto alone = pagesDrawing({"q " + p + " /Im Do Q"});
        ConversionRenderer fresh(*alone);
        ASSERT_TRUE(fresh.drawPage(1, 72));
        // The whole page: every drawn placement lies in it; only this one is drawn in `fresh`,
        // so compare where it lands.
        for (int y = 0; y < 300; y += 1)
            for (int x = 0; x < 400; x += 1) {
                const ColorRef want = fresh.bitmap()->pixel(x, y);
                if (want == kWhite) continue;
                ASSERT_EQ(cached.bitmap()->pixel(x, y), want) << p << " at " << x << "," << y;
            }
    }
    // The next page draws the same XObject without reading it.
    ASSERT_TRUE(cached.drawPage(2, 72));
    EXPECT_EQ(cached.budget().pixelsUsed(), 0);
}

TEST(PageBudget, APagePastALimitKeepsWhatItDrewAndSaysWhichPage) {
    auto doc = onePage("0 0 1 rg 0 0 50 50 re f\n"
                       "BT /F1 12 Tf 60 10 Td (abcdefghij) Tj ET\n"
                       "0 0 1 rg 150 0 50 50 re f\n",
                       "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >>");
    struct Case {
        const char* what;
        PageLimits limits;
        bool secondDrawn;
        const char* message;
    } cases[] = {
        {"characters", {1LL << 30, 1LL << 26, 5}, false,
         "Page 1 has more characters than a page may draw; it is drawn as far as it got"},
        {"path points", {1LL << 30, 6, 1LL << 21}, false,
         "Page 1 has more path points than a page may draw; it is drawn as far as it got"},
        {"nothing", {}, true, nullptr},
    };
    for (const Case& c : cases) {
        ConversionRenderer r(*doc);
        r.setPageLimits(c.limits);
        ErrorCapture capture;
        ASSERT_TRUE(r.drawPage(1, 72)) << c.what;
        EXPECT_EQ(r.bitmap()->pixel(25, 75), kBlue) << c.what;  // drawn before the limit
        EXPECT_EQ(r.bitmap()->pixel(175, 75), c.secondDrawn ? kBlue : kWhite) << c.what;
        EXPECT_EQ(r.budget().spent(), !c.secondDrawn) << c.what;
        if (c.message) {
            EXPECT_EQ(capture.count(c.message), 1) << c.what;
        }
        // The next page starts with a full budget, and its fonts are made before it starts.
        ASSERT_TRUE(r.drawPage(1, 72));
        EXPECT_EQ(r.budget().spent(), !c.secondDrawn) << c.what;
        EXPECT_EQ(r.bitmap()->pixel(25, 75), kBlue) << c.what;
    }
}

TEST(PageBudget, ImagePixelsCountOnlyWhenRead) {
    // The page may read the image once, not twice: the second draw of the same XObject is
    // free, a page drawing two different images of that size is cut after the first.
    auto doc = pagesDrawing({"q 40 0 0 30 0 0 cm /Im Do Q q 40 0 0 30 100 0 cm /Im Do Q 0 0 1 rg 200 0 50 50 re f"});
    ConversionRenderer r(*doc);
    r.setPageLimits({40 * 30, 1LL << 26, 1LL << 21});
    ErrorCapture capture;
    ASSERT_TRUE(r.drawPage(1, 72));
    EXPECT_FALSE(r.budget().spent());
    EXPECT_NE(r.bitmap()->pixel(110, 295), kWhite);
    EXPECT_EQ(r.bitmap()->pixel(225, 275), kBlue);
    ConversionRenderer tight(*doc);
    tight.setPageLimits({40 * 30 - 1, 1LL << 26, 1LL << 21});
    ASSERT_TRUE(tight.drawPage(1, 72));
    EXPECT_TRUE(tight.budget().spent());
    EXPECT_EQ(tight.bitmap()->pixel(10, 295), kWhite);
    EXPECT_EQ(tight.bitmap()->pixel(225, 275), kWhite);
    EXPECT_EQ(capture.count("Page 1 has more image pixels than a page may draw; it is drawn as far as it got"), 1);
}

// A 2100 x 2100 one-bit image (over four megapixels, from `samples`) as /Im of a page 600 x 400
// points drawing `content`.
std::unique_ptr<PdfDocument> largeImagePage(const std::string& samples, const std::string& content) {
    PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    b.object("<< /Type /Pages /Count 1 /Kids [4 0 R] >>");
    b.stream("/Type /XObject /Subtype /Image /Width 2100 /Height 2100 /ColorSpace /DeviceGray /BitsPerComponent 1",
             samples);
    b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 400] /Contents 5 0 R /Resources << /XObject << /Im 3 "
             "0 R >> >> >>");
    b.stream("", content);
    return std::make_unique<PdfDocument>(memoryFileData(b.finish("/Root 1 0 R")), PdfString("t.pdf"), nullptr,
                                         nullptr, 0);
}

constexpr int kLargeRowBytes = (2100 + 7) / 8;

TEST(PageBudget, ALargeImageDrawnAtGrowingSizesIsReadOnceTheRightWayRound) {
    // Black on its left half and white on its right; each draw is larger than the one before,
    // mirrored or turned, so none is served by a grid decoded only for the draw before it.
    std::string samples;
    for (int y = 0; y < 2100; ++y)
        for (int i = 0; i < kLargeRowBytes; ++i) samples += static_cast<char>(i < kLargeRowBytes / 2 ? 0x00 : 0xFF);
    struct Draw {
        const char* cm;
        int leftX, leftY, rightX, rightY;  // device pixels in the image's left and right quarters
    } draws[] = {
        {"100 0 0 80 10 310", 30, 50, 90, 50},
        {"160 0 0 120 120 270", 150, 70, 250, 70},
        {"-200 0 0 150 500 240", 480, 90, 320, 90},  // mirrored
        {"0 180 -140 0 590 10", 520, 370, 520, 230},  // a quarter turn: left at the bottom
    };
    std::string content;
    for (const Draw& d : draws) content += std::string("q ") + d.cm + " cm /Im Do Q\n";
    auto doc = largeImagePage(samples, content);
    ConversionRenderer r(*doc);
    ASSERT_TRUE(r.drawPage(1, 72));
    EXPECT_EQ(r.decodedImages().decodes(), 1);
    for (const Draw& d : draws) {
        EXPECT_EQ(r.bitmap()->pixel(d.leftX, d.leftY), makeColorRef(0, 0, 0)) << d.cm;
        const ColorRef right = r.bitmap()->pixel(d.rightX, d.rightY);
        EXPECT_TRUE(redOf(right) == 255 && greenOf(right) == 255) << d.cm;
    }
}

TEST(PageBudget, ALargeImageLooksOnItsFirstDrawAsIfReadForThatDrawAlone) {
    // Bits that change from row to row and column to column, so a wrong line picked shows.
    std::string samples, hex;
    for (int y = 0; y < 2100; ++y)
        for (int i = 0; i < kLargeRowBytes; ++i) samples += static_cast<char>((i * 37 + y * 101 + (i * y) % 251) & 0xFF);
    static const char digits[] = "0123456789ABCDEF";
    for (unsigned char c : samples) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    // An inline image is never kept, so it is read for its one draw: the reference.
    for (const std::string placement : {"130 0 0 110 20 20", "-130 0 0 110 300 20", "0 110 -130 0 500 20"}) {
        auto kept = largeImagePage(samples, "q " + placement + " cm /Im Do Q");
        auto alone = largeImagePage(samples, "q " + placement + " cm BI /W 2100 /H 2100 /CS /G /BPC 1 /F /AHx ID " +
                                                 hex + "> EI Q");
        ConversionRenderer a(*kept), b(*alone);
        ASSERT_TRUE(a.drawPage(1, 72));
        ASSERT_TRUE(b.drawPage(1, 72));
        int differ = 0, marked = 0;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 600; ++x) {
                differ += a.bitmap()->pixel(x, y) != b.bitmap()->pixel(x, y);
                marked += b.bitmap()->pixel(x, y) == kBlack;
            }
        EXPECT_GT(marked, 1000) << placement;
        EXPECT_EQ(differ, 0) << placement;
    }
}

}  // namespace
}  // namespace qm::test
