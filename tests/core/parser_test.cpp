#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/object_cipher.h"
#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/pdf_parser.h"
#include "core/report_error.h"
#include "streams/stream.h"
#include "support/pdf_builder.h"

using namespace qm;
using test::memoryStream;

namespace {

std::unique_ptr<PdfParser> parserFor(const std::string& text, ObjectResolver* xref = nullptr) {
    return std::make_unique<PdfParser>(xref, std::make_unique<PdfLexer>(xref, memoryStream(text)));
}

// XOR with (number + generation): enough to see which key each object got.
class XorDecryptor : public StreamDecryptor {
public:
    explicit XorDecryptor(unsigned char key) : key_(key) {}
    void reset() override { resets++; }
    int decrypt(const unsigned char* in, int length, unsigned char* out, bool) override {
        for (int i = 0; i < length; ++i) out[i] = in[i] ^ key_;
        return length;
    }
    int resets = 0;

private:
    unsigned char key_;
};

class XorCipher : public ObjectCipher {
public:
    std::unique_ptr<StreamDecryptor> forObject(int number, int generation) const override {
        return std::make_unique<XorDecryptor>(static_cast<unsigned char>(number + generation));
    }
};

}  // namespace

TEST(ParserObjects, ArraysDictionariesAndReferences) {
    auto p = parserFor("[1 0 R 2 [3] << /A 4 0 R /B (s) >> 5 6] 1 0 obj 7");
    PdfObject a = p->readObject();
    ASSERT_TRUE(a.isArray());
    ASSERT_EQ(a.arrayLength(), 6);
    EXPECT_TRUE(a.arrayGetRaw(0).isRef());
    EXPECT_EQ(a.arrayGetRaw(0).getRefNum(), 1);
    EXPECT_EQ(a.arrayGet(1).getInt(), 2);
    EXPECT_EQ(a.arrayGet(2).arrayGet(0).getInt(), 3);
    PdfObject d = a.arrayGet(3);
    EXPECT_EQ(d.dictLookupRaw("A").getRefNum(), 4);
    EXPECT_EQ(d.arrayLength(), 0);
    EXPECT_EQ(a.arrayGet(4).getInt(), 5);
    // "1 0 obj" is not a reference: the integer comes alone and 0 stays in look-ahead.
    PdfObject one = p->readObject();
    EXPECT_TRUE(one.isInt());
    EXPECT_EQ(p->readObject().getInt(), 0);
    EXPECT_TRUE(p->readObject().isCmd("obj"));
    EXPECT_EQ(p->readObject().getInt(), 7);
    EXPECT_TRUE(p->readObject().isEof());
    EXPECT_TRUE(p->readObject().isEof());
}

TEST(ParserObjects, BadKeysAndEndOfFile) {
    ErrorCapture errors;
    auto p = parserFor("<< 12 /Key /Value (str) /K2 5 >>");
    PdfObject d = p->readObject();
    ASSERT_TRUE(d.isDict());
    EXPECT_EQ(d.getDict()->length(), 2);
    EXPECT_TRUE(d.dictLookup("Key").isName("Value"));
    EXPECT_EQ(d.dictLookup("K2").getInt(), 5);
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{"Dictionary key must be a name object",
                                                           "Dictionary key must be a name object"}));
    errors.clear();
    EXPECT_EQ(parserFor("[1 2")->readObject().arrayLength(), 2);
    EXPECT_EQ(parserFor("<< /A 1 /B")->readObject().getDict()->length(), 1);
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"End of file inside array", "End of file inside dictionary"}));
}

TEST(ParserObjects, HostileNestingStaysBounded) {
    std::string deep(100000, '[');
    auto p = parserFor(deep);
    int n = 0;
    for (PdfObject o = p->readObject(); !o.isEof() && n < 200000; o = p->readObject()) ++n;
    EXPECT_GT(n, 0);
    std::string dicts;
    for (int i = 0; i < 50000; ++i) dicts += "<</A ";
    auto q = parserFor(dicts);
    for (PdfObject o = q->readObject(); !o.isEof(); o = q->readObject()) {
    }
}

