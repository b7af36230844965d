// The CCITT fax decoder: the code tables through independent encodings (libtiff), real
// Group 4 images from the corpus, the row and end-of-data rules and their messages.
#include <gtest/gtest.h>

#include "core/report_error.h"
#include "decoder_fixture.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

// "1000 00011" -> bytes, most significant bit first, the last byte padded with zeros.
std::string bits(const std::string& text) {
    std::string out;
    int n = 0, byte = 0;
    for (char c : text) {
        if (c != '0' && c != '1') continue;
        byte = byte * 2 + (c - '0');
        if (++n == 8) out += static_cast<char>(byte), n = byte = 0;
    }
    if (n) out += static_cast<char>(byte << (8 - n));
    return out;
}

std::string hex(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s += static_cast<char>(b);
    return s;
}

const std::string kEol = "000000000001";

TEST(CcittFaxDecoder, GroupFourWhiteRowsAndBlackIs1) {
    // V0 against the all-white reference line, once per row.
    EXPECT_EQ(decode("CCITTFaxDecode", bits("1 1"), "<< /K -1 /Columns 8 >>"), hex({0xFF, 0xFF}));
    EXPECT_EQ(decode("CCF", bits("1 1"), "<< /K -1 /Columns 8 /BlackIs1 true >>"), hex({0x00, 0x00}));
    // Padding bits past Columns are 0 (black), inverted with the rest under BlackIs1.
    EXPECT_EQ(decode("CCF", bits("1"), "<< /K -1 /Columns 12 >>"), hex({0xFF, 0xF0}));
    EXPECT_EQ(decode("CCF", bits("1"), "<< /K -1 /Columns 12 /BlackIs1 true >>"), hex({0x00, 0x0F}));
    // With an end-of-block code the data ends there.
    EXPECT_EQ(decode("CCF", bits("1 1" + kEol + kEol + "1 1"), "<< /K -1 /Columns 8 >>"), hex({0xFF, 0xFF}));
}

TEST(CcittFaxDecoder, OneDimensionalRuns) {
    // White 3, black 7.
    EXPECT_EQ(decode("CCF", bits("1000 00011"), "<< /Columns 10 >>"), hex({0xE0, 0x00}));
    // A row starting black: white run 0 first.
    EXPECT_EQ(decode("CCF", bits("00110101 10 1000 11"), "<< /Columns 8 >>"), hex({0x1C}));
    // Make-up plus terminating codes: white 64 + 2, black 6.
    EXPECT_EQ(decode("CCF", bits("11011 0111 0010"), "<< /Columns 72 >>"),
              std::string(8, '\xFF') + hex({0xC0}));
    // Rows separated by EOLs, and the end of the data after RTC.
    std::string twoRows = bits(kEol + "1000 00011" + kEol + "1000 00011" + kEol + kEol + kEol + kEol + kEol + kEol);
    EXPECT_EQ(decode("CCF", twoRows, "<< /Columns 10 /EndOfLine true >>"), hex({0xE0, 0x00, 0xE0, 0x00}));
    // A short RTC is reported; the rows stay.
    ErrorCapture errors;
    EXPECT_EQ(decode("CCF", bits("1000 00011" + kEol + kEol + "1111"), "<< /Columns 10 >>"), hex({0xE0, 0x00}));
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad RTC code in CCITTFax stream"});
}

TEST(CcittFaxDecoder, MixedRowsFollowTheirTagBits) {
    // A one-dimensional row (tag 1), then a two-dimensional copy of it (tag 0: V0 V0), then
    // the return-to-control sequence of six EOLs with tag bits.
    std::string rtc;
    for (int i = 0; i < 6; ++i) rtc += kEol + "1";
    std::string data = bits(kEol + "1" + "1000 00011" + kEol + "0" + "1 1" + rtc + "1000 00011");
    ErrorCapture errors;
    EXPECT_EQ(decode("CCF", data, "<< /K 2 /Columns 10 /EndOfLine true >>"), hex({0xE0, 0x00, 0xE0, 0x00}));
    EXPECT_TRUE(errors.messages().empty());
}

TEST(CcittFaxDecoder, WrongRowLengthIsServed) {
    ErrorCapture errors;
    // White 960 + 40, black 704 + 26: 1730 pixels in a row of 1728.
    std::string row = "011010100 00101001 0000001001011 000011001010";
    std::string out = decode("CCF", bits(row), "<< /Columns 1728 >>");
    ASSERT_EQ(out.size(), 216u);
    EXPECT_EQ(out.substr(0, 125), std::string(125, '\xFF'));
    EXPECT_EQ(out.substr(126), std::string(90, '\0'));
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"CCITTFax row is wrong length (1730)"});
}

TEST(CcittFaxDecoder, EndOfBlockFalseStopsAtRows) {
    std::string data = bits("1000 00011 1000 00011 1000 00011");
    const std::string params = "<< /Columns 10 /Rows 2 /EndOfBlock false >>";
    EXPECT_EQ(decode("CCF", data, params), hex({0xE0, 0x00, 0xE0, 0x00}));
    EXPECT_EQ(decodeBlocks("CCF", data, params), hex({0xE0, 0x00, 0xE0, 0x00}));
    // With the default end-of-block rule the third row is served too.
    EXPECT_EQ(decode("CCF", data, "<< /Columns 10 /Rows 2 >>").size(), 6u);
    // Byte-aligned rows.
    EXPECT_EQ(decode("CCF", bits("1000 00011 0000000 1000 00011"), "<< /Columns 10 /EncodedByteAlign true >>"),
              hex({0xE0, 0x00, 0xE0, 0x00}));
}

