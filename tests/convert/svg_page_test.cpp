// SVG pages with a picture under the text: whatever characters a document's text holds, the
// file stays XML a parser accepts, and the runs keep their place and width on the page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/svg_page.h"

namespace qm {
namespace {

struct Glyphs {
    std::vector<std::u16string> texts;
    std::vector<TextItem> items;
    std::vector<PageItem> list;
    PageObject page{};

    // One glyph per text, each `advance` wide, on one baseline.
    Glyphs(std::vector<std::u16string> t, int advance, int orientation = 0) : texts(std::move(t)) {
        static char face[] = "Times New Roman";
        int x = 10;
        for (std::u16string& s : texts) {
            TextItem item{};
            item.x = x;
            item.y = 40;
            item.text = reinterpret_cast<uint16_t*>(s.data());
            item.count = static_cast<int32_t>(s.size());
            item.face = face;
            item.advance = advance;
            item.height = 20;
            item.orientation = orientation;
            items.push_back(item);
            x += advance;
        }
        for (TextItem& item : items) {
            PageItem p{};
            p.kind = QM_ITEM_TEXT;
            p.record.text = &item;
            list.push_back(p);
        }
        page.width = 300;
        page.height = 60;
        page.items = list.data();
        page.itemCount = static_cast<int32_t>(list.size());
    }
};

std::string textElements(const std::string& svg) {
    std::string out;
    for (size_t at = svg.find("<text "); at != std::string::npos; at = svg.find("<text ", at + 1)) {
        out += svg.substr(at, svg.find("</text>", at) + 7 - at) + "\n";
    }
    return out;
}

TEST(SvgPage, CharactersXmlForbidsAreLeftOutAndMarkupIsEscaped) {
    Glyphs g({u"A", u"\u0001", u"&", u"<", u"\uFFFE", u"\xD800", u"\"", u"'", u"\u00E9", u"\U0001F4C4"}, 10);
    const std::string svg = pageToPictureSvg(g.page);
    ASSERT_FALSE(svg.empty());
    EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    EXPECT_NE(svg.find("<image x=\"0\" y=\"0\" width=\"300\" height=\"60\" xlink:href=\"data:image/png;base64,iVBORw0KGgo"),
              std::string::npos);
    // One run from the first glyph to the end of the last, in the document's face with a
    // generic fallback; the unpaired surrogate became U+FFFD.
    EXPECT_EQ(textElements(svg),
              "<text x=\"10\" y=\"40\" font-size=\"20\" fill=\"#000000\" font-family=\"Times New Roman,serif\" "
              "textLength=\"100\" lengthAdjust=\"spacingAndGlyphs\" xml:space=\"preserve\">"
              "A&amp;&lt;\xEF\xBF\xBD&quot;&apos;\xC3\xA9\xF0\x9F\x93\x84</text>\n");
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST(SvgPage, RotatedTextIsLeftToThePictureAndBlankRunsAreDropped) {
    Glyphs rotated({u"A", u"B"}, 10, 900);
    EXPECT_EQ(textElements(pageToPictureSvg(rotated.page)), "");
    Glyphs blanks({u" ", u"\u00A0"}, 10);
    EXPECT_EQ(textElements(pageToPictureSvg(blanks.page)), "");
    // A gap wider than a thin space between two glyphs is a word break.
    Glyphs words({u"a", u"b"}, 10);
    words.items[1].x += 8;
    EXPECT_NE(textElements(pageToPictureSvg(words.page)).find(">a b</text>"), std::string::npos);

    PageObject empty{};
    EXPECT_EQ(pageToPictureSvg(empty), "");  // no picture of no size
}

}  // namespace
}  // namespace qm
