// Web fonts from the documents' own font programs: for each kind of program, every glyph the
// text uses comes back from the written font (read by FreeType after WOFF2 decoding) with the
// PDF's width as its advance and an outline where the program has one; characters shown by
// two glyphs get a second face; each font file is written once per conversion.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <map>

#include "convert/html_conversion.h"
#include "convert/page_recording.h"
#include "convert/web_font_names.h"
#include "convert/web_font_sfnt.h"
#include "convert_test_support.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "platform/system/file_ops.h"
#include "platform/webfont/woff2_compress.h"
#include "render/conversion_renderer.h"
#include "render/font_glyph_set.h"
#include "support/corpus_manifest.h"
#include "support/pdf_builder.h"
#include "support/test_files.h"

namespace qm {
namespace {

using test::readFileText;

using test::EngineSettings;

constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A font read back by FreeType.
class LoadedFace {
public:
    explicit LoadedFace(std::string bytes) : bytes_(std::move(bytes)) {
        FT_Init_FreeType(&library_);
        if (FT_New_Memory_Face(library_, reinterpret_cast<const FT_Byte*>(bytes_.data()),
                               static_cast<FT_Long>(bytes_.size()), 0, &face_) != 0)
            face_ = nullptr;
    }
    ~LoadedFace() {
        if (face_) FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    bool ok() const { return face_ != nullptr; }
    unsigned glyphOf(char32_t c) const { return FT_Get_Char_Index(face_, c); }
    double advance(unsigned glyph) const {
        FT_Fixed a = 0;
        FT_Get_Advance(face_, glyph, FT_LOAD_NO_SCALE, &a);
        return static_cast<double>(a) / face_->units_per_EM;
    }
    int points(unsigned glyph) const {
        if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE) != 0) return -1;
        return face_->glyph->outline.n_points;
    }

private:
    std::string bytes_;
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

// A document opened for conversion, with the writer state of its conversion.
struct Conversion {
    explicit Conversion(const std::string& pdf) : doc(PdfString(pdf.c_str()), nullptr, nullptr), renderer(doc) {
        state.startFile();
    }
    ErrorCapture quiet;
    PdfDocument doc;
    ConversionRenderer renderer;
    HtmlWriterState state;
};

class WebFontTest : public test::SettingsSandbox {
protected:
    // Records page `n` of `pdf` and checks every glyph placed in a web font against the
    // fonts built from its set. Returns the number of glyphs checked.
    int checkPage(const std::string& pdf, int n, const std::string& what) {
        ErrorCapture quiet;
        PdfDocument doc(PdfString(pdf.c_str()), nullptr, nullptr);
        EXPECT_TRUE(doc.isOk()) << what;
        if (!doc.isOk()) return 0;
        ConversionRenderer renderer(doc);
        RecordedPage recorded = recordPage(renderer, n, 100);
        EXPECT_TRUE(recorded.page) << what;
        if (!recorded.page) return 0;
        std::map<std::pair<const FontGlyphSet*, int>, std::unique_ptr<LoadedFace>> faces;
        int checked = 0;
        for (int32_t i = 0; i < recorded.page->itemCount; ++i) {
            const PageItem& item = recorded.page->items[i];
            if (item.kind != QM_ITEM_TEXT) continue;
            const TextPlacement* p = placementOf(*item.record.text);
            if (p == nullptr || !p->font || p->face < 0) continue;
            if (p->ligature) {
                ++ligatures_;
                continue;
            }
            if (item.record.text->count != 1) continue;
            const char32_t c = item.record.text->text[0];
            if (c == ' ' || c == 0xAD) continue;
            auto& loaded = faces[{p->font.get(), p->face}];
            if (!loaded) {
                const std::string sfnt = buildWebFontFace(p->font->face(static_cast<size_t>(p->face)), "t");
                const auto woff2 = compressWoff2(sfnt);
                EXPECT_TRUE(woff2) << what;
                if (!woff2) return checked;
                EXPECT_LT(woff2->size(), sfnt.size()) << what;
                const auto back = decompressWoff2(*woff2);
                EXPECT_TRUE(back) << what;
                if (!back) return checked;
                loaded = std::make_unique<LoadedFace>(*back);
                EXPECT_TRUE(loaded->ok()) << what;
            }
            if (!loaded->ok()) continue;
            const unsigned glyph = loaded->glyphOf(c);
            EXPECT_NE(glyph, 0u) << what << " U+" << std::hex << static_cast<unsigned>(c);
            // The advance is the PDF's width to the font's unit.
            EXPECT_NEAR(loaded->advance(glyph), p->width, 1.0 / kWebFontUnitsPerEm) << what << " U+" << std::hex
                                                                                    << static_cast<unsigned>(c);
            // Letters and digits have ink.
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c >= 0x4E00) {
                EXPECT_GT(loaded->points(glyph), 0) << what << " U+" << std::hex << static_cast<unsigned>(c);
            }
            ++checked;
        }
        return checked;
    }

