#include "platform/canvas/text_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "core/report_error.h"
#include "platform/canvas/device_font.h"
#include "canvas_test_support.h"

namespace qm {
namespace {

constexpr ColorRef kRed = makeColorRef(255, 0, 0);
constexpr ColorRef kBlue = makeColorRef(0, 0, 255);

// Bounding box of every pixel that is not white.
Rect inkBounds(const Bitmap& b) {
    Rect r{b.width(), b.height(), 0, 0};
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (b.pixel(x, y) != kWhite) {
                r.left = std::min(r.left, x);
                r.top = std::min(r.top, y);
                r.right = std::max(r.right, x + 1);
                r.bottom = std::max(r.bottom, y + 1);
            }
    return r;
}

// Ink bounds of the columns [x0, x1) only.
Rect inkBoundsIn(const Bitmap& b, int x0, int x1) {
    Bitmap part(x1 - x0, b.height());
    for (int y = 0; y < b.height(); ++y)
        for (int x = x0; x < x1; ++x) part.setPixel(x - x0, y, b.pixel(x, y));
    Rect r = inkBounds(part);
    r.left += x0;
    r.right += x0;
    return r;
}

std::unique_ptr<DeviceFont> font(const std::string& face, int height, int escapement = 0, int width = 0,
                                 int weight = 0) {
    LogicalFont lf;
    lf.face = face;
    lf.height = height;
    lf.width = width;
    lf.weight = weight;
    lf.escapement = escapement;
    return DeviceFont::create(lf);
}

TEST(Fonts, WellKnownFacesResolveToMetricCompatibleFamilies) {
    EXPECT_EQ(font("Arial", 20)->family(), "Liberation Sans");
    EXPECT_EQ(font("Helvetica", 20)->family(), "Liberation Sans");
    EXPECT_EQ(font("Times New Roman", 20)->family(), "Liberation Serif");
    EXPECT_EQ(font("TimesNewRoman", 20)->family(), "Liberation Serif");
    EXPECT_EQ(font("Courier New", 20)->family(), "Liberation Mono");
    EXPECT_EQ(font("dejavu sans", 20)->family(), "DejaVu Sans");  // installed under that name
    // CJK faces always give some font, whatever is installed.
    EXPECT_NE(font("SimSun", 20), nullptr);
    EXPECT_NE(font("\xEF\xBC\xAD\xEF\xBC\xB3 \xE6\x98\x8E\xE6\x9C\x9D", 20), nullptr);
    auto vertical = font("@SimHei", 20);
    ASSERT_NE(vertical, nullptr);
    EXPECT_TRUE(vertical->isVertical());
}

TEST(Fonts, FacesThatCannotBeResolvedReportFailure) {
    ErrorCapture errors;
    EXPECT_EQ(font("No Such Face 12345", 20), nullptr);
    EXPECT_EQ(font("@No Such Face", 20), nullptr);
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{"Couldn't find a font for face 'No Such Face 12345'",
                                                           "Couldn't find a font for face '@No Such Face'"}));
}

TEST(Fonts, HeightsAreCellHeightsUnlessNegative) {
    // Arial's cell is 2288 units of a 2048-unit em (ascent 1854, descent 434).
    auto cell = font("Arial", 40);
    EXPECT_NEAR(cell->emSize(), 40.0 * 2048 / 2288, 1e-6);
    EXPECT_NEAR(cell->ascent() + cell->descent(), 40.0, 1e-6);
    EXPECT_NEAR(font("Arial", -40)->emSize(), 40.0, 1e-6);
    EXPECT_NEAR(font("Arial", 0)->ascent() + font("Arial", 0)->descent(), 16.0, 1e-6);
    // A width of half the natural average narrows the text to about half.
    auto natural = font("Arial", 40);
    auto narrow = font("Arial", 40, 0, 9);  // Arial's average width is 904 units: 15.8 px here
    const double ratio = narrow->advance(u"Hamburgefonts") / natural->advance(u"Hamburgefonts");
    EXPECT_NEAR(ratio, 9.0 / (904.0 * 40 / 2288), 0.05);
    // Sizes no page could hold are kept at the largest bitmap side rather than failing.
    auto huge = font("Arial", 2000000000, 0, 2000000000);
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(huge->emSize(), 32767);
    EXPECT_NEAR(font("Arial", -2147483647 - 1)->emSize(), 32767, 1e-6);
}

TEST(TextDrawing, HgSitsOnTheBaselineAndSpansTheAdvance) {
    Bitmap page(200, 100);
    Canvas canvas(page);
    auto arial = font("Arial", 40);
    ASSERT_NE(arial, nullptr);
    // Arial's advances: H 1479 and g 1139 units of 2048.
    const double em = 40.0 * 2048 / 2288;
    const double advance = arial->advance(u"Hg");
    EXPECT_NEAR(advance, (1479 + 1139) * em / 2048, 1.0);

    drawText(canvas, *arial, 20, 60, u"Hg", kBlack);
    const Rect ink = inkBounds(page);
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.right, 20 + static_cast<int>(std::ceil(advance)));
    EXPECT_GE(ink.right, 20 + static_cast<int>(advance) - 4);  // g's right bearing is small
    // H stands on the baseline: its lowest ink row is the one just above y = 60, and its
    // top is the cap height (1466 units) above.
    const Rect h = inkBoundsIn(page, 20, 20 + static_cast<int>(1479 * em / 2048) - 2);
    EXPECT_EQ(h.bottom, 60);
    EXPECT_NEAR(h.top, 60 - 1466 * em / 2048, 1.0);
    // g goes below it.
    EXPECT_GT(ink.bottom, 65);
    // Grayscale antialiasing: edge pixels are grey, not only black and white.
    std::set<ColorRef> colours;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) colours.insert(page.pixel(x, y));
    EXPECT_GT(colours.size(), 3u);
    for (ColorRef c : colours) EXPECT_TRUE(redOf(c) == greenOf(c) && greenOf(c) == blueOf(c));
}

