// Fonts built from font dictionaries: kinds, standard names and metrics, encodings and
// Differences, Unicode from ToUnicode or glyph names, widths, embedded programs, the
// double-byte fallback, composite fonts with their CMaps and widths, and the resource set.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "fonts/cid_font.h"
#include "fonts/font_programs.h"
#include "fonts/font_resource_set.h"
#include "fonts/font_test_env.h"
#include "fonts/global_settings.h"
#include "fonts/simple_font.h"
#include "support/pdf_builder.h"

namespace qm {
namespace {

using test::PdfBuilder;
using test::TestResolver;

struct Decoded {
    int used;
    uint32_t code;
    std::vector<uint16_t> u;
    double dx, dy, ox, oy;
};

Decoded decode(PdfFont& font, const std::string& bytes) {
    Decoded d{};
    uint16_t u[8];
    int uLen = 0;
    d.used = font.decodeNextChar(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int>(bytes.size()),
                                 &d.code, u, 8, &uLen, &d.dx, &d.dy, &d.ox, &d.oy);
    d.u.assign(u, u + uLen);
    return d;
}

// Settings from a configuration the test writes, installed as the process-wide ones.
class FontDictionaries : public test::FontTestEnv {
protected:
    void SetUp() override {
        test::FontTestEnv::SetUp();
        useConfig("");
    }
    void TearDown() override {
        destroyGlobalSettings();
        test::FontTestEnv::TearDown();
    }
    void useConfig(const std::string& config) {
        write("data/config.lst", config);
        createGlobalSettings("config.lst");
    }

    // Builds the objects, then the font of object `fontNum`.
    std::unique_ptr<PdfFont> font(PdfBuilder& b, int fontNum) {
        resolver_ = std::make_unique<TestResolver>(b.finish("/Root 1 0 R"));
        resolver_->addAll(b, b.nextNumber());
        PdfObject dict = resolver_->fetch(fontNum, 0);
        EXPECT_TRUE(dict.isDict());
        return std::unique_ptr<PdfFont>(createFont(resolver_.get(), "F1", fontNum, 0, dict.getDict()));
    }
    std::unique_ptr<PdfFont> font(const std::string& body) {
        PdfBuilder b;
        int n = b.object(body);
        return font(b, n);
    }
    SimpleFont& simple(const std::unique_ptr<PdfFont>& f) { return static_cast<SimpleFont&>(*f); }

