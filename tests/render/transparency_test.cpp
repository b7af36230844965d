// Blend modes, transparency groups and soft masks on the page bitmap, checked against the
// compositing formulas worked out here on known colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/report_error.h"
#include "platform/canvas/bitmap.h"
#include "render/replay.h"
#include "render/transparency_stack.h"
#include "support/colour_match.h"
#include "render_test_support.h"

namespace qm::test {
namespace {

RenderSettings settings;

using namespace std::string_literals;

// A form XObject with `entries` in its dictionary and `content` as its stream.
std::string form(const std::string& entries, const std::string& content) {
    return "<< /Type /XObject /Subtype /Form " + entries + " /Length " + std::to_string(content.size()) +
           " >>\nstream\n" + content + "\nendstream";
}

std::string group(bool isolated, bool knockout) {
    return "/Group << /S /Transparency /I "s + (isolated ? "true" : "false") + " /K " + (knockout ? "true" : "false") +
           " >>";
}

// ---- The formulas, per colour component in 0..1.

struct Rgb {
    double r, g, b;
};

double separable(int mode, double cb, double cs) {
    auto hardLight = [](double b, double s) { return s <= 0.5 ? b * 2 * s : 1 - (1 - b) * (1 - (2 * s - 1)); };
    switch (mode) {
    case 1: return cb * cs;
    case 2: return cb + cs - cb * cs;
    case 3: return hardLight(cs, cb);
    case 4: return std::min(cb, cs);
    case 5: return std::max(cb, cs);
    case 6: return cb == 0 ? 0 : cs >= 1 ? 1 : std::min(1.0, cb / (1 - cs));
    case 7: return cb >= 1 ? 1 : cs <= 0 ? 0 : 1 - std::min(1.0, (1 - cb) / cs);
    case 8: return hardLight(cb, cs);
    case 9: {
        if (cs <= 0.5) return cb - (1 - 2 * cs) * cb * (1 - cb);
        const double d = cb <= 0.25 ? ((16 * cb - 12) * cb + 4) * cb : std::sqrt(cb);
        return cb + (2 * cs - 1) * (d - cb);
    }
    case 10: return std::fabs(cb - cs);
    case 11: return cb + cs - 2 * cb * cs;
    default: return cs;
    }
}

double lum(Rgb c) { return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b; }

Rgb clipColour(Rgb c) {
    const double l = lum(c), n = std::min({c.r, c.g, c.b}), x = std::max({c.r, c.g, c.b});
    auto fix = [&](double v) {
        if (n < 0) v = l + (v - l) * l / (l - n);
        if (x > 1) v = l + (v - l) * (1 - l) / (x - l);
        return v;
    };
    return {fix(c.r), fix(c.g), fix(c.b)};
}

Rgb setLum(Rgb c, double l) {
    const double d = l - lum(c);
    return clipColour({c.r + d, c.g + d, c.b + d});
}

double sat(Rgb c) { return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}); }

Rgb setSat(Rgb c, double s) {
    double* v[3] = {&c.r, &c.g, &c.b};
    std::sort(v, v + 3, [](double* a, double* b) { return *a < *b; });
    if (*v[2] > *v[0]) {
        *v[1] = (*v[1] - *v[0]) * s / (*v[2] - *v[0]);
        *v[2] = s;
    } else {
        *v[1] = *v[2] = 0;
    }
    *v[0] = 0;
    return c;
}

Rgb blend(int mode, Rgb b, Rgb s) {
    switch (mode) {
    case 12: return setLum(setSat(s, sat(b)), lum(b));
    case 13: return setLum(setSat(b, sat(s)), lum(b));
    case 14: return setLum(s, lum(b));
    case 15: return setLum(b, lum(s));
    default: return {separable(mode, b.r, s.r), separable(mode, b.g, s.g), separable(mode, b.b, s.b)};
    }
}

// The page's own reading of a colour operand: 16 bits truncated, then the top 8.
double quantised(double c) { return (static_cast<unsigned>(c * 65535) >> 8) / 255.0; }

