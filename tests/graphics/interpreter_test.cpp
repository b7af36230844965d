#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/content_interpreter.h"
#include "graphics/graphics_test_support.h"
#include "recording_device.h"
#include "support/pdf_builder.h"

using namespace qm;
using test::RecordingDevice;

namespace {

// A one-page run: object 1 is the resource dictionary, object 2 the content stream; extra
// objects (forms, images, patterns) follow from number 3.
struct PageRun {
    explicit PageRun(const std::string& content, const std::string& resources = "<< >>",
                     const std::vector<std::string>& extra = {})
        : xref(test::pageObjects(content, resources, extra)) {}
    void run(bool crop = false) {
        PdfObject res = xref->fetch(1, 0);
        PdfObject contents = xref->fetch(2, 0);
        PageBox box{0, 0, 612, 792};
        PageBox cropBox{10, 20, 110, 220};
        ContentInterpreter interp(xref.get(), &device, 1, res.isDict() ? res.getDict() : nullptr, 72, box, crop,
                                  cropBox, 0, false);
        interp.run(contents);
    }
    std::unique_ptr<test::TestResolver> xref;
    RecordingDevice device;
};

}  // namespace

TEST(InterpreterOperands, NineOperandsDropTheLastAndTheCountCheckRejects) {
    ErrorCapture errors;
    PageRun page("1 2 3 4 5 6 7 8 9 re 10 20 m 30 40 l S");
    page.run();
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{"Too many args in content stream",
                                                           "Wrong number (8) of args to 're' operator"}));
    EXPECT_EQ(page.device.matching("stroke"), std::vector<std::string>{"stroke [10,20 30,40]"});
}

TEST(InterpreterOperands, TypeAndCountChecksAndUnknownOperators) {
    ErrorCapture errors;
    PageRun page("(x) w 1 2 3 4 5 SC 1 2 3 4 5 6 sc foo BX bar 1 baz EX EX EX qux 1 2");
    page.run();
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{
                                     "Arg #0 to 'w' operator is wrong type (string)",
                                     "Too many (5) args to 'SC' operator",
                                     "Too many (6) args to 'sc' operator",
                                     "Unknown operator 'foo'",
                                     "Unknown operator 'qux'",
                                     "Leftover args in content stream",
                                 }));
}

TEST(InterpreterOperands, ScnTakesAtMostFourComponents) {
    PageRun page("/DeviceCMYK cs 0.1 0.2 0.3 0.4 0.5 scn");
    page.run();
    auto fills = page.device.matching("updateFillColor");
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills.back(), "updateFillColor 0.1 0.2 0.3 0.4");
}

TEST(InterpreterOperators, TableIsSortedAndEveryNameIsFound) {
    int n = 0;
    const auto* table = ContentInterpreter::operatorTable(&n);
    ASSERT_EQ(n, 73);
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            EXPECT_LT(std::string(table[i - 1].name), std::string(table[i].name));
        }
        EXPECT_EQ(ContentInterpreter::findOperator(table[i].name), &table[i]);
    }
    EXPECT_EQ(ContentInterpreter::findOperator("!"), nullptr);
    EXPECT_EQ(ContentInterpreter::findOperator("zz"), nullptr);
    EXPECT_EQ(ContentInterpreter::findOperator("Tjx"), nullptr);
}

TEST(InterpreterPaths, CurrentPointRulesAndPendingClips) {
    ErrorCapture errors;
    PageRun page("10 10 l 1 2 3 4 5 6 c 1 2 3 4 v 1 2 3 4 y h W S 50 50 m n 5 5 m 20 5 l 20 30 l W n 0 0 m 1 1 l S");
    page.run();
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"No current point in lineto", "No current point in curveto",
                                        "No current point in curveto1", "No current point in curveto2",
                                        "No current point in closepath"}));
    // "S" without a current point kept the W pending; "m n" (a move only) consumed it unclipped;
    // the second W clipped to the triangle's device box (y flipped on an upside-down page).
    EXPECT_EQ(page.device.matching("clip"), std::vector<std::string>{"clip 5 762 20 787"});
    EXPECT_EQ(page.device.matching("stroke"), std::vector<std::string>{"stroke [0,0 1,1]"});
}

