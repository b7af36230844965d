// Page bitmaps drawn with the document's own fonts: glyph choice for each kind of font
// program, positions and sizes of the drawn shapes, Type 3 glyph procedures, the
// config.ini switch and the fall-back for programs FreeType refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/report_error.h"
#include "core/pdf_dict.h"
#include "core/xref_table.h"
#include "document/pdf_catalog.h"
#include "document/pdf_page.h"
#include "fonts/font_resource_set.h"
#include "fonts/global_settings.h"
#include "fonts/pdf_font.h"
#include "font_programs.h"
#include "render/embedded_fonts.h"
#include "render/replay.h"
#include "render_test_support.h"

namespace qm::test {
namespace {

// Points a test at its own settings folder, with config.ini holding `ini` when given.
class ConfigHome {
public:
    explicit ConfigHome(const std::string& ini = "") {
        char pattern[] = "/tmp/qm-embedded-XXXXXX";
        dir_ = ::mkdtemp(pattern) ? pattern : "";
        const char* old = std::getenv("XDG_CONFIG_HOME");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        if (!ini.empty()) {
            std::filesystem::create_directories(dir_ + "/vellumix");
            std::ofstream(dir_ + "/vellumix/config.ini") << ini;
        }
    }
    ~ConfigHome() {
        if (hadOld_)
            ::setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

private:
    std::string dir_, old_;
    bool hadOld_ = false;
};

bool isInk(ColorRef c) { return redOf(c) + greenOf(c) + blueOf(c) < 3 * 128; }

// Pixels in [x0, x1) x [y0, y1) darker than middle gray.
int inkIn(const Bitmap& b, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += isInk(b.pixel(x, y));
    return n;
}

// The box around all ink in the region; empty (right <= left) without ink.
Rect inkBox(const Bitmap& b, int x0, int y0, int x1, int y1) {
    Rect r{x1, y1, x0, y0};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (isInk(b.pixel(x, y))) {
                r.left = std::min(r.left, x), r.top = std::min(r.top, y);
                r.right = std::max(r.right, x + 1), r.bottom = std::max(r.bottom, y + 1);
            }
    return r;
}

// The ink of the whole bitmap lies in (left, top) - (right, bottom), give or take a pixel.
void expectInkBox(const Bitmap& b, int left, int top, int right, int bottom) {
    const Rect box = inkBox(b, 0, 0, b.width(), b.height());
    EXPECT_NEAR(box.left, left, 1);
    EXPECT_NEAR(box.right, right, 1);
    EXPECT_NEAR(box.top, top, 1);
    EXPECT_NEAR(box.bottom, bottom, 1);
}

std::string streamObject(const std::string& dict, const std::string& data) {
    return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

// Glyph 1 a 500-unit square (advance 700), glyph 2 a bar 100 wide and 700 high (advance 300).
std::vector<TestGlyph> squareAndBar() { return {boxGlyph(100, 0, 600, 500, 700), boxGlyph(100, 0, 200, 700, 300)}; }

// A one-byte TrueType font (object 5, descriptor 6, program 7) showing "AB" at 100 points
// from (20, 20) on a 200 x 100 page.
std::unique_ptr<PdfDocument> trueTypePage(const std::string& program, int flags, const std::string& extra = "") {
    return onePage("BT /F1 100 Tf 20 20 Td (AB) Tj ET", "/Font << /F1 5 0 R >>",
                   {"<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Boxes /FirstChar 65 /LastChar 66 "
                    "/Widths [700 300] /FontDescriptor 6 0 R " + extra + ">>",
                    "<< /Type /FontDescriptor /FontName /ABCDEF+Boxes /Flags " + std::to_string(flags) +
                        " /FontBBox [0 0 700 700] /ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 "
                        "/StemV 80 /FontFile2 7 0 R >>",
                    streamObject("", program)});
}

// The engine settings are the binary's (made once for all renderer tests).
class EmbeddedFontTest : public ::testing::Test {};

TEST_F(EmbeddedFontTest, SymbolicTrueTypeDrawsItsGlyphsThroughThePrivateUsePage) {
    ConfigHome home;
    // Only a (3,0) map with the codes at U+F041 and U+F042, as symbol fonts have it.
    const std::string program = trueTypeProgram(squareAndBar(), {{3, 0, {{0xF041, 1}, {0xF042, 2}}}});
    auto doc = trueTypePage(program, 4);
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    const Bitmap& b = *r->bitmap();
    // The square spans x 30..80 and device rows 30..80 (page y 20..70); the bar x 100..110,
    // rows 10..80.
    EXPECT_GE(inkIn(b, 31, 31, 79, 79), 48 * 48 - 10);
    EXPECT_EQ(inkIn(b, 0, 0, 200, 29), inkIn(b, 100, 0, 111, 29));  // above the square: only the bar
    EXPECT_GE(inkIn(b, 101, 11, 109, 79), 8 * 68 - 4);
    EXPECT_EQ(inkIn(b, 82, 0, 99, 100), 0);  // the gap between the glyphs
    EXPECT_EQ(inkIn(b, 0, 81, 200, 100), 0);  // nothing below the baseline
    expectInkBox(b, 30, 10, 110, 80);
}

TEST_F(EmbeddedFontTest, NonSymbolicTrueTypeGoesFromGlyphNamesToUnicode) {
    ConfigHome home;
    // The Unicode map puts the bar at 'A' and the square at 'B'; a (1,0) map says the opposite
    // and must lose, since the font is not symbolic.
    const std::string program =
        trueTypeProgram(squareAndBar(), {{3, 1, {{'A', 2}, {'B', 1}}}, {1, 0, {{'A', 1}, {'B', 2}}}});
    auto doc = trueTypePage(program, 32, "/Encoding /WinAnsiEncoding ");
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    const Bitmap& b = *r->bitmap();
    // Bar at x 30..40 (rows 10..80), then the square from x 20 + 70 + 10 = 100 to 150... the
    // advance comes from Widths (700 for A), so the square starts at 20 + 70 + 10.
    EXPECT_GE(inkIn(b, 31, 11, 39, 79), 8 * 68 - 4);
    EXPECT_GE(inkIn(b, 101, 31, 149, 79), 48 * 48 - 10);
    EXPECT_EQ(inkIn(b, 42, 0, 99, 100), 0);
}

TEST_F(EmbeddedFontTest, CidFontWithIdentityHUsesTheCidToGidMap) {
    ConfigHome home;
    const std::string program = trueTypeProgram(squareAndBar(), {{3, 1, {{'A', 1}}}});
    // CID 1 -> glyph 2 (bar), CID 2 -> glyph 1 (square).
    const std::string cidToGid = std::string("\0\0\0\x02\0\x01", 6);
    auto page = [&](bool withMap) {
        return onePage("BT /F1 100 Tf 20 20 Td <00010002> Tj ET", "/Font << /F1 5 0 R >>",
                       {"<< /Type /Font /Subtype /Type0 /BaseFont /ABCDEF+Boxes /Encoding /Identity-H "
                        "/DescendantFonts [6 0 R] >>",
                        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /ABCDEF+Boxes /CIDSystemInfo << /Registry "
                        "(Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor 7 0 R /W [1 [300 700]] " +
                            std::string(withMap ? "/CIDToGIDMap 9 0 R" : "") + " >>",
                        "<< /Type /FontDescriptor /FontName /ABCDEF+Boxes /Flags 4 /FontBBox [0 0 700 700] "
                        "/ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 /FontFile2 8 0 R >>",
                        streamObject("", program), streamObject("", cidToGid)});
    };
    {
        auto doc = page(true);
        std::unique_ptr<ConversionRenderer> r;
        drawOne(*doc, 72, r);
        const Bitmap& b = *r->bitmap();
        EXPECT_GE(inkIn(b, 31, 11, 39, 79), 8 * 68 - 4);     // bar first
        EXPECT_GE(inkIn(b, 61, 31, 109, 79), 48 * 48 - 10);  // square after 300 units
        EXPECT_EQ(inkIn(b, 42, 0, 59, 100), 0);
    }
    {
        auto doc = page(false);  // Identity: CID 1 is glyph 1, the square
        std::unique_ptr<ConversionRenderer> r;
        drawOne(*doc, 72, r);
        const Bitmap& b = *r->bitmap();
        EXPECT_GE(inkIn(b, 31, 31, 49, 79), 18 * 48 - 4);
        EXPECT_EQ(inkIn(b, 31, 10, 55, 29), 0);  // no bar standing at the start
        EXPECT_GE(inkIn(b, 61, 11, 69, 79), 8 * 68 - 4);  // but 30 pixels on
    }
}

TEST_F(EmbeddedFontTest, RecordedPagesKeepGlyphsThatStandForNoCharacterInThePicture) {
    ConfigHome home;
    // An Identity CID font without a ToUnicode map: its glyphs (the pieces of large brackets
    // in TeX's extension font, say) stand for no character, so no HTML text can show them.
    const std::string program = trueTypeProgram(squareAndBar(), {{3, 1, {{'A', 1}}}});
    auto doc = onePage("BT /F1 100 Tf 20 20 Td <00020001> Tj ET", "/Font << /F1 5 0 R >>",
                       {"<< /Type /Font /Subtype /Type0 /BaseFont /ABCDEF+Boxes /Encoding /Identity-H "
                        "/DescendantFonts [6 0 R] >>",
                        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /ABCDEF+Boxes /CIDSystemInfo << /Registry "
                        "(Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor 7 0 R /W [1 [700 300]] >>",
                        "<< /Type /FontDescriptor /FontName /ABCDEF+Boxes /Flags 4 /FontBBox [0 0 700 700] "
                        "/ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 /FontFile2 8 0 R >>",
                        streamObject("", program)});
    PageObjectPtr page = recordOne(*doc, 72);
    ASSERT_TRUE(page);
    EXPECT_EQ(countItems(*page, QM_ITEM_TEXT), 0);
    Bitmap picture(200, 100);  // the page at 72 dpi
    ASSERT_TRUE(picture.isOk());
    picture.fill(kWhite);
    Canvas canvas(picture);
    replayDisplayList(canvas, *page);
    // Their shapes are in the page's picture instead, where the page bitmap has them: the
    // bar from x 30 (rows 10 to 80), then the square 30 pixels on.
    EXPECT_GE(inkIn(picture, 31, 11, 39, 79), 8 * 68 - 4);
    EXPECT_GE(inkIn(picture, 61, 31, 109, 79), 48 * 48 - 10);
    expectInkBox(picture, 30, 10, 110, 80);
}

TEST_F(EmbeddedFontTest, RenderModesStrokeAndHideTheOutline) {
    ConfigHome home;
    const std::string program = trueTypeProgram(squareAndBar(), {{3, 0, {{0xF041, 1}}}});
    auto page = [&](const std::string& content) {
        return onePage(content, "/Font << /F1 5 0 R >>",
                       {"<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Boxes /FirstChar 65 /LastChar 66 "
                        "/Widths [700 300] /FontDescriptor 6 0 R >>",
                        "<< /Type /FontDescriptor /FontName /ABCDEF+Boxes /Flags 4 /FontBBox [0 0 700 700] "
                        "/FontFile2 7 0 R >>",
                        streamObject("", program)});
    };
    std::unique_ptr<ConversionRenderer> r;
    auto stroked = page("1 0 0 RG 0 0 1 rg 2 w BT 1 Tr /F1 100 Tf 20 20 Td (A) Tj ET");
    drawOne(*stroked, 72, r);
    const Bitmap& b = *r->bitmap();
    EXPECT_EQ(b.pixel(55, 55), kWhite);                    // the inside stays unpainted
    EXPECT_EQ(b.pixel(30, 55), makeColorRef(255, 0, 0));   // the left edge in the stroke colour
    auto hidden = page("BT 3 Tr /F1 100 Tf 20 20 Td (A) Tj ET");
    drawOne(*hidden, 72, r);
    EXPECT_EQ(inkIn(*r->bitmap(), 0, 0, 200, 100), 0);
    auto filled = page("0 0 1 rg BT /F1 100 Tf 20 20 Td (A) Tj ET");
    drawOne(*filled, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(55, 55), makeColorRef(0, 0, 255));
}

// Letters of a plain text font, so the installed faces have characters to draw.
std::unique_ptr<PdfDocument> plainTextPage(const std::string& program) {
    return trueTypePage(program, 32, "/Encoding /WinAnsiEncoding ");
}

TEST_F(EmbeddedFontTest, TheSwitchAndRecordedPagesKeepInstalledFonts) {
    const std::string program = trueTypeProgram(squareAndBar(), {{3, 1, {{'A', 1}, {'B', 2}}}});
    auto doc = plainTextPage(program);
    std::unique_ptr<ConversionRenderer> r;
    {
        ConfigHome home("[VELLUMX]\nEmbeddedFonts=0\n");
        EXPECT_FALSE(embeddedFontsEnabled());
        drawOne(*doc, 72, r);
        // An installed face draws letters: the solid square is not there.
        EXPECT_GT(inkIn(*r->bitmap(), 0, 0, 200, 100), 0);
        EXPECT_LT(inkIn(*r->bitmap(), 31, 31, 79, 79), 48 * 48 / 2);
    }
    {
        ConfigHome home("[VELLUMX]\nEmbeddedFonts=1\n");
        EXPECT_TRUE(embeddedFontsEnabled());
        PageObjectPtr page = recordOne(*doc, 72);
        EXPECT_EQ(countItems(*page, QM_ITEM_TEXT), 2);  // display lists still carry the characters
    }
}

TEST_F(EmbeddedFontTest, BrokenProgramsFallBackToInstalledFonts) {
    ConfigHome home;
    ErrorCapture quiet;
    const std::string good = trueTypeProgram(squareAndBar(), {{3, 1, {{'A', 1}, {'B', 2}}}});
    std::string scrambled = good;
    for (size_t i = 12; i < scrambled.size(); i += 3) scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
    for (const std::string& program : {std::string("not a font at all"), good.substr(0, good.size() / 2), scrambled,
                                       std::string()}) {
        auto doc = plainTextPage(program);
        std::unique_ptr<ConversionRenderer> r;
        drawOne(*doc, 72, r);
        ASSERT_TRUE(r->bitmap());
        // Something is drawn (letters of an installed face), never the solid square.
        EXPECT_GT(inkIn(*r->bitmap(), 0, 0, 200, 100), 0);
        EXPECT_LT(inkIn(*r->bitmap(), 31, 31, 79, 79), 48 * 48 - 10);
    }
}

TEST_F(EmbeddedFontTest, OutlineFontsRefuseWhatFreeTypeCannotReadAndDegenerateSizes) {
    EXPECT_EQ(OutlineFont::load({}), nullptr);
    const std::string junk = "\x80\x01 not a font program";
    EXPECT_EQ(OutlineFont::load(std::vector<uint8_t>(junk.begin(), junk.end())), nullptr);
    const std::string program = trueTypeProgram(squareAndBar(), {{3, 1, {{'A', 1}}}});
    auto font = OutlineFont::load(std::vector<uint8_t>(program.begin(), program.end()));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyphCount(), 3u);
    EXPECT_EQ(font->glyphByCharmap(3, 1, 'A'), 1u);
    EXPECT_EQ(font->glyphByCharmap(3, 0, 'A'), 0u);  // no such map
    EXPECT_TRUE(font->glyphLoads(2));
    EXPECT_FALSE(font->glyphLoads(3));
    const double flat[4] = {10, 0, 0, 0}, nan[4] = {NAN, 0, 0, 10}, huge[4] = {1e9, 0, 0, 1e9};
    EXPECT_EQ(font->scaledFont(flat), nullptr);
    EXPECT_EQ(font->scaledFont(nan), nullptr);
    EXPECT_EQ(font->scaledFont(huge), nullptr);
    const double m[4] = {12, 0, 0, -12};
    cairo_scaled_font_t* a = font->scaledFont(m);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(font->scaledFont(m), a);  // kept for the next character of that size
    for (int i = 1; i <= static_cast<int>(OutlineFont::kScaledFonts) + 4; ++i) {
        const double other[4] = {12.0 + i, 0, 0, -12.0 - i};
        EXPECT_NE(font->scaledFont(other), nullptr);
    }
    // Glyphs far larger than the page still draw (as paths) without trouble.
    Bitmap bitmap(50, 50);
    Canvas canvas(bitmap);
    bitmap.fill(kWhite);
    const double big[4] = {5000, 0, 0, -5000};
    EXPECT_TRUE(drawGlyph(canvas, *font, 1, big, -600, 100, GlyphPaint{}));
    EXPECT_EQ(bitmap.pixel(25, 25), kBlack);
}

TEST_F(EmbeddedFontTest, ConfiguredTrueTypeDisplayFontsDrawFontsWithoutPrograms) {
    ConfigHome home;
    char pattern[] = "/tmp/qm-display-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string program = trueTypeProgram(squareAndBar(), {{3, 1, {{'A', 1}, {'B', 2}}}});
    std::ofstream(dir + "/boxes.ttf", std::ios::binary) << program;
    std::ofstream(dir + "/config.lst") << "displayFontTT Boxes " << dir << "/boxes.ttf\n";
    {
        createGlobalSettings((dir + "/config.lst").c_str());
        auto doc = onePage("BT /F1 100 Tf 20 20 Td (AB) Tj ET", "/Font << /F1 5 0 R >>",
                           {"<< /Type /Font /Subtype /TrueType /BaseFont /Boxes /FirstChar 65 /LastChar 66 "
                            "/Widths [700 300] /Encoding /WinAnsiEncoding >>"});
        std::unique_ptr<ConversionRenderer> r;
        drawOne(*doc, 72, r);
        createGlobalSettings("config.lst");
        EXPECT_GE(inkIn(*r->bitmap(), 31, 31, 79, 79), 48 * 48 - 10);
        EXPECT_GE(inkIn(*r->bitmap(), 101, 11, 109, 79), 8 * 68 - 4);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

// ---- Programs taken from corpus files

std::string corpusFontProgram(const char* file, const char* tag) {
    PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/" + file).c_str()), nullptr, nullptr);
    if (!doc.isOk()) return {};
    PdfDict* resources = doc.catalog()->page(1)->resources();
    PdfObject fonts = resources ? resources->lookup("Font") : PdfObject();
    if (!fonts.isDict()) return {};
    FontResourceSet set(doc.xref(), fonts.getDict());
    PdfFont* font = set.lookup(tag);
    std::vector<uint8_t> bytes;
    if (!font || !font->readFontProgram(doc.xref(), bytes)) return {};
    return std::string(bytes.begin(), bytes.end());
}

// Draws 'A' (named `glyph` by Differences) at 100 points from (20, 30) on a 200 x 150 page.
std::unique_ptr<PdfDocument> namedGlyphPage(const std::string& program, const std::string& fileEntry,
                                            const std::string& subtype, const char* glyph) {
    return onePage("BT /F1 100 Tf 20 30 Td (A) Tj ET", "/Font << /F1 5 0 R >>",
                   {"<< /Type /Font /Subtype /" + subtype + " /BaseFont /ABCDEF+Test /FirstChar 65 /LastChar 65 "
                    "/Widths [500] /Encoding << /Differences [65 /" + glyph + "] >> /FontDescriptor 6 0 R >>",
                    "<< /Type /FontDescriptor /FontName /ABCDEF+Test /Flags 34 /FontBBox [0 -250 1000 900] "
                    "/" + fileEntry + " 7 0 R >>",
                    streamObject(fileEntry == "FontFile3" ? "/Subtype /Type1C" : "", program)},
                   "", 200, 150);
}

void expectLetterShapes(const std::string& program, const std::string& fileEntry, const std::string& subtype) {
    ASSERT_FALSE(program.empty());
    std::unique_ptr<ConversionRenderer> r;
    // "l": a stem from the baseline (device row 120) up to about 0.69 em, narrow.
    auto ell = namedGlyphPage(program, fileEntry, subtype, "l");
    drawOne(*ell, 72, r);
    Rect box = inkBox(*r->bitmap(), 0, 0, 200, 150);
    EXPECT_NEAR(box.bottom, 120, 2);
    EXPECT_NEAR(box.bottom - box.top, 69, 5);
    EXPECT_LT(box.right - box.left, 30);
    EXPECT_GE(box.left, 20);
    EXPECT_LT(box.left, 30);
    // "period": a dot on the baseline.
    auto dot = namedGlyphPage(program, fileEntry, subtype, "period");
    drawOne(*dot, 72, r);
    box = inkBox(*r->bitmap(), 0, 0, 200, 150);
    EXPECT_NEAR(box.bottom, 120, 2);
    EXPECT_LT(box.bottom - box.top, 16);
    EXPECT_GT(box.bottom - box.top, 5);
}

TEST_F(EmbeddedFontTest, Type1ProgramDrawsGlyphsByName) {
    ConfigHome home;
    expectLetterShapes(corpusFontProgram("latex-tracemonkey-14p.pdf", "F42"), "FontFile", "Type1");
}

TEST_F(EmbeddedFontTest, CompactFontProgramDrawsGlyphsByName) {
    ConfigHome home;
    expectLetterShapes(corpusFontProgram("ghostscript-pdfa.pdf", "R11"), "FontFile3", "Type1");
}

// ---- Type 3

// A Type 3 font (object 5) with a 1000-unit glyph space: /sq an uncoloured 500-unit square
// that tries to paint itself red, /bar a coloured green bar, /self a glyph that shows
// itself again.
std::unique_ptr<PdfDocument> type3Page(const std::string& content) {
    const std::string sq = "700 0 100 0 600 500 d1 1 0 0 rg 100 0 500 500 re f";
    const std::string bar = "300 0 d0 0 1 0 rg 100 0 100 700 re f";
    const std::string self = "300 0 d0 0 0 500 100 re f BT /T3 1000 Tf (CCCC) Tj ET";
    return onePage(content, "/Font << /T3 5 0 R >>",
                   {"<< /Type /Font /Subtype /Type3 /FontBBox [0 0 700 700] /FontMatrix [0.001 0 0 0.001 0 0] "
                    "/CharProcs << /sq 6 0 R /bar 7 0 R /self 8 0 R >> /Encoding << /Differences [65 /sq /bar "
                    "/self] >> /FirstChar 65 /LastChar 67 /Widths [700 300 300] /Resources 9 0 R >>",
                    streamObject("", sq), streamObject("", bar), streamObject("", self),
                    "<< /Font << /T3 5 0 R >> >>"});
}

TEST_F(EmbeddedFontTest, Type3GlyphsRunTheirProceduresWithTheFontMatrix) {
    ConfigHome home;
    auto doc = type3Page("0 0 1 rg BT /T3 100 Tf 20 20 Td (AB) Tj ET");
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    const Bitmap& b = *r->bitmap();
    const ColorRef blue = makeColorRef(0, 0, 255), green = makeColorRef(0, 255, 0);
    // The uncoloured square takes the text's colour and ignores its own.
    EXPECT_EQ(b.pixel(31, 31), blue);
    EXPECT_EQ(b.pixel(78, 78), blue);
    EXPECT_EQ(b.pixel(55, 55), blue);
    EXPECT_EQ(b.pixel(29, 55), kWhite);
    EXPECT_EQ(b.pixel(81, 55), kWhite);
    // The coloured bar follows after the square's 700 units.
    EXPECT_EQ(b.pixel(105, 15), green);
    EXPECT_EQ(b.pixel(105, 78), green);
    EXPECT_EQ(b.pixel(95, 50), kWhite);
    EXPECT_EQ(b.pixel(105, 5), kWhite);
}

TEST_F(EmbeddedFontTest, Type3GlyphsFollowTheTextMatrixAndScaling) {
    ConfigHome home;
    // Horizontal scaling 50% and a text matrix moved to (100, 10): the square is 25 wide.
    auto doc = type3Page("BT /T3 100 Tf 50 Tz 1 0 0 1 100 10 Tm (A) Tj ET");
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    expectInkBox(*r->bitmap(), 105, 40, 130, 90);
}

TEST_F(EmbeddedFontTest, InvisibleType3TextRunsNoProcedure) {
    ConfigHome home;
    auto doc = type3Page("BT 3 Tr /T3 100 Tf 20 20 Td (AB) Tj 7 Tr (AB) Tj ET");
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_EQ(inkIn(*r->bitmap(), 0, 0, 200, 100), 0);
}

TEST_F(EmbeddedFontTest, Type3GlyphsThatShowThemselvesAreCutShort) {
    ConfigHome home;
    ErrorCapture quiet;
    // Four copies of itself per glyph: unchecked, the page would draw billions of them.
    auto doc = type3Page("BT /T3 100 Tf 20 20 Td (C) Tj ET 0 0 1 rg 150 50 10 10 re f");
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_TRUE(quiet.contains("Type 3 glyphs nested too deeply"));
    EXPECT_LE(quiet.count("Type 3 glyphs nested too deeply"), 4 * 4 * 4 * 4);
    const Bitmap& b = *r->bitmap();
    EXPECT_GT(inkIn(b, 0, 0, 200, 100), 0);
    // The page goes on after the glyph.
    EXPECT_EQ(b.pixel(155, 45), makeColorRef(0, 0, 255));
}

TEST_F(EmbeddedFontTest, Type3TextStillRecordsCharacters) {
    ConfigHome home;
    auto doc = type3Page("BT /T3 100 Tf 20 20 Td (AB) Tj ET");
    PageObjectPtr page = recordOne(*doc, 72);
    EXPECT_EQ(countItems(*page, QM_ITEM_POLYGON), 0);  // no glyph procedure ran
}

}  // namespace
}  // namespace qm::test