    std::unique_ptr<TestResolver> resolver_;
};

TEST_F(FontDictionaries, AliasesTakeTheStandardNameAndMetrics) {
    auto f = font("<< /Type /Font /Subtype /TrueType /BaseFont /Arial,Bold >>");
    ASSERT_TRUE(f->isOk());
    EXPECT_FALSE(f->isCidFont());
    EXPECT_TRUE(*f->name() == "Helvetica-Bold");
    EXPECT_EQ(f->kind(), FontKind::TrueType);
    EXPECT_DOUBLE_EQ(f->ascent(), 0.729);
    EXPECT_DOUBLE_EQ(f->descent(), -0.219);
    EXPECT_DOUBLE_EQ(f->fontBBox()[2], 1.003);
    EXPECT_EQ(f->flags(), 2);
    EXPECT_TRUE(simple(f).isStandardName());
    // Built-in encoding and widths by glyph name: "A" is 722 in Helvetica-Bold.
    EXPECT_STREQ(simple(f).encodingName('A'), "A");
    EXPECT_DOUBLE_EQ(simple(f).widths()['A'], 0.722);
    EXPECT_DOUBLE_EQ(simple(f).widths()[' '], 0.278);
    Decoded d = decode(*f, "A");
    EXPECT_EQ(d.used, 1);
    EXPECT_EQ(d.u, std::vector<uint16_t>{0x41});

    EXPECT_TRUE(*font("<< /Subtype /Type1 /BaseFont /Courier,Italic >>")->name() == "Courier-Oblique");
    auto prefixed = font("<< /Subtype /Type1 /BaseFont /ABCDEF+Arial >>");
    EXPECT_TRUE(*prefixed->name() == "ABCDEF+Arial");
    EXPECT_FALSE(simple(prefixed).isStandardName());
    EXPECT_DOUBLE_EQ(prefixed->ascent(), 0.95);
}

TEST_F(FontDictionaries, BaseEncodingsWithoutAnEncodingEntry) {
    auto tt = font("<< /Subtype /TrueType /BaseFont /Verdana >>");
    EXPECT_STREQ(simple(tt).encodingName(0x80), "Adieresis");  // MacRoman
    EXPECT_STREQ(simple(tt).encodingSource(), "MacRomanEncoding");
    auto t1 = font("<< /Subtype /Type1 /BaseFont /Verdana >>");
    EXPECT_STREQ(simple(t1).encodingName(0x27), "quoteright");  // StandardEncoding
    EXPECT_EQ(simple(t1).encodingName(0x80), nullptr);
    auto symbol = font("<< /Subtype /Type1 /BaseFont /Symbol >>");
    EXPECT_STREQ(simple(symbol).encodingName(0x61), "alpha");
    EXPECT_EQ(decode(*symbol, "a").u, std::vector<uint16_t>{0x3B1});
    auto win = font("<< /Subtype /TrueType /BaseFont /Verdana /Encoding /WinAnsiEncoding >>");
    EXPECT_STREQ(simple(win).encodingName(0x80), "Euro");
    EXPECT_EQ(decode(*win, "\x80").u, std::vector<uint16_t>{0x20AC});
}

TEST_F(FontDictionaries, DifferencesAndTheirBadElements) {
    ErrorCapture errors;
    auto f = font("<< /Subtype /Type1 /BaseFont /Helvetica "
                  "/Encoding << /BaseEncoding /WinAnsiEncoding /Differences [65 /B /A (x) 300 /x -5 /y] >> >>");
    ASSERT_TRUE(f->isOk());
    EXPECT_EQ(errors.messages(),
              std::vector<std::string>{"Wrong type in font encoding resource differences (string)"});
    EXPECT_STREQ(simple(f).encodingName(65), "B");
    EXPECT_STREQ(simple(f).encodingName(66), "A");
    EXPECT_TRUE(simple(f).encodingOwned(65));
    EXPECT_FALSE(simple(f).encodingOwned(67));
    EXPECT_STREQ(simple(f).encodingName(67), "C");
    EXPECT_STREQ(simple(f).encodingName(300 & 0xFF), "comma");  // untouched
    EXPECT_EQ(decode(*f, "A").u, std::vector<uint16_t>{0x42});
    EXPECT_DOUBLE_EQ(simple(f).widths()[65], 0.667);  // Helvetica's B
}

TEST_F(FontDictionaries, WidthsArrayBounds) {
    auto f = font("<< /Subtype /TrueType /BaseFont /Verdana /FirstChar 32 /LastChar 300 /Widths [100 200 /x] "
                  "/FontDescriptor << /MissingWidth 50 /Flags 32 >> >>");
    const double* w = simple(f).widths();
    EXPECT_DOUBLE_EQ(w[32], 0.1);
    EXPECT_DOUBLE_EQ(w[33], 0.2);
    EXPECT_DOUBLE_EQ(w[34], 0.05);  // not a number: keeps the missing width
    EXPECT_DOUBLE_EQ(w[35], 0.05);  // past the end of the array
    EXPECT_DOUBLE_EQ(f->missingWidth(), 50);
    EXPECT_EQ(f->flags(), 32);

    auto before = font("<< /Subtype /TrueType /BaseFont /Verdana /FirstChar -2 /LastChar 2147483647 "
                       "/Widths [1 2 300 400] >>");
    EXPECT_DOUBLE_EQ(simple(before).widths()[0], 0.3);
    EXPECT_DOUBLE_EQ(simple(before).widths()[1], 0.4);
    EXPECT_DOUBLE_EQ(simple(before).widths()[2], 0);

    // Type 3 widths use the font matrix; without widths the flags choose a standard font.
    auto t3 = font("<< /Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] /FirstChar 65 /Widths [50] "
                   "/CharProcs << /A 9 0 R >> >>");
    EXPECT_DOUBLE_EQ(simple(t3).widths()[65], 0.5);
    EXPECT_TRUE(simple(t3).charProcs().isDict());
    auto serif = font("<< /Subtype /TrueType /BaseFont /Georgia /Encoding /WinAnsiEncoding "
                      "/FontDescriptor << /Flags 2 >> >>");
    EXPECT_DOUBLE_EQ(simple(serif).widths()['A'], 0.722);  // Times-Roman's A
    ErrorCapture errors;
    auto noProcs = font("<< /Subtype /Type3 >>");
    EXPECT_TRUE(errors.contains("Missing or invalid CharProcs dictionary in Type 3 font"));
}

TEST_F(FontDictionaries, NumericGlyphNamesInAndOutOfHexMode) {
    auto hex = font("<< /Subtype /Type1 /BaseFont /Custom /Encoding << /Differences [65 /g41 /cA /x65 /.notdef] >> >>");
    EXPECT_EQ(decode(*hex, "A").u, std::vector<uint16_t>{0x41});
    EXPECT_EQ(decode(*hex, "B").u, std::vector<uint16_t>{0xCA});
    EXPECT_EQ(decode(*hex, "D").u, std::vector<uint16_t>{});

    auto dec = font("<< /Subtype /Type1 /BaseFont /Custom /Encoding << /Differences [65 /65 /x65 /g41 /uni0041] >> >>");
    EXPECT_EQ(decode(*dec, "A").u, std::vector<uint16_t>{65});
    EXPECT_EQ(decode(*dec, "B").u, std::vector<uint16_t>{65});
    EXPECT_EQ(decode(*dec, "C").u, std::vector<uint16_t>{41});  // decimal outside hex mode
    EXPECT_EQ(decode(*dec, "D").u, std::vector<uint16_t>{});

    useConfig("mapNumericCharNames no\n");
    auto off = font("<< /Subtype /Type1 /BaseFont /Custom /Encoding << /Differences [65 /65] >> >>");
    EXPECT_EQ(decode(*off, "A").u, std::vector<uint16_t>{});
}

TEST_F(FontDictionaries, ToUnicodeStreamWinsOverNames) {
    PdfBuilder b;
    int map = b.stream("", "1 beginbfchar\n<41> <00660069>\nendbfchar\n");
    int f = b.object("<< /Subtype /TrueType /BaseFont /Verdana /Encoding /WinAnsiEncoding /ToUnicode " +
                     std::to_string(map) + " 0 R >>");
    auto font1 = font(b, f);
    EXPECT_EQ(decode(*font1, "A").u, (std::vector<uint16_t>{0x66, 0x69}));
    EXPECT_EQ(decode(*font1, "B").u, std::vector<uint16_t>{});
    CodeToUnicodeMap* m = font1->getToUnicode();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->refCount(), 2);
    m->release();
}

TEST_F(FontDictionaries, DoubleByteFallbackOnlyForPlainNonStandardFonts) {
    auto simsun = font("<< /Subtype /TrueType /BaseFont /SimSun /FirstChar 176 /LastChar 177 /Widths [500 500] >>");
    Decoded d = decode(*simsun, "\xB0\xA1rest");
    EXPECT_EQ(d.used, 2);
    EXPECT_EQ(d.code, 0xB0A1u);
    EXPECT_EQ(d.u, std::vector<uint16_t>{0x554A});
    EXPECT_DOUBLE_EQ(d.dx, 0.5);  // widths of both bytes (0xA1 has none)
    EXPECT_EQ(decode(*simsun, "\xB0").used, 1);
    EXPECT_EQ(decode(*simsun, "\xB0\x41").used, 1);

    EXPECT_EQ(decode(*font("<< /Subtype /TrueType /BaseFont /Helvetica >>"), "\xB0\xA1").used, 1);

    // The same font with its program embedded.
    std::string program = test::buildTrueType(test::requiredTables(4));
    PdfBuilder b;
    int file = b.stream("", program);
    int desc = b.object("<< /Type /FontDescriptor /FontName /SimSun /FontFile2 " + std::to_string(file) + " 0 R >>");
    int f = b.object("<< /Subtype /TrueType /BaseFont /SimSun /FontDescriptor " + std::to_string(desc) + " 0 R >>");
    auto embedded = font(b, f);
    EXPECT_TRUE(embedded->hasEmbeddedProgram());
    EXPECT_EQ(decode(*embedded, "\xB0\xA1").used, 1);
}

TEST_F(FontDictionaries, DoubleByteFallbackNeverForFontsThatNameTheirCodes) {
    // Western text in fonts that declare an encoding, Type 3 fonts and symbol fonts: each
    // high byte is one character of its own.
    const char* fonts[] = {
        "<< /Subtype /TrueType /BaseFont /Verdana /Encoding /WinAnsiEncoding >>",
        "<< /Subtype /TrueType /BaseFont /Verdana /Encoding << /BaseEncoding /WinAnsiEncoding >> >>",
        "<< /Subtype /Type1 /BaseFont /Custom /Encoding << /Differences [176 /degree /exclamdown] >> >>",
        "<< /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << >> /FirstChar 0 /LastChar 0 "
        "/Widths [0] >>",
        "<< /Subtype /TrueType /BaseFont /SymbolMT >>",
        "<< /Subtype /Type1 /BaseFont /ABCDEF+ZapfDingbatsITC >>",
    };
    for (const char* body : fonts) {
        auto f = font(body);
        ASSERT_TRUE(f->isOk()) << body;
        EXPECT_FALSE(simple(f).usesLegacyDoubleByte()) << body;
        Decoded d = decode(*f, "\xB0\xA1");
        EXPECT_EQ(d.used, 1) << body;
        EXPECT_EQ(d.code, 0xB0u) << body;
    }
    EXPECT_EQ(decode(*font(fonts[0]), "\xB0").u, std::vector<uint16_t>{0xB0});  // degree sign

    // A dictionary Encoding with neither a base nor Differences says nothing either.
    auto plain = font("<< /Subtype /TrueType /BaseFont /SimSun /Encoding << >> >>");
    EXPECT_TRUE(simple(plain).usesLegacyDoubleByte());
    EXPECT_EQ(decode(*plain, "\xB0\xA1").u, std::vector<uint16_t>{0x554A});
}

TEST_F(FontDictionaries, WithoutSettingsFontsAreNotBuiltAndSaySo) {
    destroyGlobalSettings();
    ErrorCapture errors;
    auto f = font("<< /Type /Font /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [<< "
                  "/Subtype /CIDFontType2 /BaseFont /X /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) "
                  "/Supplement 0 >> >>] >>");
    EXPECT_FALSE(f->isOk());
    EXPECT_EQ(errors.messages(),
              std::vector<std::string>{"Font 'F1' not built: the engine settings were not created"});
    EXPECT_EQ(decode(*f, "AB").used, 1);
    createGlobalSettings("config.lst");
}

TEST_F(FontDictionaries, EmbeddedProgramsAndTheDescriptor) {
    PdfBuilder b;
    int t1 = b.stream("", "%!PS-AdobeFont-1.0\n/FontName /ABCDEF+Inner def\n/Encoding 256 array\n"
                          "dup 65 /Alpha put\nreadonly def\n");
    int desc = b.object("<< /FontName /ABCDEF+Outer /Flags 262242 /Ascent 800 /Descent 0 /ItalicAngle -12.5 "
                        "/FontBBox [-100 -200 (x) 1200] /FontFile " + std::to_string(t1) + " 0 R >>");
    int f = b.object("<< /Subtype /Type1 /BaseFont /ABCDEF+Outer /FontDescriptor " + std::to_string(desc) + " 0 R >>");
    auto font1 = font(b, f);
    ASSERT_TRUE(font1->isOk());
    EXPECT_EQ(font1->embeddedId().num, t1);
    EXPECT_TRUE(*font1->embeddedName() == "ABCDEF+Inner");  // the program's own name wins
    EXPECT_STREQ(simple(font1).encodingName(65), "Alpha");
    EXPECT_EQ(simple(font1).encodingName(66), nullptr);
    EXPECT_STREQ(simple(font1).encodingSource(), "font");
    EXPECT_EQ(decode(*font1, "A").u, std::vector<uint16_t>{0x391});
    EXPECT_TRUE(font1->isItalic());
    EXPECT_TRUE(font1->isBold());
    EXPECT_TRUE(font1->isSerif());
    EXPECT_FALSE(font1->isFixedWidth());
    EXPECT_DOUBLE_EQ(font1->ascent(), 0.8);
    EXPECT_DOUBLE_EQ(font1->descent(), -0.35);  // zero keeps the default
    EXPECT_EQ(font1->italicAngle(), -12);
    EXPECT_DOUBLE_EQ(font1->fontBBox()[0], -0.1);
    EXPECT_DOUBLE_EQ(font1->fontBBox()[2], 0);

    ErrorCapture errors;
    PdfBuilder c;
    int cff = c.stream("/Subtype /Type1C", test::buildCff(test::CffProgram{}));
    int tt = c.stream("", "x");
    int odd = c.stream("/Subtype /Type42", "x");
    int d1 = c.object("<< /FontFile3 " + std::to_string(cff) + " 0 R >>");
    int d2 = c.object("<< /FontFile2 " + std::to_string(tt) + " 0 R >>");
    int d3 = c.object("<< /FontFile3 " + std::to_string(odd) + " 0 R >>");
    int d4 = c.object("<< /FontFile 99 0 R >>");
    int f1 = c.object("<< /Subtype /Type1 /BaseFont /Cff /FontDescriptor " + std::to_string(d1) + " 0 R >>");
    int f2 = c.object("<< /Subtype /Type1 /BaseFont /Wrong /FontDescriptor " + std::to_string(d2) + " 0 R >>");
    int f3 = c.object("<< /Subtype /Type1 /BaseFont /Odd /FontDescriptor " + std::to_string(d3) + " 0 R >>");
    int f4 = c.object("<< /Subtype /Type1 /BaseFont /Gone /FontDescriptor " + std::to_string(d4) + " 0 R >>");
    resolver_ = std::make_unique<TestResolver>(c.finish("/Root 1 0 R"));
    resolver_->addAll(c, c.nextNumber());
    auto make = [&](int n) {
        PdfObject d = resolver_->fetch(n, 0);
        return std::unique_ptr<PdfFont>(createFont(resolver_.get(), "F", n, 0, d.getDict()));
    };
    auto promoted = make(f1);
    EXPECT_EQ(promoted->kind(), FontKind::Type1C);
    EXPECT_TRUE(*promoted->embeddedName() == "TestFont");
    EXPECT_STREQ(simple(promoted).encodingName('A'), "A");
    EXPECT_TRUE(errors.messages().empty());
    auto wrong = make(f2);
    auto unknown = make(f3);
    auto gone = make(f4);
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{"Mismatch between font type and embedded font file",
                                                            "Unknown embedded font type 'Type42'",
                                                            "Embedded font file is not a stream"}));
    EXPECT_FALSE(wrong->hasEmbeddedProgram());
    EXPECT_FALSE(gone->hasEmbeddedProgram());
    EXPECT_TRUE(gone->isOk());
}

