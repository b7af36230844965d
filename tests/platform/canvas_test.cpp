#include "platform/canvas/canvas.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/report_error.h"
#include "canvas_test_support.h"

namespace qm {
namespace {

constexpr ColorRef kRed = makeColorRef(255, 0, 0);
constexpr ColorRef kBlue = makeColorRef(0, 0, 255);
constexpr ColorRef kGreen = makeColorRef(0, 255, 0);
constexpr ColorRef kNearWhite = makeColorRef(255, 255, 250);

TEST(Bitmap, StartsWhiteAndReadsOutBottomUpPaddedRows) {
    Bitmap page(612, 792);
    ASSERT_TRUE(page.isOk());
    EXPECT_EQ(test::countColor(page, kWhite), 612 * 792);
    page.setPixel(0, 0, makeColorRef(1, 2, 3));       // top-left
    page.setPixel(611, 791, makeColorRef(4, 5, 6));   // bottom-right
    const BitmapInfoHeader h = page.dibHeader();
    EXPECT_EQ(h.bitCount, 24);
    EXPECT_EQ(h.imageSize, 1836u * 792u);  // 612 * 3 is already a multiple of 4
    const std::vector<uint8_t> bits = page.dibBits();
    ASSERT_EQ(bits.size(), h.imageSize);
    EXPECT_EQ(bits[bits.size() - 1836], 3);  // last row of the read-out is the top row: blue first
    EXPECT_EQ(bits[bits.size() - 1836 + 2], 1);
    EXPECT_EQ(bits[611 * 3], 6);             // first row is the bottom one
    EXPECT_EQ(bits[611 * 3 + 2], 4);

    Bitmap odd(3, 2);  // 9 bytes of pixels, 3 of padding per row
    EXPECT_EQ(odd.dibBits().size(), 24u);
    EXPECT_EQ(odd.dibBits()[9], 0);
}

TEST(Bitmap, BadSizesAreReportedAndDrawingOnThemDoesNothing) {
    ErrorCapture errors;
    Bitmap empty(0, 792), negative(-5, 5), huge(32767, 32767);
    EXPECT_FALSE(empty.isOk());
    EXPECT_FALSE(negative.isOk());
    EXPECT_FALSE(huge.isOk());
    EXPECT_EQ(errors.messages().front(), "Bitmap size 0 x 792 is out of range");
    EXPECT_EQ(errors.messages().size(), 3u);
    Canvas canvas(empty);
    canvas.fillRegion(Region::rectangle(0, 0, 5, 5), kRed);
    canvas.drawLine(0, 0, 5, 5, Pen{});
    EXPECT_TRUE(empty.dibBits().empty());
    EXPECT_EQ(empty.pixel(0, 0), kWhite);
}

TEST(Canvas, SolidAndDashedLinesHaveFlatEndsAndTheirWidth) {
    Bitmap page(100, 40);
    Canvas canvas(page);
    canvas.drawLine(10, 10, 60, 10, Pen{5, false, kRed});
    // Rows 8..12 (width 5 centred on 10), columns 10..59.
    EXPECT_EQ(test::pixelsOfColor(page, kRed), Region::rectangle(10, 8, 60, 13));

    canvas.drawLine(10, 30, 60, 30, Pen{5, true, kBlue});
    // Dashes of 15 pixels and gaps of 5, the last dash cut at the end point.
    Region dashes = Region::rectangle(10, 28, 25, 33);
    dashes.unite(Region::rectangle(30, 28, 45, 33));
    dashes.unite(Region::rectangle(50, 28, 60, 33));
    EXPECT_EQ(test::pixelsOfColor(page, kBlue), dashes);

    // A vertical line drawn upwards, 1 pixel wide, covers what the same line drawn
    // downwards does; a zero-length line paints nothing.
    Bitmap small(10, 10);
    Canvas(small).drawLine(3, 8, 3, 2, Pen{0, false, kGreen});
    Canvas(small).drawLine(5, 5, 5, 5, Pen{3, false, kRed});
    EXPECT_EQ(test::pixelsOfColor(small, kGreen), Region::rectangle(3, 2, 4, 8));
    EXPECT_EQ(test::countColor(small, kRed), 0);
}

TEST(Canvas, PartlyTransparentShapesBlendAndAPolylineCoversEachPixelOnce) {
    Bitmap page(60, 40);
    page.fill(kRed);
    Canvas canvas(page);
    // A half blue square; a second one overlapping it lets a quarter of the red through.
    canvas.fillPolygon(std::vector<Point>{{0, 0}, {20, 0}, {20, 20}, {0, 20}}.data(), 4, FillMode::winding, kBlue, 128);
    canvas.fillRegion(Region::rectangle(10, 0, 30, 20), kBlue, 128);
    EXPECT_EQ(page.pixel(5, 5), makeColorRef(127, 0, 128));
    EXPECT_EQ(page.pixel(15, 5), makeColorRef(63, 0, 192));
    EXPECT_EQ(page.pixel(25, 5), makeColorRef(127, 0, 128));
    // An L of two 5-pixel lines: the corner where they overlap is blended once, as is every
    // other pixel; the same pen fully opaque covers exactly the pixels of both lines.
    const Point bend[] = {{35, 30}, {55, 30}, {55, 10}};
    canvas.drawPolyline(bend, 3, Pen{5, false, kBlue, 128});
    EXPECT_EQ(test::countColor(page, makeColorRef(63, 0, 192)), 10 * 20);  // only where the squares overlap
    EXPECT_EQ(page.pixel(54, 29), makeColorRef(127, 0, 128));
    EXPECT_EQ(page.pixel(45, 30), makeColorRef(127, 0, 128));
    Bitmap one(60, 40), two(60, 40);
    Canvas(one).drawPolyline(bend, 3, Pen{5, false, kBlue});
    Canvas(two).drawLine(35, 30, 55, 30, Pen{5, false, kBlue});
    Canvas(two).drawLine(55, 30, 55, 10, Pen{5, false, kBlue});
    EXPECT_EQ(test::pixelsOfColor(one, kBlue), test::pixelsOfColor(two, kBlue));
    // Opacity 0 paints nothing.
    canvas.fillRegion(Region::rectangle(0, 0, 60, 40), kGreen, 0);
    EXPECT_EQ(test::countColor(page, kGreen), 0);
}

TEST(Canvas, DiagonalLinesKeepTheirWidth) {
    Bitmap page(50, 50);
    Canvas(page).drawLine(5, 5, 45, 45, Pen{4, false, kRed});
    // Across the line each row is about 4 * sqrt(2) pixels wide.
    int row = 0;
    for (int x = 0; x < 50; ++x) row += page.pixel(x, 25) == kRed;
    EXPECT_GE(row, 5);
    EXPECT_LE(row, 6);
    EXPECT_EQ(page.pixel(25, 25), kRed);
    EXPECT_EQ(page.pixel(4, 4), kWhite);
}

TEST(Canvas, LinesPolygonsAndImagesStayInsideTheClip) {
    const Point triangle[] = {{0, 0}, {40, 0}, {0, 40}};
    const Region clip = Region::polygon(triangle, 3, FillMode::alternate);
    Bitmap page(40, 40);
    Canvas canvas(page);
    canvas.setClip(&clip);
    canvas.fillPolygon(std::vector<Point>{{0, 0}, {40, 0}, {40, 40}, {0, 40}}.data(), 4, FillMode::winding, kRed);
    EXPECT_EQ(test::pixelsOfColor(page, kRed), clip);

    page.fill(kWhite);
    canvas.drawLine(0, 30, 40, 30, Pen{3, false, kBlue});
    Region expected = Region::rectangle(0, 29, 40, 32);
    expected.intersect(clip);
    EXPECT_EQ(test::pixelsOfColor(page, kBlue), expected);

    page.fill(kWhite);
    const auto image = test::makeImage24(1, 1, {kGreen});
    canvas.stretchImage(image.view(), 10, 10, 30, 30);
    Region imageArea = Region::rectangle(10, 10, 40, 40);
    imageArea.intersect(clip);
    EXPECT_EQ(test::pixelsOfColor(page, kGreen), imageArea);

    canvas.setClip(nullptr);  // no clip: everything inside the bitmap
    canvas.drawTransparentImage(image.view(), -5, -5, 100, 100);
    EXPECT_EQ(test::countColor(page, kGreen), 40 * 40);
}

TEST(Canvas, StretchMapsEachDestinationPixelToTheNearestSourcePixel) {
    const auto image = test::makeImage24(2, 2, {kRed, kGreen, kBlue, kNearWhite});
    Bitmap page(8, 8);
    Canvas canvas(page);
    canvas.stretchImage(image.view(), 2, 2, 4, 4);
    EXPECT_EQ(test::pixelsOfColor(page, kRed), Region::rectangle(2, 2, 4, 4));
    EXPECT_EQ(test::pixelsOfColor(page, kGreen), Region::rectangle(4, 2, 6, 4));
    EXPECT_EQ(test::pixelsOfColor(page, kBlue), Region::rectangle(2, 4, 4, 6));
    EXPECT_EQ(test::pixelsOfColor(page, kNearWhite), Region::rectangle(4, 4, 6, 6));

    // Shrinking 3 columns to 2 keeps columns 0 and 1 of the source (centres 0.75 and 2.25
    // fall in source columns 0 and 2); negative sizes mirror.
    const auto row = test::makeImage24(3, 1, {kRed, kGreen, kBlue});
    page.fill(kWhite);
    canvas.stretchImage(row.view(), 0, 0, 2, 1);
    EXPECT_EQ(page.pixel(0, 0), kRed);
    EXPECT_EQ(page.pixel(1, 0), kBlue);
    canvas.stretchImage(row.view(), 3, 1, -3, 1);
    EXPECT_EQ(page.pixel(0, 1), kBlue);
    EXPECT_EQ(page.pixel(2, 1), kRed);
}

TEST(Canvas, TransparentBlitLeavesPureWhiteOutButKeepsNearWhite) {
    const auto image = test::makeImage24(3, 1, {kWhite, kNearWhite, kBlue});
    Bitmap page(6, 2);
    page.fill(kRed);
    Canvas canvas(page);
    canvas.drawTransparentImage(image.view(), 0, 0, 6, 2);
    EXPECT_EQ(test::pixelsOfColor(page, kRed), Region::rectangle(0, 0, 2, 2));
    EXPECT_EQ(test::pixelsOfColor(page, kNearWhite), Region::rectangle(2, 0, 4, 2));
    EXPECT_EQ(test::pixelsOfColor(page, kBlue), Region::rectangle(4, 0, 6, 2));
    // The plain stretch copies white too.
    canvas.stretchImage(image.view(), 0, 0, 6, 2);
    EXPECT_EQ(test::pixelsOfColor(page, kWhite), Region::rectangle(0, 0, 2, 2));
}

TEST(Canvas, OneBitAnd32BitSourcesUseTheirColourTableAndLayout) {
    // A 1-bit mask 10 pixels wide (2 bytes a row, padded to 4) with the table (white, fill).
    std::vector<uint8_t> header(40 + 8, 0);
    BitmapInfoHeader h;
    h.width = 10;
    h.height = -2;  // top-down
    h.bitCount = 1;
    h.writeTo(header.data());
    const uint8_t table[8] = {255, 255, 255, 0, 0, 0, 255, 0};  // white, then red (blue, green, red)
    std::copy(table, table + 8, header.begin() + 40);
    const std::vector<uint8_t> bits = {0x80, 0x40, 0, 0, 0x00, 0xC0, 0, 0};
    auto mask = DibView::make(header.data(), header.size(), bits.data(), bits.size());
    ASSERT_TRUE(mask.has_value());
    EXPECT_EQ(mask->pixel(0, 0), kRed);
    EXPECT_EQ(mask->pixel(9, 0), kRed);
    EXPECT_EQ(mask->pixel(8, 1), kRed);
    EXPECT_EQ(mask->pixel(1, 0), kWhite);
    Bitmap page(10, 2);
    page.fill(kBlue);
    Canvas(page).drawTransparentImage(*mask, 0, 0, 10, 2);
    EXPECT_EQ(test::countColor(page, kRed), 4);
    EXPECT_EQ(test::countColor(page, kBlue), 16);

    // 32 bits: blue, green, red, unused; bit fields are accepted at this depth.
    std::vector<uint8_t> header32(40);
    h = BitmapInfoHeader{};
    h.width = 1;
    h.height = 1;
    h.bitCount = 32;
    h.compression = 3;
    h.writeTo(header32.data());
    const uint8_t pixel[4] = {10, 20, 30, 0};
    auto deep = DibView::make(header32.data(), header32.size(), pixel, 4);
    ASSERT_TRUE(deep.has_value());
    EXPECT_EQ(deep->pixel(0, 0), makeColorRef(30, 20, 10));
}

TEST(Canvas, BadSourceImagesAreReportedAndNotRead) {
    ErrorCapture errors;
    const auto good = test::makeImage24(4, 4, std::vector<ColorRef>(16, kRed));
    EXPECT_FALSE(DibView::make(good.header.data(), good.header.size(), good.bits.data(), good.bits.size() - 1));
    EXPECT_FALSE(DibView::make(good.header.data(), 39, good.bits.data(), good.bits.size()));
    auto rle = good.header;
    storeLe32(&rle[16], 1);
    EXPECT_FALSE(DibView::make(rle.data(), rle.size(), good.bits.data(), good.bits.size()));
    auto noTable = good.header;
    storeLe16(&noTable[14], 8);  // 8 bits need a 1,024-byte table that is not there
    EXPECT_FALSE(DibView::make(noTable.data(), noTable.size(), good.bits.data(), good.bits.size()));
    auto wide = good.header;
    storeLe32(&wide[4], 0x7FFFFFFF);
    EXPECT_FALSE(DibView::make(wide.data(), wide.size(), good.bits.data(), good.bits.size()));
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"Bitmap data too short (47 bytes for 4 x 4)", "Bad bitmap header",
                                        "Unsupported bitmap (4 x 4, 24 bits, compression 1)",
                                        "Bitmap colour table is missing or too large",
                                        "Unsupported bitmap (2147483647 x 4, 24 bits, compression 0)"}));
}

}  // namespace
}  // namespace qm