ColorRef toColour(Rgb c) {
    auto byte = [](double v) { return static_cast<unsigned>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return makeColorRef(byte(c.r), byte(c.g), byte(c.b));
}

std::string operands(Rgb c) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f %.3f %.3f", c.r, c.g, c.b);
    return buf;
}

const char* const kModes[16] = {"Normal",    "Multiply",   "Screen",     "Overlay",    "Darken",     "Lighten",
                                "ColorDodge", "ColorBurn",  "HardLight",  "SoftLight",  "Difference", "Exclusion",
                                "Hue",        "Saturation", "Color",      "Luminosity"};

TEST(Transparency, EveryBlendModeGivesTheFormulasResultOnKnownColours) {
    // Pairs chosen so that every branch is taken: light and dark sources (hard and soft light,
    // overlay), a dark backdrop (soft light's cubic), hue changes across the channel order.
    const std::pair<Rgb, Rgb> pairs[] = {
        {{0.8, 0.3, 0.1}, {0.2, 0.6, 0.9}},
        {{0.1, 0.7, 0.4}, {0.7, 0.2, 0.5}},
        {{0.5, 0.2, 0.9}, {0.9, 0.9, 0.1}},
    };
    for (int mode = 0; mode < 16; ++mode) {
        for (const auto& [backdrop, source] : pairs) {
            SCOPED_TRACE(std::string(kModes[mode]) + " of " + operands(source) + " over " + operands(backdrop));
            auto doc = onePage(operands(backdrop) + " rg 0 0 200 100 re f /B gs " + operands(source) +
                                   " rg 50 0 100 100 re f",
                               "/ExtGState << /B << /BM /"s + kModes[mode] + " >> >>");
            std::unique_ptr<ConversionRenderer> r;
            drawOne(*doc, 72, r);
            const Rgb b{quantised(backdrop.r), quantised(backdrop.g), quantised(backdrop.b)};
            const Rgb s{quantised(source.r), quantised(source.g), quantised(source.b)};
            EXPECT_TRUE(nearColour(r->bitmap()->pixel(100, 50), toColour(blend(mode, b, s)), 3));
            EXPECT_EQ(r->bitmap()->pixel(20, 50), toColour(b));  // outside the source, untouched
        }
    }
}

TEST(Transparency, ABlendModeArrayTakesItsFirstKnownModeAndAnUnknownOneIsNormal) {
    std::unique_ptr<ConversionRenderer> r;
    auto doc = onePage("0.5 g 0 0 200 100 re f /A gs 0.5 g 0 0 100 100 re f /U gs 0.5 g 100 0 100 100 re f",
                       "/ExtGState << /A << /BM [/Nonsense /Multiply /Screen] >> /U << /BM /Nonsense >> >>");
    ErrorCapture capture;
    drawOne(*doc, 72, r);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(50, 50), makeColorRef(64, 64, 64)));  // multiplied
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(150, 50), makeColorRef(127, 127, 127)));
}

// A green page and a group holding a red square at (20..100) and a blue one at (60..140),
// both with `paint` (an ExtGState name) in force.
std::unique_ptr<PdfDocument> twoSquares(bool isolated, bool knockout, const std::string& paint,
                                        const std::string& groupState = "") {
    const std::string content = "/" + paint + " gs 1 0 0 rg 20 10 80 80 re f 0 0 1 rg 60 10 80 80 re f";
    return onePage("0 1 0 rg 0 0 200 100 re f " + groupState + " /G Do",
                   "/XObject << /G 5 0 R >> /ExtGState << /Half << /ca 0.5 >> >>",
                   {form("/BBox [0 0 200 100] " + group(isolated, knockout) +
                             " /Resources << /ExtGState << /Half << /ca 0.5 >> /Mul << /BM /Multiply >> "
                             "/Opaque << /ca 1 >> >> >>",
                         content)});
}

