// The written pages as a real browser shows them: headless Chromium takes a screenshot and
// dumps the DOM; the test checks that the picture shows, that the text lies where the
// display list put it, and that the image map leads where the link did.
#include <cairo.h>

#include <cstdlib>

#include "convert/html_conversion.h"
#include "convert_test_support.h"
#include "platform/canvas/color_ref.h"

namespace qm {
namespace {

using test::addGlyph;
using test::emptyPage;
using test::readFileText;

bool haveChromium() { return std::system("command -v chromium >/dev/null 2>&1") == 0; }

// Runs headless Chromium on `page`; `mode` is "--screenshot=FILE" or "--dump-dom".
bool runChromium(const std::string& page, const std::string& mode, const std::string& profile,
                 const std::string& stdoutFile) {
    const std::string command =
        "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync --hide-scrollbars "
        "--force-device-scale-factor=1 --user-data-dir='" + profile + "' --window-size=400,300 " + mode +
        " 'file://" + page + "' >'" + stdoutFile + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

struct Screenshot {
    cairo_surface_t* surface = nullptr;
    ~Screenshot() {
        if (surface) cairo_surface_destroy(surface);
    }
    bool ok() const { return surface && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface); }
    int height() const { return cairo_image_surface_get_height(surface); }
    ColorRef pixel(int x, int y) const {
        cairo_surface_flush(surface);
        const auto* row = cairo_image_surface_get_data(surface) + static_cast<size_t>(y) * cairo_image_surface_get_stride(surface);
        uint32_t w = reinterpret_cast<const uint32_t*>(row)[x];
        return makeColorRef((w >> 16) & 0xFF, (w >> 8) & 0xFF, w & 0xFF);
    }
    bool dark(int x, int y) const {
        ColorRef c = pixel(x, y);
        return redOf(c) + greenOf(c) + blueOf(c) < 200;
    }
};

class BrowserTest : public test::SettingsSandbox {};

TEST_F(BrowserTest, ShowsThePictureTheTextInPlaceAndTheLinkTargets) {
    if (!haveChromium()) GTEST_SKIP() << "chromium is not installed";
    // A blue box in the picture, a black word over white paper, a link over the box.
    PageObjectPtr page = emptyPage(400, 300);
    QmPoint box[] = {{20, 20}, {120, 20}, {120, 80}, {20, 80}};
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(box, 4, QM_FILL_WINDING, 0xFF0000));
    const int baseline = 200, left = 150, height = 30;
    int x = left;
    for (char16_t c : std::u16string(u"HELLO")) {
        addGlyph(*page, x, baseline, std::u16string(1, c), "DejaVu Sans", 20, height, 0x000000);
        x += 20;
    }
    HtmlLinkListPtr links = newHtmlLinkList();
    appendHtmlLink(*links, 20, 120, 20, 80, "actionGoTo:7");
    appendHtmlLink(*links, 200, 260, 20, 80, "actionURI:javascript:alert(1)");
    HtmlWriterState state;
    state.startFile();
    const std::string htmlPath = out_ / "pg_0001.htm";
    ASSERT_TRUE(convertPageToHtml(*page, links.get(), htmlPath, state));

    test::TempFolder profile;
    const std::string shot = out_ / "shot.png";
    ASSERT_TRUE(runChromium(htmlPath, "--screenshot='" + shot + "'", profile.path(), out_ / "log.txt"));
    Screenshot s;
    s.surface = cairo_image_surface_create_from_png(shot.c_str());
    ASSERT_TRUE(s.ok());
    if (std::getenv("QM_KEEP_SCREENSHOT")) std::system(("cp '" + shot + "' '" + std::getenv("QM_KEEP_SCREENSHOT") + "'").c_str());
    ASSERT_GE(s.width(), 400);
    ASSERT_GE(s.height(), 300);

    // The picture: blue inside the box, white around it.
    ColorRef inBox = s.pixel(70, 50);
    EXPECT_LT(redOf(inBox), 40);
    EXPECT_GT(blueOf(inBox), 210);
    EXPECT_EQ(s.pixel(200, 120) & 0xF0F0F0, 0xF0F0F0u);

    // The text: its ink starts at the item's x and stands on its baseline.
    int inkLeft = 1 << 30, inkRight = -1, inkTop = 1 << 30, inkBottom = -1;
    for (int py = 100; py < 300; ++py)  // below the box
        for (int px = 0; px < 400; ++px)
            if (s.dark(px, py)) {
                inkLeft = std::min(inkLeft, px);
                inkRight = std::max(inkRight, px);
                inkTop = std::min(inkTop, py);
                inkBottom = std::max(inkBottom, py);
            }
    ASSERT_GE(inkRight, 0) << "no text shown";
    EXPECT_NEAR(inkLeft, left, 4);
    EXPECT_NEAR(inkBottom, baseline, 4);
    EXPECT_NEAR(inkTop, baseline - 0.73 * height, 5);  // capital height of the face
    EXPECT_GT(inkRight, left + 60);

    // The image map: the go-to area names the page file; the script link is gone.
    ASSERT_TRUE(runChromium(htmlPath, "--dump-dom", profile.path(), out_ / "dom.html"));
    const std::string dom = readFileText(out_ / "dom.html");
    EXPECT_NE(dom.find("<area href=\"pg_0007.htm\" shape=\"rect\" coords=\"20,20,120,80\">"), std::string::npos);
    EXPECT_EQ(dom.find("javascript:alert"), std::string::npos);
    EXPECT_NE(dom.find("HELLO"), std::string::npos);
}

}  // namespace
}  // namespace qm
