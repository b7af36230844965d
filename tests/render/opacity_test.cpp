// Constant opacity (ExtGState /ca and /CA): fills, strokes, text, images and image masks are
// laid over the page by it in the page bitmap and carry it in recorded pages; opaque marks
// keep their exact pixels and hostile values are clamped.
#include <gtest/gtest.h>

#include "platform/canvas/bitmap.h"
#include "support/colour_match.h"
#include "render_test_support.h"

namespace qm::test {
namespace {

RenderSettings settings;

using namespace std::string_literals;

const ColorRef kRed = makeColorRef(255, 0, 0);
const std::string kStates =
    "/ExtGState << /Half << /ca 0.5 /CA 0.5 >> /HalfStroke << /CA 0.5 >> /One << /ca 1 /CA 1 >> "
    "/Huge << /ca 1e300 /CA 7 >> /Negative << /ca -2 /CA -0.5 >> >> /Font << /F1 5 0 R >>";
const char* kHelvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";

// A red 200 x 100 page with `marks` drawn over it.
std::unique_ptr<PdfDocument> overRed(const std::string& marks) {
    return onePage("1 0 0 rg 0 0 200 100 re f " + marks, kStates, {kHelvetica});
}


const ColorRef kBlueOverRed = makeColorRef(127, 0, 128);  // blue at opacity 0.5 over red
const ColorRef kBlackOverRed = makeColorRef(127, 0, 0);

TEST(Opacity, HalfFillsStrokesImagesAndMasksShowThePageThrough) {
    // Top row of the page (y 0..50 in device pixels): a blue fill, a black stroke with only
    // the stroke at half, a black image, a blue image mask.
    auto doc = overRed(
        "q /Half gs 0 0 1 rg 10 60 30 30 re f Q "
        "q /HalfStroke gs 0 G 10 w 60 75 m 90 75 l S Q "
        "q /Half gs 30 0 0 30 110 60 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x00 EI Q "s
        "q /Half gs 0 0 1 rg 30 0 0 30 160 60 cm BI /W 1 /H 1 /IM true /D [1 0] ID \xFF EI Q");
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    ASSERT_NE(r->bitmap(), nullptr);
    const Bitmap& b = *r->bitmap();
    EXPECT_TRUE(nearColour(b.pixel(25, 25), kBlueOverRed));
    EXPECT_TRUE(nearColour(b.pixel(75, 25), kBlackOverRed));
    EXPECT_TRUE(nearColour(b.pixel(125, 25), kBlackOverRed));
    EXPECT_TRUE(nearColour(b.pixel(175, 25), kBlueOverRed));
    EXPECT_EQ(b.pixel(100, 80), kRed);
    // Two half fills over each other let less of the page through.
    doc = overRed("/Half gs 0 0 1 rg 0 0 100 100 re f 0 0 100 100 re f");
    drawOne(*doc, 72, r);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(50, 50), makeColorRef(63, 0, 191)));
}

TEST(Opacity, HalfTextIsLaidOverThePage) {
    // Filled text at half: no pixel darker than half black over red, and some that dark.
    // Stroked text (render mode 1) takes the stroke opacity.
    for (const std::string& text : {"/Half gs 0 g BT /F1 60 Tf 10 20 Td (HH) Tj ET"s,
                                    "/HalfStroke gs 0 G 3 w BT 1 Tr /F1 60 Tf 10 20 Td (HH) Tj ET"s}) {
        SCOPED_TRACE(text);
        auto doc = overRed(text);
        std::unique_ptr<ConversionRenderer> r;
        drawOne(*doc, 72, r);
        unsigned darkest = 255;
        for (int y = 20; y < 80; ++y)
            for (int x = 10; x < 100; ++x) {
                const ColorRef c = r->bitmap()->pixel(x, y);
                if (greenOf(c) == 0 && blueOf(c) == 0) darkest = std::min(darkest, redOf(c));
            }
        EXPECT_GE(darkest, 125u);
        EXPECT_LE(darkest, 130u);
    }
}

TEST(Opacity, OpaqueAndOutOfRangeValuesKeepTodaysPixels) {
    const std::string marks =
        "0 0 1 rg 10 10 30 30 re f 0 G 4 w 50 20 m 90 80 l 120 20 l S "
        "q 30 0 0 30 130 10 cm BI /W 2 /H 1 /CS /RGB /BPC 8 ID \x00\x00\xFF\x00\xFF\x00 EI Q "s
        "0 g BT /F1 30 Tf 10 60 Td (Hi) Tj ET";
    std::unique_ptr<ConversionRenderer> plain, one, huge, gone;
    auto doc = overRed(marks);
    drawOne(*doc, 72, plain);
    auto docOne = overRed("/One gs " + marks);
    drawOne(*docOne, 72, one);
    auto docHuge = overRed("/Huge gs " + marks);
    drawOne(*docHuge, 72, huge);
    auto docGone = overRed("/Negative gs " + marks);
    drawOne(*docGone, 72, gone);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            ASSERT_EQ(one->bitmap()->pixel(x, y), plain->bitmap()->pixel(x, y)) << x << "," << y;
            ASSERT_EQ(huge->bitmap()->pixel(x, y), plain->bitmap()->pixel(x, y)) << x << "," << y;
            ASSERT_EQ(gone->bitmap()->pixel(x, y), kRed) << x << "," << y;  // below 0: nothing drawn
        }
    // Records of opaque marks carry no opacity.
    PageObjectPtr page = recordOne(*docOne, 72);
    for (int32_t i = 0; i < page->itemCount; ++i) {
        const PageItem& item = page->items[i];
        switch (item.kind) {
        case QM_ITEM_POLYGON: EXPECT_EQ(item.record.polygon->reserved1, 0); break;
        case QM_ITEM_LINE: EXPECT_EQ(item.record.line->colour >> 24, 0u); break;
        case QM_ITEM_TEXT: EXPECT_EQ(item.record.text->colour >> 24, 0u); break;
        case QM_ITEM_IMAGE: EXPECT_EQ(item.record.image->extra1, nullptr); break;
        default: break;
        }
    }
}