TEST(CcittFaxDecoder, BadCodesAreReported) {
    ErrorCapture errors;
    decode("CCF", bits("000000001111 1000"), "<< /Columns 10 >>");
    ASSERT_FALSE(errors.messages().empty());
    EXPECT_EQ(errors.messages()[0], "Bad white code (000f) in CCITTFax stream");
    errors.clear();
    decode("CCF", bits("1000 000000000111 1111 1111"), "<< /Columns 10 >>");
    ASSERT_FALSE(errors.messages().empty());
    EXPECT_EQ(errors.messages()[0], "Bad black code (000f) in CCITTFax stream");
    errors.clear();
    EXPECT_EQ(decode("CCF", bits("1 00000001 1111"), "<< /K -1 /Columns 8 >>"), hex({0xFF}));
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad two dim code (0000) in CCITTFax stream"});
    errors.clear();
    EXPECT_EQ(decode("CCF", bits("1 0000001 111 1111"), "<< /K -1 /Columns 8 >>"), hex({0xFF}));
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad 2D code 0001 in CCITTFax stream"});
    errors.clear();
    EXPECT_EQ(decode("CCF", "", "<< /K -1 /Columns 0 >>"), "");
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad CCITTFax columns (0)"});
}

TEST(CcittFaxDecoder, IndependentEncodingsOfEveryCode) {
    // libtiff's encodings of a picture with runs of every length class: one-dimensional,
    // mixed one- and two-dimensional, and Group 4.
    const std::string ref = fixture("ccitt-synthetic-2600x48.ref");
    const std::string base = "ccitt-synthetic-2600x48-";
    ErrorCapture errors;
    EXPECT_EQ(decode("CCF", fixture(base + "g3-1d.raw"), "<< /K 0 /Columns 2600 /Rows 48 /EndOfLine true >>"), ref);
    EXPECT_EQ(decode("CCF", fixture(base + "g3-2d.raw"), "<< /K 4 /Columns 2600 /Rows 48 /EndOfLine true >>"), ref);
    EXPECT_EQ(decode("CCF", fixture(base + "g4.raw"), "<< /K -1 /Columns 2600 /Rows 48 >>"), ref);
    EXPECT_EQ(decodeBlocks("CCF", fixture(base + "g4.raw"), "<< /K -1 /Columns 2600 /Rows 48 >>"), ref);
    EXPECT_TRUE(errors.messages().empty()) << errors.messages()[0];
}

TEST(CcittFaxDecoder, CorpusImagesMatchTheReference) {
    struct Image {
        const char* name;
        int columns, rows;
    } images[] = {{"ccitt-g4-16x16", 16, 16},
                  {"ccitt-g4-230x79", 230, 79},
                  {"ccitt-g4-526x507", 526, 507},
                  {"ccitt-g4-1458x928", 1458, 928}};
    for (const Image& im : images) {
        SCOPED_TRACE(im.name);
        std::string params =
            "<< /K -1 /Columns " + std::to_string(im.columns) + " /Rows " + std::to_string(im.rows) + " >>";
        std::string ref = fixture(std::string(im.name) + ".ref");
        std::string out = decode("CCITTFaxDecode", fixture(std::string(im.name) + ".raw"), params);
        EXPECT_EQ(out.substr(0, ref.size()), ref);
    }
}

TEST(CcittFaxDecoder, DescriptionAndDamagedData) {
    Stream* s = makeDecoder("CCF", "", "<< /K -1 /Columns 100 /Rows 5 /EndOfBlock false /BlackIs1 true >>");
    EXPECT_EQ(s->describeFilter(0)->view(),
              "<< /K -1 /Columns 100 /Rows 5 /EndOfBlock false /BlackIs1 true >> /CCITTFaxDecode filter\n");
    EXPECT_EQ(s->kind(), StreamKind::CcittFax);
    s->decRef();
    s = makeDecoder("CCF", "", "<< /EndOfLine true /EncodedByteAlign true >>");
    EXPECT_EQ(s->describeFilter(1)->view(),
              " << /EndOfLine true /EncodedByteAlign true /Columns 1728 >> /CCITTFaxDecode filter\n");
    s->decRef();
    const std::string base = "ccitt-synthetic-2600x48-";
    decodeDamaged("CCF", fixture("ccitt-g4-230x79.raw"), "<< /K -1 /Columns 230 /Rows 79 >>", 215 * 8 * 29, 48);
    decodeDamaged("CCF", fixture(base + "g3-2d.raw"), "<< /K 4 /Columns 2600 /Rows 48 >>", 757 * 8 * 325, 32);
    decodeDamaged("CCF", fixture(base + "g3-1d.raw"), "<< /Columns 2600 /Rows 48 /EndOfBlock false >>", 48 * 325,
                  32);
}

}  // namespace
}  // namespace qm::test
