// A written page as a real browser shows it: the picture shows, the text lies where the
// display list put it, and the image map leads where the link did.
#include "browser_support.h"
#include "convert/html_conversion.h"
#include "convert_test_support.h"

namespace qm {
namespace {

using test::addGlyph;
using test::emptyPage;

class BrowserTest : public test::SettingsSandbox {};

TEST_F(BrowserTest, ShowsThePictureTheTextInPlaceAndTheLinkTargets) {
    if (!test::haveChromium()) GTEST_SKIP() << "chromium is not installed";
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
    test::Screenshot s = test::screenshot(htmlPath, out_ / "shot.png", profile.path(), 400, 300);
    ASSERT_TRUE(s.ok());
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
    const std::string dom = test::dumpDom(htmlPath, out_ / "dom.html", profile.path());
    EXPECT_NE(dom.find("<area href=\"pg_0007.htm\" shape=\"rect\" coords=\"20,20,120,80\">"), std::string::npos);
    EXPECT_EQ(dom.find("javascript:alert"), std::string::npos);
    EXPECT_NE(dom.find("HELLO"), std::string::npos);
}

}  // namespace
}  // namespace qm
