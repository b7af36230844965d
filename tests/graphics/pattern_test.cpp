#include "graphics/pattern.h"

#include <gtest/gtest.h>

#include "core/report_error.h"
#include "graphics/graphics_test_support.h"

namespace qm {
namespace {

using test::parseObject;
using test::streamObject;

TEST(TilingPattern, EntriesAndDefaults) {
    auto full = parsePattern(streamObject("/PatternType 1 /PaintType 2 /TilingType 3 /BBox [0 0 10 20] "
                                          "/XStep 10 /YStep 20.5 /Resources << /Font << >> >> "
                                          "/Matrix [2 0 0 2 5 6]",
                                          "0 0 10 20 re f"));
    ASSERT_NE(full, nullptr);
    ASSERT_EQ(full->patternType(), 1);
    auto copy = full->clone();
    full.reset();
    auto& tp = static_cast<TilingPattern&>(*copy);
    EXPECT_EQ(tp.paintType, 2);
    EXPECT_EQ(tp.tilingType, 3);
    EXPECT_EQ(std::vector<double>(tp.bbox, tp.bbox + 4), (std::vector<double>{0, 0, 10, 20}));
    EXPECT_EQ(tp.xStep, 10);
    EXPECT_EQ(tp.yStep, 20.5);
    EXPECT_TRUE(tp.resources.isDict());
    EXPECT_EQ(std::vector<double>(tp.matrix, tp.matrix + 6), (std::vector<double>{2, 0, 0, 2, 5, 6}));
    ASSERT_TRUE(tp.contentStream.isStream());
    EXPECT_EQ(test::readAll(tp.contentStream), "0 0 10 20 re f");

    ErrorCapture errors;
    auto bare = parsePattern(streamObject("/PatternType 1 /PaintType /x /BBox [0 0 /w 5] /Matrix [1 2 3]", ""));
    ASSERT_NE(bare, nullptr);
    auto& dp = static_cast<TilingPattern&>(*bare);
    EXPECT_EQ(dp.paintType, 1);
    EXPECT_EQ(dp.tilingType, 1);
    EXPECT_EQ(std::vector<double>(dp.bbox, dp.bbox + 4), (std::vector<double>{0, 0, 1, 5}));
    EXPECT_EQ(dp.xStep, 1);
    EXPECT_EQ(dp.yStep, 1);
    EXPECT_TRUE(dp.resources.isNull());
    EXPECT_EQ(std::vector<double>(dp.matrix, dp.matrix + 6), (std::vector<double>{1, 0, 0, 1, 0, 0}));
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{
                                     "Invalid or missing PaintType in pattern",
                                     "Invalid or missing TilingType in pattern",
                                     "Invalid or missing XStep in pattern",
                                     "Invalid or missing YStep in pattern",
                                     "Invalid or missing Resources in pattern",
                                 }));
}

TEST(TilingPattern, OtherObjectsGiveNoPatternSilently) {
    ErrorCapture errors;
    EXPECT_EQ(parsePattern(streamObject("/PatternType 3", "")), nullptr);
    EXPECT_EQ(parsePattern(streamObject("/PaintType 1", "")), nullptr);
    EXPECT_EQ(parsePattern(parseObject("<< /PatternType 1 >>")), nullptr);
    EXPECT_EQ(parsePattern(parseObject("7")), nullptr);
    EXPECT_EQ(parsePattern(PdfObject()), nullptr);
    EXPECT_TRUE(errors.messages().empty());
    ErrorCapture bbox;
    ASSERT_NE(parsePattern(streamObject("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 1] /XStep 1 "
                                        "/YStep 1 /Resources << >>",
                                        "")),
              nullptr);
    EXPECT_EQ(bbox.messages(), std::vector<std::string>{"Invalid or missing BBox in pattern"});
}

std::unique_ptr<Shading> shading(const std::string& entries) { return parseShading(parseObject("<< " + entries + " >>")); }

const char* kRamp = "<< /FunctionType 2 /Domain [0 1] /N 1 >>";

