// A site's pages recorded by two processes and joined by a third in page order: each
// recording process numbers the glyph sets and fills their faces in its own order, yet the
// joined page files, search index and web fonts are byte for byte those of one process that
// met every page in turn. Parcels cut short or damaged are refused; a page whose questions
// cannot be answered as that one process would have answered them says so.

#include <map>

#include "convert/html_conversion.h"
#include "convert/page_parcel.h"
#include "convert/page_recording.h"
#include "convert/web_font_book.h"
#include "convert_test_support.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "platform/system/file_ops.h"
#include "render/conversion_renderer.h"
#include "render/web_font_journal.h"
#include "support/pdf_builder.h"
#include "support/test_files.h"

namespace qm {
namespace {

constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A document open in one process, recording pages with its characters noted.
struct Recorder {
    explicit Recorder(const std::string& pdf) : doc(PdfString(pdf.c_str()), nullptr, nullptr), renderer(doc) {
        renderer.setWebFontJournal(&journal);
        state.startFile();
    }
    // Page `n` recorded, its pictures painted into `folder`, its text packed.
    std::string parcel(int n, const std::string& folder) {
        journal.clearPage();
        RecordedPage recorded = recordPage(renderer, n, 100);
        EXPECT_TRUE(recorded.page);
        if (!recorded.page) return "";
        EXPECT_TRUE(paintPagePictures(*recorded.page, folder + "/pg_000" + std::to_string(n) + ".htm", state));
        std::optional<std::string> packed = packPage(*recorded.page, recorded.links.get(), journal);
        EXPECT_TRUE(packed);
        return packed ? *packed : "";
    }
    ErrorCapture quiet;
    PdfDocument doc;
    ConversionRenderer renderer;
    WebFontJournal journal;
    HtmlWriterState state;
};

class PageJoin : public test::SettingsSandbox {
protected:
    // Three pages in two fonts with the same embedded program, where codes A and B are two
    // glyphs that both read as "A": which glyph takes a face first, and which font is
    // numbered first, depends on the pages met before.
    std::string twinPdf() {
        test::PdfBuilder b;
        b.object("<< /Type /Catalog /Pages 2 0 R >>");
        b.object("<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>");
        for (int page = 0; page < 3; ++page)
            b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents " + std::to_string(6 + page) +
                     " 0 R /Resources << /Font << /F1 9 0 R /F2 12 0 R >> >> >>");
        b.stream("", "BT /F2 24 Tf 20 100 Td (Bo) Tj ET");
        b.stream("", "BT /F1 24 Tf 20 100 Td (Hello) Tj ET BT /F2 24 Tf 20 60 Td [(A) -80 (B) 40 (AA)] TJ ET");
        b.stream("", "BT /F1 24 Tf 20 100 Td (AB) Tj ET BT /F2 24 Tf 20 60 Td [(A) -120 (B)] TJ ET");
        std::string widths;
        for (int c = 65; c <= 111; ++c) widths += std::to_string(500 + c) + " ";
        for (int font = 0; font < 2; ++font) {
            const int first = 9 + 3 * font;
            b.object("<< /Type /Font /Subtype /TrueType /BaseFont /DejaVuSans /FirstChar 65 /LastChar 111 /Widths [" +
                     widths + "] /Encoding /WinAnsiEncoding /FontDescriptor " + std::to_string(first + 1) +
                     " 0 R /ToUnicode 15 0 R >>");
            b.object("<< /Type /FontDescriptor /FontName /DejaVuSans /Flags 32 /FontBBox [0 0 1000 1000] "
                     "/ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 /FontFile2 " +
                     std::to_string(first + 2) + " 0 R >>");
            b.stream("", test::readWholeFile(kDejaVu));
        }
        b.stream("", "1 begincodespacerange <00> <FF> endcodespacerange 2 beginbfchar <41> <0041> <42> <0041> "
                     "endbfchar 1 beginbfrange <43> <7A> <0043> endbfrange");
        const std::string path = out_.path() + "/twins.pdf";
        test::writeFileText(path, b.finish("/Root 1 0 R"));
        return path;
    }