TEST(Opacity, HalfMarksCoverEachPixelOnceAtJoinsAndEdges) {
    // A bent stroke: the corner is no darker than the middle of a leg. A filled square: its
    // edge is no darker than its inside (the outline that keeps hairlines is left out).
    auto doc = overRed("/Half gs 0 G 6 w 20 20 m 100 20 l 100 80 l S 0 0 1 rg 120 20 40 40 re f");
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    const Bitmap& b = *r->bitmap();
    EXPECT_TRUE(nearColour(b.pixel(60, 80), kBlackOverRed));
    EXPECT_TRUE(nearColour(b.pixel(99, 79), kBlackOverRed));  // where the legs overlap
    EXPECT_TRUE(nearColour(b.pixel(100, 50), kBlackOverRed));
    for (int x = 120; x < 160; ++x) {
        ASSERT_TRUE(nearColour(b.pixel(x, 79), kBlueOverRed)) << x;  // bottom row of the square
        ASSERT_TRUE(nearColour(b.pixel(x, 41), kBlueOverRed)) << x;  // top row
    }
    EXPECT_TRUE(nearColour(b.pixel(159, 60), kBlueOverRed));
    // A shape too thin to cover a pixel is still outlined.
    doc = overRed("/Half gs 0 0 1 rg 10 50 100 0.2 re f");
    drawOne(*doc, 72, r);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(50, 50), kBlueOverRed));
}

TEST(Opacity, HalfAxialShadingHasNoSeamsBetweenItsBands) {
    // Black to yellow across a red page at half: along a row every step is no darker than the
    // one before it (a band's edge covered twice would show as a darker line).
    auto doc = onePage("1 0 0 rg 0 0 200 100 re f /Half gs /Sh sh",
                       "/ExtGState << /Half << /ca 0.5 >> >> /Shading << /Sh 5 0 R >>",
                       {"<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 200 0] /Function << /FunctionType 2 "
                        "/Domain [0 1] /C0 [0 0 0] /C1 [1 1 0] /N 1 >> >>"});
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(0, 50), kBlackOverRed, 3));
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(199, 50), makeColorRef(255, 127, 0), 3));
    for (int x = 1; x < 200; ++x) {
        const ColorRef a = r->bitmap()->pixel(x - 1, 50), b = r->bitmap()->pixel(x, 50);
        ASSERT_GE(redOf(b), redOf(a)) << x;
        ASSERT_GE(greenOf(b), greenOf(a)) << x;
    }
}

TEST(Opacity, RecordsCarryTheOpacityOfEachMark) {
    auto doc = overRed(
        "/Half gs 0 0 1 rg 10 10 30 30 re f 0 G 10 w 60 25 m 90 25 l S BT /F1 20 Tf 10 60 Td (A) Tj ET "
        "q 30 0 0 30 110 60 cm BI /W 3 /H 2 /CS /G /BPC 8 ID \x00\x40\x80\xC0\xFF\x10 EI Q"s);
    PageObjectPtr page = recordOne(*doc, 72);
    int polygons = 0, lines = 0, texts = 0, images = 0;
    for (int32_t i = 0; i < page->itemCount; ++i) {
        const PageItem& item = page->items[i];
        if (item.kind == QM_ITEM_POLYGON && item.record.polygon->colour == 0xFF0000u) {
            ++polygons;
            EXPECT_EQ(item.record.polygon->reserved1, 127);
        } else if (item.kind == QM_ITEM_LINE && (item.record.line->colour & 0xFFFFFF) == 0) {
            ++lines;
            EXPECT_EQ(item.record.line->colour, 0x7F000000u);
        } else if (item.kind == QM_ITEM_TEXT) {
            ++texts;
            EXPECT_EQ(item.record.text->colour, 0x7FFF0000u);
        } else if (item.kind == QM_ITEM_IMAGE) {
            ++images;
            const ImageItem& image = *item.record.image;
            ASSERT_NE(image.extra1, nullptr);
            const size_t stride = (static_cast<size_t>(image.header.width) + 3) / 4 * 4;
            ASSERT_EQ(image.extra1Size, stride * static_cast<size_t>(image.header.height));
            for (uint32_t k = 0; k < image.extra1Size; ++k) {
                if (k % stride < static_cast<size_t>(image.header.width)) {
                    ASSERT_EQ(image.extra1[k], 128) << k;
                }
            }
        }
    }
    EXPECT_EQ(polygons, 1);
    EXPECT_EQ(lines, 1);
    EXPECT_EQ(texts, 1);
    EXPECT_EQ(images, 1);
}

}  // namespace
}  // namespace qm::test
