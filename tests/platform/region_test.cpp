#include "platform/canvas/region.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "core/report_error.h"
#include "platform/canvas/canvas.h"
#include "canvas_test_support.h"

namespace qm {
namespace {

constexpr ColorRef kRed = makeColorRef(255, 0, 0);
const Point kStar[] = {{50, 0}, {79, 90}, {2, 35}, {97, 35}, {21, 90}};

TEST(Region, PolygonsCoverThePixelsWhoseCentresLieInside) {
    const Point square[] = {{2, 3}, {7, 3}, {7, 8}, {2, 8}};
    EXPECT_EQ(Region::polygon(square, 4, FillMode::alternate), Region::rectangle(2, 3, 7, 8));
    // A right triangle: row y covers the centres strictly left of the diagonal, x < y.
    const Point triangle[] = {{0, 0}, {10, 10}, {0, 10}};
    Region t = Region::polygon(triangle, 3, FillMode::winding);
    EXPECT_FALSE(t.contains(0, 0));
    EXPECT_TRUE(t.contains(0, 1));
    EXPECT_FALSE(t.contains(1, 1));
    EXPECT_TRUE(t.contains(4, 5));
    EXPECT_FALSE(t.contains(5, 5));
    EXPECT_EQ(t.bounds(), (Rect{0, 1, 9, 10}));
    // Degenerate input gives an empty region.
    EXPECT_TRUE(Region::polygon(square, 2, FillMode::winding).isEmpty());
    EXPECT_TRUE(Region::polygon(nullptr, 4, FillMode::winding).isEmpty());
    const Point flat[] = {{0, 5}, {9, 5}, {4, 5}};
    EXPECT_TRUE(Region::polygon(flat, 3, FillMode::winding).isEmpty());
}

// Axis-aligned rectangles skip the scan; they must cover exactly what the scan covers.
TEST(Region, RectanglePolygonsMatchTheGeneralScan) {
    auto scanned = [](std::vector<Point> p) {
        std::vector<std::vector<PointF>> one(1);
        for (const Point& q : p) one[0].push_back({double(q.x), double(q.y)});
        return Region::contours(one, FillMode::winding);
    };
    const std::vector<std::vector<Point>> shapes = {
        {{2, 3}, {7, 3}, {7, 8}, {2, 8}},                // clockwise on screen
        {{7, 8}, {7, 3}, {2, 3}, {2, 8}, {7, 8}},        // the other way round, closed
        {{-5, -4}, {-5, 6}, {3, 6}, {3, -4}},            // left side first
        {{4, 4}, {4, 4}, {9, 4}, {9, 4}},                // no area
        {{0, 0}, {9, 0}, {9, 9}, {0, 8}},                // not a rectangle
        {{0, 0}, {9, 0}, {9, 9}, {0, 9}, {1, 1}},        // five different points
        {{-2000000000, -7}, {2000000000, -7}, {2000000000, 5}, {-2000000000, 5}},
    };
    for (const auto& s : shapes) {
        for (FillMode mode : {FillMode::winding, FillMode::alternate}) {
            Region fast = Region::polygon(s.data(), s.size(), mode);
            EXPECT_EQ(fast, scanned(s)) << s.size() << " points from " << s[0].x << "," << s[0].y;
        }
    }
}

TEST(Region, AStarHasAHoleUnderAlternateFillButNotUnderWinding) {
    Bitmap alt(100, 100), wind(100, 100);
    Canvas(alt).fillPolygon(kStar, 5, FillMode::alternate, kRed);
    Canvas(wind).fillPolygon(kStar, 5, FillMode::winding, kRed);
    EXPECT_EQ(alt.pixel(50, 50), kWhite);  // the centre pentagon
    EXPECT_EQ(wind.pixel(50, 50), kRed);
    for (Bitmap* b : {&alt, &wind}) {
        EXPECT_EQ(b->pixel(50, 10), kRed);  // top arm
        EXPECT_EQ(b->pixel(10, 37), kRed);  // left arm
        EXPECT_EQ(b->pixel(50, 95), kWhite);
    }
    EXPECT_GT(test::countColor(wind, kRed), test::countColor(alt, kRed));

    // Nested squares: same direction is a hole only under alternate, opposite always.
    std::vector<std::vector<PointF>> same = {{{0, 0}, {30, 0}, {30, 30}, {0, 30}}, {{10, 10}, {20, 10}, {20, 20}, {10, 20}}};
    auto opposite = same;
    std::reverse(opposite[1].begin(), opposite[1].end());
    EXPECT_FALSE(Region::contours(same, FillMode::alternate).contains(15, 15));
    EXPECT_TRUE(Region::contours(same, FillMode::winding).contains(15, 15));
    EXPECT_FALSE(Region::contours(opposite, FillMode::winding).contains(15, 15));
    EXPECT_TRUE(Region::contours(opposite, FillMode::winding).contains(5, 15));
}

TEST(Region, ShapesMadeWithinBoundsAreTheShapesCutToThem) {
    // Scanning only inside a rectangle gives exactly the whole shape intersected with it,
    // whether the rectangle cuts through arms, holes, the middle or misses the shape.
    const Point tilted[] = {{-40, -30}, {130, 10}, {90, 160}, {-20, 120}};
    const Point square[] = {{-50, -50}, {150, -50}, {150, 150}, {-50, 150}};
    const Rect cuts[] = {{0, 0, 100, 100}, {30, 20, 70, 60}, {45, 40, 55, 60}, {-10, 80, 40, 200},
                         {200, 200, 300, 300}, {10, 10, 10, 50}};
    for (FillMode mode : {FillMode::alternate, FillMode::winding})
        for (const Rect& cut : cuts) {
            const Region window = Region::rectangle(cut.left, cut.top, cut.right, cut.bottom);
            for (auto [points, count] : {std::pair{kStar, size_t{5}}, std::pair{tilted, size_t{4}},
                                         std::pair{square, size_t{4}}}) {
                Region whole = Region::polygon(points, count, mode);
                whole.intersect(window);
                EXPECT_EQ(Region::polygon(points, count, mode, &cut).rectangles(), whole.rectangles())
                    << int(mode) << " " << count << " " << cut.left << "," << cut.top << " " << cut.right << "," << cut.bottom;
            }
        }
    // Huge shapes cost only their rows inside the bounds.
    const Point huge[] = {{-2000000000, -2000000000}, {2000000000, -1000}, {2000000000, 5}, {-2000000000, 5}};
    const Rect page{0, 0, 10, 10};
    EXPECT_EQ(Region::polygon(huge, 4, FillMode::winding, &page).bounds(), (Rect{0, 0, 10, 5}));
}

TEST(Region, AndOrCopyAndTranslate) {
    Region a = Region::rectangle(0, 0, 10, 10);
    const Region b = Region::rectangle(5, 5, 15, 15);
    Region both = a;  // copies are independent
    both.intersect(b);
    EXPECT_EQ(both, Region::rectangle(5, 5, 10, 10));
    a.unite(b);
    EXPECT_EQ(a.bounds(), (Rect{0, 0, 15, 15}));
    EXPECT_TRUE(a.contains(2, 2));
    EXPECT_TRUE(a.contains(12, 12));
    EXPECT_FALSE(a.contains(12, 2));
    EXPECT_EQ(a.rectangles(), (std::vector<Rect>{{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}));
    EXPECT_EQ(both, Region::rectangle(5, 5, 10, 10));
    both.translate(-5, 1);
    EXPECT_EQ(both, Region::rectangle(0, 6, 5, 11));
    both.intersect(Region::rectangle(100, 100, 101, 101));
    EXPECT_TRUE(both.isEmpty());
    EXPECT_EQ(both.bounds(), (Rect{}));
    EXPECT_TRUE(Region::rectangle(5, 5, 5, 9).isEmpty());

    Bitmap page(20, 20);
    Canvas(page).fillRegion(a, kRed);
    EXPECT_EQ(test::pixelsOfColor(page, kRed), a);
}

TEST(Region, RegionDataRoundTripsANonRectangularRegion) {
    const Region star = Region::polygon(kStar, 5, FillMode::alternate);
    const std::vector<uint8_t> data = star.toRegionData();
    const std::vector<Rect> rects = star.rectangles();
    ASSERT_GT(rects.size(), 20u);
    ASSERT_EQ(data.size(), 32 + 16 * rects.size());
    EXPECT_EQ(loadLe32(&data[0]), 32u);
    EXPECT_EQ(loadLe32(&data[4]), 1u);
    EXPECT_EQ(loadLe32(&data[8]), rects.size());
    EXPECT_EQ(loadLe32(&data[12]), 16 * rects.size());
    const Rect b = star.bounds();
    EXPECT_EQ(static_cast<int32_t>(loadLe32(&data[16])), b.left);
    EXPECT_EQ(static_cast<int32_t>(loadLe32(&data[28])), b.bottom);
    EXPECT_EQ(static_cast<int32_t>(loadLe32(&data[32 + 8])), rects[0].right);
    auto back = Region::fromRegionData(data.data(), data.size());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, star);

    // Negative coordinates and the empty region survive too.
    Region shifted = star;
    shifted.translate(-200, -70);
    auto d2 = shifted.toRegionData();
    EXPECT_EQ(*Region::fromRegionData(d2.data(), d2.size()), shifted);
    auto d3 = Region().toRegionData();
    EXPECT_EQ(d3.size(), 32u);
    EXPECT_TRUE(Region::fromRegionData(d3.data(), d3.size())->isEmpty());
}

TEST(Region, BadRegionDataIsRefusedWithAClearMessage) {
    std::vector<uint8_t> data = Region::rectangle(1, 2, 3, 4).toRegionData();
    ErrorCapture errors;
    EXPECT_FALSE(Region::fromRegionData(data.data(), 31).has_value());
    EXPECT_FALSE(Region::fromRegionData(nullptr, 64).has_value());
    auto wrongType = data;
    storeLe32(&wrongType[4], 2);
    EXPECT_FALSE(Region::fromRegionData(wrongType.data(), wrongType.size()).has_value());
    auto tooMany = data;
    storeLe32(&tooMany[8], 0x10000001);  // count * 16 would wrap in 32 bits
    EXPECT_FALSE(Region::fromRegionData(tooMany.data(), tooMany.size()).has_value());
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"Region data too short (31 bytes)", "Region data too short (0 bytes)",
                                        "Bad region data header (size 32, type 2)",
                                        "Region data holds fewer rectangles than its count (268435457)"}));
    // Inverted rectangles are empty and skipped; the others stay.
    auto inverted = Region::rectangle(0, 0, 4, 4).toRegionData();
    inverted.resize(32 + 32);
    storeLe32(&inverted[8], 2);
    const int32_t bad[4] = {9, 9, 5, 12};
    for (int i = 0; i < 4; ++i) storeLe32(&inverted[48 + 4 * i], static_cast<uint32_t>(bad[i]));
    EXPECT_EQ(*Region::fromRegionData(inverted.data(), inverted.size()), Region::rectangle(0, 0, 4, 4));
}

