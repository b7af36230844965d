// Fonts across resource scopes: one build per font dictionary for every form and pattern
// cell that names it, font building charged to the page's work budget, and the device told
// about the font again whenever a restore or the end of a form changes it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "fonts/document_font_cache.h"
#include "fonts/global_settings.h"
#include "graphics/content_interpreter.h"
#include "graphics/graphics_state.h"
#include "graphics/graphics_test_support.h"
#include "recording_device.h"
#include "support/pdf_builder.h"

using namespace qm;
using test::RecordingDevice;

namespace {

// A font whose ToUnicode holds one bad line, so each build of it reports one message.
const char* kFontWithToUnicode = "<< /Type /Font /Subtype /Type1 /BaseFont /TestSans /ToUnicode 4 0 R >>";
const char* kToUnicode = "stream:|1 beginbfchar\n<41> 0041\nendbfchar\n";
const char* kBadLine = "Illegal line in bfchar block in ToUnicode CMap";

// Tracks the font the device was last given and checks each drawn character against the
// state's font: a mismatch means the device draws with a font the content no longer uses
// (possibly one whose scope has destroyed it; the pointer is only compared, never used).
class FontCheckingDevice : public RecordingDevice {
public:
    void updateFont(GraphicsState& state) override {
        current = state.font();
        RecordingDevice::updateFont(state);
    }
    void drawChar(GraphicsState& state, double x, double y, double dx, double dy, double originX, double originY,
                  int code, const uint16_t* unicode, int unicodeCount, int rawCode) override {
        if (state.font() != current) ++staleDraws;
        RecordingDevice::drawChar(state, x, y, dx, dy, originX, originY, code, unicode, unicodeCount, rawCode);
    }
    const PdfFont* current = nullptr;
    int staleDraws = 0;
};

class FontScopes : public ::testing::Test {
protected:
    void SetUp() override { createGlobalSettings("config.lst"); }
    void TearDown() override { destroyGlobalSettings(); }

    void build(const std::string& content, const std::string& resources, const std::vector<std::string>& extra) {
        xref_ = test::pageObjects(content, resources, extra);
    }
    void run(OutputDevice& device, DocumentFontCache* fonts = nullptr, long budget = 0) {
        PdfObject res = xref_->fetch(1, 0);
        ContentInterpreter interp(xref_.get(), &device, 1, res.getDict(), 72, PageBox{0, 0, 612, 792}, false,
                                  PageBox{}, 0, false, fonts);
        if (budget > 0) interp.setWorkBudget(budget);
        interp.run(xref_->fetch(2, 0));
    }

    std::unique_ptr<test::TestResolver> xref_;
};

}  // namespace

TEST_F(FontScopes, FormsAndPatternCellsShareOneBuildPerFontDictionary) {
    // Forty runs of a form and a 10 x 10 pattern, each with the font in its own resources.
    std::string content;
    for (int i = 0; i < 40; ++i) content += "/X Do ";
    content += "/Pattern cs /P scn 0 0 100 100 re f";
    build(content, "<< /XObject << /X 5 0 R >> /Pattern << /P 6 0 R >> >>",
          {kFontWithToUnicode, kToUnicode,
           "stream:/Subtype /Form /BBox [0 0 10 10] /Resources << /Font << /F1 3 0 R >> >>|BT /F1 9 Tf (A) Tj ET",
           "stream:/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10 "
           "/Resources << /Font << /F1 3 0 R >> >>|BT /F1 9 Tf (A) Tj ET"});
    ErrorCapture errors;
    RecordingDevice device;
    DocumentFontCache fonts;
    run(device, &fonts);
    EXPECT_EQ(device.count("drawChar"), 140);
    EXPECT_EQ(errors.count(kBadLine), 1);
    EXPECT_EQ(fonts.size(), 1u);

    // A second page of the same document builds nothing again.
    errors.clear();
    run(device, &fonts);
    EXPECT_EQ(errors.count(kBadLine), 0);

    // Without the document's cache the interpreter keeps its own for the page.
    errors.clear();
    run(device);
    EXPECT_EQ(errors.count(kBadLine), 1);
}

TEST_F(FontScopes, TheSameDictionaryUnderTwoNamesAnswersToEach) {
    build("BT /A 9 Tf (A) Tj /B 9 Tf (A) Tj ET", "<< /Font << /A 3 0 R /B 3 0 R >> >>",
          {kFontWithToUnicode, kToUnicode});
    ErrorCapture errors;
    RecordingDevice device;
    DocumentFontCache fonts;
    run(device, &fonts);
    EXPECT_EQ(device.count("drawChar"), 2);
    EXPECT_FALSE(errors.contains("No font in show"));
}

TEST_F(FontScopes, BuildingFontsSpendsThePageBudget) {
    // Each form brings a direct font dictionary (never shared), so every run builds one.
    std::string content;
    for (int i = 0; i < 100; ++i) content += "/X Do ";
    build(content, "<< /XObject << /X 3 0 R >> >>",
          {"stream:/Subtype /Form /BBox [0 0 10 10] /Resources << /Font << /F1 << /Type /Font /Subtype /Type1 "
           "/BaseFont /TestSans >> >> >>|BT /F1 9 Tf (A) Tj ET"});
    ErrorCapture errors;
    RecordingDevice device;
    run(device, nullptr, 10 * ContentInterpreter::kFontBuildWork);
    EXPECT_TRUE(errors.contains("Page content too complex; the rest of the page is not drawn"));
    EXPECT_LT(device.count("drawChar"), 10);
    EXPECT_GT(device.count("drawChar"), 0);
}

TEST_F(FontScopes, RestoreAndFormEndGiveTheDeviceTheFontInForceAgain) {
    // F2 is chosen inside q ... Q, F3 inside a form whose scope destroys it at the end.
    // No BT between the changes, so only the restore and the form's end can tell the device.
    build("BT /F1 9 Tf (A) Tj q /F2 9 Tf (A) Tj Q (A) Tj /X Do (A) Tj ET",
          "<< /Font << /F1 3 0 R /F2 4 0 R >> /XObject << /X 5 0 R >> >>",
          {"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
           "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>",
           "stream:/Subtype /Form /BBox [0 0 10 10] /Resources << /Font << /F3 << /Type /Font /Subtype /Type1 "
           "/BaseFont /Times-Roman >> >> >>|/F3 9 Tf (A) Tj"});
    FontCheckingDevice device;
    run(device);
    EXPECT_EQ(device.count("drawChar"), 5);
    EXPECT_EQ(device.staleDraws, 0);
}