TEST(AxialShading, EntriesAndOneFunctionPerComponent) {
    std::string fns = std::string("[") + kRamp + " " + kRamp + " " + kRamp + "]";
    auto sh = shading("/ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 1 2 3] /Function " + fns +
                      " /Domain [0.25 0.75] /Extend [true false] /Background [1 0.5 0] /BBox [1 2 3 4]");
    ASSERT_NE(sh, nullptr);
    ASSERT_EQ(sh->shadingType(), 2);
    auto& ax = static_cast<AxialShading&>(*sh);
    EXPECT_EQ(ax.colorSpace->family(), ColorFamily::DeviceRGB);
    EXPECT_EQ(ax.functionCount(), 3);
    EXPECT_EQ((std::vector<double>{ax.x0, ax.y0, ax.x1, ax.y1}), (std::vector<double>{0, 1, 2, 3}));
    EXPECT_DOUBLE_EQ(ax.t0, 0.25);
    EXPECT_DOUBLE_EQ(ax.t1, 0.75);
    EXPECT_TRUE(ax.extend0);
    EXPECT_FALSE(ax.extend1);
    EXPECT_TRUE(ax.hasBackground);
    EXPECT_EQ(ax.background[1], 0.5);
    EXPECT_TRUE(ax.hasBBox);
    EXPECT_EQ((std::vector<double>{ax.xMin, ax.yMin, ax.xMax, ax.yMax}), (std::vector<double>{1, 2, 3, 4}));

    auto plain = shading(std::string("/ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 0] /Function ") + kRamp +
                         " /Domain [1 2 3] /Extend [1 0]");
    ASSERT_NE(plain, nullptr);
    auto& pa = static_cast<AxialShading&>(*plain);
    EXPECT_EQ(pa.functionCount(), 1);
    EXPECT_EQ(pa.t0, 0);
    EXPECT_EQ(pa.t1, 1);
    EXPECT_FALSE(pa.extend0);
    EXPECT_FALSE(pa.hasBackground);
    EXPECT_FALSE(pa.hasBBox);
}

TEST(AxialShading, ProblemsAreReported) {
    std::string good = std::string("/ColorSpace /DeviceCMYK /Coords [0 0 1 1] /Function ") + kRamp;
    std::string nine = "[";
    for (int i = 0; i < 9; ++i) nine += kRamp;
    nine += "]";
    struct Case {
        std::string entries;
        bool built;
        std::vector<std::string> messages;
    } cases[] = {
        {"/ShadingType 2 " + good + " /Background [1 0 0]", true, {"Bad Background in shading dictionary"}},
        {"/ShadingType 2 " + good + " /BBox [0 0 1]", true, {"Bad BBox in shading dictionary"}},
        {"/ShadingType 2.0 " + good, false, {"Invalid ShadingType in shading dictionary"}},
        {"/ShadingType 8 " + good, false, {"Unimplemented shading type 8"}},
        {"/ShadingType 2 /ColorSpace /Nope /Coords [0 0 1 1]", false,
         {"Bad color space 'Nope'", "Bad color space in shading dictionary"}},
        {"/ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1]", false,
         {"Missing or invalid Coords in shading dictionary"}},
        {"/ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 /x]", false,
         {"Missing or invalid Coords in shading dictionary"}},
        {"/ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 1]", false, {"Expected function dictionary or stream"}},
        {"/ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 1] /Function [" + std::string(kRamp) + " 5]", false,
         {"Expected function dictionary or stream"}},
        {"/ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 1] /Function " + nine, false,
         {"Shading has more than 8 functions"}},
        {"/ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 1] /Function []", false,
         {"Shading has an empty Function array"}},
        // The colour along the axis depends on one value; functions of more inputs would read
        // past it.
        {"/ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 1] /Function /Identity", false,
         {"Shading function takes 8 inputs instead of 1"}},
        {"/ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 1 1] /Function [" + std::string(kRamp) + " /Identity " +
             std::string(kRamp) + "]",
         false, {"Shading function takes 8 inputs instead of 1"}},
    };
    for (const Case& c : cases) {
        ErrorCapture errors;
        auto sh = shading(c.entries);
        EXPECT_EQ(sh != nullptr, c.built) << c.entries;
        if (sh) {
            EXPECT_FALSE(sh->hasBackground || sh->hasBBox) << c.entries;
        }
        EXPECT_EQ(errors.messages(), c.messages) << c.entries;
    }
    ErrorCapture errors;
    EXPECT_EQ(parseShading(parseObject("[/ShadingType 2]")), nullptr);
    EXPECT_TRUE(errors.messages().empty());
}

}  // namespace
}  // namespace qm
