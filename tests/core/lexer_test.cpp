#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/pdf_array.h"
#include "core/pdf_lexer.h"
#include "core/report_error.h"
#include "support/pdf_builder.h"

using namespace qm;
using test::memoryStream;

namespace {

std::vector<PdfObject> tokens(const std::string& text) {
    PdfLexer lexer(nullptr, memoryStream(text));
    std::vector<PdfObject> out;
    for (int guard = 0; guard < 10000; ++guard) {
        PdfObject t = lexer.nextToken();
        if (t.isEof()) break;
        out.push_back(std::move(t));
    }
    return out;
}

std::string str(const PdfObject& o) { return o.isString() ? std::string(o.getString()->view()) : "<not a string>"; }

}  // namespace

TEST(LexerStrings, LiteralEscapesAndNesting) {
    ErrorCapture errors;
    auto t = tokens("(a(b)c) (x\\\ny) (\\0533) (\\n\\r\\t\\b\\f\\\\\\)\\q) (a\\\r\nb) (\\777) (line\r\nend)");
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(str(t[0]), "a(b)c");
    EXPECT_EQ(str(t[1]), "xy");
    EXPECT_EQ(str(t[2]), "\x2b\x33");
    EXPECT_EQ(str(t[3]), "\n\r\t\b\f\\)q");
    EXPECT_EQ(str(t[4]), "ab");
    EXPECT_EQ(str(t[5]), "\xff");
    EXPECT_EQ(str(t[6]), "line\r\nend");
    EXPECT_TRUE(errors.messages().empty());
}

TEST(LexerStrings, LongAndUnterminated) {
    std::string body(1000, 'z');
    auto t = tokens("(" + body + ")");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(str(t[0]), body);

    ErrorCapture errors;
    t = tokens("(abc(d)");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(str(t[0]), "abc(d)");
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Unterminated string"});
    errors.clear();
    t = tokens("(abc\\");
    EXPECT_EQ(str(t[0]), "abc");
    EXPECT_EQ(errors.count("Unterminated string"), 1);
}

TEST(LexerStrings, HexStrings) {
    ErrorCapture errors;
    auto t = tokens("<414> <4 1\n42> <4G> <");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(str(t[0]), "\x41\x40");
    EXPECT_EQ(str(t[1]), "AB");
    EXPECT_EQ(str(t[2]), "\x40");
    EXPECT_EQ(str(t[3]), "");
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"Illegal character <47> in hex string", "Unterminated hex string"}));
}

TEST(LexerNames, EscapesAndLimits) {
    ErrorCapture errors;
    auto t = tokens("/A#20B /A#GB /#4x / /Ab#");
    ASSERT_EQ(t.size(), 5u);
    EXPECT_TRUE(t[0].isName("A B"));
    EXPECT_TRUE(t[1].isName("A#GB"));
    EXPECT_TRUE(t[2].isName("@"));
    EXPECT_TRUE(t[3].isName(""));
    EXPECT_TRUE(t[4].isName("Ab#"));
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Illegal digit in hex char in name"});

    errors.clear();
    t = tokens("/" + std::string(200, 'n'));
    ASSERT_EQ(t.size(), 2u);
    EXPECT_TRUE(t[0].isName(std::string(127, 'n').c_str()));
    EXPECT_TRUE(t[1].isCmd(std::string(72, 'n').c_str()));
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Name token too long"});

    errors.clear();
    t = tokens(std::string(130, 'c'));
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(std::string(t[0].getCmd()).size(), 127u);
    EXPECT_TRUE(t[1].isCmd("cc"));
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Command token too long"});
}

