#include "convert/svg_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "render/display_list.h"

namespace qm {
namespace {

PageObjectPtr samplePage() {
    PageObjectPtr page = newPageObject();
    page->width = 850;
    page->height = 1100;
    const uint16_t text[] = {'<', 0x4E2D, '&'};
    appendPageItem(*page, QM_ITEM_TEXT,
                   makeTextItem(10, 20, text, 3, "Arial", 9, 12, false, false, 900, 0x0000FF));
    appendPageItem(*page, QM_ITEM_LINE, makeLineItem(1, 2, 3, 4, 2, 0xFF0000, QM_PEN_DASHED));
    QmPoint one[] = {{5, 6}};
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(one, 1, QM_FILL_WINDING, 0x00FF00));
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(nullptr, 0, QM_FILL_ALTERNATE, 0x123456));
    appendPageItem(*page, QM_ITEM_CLIP, makeClipItem(nullptr, 0));
    return page;
}

TEST(SvgWriter, PartlyTransparentMarksCarryTheirOpacity) {
    PageObjectPtr page = newPageObject();
    page->width = 100;
    page->height = 100;
    const uint16_t text[] = {'A'};
    appendPageItem(*page, QM_ITEM_TEXT, makeTextItem(10, 20, text, 1, "Arial", 9, 12, false, false, 0, 0x800000FF));
    appendPageItem(*page, QM_ITEM_LINE, makeLineItem(1, 2, 3, 4, 2, 0x7FFF0000, QM_PEN_SOLID));
    QmPoint box[] = {{0, 0}, {5, 0}, {5, 5}};
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(box, 3, QM_FILL_WINDING, 0x00FF00, 64));
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(box, 3, QM_FILL_WINDING, 0x00FF00));
    const std::string svg = pageToSvg(*page);
    EXPECT_NE(svg.find("fill=\"#ff0000\" fill-opacity=\"0.498\" >A</text>"), std::string::npos);
    EXPECT_NE(svg.find("stroke=\"#0000ff\" stroke-opacity=\"0.502\"/>"), std::string::npos);
    EXPECT_NE(svg.find("<polygon fill=\"#00ff00\" fill-opacity=\"0.251\" points=\"0,0 5,0 5,5\" />"), std::string::npos);
    EXPECT_NE(svg.find("<polygon fill=\"#00ff00\" points=\"0,0 5,0 5,5\" />"), std::string::npos);
}

TEST(SvgWriter, WritesTextLinesAndPolygonsInPagePixels) {
    PageObjectPtr page = samplePage();
    std::string svg = pageToSvg(*page);
    EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" standalone=\"no\"?>\r\n", 0), 0u);
    EXPECT_NE(svg.find("/REC-SVG-20010904/DTD/svg10.dtd\">\r\n"), std::string::npos);
    EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"850\" height=\"1100\" viewBox=\"0 0 850 1100\">"),
              std::string::npos);
    // Rotated text is written like upright text; markup in the text stays text.
    EXPECT_NE(svg.find("<text x=\"10\" y=\"20\" font-family=\"SimSun\" font-size=\"12\" fill=\"#ff0000\" >&lt;\xE4\xB8\xAD&amp;</text>\r\n"),
              std::string::npos);
    EXPECT_NE(svg.find("<line x1=\"1\" y1=\"2\" x2=\"3\" y2=\"4\" stroke-width=\"2\" stroke=\"#0000ff\"/>\r\n"),
              std::string::npos);
    EXPECT_NE(svg.find("<polygon fill=\"#00ff00\" points=\"5,6\" />\r\n"), std::string::npos);
    EXPECT_NE(svg.find("<polygon fill=\"#563412\" points=\"\" />\r\n"), std::string::npos);
    EXPECT_EQ(svg.substr(svg.size() - 8), "\r\n</svg>");
}

TEST(SvgWriter, RefusesMissingPageOrPathAndUnwritableFiles) {
    PageObjectPtr page = samplePage();
    EXPECT_FALSE(writeSvgFile(nullptr, "/tmp/x.svg"));
    EXPECT_FALSE(writeSvgFile(page.get(), nullptr));
    EXPECT_FALSE(writeSvgFile(page.get(), ""));
    EXPECT_FALSE(writeSvgFile(page.get(), "/nonexistent-folder/x.svg"));
    std::string path = ::testing::TempDir() + "svg_writer_test.svg";
    ASSERT_TRUE(writeSvgFile(page.get(), path.c_str()));
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(), pageToSvg(*page));
    std::remove(path.c_str());
}

}  // namespace
}  // namespace qm
