// TrueType reading: cmap formats and the symbol rule, glyph names from post, metrics, and
// tables that point anywhere.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/report_error.h"
#include "fonts/font_programs.h"
#include "fonts/truetype_font_reader.h"

namespace qm {
namespace {

using namespace qm::test;

std::string withTables(std::vector<std::pair<std::string, std::string>> extra, int glyphCount = 8) {
    auto tables = requiredTables(glyphCount);
    tables.insert(tables.end(), extra.begin(), extra.end());
    return buildTrueType(tables);
}

TEST(TrueTypeFontReader, MacFormat0WithPostNames) {
    // Glyph 1 -> standard name 36 ("A"), glyph 2 -> first custom name, glyph 3 -> second.
    std::string file = withTables({{"cmap", cmapTable({{1, 0, cmapFormat0({{65, 1}, {66, 2}, {67, 3}, {68, 9}})}})},
                                   {"post", postTable2({0, 36, 258, 259}, {"alpha.alt", "beta.sc"})}},
                                  4);
    auto bytes = heapCopy(file);
    ErrorCapture errors;
    TrueTypeFontReader reader(bytes.data(), bytes.size());
    EXPECT_TRUE(errors.messages().empty());
    ASSERT_TRUE(reader.hasMetrics());
    EXPECT_EQ(reader.glyphCount(), 4);
    EXPECT_EQ(reader.indexToLocFormat(), 1);
    EXPECT_EQ(reader.boundingBox()[0], -10);
    EXPECT_EQ(reader.boundingBox()[1], -20);
    EXPECT_EQ(reader.boundingBox()[3], 900);
    EXPECT_EQ(reader.fontName(), nullptr);
    const char* const* enc = reader.encoding();
    EXPECT_EQ(enc, reader.encoding());  // built once
    EXPECT_EQ(entryName(enc, 65), "A");
    EXPECT_EQ(entryName(enc, 66), "alpha.alt");
    EXPECT_EQ(entryName(enc, 67), "beta.sc");
    EXPECT_EQ(entryName(enc, 68), ".notdef");  // glyph 9 is past the glyph count
    EXPECT_EQ(entryName(enc, 0), ".notdef");
}

TEST(TrueTypeFontReader, SymbolSubtableUsesThePrivateRange) {
    // (3,0) format 4 covering U+F020-U+F07E: glyph = code - 0xF020 + 3 through the delta.
    std::string symbol = cmapFormat4({{0xF020, 0xF07E, -0xF020 + 3, {}}});
    std::string other = cmapFormat0({{0x20, 5}});
    auto bytes = heapCopy(withTables({{"cmap", cmapTable({{1, 0, other}, {3, 0, symbol}})}}, 200));
    TrueTypeFontReader reader(bytes.data(), bytes.size());
    const char* const* enc = reader.encoding();
    // Without post the glyphs get the standard Macintosh names: glyph 3 is "space".
    EXPECT_EQ(entryName(enc, 0x20), "space");
    EXPECT_EQ(entryName(enc, 0x21), "exclam");
    EXPECT_EQ(entryName(enc, 0x1F), ".notdef");
    EXPECT_EQ(entryName(enc, 0x7F), ".notdef");

    // A symbol subtable whose codes sit at 0x20... itself (nothing in the private range).
    std::string plain = cmapFormat4({{0x41, 0x42, 0, {36, 37}}});
    bytes = heapCopy(withTables({{"cmap", cmapTable({{3, 0, plain}})}}, 200));
    TrueTypeFontReader direct(bytes.data(), bytes.size());
    EXPECT_EQ(entryName(direct.encoding(), 0x41), "A");
    EXPECT_EQ(entryName(direct.encoding(), 0x42), "B");
}

TEST(TrueTypeFontReader, Format4RangeOffsetsDeltasAndFormat6) {
    // A Unicode subtable first: codes are looked up as themselves. Range-offset glyphs get
    // the delta added unless they are 0; delta arithmetic wraps at 65536.
    std::string sub = cmapFormat4({{0x30, 0x32, 1, {18, 0, 20}}, {0x41, 0x41, 65536 - 0x41 + 36, {}}});
    auto bytes = heapCopy(withTables({{"cmap", cmapTable({{3, 1, sub}})}}, 200));
    TrueTypeFontReader reader(bytes.data(), bytes.size());
    const char* const* enc = reader.encoding();
    EXPECT_EQ(entryName(enc, 0x30), "zero");  // 18 + 1 = 19
    EXPECT_EQ(entryName(enc, 0x31), ".notdef");
    EXPECT_EQ(entryName(enc, 0x32), "two");
    EXPECT_EQ(entryName(enc, 0x41), "A");

    bytes = heapCopy(withTables({{"cmap", cmapTable({{1, 0, cmapFormat6(0xFE, {36, 37, 38})}})}}, 200));
    TrueTypeFontReader six(bytes.data(), bytes.size());
    EXPECT_EQ(entryName(six.encoding(), 0xFE), "A");
    EXPECT_EQ(entryName(six.encoding(), 0xFF), "B");
}

TEST(TrueTypeFontReader, ProblemsAreReportedAndTheEncodingStillBuilt) {
    std::string format2;
    putU16(format2, 2);
    putU16(format2, 6);
    putU16(format2, 0);
    auto bytes = heapCopy(buildTrueType({{"cmap", cmapTable({{3, 1, format2}})}}));
    ErrorCapture errors;
    TrueTypeFontReader reader(bytes.data(), bytes.size());
    EXPECT_FALSE(reader.hasMetrics());
    EXPECT_EQ(reader.glyphCount(), 0);
    const char* const* enc = reader.encoding();
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{"TrueType font file is missing a required table",
                                                            "Unimplemented cmap format (2) in TrueType font file"}));
    EXPECT_EQ(entryName(enc, 65), ".notdef");