TEST(InterpreterPaths, PaintingOperatorsAndRectangles) {
    PageRun page("0 0 10 10 re f 0 0 m 5 0 l 5 5 l b* 1 1 m 2 2 l s 0 0 m 1 0 l B");
    page.run();
    EXPECT_EQ(page.device.matching("fill"), (std::vector<std::string>{"fill [0,0 10,0 10,10 0,10 0,0 closed]",
                                                                      "fill [0,0 1,0]"}));
    EXPECT_EQ(page.device.matching("eoFill"), std::vector<std::string>{"eoFill [0,0 5,0 5,5 0,0 closed]"});
    EXPECT_EQ(page.device.count("stroke"), 3);
}

TEST(InterpreterState, SaveRestoreKeepsThePathAndBalancesTheDevice) {
    PageRun page("q 10 10 m Q 20 20 l S Q q q");
    page.run();
    EXPECT_EQ(page.device.matching("stroke"), std::vector<std::string>{"stroke [10,10 20,20]"});
    EXPECT_EQ(page.device.count("saveState"), 3);
    // Two explicit Q plus the two saves the page left open.
    EXPECT_EQ(page.device.count("restoreState"), 4);
    EXPECT_EQ(page.device.calls.back(), "endPage");
}

TEST(InterpreterState, EndlessSavesAreCapped) {
    std::string content;
    for (int i = 0; i < 5000; ++i) content += "q ";
    ErrorCapture errors;
    PageRun page(content);
    page.run();
    EXPECT_EQ(errors.count("Too many nested graphics states"), 5000 - ContentInterpreter::kMaxSaveDepth);
    EXPECT_EQ(page.device.count("restoreState"), ContentInterpreter::kMaxSaveDepth);
}

TEST(InterpreterState, ExtGStateOpacityAndDash) {
    ErrorCapture errors;
    PageRun page("/A gs /B gs /C gs [3 (x) 5] 2 d", "<< /ExtGState << /A << /ca 0.5 /LW 9 >> /B 7 >> >>");
    page.run();
    EXPECT_EQ(page.device.matching("updateFillOpacity"), std::vector<std::string>{"updateFillOpacity 0.5"});
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"ExtGState 'B' is wrong type", "ExtGState 'C' is unknown"}));
    EXPECT_EQ(page.device.matching("updateLineDash").back(), "updateLineDash 3 5 phase 2");
}

TEST(InterpreterContents, NonStreamInAContentsArrayRunsNothing) {
    test::PdfBuilder b;
    b.stream("", "0 0 m 1 1 l S");
    b.object("[1 0 R 5]");
    test::TestResolver xref(b.bytes());
    xref.addAll(b, 3);
    RecordingDevice device;
    ErrorCapture errors;
    {
        ContentInterpreter interp(&xref, &device, 1, nullptr, 72, PageBox{0, 0, 100, 100}, false, PageBox{}, 0,
                                  false);
        interp.run(xref.fetch(2, 0));
    }
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Weird page contents"});
    EXPECT_EQ(device.count("stroke"), 0);
}

TEST(InterpreterContents, CropBoxClipsAtStartAndCheckpointsCount) {
    std::string many;
    for (int i = 0; i < 450; ++i) many += "q Q ";
    PageRun page(many);
    page.run(true);
    EXPECT_EQ(page.device.calls[1], "updateLineDash phase 0");  // updateAll reached the device
    EXPECT_EQ(page.device.calls[2], "updateLineWidth 1");
    EXPECT_EQ(page.device.matching("clip"), std::vector<std::string>{"clip 10 572 110 772"});
    EXPECT_EQ(page.device.count("checkpoint"), 900 / 200 + 1);
}

TEST(InterpreterTextFonts, MissingFontsReportAndDrawNothing) {
    ErrorCapture errors;
    PageRun page("BT /F9 12 Tf (a) Tj (b) ' 1 2 (c) \" [(d) 5] TJ ET");
    page.run();
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"Unknown font tag 'F9'", "No font in show", "No font in move/show",
                                        "No font in move/set/show", "No font in show/space"}));
    EXPECT_EQ(page.device.count("drawChar"), 0);
}

TEST(InterpreterMarkedContent, BalancedAndUnbalancedSections) {
    PageRun page("/Span << /ActualText (x) >> BDC /P BMC EMC EMC EMC /Tag MP");
    page.run();
    SUCCEED();
}

