#include "graphics/color_space.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/report_error.h"
#include "graphics/graphics_test_support.h"

namespace qm {
namespace {

using test::parseObject;

std::unique_ptr<ColorSpace> fromText(const std::string& text) { return parseColorSpace(parseObject(text)); }

struct Rgb {
    double r, g, b;
};
Rgb rgbOf(const ColorSpace& cs, std::initializer_list<double> color) {
    double c[maxColorComponents] = {};
    std::copy(color.begin(), color.end(), c);
    double rgb[3];
    cs.toRgb(c, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}
std::vector<double> cmykOf(const ColorSpace& cs, std::initializer_list<double> color) {
    double c[maxColorComponents] = {};
    std::copy(color.begin(), color.end(), c);
    double cmyk[4];
    cs.toCmyk(c, cmyk);
    return {cmyk[0], cmyk[1], cmyk[2], cmyk[3]};
}
double grayOf(const ColorSpace& cs, std::initializer_list<double> color) {
    double c[maxColorComponents] = {};
    std::copy(color.begin(), color.end(), c);
    return cs.toGray(c);
}
#define EXPECT_RGB(actual, R, G, B)              \
    do {                                         \
        Rgb rgb_ = (actual);                     \
        EXPECT_NEAR(rgb_.r, R, 1e-12) << #actual; \
        EXPECT_NEAR(rgb_.g, G, 1e-12) << #actual; \
        EXPECT_NEAR(rgb_.b, B, 1e-12) << #actual; \
    } while (0)

TEST(ColorSpaceParse, NamesAndShortArraysGiveTheDeviceSpaces) {
    struct Case {
        const char* text;
        ColorFamily family;
        int components;
    } cases[] = {
        {"/G", ColorFamily::DeviceGray, 1},         {"/DeviceGray", ColorFamily::DeviceGray, 1},
        {"[/RGB]", ColorFamily::DeviceRGB, 3},      {"[/DeviceRGB 5]", ColorFamily::DeviceRGB, 3},
        {"/CMYK", ColorFamily::DeviceCMYK, 4},      {"[/DeviceCMYK]", ColorFamily::DeviceCMYK, 4},
        {"/Pattern", ColorFamily::Pattern, 0},      {"[/Pattern]", ColorFamily::Pattern, 0},
        {"[/Pattern /DeviceRGB]", ColorFamily::Pattern, 0},
        {"[/CalGray << /Gamma 2.2 >>]", ColorFamily::CalGray, 1},
        {"[/CalRGB << /Matrix [1 2 3 4 5 6 7 8 9] >>]", ColorFamily::CalRGB, 3},
        {"[/Lab << /WhitePoint [0.9505 1 1.089] >>]", ColorFamily::Lab, 3},
    };
    for (const Case& c : cases) {
        ErrorCapture errors;
        auto cs = fromText(c.text);
        ASSERT_NE(cs, nullptr) << c.text;
        EXPECT_EQ(cs->family(), c.family) << c.text;
        EXPECT_EQ(cs->componentCount(), c.components) << c.text;
        EXPECT_EQ(cs->clone()->family(), c.family) << c.text;
        EXPECT_TRUE(errors.messages().empty()) << c.text;
    }
}

TEST(ColorSpaceParse, MalformedSpacesAreRefusedWithTheirMessages) {
    const char* linear = "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>";
    struct Case {
        std::string text;
        std::vector<std::string> messages;
    } cases[] = {
        {"/Foo", {"Bad color space 'Foo'"}},
        {"[/Foo]", {"Bad color space 'Foo'"}},
        {"[1 2]", {"Bad color space 'integer'"}},
        {"[]", {"Bad color space 'null'"}},
        {"42", {"Bad color space - expected name or array"}},
        {"[/CalGray 1]", {"Bad CalGray color space"}},
        {"[/CalRGB]", {"Bad CalRGB color space"}},
        {"[/Lab /x]", {"Bad Lab color space"}},
        {"[/ICCBased << /N 3 >>]", {"Bad ICCBased color space (stream)"}},
        {"[/Indexed /DeviceRGB 0]", {"Bad Indexed color space"}},
        {"[/I /Foo 0 <00>]", {"Bad color space 'Foo'", "Bad Indexed color space (base color space)"}},
        {"[/Indexed /DeviceRGB 1.0 <000000>]", {"Bad Indexed color space (hival)"}},
        {"[/Indexed /DeviceRGB -1 <>]", {"Bad Indexed color space (hival)"}},
        {"[/Indexed /DeviceRGB 70000 <>]", {"Bad Indexed color space (hival)"}},
        {"[/Indexed /DeviceRGB 0 5]", {"Bad Indexed color space (lookup table)"}},
        {"[/Indexed /DeviceRGB 1 <0102030405>]", {"Bad Indexed color space (lookup table string too short)"}},
        {"[/Separation /Spot /DeviceGray]", {"Bad Separation color space"}},
        {std::string("[/Separation (Spot) /DeviceGray ") + linear + "]", {"Bad Separation color space (name)"}},
        {std::string("[/Separation /Spot /Bad ") + linear + "]",
         {"Bad color space 'Bad'", "Bad Separation color space (alternate color space)"}},
        {"[/Separation /Spot /DeviceGray 5]", {"Expected function dictionary or stream"}},
        {"[/DeviceN [/A] /DeviceGray]", {"Bad DeviceN color space"}},
        {std::string("[/DeviceN [/A 1] /DeviceGray ") + linear + "]", {"Bad DeviceN color space (names)"}},
        {std::string("[/DeviceN /A /DeviceGray ") + linear + "]", {"Bad DeviceN color space (names)"}},
        {std::string("[/DeviceN [/A /B /C /D /E /F /G /H /I] /DeviceGray ") + linear + "]",
         {"Bad DeviceN color space (more than 8 names)"}},
        {std::string("[/DeviceN [/A] 7 ") + linear + "]",
         {"Bad color space - expected name or array", "Bad DeviceN color space (alternate color space)"}},
        {"[/Pattern /DeviceRGB /DeviceRGB]", {"Bad Pattern color space"}},
        {"[/Pattern /Nope]", {"Bad color space 'Nope'", "Bad Pattern color space (underlying color space)"}},
    };
    for (const Case& c : cases) {
        ErrorCapture errors;
        EXPECT_EQ(fromText(c.text), nullptr) << c.text;
        EXPECT_EQ(errors.messages(), c.messages) << c.text;
    }
}

TEST(ColorSpaceParse, ReferenceCyclesStopAtTheNestingLimit) {
    test::PdfBuilder b;
    b.object("[/Indexed 1 0 R 0 <00>]");
    b.object("[/Pattern 2 0 R]");
    test::TestResolver xref(b.bytes());
    xref.addAll(b, 3);
    for (int num : {1, 2}) {
        ErrorCapture errors;
        EXPECT_EQ(parseColorSpace(xref.fetch(num, 0)), nullptr);
        EXPECT_EQ(errors.count("Color spaces nested more than 8 deep are unsupported"), 1);
    }
}

TEST(DeviceColorSpaces, ConvertWithTheFixedFormulas) {
    DeviceGrayColorSpace gray;
    DeviceRgbColorSpace rgb;
    DeviceCmykColorSpace cmyk;
    EXPECT_DOUBLE_EQ(grayOf(cmyk, {0, 0, 0, 0.5}), 0.5);
    EXPECT_RGB(rgbOf(cmyk, {0, 0, 0, 0.5}), 0.5, 0.5, 0.5);
    EXPECT_RGB(rgbOf(cmyk, {0.2, 0.9, 0, 0.3}), 0.5, 0, 0.7);
    EXPECT_EQ(cmykOf(cmyk, {-1, 2, 0.5, NAN}), (std::vector<double>{0, 1, 0.5, 0}));
    EXPECT_EQ(cmykOf(rgb, {1, 0, 0}), (std::vector<double>{0, 1, 1, 0}));
    EXPECT_EQ(cmykOf(rgb, {0.25, 0.5, 0.75}), (std::vector<double>{0.5, 0.25, 0, 0.25}));
    EXPECT_NEAR(grayOf(rgb, {1, 0.5, 0}), 0.299 + 0.2935, 1e-12);
    EXPECT_RGB(rgbOf(rgb, {1.5, -0.5, NAN}), 1, 0, 0);
    EXPECT_DOUBLE_EQ(grayOf(gray, {1.2}), 1.0);
    EXPECT_RGB(rgbOf(gray, {0.25}), 0.25, 0.25, 0.25);
    EXPECT_EQ(cmykOf(gray, {0.25}), (std::vector<double>{0, 0, 0, 0.75}));
    auto calGray = fromText("[/CalGray << /WhitePoint [0.9 1 1.1] /Gamma 2 >>]");
    ASSERT_NE(calGray, nullptr);
    EXPECT_RGB(rgbOf(*calGray, {0.25}), 0.25, 0.25, 0.25);  // calibration takes no part
    EXPECT_EQ(static_cast<CalGrayColorSpace&>(*calGray).gamma, 2.0);
    EXPECT_EQ(static_cast<CalGrayColorSpace&>(*calGray->clone()).whitePoint[2], 1.1);

    double low[8], range[8];
    cmyk.defaultRanges(low, range, 255);
    EXPECT_EQ(std::vector<double>(range, range + 4), (std::vector<double>{1, 1, 1, 1}));
}

TEST(LabColorSpace, WhiteAndRanges) {
    auto lab = fromText("[/Lab << /WhitePoint [0.9505 1 1.089] /Range [-50 60 -70 80] >>]");
    ASSERT_NE(lab, nullptr);
    Rgb white = rgbOf(*lab, {100, 0, 0});
    EXPECT_NEAR(white.r, 1, 1e-3);
    EXPECT_NEAR(white.g, 1, 1e-3);
    EXPECT_NEAR(white.b, 1, 1e-3);
    EXPECT_RGB(rgbOf(*lab, {0, 0, 0}), 0, 0, 0);
    EXPECT_NEAR(grayOf(*lab, {100, 0, 0}), 1, 1e-3);
    EXPECT_NEAR(cmykOf(*lab, {0, 0, 0})[3], 1, 1e-12);
    double low[3], range[3];
    lab->clone()->defaultRanges(low, range, 255);
    EXPECT_EQ(std::vector<double>(low, low + 3), (std::vector<double>{0, -50, -70}));
    EXPECT_EQ(std::vector<double>(range, range + 3), (std::vector<double>{100, 110, 150}));
}

TEST(IccBasedColorSpace, AlternateDefaultsRangesAndBadN) {
    test::PdfBuilder b;
    b.stream("/N 3 /Range [0 1 -1 1 0 2]", "profile");
    b.stream("/N 2", "profile");
    b.stream("/N 4 /Alternate /Oops", "profile");
    b.stream("/N 1 /Alternate /DeviceRGB", "profile");
    b.stream("/N 9", "profile");
    b.stream("/N 3.0", "profile");
    test::TestResolver xref(b.bytes());
    xref.addAll(b, 7);
    auto parse = [&](int num) { return parseColorSpace(parseObject("[/ICCBased " + std::to_string(num) + " 0 R]", &xref)); };

    auto rgb = parse(1);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(rgb->componentCount(), 3);
    EXPECT_EQ(static_cast<IccBasedColorSpace&>(*rgb).profileRef().num, 1);
    EXPECT_EQ(static_cast<IccBasedColorSpace&>(*rgb).alternate().family(), ColorFamily::DeviceRGB);
    EXPECT_RGB(rgbOf(*rgb, {0.2, 0.4, 1.5}), 0.2, 0.4, 1);
    EXPECT_EQ(cmykOf(*rgb, {1, 0, 0}), (std::vector<double>{0, 1, 1, 0}));
    double low[3], range[3];
    rgb->clone()->defaultRanges(low, range, 255);
    EXPECT_EQ(std::vector<double>(low, low + 3), (std::vector<double>{0, -1, 0}));
    EXPECT_EQ(std::vector<double>(range, range + 3), (std::vector<double>{1, 2, 2}));
    {
        ErrorCapture errors;
        EXPECT_EQ(parse(2), nullptr);
        EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad ICCBased color space - invalid N"});
    }
    {
        ErrorCapture errors;  // a broken Alternate falls back to the space N implies
        auto cmyk = parse(3);
        ASSERT_NE(cmyk, nullptr);
        EXPECT_EQ(static_cast<IccBasedColorSpace&>(*cmyk).alternate().family(), ColorFamily::DeviceCMYK);
        EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad color space 'Oops'"});
    }
    auto gray = parse(4);
    ASSERT_NE(gray, nullptr);
    EXPECT_EQ(gray->componentCount(), 1);
    for (int num : {5, 6}) {
        ErrorCapture errors;
        EXPECT_EQ(parse(num), nullptr);
        EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad ICCBased color space (N)"});
    }
}

TEST(IndexedColorSpace, LookupRoundsClampsAndReadsStreams) {
    {
        ErrorCapture errors;
        EXPECT_EQ(fromText("[/Indexed /DeviceRGB 1 <0102030405>]"), nullptr);
        EXPECT_EQ(errors.messages(),
                  std::vector<std::string>{"Bad Indexed color space (lookup table string too short)"});
    }
    auto cs = fromText("[/Indexed /DeviceRGB 1 <000000FF8000>]");
    ASSERT_NE(cs, nullptr);
    EXPECT_RGB(rgbOf(*cs, {1.4}), 1, 128 / 255.0, 0);
    EXPECT_RGB(rgbOf(*cs, {0.49}), 0, 0, 0);
    EXPECT_RGB(rgbOf(*cs, {7}), 1, 128 / 255.0, 0);
    EXPECT_RGB(rgbOf(*cs, {-3}), 0, 0, 0);
    EXPECT_RGB(rgbOf(*cs, {NAN}), 0, 0, 0);
    EXPECT_EQ(cmykOf(*cs, {1}), (std::vector<double>{0, 127 / 255.0, 1, 0}));
    EXPECT_NEAR(grayOf(*cs->clone(), {1}), 0.299 + 0.587 * 128 / 255.0, 1e-12);
    double low[1], range[1];
    cs->defaultRanges(low, range, 15);
    EXPECT_EQ(low[0], 0);
    EXPECT_EQ(range[0], 15);

    test::PdfBuilder b;
    b.stream("", std::string("\x10\x20\x30\x40", 4));
    test::TestResolver xref(b.bytes());
    xref.addAll(b, 2);
    auto fromStream = parseColorSpace(parseObject("[/Indexed /DeviceGray 3 1 0 R]", &xref));
    ASSERT_NE(fromStream, nullptr);
    EXPECT_DOUBLE_EQ(grayOf(*fromStream, {2}), 0x30 / 255.0);
    ErrorCapture errors;
    EXPECT_EQ(parseColorSpace(parseObject("[/Indexed /DeviceGray 4 1 0 R]", &xref)), nullptr);
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad Indexed color space (lookup table stream too short)"});
}

TEST(TintColorSpaces, SeparationAndDeviceNGoThroughTheTintTransform) {
    auto sep = fromText("[/Separation /Spot /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] "
                        "/C1 [0 1 1 0] /N 1 >>]");
    ASSERT_NE(sep, nullptr);
    EXPECT_EQ(sep->family(), ColorFamily::Separation);
    EXPECT_EQ(sep->componentCount(), 1);
    EXPECT_EQ(static_cast<TintColorSpace&>(*sep).name(0), "Spot");
    EXPECT_RGB(rgbOf(*sep, {0.5}), 1, 0.5, 0.5);
    EXPECT_EQ(cmykOf(*sep, {0.5}), (std::vector<double>{0, 0.5, 0.5, 0}));
    EXPECT_NEAR(grayOf(*sep, {1}), 0.299, 1e-12);
    auto copy = sep->clone();
    sep.reset();
    EXPECT_RGB(rgbOf(*copy, {1}), 1, 0, 0);

    test::PdfBuilder b;
    b.stream("/FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1]", "{ 0 }");
    test::TestResolver xref(b.bytes());
    xref.addAll(b, 2);
    auto devn = parseColorSpace(parseObject("[/DeviceN [/Cyan /Magenta] /DeviceRGB 1 0 R << >>]", &xref));
    ASSERT_NE(devn, nullptr);
    EXPECT_EQ(devn->family(), ColorFamily::DeviceN);
    EXPECT_EQ(devn->componentCount(), 2);
    EXPECT_RGB(rgbOf(*devn, {0.25, 0.75}), 0.25, 0.75, 0);
    EXPECT_RGB(rgbOf(*devn->clone(), {1, 0}), 1, 0, 0);
}

TEST(PatternColorSpace, ConvertsToBlack) {
    for (const char* text : {"/Pattern", "[/Pattern]", "[/Pattern /DeviceRGB]"}) {
        auto cs = fromText(text);
        ASSERT_NE(cs, nullptr);
        EXPECT_EQ(grayOf(*cs, {0.7}), 0.0);
        EXPECT_RGB(rgbOf(*cs, {0.7}), 0, 0, 0);
        EXPECT_EQ(cmykOf(*cs, {0.7}), (std::vector<double>{0, 0, 0, 1}));
    }
    auto withBase = fromText("[/Pattern /DeviceRGB]");
    auto copy = withBase->clone();
    ASSERT_NE(static_cast<PatternColorSpace&>(*copy).under(), nullptr);
    EXPECT_EQ(static_cast<PatternColorSpace&>(*copy).under()->family(), ColorFamily::DeviceRGB);
    EXPECT_EQ(static_cast<PatternColorSpace&>(*fromText("/Pattern")).under(), nullptr);
}

}  // namespace
}  // namespace qm