TEST(LexerNumbers, IntegersRealsAndSigns) {
    auto t = tokens("-.5 5. --5 0 -0 12 .25 - . 3.14159 +5 4294967297 1.5.5");
    ASSERT_EQ(t.size(), 15u);
    EXPECT_TRUE(t[0].isReal());
    EXPECT_DOUBLE_EQ(t[0].getReal(), -0.5);
    EXPECT_TRUE(t[1].isReal());
    EXPECT_DOUBLE_EQ(t[1].getReal(), 5.0);
    EXPECT_TRUE(t[2].isInt());
    EXPECT_EQ(t[2].getInt(), 0);
    EXPECT_EQ(t[3].getInt(), -5);
    EXPECT_EQ(t[4].getInt(), 0);
    EXPECT_EQ(t[5].getInt(), 0);
    EXPECT_EQ(t[6].getInt(), 12);
    EXPECT_DOUBLE_EQ(t[7].getReal(), 0.25);
    EXPECT_TRUE(t[8].isInt());
    EXPECT_TRUE(t[9].isReal());
    EXPECT_NEAR(t[10].getReal(), 3.14159, 1e-12);
    EXPECT_TRUE(t[11].isCmd("+5"));
    EXPECT_EQ(t[12].getInt(), 1);  // 32-bit wrap, no overflow check
    EXPECT_DOUBLE_EQ(t[13].getReal(), 1.5);
    EXPECT_DOUBLE_EQ(t[14].getReal(), 0.5);
}

TEST(LexerTokens, DelimitersCommandsCommentsAndIllegalBytes) {
    ErrorCapture errors;
    auto t = tokens("<< >> [ ] true false null BT % comment here\nET{ } ) > \x80\xff");
    ASSERT_EQ(t.size(), 14u);
    EXPECT_TRUE(t[0].isCmd("<<"));
    EXPECT_TRUE(t[1].isCmd(">>"));
    EXPECT_TRUE(t[2].isCmd("["));
    EXPECT_TRUE(t[3].isCmd("]"));
    EXPECT_TRUE(t[4].isBool() && t[4].getBool());
    EXPECT_TRUE(t[5].isBool() && !t[5].getBool());
    EXPECT_TRUE(t[6].isNull());
    EXPECT_TRUE(t[7].isCmd("BT"));
    EXPECT_TRUE(t[8].isCmd("ET"));
    EXPECT_TRUE(t[9].isError());
    EXPECT_TRUE(t[10].isError());
    EXPECT_TRUE(t[11].isError());
    EXPECT_TRUE(t[12].isError());
    EXPECT_TRUE(t[13].isCmd("\x80\xff"));
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"Illegal character '{'", "Illegal character '}'", "Illegal character ')'",
                                        "Illegal character '>'"}));
}

TEST(LexerStreams, ContentArrayReadsAcrossTheSeam) {
    PdfObject contents = PdfObject::makeArray(nullptr);
    contents.getArray()->append(PdfObject::makeStream(memoryStream("1 0 0 1 10 2")));
    contents.getArray()->append(PdfObject::makeInt(5));  // not a stream: skipped
    contents.getArray()->append(PdfObject::makeStream(memoryStream("0 cm /Na")));
    contents.getArray()->append(PdfObject::makeStream(memoryStream("me Do")));
    PdfLexer lexer(nullptr, contents);
    std::vector<PdfObject> t;
    for (PdfObject o = lexer.nextToken(); !o.isEof(); o = lexer.nextToken()) t.push_back(o);
    ASSERT_EQ(t.size(), 9u);
    EXPECT_EQ(t[5].getInt(), 20);
    EXPECT_TRUE(t[6].isCmd("cm"));
    EXPECT_TRUE(t[7].isName("Name"));
    EXPECT_TRUE(t[8].isCmd("Do"));
    EXPECT_EQ(lexer.position(), -1);
}

TEST(LexerStreams, SkipToNextLineHandlesEveryLineEnd) {
    PdfLexer lexer(nullptr, memoryStream("a\r\nb\rc\nd"));
    lexer.skipToNextLine();
    EXPECT_EQ(lexer.readByte(), 'b');
    lexer.skipToNextLine();
    EXPECT_EQ(lexer.readByte(), 'c');
    lexer.skipToNextLine();
    EXPECT_EQ(lexer.readByte(), 'd');
    lexer.skipToNextLine();
    EXPECT_EQ(lexer.readByte(), -1);
}