TEST(Transparency, IsolatedGroupsBlendWithNothingAndNonIsolatedOnesWithThePage) {
    std::unique_ptr<ConversionRenderer> r;
    // Multiplied onto the green page, the red square turns black; in an isolated group it
    // multiplies with nothing and stays red, and the blue one multiplied with red turns black.
    drawOne(*twoSquares(false, false, "Mul"), 72, r);
    EXPECT_EQ(r->bitmap()->pixel(40, 50), kBlack);
    EXPECT_EQ(r->bitmap()->pixel(120, 50), kBlack);
    drawOne(*twoSquares(true, false, "Mul"), 72, r);
    EXPECT_EQ(r->bitmap()->pixel(40, 50), makeColorRef(255, 0, 0));
    EXPECT_EQ(r->bitmap()->pixel(80, 50), kBlack);
    EXPECT_EQ(r->bitmap()->pixel(120, 50), makeColorRef(0, 0, 255));
    EXPECT_EQ(r->bitmap()->pixel(170, 50), makeColorRef(0, 255, 0));
}

TEST(Transparency, KnockoutGroupsLetEachObjectReplaceTheOnesBefore) {
    std::unique_ptr<ConversionRenderer> r;
    const ColorRef redOverGreen = makeColorRef(128, 127, 0), blueOverGreen = makeColorRef(0, 127, 128);
    for (bool isolated : {false, true}) {
        SCOPED_TRACE(isolated ? "isolated" : "non-isolated");
        // Without knockout the half blue lies over the half red; with it, blue alone shows
        // over the page where they overlap, whether the group is isolated or not.
        drawOne(*twoSquares(isolated, false, "Half"), 72, r);
        EXPECT_TRUE(nearColour(r->bitmap()->pixel(40, 50), redOverGreen));
        EXPECT_TRUE(nearColour(r->bitmap()->pixel(80, 50), makeColorRef(64, 64, 128)));
        drawOne(*twoSquares(isolated, true, "Half"), 72, r);
        EXPECT_TRUE(nearColour(r->bitmap()->pixel(40, 50), redOverGreen));
        EXPECT_TRUE(nearColour(r->bitmap()->pixel(80, 50), blueOverGreen));
        EXPECT_TRUE(nearColour(r->bitmap()->pixel(120, 50), blueOverGreen));
        EXPECT_EQ(r->bitmap()->pixel(170, 50), makeColorRef(0, 255, 0));
    }
    // Blending in a non-isolated knockout group is with the group's backdrop, not with the
    // red square the blue one knocks out: blue times green is black.
    drawOne(*twoSquares(false, true, "Mul"), 72, r);
    EXPECT_EQ(r->bitmap()->pixel(80, 50), kBlack);
    EXPECT_EQ(r->bitmap()->pixel(40, 50), kBlack);
}

TEST(Transparency, GroupOpacityAppliesToTheGroupAsAWhole) {
    std::unique_ptr<ConversionRenderer> r;
    // Two opaque squares in a group drawn at half: the overlap is blue at half over the
    // page, with no red showing through.
    for (bool isolated : {false, true}) {
        SCOPED_TRACE(isolated ? "isolated" : "non-isolated");
        drawOne(*twoSquares(isolated, false, "Opaque", "/Half gs"), 72, r);
        EXPECT_TRUE(nearColour(r->bitmap()->pixel(80, 50), makeColorRef(0, 127, 128)));
        EXPECT_TRUE(nearColour(r->bitmap()->pixel(40, 50), makeColorRef(128, 127, 0)));
        EXPECT_EQ(r->bitmap()->pixel(170, 50), makeColorRef(0, 255, 0));
    }
}

// A white page and a blue square over all of it under the soft mask `mask`, whose group
// (object 5) paints `maskContent` inside its box 0 0 100 100.
std::unique_ptr<PdfDocument> maskedBlue(const std::string& mask, const std::string& maskContent,
                                        const std::string& groupSpace = "/DeviceGray") {
    return onePage("/M gs 0 0 1 rg 0 0 200 100 re f", "/ExtGState << /M << /SMask << " + mask + " /G 5 0 R >> >> >>",
                   {form("/BBox [0 0 100 100] /Group << /S /Transparency /CS " + groupSpace +
                             " >> /Resources << /ExtGState << /Half << /ca 0.5 >> >> >>",
                         maskContent),
                    "<< /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >>",
                    "<< /FunctionType 2 /Domain [0 1] /C0 [0.2] /C1 [1] /N 1 >>"});
}

// Blue at `opacity` over white.
ColorRef blueAt(double opacity) {
    const unsigned rest = static_cast<unsigned>(std::lround(255 * (1 - opacity)));
    return makeColorRef(rest, rest, 255);
}

