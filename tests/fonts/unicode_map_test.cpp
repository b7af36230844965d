// Output encodings: the built-in maps on their documented rows and on every range
// boundary, file maps with ranges and long codes, and bad file lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/report_error.h"
#include "fonts/builtin_tables.h"
#include "fonts/font_encodings.h"
#include "fonts/glyph_name_table.h"
#include "fonts/unicode_map.h"

namespace qm {
namespace {

std::string mapped(const UnicodeMap* map, uint32_t u, int room = 16) {
    uint8_t out[16] = {};
    int n = map->mapUnicode(u, out, room);
    return std::string(reinterpret_cast<char*>(out), static_cast<size_t>(n));
}

struct MapHolder {
    UnicodeMap* map;
    ~MapHolder() {
        if (map) map->release();
    }
    UnicodeMap* operator->() const { return map; }
    UnicodeMap* get() const { return map; }
};

MapHolder readMap(const std::string& text, const char* name = "Test") {
    FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    UnicodeMap* map = UnicodeMap::readFile(name, f);
    std::fclose(f);
    return {map};
}

struct Table {
    const char* name;
    const UnicodeMapRange* ranges;
    int count;
};
const Table kTables[] = {
    {"Latin1", kLatin1Ranges, kLatin1RangesCount},
    {"ASCII7", kAscii7Ranges, kAscii7RangesCount},
    {"Symbol", kSymbolRanges, kSymbolRangesCount},
    {"ZapfDingbats", kZapfDingbatsRanges, kZapfDingbatsRangesCount},
};

std::string codeBytes(uint32_t code, uint32_t n) {
    std::string s;
    for (uint32_t i = 0; i < n; ++i) s.push_back(static_cast<char>(code >> (8 * (n - 1 - i))));
    return s;
}

TEST(BuiltinUnicodeMaps, EveryRangeBoundary) {
    for (const Table& t : kTables) {
        MapHolder m{UnicodeMap::makeTable(t.name, t.ranges, t.count)};
        for (int i = 0; i < t.count; ++i) {
            const UnicodeMapRange& r = t.ranges[i];
            SCOPED_TRACE(std::string(t.name) + " range " + std::to_string(i));
            ASSERT_LE(r.start, r.end);
            ASSERT_TRUE(r.nBytes >= 1 && r.nBytes <= 4);
            if (i > 0) {
                ASSERT_GT(r.start, t.ranges[i - 1].end) << "ranges overlap or are unsorted";
            }
            EXPECT_EQ(mapped(m.get(), r.start), codeBytes(r.code, r.nBytes));
            EXPECT_EQ(mapped(m.get(), r.end), codeBytes(r.code + (r.end - r.start), r.nBytes));
            bool gapBefore = i == 0 || t.ranges[i - 1].end + 1 < r.start;
            bool gapAfter = i + 1 == t.count || r.end + 1 < t.ranges[i + 1].start;
            if (gapBefore && r.start > 0) {
                EXPECT_EQ(mapped(m.get(), r.start - 1u), "");
            }
            if (gapAfter) {
                EXPECT_EQ(mapped(m.get(), r.end + 1u), "");
            }
        }
    }
}

TEST(BuiltinUnicodeMaps, Latin1Rows) {
    EXPECT_EQ(kLatin1RangesCount, 39);
    MapHolder m{UnicodeMap::makeTable("Latin1", kLatin1Ranges, kLatin1RangesCount)};
    EXPECT_EQ(mapped(m.get(), 0x00E9), "\xE9");
    EXPECT_EQ(mapped(m.get(), 0x2014), "--");
    EXPECT_EQ(mapped(m.get(), 0xFB03), "ffi");
    EXPECT_EQ(mapped(m.get(), 0x00AD), "");  // soft hyphen
    EXPECT_EQ(mapped(m.get(), 0x00A0), " ");
    EXPECT_EQ(mapped(m.get(), 0x0152), "OE");
    EXPECT_EQ(mapped(m.get(), 0x2122), "TM");
    EXPECT_EQ(mapped(m.get(), 0x2013), "\xAD");
    EXPECT_EQ(mapped(m.get(), 0x0009), "");  // below the first range
    EXPECT_EQ(mapped(m.get(), 0xFFFF), "");
    EXPECT_EQ(mapped(m.get(), 0x10000), "");
    // Codes that do not fit are not cut short.
    EXPECT_EQ(mapped(m.get(), 0x2026, 1), "");
    EXPECT_EQ(mapped(m.get(), 0x2026, 2), "");
    EXPECT_EQ(mapped(m.get(), 0x2026, 3), "...");
    EXPECT_EQ(mapped(m.get(), 0x0041, 0), "");
}

TEST(BuiltinUnicodeMaps, Ascii7Rows) {
    MapHolder m{UnicodeMap::makeTable("ASCII7", kAscii7Ranges, kAscii7RangesCount)};
    EXPECT_EQ(mapped(m.get(), 0x0060), "");
    EXPECT_EQ(mapped(m.get(), 0x005F), "_");
    EXPECT_EQ(mapped(m.get(), 0x0061), "a");
    EXPECT_EQ(mapped(m.get(), 0x00D1), "N");
    EXPECT_EQ(mapped(m.get(), 0x00D2), "O");
    EXPECT_EQ(mapped(m.get(), 0x00F1), "n");
    EXPECT_EQ(mapped(m.get(), 0x00F2), "o");
    EXPECT_EQ(mapped(m.get(), 0x00BD), "1/2");
    EXPECT_EQ(mapped(m.get(), 0x00BC), "1/4");
    EXPECT_EQ(mapped(m.get(), 0x00BE), "3/4");
    EXPECT_EQ(mapped(m.get(), 0x00C5), "A");
    EXPECT_EQ(mapped(m.get(), 0x00C6), "AE");
    EXPECT_EQ(mapped(m.get(), 0x00E9), "e");
    EXPECT_EQ(mapped(m.get(), 0x00FF), "y");
    EXPECT_EQ(mapped(m.get(), 0x00A9), "(c)");
    EXPECT_EQ(mapped(m.get(), 0x00AE), "(R)");
    EXPECT_EQ(mapped(m.get(), 0x00D7), "x");
    EXPECT_EQ(mapped(m.get(), 0x00F7), "/");
    EXPECT_EQ(mapped(m.get(), 0x2014), "--");
    EXPECT_EQ(mapped(m.get(), 0x2018), "`");
    EXPECT_EQ(mapped(m.get(), 0x201D), "\"");
    EXPECT_EQ(mapped(m.get(), 0xFB04), "ffl");
    for (int i = 0; i < kAscii7RangesCount; ++i) {
        const UnicodeMapRange& r = kAscii7Ranges[i];
        for (uint32_t b = 0; b < r.nBytes; ++b)
            EXPECT_LT((r.code + (r.end - r.start)) >> (8 * b) & 0xFF, 0x80u) << "range " << i;
    }
}

TEST(BuiltinUnicodeMaps, SymbolRows) {
    // The classic encoding's 121 runs, and "apple" at 0x80 and "Euro" at 0xA0 as this
    // font version and the engine's Symbol encoding have them.
    EXPECT_EQ(kSymbolRangesCount, 123);
    MapHolder m{UnicodeMap::makeTable("Symbol", kSymbolRanges, kSymbolRangesCount)};
    EXPECT_EQ(mapped(m.get(), 0x0391), "\x41");
    EXPECT_EQ(mapped(m.get(), 0x03B1), "\x61");
    EXPECT_EQ(mapped(m.get(), 0x2200), "\x22");
    EXPECT_EQ(mapped(m.get(), 0x221E), "\xA5");
    EXPECT_EQ(mapped(m.get(), 0x2260), "\xB9");
    EXPECT_EQ(mapped(m.get(), 0x0041), "");  // Latin capital A is not a Symbol glyph
    // The extension pieces in the private-use area.
    const std::string pieces = "\x60\xBD\xBE\xE2\xE3\xE4\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF4"
                               "\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE";
    ASSERT_EQ(pieces.size(), 0xF8FEu - 0xF8E5u + 1);
    for (uint32_t u = 0xF8E5; u <= 0xF8FE; ++u) EXPECT_EQ(mapped(m.get(), u), pieces.substr(u - 0xF8E5, 1)) << u;
    EXPECT_EQ(mapped(m.get(), 0xF8FF), "\x80");
    EXPECT_EQ(mapped(m.get(), 0x20AC), "\xA0");
}

TEST(BuiltinUnicodeMaps, SymbolMapInvertsTheSymbolEncoding) {
    // A Symbol-font code read through its glyph name must come back as the same code, so
    // text drawn with the Symbol face shows the glyph the PDF asked for.
    GlyphNameTable names;
    names.addStatic(kBuiltinGlyphList, kBuiltinGlyphListCount);
    MapHolder m{UnicodeMap::makeTable("Symbol", kSymbolRanges, kSymbolRangesCount)};
    int checked = 0;
    for (int code = 0; code < 256; ++code) {
        const char* name = kSymbolEncoding[code];
        if (!name) continue;
        uint16_t u = names.lookup(name);
        ASSERT_NE(u, 0) << name;
        EXPECT_EQ(mapped(m.get(), u), std::string(1, static_cast<char>(code))) << name;
        ++checked;
    }
    EXPECT_GE(checked, 180);
}

TEST(BuiltinUnicodeMaps, ZapfDingbatsRanges) {
    // The whole table as published: {first Unicode, last Unicode, first code}.
    const uint32_t expected[][3] = {
        {0x0020, 0x0020, 0x20}, {0x2701, 0x2704, 0x21}, {0x2706, 0x2709, 0x26}, {0x270C, 0x2727, 0x2C},
        {0x2729, 0x274B, 0x49}, {0x274D, 0x274D, 0x6D}, {0x274F, 0x2752, 0x6F}, {0x2756, 0x2756, 0x76},
        {0x2758, 0x275E, 0x78}, {0x2761, 0x2767, 0xA1}, {0x2776, 0x2794, 0xB6}, {0x2798, 0x27AF, 0xD8},
        {0x27B1, 0x27BE, 0xF1}, {0x2460, 0x2469, 0xAC}, {0x2660, 0x2660, 0xAB}, {0x2663, 0x2663, 0xA8},
        {0x2665, 0x2665, 0xAA}, {0x2666, 0x2666, 0xA9}, {0x2605, 0x2605, 0x48}, {0x260E, 0x260E, 0x25},
        {0x261B, 0x261B, 0x2A}, {0x261E, 0x261E, 0x2B}, {0x25A0, 0x25A0, 0x6E}, {0x25B2, 0x25B2, 0x73},
        {0x25BC, 0x25BC, 0x74}, {0x25C6, 0x25C6, 0x75}, {0x25CF, 0x25CF, 0x6C}, {0x25D7, 0x25D7, 0x77},
        {0x2192, 0x2192, 0xD5}, {0x2194, 0x2195, 0xD6},
    };
    ASSERT_EQ(kZapfDingbatsRangesCount, 30);
    MapHolder m{UnicodeMap::makeTable("ZapfDingbats", kZapfDingbatsRanges, kZapfDingbatsRangesCount)};
    for (const auto& e : expected) {
        EXPECT_EQ(mapped(m.get(), e[0]), std::string(1, static_cast<char>(e[2]))) << std::hex << e[0];
        EXPECT_EQ(mapped(m.get(), e[1]), std::string(1, static_cast<char>(e[2] + e[1] - e[0]))) << std::hex << e[1];
    }
    EXPECT_EQ(mapped(m.get(), 0x2705), "");
    EXPECT_EQ(mapped(m.get(), 0x27B0), "");
}

TEST(BuiltinUnicodeMaps, Utf8) {
    MapHolder m{UnicodeMap::makeFunction("UTF-8", encodeUtf8)};
    EXPECT_EQ(mapped(m.get(), 0x0041), "A");
    EXPECT_EQ(mapped(m.get(), 0x007F), "\x7F");
    EXPECT_EQ(mapped(m.get(), 0x0080), "\xC2\x80");
    EXPECT_EQ(mapped(m.get(), 0x00E9), "\xC3\xA9");
    EXPECT_EQ(mapped(m.get(), 0x07FF), "\xDF\xBF");
    EXPECT_EQ(mapped(m.get(), 0x0800), "\xE0\xA0\x80");
    EXPECT_EQ(mapped(m.get(), 0x20AC), "\xE2\x82\xAC");
    EXPECT_EQ(mapped(m.get(), 0xFFFF), "\xEF\xBF\xBF");
    EXPECT_EQ(mapped(m.get(), 0x1F600), "\xF0\x9F\x98\x80");
    EXPECT_EQ(mapped(m.get(), 0x110000), "");
    EXPECT_EQ(mapped(m.get(), 0x20AC, 2), "");
    EXPECT_EQ(mapped(m.get(), 0x00E9, 1), "");
    EXPECT_EQ(mapped(m.get(), 0x0041, 0), "");
    EXPECT_EQ(m->kind(), UnicodeMapKind::Function);
}

TEST(FileUnicodeMap, RangesAndExtendedEntries) {
    ErrorCapture errors;
    MapHolder m = readMap(
        "0020 007e 20\r\n"
        "00a0 20\n"
        "\n"
        "2014 00ffffee\r"
        "3000 3002 a1a1\n"
        "0041 4142434445464748\n"
        "0010 0102030405\n");
    EXPECT_TRUE(errors.messages().empty());
    EXPECT_EQ(m->kind(), UnicodeMapKind::File);
    EXPECT_EQ(m->rangeCount(), 4);
    EXPECT_EQ(m->extendedCount(), 2);
    EXPECT_EQ(mapped(m.get(), 0x0020), " ");
    EXPECT_EQ(mapped(m.get(), 0x007E), "~");
    EXPECT_EQ(mapped(m.get(), 0x007F), "");
    EXPECT_EQ(mapped(m.get(), 0x00A0), " ");
    EXPECT_EQ(mapped(m.get(), 0x2014), std::string("\x00\xff\xff\xee", 4));
    EXPECT_EQ(mapped(m.get(), 0x3002), "\xA1\xA3");
    // 0x41 lies inside the first range, so the range wins over the long entry.
    EXPECT_EQ(mapped(m.get(), 0x0041), "A");
    // Long codes below the first range are still found.
    EXPECT_EQ(mapped(m.get(), 0x0010), "\x01\x02\x03\x04\x05");
    EXPECT_EQ(mapped(m.get(), 0x0010, 4), "");
}

TEST(FileUnicodeMap, BadLinesAreReportedAndSkipped) {
    ErrorCapture errors;
    MapHolder m = readMap(
        "0041\n"                                         // 1: one token
        "0042 0043 0044 0045\n"                          // 2: four tokens
        "0050 0051 0102030405\n"                         // 3: three tokens, long code
        "zz41 41\n"                                      // 4: not hexadecimal
        "0061 0062 616\n"                                // 5: odd number of digits
        "10000 41\n"                                     // 6: beyond 16 bits
        "0070 0060 41\n"                                 // 7: end before start
        "0080 000102030405060708090a0b0c0d0e0f10\n"     // 8: more than 16 bytes
        "0030 0039 30\n" +                               // 9: good
            std::string(300, '1') + "\n"                 // 10: too long
        "00c0 c0\n",                                     // 11: good
        "Mine");
    const char* fmt = "Bad line (%d) in unicodeMap file for the 'Mine' encoding";
    std::vector<std::string> expected;
    for (int line : {1, 2, 3, 4, 5, 6, 7, 8, 10}) {
        char text[100];
        std::snprintf(text, sizeof text, fmt, line);
        expected.push_back(text);
    }
    EXPECT_EQ(errors.messages(), expected);
    EXPECT_EQ(m->rangeCount(), 2);
    EXPECT_EQ(mapped(m.get(), 0x0035), "5");
    EXPECT_EQ(mapped(m.get(), 0x00C0), "\xC0");
    EXPECT_EQ(mapped(m.get(), 0x0041), "");
}

TEST(FileUnicodeMap, RangesOutOfOrderStillMap) {
    MapHolder m = readMap("0100 01ff 41\n0020 007e 20\n0000 0010 00\n");
    EXPECT_EQ(mapped(m.get(), 0x0005), std::string(1, '\x05'));
    EXPECT_EQ(mapped(m.get(), 0x0030), "0");
    EXPECT_EQ(mapped(m.get(), 0x0101), "B");
}

TEST(FileUnicodeMap, EmptyFileMapsNothing) {
    MapHolder m = readMap("");
    EXPECT_EQ(m->rangeCount(), 0);
    EXPECT_EQ(mapped(m.get(), 0x0041), "");
}

}  // namespace
}  // namespace qm