    // A page showing "Hello" in a TrueType program embedded as FontFile2 or as an OpenType
    // FontFile3, its widths given by the PDF (not the program's own).
    std::string embeddedPdf(bool openType, const std::string& toUnicode = "") {
        test::PdfBuilder b;
        b.object("<< /Type /Catalog /Pages 2 0 R >>");
        b.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
        b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents 4 0 R "
                 "/Resources << /Font << /F1 5 0 R >> >> >>");
        b.stream("", "BT /F1 24 Tf 20 100 Td (HelloAB) Tj ET BT /F1 24 Tf 20 60 Td (ABBA) Tj ET");
        std::string widths;
        for (int c = 65; c <= 111; ++c) widths += std::to_string(500 + c) + " ";
        b.object("<< /Type /Font /Subtype /TrueType /BaseFont /DejaVuSans /FirstChar 65 /LastChar 111 /Widths [" +
                 widths + "] /Encoding /WinAnsiEncoding /FontDescriptor 6 0 R" +
                 (toUnicode.empty() ? "" : " /ToUnicode 8 0 R") + " >>");
        b.object(std::string("<< /Type /FontDescriptor /FontName /DejaVuSans /Flags 32 /FontBBox [0 0 1000 1000] "
                             "/ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 ") +
                 (openType ? "/FontFile3" : "/FontFile2") + " 7 0 R >>");
        b.stream(openType ? "/Subtype /OpenType" : "", test::readWholeFile(kDejaVu));
        if (!toUnicode.empty()) b.stream("", toUnicode);
        const std::string path = out_.path() + (openType ? "/otf.pdf" : "/ttf.pdf");
        test::writeFileText(path, b.finish("/Root 1 0 R"));
        return path;
    }

    EngineSettings engine_;
    int ligatures_ = 0;
};

TEST_F(WebFontTest, EveryKindOfProgramGivesItsGlyphsWithThePdfWidths) {
    ASSERT_TRUE(isRegularFile(kDejaVu));
    EXPECT_GE(checkPage(embeddedPdf(false), 1, "TrueType"), 9);
    EXPECT_GE(checkPage(embeddedPdf(true), 1, "OpenType"), 9);
    EXPECT_GE(checkPage(test::corpusPath("latex-outline.pdf"), 1, "Type 1"), 50);
    EXPECT_GE(checkPage(test::corpusPath("latex-geotopo-117p.pdf"), 1, "compact font"), 20);
    EXPECT_GE(checkPage(test::corpusPath("word2013-chinese.pdf"), 1, "CID-keyed compact font"), 50);
    // Ligatures (fi, fl) of the TeX fonts are glyphs of their own, joined from their letters.
    EXPECT_GT(ligatures_, 0);
}

// A small triangle: every glyph of these sets has ink.
bool ink(GlyphPath& p) {
    p.ops = {GlyphPath::move, GlyphPath::line, GlyphPath::line};
    p.points = {0, 0, 0.5f, 0, 0, 0.5f};
    return true;
}

// Whether an sfnt lists a table.
bool hasTable(const std::string& sfnt, const char* tag) {
    const uint16_t count = static_cast<uint16_t>((static_cast<unsigned char>(sfnt[4]) << 8) | static_cast<unsigned char>(sfnt[5]));
    for (uint16_t i = 0; i < count; ++i)
        if (sfnt.compare(12 + 16 * i, 4, tag) == 0) return true;
    return false;
}

TEST(WebFontSfnt, LigaturesAreSubstitutedForTheirLettersAndKernedAsGlyphs) {
    FontGlyphSet set(1, "T");
    ASSERT_EQ(set.place(10, U'f', 0.3, ink), 0);
    ASSERT_EQ(set.place(11, U'i', 0.25, ink), 0);
    ASSERT_TRUE(set.placeLigature(12, U"fi", 0.55, ink));
    EXPECT_TRUE(set.placeLigature(12, U"fi", 0.55, ink));
    EXPECT_FALSE(set.placeLigature(13, U"fi", 0.55, ink));  // the letters have their glyph
    const char32_t key = set.ligatureKey(U"fi");
    EXPECT_EQ(key, FontGlyphSet::kLigatureKeys);
    set.kern(0, U'f', key, -0.02);
    const std::string sfnt = buildWebFontFace(set.face(0), "t", set.kerns(0), set.ligatures());
    // The font has a substitution and a kerning table; the ligature glyph is no character's.
    EXPECT_TRUE(hasTable(sfnt, "GSUB"));
    EXPECT_TRUE(hasTable(sfnt, "kern"));
    LoadedFace face(*decompressWoff2(*compressWoff2(sfnt)));
    ASSERT_TRUE(face.ok());
    EXPECT_NEAR(face.advance(face.glyphOf(U'f')), 0.3, 1.0 / kWebFontUnitsPerEm);
    EXPECT_NEAR(face.advance(4), 0.55, 1.0 / kWebFontUnitsPerEm);  // .notdef, blank, f, i, fi
    // Without a ligature of its letters, the font has no substitution table.
    FontGlyphSet plain(2, "P");
    plain.place(10, U'f', 0.3, ink);
    EXPECT_EQ(buildWebFontFace(plain.face(0), "p", plain.kerns(0), plain.ligatures()).find("GSUB"), std::string::npos);
}

