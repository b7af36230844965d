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

// DejaVu Sans programs embedded as fonts F1, F2, ... (objects 5 on), their widths 0.6 em.
std::vector<std::pair<std::string, std::string>> embeddedFonts(size_t count) {
    std::vector<std::pair<std::string, std::string>> out;
    for (size_t i = 0; i < count; ++i)
        out.push_back({"F" + std::to_string(i + 1),
                       "<< /Type /Font /Subtype /TrueType /BaseFont /DejaVu" + std::to_string(i) +
                           " /FirstChar 32 /LastChar 126 /Widths [" +
                           [] { std::string w; for (int c = 32; c <= 126; ++c) w += "600 "; return w; }() +
                           "] /Encoding /WinAnsiEncoding /FontDescriptor " + std::to_string(5 + count + 2 * i) +
                           " 0 R >>"});
    return out;
}
// Their descriptors and programs: DejaVu Sans, then DejaVu Sans Bold.
std::vector<std::string> embeddedFontObjects(size_t count) {
    std::vector<std::string> out;
    for (size_t i = 0; i < count; ++i) {
        out.push_back("<< /Type /FontDescriptor /FontName /DejaVu" + std::to_string(i) +
                      " /Flags 32 /FontBBox [0 0 1000 1000] /ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 "
                      "/StemV 80 /FontFile2 " + std::to_string(6 + count + 2 * i) + " 0 R >>");
        out.push_back("stream:" + readFileText(i == 0 ? "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
                                                      : "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"));
    }
    return out;
}

// The words of a block's HTML as a reader's copy or search meets them: each text node
// between elements, split at blanks.
std::vector<std::string> textNodes(const std::string& blockHtml) {
    std::vector<std::string> out;
    static const std::regex node(">([^<]+)<");
    for (auto it = std::sregex_iterator(blockHtml.begin(), blockHtml.end(), node); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1].str());
    return out;
}

