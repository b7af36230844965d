// Images drawn through soft masks, stencil masks and JPEG 2000 alpha: the page shows through
// where the mask says so, in the page bitmap and as an opacity plane in recorded pages; masks
// that cannot be used leave the image drawn whole.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/report_error.h"
#include "document/pdf_document.h"
#include "platform/canvas/bitmap.h"
#include "render_test_support.h"

namespace qm::test {
namespace {

RenderSettings settings;

using namespace std::string_literals;

const ColorRef kRed = makeColorRef(255, 0, 0), kBlue = makeColorRef(0, 0, 255);

std::string streamObject(const std::string& entries, const std::string& data) {
    return "<< /Length " + std::to_string(data.size()) + " " + entries + " >>\nstream\n" + data + "\nendstream";
}

// A blue image of `width` x 1 pixels (object 5) with `imageEntries`, and `maskObject` as
// object 6, over a red 200 x 100 page; drawn at 72 dpi.
std::unique_ptr<ConversionRenderer> blueOverRed(const std::string& imageEntries, const std::string& maskObject,
                                                int width = 4, const std::string& colour = "\x00\x00\xFF"s) {
    std::string samples;
    for (int i = 0; i < width; ++i) samples += colour;
    std::vector<std::string> more = {
        streamObject("/Type /XObject /Subtype /Image /Width " + std::to_string(width) +
                         " /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 " + imageEntries,
                     samples)};
    if (!maskObject.empty()) more.push_back(maskObject);
    auto doc = onePage("1 0 0 rg 0 0 200 100 re f q 200 0 0 100 0 0 cm /Im Do Q", "/XObject << /Im 5 0 R >>", more);
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    return r;
}

std::string grayMask(int width, int height, const std::string& samples, const std::string& extra = "") {
    return streamObject("/Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                            std::to_string(height) + " /ColorSpace /DeviceGray /BitsPerComponent 8 " + extra,
                        samples);
}

TEST(ImageMasks, SoftMaskGrayIsOpacityAtAnySize) {
    // Opacity 0, 128, 255, 255 along the image.
    auto r = blueOverRed("/SMask 6 0 R", grayMask(4, 1, "\x00\x80\xFF\xFF"s));
    ASSERT_NE(r->bitmap(), nullptr);
    EXPECT_EQ(r->bitmap()->pixel(25, 50), kRed);
    EXPECT_EQ(r->bitmap()->pixel(75, 50), makeColorRef(127, 0, 128));
    EXPECT_EQ(r->bitmap()->pixel(125, 50), kBlue);
    EXPECT_EQ(r->bitmap()->pixel(175, 50), kBlue);
    // A 2 x 2 mask over the 4 x 1 image: only its top-left quarter is clear, at full detail.
    r = blueOverRed("/SMask 6 0 R", grayMask(2, 2, "\x00\xFF\xFF\xFF"s));
    EXPECT_EQ(r->bitmap()->pixel(50, 25), kRed);
    EXPECT_EQ(r->bitmap()->pixel(50, 75), kBlue);
    EXPECT_EQ(r->bitmap()->pixel(150, 25), kBlue);
    // A 1 x 1 mask covers the whole image; Decode [1 0] turns opacity round.
    r = blueOverRed("/SMask 6 0 R", grayMask(1, 1, "\xFF"s, "/Decode [1 0]"));
    EXPECT_EQ(r->bitmap()->pixel(100, 50), kRed);
    // 1-bit soft masks: bit 1 is opaque.
    r = blueOverRed("/SMask 6 0 R", streamObject("/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 1",
                                                 "\x40"s));
    EXPECT_EQ(r->bitmap()->pixel(50, 50), kRed);
    EXPECT_EQ(r->bitmap()->pixel(150, 50), kBlue);
}

TEST(ImageMasks, TurnedImagesTurnTheirMasksWithThem) {
    // Two blue pixels turned by 45 degrees; the mask clears the first.
    std::vector<std::string> more = {
        streamObject("/Subtype /Image /Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /SMask 6 0 R",
                     "\x00\x00\xFF\x00\x00\xFF"s),
        grayMask(2, 1, "\x00\xFF"s)};
    auto doc = onePage("1 0 0 rg 0 0 200 100 re f q 50 50 -50 50 100 0 cm /Im Do Q", "/XObject << /Im 5 0 R >>", more);
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(87, 62), kRed);
    EXPECT_EQ(r->bitmap()->pixel(112, 37), kBlue);
    EXPECT_EQ(r->bitmap()->pixel(5, 5), kRed);
}

TEST(ImageMasks, MatteIsTakenOutOfPremultipliedColours) {
    // Blue premultiplied against black at opacity 128 is stored as half blue.
    auto r = blueOverRed("/SMask 6 0 R", grayMask(1, 1, "\x80"s, "/Matte [0 0 0]"), 4, "\x00\x00\x80"s);
    EXPECT_EQ(r->bitmap()->pixel(100, 50), makeColorRef(127, 0, 128));
    // Without /Matte the stored colour is blended as it is.
    r = blueOverRed("/SMask 6 0 R", grayMask(1, 1, "\x80"s), 4, "\x00\x00\x80"s);
    EXPECT_EQ(r->bitmap()->pixel(100, 50), makeColorRef(127, 0, 64));
}

TEST(ImageMasks, StencilMaskStreamLetsThePageThroughWhereItsSamplesAreOne) {
    const std::string stencil = "/Type /XObject /Subtype /Image /Width 2 /Height 1 /ImageMask true";
    auto r = blueOverRed("/Mask 6 0 R", streamObject(stencil, "\x40"s));
    EXPECT_EQ(r->bitmap()->pixel(50, 50), kBlue);
    EXPECT_EQ(r->bitmap()->pixel(150, 50), kRed);
    r = blueOverRed("/Mask 6 0 R", streamObject(stencil + " /Decode [1 0]", "\x40"s));
    EXPECT_EQ(r->bitmap()->pixel(50, 50), kRed);
    EXPECT_EQ(r->bitmap()->pixel(150, 50), kBlue);
    // A soft mask wins over a stencil; /SMask /None leaves the stencil in force.
    r = blueOverRed("/SMask /None /Mask 6 0 R", streamObject(stencil, "\x40"s));
    EXPECT_EQ(r->bitmap()->pixel(150, 50), kRed);
}

TEST(ImageMasks, RecordedPagesCarryTheMaskAsAnOpacityPlane) {
    std::vector<std::string> more = {
        streamObject("/Subtype /Image /Width 4 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /SMask 6 0 R",
                     "\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF"s),
        grayMask(4, 1, "\x00\x7F\x80\xFF"s)};
    auto doc = onePage("q 200 0 0 100 0 0 cm /Im Do Q", "/XObject << /Im 5 0 R >>", more);
    PageObjectPtr page = recordOne(*doc, 72);
    const ImageItem* image = nullptr;
    for (int32_t i = 0; i < page->itemCount; ++i)
        if (page->items[i].kind == QM_ITEM_IMAGE) image = page->items[i].record.image;
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->header.bitCount, 32);
    ASSERT_EQ(image->header.width, 4);
    ASSERT_GE(image->bitsSize, 16u);
    // One opacity per pixel in the bitmap's row order, padded to 4.
    ASSERT_NE(image->extra1, nullptr);
    ASSERT_EQ(image->extra1Size, 4u * static_cast<uint32_t>(image->header.height));
    EXPECT_EQ(image->extra1[0], 0);
    EXPECT_EQ(image->extra1[1], 0x7F);
    EXPECT_EQ(image->extra1[2], 0x80);
    EXPECT_EQ(image->extra1[3], 0xFF);
    // Fully transparent pixels are white (what a plain transparent blit leaves out); the
    // others keep their colour.
    const uint8_t* px = image->bits;
    EXPECT_EQ(px[0] + px[1] + px[2], 3 * 255);
    EXPECT_EQ(px[4], 255);
    EXPECT_EQ(px[6], 0);
    EXPECT_EQ(px[8], 255);
    EXPECT_EQ(px[10], 0);
}

