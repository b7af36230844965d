// Text recorded from small documents and written as page HTML: positions to a fraction of a
// pixel, kerned words kept whole, spaces from the PDF's gaps, turned and vertical text,
// unseen text, soft hyphens and legacy double-byte Type 3 text.
#include <regex>

#include "convert/html_conversion.h"
#include "convert/page_recording.h"
#include "convert_test_support.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "render/conversion_renderer.h"
#include "support/pdf_builder.h"

namespace qm {
namespace {

using test::readFileText;

using test::EngineSettings;

constexpr const char* kHelvetica =
    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";

class PlacedTextTest : public test::SettingsSandbox {
protected:
    // One 300x200 point page with `content`, its fonts given as (resource name, object body)
    // pairs (objects after them may follow in `extra`), converted at 100 dpi.
    std::string pageHtml(const std::string& content, const std::vector<std::pair<std::string, std::string>>& fonts,
                         const std::vector<std::string>& extra = {}) {
        test::PdfBuilder b;
        b.object("<< /Type /Catalog /Pages 2 0 R >>");
        b.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
        std::string resources = "/Font <<";
        for (size_t i = 0; i < fonts.size(); ++i)
            resources += " /" + fonts[i].first + " " + std::to_string(5 + i) + " 0 R";
        resources += " >>";
        b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents 4 0 R /Resources << " + resources +
                 " >> >>");
        b.stream("", content);
        for (const auto& font : fonts) b.object(font.second);
        for (const std::string& body : extra) {
            if (body.rfind("stream:", 0) == 0) b.stream("", body.substr(7));
            else b.object(body);
        }
        const std::string pdf = out_.path() + "/t.pdf";
        test::writeFileText(pdf, b.finish("/Root 1 0 R"));
        ErrorCapture quiet;
        PdfDocument doc(PdfString(pdf.c_str()), nullptr, nullptr);
        EXPECT_TRUE(doc.isOk());
        if (!doc.isOk()) return "";
        ConversionRenderer renderer(doc);
        HtmlWriterState state;
        state.startFile();
        RecordedPage recorded = recordPage(renderer, 1, 100);
        EXPECT_TRUE(recorded.page);
        if (!recorded.page) return "";
        EXPECT_TRUE(convertPageToHtml(*recorded.page, nullptr, out_.path() + "/pg_0001.htm", state));
        return readFileText(out_.path() + "/pg_0001.htm");
    }

    EngineSettings engine_;
};

// The texts of the page's exactly placed runs, in order, with their block styles.
struct Block {
    std::string style, text;
};
std::vector<Block> blocks(const std::string& html) {
    std::vector<Block> out;
    static const std::regex block(R"re(<div class="r" style="([^"]*)"><span[^>]*>(.*?)</span></div>)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), block); it != std::sregex_iterator(); ++it) {
        // Gap elements hold no text.
        std::string text = std::regex_replace((*it)[2].str(), std::regex("<span style=\"margin-left:[-0-9.]+px\"></span>"), "");
        out.push_back({(*it)[1].str(), text});
    }
    return out;
}

TEST_F(PlacedTextTest, KernedWordsStayWholeAndGapsBecomeSpaces) {
    // 10.5 pt is 14.583 pixels at 100 dpi: the block starts there, not at a whole pixel.
    const std::string html = pageHtml(
        "BT /F1 20 Tf 10.5 100 Td [(Intro) 120 (duction) -60 (ok) -400 (next)] TJ ET", {{"F1", kHelvetica}});
    const std::vector<Block> b = blocks(html);
    ASSERT_EQ(b.size(), 1u) << html;
    // A kern of 0.12 em and a gap of 0.06 em are no word gaps; 0.4 em (more than half the
    // font's space of 0.278 em) is one.
    EXPECT_EQ(b[0].text, "Introductionok next");
    EXPECT_NE(b[0].style.find("left:14.58px"), std::string::npos) << b[0].style;
    // The baseline is 100 pt from the bottom of the 200 pt page: 138.89 px from the top,
    // less the browser face's baseline in a block without line height.
    EXPECT_NE(html.find("font-size:27.778px"), std::string::npos);
}