// A pair keeps the kerning it was first met with for every page, none included: a pair met
// later with a step of its own must not give the face a kerning that the browser would
// then apply to the pages written before, which were placed without it.
TEST(FontGlyphSet, APairFirstMetWithoutKerningNeverGetsAny) {
    FontGlyphSet set(1, "T");
    for (char32_t c : {U'a', U'b', U'c', U'd'}) ASSERT_EQ(set.place(c, c, 0.5, ink), 0);
    const uint64_t version = set.version();
    EXPECT_EQ(set.kern(0, U'a', U'b', 0.00001), 0);  // rounds to nothing
    EXPECT_EQ(set.kern(0, U'a', U'b', -0.03), 0);
    EXPECT_EQ(set.kern(0, U'c', U'd', 1.5), 0);  // too wide to be kerning
    EXPECT_EQ(set.kern(0, U'c', U'd', -0.03), 0);
    EXPECT_EQ(set.version(), version);
    // Pairs without kerning make no table.
    auto hasKernTable = [&] {
        return hasTable(buildWebFontFace(set.face(0), "t", set.kerns(0), set.ligatures()), "kern");
    };
    EXPECT_FALSE(hasKernTable());
    // A pair first met kerned keeps that value.
    EXPECT_EQ(set.kern(0, U'b', U'c', -0.03), -123);
    EXPECT_EQ(set.kern(0, U'b', U'c', 0), -123);
    EXPECT_GT(set.version(), version);
    EXPECT_TRUE(hasKernTable());
}

TEST(FontGlyphSet, ACharacterShownByASecondGlyphGoesToTheNextFace) {
    FontGlyphSet set(3, "T");
    EXPECT_EQ(set.place(5, U'A', 0.6, ink), 0);
    EXPECT_EQ(set.place(9, U'A', 0.6, ink), 1);   // another glyph for A
    EXPECT_EQ(set.place(5, U'A', 0.6, ink), 0);   // the first again
    EXPECT_EQ(set.place(9, U'B', 0.6, ink), 0);   // a glyph may stand for two characters
    EXPECT_EQ(set.place(7, U'A', 0.6, ink), 2);
    EXPECT_EQ(set.place(8, U'C', 0.6, [](GlyphPath&) { return false; }), -1);  // no outline
    EXPECT_EQ(set.faceCount(), 3u);
    EXPECT_EQ(set.face(0).size(), 2u);
    EXPECT_EQ(webFontFamily(set, 0), "qf3");
    EXPECT_EQ(webFontFamily(set, 2), "qf3_2");
    EXPECT_EQ(webFontFile(set, 1), "font_f3_1.woff2");
    // Each face maps each of its characters once.
    for (size_t f = 0; f < set.faceCount(); ++f) {
        LoadedFace face(*decompressWoff2(*compressWoff2(buildWebFontFace(set.face(f), webFontFamily(set, f)))));
        ASSERT_TRUE(face.ok());
        EXPECT_NE(face.glyphOf(U'A'), 0u);
        EXPECT_NEAR(face.advance(face.glyphOf(U'A')), 0.6, 1.0 / kWebFontUnitsPerEm);
        EXPECT_EQ(face.advance(face.glyphOf(U' ')), 0);  // the blank takes no room
    }
}

