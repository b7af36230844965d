// Type 1 header scan and compact-font reading: names, encodings, charsets, and programs
// whose counts and offsets point anywhere.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fonts/cff_font_reader.h"
#include "fonts/font_encodings.h"
#include "fonts/font_programs.h"
#include "fonts/type1_font_reader.h"

namespace qm {
namespace {

using test::buildCff;
using test::entryName;
using test::heapCopy;
using test::CffProgram;
using test::putU16;

TEST(Type1FontReader, EncodingArrayEntriesAndItsEnd) {
    std::string program =
        "%!PS-AdobeFont-1.0: Test 001\r\n"
        "/FontName /ABCDEF+Test-Bold def\r\n"
        "/Encoding 256 array\n"
        "0 1 255 {1 index exch /.notdef put} for\n"
        "  dup 65 /A put\n"
        "dup 300 /x put\n"
        "dup 66 /B put dup 67 /C put\n"
        "dup 68 put\n"
        "readonly def\n"
        "dup 69 /E put\n";
    auto bytes = heapCopy(program);
    Type1FontReader reader(bytes.data(), bytes.size());
    ASSERT_NE(reader.fontName(), nullptr);
    EXPECT_STREQ(reader.fontName(), "ABCDEF+Test-Bold");
    const char* const* enc = reader.encoding();
    ASSERT_NE(enc, nullptr);
    EXPECT_EQ(entryName(enc, 65), "A");
    EXPECT_EQ(entryName(enc, 66), "B");  // several entries on one line all count
    EXPECT_EQ(entryName(enc, 67), "C");
    EXPECT_EQ(entryName(enc, 68), "(none)");
    EXPECT_EQ(entryName(enc, 69), "(none)");  // after "readonly def"
    EXPECT_EQ(entryName(enc, 300 & 0xFF), "(none)");
}

TEST(Type1FontReader, StandardEncodingAndPfbHeader) {
    std::string text = "%!FontType1\n/FontName /Sample def\n/Encoding StandardEncoding def\n";
    std::string pfb = std::string("\x80\x01", 2);
    pfb += static_cast<char>(text.size());
    pfb += std::string(3, '\0');
    pfb += text + "\x80\x02garbage";
    auto bytes = heapCopy(pfb);
    Type1FontReader reader(bytes.data(), bytes.size());
    EXPECT_STREQ(reader.fontName(), "Sample");
    ASSERT_NE(reader.encoding(), nullptr);
    for (int code = 0; code < 256; ++code) EXPECT_EQ(reader.encoding()[code], kStandardEncoding[code]);
}

TEST(Type1FontReader, LookAtOnlyTheFirstHundredLines) {
    std::string program;
    for (int i = 0; i < Type1FontReader::kMaxHeaderLines; ++i) program += "% comment\n";
    program += "/FontName /Late def\n/Encoding StandardEncoding def\n";
    auto bytes = heapCopy(program);
    Type1FontReader reader(bytes.data(), bytes.size());
    EXPECT_EQ(reader.fontName(), nullptr);
    // No encoding found: none is given, so the font keeps its own fallback.
    EXPECT_EQ(reader.encoding(), nullptr);

    program = "% one\n/FontName /Early def\n";
    for (int i = 0; i < Type1FontReader::kMaxEncodingLines + 5; ++i)
        program += i == 0 ? "/Encoding 256 array\n" : "dup 32 /space put\n";
    program += "dup 33 /exclam put\n";
    bytes = heapCopy(program);
    Type1FontReader limited(bytes.data(), bytes.size());
    EXPECT_STREQ(limited.fontName(), "Early");
    EXPECT_EQ(entryName(limited.encoding(), 32), "space");
    EXPECT_EQ(entryName(limited.encoding(), 33), "(none)");  // past the 300 lines of the part
}

TEST(Type1FontReader, OddTextStaysInside) {
    for (const char* text : {"", "/FontName", "/FontName /", "/Encoding 256 array", "/Encoding 256 array\ndup",
                             "/Encoding 256 array\ndup 65", "/Encoding 256 array\ndup 65 /", "\r\n\r\n\n",
                             "/Encoding 256 array\ndup 99999999999999999999 /a put\n"}) {
        auto bytes = heapCopy(text);
        Type1FontReader reader(bytes.data(), bytes.size());
        if (reader.fontName()) {
            EXPECT_STREQ(reader.fontName(), "");
        }
        if (const char* const* enc = reader.encoding()) {
            for (int code = 0; code < 256; ++code) EXPECT_EQ(enc[code], nullptr) << text;
        }
    }
    Type1FontReader none(nullptr, 10);
    EXPECT_EQ(none.fontName(), nullptr);
    std::string longLine = "/FontName /" + std::string(400, 'N') + " def\n";
    auto bytes = heapCopy(longLine);
    Type1FontReader cut(bytes.data(), bytes.size());
    EXPECT_EQ(std::strlen(cut.fontName()), 255u - std::strlen("/FontName /"));
}

TEST(CffFontReader, PredefinedCharsetAndEncoding) {
    CffProgram p;
    p.name = "ABCDEF+Minion";
    auto bytes = heapCopy(buildCff(p));
    CffFontReader reader(bytes.data(), bytes.size());
    EXPECT_STREQ(reader.fontName(), "ABCDEF+Minion");
    EXPECT_EQ(reader.glyphCount(), 4);
    ASSERT_NE(reader.encoding(), nullptr);
    for (int code = 0; code < 256; ++code) EXPECT_EQ(reader.encoding()[code], kStandardEncoding[code]);

    p.charset = 1;
    p.encoding = 1;
    bytes = heapCopy(buildCff(p));
    CffFontReader expert(bytes.data(), bytes.size());
    EXPECT_EQ(entryName(expert.encoding(), 0x21), "exclamsmall");
    EXPECT_EQ(entryName(expert.encoding(), 0x20), "space");
    EXPECT_EQ(entryName(expert.encoding(), 0xFF), "Ydieresissmall");
}

TEST(CffFontReader, CustomCharsetsAndEncodingsWithSupplements) {
    // Format 0 charset: glyph 1 = "A" (34), glyph 2 = first custom string, glyph 3 = "B".
    CffProgram p;
    p.strings = {"Custom.one", "Custom.two"};
    p.charset = -1;
    p.charsetTable = std::string(1, '\0');
    putU16(p.charsetTable, 34);
    putU16(p.charsetTable, 391);
    putU16(p.charsetTable, 35);
    // Format 0 encoding with supplements: glyphs 1-3 at codes 0x41, 0x80, 0x42; then code
    // 0x20 -> "space" (1) and code 0x21 -> the second custom string.
    p.encoding = -1;
    p.encodingTable = std::string("\x80\x03\x41\x80\x42\x02\x20\x00\x01\x21\x01\x88", 12);
    auto bytes = heapCopy(buildCff(p));
    CffFontReader reader(bytes.data(), bytes.size());
    const char* const* enc = reader.encoding();
    ASSERT_NE(enc, nullptr);
    EXPECT_EQ(entryName(enc, 0x41), "A");
    EXPECT_EQ(entryName(enc, 0x80), "Custom.one");
    EXPECT_EQ(entryName(enc, 0x42), "B");
    EXPECT_EQ(entryName(enc, 0x20), "space");
    EXPECT_EQ(entryName(enc, 0x21), "Custom.two");
    EXPECT_EQ(entryName(enc, 0x43), "(none)");  // a custom encoding starts empty

    // Format 1 and 2 charsets with a format 1 encoding: ranges of consecutive ids and codes.
    for (int format : {1, 2}) {
        CffProgram r;
        r.glyphCount = 6;
        r.charset = -1;
        r.charsetTable = std::string(1, static_cast<char>(format));
        putU16(r.charsetTable, 66);  // "a" and the two after it
        if (format == 1) r.charsetTable += '\x02';
        else putU16(r.charsetTable, 2);
        putU16(r.charsetTable, 17);  // "zero", "one"
        if (format == 1) r.charsetTable += '\x01';
        else putU16(r.charsetTable, 1);
        r.encoding = -1;
        r.encodingTable = std::string("\x01\x02\x61\x01\x30\x05", 6);
        bytes = heapCopy(buildCff(r));
        CffFontReader ranges(bytes.data(), bytes.size());
        enc = ranges.encoding();
        ASSERT_NE(enc, nullptr);
        EXPECT_EQ(entryName(enc, 0x61), "a") << format;
        EXPECT_EQ(entryName(enc, 0x62), "b");
        EXPECT_EQ(entryName(enc, 0x30), "c");
        EXPECT_EQ(entryName(enc, 0x31), "zero");
        EXPECT_EQ(entryName(enc, 0x32), "one");
        EXPECT_EQ(entryName(enc, 0x33), "(none)");  // the range runs past the last glyph
    }
}

TEST(CffFontReader, TopDictOperandForms) {
    // Real and 16-bit operands before unrelated operators, more than 48 operands, then the
    // CharStrings offset in the 16-bit form and a one-byte charset 0.
    std::string head = std::string("\x01\x00\x04\x01", 4) + test::cffIndex({"R"});
    // 1.5 as a real, a reserved byte (operand 0), then the two-byte operator 12 7.
    std::string dict = "\x1e\x1a\x5f\xff" "\x0c\x07";
    for (int i = 0; i < 60; ++i) dict += static_cast<char>(139 + 1);
    dict += "\x05";  // FontBBox with too many operands
    std::string charStrings = test::cffIndex({"a", "b", "c"});
    // Offsets: header + names + TopDict INDEX + strings (2) + global subrs (2).
    size_t dictIndexSize = 2 + 1 + 2 + dict.size() + 4 + 2;
    size_t offset = head.size() + dictIndexSize + 4;
    dict += '\x1c';
    putU16(dict, static_cast<unsigned>(offset));
    dict += '\x11';
    dict += "\x8b\x0f";  // charset 0
    std::string program = head + test::cffIndex({dict}) + test::cffIndex({}) + test::cffIndex({}) + charStrings;
    auto bytes = heapCopy(program);
    CffFontReader reader(bytes.data(), bytes.size());
    EXPECT_STREQ(reader.fontName(), "R");
    EXPECT_EQ(reader.glyphCount(), 3);
    EXPECT_EQ(entryName(reader.encoding(), 'A'), "A");
}

TEST(CffFontReader, HostileOffsetsAndTruncationStayInside) {
    CffProgram p;
    p.strings = {"Custom.one"};
    p.charset = -1;
    p.charsetTable = std::string("\x02\x00\x22\xff\xff", 5);  // a range far past the glyphs
    p.encoding = -1;
    p.encodingTable = std::string("\x81\xff\x41\xff\x80\xff\x20\x01\x87", 9);
    const std::string whole = buildCff(p);
    // Every prefix of the program: nothing may read past its end.
    for (size_t n = 0; n <= whole.size(); ++n) {
        auto bytes = heapCopy(whole.substr(0, n));
        CffFontReader reader(bytes.data(), bytes.size());
        const char* const* enc = reader.encoding();
        for (int code = 0; enc && code < 256; ++code) {
            if (enc[code]) {
                EXPECT_GT(std::strlen(enc[code]), 0u);
            }
        }
    }
    // Offsets and counts that point anywhere.
    std::string odd = whole;
    for (size_t at : {size_t(2), size_t(5), size_t(7), size_t(9), size_t(11), size_t(20)}) {
        for (int value : {0x00, 0x05, 0x7f, 0xff}) {
            std::string bad = odd;
            if (at < bad.size()) bad[at] = static_cast<char>(value);
            auto bytes = heapCopy(bad);
            CffFontReader reader(bytes.data(), bytes.size());
            reader.encoding();
        }
    }
    CffFontReader none(nullptr, 100);
    EXPECT_EQ(none.fontName(), nullptr);
    EXPECT_EQ(none.encoding(), nullptr);
}

}  // namespace
}  // namespace qm