    // No cmap: every code is glyph 0; a post table of version 3 gives the standard names.
    std::string post3;
    putU32(post3, 0x00030000);
    post3 += std::string(28, '\0');
    bytes = heapCopy(withTables({{"post", post3}}));
    TrueTypeFontReader bare(bytes.data(), bytes.size());
    EXPECT_TRUE(bare.hasMetrics());
    EXPECT_EQ(entryName(bare.encoding(), 65), ".notdef");
}

TEST(TrueTypeFontReader, HostileTablesStayInside) {
    std::string sub = cmapFormat4({{0x20, 0x7E, 0, std::vector<uint16_t>(0x5F, 300)}});
    const std::string whole = withTables(
        {{"cmap", cmapTable({{3, 0, cmapFormat6(0, {1, 2})}, {3, 1, sub}})},
         {"post", postTable2(std::vector<uint16_t>(400, 400), {"a", "b", "c"})}},
        400);
    for (size_t n = 0; n <= whole.size(); n += (n < 400 ? 1 : 7)) {
        auto bytes = heapCopy(whole.substr(0, n));
        ErrorCapture quiet;
        TrueTypeFontReader reader(bytes.data(), bytes.size());
        reader.encoding();
    }
    // Table offsets, lengths and counts set to large values one at a time.
    for (size_t at = 4; at < 12 + 16 * 8 && at < whole.size(); at += 2) {
        std::string bad = whole;
        bad[at] = '\xff';
        bad[at + 1] = '\xf0';
        auto bytes = heapCopy(bad);
        ErrorCapture quiet;
        TrueTypeFontReader reader(bytes.data(), bytes.size());
        const char* const* enc = reader.encoding();
        for (int code = 0; code < 256; ++code) EXPECT_NE(enc[code], nullptr);
    }
    // A post table whose index array claims more glyphs than it holds.
    auto bytes = heapCopy(withTables({{"cmap", cmapTable({{1, 0, cmapFormat0({{65, 3}})}})},
                                      {"post", postTable2({0, 0, 0, 300}, {}, 60000)}},
                                     60000));
    TrueTypeFontReader claims(bytes.data(), bytes.size());
    EXPECT_EQ(entryName(claims.encoding(), 65), ".notdef");
    TrueTypeFontReader none(nullptr, 50);
    ErrorCapture quiet;
    EXPECT_EQ(entryName(none.encoding(), 0), ".notdef");
}

}  // namespace
}  // namespace qm