TEST(Region, HugeCoordinatesAreClampedNotTrusted) {
    const Point huge[] = {{-2000000000, -2000000000}, {2000000000, -2000000000}, {2000000000, 5}, {-2000000000, 5}};
    Region r = Region::polygon(huge, 4, FillMode::winding);
    EXPECT_EQ(r.bounds(), (Rect{-131072, -131072, 131072, 5}));
    Bitmap page(10, 10);
    Canvas(page).fillRegion(r, kRed);
    EXPECT_EQ(test::countColor(page, kRed), 50);
}

TEST(Region, NonFinitePointsAreLeftOut) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // The square's corners with bad points between them: the square is filled as if they
    // were not there.
    std::vector<std::vector<PointF>> contours{
        {{2, 3}, {nan, 5}, {7, 3}, {7, inf}, {7, 8}, {-inf, nan}, {2, 8}}};
    EXPECT_EQ(Region::contours(contours, FillMode::winding), Region::rectangle(2, 3, 7, 8));
    // Nothing finite enough for a shape gives nothing.
    std::vector<std::vector<PointF>> bad{{{nan, nan}, {1, 1}, {inf, 2}, {3, nan}}};
    EXPECT_TRUE(Region::contours(bad, FillMode::alternate).isEmpty());
}

}  // namespace
}  // namespace qm