TEST(Transparency, LuminosityMasksTakeTheBackdropOutsideTheirContentAndPassTheTransfer) {
    std::unique_ptr<ConversionRenderer> r;
    // A white square at 0..50 in the mask: full blue there; the rest of the mask, inside its
    // box and out, is the backdrop's gray of 0.5: half blue.
    drawOne(*maskedBlue("/S /Luminosity /BC [0.5]", "1 g 0 0 50 100 re f"), 72, r);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(25, 50), blueAt(1)));
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(75, 50), blueAt(0.5)));
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(150, 50), blueAt(0.5)));
    // The transfer function 1 - x turns white into nothing and black into full blue.
    drawOne(*maskedBlue("/S /Luminosity /BC [0] /TR 6 0 R", "1 g 0 0 50 100 re f"), 72, r);
    EXPECT_EQ(r->bitmap()->pixel(25, 50), kWhite);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(75, 50), blueAt(1)));
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(150, 50), blueAt(1)));
    // Without /BC the backdrop is black; an RGB backdrop counts by its luminosity.
    drawOne(*maskedBlue("/S /Luminosity", "1 g 0 0 50 100 re f"), 72, r);
    EXPECT_EQ(r->bitmap()->pixel(75, 50), kWhite);
    drawOne(*maskedBlue("/S /Luminosity /BC [0 1 0]", "", "/DeviceRGB"), 72, r);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(75, 50), blueAt(0.59)));
}

TEST(Transparency, AMaskSetAgainUnderAnotherTransformMovesWithIt) {
    // The same mask (an indirect object) set twice: the second time under a shifted
    // transform, so its white square lies at 100..150 instead of 0..50.
    auto doc = onePage("/M gs q 1 0 0 1 100 0 cm /M gs 0 0 1 rg -100 0 200 100 re f Q",
                       "/ExtGState << /M << /SMask 6 0 R >> >>",
                       {form("/BBox [0 0 100 100] /Group << /S /Transparency /CS /DeviceGray >>", "1 g 0 0 50 100 re f"),
                        "<< /S /Luminosity /BC [0.5] /G 5 0 R >>"});
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(125, 50), blueAt(1)));
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(25, 50), blueAt(0.5)));
}

TEST(Transparency, AlphaMasksTakeTheGroupsOpacityAndIgnoreTheBackdrop) {
    std::unique_ptr<ConversionRenderer> r;
    // Black painted at half opacity in the mask: half blue there, none elsewhere, whatever
    // colour the mask paints with or the backdrop says.
    drawOne(*maskedBlue("/S /Alpha /BC [1]", "/Half gs 0 g 0 0 50 100 re f"), 72, r);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(25, 50), blueAt(0.5)));
    EXPECT_EQ(r->bitmap()->pixel(75, 50), kWhite);
    EXPECT_EQ(r->bitmap()->pixel(150, 50), kWhite);
    // The transfer 0.2 + 0.8 x: 0.6 where the mask painted, 0.2 everywhere else.
    drawOne(*maskedBlue("/S /Alpha /TR 7 0 R", "/Half gs 0 g 0 0 50 100 re f"), 72, r);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(25, 50), blueAt(0.6)));
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(75, 50), blueAt(0.2)));
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(150, 50), blueAt(0.2)));
}

TEST(Transparency, ASoftMaskWithoutAGroupIsReportedAndMasksNothing) {
    std::unique_ptr<ConversionRenderer> r;
    auto doc = onePage("/M gs 0 0 1 rg 0 0 200 100 re f", "/ExtGState << /M << /SMask << /S /Luminosity /G 7 >> >> >>");
    ErrorCapture capture;
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(100, 50), makeColorRef(0, 0, 255));
    EXPECT_FALSE(capture.messages().empty());
}