TEST_F(FontDictionaries, ExternalProgramsFromTheFontFolders) {
    write("fonts/MyFont.pfb", "%!PS-AdobeFont-1.0\n/FontName /MyFont-Program def\n/Encoding 256 array\n"
                              "dup 66 /Beta put\nreadonly def\n");
    write("fonts/MyTrue.ttf", test::buildTrueType(test::requiredTables(4)));
    useConfig("fontDir fonts\n");
    auto t1 = font("<< /Subtype /Type1 /BaseFont /MyFont >>");
    ASSERT_NE(t1->externalFile(), nullptr);
    EXPECT_TRUE(*t1->externalFile() == path("fonts/MyFont.pfb"));
    EXPECT_FALSE(t1->hasEmbeddedProgram());
    EXPECT_TRUE(*t1->embeddedName() == "MyFont-Program");
    EXPECT_STREQ(simple(t1).encodingName(66), "Beta");
    auto tt = font("<< /Subtype /TrueType /BaseFont /MyTrue >>");
    ASSERT_NE(tt->externalFile(), nullptr);
    EXPECT_STREQ(simple(tt).encodingName(65), ".notdef");  // the program's (empty) cmap
    // Only Type 1 and TrueType fonts look for programs; a missing one is no problem.
    EXPECT_EQ(font("<< /Subtype /Type3 /BaseFont /MyTrue /CharProcs << >> >>")->externalFile(), nullptr);
    EXPECT_EQ(font("<< /Subtype /Type1 /BaseFont /Other >>")->externalFile(), nullptr);
}

