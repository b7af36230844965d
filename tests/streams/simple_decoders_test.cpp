// LZW, RunLength, ASCIIHex and ASCII85: the decoding rules, their messages, real streams
// from the corpus, and damaged input.
#include <gtest/gtest.h>

#include <vector>

#include "core/report_error.h"
#include "decoder_fixture.h"
#include "streams/filter_chain.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

// Packs LZW codes most significant bit first. The width follows the table growth of a
// stream made of literal codes only (every code but the first after a clear adds an entry),
// including the reset a decoder performs when the table overflows without a clear code.
std::string lzwCodes(const std::vector<int>& codes, int earlyChange) {
    std::string out;
    unsigned long bits = 0;
    int count = 0, width = 9, next = 258;
    bool first = true;
    for (int code : codes) {
        bits = (bits << width) | static_cast<unsigned>(code);
        count += width;
        while (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
        if (code == 256) {
            next = 258, width = 9, first = true;
            continue;
        }
        if (next > 4096) next = 258, width = 9, first = true;
        if (first) {
            first = false;
        } else {
            ++next;
            int reach = next + earlyChange;
            width = reach >= 2048 ? 12 : reach >= 1024 ? 11 : reach >= 512 ? 10 : 9;
        }
    }
    if (count > 0) out += static_cast<char>((bits << (8 - count)) & 0xFF);
    return out;
}

std::string literals(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(i * 7 % 256);
    return s;
}

std::vector<int> literalCodes(int n) {
    std::vector<int> codes{256};
    for (int i = 0; i < n; ++i) codes.push_back(i * 7 % 256);
    codes.push_back(257);
    return codes;
}

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s += static_cast<char>(b);
    return s;
}

TEST(LzwDecoder, ReusesTheCodeBeingDefined) {
    std::string data = lzwCodes({256, 65, 66, 258, 260, 257}, 1);
    EXPECT_EQ(decode("LZWDecode", data), "ABABABA");
    EXPECT_EQ(decodeBlocks("LZW", data), "ABABABA");
}

TEST(LzwDecoder, EarlyChangeMovesTheWidthStepByOneCode) {
    std::vector<int> codes = literalCodes(300);
    std::string early = lzwCodes(codes, 1), late = lzwCodes(codes, 0);
    ASSERT_NE(early, late);
    EXPECT_EQ(decode("LZWDecode", early), literals(300));
    EXPECT_EQ(decode("LZWDecode", late, "<< /EarlyChange 0 >>"), literals(300));
    // Read with the wrong setting, the first 254 codes still agree and then the widths part.
    ErrorCapture errors;
    std::string wrong = decode("LZWDecode", early, "<< /EarlyChange 0 >>");
    EXPECT_EQ(wrong.substr(0, 254), literals(254));
    EXPECT_NE(wrong, literals(300));
}

TEST(LzwDecoder, FullTableWithoutClearCodeStartsAgain) {
    std::vector<int> codes = literalCodes(4000);
    ErrorCapture errors;
    EXPECT_EQ(decode("LZWDecode", lzwCodes(codes, 1)), literals(4000));
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad LZW stream - expected clear-table code"});
}

TEST(LzwDecoder, BadCodesAndEnds) {
    ErrorCapture errors;
    EXPECT_EQ(decode("LZWDecode", lzwCodes({256, 65, 300, 66}, 1)), "A");
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad LZW stream - unexpected code"});
    errors.clear();
    // Right after a clear there is no previous sequence to extend.
    EXPECT_EQ(decode("LZWDecode", lzwCodes({256, 258, 65}, 1)), "");
    EXPECT_EQ(errors.count("Bad LZW stream - unexpected code"), 1);
    // Without an end code the data ends with the input; repeated clears are harmless.
    EXPECT_EQ(decode("LZWDecode", lzwCodes({256, 256, 67, 256, 68}, 1)), "CD");
    EXPECT_EQ(decode("LZWDecode", ""), "");
}

TEST(LzwDecoder, PredictorWorksOnTheDecodedBytes) {
    // Two PNG rows of two bytes: Up-predicted rows (tag 2) add the row above.
    std::vector<int> codes{256, 2, 1, 2, 2, 1, 1, 257};
    std::string data = lzwCodes(codes, 1);
    EXPECT_EQ(decode("LZWDecode", data, "<< /Predictor 12 /Columns 2 >>"), bytes({1, 2, 2, 3}));
    Stream* s = makeDecoder("LZWDecode", data, "<< /Predictor 12 /Columns 2 >>");
    EXPECT_EQ(s->describeFilter(0), nullptr);
    s->reset();
    EXPECT_EQ(s->getRawChar(), 2);  // the tag byte, before prediction
    s->decRef();
    Stream* plain = makeDecoder("LZWDecode", data);
    EXPECT_EQ(plain->describeFilter(2)->view(), "  /LZWDecode filter\n");
    EXPECT_EQ(plain->kind(), StreamKind::Lzw);
    plain->decRef();
}