TEST_F(PlacedTextTest, SmallErrorsInsideAWordLeaveItOneTextNodeAndRealStepsStayPlaced) {
    // Every line at 20 pt (27.78 px); widths 0.6 em (16.67 px). Line 1 meets the pairs "ab"
    // and "cd" first, kerned by 0.01 em, which the web font keeps. Line 2 repeats them
    // 0.015 em off (0.42 px, a producer's rounding): no element inside the words, and the
    // error is taken back after the blank. Line 3 moves "b" 0.12 em (3.3 px) from "a",
    // too little for a blank but a real step, which keeps its element. Line 4 is set
    // 0.03 em wider than its font at every letter, with a few letters off: the run's letter
    // spacing takes it, so the word stays whole however long it is (line 4 meets its pairs
    // first, kerned by 0.001 em).
    const std::string html = pageHtml(
        "BT /F1 20 Tf 10 180 Td [(a) 10 (b) -600 (c) 10 (d)] TJ ET "
        "BT /F1 20 Tf 10 150 Td [(a) -5 (b) -600 (c) 25 (d)] TJ ET "
        "BT /F1 20 Tf 10 120 Td [(a) -110 (b)] TJ ET "
        "BT /F1 20 Tf 10 90 Td [(s) -1 (t) -1 (r) -1 (e) -1 (t) -1 (c) -1 (h) -1 (e) -1 (d)] TJ ET "
        "BT /F1 20 Tf 10 60 Td [(s) -21 (t) -31 (r) -41 (e) -21 (t) -31 (c) -41 (h) -21 (e) -31 (d)] TJ ET",
        embeddedFonts(1), embeddedFontObjects(1));
    const std::vector<Block> b = blocks(html);
    ASSERT_EQ(b.size(), 5u) << html;
    std::vector<std::string> rows;
    static const std::regex row(R"re(<div class="r"[^>]*>.*?</div>)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), row); it != std::sregex_iterator(); ++it)
        rows.push_back((*it)[0].str());
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(b[0].text, "ab cd");
    EXPECT_EQ(textNodes(rows[1]), (std::vector<std::string>{"ab ", "cd"})) << rows[1];
    // The second word starts where the PDF puts it: 0.6 + 0.005 + 0.6 + 0.6 em less the
    // blank's own 0.6 em (a blank has no advance in the web font), minus the pair's 0.01 em.
    EXPECT_NE(rows[1].find("margin-left:"), std::string::npos) << rows[1];
    EXPECT_EQ(textNodes(rows[2]), (std::vector<std::string>{"a", "b"})) << rows[2];
    EXPECT_EQ(textNodes(rows[4]), (std::vector<std::string>{"stretched"})) << rows[4];
    EXPECT_NE(rows[4].find("letter-spacing:0.8px"), std::string::npos) << rows[4];
}

TEST_F(PlacedTextTest, AWordSetWiderThanTheRestOfItsLineGetsALetterSpacingOfItsOwn) {
    // At 20 pt (27.78 px): line 1 meets the pairs of "stretched" first, kerned by 0.001 em.
    // On line 2 "plainwords" is set at its font's widths and "stretched" 0.04 em (1.11 px)
    // wider at every letter, "fine" after it at its widths again: the line's spacing is 0,
    // and the error in "stretched" passes a pixel by its second letter.
    const std::string html = pageHtml(
        "BT /F1 20 Tf 10 150 Td [(s) -1 (t) -1 (r) -1 (e) -1 (t) -1 (c) -1 (h) -1 (e) -1 (d)] TJ ET "
        "BT /F1 20 Tf 10 110 Td [(plainwords) -600 (s) -41 (t) -41 (r) -41 (e) -41 (t) -41 (c) -41 (h) -41 (e) -41 "
        "(d) -600 (fine)] TJ ET",
        embeddedFonts(1), embeddedFontObjects(1));
    std::vector<std::string> rows;
    static const std::regex row(R"re(<div class="r"[^>]*>.*?</div>\r?\n)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), row); it != std::sregex_iterator(); ++it)
        rows.push_back((*it)[0].str());
    ASSERT_EQ(rows.size(), 2u) << html;
    EXPECT_EQ(textNodes(rows[1]), (std::vector<std::string>{"plainwords ", "stretched", " ", "fine"})) << rows[1];
    EXPECT_NE(rows[1].find("<span style=\"letter-spacing:1.11px\">stretched</span>"), std::string::npos) << rows[1];
    EXPECT_EQ(rows[1].find("ft0\" style=\"letter-spacing"), std::string::npos) << rows[1];
}

TEST_F(PlacedTextTest, AWordInTwoWebFontsIsOneTextThroughThePagesOwnFamilies) {
    // "Words": "Wor" regular, "ds" bold, at one size, colour and baseline. Then "ab" regular
    // and "a" bold: the page shows "a" in both faces, so no list of the two can show both;
    // then "x" regular and "y" bold at another size. Then a bold label and a regular word
    // whose first letter could follow the label but not its others: the word stays whole.
    // Last a bold "b0, " and a regular "June 10": "June" can follow, but the page shows a
    // bold 0, so "10" starts a block of its own rather than being cut after its "1".
    const std::string html = pageHtml(
        "BT /F1 20 Tf 10 150 Td (Wor) Tj /F2 20 Tf (ds) Tj ET "
        "BT /F1 20 Tf 10 110 Td (ab) Tj /F2 20 Tf (a) Tj ET "
        "BT /F1 20 Tf 10 70 Td (x) Tj /F2 16 Tf (y) Tj ET "
        "BT /F2 20 Tf 10 30 Td (b ) Tj /F1 20 Tf (Xab) Tj ET "
        "BT /F2 20 Tf 150 30 Td (b0, ) Tj /F1 20 Tf (June 10) Tj ET",
        embeddedFonts(2), embeddedFontObjects(2));
    const std::vector<Block> b = blocks(html);
    std::vector<std::string> texts;
    for (const Block& block : b) texts.push_back(block.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Words", "ab", "a", "x", "y", "b ", "Xab", "b0, June ", "10"}))
        << html;
    // Each face of the word's list holds just what the page shows in that face, and the
    // blank, from which the browser takes the line's baseline.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(html, m, std::regex(R"re(\.ft(\d+)\{[^}]*font-family:(q[a-z0-9_]+-p),(q[a-z0-9_]+-p),)re")))
        << html;
    EXPECT_NE(html.find("<span class=\"ft" + m[1].str() + "\">Words</span>"), std::string::npos) << html;
    const auto range = [&](const std::string& family) {
        std::smatch r;
        const std::regex face("@font-face\\{font-family:" + family + ";src:url\\(\"[^\"]+\"\\) format\\(\"woff2\"\\);unicode-range:([^}]*)\\}");
        return std::regex_search(html, r, face) ? r[1].str() : std::string("none");
    };
    // " 01JWXabenoruxy" and " ,0abdsy"
    EXPECT_EQ(range(m[2].str()), "U+20,U+30-31,U+4A,U+57-58,U+61-62,U+65,U+6E-6F,U+72,U+75,U+78");
    EXPECT_EQ(range(m[3].str()), "U+20,U+2C,U+30,U+61-62,U+64,U+73,U+79");
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

TEST_F(PlacedTextTest, TextWhollyBeyondThePageEdgesIsLeftOutAndTextCutByThemKept) {
    // The page is 300 x 200 pt. Beyond the left edge, above the top, right of the right edge
    // and below the bottom (its ascent still below it): none of that can be seen. "Edge"
    // starts left of the page and reaches into it, "Down" runs downwards into the page from
    // above its top edge, "Low" has its baseline just below the bottom, its letters rising
    // above it: each is kept whole, the letters beyond the edge too.
    const std::string html = pageHtml(
        "BT /F1 12 Tf -80 100 Td (Left) Tj ET BT /F1 12 Tf 20 215 Td (Above) Tj ET "
        "BT /F1 12 Tf 305 100 Td (Right) Tj ET BT /F1 12 Tf 20 -20 Td (Below) Tj ET "
        "BT /F1 12 Tf -15 150 Td (Edge) Tj ET BT /F1 12 Tf 0 -1 1 0 100 210 Tm (Down) Tj ET "
        "BT /F1 12 Tf 60 -2 Td (Low) Tj ET",
        {{"F1", kHelvetica}});
    std::vector<std::string> texts;
    for (const Block& block : blocks(html)) texts.push_back(block.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Edge", "Down", "Low"})) << html;
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

TEST_F(PlacedTextTest, AVerticalColumnIsOneTextWhoseLinesAreItsGlyphSteps) {
    // Two columns at 20 pt (27.78 px): one at even steps of an em; one whose second glyph
    // is moved half an em further down by the number between them, after which the steps
    // are an em again.
    const std::string html = pageHtml(
        "BT /F1 20 Tf 100 180 Td <000100020003> Tj ET BT /F1 20 Tf 60 180 Td [<0001> 500 <0002><0003>] TJ ET",
        {{"F1", "<< /Type /Font /Subtype /Type0 /BaseFont /MSMincho /Encoding /Identity-V "
                "/DescendantFonts [6 0 R] /ToUnicode 7 0 R >>"}},
        {"<< /Type /Font /Subtype /CIDFontType2 /BaseFont /MSMincho "
         "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 1000 >>",
         "stream:1 begincodespacerange <0000> <FFFF> endcodespacerange 3 beginbfchar <0001> <4E00> <0002> <4E8C> "
         "<0003> <4E09> endbfchar"});
    struct Column {
        double left, top, line;
        std::string text;
    };
    std::vector<Column> columns;
    static const std::regex column(
        R"re(<div class="r v" style="left:([-0-9.]+)px;top:([-0-9.]+)px"><span class="ft\d+" style="line-height:([0-9.]+)px">([^<]*)</span></div>)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), column); it != std::sregex_iterator(); ++it)
        columns.push_back({std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), (*it)[4].str()});
    ASSERT_EQ(columns.size(), 3u) << html;
    // The text position of a vertical font is the top middle of its glyphs' em boxes: the
    // block starts half an em to its left, and the em box sits in the middle of the first
    // line.
    EXPECT_EQ(columns[0].text, "\xE4\xB8\x80\xE4\xBA\x8C\xE4\xB8\x89");  // 一二三
    EXPECT_NEAR(columns[0].left, 138.89 - 13.89, 0.01);
    EXPECT_NEAR(columns[0].line, 27.78, 0.01);
    EXPECT_NEAR(columns[0].top, 27.78, 0.02);
    // 1.5 em from the first glyph to the second: lines of that height; the third glyph,
    // an em below the second, starts a block of its own.
    EXPECT_EQ(columns[1].text, "\xE4\xB8\x80\xE4\xBA\x8C");
    EXPECT_NEAR(columns[1].left, 83.33 - 13.89, 0.01);
    EXPECT_NEAR(columns[1].line, 41.67, 0.01);
    EXPECT_NEAR(columns[1].top, 27.78 - 0.25 * 27.78, 0.02);
    EXPECT_EQ(columns[2].text, "\xE4\xB8\x89");
    EXPECT_NEAR(columns[2].left, 83.33 - 13.89, 0.01);
    EXPECT_NEAR(columns[2].top, 27.78 + 2.5 * 27.78, 0.02);
    EXPECT_NEAR(columns[2].line, 27.78, 0.01);
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