TEST(InterpreterXObjects, SubtypesFormTypesAndSelfReference) {
    ErrorCapture errors;
    PageRun page("/Im0 Do /Fx Do /Nope Do /Bad Do /Fm2 Do /Self Do",
                 "<< /XObject << /Im0 3 0 R /Fx 4 0 R /Bad 7 /Fm2 5 0 R /Self 6 0 R >> >>",
                 {"stream:/Subtype /PS|x", "stream:/Subtype /Form /BBox [0 0 10 10]|0 0 m 1 1 l S",
                  "stream:/Subtype /Form /FormType 2 /BBox [0 0 10 10] /Matrix [2 0 0 2 5 5]|0 0 m 1 1 l S",
                  "stream:/Subtype /Form /BBox [0 0 10 10] /Resources << /XObject << /S 6 0 R >> >>|/S Do"});
    page.run();
    std::vector<std::string> expected = {"Unknown XObject subtype 'PS'", "XObject 'Nope' is unknown",
                                         "XObject 'Bad' is wrong type", "Unknown form type"};
    std::vector<std::string> got(errors.messages().begin(), errors.messages().begin() + 4);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(errors.count("Forms nested too deeply"), 1);
    EXPECT_EQ(page.device.count("stroke"), 2);
    EXPECT_EQ(page.device.count("updateTransform 2 0 0 2 5 5"), 1);
    // Every save of every nested form was undone.
    EXPECT_EQ(page.device.count("saveState"), page.device.count("restoreState"));
}

TEST(InterpreterImages, XObjectImagesMasksAndParameters) {
    ErrorCapture errors;
    PageRun page("/I1 Do /I2 Do /I3 Do /I4 Do",
                 "<< /XObject << /I1 3 0 R /I2 4 0 R /I3 5 0 R /I4 6 0 R >> /ColorSpace << /CS0 /DeviceRGB >> >>",
                 {"stream:/Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /CS0 "
                  "/Mask [1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20]|abcdef",
                  "stream:/Subtype /Image /Width 8 /Height 2 /ImageMask true /Decode [1 0]|xy",
                  "stream:/Subtype /Image /Width 2 /Height 2 /BitsPerComponent 8|xxxx",
                  "stream:/Subtype /Image /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceGray "
                  "/Decode [0]|xxxx"});
    page.run();
    EXPECT_EQ(page.device.matching("drawImage "),
              std::vector<std::string>{
                  "drawImage 2x1 comps 3 bits 8 ref 3 mask 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 bytes 6"});
    EXPECT_EQ(page.device.matching("drawImageMask"),
              std::vector<std::string>{"drawImageMask 8x2 invert ref 4 bytes 2"});
    EXPECT_EQ(errors.count("Bad image parameters"), 2);
}

TEST(InterpreterImages, JpegTwoThousandTakesDepthAndColourSpaceFromItsData) {
    std::ifstream in(std::string(QM_TEST_DATA_DIR) + "/streams/jpx-rgba.jp2", std::ios::binary);
    const std::string jp2((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(jp2.empty());
    ErrorCapture errors;
    // No depth or colour space in the first; the second names its own space, which wins; the
    // third is no JPEG 2000 data at all and shows nothing.
    // An inline one is refused before its decoder could read past its end.
    PageRun page("/I1 Do /I2 Do /I3 Do BI /W 2 /H 2 /F /JPXDecode ID\nxxxx\nEI 1 0 0 RG",
                 "<< /XObject << /I1 3 0 R /I2 4 0 R /I3 5 0 R >> >>",
                 {"stream:/Subtype /Image /Width 61 /Height 43 /Filter /JPXDecode /SMaskInData 1|" + jp2,
                  "stream:/Subtype /Image /Width 61 /Height 43 /BitsPerComponent 4 /ColorSpace /DeviceGray "
                  "/Filter /JPXDecode|" + jp2,
                  "stream:/Subtype /Image /Width 61 /Height 43 /Filter /JPXDecode|junk"});
    page.device.readImages = true;
    page.run();
    EXPECT_EQ(page.device.matching("drawImage "),
              (std::vector<std::string>{"drawImage 61x43 comps 3 bits 8 ref 3 bytes 7869",
                                        "drawImage 61x43 comps 1 bits 8 ref 4 bytes 7869"}));
    EXPECT_EQ(errors.count("Bad image parameters"), 0);
    EXPECT_EQ(errors.count("JPX stream is neither a JP2 file nor a codestream"), 1);
    EXPECT_EQ(errors.count("Inline image cannot use the JPXDecode or JBIG2Decode filter"), 1);
    EXPECT_EQ(page.device.count("updateStrokeColor 1 0 0"), 1);
}

TEST(InterpreterImages, InlineImageDataContainingEI) {
    // The image data holds "EI" itself; what the image consumes is skipped, then the next EI.
    std::string content = "BI /W 4 /H 1 /BPC 8 /CS /G ID EIEI EI 0 0 m 1 1 l S";
    PageRun page(content);
    ErrorCapture errors;
    page.run();
    EXPECT_EQ(page.device.matching("drawImage"), std::vector<std::string>{"drawImage 4x1 comps 1 bits 8 inline"});
    EXPECT_EQ(page.device.matching("stroke"), std::vector<std::string>{"stroke [0,0 1,1]"});
    EXPECT_TRUE(errors.messages().empty()) << errors.messages()[0];
}

TEST(InterpreterImages, InlineImageDictionaryErrors) {
    ErrorCapture errors;
    PageRun page("BI /W 1 5 /H 1 /IM true ID \x80 EI ID EI BI /W");
    page.run();
    EXPECT_EQ(page.device.matching("drawImageMask"), std::vector<std::string>{"drawImageMask 1x1 inline"});
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"Inline image dictionary key must be a name object",
                                        "Internal: got 'ID' operator", "Internal: got 'EI' operator",
                                        "End of file in inline image"}));
}