    test::EngineSettings engine_;
};

TEST_F(PageJoin, PagesRecordedApartAreJoinedAsOneProcessWritesThem) {
    ASSERT_TRUE(isRegularFile(kDejaVu));
    const std::string pdf = twinPdf();
    const std::string alone = out_.path() + "/alone", joined = out_.path() + "/joined";
    ASSERT_TRUE(makeDirectoryPath(alone) && makeDirectoryPath(joined));
    {
        ErrorCapture quiet;
        PdfDocument doc(PdfString(pdf.c_str()), nullptr, nullptr);
        ASSERT_TRUE(doc.isOk());
        ConversionRenderer renderer(doc);
        HtmlWriterState state;
        state.startFile();
        for (int n = 1; n <= 3; ++n) {
            RecordedPage recorded = recordPage(renderer, n, 100);
            ASSERT_TRUE(recorded.page);
            ASSERT_TRUE(convertPageToHtml(*recorded.page, recorded.links.get(),
                                          alone + "/pg_000" + std::to_string(n) + ".htm", state));
        }
        ASSERT_TRUE(state.finishFile());
    }
    // One process takes pages 1 and 3, the other page 2, which it meets with sets of its own.
    std::map<int, std::string> parcels;
    {
        Recorder odd(pdf), even(pdf);
        parcels[1] = odd.parcel(1, joined);
        parcels[2] = even.parcel(2, joined);
        parcels[3] = odd.parcel(3, joined);
        ASSERT_FALSE(even.journal.nearLimits());
    }
    WebFontBook book;
    HtmlWriterState state;
    state.startFile();
    for (auto& [n, bytes] : parcels) {
        PageParcel parcel;
        ASSERT_TRUE(unpackPage(bytes, parcel)) << n;
        ASSERT_TRUE(book.apply(parcel)) << n;
        ASSERT_TRUE(writePageText(*parcel.page, parcel.links.get(), joined + "/pg_000" + std::to_string(n) + ".htm",
                                  state, &parcel.placements));
    }
    ASSERT_TRUE(state.finishFile());

    const auto expected = test::filesUnder(alone), got = test::filesUnder(joined);
    // Both fonts, the first with a second face for its twin glyph; pages, pictures, index.
    for (const char* name : {"font_f1.woff2", "font_f1_1.woff2", "font_f2.woff2", "font_f2_1.woff2", "pg_0002.htm",
                             "pg_0002.jpg", "pg_0002_t.jpg", "pg_text_0001.js"})
        EXPECT_TRUE(expected.contains(name)) << name;
    ASSERT_EQ(expected.size(), got.size());
    for (const auto& [name, bytes] : expected) {
        auto at = got.find(name);
        ASSERT_NE(at, got.end()) << name;
        EXPECT_TRUE(at->second == bytes) << name;
    }

    // Every parcel cut short is refused, and damage anywhere is survived.
    const std::string& whole = parcels[2];
    for (size_t cut = 0; cut < whole.size(); cut += 1 + cut / 64) {
        PageParcel parcel;
        EXPECT_FALSE(unpackPage(std::string_view(whole).substr(0, cut), parcel)) << cut;
    }
    for (size_t at = 0; at < whole.size(); at += 7) {
        std::string damaged = whole;
        damaged[at] = static_cast<char>(damaged[at] ^ 0xA5);
        PageParcel parcel;
        if (unpackPage(damaged, parcel)) {
            WebFontBook fresh;
            fresh.apply(parcel);
        }
    }
}

TEST(WebFontBook, APageIsNotJoinedWhenItsAnswersCouldDiffer) {
    const WebFontKey font{9, 0, 11, 0};
    auto parcelAsking = [&](std::vector<WebFontAsk> asks, bool placed) {
        PageParcel parcel;
        parcel.page = newPageObject();
        const uint16_t a = 'A';
        TextPlacement place;
        appendPageItem(*parcel.page, QM_ITEM_TEXT,
                       makePlacedTextItem(1, 2, &a, 1, "Arial", 10, 12, false, false, 0, 0, place));
        parcel.chars = {WebFontChar{font, 0, static_cast<uint32_t>(asks.size()), placed}};
        parcel.asks = std::move(asks);
        parcel.charOfItem = {0};
        return parcel;
    };
    WebFontAsk made;
    made.name = "Twin";
    WebFontAsk glyph;
    glyph.kind = WebFontAsk::single;
    glyph.glyph = 36;
    glyph.character = 'A';
    glyph.width = 0.6;
    WebFontAsk outline;
    outline.kind = WebFontAsk::outline;
    outline.glyph = 36;
    outline.loads = true;
    outline.path.ops = {GlyphPath::move, GlyphPath::line, GlyphPath::line};
    outline.path.points = {0, 0, 0.5f, 0, 0, 0.5f};

    // The outline of a glyph the book has not got was never sent.
    WebFontBook missing;
    PageParcel noOutline = parcelAsking({made, glyph}, true);
    EXPECT_FALSE(missing.apply(noOutline));
    // A font placed in a set the book never saw made.
    WebFontBook unmade;
    PageParcel noSet = parcelAsking({glyph, outline}, true);
    EXPECT_FALSE(unmade.apply(noSet));

    WebFontBook book;
    PageParcel first = parcelAsking({made, glyph, outline}, true);
    ASSERT_TRUE(book.apply(first));
    const TextPlacement* got = placementOf(*first.page->items[0].record.text);
    ASSERT_TRUE(got && got->font);
    EXPECT_EQ(got->font->number(), 1);
    EXPECT_EQ(got->face, 0);
    // Later pages find the set and the outline they asked for before.
    PageParcel again = parcelAsking({glyph}, true);
    ASSERT_TRUE(book.apply(again));
    EXPECT_EQ(placementOf(*again.page->items[0].record.text)->font, got->font);

    // A character that asked what an earlier one asked takes its answer; one that points
    // anywhere but back, or into another font, is not joined.
    auto twice = [&](int64_t sameAs, WebFontKey secondFont) {
        PageParcel parcel = parcelAsking({glyph}, true);
        const uint16_t a = 'A';
        appendPageItem(*parcel.page, QM_ITEM_TEXT,
                       makePlacedTextItem(9, 2, &a, 1, "Arial", 10, 12, false, false, 0, 0, TextPlacement{}));
        parcel.chars.push_back(WebFontChar{secondFont, 1, 0, true, sameAs});
        parcel.charOfItem = {0, 1};
        return parcel;
    };
    PageParcel repeated = twice(0, font);
    ASSERT_TRUE(book.apply(repeated));
    const TextPlacement* second = placementOf(*repeated.page->items[1].record.text);
    ASSERT_TRUE(second && second->font);
    EXPECT_EQ(second->font, got->font);
    EXPECT_EQ(second->face, 0);
    PageParcel forward = twice(1, font);
    EXPECT_FALSE(book.apply(forward));
    PageParcel otherFont = twice(0, WebFontKey{10, 0, 11, 0});
    EXPECT_FALSE(book.apply(otherFont));
}

}  // namespace
}  // namespace qm
