// Radial shadings two ways: the page bitmap paints them pixel by pixel, a recorded page keeps
// their polygons and replay paints those. Both must give one picture, whatever the circles do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "render/replay.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "platform/canvas/bitmap.h"
#include "platform/canvas/canvas.h"
#include "render/conversion_renderer.h"
#include "render/display_list.h"
#include "streams/file_data.h"
#include "support/pdf_builder.h"

namespace qm {
namespace {

// A 200 x 200 point page drawing `content` with the radial shading /S (red to blue).
std::string radialPage(const std::string& content, const std::string& coords, const std::string& extend) {
    test::PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    b.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << /Shading << /S << "
             "/ShadingType 3 /ColorSpace /DeviceRGB /Coords [" + coords +
             "] /Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> /Extend [" + extend +
             "] >> >> >> >>");
    b.stream("", content);
    return b.finish("/Root 1 0 R");
}

int channelDistance(ColorRef a, ColorRef b) {
    return std::max({std::abs(int(redOf(a)) - int(redOf(b))), std::abs(int(greenOf(a)) - int(greenOf(b))),
                     std::abs(int(blueOf(a)) - int(blueOf(b)))});
}

TEST(ShadingReplay, RadialPixelsMatchTheReplayedPolygons) {
    struct Case {
        const char* coords;
        const char* extend;
    } cases[] = {
        {"100 100 5 100 100 90", "true false"},   // nested, growing
        {"60 100 10 140 100 40", "false false"},  // moving and growing
        {"60 100 30 140 100 10", "true true"},    // moving and shrinking, extended both ways
        {"40 120 5 170 80 60", "true false"},     // off the axis
        {"190 100 0 100 100 60", "true true"},    // from a point outside the end circle
        {"100 100 80 150 100 0", "false true"},   // shrinking to a point inside the start circle
    };
    const char* contents[] = {"/S sh", "q 30 40 110 90 re W n /S sh Q"};  // alone and inside a clip
    ErrorCapture quiet;
    for (const Case& c : cases) {
        for (const char* content : contents) {
            PdfDocument doc(memoryFileData(radialPage(content, c.coords, c.extend)), PdfString("r.pdf"), nullptr,
                            nullptr, 0);
            ConversionRenderer drawn(doc);
            ASSERT_TRUE(drawn.drawPage(1, 100));
            ConversionRenderer recorder(doc);
            PageObjectPtr page = newPageObject();
            recorder.setDisplayList(page.get());
            ASSERT_TRUE(recorder.drawPage(1, 100));
            recorder.setDisplayList(nullptr);
            const Bitmap& pixels = *drawn.bitmap();
            Bitmap replayed(pixels.width(), pixels.height());
            Canvas canvas(replayed);
            replayDisplayList(canvas, *page);
            // Edges of the shape and of colour steps may move by a pixel; colours may not.
            long off = 0, painted = 0;
            for (int y = 0; y < pixels.height(); ++y)
                for (int x = 0; x < pixels.width(); ++x) {
                    painted += pixels.pixel(x, y) != kWhite;
                    off += channelDistance(pixels.pixel(x, y), replayed.pixel(x, y)) > 24;
                }
            EXPECT_GT(painted, 2000) << c.coords << " / " << content;
            EXPECT_LT(off, painted / 50 + 20) << c.coords << " / " << content;
        }
    }
}

}  // namespace
}  // namespace qm