TEST_F(FontDictionaries, UnknownSubtypesBuildPlainFonts) {
    ErrorCapture errors;
    auto f = font("<< /Subtype /Type42 /BaseFont /X >>");
    auto g = font("<< /Subtype 5 >>");
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{"Unknown font type: 'Type42'", "Unknown font type: '?\?\?'"}));
    EXPECT_TRUE(f->isOk());
    EXPECT_EQ(f->kind(), FontKind::Unknown);
    EXPECT_EQ(g->name(), nullptr);
}

TEST_F(FontDictionaries, CompositeFontsWithIdentityMapsAndWidths) {
    auto f = font("<< /Subtype /Type0 /BaseFont /Ident /Encoding /Identity-H /DescendantFonts [<< "
                  "/Subtype /CIDFontType2 /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
                  "/DW 800 /W [1 [500 /x 600] 10 20 300 30 /y 40 50] /CIDToGIDMap /Identity /WinCharSet 128 >>] >>");
    ASSERT_TRUE(f->isOk());
    ASSERT_TRUE(f->isCidFont());
    CidFont& cid = static_cast<CidFont&>(*f);
    EXPECT_EQ(f->kind(), FontKind::CidType2);
    EXPECT_EQ(f->winCharSet(), 128);
    EXPECT_TRUE(cid.getCollection() == "Adobe-Identity");
    ASSERT_EQ(cid.widthRanges().size(), 3u);
    EXPECT_EQ(cid.widthRanges()[0].first, 1u);
    EXPECT_DOUBLE_EQ(cid.widthRanges()[1].width, 0.6);
    EXPECT_EQ(cid.widthRanges()[1].first, 2u);
    EXPECT_EQ(cid.widthRanges()[2].last, 20u);
    Decoded d = decode(*f, std::string("\x00\x0F\x00", 3));
    EXPECT_EQ(d.used, 2);
    EXPECT_EQ(d.code, 15u);
    EXPECT_DOUBLE_EQ(d.dx, 0.3);
    EXPECT_TRUE(d.u.empty());  // no ToUnicode and an Identity collection
    EXPECT_DOUBLE_EQ(decode(*f, std::string("\x00\x02", 2)).dx, 0.6);
    EXPECT_DOUBLE_EQ(decode(*f, std::string("\x00\x03", 2)).dx, 0.8);
    EXPECT_EQ(decode(*f, "\x01").used, 1);
    EXPECT_EQ(f->wMode(), 0);
}