TEST(TextDrawing, Escapement900DrawsUpwardText) {
    Bitmap page(100, 200);
    Canvas canvas(page);
    auto up = font("Arial", 30, 900);
    ASSERT_NE(up, nullptr);
    const double advance = up->advance(u"Hello");
    drawText(canvas, *up, 50, 180, u"Hello", kBlue);
    const Rect ink = inkBounds(page);
    // The baseline runs from (50, 180) upwards; the letters lie to its left.
    EXPECT_LE(ink.bottom, 181);
    EXPECT_NEAR(ink.top, 180 - advance, 4.0);
    EXPECT_GE(ink.left, 50 - static_cast<int>(up->ascent()) - 1);
    EXPECT_LE(ink.right, 52);
    EXPECT_GT(ink.bottom - ink.top, 2 * (ink.right - ink.left));
}

TEST(TextDrawing, VerticalFormsTurnWideCharactersUpright) {
    auto vertical = font("@Arial", 40, 2700);
    ASSERT_NE(vertical, nullptr);
    const double cell = vertical->ascent() + vertical->descent();
    // Each wide character takes a whole cell along the baseline; narrow ones their advance.
    EXPECT_NEAR(vertical->advance(u"\uFF21\u3002"), 2 * cell, 1e-6);
    auto plain = font("Arial", 40, 2700);
    EXPECT_NEAR(vertical->advance(u"ab"), plain->advance(u"ab"), 1e-6);
    EXPECT_NEAR(vertical->advance(u"a\uFF21"), plain->advance(u"a") + cell, 1e-6);

    // Drawn downwards, the character's box is centred on the baseline x and fills the cell
    // below the start point.
    Bitmap page(100, 120);
    Canvas canvas(page);
    drawText(canvas, *vertical, 50, 20, u"\uFF21", kBlack);
    const Rect ink = inkBounds(page);
    ASSERT_LT(ink.left, ink.right) << "the font draws nothing for U+FF21";
    EXPECT_GE(ink.top, 20);
    EXPECT_LE(ink.bottom, 20 + static_cast<int>(cell) + 1);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 50, 3.0);
}

TEST(TextDrawing, TextStaysInsideTheClip) {
    Bitmap page(200, 100);
    Canvas canvas(page);
    const Region left = Region::rectangle(0, 0, 40, 100);
    canvas.setClip(&left);
    drawText(canvas, *font("Arial", 40), 20, 60, u"HHHH", kRed);
    const Rect ink = inkBounds(page);
    EXPECT_LE(ink.right, 40);
    EXPECT_GT(ink.right, 35);
}

TEST(TextDrawing, OutlinedTextIsAliasedWithBrushAndPen) {
    Bitmap page(200, 100);
    Canvas canvas(page);
    auto arial = font("Arial", 80);
    TextOutline solid;
    solid.brushColor = kRed;
    solid.penWidth = 2;
    solid.penColor = kBlue;
    drawOutlinedText(canvas, *arial, 10, 80, u"O", solid);
    std::set<ColorRef> colours;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) colours.insert(page.pixel(x, y));
    EXPECT_EQ(colours, (std::set<ColorRef>{kWhite, kRed, kBlue}));
    // The counter of the O stays empty; its ring is red inside blue edges.
    const Rect ink = inkBounds(page);
    const int cy = (ink.top + ink.bottom) / 2, cx = (ink.left + ink.right) / 2;
    EXPECT_EQ(page.pixel(cx, cy), kWhite);
    EXPECT_EQ(page.pixel(ink.left, cy), kBlue);
    EXPECT_EQ(page.pixel(ink.left + 5, cy), kRed);

    // A hatched brush paints one row in eight inside the outline.
    page.fill(kWhite);
    TextOutline hatched;
    hatched.brush = TextOutline::Brush::hatched;
    hatched.brushColor = kRed;
    hatched.penColor = kBlue;
    drawOutlinedText(canvas, *font("Arial", 80), 10, 80, u"I", hatched);
    const Rect bar = inkBounds(page);
    const int mid = (bar.left + bar.right) / 2;
    int redRows = 0;
    for (int y = bar.top + 2; y < bar.bottom - 2; ++y) {
        if (page.pixel(mid, y) == kRed) {
            ++redRows;
            EXPECT_EQ(y % 8, 0);
        }
    }
    EXPECT_GE(redRows, 4);
}

}  // namespace
}  // namespace qm