TEST(Transparency, SpotColoursGoThroughTheirTintTransformsInGroupsAndMasks) {
    // A spot colour whose tint t is (t, 0, 1 - t) in RGB; /All is gray; /None marks nothing.
    const std::string tint = "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 1] /C1 [1 0 0] /N 1 >>";
    const std::string spaces = "/ColorSpace << /S [/Separation /Spot /DeviceRGB " + tint +
                               "] /A [/Separation /All /DeviceRGB " + tint + "] /No [/Separation /None /DeviceRGB " +
                               tint + "] /N [/DeviceN [/None /Spot] /DeviceRGB << /FunctionType 4 /Domain [0 1 0 1] "
                               "/Range [0 1 0 1 0 1] /Length 30 >>\nstream\n{exch pop 0 1 index neg 1 add}\nendstream] >>";
    std::unique_ptr<ConversionRenderer> r;
    // Inside a multiplying isolated group on a white page: the spot tint 1 is red, /All at
    // 0.25 a light gray, /None leaves the page, and DeviceN takes its Spot component.
    auto doc = onePage("/G Do", "/XObject << /G 5 0 R >>",
                       {form("/BBox [0 0 200 100] " + group(true, false) + " /Resources << " + spaces +
                                 " /ExtGState << /Mul << /BM /Multiply >> >> >>",
                             "/Mul gs /S cs 1 sc 0 0 50 100 re f /A cs 0.25 sc 50 0 50 100 re f "
                             "/No cs 1 sc 100 0 50 100 re f /N cs 1 0.5 sc 150 0 50 100 re f")});
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(25, 50), makeColorRef(255, 0, 0));
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(75, 50), makeColorRef(191, 191, 191)));
    EXPECT_EQ(r->bitmap()->pixel(125, 50), kWhite);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(175, 50), makeColorRef(127, 0, 128)));
    // As the colour of a luminosity mask: a spot tint of 0 is blue, luminosity 0.11.
    doc = onePage("/M gs 0 0 1 rg 0 0 200 100 re f",
                  "/ExtGState << /M << /SMask << /S /Luminosity /G 5 0 R >> >> >>",
                  {form("/BBox [0 0 100 100] /Group << /S /Transparency /CS /DeviceRGB >> /Resources << " + spaces +
                            " >>",
                        "/S cs 0 sc 0 0 100 100 re f")});
    drawOne(*doc, 72, r);
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(50, 50), blueAt(0.11)));
    EXPECT_EQ(r->bitmap()->pixel(150, 50), kWhite);
}

TEST(Transparency, AFillWithItsStrokeAtHalfIsOneObject) {
    std::unique_ptr<ConversionRenderer> r;
    // A 20-pixel red stroke round a blue square, both at half: inside the stroke only the
    // stroke shows over the page, with no line of the fill's edge in it.
    auto doc = onePage("/Half gs 20 w 0 0 1 rg 1 0 0 RG 50 20 100 60 re B",
                       "/ExtGState << /Half << /ca 0.5 /CA 0.5 >> >>");
    drawOne(*doc, 72, r);
    const ColorRef redAtHalf = makeColorRef(255, 128, 128);
    for (int x = 42; x < 58; x += 3) EXPECT_TRUE(nearColour(r->bitmap()->pixel(x, 50), redAtHalf)) << x;
    EXPECT_TRUE(nearColour(r->bitmap()->pixel(100, 50), blueAt(0.5)));
    EXPECT_EQ(r->bitmap()->pixel(20, 50), kWhite);
}

