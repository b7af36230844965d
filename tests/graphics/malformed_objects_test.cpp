// Every graphics parser over systematically damaged objects: each token of a good object is
// replaced in turn by junk of another kind. Under the sanitizers this must stay clean, and
// whatever is still accepted must evaluate and convert extreme values without harm.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "core/report_error.h"
#include "graphics/color_space.h"
#include "graphics/graphics_test_support.h"
#include "graphics/pattern.h"

namespace qm {
namespace {

using test::parseObject;
using test::streamObject;

const double kExtremes[] = {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::infinity(), -1e308, 1e308, 0.5, 3};

void exercise(const PdfFunction& fn) {
    for (double x : kExtremes) {
        double in[maxFunctionInputs];
        std::fill(in, in + maxFunctionInputs, x);
        double out[maxFunctionOutputs];
        fn.transform(in, out);
    }
    auto copy = fn.clone();
    ASSERT_NE(copy, nullptr);
}

void exercise(const ColorSpace& cs) {
    for (double x : kExtremes) {
        double color[maxColorComponents];
        std::fill(color, color + maxColorComponents, x);
        double rgb[3], cmyk[4], low[8], range[8];
        double gray = cs.toGray(color);
        cs.toRgb(color, rgb);
        cs.toCmyk(color, cmyk);
        EXPECT_TRUE(gray >= 0 && gray <= 1);
        for (double v : rgb) EXPECT_TRUE(v >= 0 && v <= 1);
        cs.defaultRanges(low, range, 255);
    }
    ASSERT_NE(cs.clone(), nullptr);
}

void runAllParsers(const PdfObject& obj) {
    if (auto fn = parseFunction(obj)) exercise(*fn);
    if (auto cs = parseColorSpace(obj)) exercise(*cs);
    if (auto pattern = parsePattern(obj)) {
        ASSERT_NE(pattern->clone(), nullptr);
    }
    if (auto shading = parseShading(obj)) {
        exercise(*shading->colorSpace);
        for (auto& fn : static_cast<AxialShading&>(*shading).functions) exercise(*fn);
    }
}

std::vector<std::string> split(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> tokens;
    for (std::string t; in >> t;) tokens.push_back(t);
    return tokens;
}

std::string join(const std::vector<std::string>& tokens) {
    std::string out;
    for (const auto& t : tokens) out += t + " ";
    return out;
}

const char* const kJunk[] = {"null", "-1", "0", "2147483647", "-2147483648", "1e9", "/X", "[ ]", "<< >>",
                             "( )", "true", "0.0"};

// Calls `use` with every single-token replacement of `text`.
template <typename Use>
void mutate(const std::string& text, Use use) {
    std::vector<std::string> tokens = split(text);
    for (size_t i = 0; i < tokens.size(); ++i) {
        for (const char* junk : kJunk) {
            std::vector<std::string> damaged = tokens;
            damaged[i] = junk;
            use(join(damaged));
        }
    }
}

const char* kLinearFn = "<< /FunctionType 2 /Domain [ 0 1 ] /C0 [ 0 0 0 ] /C1 [ 1 1 1 ] /N 1 >>";

TEST(MalformedObjects, DirectObjectsSurviveEveryParser) {
    const std::string good[] = {
        kLinearFn,
        std::string("<< /FunctionType 3 /Domain [ 0 1 ] /Functions [ ") + kLinearFn + " " + kLinearFn +
            " ] /Bounds [ 0.5 ] /Encode [ 0 1 1 0 ] >>",
        "[ /Indexed /DeviceRGB 1 <000000FF8000> ]",
        "[ /Indexed [ /Indexed /DeviceGray 0 <00> ] 0 <00> ]",
        std::string("[ /Separation /Spot /DeviceRGB ") + kLinearFn + " ]",
        std::string("[ /DeviceN [ /A /B ] /DeviceRGB ") + kLinearFn + " << >> ]",
        "[ /Lab << /WhitePoint [ 0.95 1 1.09 ] /Range [ -10 10 -20 20 ] >> ]",
        "[ /CalRGB << /Gamma [ 1 2 3 ] /Matrix [ 1 0 0 0 1 0 0 0 1 ] >> ]",
        "[ /CalGray << /Gamma 2 /WhitePoint [ 1 1 1 ] >> ]",
        "[ /Pattern [ /Pattern /DeviceCMYK ] ]",
        std::string("<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [ 0 0 1 1 ] /Domain [ 0 1 ] /Function ") +
            kLinearFn + " /Extend [ true true ] /Background [ 1 1 1 ] /BBox [ 0 0 5 5 ] >>",
        std::string("<< /ShadingType 2 /ColorSpace /DeviceGray /Coords [ 0 0 1 1 ] /Function [ ") + kLinearFn +
            " ] >>",
    };
    ErrorCapture quiet;
    for (const std::string& text : good) {
        runAllParsers(parseObject(text));
        mutate(text, [](const std::string& damaged) { runAllParsers(parseObject(damaged)); });
    }
}

TEST(MalformedObjects, StreamObjectsSurviveEveryParser) {
    struct Good {
        std::string entries;
        std::string data;
    } good[] = {
        {"/FunctionType 0 /Domain [ 0 1 0 1 ] /Range [ 0 1 0 1 ] /Size [ 2 3 ] /BitsPerSample 12 "
         "/Encode [ 0 1 0 2 ] /Decode [ 0 1 1 0 ]",
         std::string(20, '\x5a')},
        {"/FunctionType 4 /Domain [ 0 1 0 1 ] /Range [ 0 1 0 1 0 1 ]",
         "{ 2 copy add 3 1 roll dup 0.5 gt { pop 1 } { 2 index exch pop } ifelse }"},
        {"/PatternType 1 /PaintType 1 /TilingType 1 /BBox [ 0 0 1 1 ] /XStep 1 /YStep 1 /Resources << >> "
         "/Matrix [ 1 0 0 1 0 0 ]",
         "0 0 1 1 re f"},
    };
    ErrorCapture quiet;
    for (const Good& g : good) {
        runAllParsers(streamObject(g.entries, g.data));
        mutate(g.entries, [&g](const std::string& damaged) { runAllParsers(streamObject(damaged, g.data)); });
        mutate(g.data, [&g](const std::string& damaged) { runAllParsers(streamObject(g.entries, damaged)); });
        for (size_t cut = 0; cut < g.data.size(); cut += 3) runAllParsers(streamObject(g.entries, g.data.substr(0, cut)));
    }
}

}  // namespace
}  // namespace qm