TEST(InterpreterShading, EqualEndColoursPaintOneQuadrilateral) {
    PageRun page("/Sh sh",
                 "<< /Shading << /Sh << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] "
                 "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [1 0 0] /N 1 >> >> >> >>");
    page.run();
    EXPECT_EQ(page.device.count("fill"), 1);
    auto fills = page.device.matching("updateFillColor");
    EXPECT_EQ(fills.back(), "updateFillColor 1 0 0");
}

TEST(InterpreterShading, GradientSubdividesUntilColoursAreClose) {
    ErrorCapture errors;
    PageRun page("/Sh sh /Missing sh",
                 "<< /Shading << /Sh << /ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 612 0] "
                 "/Function << /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >> >> >> >>");
    page.run();
    int fills = page.device.count("fill");
    EXPECT_GE(fills, 128);
    EXPECT_LE(fills, 256);
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Unknown shading 'Missing'"});
}

TEST(InterpreterPatterns, CellsTimesContentIsCapped) {
    // 250000 one-unit cells are allowed, but not with 80 bytes of content each.
    std::string content(80, ' ');
    content += "0 0 m 1 1 l S";
    ErrorCapture errors;
    PageRun page("/Pattern cs /P scn 0 0 500 500 re f", "<< /Pattern << /P 3 0 R >> >>",
                 {"stream:/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 1 1] /XStep 1 /YStep 1 "
                  "/Resources << >>|" + content});
    page.run();
    EXPECT_EQ(page.device.count("stroke"), 0);
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Too many pattern cells"});
}

TEST(InterpreterPatterns, CellRunsOncePerColumnAndRow) {
    // A 10 x 10 cell over a 40 x 20 clip: four columns, two rows.
    PageRun page("/Pattern cs /P scn 0 0 40 20 re f",
                 "<< /Pattern << /P 3 0 R >> >>",
                 {"stream:/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10 "
                  "/Resources << >>|0 0 m 5 5 l S"});
    page.run();
    EXPECT_EQ(page.device.count("stroke"), 8);
    EXPECT_EQ(page.device.count("saveState"), page.device.count("restoreState"));
}