TEST_F(PlacedTextTest, TurnedTextIsATransformedBlockAndUnseenTextStaysSelectable) {
    const std::string html = pageHtml(
        "BT /F1 20 Tf 0 1 -1 0 100 50 Tm (Up) Tj ET "
        "BT /F1 12 Tf 1 0 0.3 1 20 150 Tm (Lean) Tj ET "
        "BT 3 Tr /F1 12 Tf 20 20 Td (Hidden words) Tj ET",
        {{"F1", kHelvetica}});
    const std::vector<Block> b = blocks(html);
    ASSERT_EQ(b.size(), 3u) << html;
    EXPECT_EQ(b[0].text, "Up");
    EXPECT_NE(b[0].style.find("transform:matrix(0,-1,1,0,0,0)"), std::string::npos) << b[0].style;
    EXPECT_EQ(b[1].text, "Lean");
    EXPECT_NE(b[1].style.find("transform:matrix(1,0,-0.3,1,0,0)"), std::string::npos) << b[1].style;
    EXPECT_EQ(b[2].text, "Hidden words");
    EXPECT_NE(html.find("color:transparent"), std::string::npos);
    EXPECT_EQ(b[2].style.find("transform"), std::string::npos);
}

TEST_F(PlacedTextTest, SoftHyphenAtALineEndShowsAsAHyphen) {
    const std::string html = pageHtml(
        "BT /F1 12 Tf 20 150 Td (inA) Tj 0 -14 Td (cluding) Tj ET",
        {{"F1", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 6 0 R >>"}},
        {"stream:1 begincodespacerange <00> <FF> endcodespacerange 4 beginbfchar <41> <00AD> <69> <0069> "
         "<6E> <006E> <63> <0063> endbfchar 1 beginbfrange <64> <75> <0064> endbfrange"});
    const std::vector<Block> b = blocks(html);
    ASSERT_EQ(b.size(), 2u) << html;
    EXPECT_EQ(b[0].text, "in-");
    EXPECT_EQ(b[1].text, "cluding");
}

TEST_F(PlacedTextTest, VerticalTextKeepsItsColumn) {
    const std::string html = pageHtml(
        "BT /F1 20 Tf 100 180 Td <000100020003> Tj ET",
        {{"F1", "<< /Type /Font /Subtype /Type0 /BaseFont /MSMincho /Encoding /Identity-V "
                "/DescendantFonts [6 0 R] /ToUnicode 7 0 R >>"}},
        {"<< /Type /Font /Subtype /CIDFontType2 /BaseFont /MSMincho "
         "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 1000 >>",
         "stream:1 begincodespacerange <0000> <FFFF> endcodespacerange 3 beginbfchar <0001> <4E00> <0002> <4E8C> "
         "<0003> <4E09> endbfchar"});
    const std::vector<Block> b = blocks(html);
    ASSERT_EQ(b.size(), 3u) << html;
    std::vector<double> lefts, tops;
    for (const Block& block : b) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(block.style, m, std::regex(R"(left:([-0-9.]+)px;top:([-0-9.]+)px)")));
        lefts.push_back(std::stod(m[1]));
        tops.push_back(std::stod(m[2]));
    }
    EXPECT_EQ(b[0].text, "\xE4\xB8\x80");
    EXPECT_EQ(b[2].text, "\xE4\xB8\x89");
    // One column: the same left, each glyph one em (27.78 px) below the one before.
    EXPECT_NEAR(lefts[1], lefts[0], 0.01);
    EXPECT_NEAR(lefts[2], lefts[0], 0.01);
    EXPECT_NEAR(tops[1] - tops[0], 27.78, 0.05);
    EXPECT_NEAR(tops[2] - tops[1], 27.78, 0.05);
}

TEST_F(PlacedTextTest, Type3GlyphsOfALegacyDoubleByteTextReadAsThatCodePage) {
    // Each byte has a glyph of its own, named only by number; the pairs are GBK.
    const std::string names = "/Differences [171 /g171 192 /g192 200 /g200 202 /g202 65 /g65]";
    const std::string html = pageHtml(
        "BT /F1 20 Tf 20 100 Td <C8ABCAC041> Tj ET",
        {{"F1", "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
                "/CharProcs << /g171 6 0 R /g192 6 0 R /g200 6 0 R /g202 6 0 R /g65 6 0 R >> "
                "/Encoding << /Type /Encoding " + names + " >> /FirstChar 65 /LastChar 202 "
                "/Widths [500 " + [] { std::string w; for (int i = 66; i <= 202; ++i) w += "500 "; return w; }() +
                "] >>"}},
        {"stream:500 0 d0 0 0 400 400 re f"});
    EXPECT_NE(html.find("\xE5\x85\xA8\xE4\xB8\x96" "A"), std::string::npos) << html;  // 全世A
    EXPECT_EQ(html.find("\xC3\x88"), std::string::npos);                               // no È
}

}  // namespace
}  // namespace qm
