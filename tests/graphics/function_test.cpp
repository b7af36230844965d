#include "graphics/function.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/report_error.h"
#include "graphics/graphics_test_support.h"
#include "graphics/postscript_function.h"
#include "graphics/sampled_function.h"

namespace qm {
namespace {

using test::parseObject;
using test::streamObject;

std::unique_ptr<PdfFunction> fromText(const std::string& text) { return parseFunction(parseObject(text)); }

std::unique_ptr<PdfFunction> program(const std::string& domainRange, const std::string& code) {
    return parseFunction(streamObject("/FunctionType 4 " + domainRange, code));
}

// Evaluates a one-input function.
double at(const PdfFunction& fn, double x, int output = 0) {
    double in[maxFunctionInputs] = {x};
    double out[maxFunctionOutputs] = {};
    fn.transform(in, out);
    return out[output];
}

const char* kLinear = "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>";

TEST(FunctionParse, MalformedObjectsAreRefusedWithTheirMessages) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"42", "Expected function dictionary or stream"},
        {"/Other", "Expected function dictionary or stream"},
        {"<< /Domain [0 1] >>", "Function type is missing or wrong type"},
        {"<< /FunctionType 2.0 /Domain [0 1] /N 1 >>", "Function type is missing or wrong type"},
        {"<< /FunctionType 7 /Domain [0 1] >>", "Unimplemented function type (7)"},
        {"<< /FunctionType 2 /N 1 >>", "Function is missing domain"},
        {"<< /FunctionType 2 /Domain [0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1] /N 1 >>",
         "Functions with more than 8 inputs are unsupported"},
        {"<< /FunctionType 2 /Domain [0 /x] /N 1 >>", "Illegal value in function domain array"},
        {"<< /FunctionType 2 /Domain [0 1] /Range [0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1] /N 1 >>",
         "Functions with more than 8 outputs are unsupported"},
        {"<< /FunctionType 2 /Domain [0 1] /Range [0 (a)] /N 1 >>", "Illegal value in function range array"},
        {"<< /FunctionType 2 /Domain [0 1 0 1] /N 1 >>", "Exponential function with more than one input"},
        {"<< /FunctionType 2 /Domain [0 1] /C0 [0 true] /N 1 >>", "Illegal value in function C0 array"},
        {"<< /FunctionType 2 /Domain [0 1] /C1 [null] /N 1 >>", "Illegal value in function C1 array"},
        {"<< /FunctionType 2 /Domain [0 1] /C1 [1 1 1 1 1 1 1 1 1] /N 1 >>",
         "Functions with more than 8 outputs are unsupported"},
        {"<< /FunctionType 2 /Domain [0 1] /N /one >>", "Function has missing or invalid N"},
        {"<< /FunctionType 0 /Domain [0 1] /Size [2] /BitsPerSample 8 >>", "Type 0 function is missing range"},
        {"<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>",
         "Type 0 function isn't a stream"},
        {"<< /FunctionType 3 /Domain [0 1 0 1] /Functions [] >>", "Stitching function with more than one input"},
        {"<< /FunctionType 3 /Domain [0 1] /Bounds [] /Encode [0 1] >>",
         "Missing 'Functions' entry in stitching function"},
        {"<< /FunctionType 3 /Domain [0 1] /Functions [] /Bounds [] /Encode [] >>",
         "Missing 'Functions' entry in stitching function"},
        {"<< /FunctionType 3 /Domain [0 1] /Functions [7] >>", "Expected function dictionary or stream"},
        {"<< /FunctionType 3 /Domain [0 1] /Functions [<< /FunctionType 2 /Domain [0 1] /N 1 >> "
         "<< /FunctionType 2 /Domain [0 1] /C0 [0 0] /N 1 >>] /Bounds [0.5] /Encode [0 1 0 1] >>",
         "Incompatible subfunctions in stitching function"},
        {"<< /FunctionType 3 /Domain [0 1] /Functions [/Identity << /FunctionType 2 /Domain [0 1] /N 1 >>] >>",
         "Incompatible subfunctions in stitching function"},
        {"<< /FunctionType 3 /Domain [0 1] /Functions [/Identity /Identity] /Bounds [] /Encode [0 1 0 1] >>",
         "Incompatible subfunctions in stitching function"},
        {"<< /FunctionType 3 /Domain [0 1] /Functions [/Identity] /Bounds [0.5] /Encode [0 1] >>",
         "Missing or invalid 'Bounds' entry in stitching function"},
        {"<< /FunctionType 3 /Domain [0 1] /Functions [/Identity /Identity] /Bounds [/a] /Encode [0 1 0 1] >>",
         "Incompatible subfunctions in stitching function"},
        {"<< /FunctionType 3 /Domain [0 1] /Functions [<< /FunctionType 2 /Domain [0 1] /N 1 >> "
         "<< /FunctionType 2 /Domain [0 1] /N 1 >>] /Bounds [/a] /Encode [0 1 0 1] >>",
         "Invalid type in 'Bounds' array in stitching function"},
        {"<< /FunctionType 3 /Domain [0 1] /Functions [/Identity] /Bounds [] /Encode [0] >>",
         "Missing or invalid 'Encode' entry in stitching function"},
        {"<< /FunctionType 3 /Domain [0 1] /Functions [/Identity] /Bounds [] /Encode [0 /b] >>",
         "Invalid type in 'Encode' array in stitching function"},
        {"<< /FunctionType 4 /Domain [0 1] >>", "Type 4 function is missing range"},
        {"<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>", "Type 4 function isn't a stream"},
    };
    for (const Case& c : cases) {
        ErrorCapture errors;
        EXPECT_EQ(fromText(c.text), nullptr) << c.text;
        EXPECT_EQ(errors.messages(), std::vector<std::string>{c.message}) << c.text;
    }
}

