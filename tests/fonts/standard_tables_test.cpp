// The generated encodings, compact-font tables and standard-font metrics, and the alias and
// substitute tables: the published values that other code relies on.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "fonts/cff_tables.h"
#include "fonts/font_encodings.h"
#include "fonts/standard_fonts.h"

namespace qm {
namespace {

std::string at(const char* const* enc, int code) { return enc[code] ? enc[code] : "(none)"; }

TEST(FontEncodings, PublishedEntriesAndNotes) {
    EXPECT_EQ(at(kStandardEncoding, 0x27), "quoteright");
    EXPECT_EQ(at(kStandardEncoding, 0x60), "quoteleft");
    EXPECT_EQ(at(kStandardEncoding, 0xE1), "AE");
    EXPECT_EQ(at(kStandardEncoding, 0x80), "(none)");
    for (int code : {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(at(kWinAnsiEncoding, code), "bullet");
    EXPECT_EQ(at(kWinAnsiEncoding, 0x80), "Euro");
    EXPECT_EQ(at(kWinAnsiEncoding, 0xA0), "space");
    EXPECT_EQ(at(kWinAnsiEncoding, 0xAD), "hyphen");
    EXPECT_EQ(at(kWinAnsiEncoding, 0x27), "quotesingle");
    EXPECT_EQ(at(kWinAnsiEncoding, 0xB2), "twosuperior");
    EXPECT_EQ(at(kWinAnsiEncoding, 0x1F), "(none)");
    EXPECT_EQ(at(kMacRomanEncoding, 0xCA), "space");
    EXPECT_EQ(at(kMacRomanEncoding, 0xDB), "currency");
    EXPECT_EQ(at(kMacRomanEncoding, 0x80), "Adieresis");
    EXPECT_EQ(at(kMacRomanEncoding, 0xB0), "(none)");  // a symbol of the system set only
    EXPECT_EQ(at(kMacExpertEncoding, 0x61), "Asmall");
    EXPECT_EQ(at(kMacExpertEncoding, 0x23), "centoldstyle");
    EXPECT_EQ(at(kSymbolEncoding, 0x61), "alpha");
    EXPECT_EQ(at(kSymbolEncoding, 0x41), "Alpha");
    EXPECT_EQ(at(kZapfDingbatsEncoding, 0x77), "a81");
    EXPECT_EQ(at(kCffExpertEncoding, 0x23), "(none)");
    EXPECT_EQ(at(kCffExpertEncoding, 0x24), "dollaroldstyle");
}

TEST(CffTables, StandardStringsCharsetsAndMacNames) {
    EXPECT_STREQ(kCffStandardStrings[0], ".notdef");
    EXPECT_STREQ(kCffStandardStrings[34], "A");
    EXPECT_STREQ(kCffStandardStrings[390], "Semibold");
    for (int i = 0; i < 229; ++i) EXPECT_EQ(kCffISOAdobeCharset[i], i);
    EXPECT_STREQ(kCffStandardStrings[kCffExpertCharset[2]], "exclamsmall");
    EXPECT_STREQ(kCffStandardStrings[kCffExpertSubsetCharset[86]], "commainferior");
    EXPECT_STREQ(kMacGlyphNames[0], ".notdef");
    EXPECT_STREQ(kMacGlyphNames[3], "space");
    EXPECT_STREQ(kMacGlyphNames[257], "dcroat");
}

TEST(StandardFonts, MetricsRowsAndWidths) {
    const BuiltinFontMetrics* helvetica = findBuiltinFont("Helvetica");
    ASSERT_NE(helvetica, nullptr);
    EXPECT_EQ(helvetica->ascent, 729);
    EXPECT_EQ(helvetica->descent, -219);
    EXPECT_EQ(helvetica->bbox[2], 1001);
    EXPECT_EQ(helvetica->encoding, kStandardEncoding);
    uint16_t w = 0;
    ASSERT_TRUE(builtinGlyphWidth(helvetica, "comma", &w));
    EXPECT_EQ(w, 278);
    ASSERT_TRUE(builtinGlyphWidth(helvetica, "Ntilde", &w));
    EXPECT_EQ(w, 722);
    EXPECT_FALSE(builtinGlyphWidth(helvetica, "no-such-glyph", &w));
    const BuiltinFontMetrics* courier = findBuiltinFont("Courier-BoldOblique");
    ASSERT_NE(courier, nullptr);
    for (const char* glyph : {"A", "space", "ellipsis", "Euro"}) {
        ASSERT_TRUE(builtinGlyphWidth(courier, glyph, &w)) << glyph;
        EXPECT_EQ(w, 600);
    }
    ASSERT_TRUE(builtinGlyphWidth(findBuiltinFont("Symbol"), "alpha", &w));
    EXPECT_EQ(w, 631);
    EXPECT_EQ(findBuiltinFont("Symbol")->encoding, kSymbolEncoding);
    ASSERT_TRUE(builtinGlyphWidth(findBuiltinFont("ZapfDingbats"), "a81", &w));
    EXPECT_EQ(w, 438);
    EXPECT_EQ(findBuiltinFont("Times-Roman")->ascent, 682);
    EXPECT_EQ(findBuiltinFont("helvetica"), nullptr);
    EXPECT_EQ(findBuiltinFont("Arial"), nullptr);
    EXPECT_FALSE(builtinGlyphWidth(nullptr, "A", &w));
}

TEST(StandardFonts, AliasesAndSubstitutes) {
    EXPECT_STREQ(standardFontForAlias("Arial,Bold"), "Helvetica-Bold");
    EXPECT_STREQ(standardFontForAlias("Arial"), "Helvetica");
    EXPECT_STREQ(standardFontForAlias("TimesNewRomanPSMT"), "Times-Roman");
    EXPECT_STREQ(standardFontForAlias("Courier,Italic"), "Courier-Oblique");
    EXPECT_STREQ(standardFontForAlias("TimesNewRomanPS-ItalicMT"), "Times-Italic");
    EXPECT_EQ(standardFontForAlias("ABCDEF+Arial"), nullptr);
    EXPECT_EQ(standardFontForAlias("arial"), nullptr);
    EXPECT_EQ(standardFontForAlias("Helvetica"), nullptr);
    EXPECT_TRUE(isStandardFontName("Helvetica"));
    EXPECT_TRUE(isStandardFontName("CourierNewPSMT"));
    EXPECT_TRUE(isStandardFontName("Times-BoldItalic"));
    EXPECT_FALSE(isStandardFontName("SimSun"));
    EXPECT_FALSE(isStandardFontName("ABCDEF+Arial"));

    EXPECT_STREQ(substituteFont(0)->name, "Helvetica");
    EXPECT_STREQ(substituteFont(kFontSerif)->name, "Times-Roman");
    EXPECT_STREQ(substituteFont(kFontSerif | kFontItalic | kFontForceBold)->name, "Times-BoldItalic");
    EXPECT_STREQ(substituteFont(kFontFixedWidth | kFontSerif | kFontItalic)->name, "Courier-Oblique");
    EXPECT_STREQ(substituteFont(kFontForceBold)->name, "Helvetica-Bold");
}

}  // namespace
}  // namespace qm