TEST_F(FontDictionaries, VerticalMetricsAndGlyphIds) {
    PdfBuilder b;
    int gids = b.stream("", std::string("\x00\x05\x00\x07\x01", 5));
    int f = b.object("<< /Subtype /Type0 /Encoding /Identity-V /ToUnicode 9 0 R /DescendantFonts [<< "
                     "/Subtype /CIDFontType2 /CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) >> /DW 1000 "
                     "/DW2 [900 -1100] /W2 [5 [-500 400 800 1 2] 7 8 -600 300 700 9 10] /CIDToGIDMap " +
                     std::to_string(gids) + " 0 R >>] >>");
    ErrorCapture errors;
    auto font1 = font(b, f);
    ASSERT_TRUE(font1->isOk());
    CidFont& cid = static_cast<CidFont&>(*font1);
    EXPECT_EQ(cid.cidToGid(), (std::vector<uint16_t>{5, 7}));
    Decoded d = decode(*font1, std::string("\x00\x05", 2));
    EXPECT_EQ(font1->wMode(), 1);
    EXPECT_DOUBLE_EQ(d.dx, 0);
    EXPECT_DOUBLE_EQ(d.dy, -0.5);
    EXPECT_DOUBLE_EQ(d.ox, 0.4);
    EXPECT_DOUBLE_EQ(d.oy, 0.8);
    d = decode(*font1, std::string("\x00\x08", 2));
    EXPECT_DOUBLE_EQ(d.dy, -0.6);
    d = decode(*font1, std::string("\x00\x06", 2));  // the incomplete triple adds nothing
    EXPECT_DOUBLE_EQ(d.dy, -1.1);
    EXPECT_DOUBLE_EQ(d.ox, 0.5);
    EXPECT_DOUBLE_EQ(d.oy, 0.9);
    // "9 10" at the end lacks its three numbers.
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad widths (W2) array in Type 0 font"});
}