TEST_F(WebFontTest, PagesShareOneFileWrittenOnceAndTwinGlyphsShowTheirCharacter) {
    // Codes A and B are two glyphs that both read as "A".
    const std::string pdf = embeddedPdf(
        false, "1 begincodespacerange <00> <FF> endcodespacerange 2 beginbfchar <41> <0041> <42> <0041> endbfchar "
               "1 beginbfrange <43> <7A> <0043> endbfrange");
    Conversion c(pdf);
    ASSERT_TRUE(c.doc.isOk());
    ConversionRenderer& renderer = c.renderer;
    HtmlWriterState& state = c.state;
    for (int copy = 1; copy <= 2; ++copy) {
        RecordedPage recorded = recordPage(renderer, 1, 100);
        ASSERT_TRUE(recorded.page);
        ASSERT_TRUE(convertPageToHtml(*recorded.page, nullptr, out_.path() + "/pg_000" + std::to_string(copy) + ".htm",
                                      state));
    }
    EXPECT_FALSE(isRegularFile(out_.path() + "/font_f1.woff2"));  // not before the conversion ends
    ASSERT_TRUE(state.finishFile());
    EXPECT_TRUE(isRegularFile(out_.path() + "/font_f1.woff2"));
    EXPECT_TRUE(isRegularFile(out_.path() + "/font_f1_1.woff2"));
    EXPECT_EQ(state.webFonts().filesWritten(), 2u);
    EXPECT_FALSE(state.webFonts().pending());
    const std::string html = readFileText(out_.path() + "/pg_0002.htm");
    EXPECT_NE(html.find("@font-face{font-family:qf1;src:url(\"font_f1.woff2\") format(\"woff2\")}"), std::string::npos);
    EXPECT_NE(html.find("@font-face{font-family:qf1_1;src:url(\"font_f1_1.woff2\")"), std::string::npos);
    // The copied text is the real text: "A" twice, never a private character.
    EXPECT_NE(html.find(">HelloA</span>"), std::string::npos) << html;
    EXPECT_EQ(html.find("\xEE"), std::string::npos);

    // Without web fonts, the page is as before: the browser's faces, fitted to the PDF widths.
    Settings::setOverride(Setting::webFonts, 0);
    RecordedPage again = recordPage(renderer, 1, 100);
    ASSERT_TRUE(convertPageToHtml(*again.page, nullptr, out_.path() + "/plain.htm", state));
    const std::string plain = readFileText(out_.path() + "/plain.htm");
    EXPECT_EQ(plain.find("@font-face"), std::string::npos);
    EXPECT_NE(plain.find("data-w="), std::string::npos);
    EXPECT_FALSE(state.webFonts().pending());
}

TEST_F(WebFontTest, AFontThatCannotBeWrittenIsAFailureAndTakesBackOnlyTheFilesItMade) {
    Conversion c(embeddedPdf(false));
    ASSERT_TRUE(c.doc.isOk());
    ConversionRenderer& renderer = c.renderer;
    HtmlWriterState& state = c.state;
    const std::string folder = out_.path() + "/site";
    ASSERT_TRUE(makeDirectoryPath(folder));
    ASSERT_TRUE(makeDirectoryPath(folder + "/font_f1.woff2"));  // a folder where the file should be
    RecordedPage recorded = recordPage(renderer, 1, 100);
    ASSERT_TRUE(convertPageToHtml(*recorded.page, nullptr, folder + "/pg_0001.htm", state));
    EXPECT_FALSE(state.finishFile());
    EXPECT_NE(state.lastError().find("font_f1.woff2"), std::string::npos);
    EXPECT_TRUE(isDirectory(folder + "/font_f1.woff2"));

    // The second face fails after the first was written: a first face this run created goes
    // again, one that replaced an earlier conversion's file stays (the earlier bytes are gone
    // either way, and a site missing the font would be worse off).
    const std::string twins = embeddedPdf(
        false, "1 begincodespacerange <00> <FF> endcodespacerange 2 beginbfchar <41> <0041> <42> <0041> endbfchar "
               "1 beginbfrange <43> <7A> <0043> endbfrange");
    for (bool earlier : {false, true}) {
        Conversion t(twins);
        ASSERT_TRUE(t.doc.isOk());
        const std::string site = out_.path() + (earlier ? "/again" : "/fresh");
        ASSERT_TRUE(makeDirectoryPath(site + "/font_f1_1.woff2"));
        if (earlier) test::writeFileText(site + "/font_f1.woff2", "an earlier conversion's font");
        RecordedPage page = recordPage(t.renderer, 1, 100);
        ASSERT_TRUE(convertPageToHtml(*page.page, nullptr, site + "/pg_0001.htm", t.state));
        EXPECT_FALSE(t.state.finishFile());
        EXPECT_NE(t.state.lastError().find("font_f1_1.woff2"), std::string::npos);
        EXPECT_EQ(isRegularFile(site + "/font_f1.woff2"), earlier) << site;
        if (earlier) {
            EXPECT_NE(readFileText(site + "/font_f1.woff2"), "an earlier conversion's font");
        }
    }
}

}  // namespace
}  // namespace qm