TEST(Transparency, RecordedPagesKeepWhatRecordsCannotSayAsPictures) {
    // Group opacity: the two squares become one picture of the group, the page's fill stays
    // a polygon, and the picture's pixels are the group's: blue at half where they overlap.
    std::unique_ptr<ConversionRenderer> keep;
    PageObjectPtr page = recordOne(*twoSquares(true, false, "Opaque", "/Half gs"), 72, &keep);
    EXPECT_EQ(countItems(*page, QM_ITEM_POLYGON), 1);
    ASSERT_EQ(countItems(*page, QM_ITEM_IMAGE), 1);
    for (int32_t i = 0; i < page->itemCount; ++i) {
        if (page->items[i].kind != QM_ITEM_IMAGE) continue;
        const ImageItem& image = *page->items[i].record.image;
        EXPECT_EQ(image.x, 20);
        EXPECT_NEAR(image.width, 120, 1);  // with the outline a lone shape gets
        ASSERT_NE(image.extra1, nullptr);  // its opacity plane
        const size_t stride = (static_cast<size_t>(image.width) + 3) & ~size_t{3};
        const uint8_t opacity = image.extra1[stride * 40 + 60];  // a pixel of the overlap
        EXPECT_NEAR(opacity, 128, 2);
        const uint8_t* bgra = image.bits + static_cast<size_t>(image.header.width) * 4 * 40 + 4 * 60;
        EXPECT_EQ(bgra[0], 255);
        EXPECT_EQ(bgra[2], 0);
    }
    // A soft-masked fill is a picture too; a plain group's objects are recorded one by one.
    page = recordOne(*maskedBlue("/S /Luminosity /BC [0.5]", "1 g 0 0 50 100 re f"), 72);
    EXPECT_EQ(countItems(*page, QM_ITEM_IMAGE), 1);
    EXPECT_EQ(countItems(*page, QM_ITEM_POLYGON), 0);
    page = recordOne(*twoSquares(true, false, "Opaque"), 72);
    EXPECT_EQ(countItems(*page, QM_ITEM_IMAGE), 0);
    EXPECT_EQ(countItems(*page, QM_ITEM_POLYGON), 3);
}

// How many pixels are painted in one and not the other.
int differing(const std::vector<bool>& a, const std::vector<bool>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n + static_cast<int>(std::max(a.size(), b.size()) - std::min(a.size(), b.size()));
}

// Which pixels of a page bitmap are painted (not white), row by row.
std::vector<bool> paintedPixels(const Bitmap& b) {
    std::vector<bool> out(static_cast<size_t>(b.width()) * static_cast<size_t>(b.height()));
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) out[static_cast<size_t>(y) * b.width() + x] = b.pixel(x, y) != kWhite;
    return out;
}

// Which pixels of a width x height page the recorded pictures paint (opacity above 0).
// Pictures are images laid on pixel for pixel.
std::vector<bool> picturePixels(const PageObject& page, int width, int height) {
    std::vector<bool> out(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t i = 0; i < page.itemCount; ++i) {
        if (page.items[i].kind != QM_ITEM_IMAGE) continue;
        const ImageItem& image = *page.items[i].record.image;
        const int w = image.header.width, h = std::abs(image.header.height);
        if (image.extra1 == nullptr || image.width != w) continue;  // not a picture: those are laid on as they are
        const size_t stride = (static_cast<size_t>(w) + 3) & ~size_t{3};
        for (int row = 0; row < h; ++row) {
            const uint8_t* alpha = image.extra1 + stride * static_cast<size_t>(image.header.height > 0 ? h - 1 - row : row);
            for (int x = 0; x < w; ++x) {
                const int px = image.x + x, py = image.y + row;
                if (alpha[x] && px >= 0 && py >= 0 && px < width && py < height) out[static_cast<size_t>(py) * width + px] = true;
            }
        }
    }
    return out;
}