TEST(ParserStreams, LengthDirectIndirectWrongAndMissing) {
    test::PdfBuilder b;
    b.stream("", "hello");                                   // 1: right Length
    b.object("5");                                           // 2: the length of 3
    b.stream("/Length 2 0 R", "world");                      // 3: indirect Length
    b.object("<< /Length 99 >>\nstream\nshort\nendstream");  // 4: Length too long
    b.object("<< /Length /Five >>\nstream\nxx\nendstream");  // 5: bad Length
    b.object("<< /Length 3 >>\nstream\nabcdef\nendobj");     // 6: no endstream
    test::TestResolver xref(b.bytes());
    xref.addAll(b, 7);

    ErrorCapture errors;
    EXPECT_EQ(test::readAll(xref.fetch(1, 0)), "hello");
    EXPECT_EQ(test::readAll(xref.fetch(3, 0)), "world");
    EXPECT_TRUE(errors.messages().empty());
    std::string longRead = test::readAll(xref.fetch(4, 0));
    EXPECT_EQ(longRead.substr(0, 6), "short\n");
    EXPECT_EQ(longRead.size(), 99u);
    EXPECT_TRUE(errors.contains("Missing 'endstream'"));
    errors.clear();
    EXPECT_TRUE(xref.fetch(5, 0).isNull());  // the error object does not make an object
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad 'Length' attribute in stream"});
    errors.clear();
    EXPECT_EQ(test::readAll(xref.fetch(6, 0)), "abc");
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Missing 'endstream'"});
}

TEST(ParserStreams, RecordedStreamEndOverridesLength) {
    test::PdfBuilder b;
    b.object("<< /Length 2 >>\nstream\n0123456789\nendstream");
    test::TestResolver xref(b.bytes());
    xref.add(1, b.offsetOf(1));
    size_t endLine = b.bytes().find("endstream");
    xref.recordStreamEnd(static_cast<long>(endLine));
    ErrorCapture errors;
    PdfObject s = xref.fetch(1, 0);
    EXPECT_EQ(test::readAll(s), "0123456789\n");
    EXPECT_TRUE(errors.messages().empty());
}

TEST(ParserStreams, SelfReferencingLengthDoesNotRecurseForever) {
    test::PdfBuilder b;
    b.object("<< /Length 1 0 R >>\nstream\nabc\nendstream");
    test::TestResolver xref(b.bytes());
    xref.add(1, b.offsetOf(1));
    EXPECT_TRUE(xref.fetch(1, 0).isNull());
}

TEST(ParserDecryption, StringsAndStreamsGetTheirObjectsKey) {
    std::string secret = "AB";
    std::string enc7, enc8;
    for (char c : secret) enc7 += static_cast<char>(c ^ 7), enc8 += static_cast<char>(c ^ 8);
    test::PdfBuilder b;
    b.object("[(" + enc7 + ") << /S (" + enc7 + ") >>]", 7);
    b.stream("", enc8, 8);
    test::TestResolver xref(b.bytes());
    XorCipher cipher;
    auto p1 = std::make_unique<PdfParser>(&xref, std::make_unique<PdfLexer>(&xref, memoryStream(b.bytes().substr(b.offsetOf(7)))));
    for (int i = 0; i < 3; ++i) p1->readObject();
    PdfObject a = p1->readObject(&cipher, 7, 0);
    EXPECT_EQ(a.arrayGet(0).getString()->view(), "AB");
    EXPECT_EQ(a.arrayGet(1).dictLookup("S").getString()->view(), "AB");

    auto p2 = std::make_unique<PdfParser>(&xref, std::make_unique<PdfLexer>(&xref, memoryStream(b.bytes())));
    PdfObject s;
    for (PdfObject o = p2->readObject(); !o.isEof(); o = p2->readObject()) {
        if (o.isInt() && o.getInt() == 8) {
            p2->readObject();
            p2->readObject();
            s = p2->readObject(&cipher, 8, 0);
            break;
        }
    }
    ASSERT_TRUE(s.isStream());
    EXPECT_EQ(test::readAll(s), "AB");
    EXPECT_EQ(test::readAll(s), "AB");  // reset re-keys
}

TEST(ParserInlineImages, ResynchronisesAfterRawData) {
    auto p = parserFor("BI /W 2 ID \x01\x02 EI Q");
    EXPECT_TRUE(p->readObject().isCmd("BI"));
    EXPECT_TRUE(p->readObject().isName("W"));
    EXPECT_EQ(p->readObject().getInt(), 2);
    EXPECT_TRUE(p->readObject().isCmd("ID"));
    // The caller reads the image data straight from the lexer.
    EXPECT_EQ(p->lexer()->readByte(), 1);
    EXPECT_EQ(p->lexer()->readByte(), 2);
    EXPECT_TRUE(p->readObject().isCmd("EI"));
    EXPECT_TRUE(p->readObject().isCmd("Q"));
}

TEST(ParserInlineImages, StrayIdInsideADictionaryDoesNotHang) {
    ErrorCapture errors;
    auto p = parserFor("<< /A ID 5 >> Q");
    PdfObject d = p->readObject();
    int n = 0;
    for (PdfObject o = p->readObject(); !o.isEof() && n < 100; o = p->readObject()) ++n;
    EXPECT_LT(n, 100);
}