TEST(InterpreterBudget, NestedFormsThatMultiplyTheirWorkAreCutShort) {
    // Each form draws the next one ten times: 10^8 strokes if nothing stopped it.
    std::vector<std::string> forms;
    for (int i = 0; i < 8; ++i) {
        std::string body;
        for (int k = 0; k < 10; ++k) body += "/N Do ";
        std::string next = std::to_string(4 + i) + " 0 R";
        forms.push_back("stream:/Subtype /Form /BBox [0 0 10 10] /Resources << /XObject << /N " + next +
                        " >> >>|" + (i == 7 ? std::string("0 0 m 1 1 l S") : body));
    }
    ErrorCapture errors;
    test::PdfBuilder b;
    b.object("<< /XObject << /N 3 0 R >> >>");
    b.stream("", "/N Do");
    for (const auto& f : forms) {
        size_t bar = f.find('|');
        b.stream(f.substr(7, bar - 7), f.substr(bar + 1));
    }
    test::TestResolver xref(b.bytes());
    xref.addAll(b, b.nextNumber());
    RecordingDevice device;
    {
        ContentInterpreter interp(&xref, &device, 1, xref.fetch(1, 0).getDict(), 72, PageBox{0, 0, 100, 100}, false,
                                  PageBox{}, 0, false);
        interp.setWorkBudget(20000);
        interp.run(xref.fetch(2, 0));
    }
    EXPECT_EQ(errors.count("Page content too complex; the rest of the page is not drawn"), 1);
    EXPECT_GT(device.count("stroke"), 100);
    EXPECT_LT(device.count("stroke"), 20000);
    EXPECT_EQ(device.count("saveState"), device.count("restoreState"));
}

TEST(InterpreterShading, RadialShPaintsPolygonsInTheShadingColourSpace) {
    PageRun page("/Sh sh",
                 "<< /Shading << /Sh << /ShadingType 3 /ColorSpace /DeviceRGB /Coords [100 100 0 100 100 50] "
                 "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >> >> >>");
    page.run();
    EXPECT_GE(page.device.count("fill ["), 64);
    auto colors = page.device.matching("updateFillColor");
    EXPECT_EQ(colors.front(), "updateFillColor 0");  // the page's default gray
    EXPECT_EQ(colors.back().substr(0, 18), "updateFillColor 0.");
    EXPECT_EQ(page.device.calls.back(), "endPage");
}

TEST(InterpreterShading, ShadingPatternFillsAndStrokesWithinThePath) {
    const std::string res =
        "<< /Pattern << /P << /PatternType 2 /Matrix [1 0 0 1 10 0] /Shading << /ShadingType 3 "
        "/ColorSpace /DeviceGray /Background [0.5] /Coords [50 50 0 50 50 40] /Extend [false true] "
        "/Function << /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >> >> >> >> >>";
    PageRun page("/Pattern cs /P scn /Pattern CS /P SCN 0 0 100 100 re B", res);
    page.run();
    const auto& calls = page.device.calls;
    auto at = [&](const std::string& prefix, size_t from) {
        for (size_t i = from; i < calls.size(); ++i)
            if (calls[i].compare(0, prefix.size(), prefix) == 0) return i;
        return calls.size();
    };
    size_t clip = at("clip", 0);
    ASSERT_LT(clip, calls.size());
    EXPECT_EQ(calls[clip], "clip 0 692 100 792");  // the path's device box
    // The pattern matrix moves the shading 10 units right of the page origin.
    size_t transform = at("updateTransform", clip);
    ASSERT_LT(transform, calls.size());
    EXPECT_EQ(calls[transform], "updateTransform 1 0 0 1 10 0");
    size_t background = at("updateFillColor", transform);
    EXPECT_EQ(calls[background], "updateFillColor 0.5");
    EXPECT_GE(page.device.count("fill ["), 16);
    // The stroke went through the shading as well: a second clip, and no plain stroke.
    EXPECT_EQ(page.device.count("stroke"), 0);
    size_t second = at("clip", clip + 1);
    ASSERT_LT(second, calls.size());
}

TEST(InterpreterShading, ThePageBudgetStopsALargeShading) {
    ErrorCapture errors;
    PageRun page("/Sh sh 0 0 m 10 10 l S",
                 "<< /Shading << /Sh << /ShadingType 3 /ColorSpace /DeviceGray /Coords [300 400 0 300 400 300] "
                 "/Function << /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >> >> >> >>");
    PdfObject res = page.xref->fetch(1, 0);
    PdfObject contents = page.xref->fetch(2, 0);
    PageBox box{0, 0, 612, 792};
    {
        ContentInterpreter interp(page.xref.get(), &page.device, 1, res.getDict(), 72, box, false, box, 0, false);
        interp.setWorkBudget(20);
        interp.run(contents);
    }
    EXPECT_LE(page.device.count("fill ["), 20);
    EXPECT_EQ(page.device.count("stroke"), 0);
    EXPECT_TRUE(errors.contains("Page content too complex; the rest of the page is not drawn"));
}