TEST_F(FontDictionaries, CompositeFontProblemsLeaveItNotOk) {
    struct Case {
        std::string body;
        std::vector<std::string> messages;
    };
    const std::string info = "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) >>";
    const std::vector<Case> cases = {
        {"<< /Subtype /Type0 /Encoding /Identity-H >>", {"Missing DescendantFonts entry in Type 0 font"}},
        {"<< /Subtype /Type0 /DescendantFonts [5] >>", {"Bad descendant font in Type 0 font"}},
        {"<< /Subtype /Type0 /DescendantFonts [<< >>] >>", {"Missing Subtype entry in Type 0 descendant font"}},
        {"<< /Subtype /Type0 /DescendantFonts [<< /Subtype /Type1 >>] >>",
         {"Unknown Type 0 descendant font type 'Type1'"}},
        {"<< /Subtype /Type0 /DescendantFonts [<< /Subtype /CIDFontType0 >>] >>",
         {"Missing CIDSystemInfo dictionary in Type 0 descendant font"}},
        {"<< /Subtype /Type0 /DescendantFonts [<< /Subtype /CIDFontType0 /CIDSystemInfo << /Registry /Adobe >> >>] >>",
         {"Invalid CIDSystemInfo dictionary in Type 0 descendant font"}},
        {"<< /Subtype /Type0 /DescendantFonts [<< /Subtype /CIDFontType0 /CIDSystemInfo << /Registry (X) "
         "/Ordering (Y) >> >>] >>",
         {"Couldn't find cidToUnicode file for the 'X-Y' collection", "Unknown character collection 'X-Y'"}},
        {"<< /Subtype /Type0 /DescendantFonts [<< /Subtype /CIDFontType0 " + info + " >>] >>",
         {"Missing or invalid Encoding entry in Type 0 font"}},
        {"<< /Subtype /Type0 /Encoding /UniJIS-UCS2-H /DescendantFonts [<< /Subtype /CIDFontType0 " + info + " >>] >>",
         {"Couldn't find 'UniJIS-UCS2-H' CMap file for 'Adobe-Identity' collection",
          "Unknown CPDFMap 'UniJIS-UCS2-H' for character collection 'Adobe-Identity'"}},
        {"<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [<< /Subtype /CIDFontType2 " + info +
             " /CIDToGIDMap /Other /W [1 2] >>] >>",
         {"Invalid CIDToGIDMap entry in CID font", "Bad widths array in Type 0 font"}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        ErrorCapture errors;
        auto f = font(cases[i].body);
        EXPECT_EQ(f->isOk(), i + 1 == cases.size()) << cases[i].body;
        EXPECT_EQ(errors.messages(), cases[i].messages) << cases[i].body;
    }
}

TEST_F(FontDictionaries, ResourceSetsSkipWhatCannotBeBuilt) {
    PdfBuilder b;
    int f1 = b.object("<< /Subtype /Type1 /BaseFont /Helvetica >>");
    int fonts = b.object("<< /F1 " + std::to_string(f1) + " 0 R /F2 42 /F3 << /Subtype /Type0 >> "
                         "/F4 << /Subtype /TrueType /BaseFont /Arial >> /F1 << /Subtype /Type1 >> >>");
    resolver_ = std::make_unique<TestResolver>(b.finish("/Root 1 0 R"));
    resolver_->addAll(b, b.nextNumber());
    PdfObject dict = resolver_->fetch(fonts, 0);
    ErrorCapture errors;
    FontResourceSet set(resolver_.get(), dict.getDict());
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{"font resource is not a dictionary",
                                                            "Missing DescendantFonts entry in Type 0 font"}));
    ASSERT_EQ(set.size(), 5);
    EXPECT_EQ(set.at(1), nullptr);
    EXPECT_EQ(set.at(2), nullptr);
    ASSERT_NE(set.lookup("F1"), nullptr);
    EXPECT_EQ(set.lookup("F1"), set.at(0));  // the first of two entries with the tag
    EXPECT_EQ(set.lookup("F1")->id().num, f1);
    EXPECT_EQ(set.lookup("F4")->id().num, 3);
    EXPECT_EQ(set.lookup("F4")->id().gen, FontResourceSet::kDirectGen);
    EXPECT_EQ(set.lookup("F2"), nullptr);
    EXPECT_EQ(set.lookup("f1"), nullptr);
    FontResourceSet empty(resolver_.get(), nullptr);
    EXPECT_EQ(empty.size(), 0);
}

}  // namespace
}  // namespace qm