TEST(Transparency, ObjectsDrawnApartKeepEveryPixelTheyPaint) {
    // Each object is drawn apart into a layer (a picture, when recorded) no larger than the
    // object. Drawn apart or not, it must cover the same pixels: a wide stroke whose mitred
    // tip reaches far past its path's points, a thin stroke, a scaled image. Multiplied onto
    // a white page they must even look as the plain ones do; at half they must cover as much.
    const std::string objects =
        "20 w 10 M 1 0 0 RG 0 0 1 rg 20 20 m 110 50 l 20 80 l h B "
        "0 0.5 0 RG 3 w 150 5 m 195 8 l S "
        "q 30 0 0 20 160 60 cm BI /W 2 /H 2 /CS /G /BPC 8 ID \x00\x80\x40\xC0 EI Q "s;
    const std::string states = "/ExtGState << /Mul << /BM /Multiply >> /Half << /ca 0.5 /CA 0.5 >> >>";
    auto plain = onePage(objects, states);
    for (bool smooth : {false, true}) {
        ConversionRenderer reference(*plain);
        reference.setAntialias(smooth);
        reference.drawPage(1, 72);
        const std::vector<bool> expected = paintedPixels(*reference.bitmap());
        for (const char* state : {"/Mul gs ", "/Half gs "}) {
            SCOPED_TRACE(std::string(state) + (smooth ? "smooth" : "aliased"));
            auto doc = onePage(state + objects, states);
            ConversionRenderer r(*doc);
            r.setAntialias(smooth);
            r.drawPage(1, 72);
            const Bitmap& drawn = *r.bitmap();
            EXPECT_EQ(differing(paintedPixels(drawn), expected), 0);
            if (state[1] == 'M') {
                int off = 0;
                for (int y = 0; y < drawn.height(); ++y)
                    for (int x = 0; x < drawn.width(); ++x)
                        off += !nearColour(drawn.pixel(x, y), reference.bitmap()->pixel(x, y), 2);
                EXPECT_EQ(off, 0);
            }
            // Recorded pages draw their pictures aliased. At half only the fill and stroke (left
            // of x = 140) has to be a picture; the others are records.
            if (!smooth) {
                PageObjectPtr page = recordOne(*doc, 72);
                const std::vector<bool> recorded = picturePixels(*page, drawn.width(), drawn.height());
                const int width = state[1] == 'M' ? drawn.width() : 140;
                int differ = 0;
                for (int y = 0; y < drawn.height(); ++y)
                    for (int x = 0; x < width; ++x) {
                        const size_t i = static_cast<size_t>(y) * drawn.width() + x;
                        differ += recorded[i] != expected[i];
                    }
                EXPECT_EQ(differ, 0);
            }
        }
    }
}

TEST(Transparency, ALayerBitmapTakenAgainIsEmptyAndCoversOnlyItsNewArea) {
    LayerBitmaps bitmaps;
    std::unique_ptr<Bitmap> first = bitmaps.take(Rect{0, 0, 300, 200});
    ASSERT_NE(first, nullptr);
    Canvas(*first).fillRegion(Region::rectangle(0, 0, 300, 200), makeColorRef(10, 20, 30));
    const uint32_t* memory = first->words();
    bitmaps.give(std::move(first));
    // Smaller: the same memory, emptied, at its new place.
    std::unique_ptr<Bitmap> again = bitmaps.take(Rect{50, 60, 150, 90});
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->words(), memory);
    EXPECT_TRUE(again->isTransparent());
    EXPECT_EQ(again->area(), (Rect{50, 60, 150, 90}));
    cairo_surface_flush(again->surface());
    EXPECT_TRUE(std::all_of(again->words(), again->words() + 100 * 30, [](uint32_t w) { return w == 0; }));
    // Drawing at page (60, 70) lands in its pixel (10, 10) and nowhere else.
    Canvas(*again).fillRegion(Region::rectangle(60, 70, 61, 71), kBlack);
    cairo_surface_flush(again->surface());
    EXPECT_EQ(again->words()[10 * 100 + 10], 0xFF000000u);
    EXPECT_EQ(std::count(again->words(), again->words() + 100 * 30, 0u), 100 * 30 - 1);
    bitmaps.give(std::move(again));
    // Larger than any spare: it grows; an empty area or one too large to have gives nothing.
    std::unique_ptr<Bitmap> larger = bitmaps.take(Rect{0, 0, 400, 400});
    ASSERT_NE(larger, nullptr);
    EXPECT_EQ(larger->width(), 400);
    EXPECT_EQ(bitmaps.take(Rect{10, 10, 10, 50}), nullptr);
    bitmaps.give(std::move(larger));
    ErrorCapture capture;
    EXPECT_EQ(bitmaps.take(Rect{0, 0, 40000, 10}), nullptr);
    EXPECT_FALSE(capture.messages().empty());
    EXPECT_NE(bitmaps.take(Rect{0, 0, 20, 20}), nullptr);  // what was kept is still usable
}

