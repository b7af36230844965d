#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/report_error.h"
#include "fonts/global_settings.h"
#include "graphics/content_interpreter.h"
#include "recording_device.h"
#include "support/pdf_builder.h"

using namespace qm;
using test::RecordingDevice;

namespace {

// A simple font whose space is 250 and A, B are 500 units wide.
std::string simpleFont() {
    std::string widths;
    for (int c = 32; c <= 66; ++c) widths += c == 32 ? "250 " : (c >= 65 ? "500 " : "0 ");
    return "<< /Type /Font /Subtype /Type1 /BaseFont /TestSans /FirstChar 32 /LastChar 66 /Widths [" + widths + "] >>";
}

std::vector<std::string> runText(const std::string& content, RecordingDevice& device, bool charByChar = true) {
    test::PdfBuilder b;
    b.object("<< /Font << /F1 3 0 R /V 4 0 R >> >>");
    b.stream("", content);
    b.object(simpleFont());
    b.object("<< /Type /Font /Subtype /Type0 /BaseFont /TestMincho /Encoding /Identity-V /DescendantFonts [5 0 R] >>");
    b.object("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /TestMincho "
             "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>");
    test::TestResolver xref(b.bytes());
    xref.addAll(b, 6);
    device.charByChar = charByChar;
    PdfObject res = xref.fetch(1, 0);
    {
        ContentInterpreter interp(&xref, &device, 1, res.getDict(), 72, PageBox{0, 0, 612, 792}, false, PageBox{}, 0,
                                  false);
        interp.run(xref.fetch(2, 0));
    }
    return device.matching("draw");
}

// Fonts take glyph names, CMaps and built-in metrics from the process-wide settings.
class InterpreterText : public ::testing::Test {
protected:
    void SetUp() override { createGlobalSettings("config.lst"); }
    void TearDown() override { destroyGlobalSettings(); }
};

}  // namespace

TEST_F(InterpreterText, HorizontalScalingHalvesAdvancesAndSpacing) {
    RecordingDevice device;
    auto draws = runText("BT /F1 10 Tf 3 Tc 5 Tw 50 Tz (A B) Tj ET", device);
    ASSERT_EQ(draws.size(), 3u);
    // A: (5 + 3) / 2 = 4; space: (2.5 + 3 + 5) / 2 = 5.25; the page is upside down.
    EXPECT_EQ(draws[0], "drawChar 0 0 d 4 0 o 0 0 code 65 raw 65 U+65");
    EXPECT_EQ(draws[1], "drawChar 4 0 d 5.25 0 o 0 0 code 32 raw 32 U+32");
    EXPECT_EQ(draws[2], "drawChar 9.25 0 d 4 0 o 0 0 code 66 raw 66 U+66");
    // Once at page start, once before the first string.
    EXPECT_EQ(device.count("updateFont"), 2);
}

TEST_F(InterpreterText, ShowSpaceArrayMovesBackByTheAdjustment) {
    RecordingDevice device;
    auto draws = runText("BT /F1 12 Tf [(A) 1000 (B) (x) 7] TJ ET", device);
    ASSERT_GE(draws.size(), 2u);
    EXPECT_EQ(draws[0].substr(0, 21), "drawChar 0 0 d 6 0 o ");
    EXPECT_EQ(draws[1].substr(0, 22), "drawChar -6 0 d 6 0 o ");
    EXPECT_EQ(device.matching("updateTextShift").front(), "updateTextShift 1000 -> -6 0");
}

TEST_F(InterpreterText, QuoteOperatorsMoveToTheNextLine) {
    RecordingDevice device;
    auto draws = runText("BT /F1 10 Tf 14 TL 100 700 Td (A) ' 1 2 (B) \" ET", device);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].substr(0, 19), "drawChar 100 686 d ");
    // Word spacing 1 and character spacing 2 apply to the B one line lower.
    EXPECT_EQ(draws[1].substr(0, 24), "drawChar 100 672 d 7 0 o");
}

TEST_F(InterpreterText, WholeStringPathMeasuresTheString) {
    RecordingDevice device;
    auto draws = runText("BT /F1 10 Tf 1 Tc (A B) Tj (A) Tj ET", device, false);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0], "drawString A B");
    // 5 + 2.5 + 5 plus three character spacings: the second string starts at 15.5.
    EXPECT_EQ(device.matching("updateTextPosition").size(), 1u);
}

TEST_F(InterpreterText, VerticalCidTextUsesTheVerticalMetrics) {
    RecordingDevice device;
    auto draws = runText("BT /V 10 Tf 2 Tc 300 500 Td <00410042> Tj ET", device);
    ASSERT_EQ(draws.size(), 2u);
    // Advance 0, -10 - 2 Tc... in user space (the text matrix is the identity), origin (5, 8.8).
    EXPECT_EQ(draws[0], "drawChar 300 500 d 0 -8 o 5 8.8 code 65 raw 16640");
    EXPECT_EQ(draws[1], "drawChar 300 492 d 0 -8 o 5 8.8 code 66 raw 16896");
}
