// Real documents through the whole HTML path: recorded by the page renderer, replayed,
// encoded and written; a crafted document whose texts carry markup; and corpus pages shown
// in headless Chromium.
#include <cairo.h>

#include <fstream>
#include <sstream>

#include "browser_support.h"
#include "convert/html_conversion.h"
#include "convert/page_recording.h"
#include "convert_test_support.h"
#include "support/corpus_manifest.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "render/conversion_renderer.h"
#include "support/jpeg_reference.h"
#include "support/pdf_builder.h"

namespace qm {
namespace {

using test::occurrences;
using test::readFileText;

using test::CorpusFile;
using test::corpusFiles;
using test::corpusPath;

using test::EngineSettings;

class CorpusHtmlTest : public test::SettingsSandbox {
protected:
    // Records page `n` and converts it as pg_NNNN.htm in the output folder.
    RecordedPage convert(ConversionRenderer& renderer, int n, HtmlWriterState& state, bool keepPage = false) {
        RecordedPage recorded = recordPage(renderer, n, 100);
        if (!recorded.page) return recorded;
        char name[32];
        std::snprintf(name, sizeof name, "/pg_%04d.htm", n);
        EXPECT_TRUE(convertPageToHtml(*recorded.page, recorded.links.get(), out_.path() + name, state));
        if (!keepPage) recorded.page.reset();
        return recorded;
    }
};

TEST_F(CorpusHtmlTest, EveryPageOfEveryFileConverts) {
    EngineSettings engine;
    int pages = 0, files = 0;
    for (const CorpusFile& file : corpusFiles()) {
#ifdef QM_CONVERT_CORPUS_SAMPLE
        // The sanitizer build takes one file in eight, and their first pages.
        if (files++ % 8 != 0) continue;
#else
        ++files;
#endif
        ErrorCapture quiet;
        PdfString password(file.password.c_str());
        PdfDocument doc(PdfString(corpusPath(file.name).c_str()), nullptr, file.password.empty() ? nullptr : &password);
        if (!doc.isOk()) continue;
        ConversionRenderer renderer(doc);
        HtmlWriterState state;
        state.startFile();
        int last = doc.pageCount();
#ifdef QM_CONVERT_CORPUS_SAMPLE
        last = std::min(last, 3);
#endif
        for (int n = 1; n <= last; ++n, ++pages) {
            RecordedPage recorded = convert(renderer, n, state, true);
            ASSERT_TRUE(recorded.page) << file.name << " page " << n;
            char name[32];
            std::snprintf(name, sizeof name, "/pg_%04d", n);
            const std::string html = readFileText(out_.path() + name + ".htm");
            EXPECT_EQ(html.substr(0, 8), "<html>\r\n") << file.name << " page " << n;
            EXPECT_EQ(html.substr(html.size() - 7), "</html>") << file.name << " page " << n;
            // Pages too large for a page bitmap get no picture.
            const int64_t w = recorded.page->width, h = recorded.page->height;
            if (w > 0 && h > 0 && w <= 32767 && h <= 32767 && w * h <= (int64_t{1} << 27)) {
                EXPECT_TRUE(isRegularFile(out_.path() + name + ".jpg")) << file.name << " page " << n;
            }
            EXPECT_FALSE(isRegularFile(out_.path() + name + ".bmp"));
            quiet.clear();
        }
        deleteFilesMatching(out_.path() + "/pg_*");
    }
#ifndef QM_CONVERT_CORPUS_SAMPLE
    EXPECT_GT(pages, 300);
#endif
}

// A document whose glyph maps to "<script>" through its ToUnicode map, whose font name
// carries markup, and whose links run script.
std::string craftedPdf() {
    test::PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    b.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents 4 0 R "
             "/Resources << /Font << /F1 5 0 R >> >> /Annots [7 0 R 8 0 R 9 0 R] >>");
    b.stream("", "BT /F1 24 Tf 40 120 Td (AB) Tj ET");
    b.object("<< /Type /Font /Subtype /Type1 /BaseFont /Evil#3C#2Fstyle#3E#3Cscript#3E /ToUnicode 6 0 R "
             "/FirstChar 65 /LastChar 66 /Widths [600 600] >>");
    b.stream("",
             "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
             "1 begincodespacerange <00> <FF> endcodespacerange\n"
             "2 beginbfchar\n<41> <003C007300630072006900700074003E>\n"
             "<42> <0061003C0069006D00670020007300720063003D0078003E>\nendbfchar\n"
             "endcmap CMapName currentdict /CMap defineresource pop end end\n");
    b.object("<< /Type /Annot /Subtype /Link /Rect [10 10 100 60] /Border [0 0 0] "
             "/A << /S /URI /URI (javascript:alert\\(document.cookie\\)) >> >>");
    b.object("<< /Type /Annot /Subtype /Link /Rect [110 10 200 60] /Border [0 0 0] "
             "/A << /S /URI /URI (http://example.com/\"><script>x</script>) >> >>");
    b.object("<< /Type /Annot /Subtype /Link /Rect [210 10 290 60] /Border [0 0 0] "
             "/A << /S /URI /URI ( DATA:text/html,<script>x</script>) >> >>");
    return b.finish("/Root 1 0 R");
}

TEST_F(CorpusHtmlTest, MarkupFromTheDocumentStaysInert) {
    EngineSettings engine;
    const std::string pdf = out_ / "crafted.pdf";
    test::writeFileText(pdf, craftedPdf());
    ErrorCapture quiet;
    PdfDocument doc(PdfString(pdf.c_str()), nullptr, nullptr);
    ASSERT_TRUE(doc.isOk());
    ConversionRenderer renderer(doc);
    HtmlWriterState state;
    state.startFile();
    RecordedPage recorded = convert(renderer, 1, state, true);
    ASSERT_TRUE(recorded.page);
    ASSERT_EQ(recorded.links->count, 3);
    const std::string html = readFileText(out_ / "pg_0001.htm");

    // Only the page's own five scripts, one style block, no injected image.
    EXPECT_EQ(occurrences(html, "<script"), 5);
    EXPECT_EQ(occurrences(html, "</style>"), 1);
    EXPECT_EQ(html.find("<img src"), std::string::npos);
    EXPECT_EQ(occurrences(html, "<img "), 1);
    // The texts are there as text.
    EXPECT_NE(html.find("&lt;"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;a&lt;img sr"), std::string::npos);  // both glyphs' texts, as far as kept
    // Script links are left out; the other link's markup is escaped.
    EXPECT_EQ(html.find("javascript:"), std::string::npos);
    EXPECT_EQ(html.find("DATA:"), std::string::npos);
    EXPECT_EQ(occurrences(html, "<area "), 1);
    EXPECT_NE(html.find("<area href=\"http://example.com/&quot;&gt;&lt;script&gt;x&lt;/script&gt;\""),
              std::string::npos);
}

TEST_F(CorpusHtmlTest, BrowserShowsCorpusPagesAsRecorded) {
    if (!test::haveChromium()) GTEST_SKIP() << "chromium is not installed";
    EngineSettings engine;
    struct Case {
        const char* file;
        int page;
        const char* area;  // an area the page's map must hold
    };
    const Case cases[] = {
        {"chrome-wikipedia.pdf", 1, "<area href=\"https://en.wikipedia.org/wiki/File:Pdf-js_logo.svg\" shape=\"rect\""},
        {"latex-outline.pdf", 1, "<area href=\"pg_0002.htm\" shape=\"rect\""},
        {"libreoffice-form.pdf", 1, nullptr},
    };
    test::TempFolder profile;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ErrorCapture quiet;
        PdfDocument doc(PdfString(corpusPath(c.file).c_str()), nullptr, nullptr);
        ASSERT_TRUE(doc.isOk());
        ConversionRenderer renderer(doc);
        HtmlWriterState state;
        state.startFile();
        RecordedPage recorded = recordPage(renderer, c.page, 100);
        ASSERT_TRUE(recorded.page);
        // What the display list says before the writer strips it: the upright glyphs.
        std::vector<TextItem> glyphs;
        for (int32_t i = 0; i < recorded.page->itemCount; ++i) {
            const PageItem& item = recorded.page->items[i];
            if (item.kind != QM_ITEM_TEXT || item.record.text->orientation != 0 || item.record.text->count != 1) continue;
            const char16_t ch = item.record.text->text[0];
            if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z' && ch != 'i' && ch != 'l' && ch != 'j'))
                glyphs.push_back(*item.record.text);
        }
        ASSERT_GT(glyphs.size(), 20u);
        const std::string htmlPath = out_ / "page.htm";
        const int width = recorded.page->width, height = recorded.page->height;
        ASSERT_TRUE(convertPageToHtml(*recorded.page, recorded.links.get(), htmlPath, state));
        test::JpegImage picture = test::decodeJpeg(readFileText(out_ / "page.jpg"));
        ASSERT_TRUE(picture.ok);

        test::Screenshot shot = test::screenshot(htmlPath, out_ / "shot.png", profile.path(), width, height);
        ASSERT_TRUE(shot.ok());

        // The picture: wherever the JPEG is clearly not white, the screen shows its colour.
        int pictured = 0, matched = 0;
        for (int y = 2; y < height - 2; y += 7)
            for (int x = 2; x < width - 2; x += 7) {
                const unsigned char* p = &picture.samples[(static_cast<size_t>(y) * width + x) * 3];
                if (p[0] + p[1] + p[2] > 600) continue;
                ++pictured;
                ColorRef s = shot.pixel(x, y);
                if (std::abs(int(redOf(s)) - p[0]) < 40 && std::abs(int(greenOf(s)) - p[1]) < 40 &&
                    std::abs(int(blueOf(s)) - p[2]) < 40)
                    ++matched;
            }
        if (pictured > 0) {
            EXPECT_GT(matched, pictured * 6 / 10) << matched << " of " << pictured;
        }

        // The text: ink just above most glyphs' baselines, near where each glyph starts. The
        // browser's font is not the document's, so a run drifts along its line; only glyphs
        // near a run's start are held to their place.
        int checked = 0, inked = 0;
        for (size_t k = 0; k < glyphs.size(); k += std::max<size_t>(1, glyphs.size() / 60)) {
            const TextItem& g = glyphs[k];
            if (g.height < 6 || g.x < 0 || g.y < 0 || g.x + 20 >= width || g.y >= height) continue;
            ++checked;
            bool ink = false;
            // Ink that is not in the picture: the screen much darker than the JPEG there.
            for (int y = g.y - g.height / 2; y <= g.y && !ink; ++y)
                for (int x = g.x - 12; x <= g.x + 12 && !ink; ++x) {
                    if (x < 0 || y < 0) continue;
                    const unsigned char* p = &picture.samples[(static_cast<size_t>(y) * width + x) * 3];
                    ColorRef s = shot.pixel(x, y);
                    ink = int(redOf(s) + greenOf(s) + blueOf(s)) < p[0] + p[1] + p[2] - 150;
                }
            inked += ink;
        }
        ASSERT_GT(checked, 10);
        EXPECT_GT(inked, checked * 8 / 10) << inked << " of " << checked;

        if (c.area) {
            const std::string dom = test::dumpDom(htmlPath, out_ / "dom.html", profile.path());
            EXPECT_NE(dom.find(c.area), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST(InspectHtml, WritesThePageAndItsJpeg) {
    test::TempFolder out;
    const std::string page = out / "pg_0001.htm";
    const std::string cmd = std::string(QM_BINARY_DIR) + "/quillmark-inspect --html 1 '" + page + "' --zoom 50 " +
                            QM_TEST_DATA_DIR + "/corpus/latex-outline.pdf";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string html = test::readFileText(page);
    EXPECT_NE(html.find("<area href=\"pg_0002.htm\""), std::string::npos);
    test::JpegImage image = test::decodeJpeg(test::readFileText(out / "pg_0001.jpg"));
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(image.width, 413);  // an A4 page, 595 points, at 50 dots per inch
    EXPECT_FALSE(isRegularFile(out / "pg_0001.bmp"));
    // A page the document does not have: nothing written, status 1.
    const std::string none = std::string(QM_BINARY_DIR) + "/quillmark-inspect --html 9 '" + (out / "x.htm") + "' " +
                             QM_TEST_DATA_DIR + "/corpus/latex-outline.pdf 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(none.c_str())), 1);
    EXPECT_FALSE(isRegularFile(out / "x.htm"));
}

}  // namespace
}  // namespace qm
