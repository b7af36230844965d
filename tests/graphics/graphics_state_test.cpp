#include "graphics/graphics_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace qm {
namespace {

const PageBox kBox{10, 20, 110, 220};

std::vector<double> matrixOf(const GraphicsState& s) { return {s.transform(), s.transform() + 6}; }

TEST(GraphicsState, RotationTableForEveryRotationAndOrientation) {
    struct Case {
        int rotate;
        bool upsideDown;
        std::vector<double> m;
        double width, height;
    } cases[] = {
        {0, false, {2, 0, 0, 2, -20, -40}, 200, 400},    {0, true, {2, 0, 0, -2, -20, 440}, 200, 400},
        {90, false, {0, -2, 2, 0, -40, 220}, 400, 200},  {90, true, {0, 2, 2, 0, -40, -20}, 400, 200},
        {180, false, {-2, 0, 0, -2, 220, 440}, 200, 400}, {180, true, {-2, 0, 0, 2, 220, -40}, 200, 400},
        {270, false, {0, 2, -2, 0, 440, -20}, 400, 200}, {270, true, {0, -2, -2, 0, 440, 220}, 400, 200},
        {45, false, {2, 0, 0, 2, -20, -40}, 200, 400},   {45, true, {2, 0, 0, -2, -20, 440}, 200, 400},
        {-90, true, {2, 0, 0, -2, -20, 440}, 200, 400},
    };
    for (const Case& c : cases) {
        GraphicsState s(144, kBox, c.rotate, c.upsideDown);
        EXPECT_EQ(matrixOf(s), c.m) << c.rotate << " " << c.upsideDown;
        EXPECT_EQ(s.pageWidth(), c.width) << c.rotate;
        EXPECT_EQ(s.pageHeight(), c.height) << c.rotate;
        EXPECT_EQ((std::vector<double>{s.clipXMin(), s.clipYMin(), s.clipXMax(), s.clipYMax()}),
                  (std::vector<double>{0, 0, c.width, c.height}));
        // Whatever the rotation, the page box lands exactly on the device page.
        double xs[4], ys[4];
        s.userToDevice(kBox.x1, kBox.y1, &xs[0], &ys[0]);
        s.userToDevice(kBox.x2, kBox.y1, &xs[1], &ys[1]);
        s.userToDevice(kBox.x1, kBox.y2, &xs[2], &ys[2]);
        s.userToDevice(kBox.x2, kBox.y2, &xs[3], &ys[3]);
        EXPECT_EQ(*std::min_element(xs, xs + 4), 0);
        EXPECT_EQ(*std::max_element(xs, xs + 4), c.width);
        EXPECT_EQ(*std::min_element(ys, ys + 4), 0);
        EXPECT_EQ(*std::max_element(ys, ys + 4), c.height);
    }
    GraphicsState up(72, kBox, 0, true);
    double x, y;
    up.userToDevice(kBox.x1, kBox.y2, &x, &y);  // the top left corner is the device origin
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST(GraphicsState, StartValues) {
    GraphicsState s(72, kBox, 0, false);
    EXPECT_EQ(s.fillColorSpace().family(), ColorFamily::DeviceGray);
    EXPECT_EQ(s.strokeColorSpace().family(), ColorFamily::DeviceGray);
    EXPECT_EQ(s.fillColor()[0], 0);
    EXPECT_EQ(s.fillPattern(), nullptr);
    EXPECT_EQ(s.fillOpacity(), 1);
    EXPECT_EQ(s.lineWidth(), 1);
    EXPECT_EQ(s.miterLimit(), 10);
    EXPECT_EQ(s.lineDashLength(), 0);
    EXPECT_EQ(s.horizScaling(), 1);
    EXPECT_EQ(s.font(), nullptr);
    EXPECT_EQ(s.fontSize(), 0);
    EXPECT_EQ(std::vector<double>(s.textMatrix(), s.textMatrix() + 6), (std::vector<double>{1, 0, 0, 1, 0, 0}));
    EXPECT_FALSE(s.path().hasCurrentPoint());
    EXPECT_FALSE(s.hasSaves());
}

TEST(GraphicsState, PathAndCurrentPointSurviveRestore) {
    auto s = std::make_unique<GraphicsState>(72, kBox, 0, false);
    s = GraphicsState::save(std::move(s));  // q
    s->moveTo(10, 10);                      // 10 10 m
    s = GraphicsState::restore(std::move(s));  // Q
    EXPECT_FALSE(s->hasSaves());
    EXPECT_TRUE(s->path().hasCurrentPoint());
    s->lineTo(20, 20);  // 20 20 l
    ASSERT_EQ(s->path().subpathCount(), 1);
    const SubPath& sp = s->path().subpath(0);
    ASSERT_EQ(sp.pointCount(), 2);
    EXPECT_EQ(sp.point(0).x, 10);
    EXPECT_EQ(sp.point(0).y, 10);
    EXPECT_EQ(sp.point(1).x, 20);
    EXPECT_EQ(s->curX(), 20);
    EXPECT_EQ(s->curY(), 20);
    s = GraphicsState::restore(std::move(s));  // Q with nothing saved changes nothing
    EXPECT_EQ(s->path().subpathCount(), 1);
}

TEST(GraphicsState, SaveCopiesTheStyleAndRestoreBringsItBack) {
    auto s = std::make_unique<GraphicsState>(72, kBox, 0, false);
    s->setLineDash({3, 1}, 0.5);
    s->setFillColorSpace(std::make_unique<DeviceRgbColorSpace>());
    double red[8] = {1, 0, 0};
    s->setFillColor(red);
    s->setLineOrigin(1, 2);
    s = GraphicsState::save(std::move(s));
    EXPECT_TRUE(s->hasSaves());
    EXPECT_EQ(s->fillColorSpace().family(), ColorFamily::DeviceRGB);
    EXPECT_EQ(s->fillColor()[0], 1);
    EXPECT_EQ(s->lineDash(), (std::vector<double>{3, 1}));
    s->setFillColorSpace(std::make_unique<DeviceCmykColorSpace>());
    s->setLineDash({}, 0);
    s->setLineWidth(4);
    s->concatTransform(2, 0, 0, 2, 0, 0);
    s->setLineOrigin(7, 8);
    s->moveTo(5, 6);
    s = GraphicsState::restore(std::move(s));
    EXPECT_EQ(s->fillColorSpace().family(), ColorFamily::DeviceRGB);
    EXPECT_EQ(s->lineDash(), (std::vector<double>{3, 1}));
    EXPECT_EQ(s->lineDashPhase(), 0.5);
    EXPECT_EQ(s->lineWidth(), 1);
    EXPECT_EQ(s->transform()[0], 1);
    EXPECT_EQ(s->lineX(), 7);  // the line origin is not restored
    EXPECT_EQ(s->lineY(), 8);
    EXPECT_EQ(s->curX(), 5);
}

TEST(GraphicsState, ClipBoxShrinksForTheInnerStateOnly) {
    auto s = std::make_unique<GraphicsState>(72, PageBox{0, 0, 100, 200}, 0, true);
    s = GraphicsState::save(std::move(s));
    s->moveTo(10, 20);  // 10 20 30 40 re W n
    s->lineTo(40, 20);
    s->lineTo(40, 60);
    s->lineTo(10, 60);
    s->closePath();
    s->clipToPath();
    s->clearPath();
    EXPECT_EQ((std::vector<double>{s->clipXMin(), s->clipYMin(), s->clipXMax(), s->clipYMax()}),
              (std::vector<double>{10, 140, 40, 180}));
    EXPECT_EQ(s->path().subpathCount(), 0);
    s = GraphicsState::restore(std::move(s));
    EXPECT_EQ((std::vector<double>{s->clipXMin(), s->clipYMin(), s->clipXMax(), s->clipYMax()}),
              (std::vector<double>{0, 0, 100, 200}));
    s->clipToPath();  // an empty path leaves the box alone
    EXPECT_EQ(s->clipXMax(), 100);
}

TEST(GraphicsState, LongSaveChainsAreReleasedWithoutRecursion) {
    auto s = std::make_unique<GraphicsState>(72, kBox, 0, false);
    for (int i = 0; i < 50000; ++i) s = GraphicsState::save(std::move(s));
    s->lineTo(1, 1);
    s.reset();  // destroyed without unwinding through restore
    SUCCEED();
}

TEST(PathData, SubpathsCurvesClosingAndGrowth) {
    GraphicsState s(72, kBox, 0, false);
    s.lineTo(5, 5);  // no move pending, no subpath: nothing to add to
    EXPECT_EQ(s.path().subpathCount(), 0);
    s.moveTo(0, 0);
    s.lineTo(10, 0);
    s.curveTo(10, 5, 5, 10, 0, 10);
    s.closePath();
    const SubPath& a = s.path().subpath(0);
    ASSERT_EQ(a.pointCount(), 6);
    EXPECT_TRUE(a.point(2).curve);
    EXPECT_TRUE(a.point(3).curve);
    EXPECT_FALSE(a.point(4).curve);
    EXPECT_EQ(a.point(5).x, 0);  // the closing line
    EXPECT_TRUE(a.isClosed());
    EXPECT_EQ(s.curX(), 0);
    EXPECT_EQ(s.curY(), 0);

    s.moveTo(1, 1);  // last point equal to the first: nothing added
    s.lineTo(2, 1);
    s.lineTo(1, 1);
    s.closePath();
    EXPECT_EQ(s.path().subpath(1).pointCount(), 3);
    EXPECT_TRUE(s.path().subpath(1).isClosed());

    s.moveTo(7, 8);  // closing right after a move starts a one-point subpath
    s.closePath();
    EXPECT_EQ(s.path().subpath(2).pointCount(), 1);
    EXPECT_EQ(s.curX(), 7);

    PathData path;
    EXPECT_EQ(path.capacity(), 16);
    path.moveTo(0, 0);
    path.lineTo(1, 0);
    EXPECT_EQ(path.subpath(0).capacity(), 16);
    for (int i = 0; i < 12; ++i) path.lineTo(i, 1);  // 14 points
    EXPECT_EQ(path.subpath(0).capacity(), 16);
    path.curveTo(1, 2, 3, 4, 5, 6);  // only two places left
    EXPECT_EQ(path.subpath(0).capacity(), 32);
    EXPECT_EQ(path.subpath(0).pointCount(), 17);
    for (int i = 0; i < 16; ++i) {
        path.moveTo(i, i);
        path.lineTo(i, 0);
    }
    EXPECT_EQ(path.subpathCount(), 17);
    EXPECT_EQ(path.capacity(), 32);
}

TEST(GraphicsState, TextAndLineMeasures) {
    GraphicsState s(144, PageBox{0, 0, 100, 100}, 0, false);  // k = 2
    s.concatTransform(1, 0, 0, 3, 5, 7);
    EXPECT_EQ(matrixOf(s), (std::vector<double>{2, 0, 0, 6, 10, 14}));
    s.setFont(nullptr, 10);
    EXPECT_EQ(s.horizFontSize(), 10);
    EXPECT_EQ(s.vertFontSize(), 10);
    s.setTextMatrix(1, 0, 0.5, 2, 0, 0);
    // u = 0.5 * 10, v = 2 * 10: (2 * 5, 6 * 20)
    EXPECT_DOUBLE_EQ(s.transformedFontSize(), std::sqrt(10.0 * 10 + 120.0 * 120));
    double m[4];
    s.fontTransform(m);
    EXPECT_EQ((std::vector<double>(m, m + 4)), (std::vector<double>{20, 0, 10, 120}));
    EXPECT_DOUBLE_EQ(s.transformedLineWidth(3), 3 * std::sqrt((4.0 + 36.0) / 2));
    s.setCurrentPoint(1, 1);
    s.setTextMatrix(2, 0.5, 0, 1, 0, 0);
    s.textShift(-3);
    s.shift(0.5, 0.25);
    EXPECT_EQ(s.curX(), 1 - 6 + 0.5);
    EXPECT_EQ(s.curY(), 1 - 1.5 + 0.25);
    double dx, dy;
    s.userToDeviceDelta(1, 1, &dx, &dy);
    EXPECT_EQ(dx, 2);
    EXPECT_EQ(dy, 6);
}

}  // namespace
}  // namespace qm
