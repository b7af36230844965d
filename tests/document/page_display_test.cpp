#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/report_error.h"
#include "document/page_link.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "graphics/graphics_state.h"
#include "render/output_device.h"
#include "streams/file_data.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

// Logs what page display hands to the device.
class DisplayLog : public OutputDevice {
public:
    bool isUpsideDown() override { return true; }
    bool wantsCharByChar() override { return false; }
    void beginPage(int pageNumber, GraphicsState& state) override {
        calls.push_back("beginPage " + std::to_string(pageNumber));
        std::memcpy(pageTransform, state.transform(), sizeof pageTransform);
    }
    void endPage() override { calls.push_back("endPage"); }
    void checkpoint() override { calls.push_back("checkpoint"); }
    void fill(GraphicsState&) override { calls.push_back("fill"); }
    void drawLink(PageLink& link, PdfCatalog&) override {
        calls.push_back("link " + std::to_string(static_cast<int>(link.x1())));
    }
    std::vector<std::string> calls;
    double pageTransform[6] = {};
};

using Calls = std::vector<std::string>;

// One-page documents: page 3 0 R with `pageEntries`; more objects from 4 on.
std::unique_ptr<PdfDocument> document(const std::string& pageEntries, const std::vector<std::string>& more,
                                      int pages = 1, int trace = 0) {
    PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (int i = 0; i < pages; ++i) kids += std::to_string(3 + i) + " 0 R ";
    b.object("<< /Type /Pages /Count " + std::to_string(pages) + " /Kids [" + kids + "] /MediaBox [0 0 200 100] >>");
    for (int i = 0; i < pages; ++i) b.object("<< /Type /Page /Parent 2 0 R " + pageEntries + " >>");
    for (const std::string& o : more) b.object(o);
    return std::make_unique<PdfDocument>(memoryFileData(b.finish("/Root 1 0 R")), PdfString("t.pdf"), nullptr,
                                         nullptr, trace);
}

// A link, a stamp drawn from object `appearance` and a popup that is neither.
std::string linkAndStamp(int appearance = 4) {
    std::string ap = "/AP << /N " + std::to_string(appearance) + " 0 R >>";
    return "/Annots [<< /Subtype /Link /Rect [10 10 20 20] /Dest [3 0 R /Fit] >> "
           "<< /Subtype /Stamp /Rect [0 0 50 50] " + ap + " >> << /Subtype /Popup /Rect [0 0 50 50] " + ap + " >>]";
}
const char* kAppearance = "<< /Length 12 /BBox [0 0 10 10] >>\nstream\n0 0 5 5 re f\nendstream";

TEST(PageDisplay, ContentThenLinksThenAnnotations) {
    auto doc = document("/Contents 5 0 R " + linkAndStamp(),
                        {kAppearance, "<< /Length 12 >>\nstream\n0 0 9 9 re f\nendstream"});
    ASSERT_TRUE(doc->isOk());
    EXPECT_EQ(doc->lastPageDrawn(), -1);
    EXPECT_EQ(doc->links(), nullptr);
    DisplayLog log;
    ErrorCapture capture;
    doc->displayPage(&log, 1, 72, 0, true);
    // The interpreter ends the content with a checkpoint of its own.
    EXPECT_EQ(log.calls, (Calls{"beginPage 1", "fill", "checkpoint", "link 10", "checkpoint", "fill", "checkpoint",
                                "endPage"}));
    EXPECT_EQ(capture.messages(), Calls{});
    EXPECT_EQ(doc->lastPageDrawn(), 1);
    ASSERT_NE(doc->links(), nullptr);
    EXPECT_EQ(doc->links()->count(), 1);
}

TEST(PageDisplay, NoContentsStillDrawsLinksAndAnnotations) {
    auto doc = document(linkAndStamp(), {kAppearance});
    DisplayLog log;
    doc->displayPage(&log, 1, 72, 0, true);
    EXPECT_EQ(log.calls, (Calls{"beginPage 1", "link 10", "checkpoint", "fill", "checkpoint", "endPage"}));
    EXPECT_EQ(doc->links()->count(), 1);
}

TEST(PageDisplay, WithoutMakeLinksTheListIsKeptButNotDrawn) {
    auto doc = document(linkAndStamp(5), {kAppearance}, 2);
    DisplayLog first;
    doc->displayPage(&first, 1, 72, 0, true);
    const PageLinkList* kept = doc->links();
    DisplayLog second;
    doc->displayPage(&second, 2, 72, 0, false);
    EXPECT_EQ(doc->links(), kept);
    EXPECT_EQ(doc->lastPageDrawn(), 2);
    EXPECT_EQ(second.calls, (Calls{"beginPage 2", "fill", "checkpoint", "endPage"}));
}

TEST(PageDisplay, RotationAddsUpAndWraps) {
    auto expectRotation = [](int extra, int pageRotate, int expected) {
        auto doc = document("/Rotate " + std::to_string(pageRotate), {});
        DisplayLog log;
        doc->displayPage(&log, 1, 72, extra, false);
        GraphicsState reference(72, PageBox{0, 0, 200, 100}, expected, true);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(log.pageTransform[i], reference.transform()[i]) << extra << " " << i;
    };
    expectRotation(270, 180, 90);
    expectRotation(90, 0, 90);
    expectRotation(-90, 0, 270);
    expectRotation(2147483647, 270, (2147483647 % 360 + 270) % 360);
}

TEST(PageDisplay, TraceAndBadPageNumbers) {
    auto doc = document("/CropBox [10 10 100 90] " + linkAndStamp(), {kAppearance});
    DisplayLog log;
    ErrorCapture capture;
    doc->displayPage(&log, 0, 72, 0, true);
    doc->displayPage(&log, 2, 72, 0, true);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(capture.messages(), (Calls{"Page 0 is not in the document", "Page 2 is not in the document"}));
    EXPECT_EQ(doc->lastPageDrawn(), -1);

    auto traced = document("/CropBox [10 10 100 90] /Rotate 90 " + linkAndStamp(), {kAppearance}, 1, 1);
    testing::internal::CaptureStdout();
    traced->displayPage(&log, 1, 72, 0, true);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("***** page 1 *****\n", 0), 0u);
    EXPECT_NE(out.find("***** MediaBox = ll:10,10 ur:100,90\n***** CropBox = ll:10,10 ur:100,90\n"
                       "***** Rotate = 90\n"),
              std::string::npos);
    EXPECT_NE(out.find("***** AcroForm widgets\n"), std::string::npos);
}

}  // namespace
}  // namespace qm::test