TEST(Transparency, WhatBlendsWithThePageBeneathIsRecordedAsTheBitmapDrawsIt) {
    // Green and red bands with a yellow square half over them; the effects below lie across
    // all three and the white page, so each part of them blends with something else.
    const std::string beneath = "0 1 0 rg 0 50 200 50 re f 1 0 0 rg 0 0 100 50 re f 1 1 0 rg 60 30 40 40 re f ";
    const std::string square = "0.2 0.4 1 rg 50 20 120 60 re f";
    const std::string states = "/ExtGState << /Mul << /BM /Multiply >> /Dif << /BM /Difference >> "
                               "/Half << /ca 0.5 /CA 0.5 >> >>";
    auto page = [&](const std::string& content, const std::string& groupEntries = "", const std::string& inGroup = "",
                    const std::string& pageEntries = "") {
        return onePage(content, states + " /XObject << /F 5 0 R >>",
                       {form("/BBox [0 0 200 100] " + groupEntries + " /Resources << " + states + " >>", inGroup)},
                       pageEntries);
    };
    struct Case {
        const char* what;
        std::unique_ptr<PdfDocument> doc;
        int x, y;  // a pixel the effect must change from a plain square's colour there
    } cases[] = {
        {"a multiplied square", page(beneath + "/Mul gs " + square), 80, 60},
        {"a multiplied square in a group at half, which starts from the page",
         page(beneath + "/Half gs /F Do", group(false, false), "/Mul gs " + square), 80, 60},
        {"two multiplied squares in a knockout group, the second knocking out the first",
         page(beneath + "/F Do", group(false, true), "/Mul gs " + square + " 0.9 0.9 0.2 rg 120 10 60 50 re f"), 130,
         40},
        {"a difference square in a group of its own: only the group's blue is beneath it",
         page(beneath + "/F Do", group(true, false), "0 0 1 rg 80 10 60 30 re f /Dif gs " + square), 120, 75},
        {"a difference square on a page that is such a group",
         page(beneath + "/Dif gs " + square, "", "", "/Group << /S /Transparency /I true >>"), 150, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<ConversionRenderer> r;
        drawOne(*c.doc, 72, r);
        const Bitmap& drawn = *r->bitmap();
        PageObjectPtr recorded = recordOne(*c.doc, 72);
        Bitmap replayed(drawn.width(), drawn.height());
        Canvas canvas(replayed);
        replayDisplayList(canvas, *recorded);
        int off = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) off += !nearColour(replayed.pixel(x, y), drawn.pixel(x, y), 2);
        EXPECT_EQ(off, 0);
        EXPECT_NE(drawn.pixel(c.x, c.y), makeColorRef(51, 102, 255));
    }
}

TEST(Transparency, DeepNestingAndAPageGroupStillDraw) {
    // Twenty-eight isolated groups inside one another around a red square, on a page that is a
    // group itself: past the layer limit they are drawn flat, and the square still shows.
    std::vector<std::string> forms;
    for (int i = 0; i < 28; ++i) {
        const std::string next = i + 1 < 28 ? "/N" + std::to_string(i + 6) + " Do" : "1 0 0 rg 0 0 100 100 re f";
        std::string res = i + 1 < 28 ? "/XObject << /N" + std::to_string(i + 6) + " " + std::to_string(i + 6) + " 0 R >>" : "";
        forms.push_back(form("/BBox [0 0 200 100] " + group(true, false) + " /Resources << " + res + " >>", next));
    }
    auto doc = onePage("/N5 Do", "/XObject << /N5 5 0 R >>", forms, "/Group << /S /Transparency >>");
    std::unique_ptr<ConversionRenderer> r;
    ErrorCapture capture;
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(50, 50), makeColorRef(255, 0, 0));
    EXPECT_EQ(r->bitmap()->pixel(150, 50), kWhite);
}

TEST(Transparency, SmoothPagesHavePartlyCoveredEdgesAndAliasedOnesNone) {
    auto doc = onePage("0 g 10 10 m 190 90 l 190 10 l f");
    for (bool smooth : {false, true}) {
        auto r = std::make_unique<ConversionRenderer>(*doc);
        r->setAntialias(smooth);
        r->drawPage(1, 72);
        int between = 0, black = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) {
                const ColorRef c = r->bitmap()->pixel(x, y);
                between += c != kWhite && c != kBlack;
                black += c == kBlack;
            }
        EXPECT_GT(black, 6000);
        if (smooth)
            EXPECT_GT(between, 150);
        else
            EXPECT_EQ(between, 0);
    }
}

}  // namespace
}  // namespace qm::test