TEST(FunctionParse, EvaluateGivesMissingInputsAsZero) {
    // Identity reads eight inputs; a caller with one value must not have the other seven
    // read from beyond it.
    auto fn = parseFunction(PdfObject::makeName("Identity"));
    ASSERT_NE(fn, nullptr);
    const double in[2] = {0.25, 0.75};
    double out[maxFunctionOutputs];
    fn->evaluate(in, 1, out);
    EXPECT_EQ(std::vector<double>(out, out + 8), (std::vector<double>{0.25, 0, 0, 0, 0, 0, 0, 0}));
    fn->evaluate(in, 2, out);
    EXPECT_EQ(out[1], 0.75);
    EXPECT_EQ(out[2], 0);
}

TEST(FunctionParse, IdentityPassesEightValuesThrough) {
    auto fn = parseFunction(PdfObject::makeName("Identity"));
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(fn->inputCount(), 8);
    EXPECT_EQ(fn->outputCount(), 8);
    double in[8] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8};
    double out[8] = {};
    fn->clone()->transform(in, out);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], in[i]);
}

TEST(ExponentialFunction, DefaultsOutputCountAndClipping) {
    auto bare = fromText("<< /FunctionType 2 /Domain [0 1] /N 1 >>");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->outputCount(), 0);

    auto ranged = fromText("<< /FunctionType 2 /Domain [0 1] /Range [0 1 0 1] /N 1 >>");
    ASSERT_NE(ranged, nullptr);
    EXPECT_EQ(ranged->outputCount(), 2);
    EXPECT_DOUBLE_EQ(at(*ranged, 0.25, 1), 0.25);

    auto squared = fromText("<< /FunctionType 2 /Domain [0 2] /Range [0 3] /C0 [1] /C1 [2] /N 2 >>");
    ASSERT_NE(squared, nullptr);
    EXPECT_EQ(squared->outputCount(), 1);
    EXPECT_DOUBLE_EQ(at(*squared, 0.5), 1.25);
    EXPECT_DOUBLE_EQ(at(*squared, -4), 1.0);  // input clipped to the domain
    EXPECT_DOUBLE_EQ(at(*squared, 9), 3.0);   // 1 + 4, clipped to the range
    EXPECT_DOUBLE_EQ(at(*squared->clone(), 0.5), 1.25);

    // C0/C1 decide the output count; a shorter Range clips only the outputs it covers.
    auto wider = fromText("<< /FunctionType 2 /Domain [0 1] /Range [0 0.5] /C0 [0 0 0] /C1 [1 2 3] /N 1 >>");
    ASSERT_NE(wider, nullptr);
    EXPECT_EQ(wider->outputCount(), 3);
    EXPECT_DOUBLE_EQ(at(*wider, 1, 0), 0.5);
    EXPECT_DOUBLE_EQ(at(*wider, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(at(*wider, 1, 2), 3.0);
}

TEST(StitchingFunction, PiecesMeetAtTheBoundsWithTheirEncoding) {
    auto fn = fromText(std::string("<< /FunctionType 3 /Domain [0 1] /Functions [") + kLinear + " " + kLinear +
                       "] /Bounds [0.5] /Encode [0 1 0 1] >>");
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(fn->outputCount(), 1);  // taken from the pieces without a Range
    EXPECT_DOUBLE_EQ(at(*fn, 0.25), 0.5);
    EXPECT_NEAR(at(*fn, 0.4999), 0.9998, 1e-12);
    EXPECT_DOUBLE_EQ(at(*fn, 0.5), 0.0);
    EXPECT_DOUBLE_EQ(at(*fn, 0.75), 0.5);
    EXPECT_DOUBLE_EQ(at(*fn, 1.0), 1.0);
    EXPECT_DOUBLE_EQ(at(*fn, 7.0), 1.0);
    auto copy = fn->clone();
    fn.reset();
    EXPECT_DOUBLE_EQ(at(*copy, 0.75), 0.5);
}

TEST(StitchingFunction, ZeroWidthPieceGivesTheStartOfItsEncoding) {
    auto fn = fromText(std::string("<< /FunctionType 3 /Domain [0 1] /Functions [") + kLinear + " " + kLinear +
                       "] /Bounds [1] /Encode [0 1 0.25 1] >>");
    ASSERT_NE(fn, nullptr);
    EXPECT_DOUBLE_EQ(at(*fn, 1.0), 0.25);
    EXPECT_DOUBLE_EQ(at(*fn, std::nan("")), 0.0);  // not-a-number input counts as the domain start
}

TEST(StitchingFunction, ReferenceCyclesAndFanOutAreBounded) {
    test::PdfBuilder b;
    b.object("<< /FunctionType 3 /Domain [0 1] /Functions [1 0 R] /Bounds [] /Encode [0 1] >>");
    // 2 -> 40 x 3 -> 40 x 4: shallow, but 1641 functions.
    std::string wide, bounds, encode = "0 1";
    for (int i = 0; i < 40; ++i) wide += " 3 0 R";
    for (int i = 1; i < 40; ++i) bounds += " " + std::to_string(i / 40.0), encode += " 0 1";
    std::string entries = "/Bounds [" + bounds + "] /Encode [" + encode + "] >>";
    b.object("<< /FunctionType 3 /Domain [0 1] /Functions [" + wide + "] " + entries);
    std::string deeper = wide;
    for (size_t at = deeper.find('3'); at != std::string::npos; at = deeper.find('3', at + 1)) deeper[at] = '4';
    b.object("<< /FunctionType 3 /Domain [0 1] /Functions [" + deeper + "] " + entries);
    b.object(kLinear);
    test::TestResolver xref(b.bytes());
    xref.addAll(b, 5);
    {
        ErrorCapture errors;
        EXPECT_EQ(parseFunction(xref.fetch(1, 0)), nullptr);
        EXPECT_TRUE(errors.contains("Functions nested more than 8 deep are unsupported"));
    }
    {
        ErrorCapture errors;
        EXPECT_EQ(parseFunction(xref.fetch(2, 0)), nullptr);
        EXPECT_TRUE(errors.contains("More than 1024 functions in one function are unsupported"));
    }
}

// Big-endian bytes of `values`, each `bits` wide, packed most significant bit first.
std::string pack(const std::vector<uint32_t>& values, int bits) {
    std::string out;
    uint64_t acc = 0;
    int have = 0;
    for (uint32_t v : values) {
        acc = (acc << bits) | v;
        have += bits;
        while (have >= 8) {
            have -= 8;
            out += static_cast<char>((acc >> have) & 0xff);
        }
    }
    if (have > 0) out += static_cast<char>((acc << (8 - have)) & 0xff);
    return out;
}

TEST(SampledFunction, ReadsEveryBitWidth) {
    for (int bits : {1, 2, 4, 8, 12, 16, 24, 32}) {
        uint64_t max = (uint64_t{1} << bits) - 1;
        std::vector<uint32_t> values = {0, static_cast<uint32_t>(max), static_cast<uint32_t>(max / 3), 1};
        auto fn = parseFunction(streamObject("/FunctionType 0 /Domain [0 3] /Range [0 1] /Size [4] /BitsPerSample " +
                                                 std::to_string(bits),
                                             pack(values, bits)));
        ASSERT_NE(fn, nullptr) << bits;
        for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(at(*fn, i), values[i] / static_cast<double>(max)) << bits;
    }
}

TEST(SampledFunction, InterpolatesBetweenGridPoints) {
    // One input, two outputs, with Decode stretching the second output.
    auto line = parseFunction(streamObject(
        "/FunctionType 0 /Domain [0 1] /Range [0 1 0 10] /Decode [0 1 0 10] /Size [2] /BitsPerSample 8",
        std::string("\x00\xff\xff\x00", 4)));
    ASSERT_NE(line, nullptr);
    double out[8] = {};
    double in[8] = {0.25};
    line->transform(in, out);
    EXPECT_DOUBLE_EQ(out[0], 0.25);
    EXPECT_DOUBLE_EQ(out[1], 7.5);

    // Two inputs, the first varying fastest: corners 0, 0.2, 0.4, 1.
    auto plane = parseFunction(streamObject("/FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [2 2] "
                                            "/BitsPerSample 8 /Decode [0 2.55]",
                                            std::string("\x00\x14\x28\x64", 4)));
    ASSERT_NE(plane, nullptr);
    auto value = [&](double x, double y) {
        double i2[8] = {x, y};
        double o2[8] = {};
        plane->transform(i2, o2);
        return o2[0];
    };
    EXPECT_NEAR(value(1, 0), 0.2, 1e-12);
    EXPECT_NEAR(value(0, 1), 0.4, 1e-12);
    EXPECT_NEAR(value(0.5, 0.5), 0.4, 1e-12);  // (0 + 0.2 + 0.4 + 1) / 4
    EXPECT_NEAR(value(5, -5), 0.2, 1e-12);     // clipped onto the grid
    EXPECT_NEAR(plane->clone().get() ? value(0.5, 0) : 0, 0.1, 1e-12);

    // Eight inputs of two points each: 256 corners.
    std::string cube(256, '\0');
    cube[255] = '\xff';
    std::string dims = "/Domain [0 1 0 1 0 1 0 1 0 1 0 1 0 1 0 1] /Size [2 2 2 2 2 2 2 2]";
    auto eight = parseFunction(streamObject("/FunctionType 0 /Range [0 1] /BitsPerSample 8 " + dims, cube));
    ASSERT_NE(eight, nullptr);
    double all[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    double half[8] = {0.5, 1, 1, 1, 1, 1, 1, 1};
    eight->transform(all, out);
    EXPECT_DOUBLE_EQ(out[0], 1.0);
    eight->transform(half, out);
    EXPECT_DOUBLE_EQ(out[0], 0.5);
}

TEST(SampledFunction, HostileSizesAndWidthsAreRefusedBeforeAllocating) {
    struct Case {
        const char* entries;
        const char* message;
    } cases[] = {
        {"/Size [65536 65536] /Domain [0 1 0 1] /BitsPerSample 8", "Sampled function has more than 4194304 samples"},
        {"/Size [2147483647] /Domain [0 1] /BitsPerSample 8", "Sampled function has more than 4194304 samples"},
        {"/Size [0] /Domain [0 1] /BitsPerSample 8", "Illegal value in function size array"},
        {"/Size [2.5] /Domain [0 1] /BitsPerSample 8", "Illegal value in function size array"},
        {"/Size [2 2] /Domain [0 1] /BitsPerSample 8", "Function has missing or invalid size array"},
        {"/Domain [0 1] /BitsPerSample 8", "Function has missing or invalid size array"},
        {"/Size [2] /Domain [0 1] /BitsPerSample 33", "Function has missing or invalid BitsPerSample"},
        {"/Size [2] /Domain [0 1] /BitsPerSample 0", "Function has missing or invalid BitsPerSample"},
        {"/Size [2] /Domain [0 1] /BitsPerSample 8 /Encode [0 /x]", "Illegal value in function encode array"},
        {"/Size [2] /Domain [0 1] /BitsPerSample 8 /Decode [0 /x]", "Illegal value in function decode array"},
    };
    for (const Case& c : cases) {
        ErrorCapture errors;
        auto fn = parseFunction(streamObject(std::string("/FunctionType 0 /Range [0 1] ") + c.entries, "\x01\x02"));
        EXPECT_EQ(fn, nullptr) << c.entries;
        EXPECT_EQ(errors.messages(), std::vector<std::string>{c.message}) << c.entries;
    }
}

TEST(SampledFunction, ShortDataIsReportedAndReadsAsZero) {
    ErrorCapture errors;
    auto fn = parseFunction(
        streamObject("/FunctionType 0 /Domain [0 2] /Range [0 1] /Size [3] /BitsPerSample 16", "\xff\xff\xff"));
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Sampled function data is too short (1 of 3 samples)"});
    EXPECT_DOUBLE_EQ(at(*fn, 0), 1.0);
    EXPECT_DOUBLE_EQ(at(*fn, 1), 0.0);
    EXPECT_DOUBLE_EQ(at(*fn, 2), 0.0);
}

TEST(PostScriptFunction, StackOperatorsAndConditionals) {
    auto copyAdd = program("/Domain [0 10 0 10] /Range [0 10 0 10 0 10]", "{ 2 copy add }");
    ASSERT_NE(copyAdd, nullptr);
    double in[8] = {1, 2};
    double out[8] = {};
    copyAdd->transform(in, out);
    EXPECT_EQ(std::vector<double>(out, out + 3), (std::vector<double>{1, 2, 3}));

    auto step = program("/Domain [0 1] /Range [0 1]", "{ dup 0.5 gt { pop 1 } { pop 0 } ifelse }");
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(at(*step, 0.7), 1.0);
    EXPECT_EQ(at(*step, 0.2), 0.0);

    auto single = program("/Domain [0 1] /Range [-1 1]", "{ dup 0 lt { neg } if }");
    ASSERT_NE(single, nullptr);
    EXPECT_EQ(at(*single, -0.5), 0.5);
    EXPECT_EQ(at(*single, 0.25), 0.25);

    auto nested = program("/Domain [0 1] /Range [0 9]",
                          "{ dup 0.5 lt { 0.25 lt { 1 } { 2 } ifelse } { 0.75 lt { 3 } { 4 } ifelse } ifelse }");
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(at(*nested, 0.1), 1.0);
    EXPECT_EQ(at(*nested, 0.3), 2.0);
    EXPECT_EQ(at(*nested, 0.6), 3.0);
    EXPECT_EQ(at(*nested->clone(), 0.9), 4.0);

    auto rolled = program("/Domain [0 1] /Range [0 9 0 9 0 9]", "{ pop 1 2 3 3 1 roll }");
    ASSERT_NE(rolled, nullptr);
    double r[8] = {};
    rolled->transform(in, r);
    EXPECT_EQ(std::vector<double>(r, r + 3), (std::vector<double>{3, 1, 2}));
    auto back = program("/Domain [0 1] /Range [0 9 0 9 0 9]", "{ pop 1 2 3 3 -1 roll 1 index exch pop }");
    ASSERT_NE(back, nullptr);
    back->transform(in, r);
    EXPECT_EQ(std::vector<double>(r, r + 3), (std::vector<double>{2, 3, 3}));
}

// Runs a program with no inputs and one output in [-1000, 1000].
double run(const std::string& code) {
    auto fn = program("/Domain [] /Range [-1000 1000]", code);
    EXPECT_NE(fn, nullptr) << code;
    return fn ? at(*fn, 0) : -9999;
}

TEST(PostScriptFunction, NumbersAndOperators) {
    EXPECT_EQ(run("{ .5 }"), 0.5);
    EXPECT_EQ(run("{ -.5 2 mul }"), -1.0);
    EXPECT_EQ(run("{ 1 -1 bitshift }"), 0.0);
    EXPECT_EQ(run("{ 1 3 bitshift }"), 8.0);
    EXPECT_EQ(run("{ -16 -2 bitshift 1073741820 sub }"), 0.0);  // logical shift
    EXPECT_EQ(run("{ 1 40 bitshift }"), 0.0);
    EXPECT_EQ(run("{ 90 sin }"), 1.0);
    EXPECT_NEAR(run("{ 180 cos }"), -1.0, 1e-15);
    EXPECT_NEAR(run("{ 1 -1 atan }"), 135.0, 1e-12);
    EXPECT_NEAR(run("{ -1 0 atan }"), 270.0, 1e-12);
    EXPECT_EQ(run("{ 7 2 idiv 10 mul -7 2 mod add }"), 29.0);
    EXPECT_EQ(run("{ 7 2 div }"), 3.5);
    EXPECT_EQ(run("{ 2 8 exp }"), 256.0);
    EXPECT_NEAR(run("{ 100 log 2.718281828459045 ln add 16 sqrt add }"), 7.0, 1e-12);
    EXPECT_EQ(run("{ 2.5 round -2.5 round sub }"), 6.0);
    EXPECT_EQ(run("{ -2.7 truncate -2.7 floor sub 2.2 ceiling add }"), 4.0);
    EXPECT_EQ(run("{ -3.9 cvi 3 cvr add }"), 0.0);
    EXPECT_EQ(run("{ 12 10 and 12 10 or 12 10 xor add add }"), 28.0);
    EXPECT_EQ(run("{ 0 not 2 add }"), 1.0);
    EXPECT_EQ(run("{ true false or { 5 } { 6 } ifelse }"), 5.0);
    EXPECT_EQ(run("{ true true xor not { 5 } { 6 } ifelse }"), 5.0);
    EXPECT_EQ(run("{ 1 1.0 eq 2 3 ne and 3 3 ge and 2 3 lt and { 1 } { 0 } ifelse }"), 1.0);
    EXPECT_EQ(run("{ -5 abs 3 neg add }"), 2.0);
    EXPECT_EQ(run("{ 2147483647 1 add -2147483648 eq { 1 } { 0 } ifelse }"), 1.0);  // 32-bit wrapping
}

TEST(PostScriptFunction, DivisionByZeroHasDefinedResults) {
    ErrorCapture errors;
    EXPECT_EQ(run("{ 5 0 idiv }"), 0.0);
    EXPECT_EQ(run("{ 5 0 mod }"), 0.0);
    EXPECT_EQ(run("{ -2147483648 -1 idiv -2147483648 eq { 1 } { 0 } ifelse }"), 1.0);
    EXPECT_EQ(run("{ -2147483648 -1 mod }"), 0.0);
    EXPECT_EQ(run("{ 1 0 div }"), 1000.0);  // infinity, clipped to the range
    EXPECT_EQ(run("{ 1 0 div cvi 2147483647 eq { 1 } { 0 } ifelse }"), 1.0);
    EXPECT_EQ(run("{ 0 0 div }"), -1000.0);  // not-a-number clips to the range start
    EXPECT_TRUE(errors.messages().empty());
}

TEST(PostScriptFunction, StackErrorsAreReportedAndEvaluationGoesOn) {
    {
        ErrorCapture errors;
        auto fn = program("/Domain [0 1] /Range [0 1 0 1]", "{ pop pop }");
        ASSERT_NE(fn, nullptr);
        double in[8] = {0.5};
        double out[8] = {7, 7};
        fn->transform(in, out);
        EXPECT_EQ(out[0], 0.0);
        EXPECT_EQ(out[1], 0.0);
        EXPECT_EQ(errors.count("Stack underflow in PostScript function"), 3);
    }
    {
        ErrorCapture errors;
        EXPECT_EQ(run("{ true 1 add }"), 1.0);  // the boolean stays, 1 + 0 is left on top
        EXPECT_EQ(errors.messages(), std::vector<std::string>{"Type mismatch in PostScript function"});
    }
    {
        ErrorCapture errors;
        std::string many = "{";
        for (int i = 0; i < 101; ++i) many += " 1";
        EXPECT_EQ(run(many + " }"), 1.0);
        EXPECT_EQ(errors.messages(), std::vector<std::string>{"Stack overflow in PostScript function"});
    }
    {
        ErrorCapture errors;
        EXPECT_EQ(run("{ 1 5 copy 1 9 index add 1 7 1 roll }"), 1.0);
        EXPECT_EQ(errors.count("Stack underflow in PostScript function"), 3);
    }
}

// The checkerboard of a function shading: cells of a quarter, 0 and 1 alternating.
TEST(PostScriptFunction, RealOperandsOfIdivAndModCountByTheirIntegerPart) {
    ErrorCapture errors;
    auto board = program("/Domain [0 1 0 1] /Range [0 1]", "{ 4 mul floor exch 4 mul floor add 2 mod }");
    ASSERT_NE(board, nullptr);
    auto cell = [&board](double x, double y) {
        double in[8] = {x, y};
        double out[8] = {-1};
        board->transform(in, out);
        return out[0];
    };
    EXPECT_EQ(cell(0.1, 0.1), 0.0);
    EXPECT_EQ(cell(0.3, 0.1), 1.0);
    EXPECT_EQ(cell(0.3, 0.3), 0.0);
    EXPECT_EQ(cell(0.9, 0.6), 1.0);
    EXPECT_EQ(cell(0.99, 0.99), 0.0);
    EXPECT_EQ(run("{ 7.9 2 idiv }"), 3.0);
    EXPECT_EQ(run("{ -7.5 2.9 mod }"), -1.0);  // truncated to -7 and 2
    EXPECT_EQ(run("{ 5.5 0.5 mod }"), 0.0);    // 0.5 counts as 0: division by zero
    EXPECT_EQ(run("{ 1000000000000.0 3 mod }"), 1.0);  // saturates to 2147483647
    EXPECT_TRUE(errors.messages().empty());
}

// Integers stay integers where the operator says so; bitshift refuses reals, which shows the type.
TEST(PostScriptFunction, ResultTypesFollowTheOperands) {
    auto typeOf = [](const std::string& expression) {
        ErrorCapture errors;
        run("{ " + expression + " 0 bitshift pop 0 }");
        return errors.messages().empty() ? "int" : "real";
    };
    EXPECT_STREQ(typeOf("1 2 add"), "int");
    EXPECT_STREQ(typeOf("1 2.0 add"), "real");
    EXPECT_STREQ(typeOf("6 3 div"), "real");
    EXPECT_STREQ(typeOf("7 2 idiv"), "int");
    EXPECT_STREQ(typeOf("7.0 2 mod"), "int");
    EXPECT_STREQ(typeOf("2.5 floor"), "real");
    EXPECT_STREQ(typeOf("3 floor"), "int");
    EXPECT_STREQ(typeOf("2.5 cvi"), "int");
    EXPECT_STREQ(typeOf("2 cvr"), "real");
    EXPECT_STREQ(typeOf("-3 abs"), "int");
    EXPECT_STREQ(typeOf("2 sqrt"), "real");
}

TEST(PostScriptFunction, HostileCountsAndDeepStacksStayInside) {
    ErrorCapture errors;
    EXPECT_EQ(run("{ 1 2 3 -2147483648 index }"), 0.0);
    EXPECT_EQ(run("{ 1 2 3 2147483647 index }"), 0.0);
    EXPECT_EQ(run("{ 1 2 3 3 -2147483648 roll }"), 2.0);  // -2147483648 mod 3 = -2: c a b
    EXPECT_EQ(run("{ 1 2 3 3 2147483647 roll }"), 2.0);   // 2147483647 mod 3 = 1: c a b
    EXPECT_EQ(run("{ 1 2 3 -2147483648 1 roll }"), 3.0);
    EXPECT_EQ(run("{ 1 2 3 2147483647 1 roll }"), 3.0);
    EXPECT_EQ(run("{ 1 2 3 -1 copy }"), 3.0);
    EXPECT_EQ(run("{ 1 2 3 2147483647 copy }"), 3.0);
    EXPECT_EQ(errors.count("Stack underflow in PostScript function"), 6);
    errors.clear();
    // 60 entries copied again overflow the 100-entry stack: the extra pushes are dropped.
    std::string sixty = "{";
    for (int i = 0; i < 60; ++i) sixty += " " + std::to_string(i);
    EXPECT_EQ(run(sixty + " 60 copy }"), 39.0);
    EXPECT_EQ(errors.count("Stack overflow in PostScript function"), 20);
    errors.clear();
    EXPECT_EQ(run("{ pop add mul exch dup roll index 5 }"), 5.0);
    EXPECT_GT(errors.count("Stack underflow in PostScript function"), 0);
}

TEST(PostScriptFunction, BadProgramsAreRefusedWithTheirMessages) {
    struct Case {
        const char* code;
        const char* message;
    } cases[] = {
        {"", "Unexpected end of PostScript function stream"},
        {"1 add }", "Expected '{' at start of PostScript function"},
        {"{ 1 2 add", "Unexpected end of PostScript function stream"},
        {"{ 1 frob }", "Unknown operator 'frob' in PostScript function"},
        {"{ 1 ( }", "Unknown operator '(' in PostScript function"},
        {"{ true if }", "Unknown operator 'if' in PostScript function"},
        {"{ true { 1 } { 2 } if }", "Got 'if' operator with two blocks in PostScript function"},
        {"{ true { 1 } ifelse }", "Got 'ifelse' operator with one blocks in PostScript function"},
        {"{ true { 1 } add }", "Expected if/ifelse operator in PostScript function"},
        {"{ true { 1 }", "Unexpected end of PostScript function stream"},
    };
    for (const Case& c : cases) {
        ErrorCapture errors;
        EXPECT_EQ(program("/Domain [0 1] /Range [0 1]", c.code), nullptr) << c.code;
        EXPECT_EQ(errors.messages(), std::vector<std::string>{c.message}) << c.code;
    }
    ErrorCapture errors;
    EXPECT_EQ(program("/Domain [0 1] /Range [0 1]", "{" + std::string(200, '{')), nullptr);
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"PostScript function blocks nested more than 64 deep"});
}

}  // namespace
}  // namespace qm
