// The glyph list as generated, its variant rules, and the table fonts look names up in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fonts/builtin_tables.h"
#include "fonts/glyph_name_table.h"

namespace qm {
namespace {

class BuiltinGlyphs : public ::testing::Test {
protected:
    void SetUp() override { table.addStatic(kBuiltinGlyphList, kBuiltinGlyphListCount); }
    GlyphNameTable table;
};

TEST_F(BuiltinGlyphs, VariantRulesAndTellingRows) {
    struct Row {
        const char* name;
        uint16_t value;
    } rows[] = {
        // small capitals read as the capital (or the glyph they are a variant of)
        {"Asmall", 0x0041}, {"Bsmall", 0x0042}, {"AEsmall", 0x00C6}, {"Lslashsmall", 0x0141},
        {"Ydieresissmall", 0x0178}, {"exclamsmall", 0x0021}, {"questiondownsmall", 0x00BF},
        {"ampersandsmall", 0x0026}, {"Acutesmall", 0xF6C9},
        // small form variants that are real characters keep them
        {"commasmall", 0xFE50}, {"gammalatinsmall", 0x0263},
        // old-style figures
        {"zerooldstyle", 0x0030}, {"nineoldstyle", 0x0039}, {"dollaroldstyle", 0x0024},
        {"centoldstyle", 0x00A2},
        // superior and inferior forms
        {"zerosuperior", 0x2070}, {"onesuperior", 0x00B9}, {"twosuperior", 0x00B2},
        {"threesuperior", 0x00B3}, {"foursuperior", 0x2074}, {"nsuperior", 0x207F},
        {"parenleftsuperior", 0x207D}, {"zeroinferior", 0x2080}, {"parenrightinferior", 0x208E},
        // other variants keep their private-use values
        {"centinferior", 0xF6DF}, {"commaaccent", 0xF6C3}, {"arrowvertex", 0xF8E6},
        {"bracketlefttp", 0xF8EE}, {"asuperior", 0xF6E9},
        // plain rows
        {"A", 0x0041}, {"AEacute", 0x01FC}, {"zeta", 0x03B6}, {"space", 0x0020},
        {"quotesingle", 0x0027}, {"grave", 0x0060}, {"hyphen", 0x002D}, {"minus", 0x2212},
        {"nbspace", 0x00A0}, {"Euro", 0x20AC}, {"Delta", 0x2206}, {"Omega", 0x2126},
        {"mu", 0x00B5}, {"fi", 0xFB01}, {"ffi", 0xFB03}, {"dotlessi", 0x0131},
        {"afii10017", 0x0410}, {"afii57636", 0x20AA},
    };
    for (const Row& r : rows) EXPECT_EQ(table.lookup(r.name), r.value) << r.name;
}

TEST_F(BuiltinGlyphs, UnknownNamesGiveZero) {
    for (const char* name : {"uni0041", "u0041", "", "notaglyph", "Zsmallx", "dalethatafpatah", "SPACE"})
        EXPECT_EQ(table.lookup(name), 0) << name;
}

TEST(BuiltinGlyphList, SortedUniqueAndNeverZero) {
    EXPECT_EQ(kBuiltinGlyphListCount, 4200);
    for (int i = 0; i < kBuiltinGlyphListCount; ++i) {
        EXPECT_NE(kBuiltinGlyphList[i].value, 0) << kBuiltinGlyphList[i].name;
        if (i > 0) {
            EXPECT_LT(std::strcmp(kBuiltinGlyphList[i - 1].name, kBuiltinGlyphList[i].name), 0) << i;
        }
    }
}

TEST_F(BuiltinGlyphs, EveryListedNameIsFoundAfterGrowth) {
    // 4200 names force many doublings of the 31-slot start; every row must survive them.
    EXPECT_GT(table.slotCount(), 2 * kBuiltinGlyphListCount);
    for (int i = 0; i < kBuiltinGlyphListCount; ++i)
        ASSERT_EQ(table.lookup(kBuiltinGlyphList[i].name), kBuiltinGlyphList[i].value) << kBuiltinGlyphList[i].name;
}

TEST_F(BuiltinGlyphs, AddedNamesReplaceAndExtend) {
    table.add("uni0041", 0x0041);
    table.add("Euro", 0x0080);
    table.add("myglyph", 0xE123);
    EXPECT_EQ(table.lookup("uni0041"), 0x0041);
    EXPECT_EQ(table.lookup("Euro"), 0x0080);
    EXPECT_EQ(table.lookup("myglyph"), 0xE123);
    // A replacement must not disturb the static list itself.
    GlyphNameTable fresh;
    fresh.addStatic(kBuiltinGlyphList, kBuiltinGlyphListCount);
    EXPECT_EQ(fresh.lookup("Euro"), 0x20AC);
}

}  // namespace
}  // namespace qm