TEST(ImageMasks, UnusableMasksLeaveTheImageWholeAndSayWhy) {
    struct Case {
        const char* what;
        std::string imageEntries, mask, message;
    } cases[] = {
        {"not a stream", "/SMask 6 0 R", "42", "Soft mask is not a stream"},
        {"zero size", "/SMask 6 0 R", grayMask(0, 1, ""), "Bad soft mask"},
        {"huge", "/SMask 6 0 R", grayMask(100000, 100000, "\x00"s), "Bad soft mask"},
        {"not gray", "/SMask 6 0 R",
         streamObject("/Width 1 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8", "\x00\x00\x00"s),
         "Bad soft mask"},
        {"bad depth", "/SMask 6 0 R", streamObject("/Width 1 /Height 1 /BitsPerComponent 3", "\x00"s),
         "Bad soft mask"},
        {"broken filter", "/SMask 6 0 R", grayMask(4, 1, "not flate data", "/Filter /FlateDecode"),
         "Bad image mask data"},
        {"unknown filter", "/SMask 6 0 R", grayMask(4, 1, "\x00\x00\x00\x00"s, "/Filter /NoSuchDecode"),
         "Bad image mask data"},
        {"empty", "/SMask 6 0 R", grayMask(4, 1, ""), "Bad image mask data"},
        {"stencil of two bits", "/Mask 6 0 R",
         streamObject("/Width 2 /Height 1 /ImageMask true /BitsPerComponent 2", "\x40"s), "Bad image mask"},
        {"stencil huge", "/Mask 6 0 R", streamObject("/Width 70000 /Height 70000 /ImageMask true", "\x40"s),
         "Bad image mask"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ErrorCapture capture;
        auto r = blueOverRed(c.imageEntries, c.mask);
        ASSERT_NE(r->bitmap(), nullptr);
        for (int x : {25, 75, 125, 175}) EXPECT_EQ(r->bitmap()->pixel(x, 50), kBlue) << x;
        bool said = false;
        for (const std::string& m : capture.messages()) said = said || m.find(c.message) != std::string::npos;
        EXPECT_TRUE(said) << c.message;
    }
    // A mask shorter than its size says is read as far as it goes: the rest is opaque.
    ErrorCapture quiet;
    auto r = blueOverRed("/SMask 6 0 R", grayMask(4, 3, "\x00"s));
    EXPECT_EQ(r->bitmap()->pixel(10, 10), kRed);
    EXPECT_EQ(r->bitmap()->pixel(150, 90), kBlue);
}

TEST(ImageMasks, JpegTwoThousandAlphaLetsThePageThrough) {
    std::ifstream in(std::string(QM_TEST_DATA_DIR) + "/streams/jpx-rgba.jp2", std::ios::binary);
    const std::string jp2((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(jp2.empty());
    // The picture's middle is clear, its edges opaque.
    for (const char* entries : {"/SMaskInData 1", ""}) {
        SCOPED_TRACE(entries);
        auto doc = onePage("1 0 0 rg 0 0 200 100 re f q 183 0 0 86 0 0 cm /Im Do Q", "/XObject << /Im 5 0 R >>",
                           {streamObject("/Subtype /Image /Width 61 /Height 43 /Filter /JPXDecode " +
                                             std::string(entries),
                                         jp2)});
        std::unique_ptr<ConversionRenderer> r;
        drawOne(*doc, 72, r);
        EXPECT_EQ(r->bitmap()->pixel(91, 57), kRed);
        EXPECT_NE(r->bitmap()->pixel(3, 97), kRed);
        EXPECT_EQ(r->bitmap()->pixel(195, 50), kRed);  // beside the image
    }
}

TEST(ImageMasks, TracemonkeyFigureNoLongerPaintsBlackBoxes) {
    ErrorCapture quiet;
    PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/latex-tracemonkey-14p.pdf").c_str()),
                    nullptr, nullptr);
    ASSERT_TRUE(doc.isOk());
    ConversionRenderer r(doc);
    ASSERT_TRUE(r.drawPage(2, 100));
    ASSERT_NE(r.bitmap(), nullptr);
    // The state diagram's boxes are images whose soft masks clear their corners.
    int dark = 0, all = 0;
    for (int y = 250; y < 520; ++y)
        for (int x = 440; x < 780; ++x, ++all) {
            const ColorRef c = r.bitmap()->pixel(x, y);
            dark += redOf(c) + greenOf(c) + blueOf(c) < 120;
        }
    EXPECT_LT(dark * 20, all);
}

}  // namespace
}  // namespace qm::test