TEST(RunLengthDecoder, RunsCopiesAndEnd) {
    std::string data = bytes({2, 0x41, 0x42, 0x43, 0xFE, 0x44, 0x80, 0, 0x45});
    EXPECT_EQ(decode("RunLengthDecode", data), "ABCDDD");
    EXPECT_EQ(decodeBlocks("RL", data), "ABCDDD");
    // A copy cut short by the end of the input keeps its announced length.
    EXPECT_EQ(decode("RL", bytes({3, 0x41})), bytes({0x41, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(decode("RL", bytes({0x81, 0x5A})), std::string(128, 'Z'));
    Stream* s = makeDecoder("RL", data);
    EXPECT_EQ(s->describeFilter(0)->view(), "/RunLengthDecode filter\n");
    s->decRef();
}

TEST(AsciiHexDecoder, DigitsSpacesAndEnd) {
    EXPECT_EQ(decode("ASCIIHexDecode", "48 6\n5>"), "He");
    EXPECT_EQ(decode("AHx", "414>"), bytes({0x41, 0x40}));
    EXPECT_EQ(decode("AHx", "4a4B>ff"), "JK");
    // Missing ">": the data ends with the input, with no invented byte.
    EXPECT_EQ(decode("AHx", "4865"), "He");
    EXPECT_EQ(decode("AHx", "486"), bytes({0x48, 0x60}));
    ErrorCapture errors;
    EXPECT_EQ(decode("AHx", "4G1>"), bytes({0x40, 0x10}));
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Illegal character <47> in ASCIIHex stream"});
    Stream* s = makeDecoder("AHx", "41>");
    s->reset();
    EXPECT_EQ(s->peekByte(), 0x41);
    EXPECT_EQ(s->readByte(), 0x41);
    EXPECT_EQ(s->readByte(), -1);
    EXPECT_EQ(s->describeFilter(0)->view(), "/ASCIIHexDecode filter\n");
    s->decRef();
}

TEST(Ascii85Decoder, GroupsZerosAndShortEnds) {
    EXPECT_EQ(decode("ASCII85Decode", "9jqo^~>"), "Man ");
    EXPECT_EQ(decode("A85", "z~>"), std::string(4, '\0'));
    EXPECT_EQ(decode("A85", "9jqo^z~>"), std::string("Man ") + std::string(4, '\0'));
    // Two characters of a short group give one byte, completed as if by "uuu".
    EXPECT_EQ(decode("A85", "/c~>"), bytes({0x2E}));
    EXPECT_EQ(decodeBlocks("A85", "/c~>"), bytes({0x2E}));
    // Line ends are skipped inside a group, spaces are not.
    EXPECT_EQ(decode("A85", "9j\r\nqo^~>"), "Man ");
    EXPECT_EQ(decode("A85", "9j qo^~>").substr(0, 4), bytes({0x4D, 0x58, 0x80, 0xD2}));
    EXPECT_EQ(decode("A85", "9jqo^"), "Man ");
    EXPECT_EQ(decode("A85", "~>9jqo^"), "");
    Stream* s = makeDecoder("A85", "z~>");
    EXPECT_EQ(s->describeFilter(1)->view(), " /ASCII85Decode filter\n");
    s->decRef();
}

TEST(SimpleDecoders, RealStreamsMatchReferenceDecodes) {
    for (const char* name : {"lzw-image", "runlength-image", "ascii85-icc", "asciihex-mask"}) {
        SCOPED_TRACE(name);
        std::string raw = fixture(std::string(name) + ".raw");
        std::string ref = fixture(std::string(name) + ".ref");
        const char* filter = name[1] == 'z' ? "LZWDecode"
                             : name[1] == 'u' ? "RunLengthDecode"
                             : name[5] == '8' ? "ASCII85Decode"
                                              : "ASCIIHexDecode";
        EXPECT_EQ(decode(filter, raw), ref);
        EXPECT_EQ(decodeBlocks(filter, raw), ref);
    }
    // A content stream stored as ASCII85 over LZW, decoded through the filter chain.
    Stream* chain = makeFilter(makeFilter(memoryStream(fixture("a85-lzw-content.raw")), "A85",
                                          PdfObject::makeNull()),
                               "LZW", PdfObject::makeNull());
    EXPECT_EQ(readAll(chain), fixture("a85-lzw-content.ref"));
    EXPECT_EQ(chain->describeFilter(0)->view(), "/ASCII85Decode filter\n/LZWDecode filter\n");
    chain->decRef();
}

TEST(SimpleDecoders, DamagedInputEndsCleanly) {
    decodeDamaged("LZWDecode", fixture("lzw-image.raw"), "", 1 << 20);
    decodeDamaged("LZWDecode", fixture("lzw-image.raw"), "<< /Predictor 15 /Columns 16 >>", 1 << 20);
    decodeDamaged("RunLengthDecode", fixture("runlength-image.raw"), "", 1 << 20);
    decodeDamaged("ASCII85Decode", fixture("ascii85-icc.raw"), "", 1 << 20);
    decodeDamaged("ASCIIHexDecode", fixture("asciihex-mask.raw"), "", 1 << 20);
    // A hostile EarlyChange value behaves as 1.
    EXPECT_EQ(decode("LZWDecode", lzwCodes(literalCodes(600), 1), "<< /EarlyChange 2147483647 >>"),
              literals(600));
}

}  // namespace
}  // namespace qm::test
