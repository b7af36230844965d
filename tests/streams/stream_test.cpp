#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/pdf_dict.h"
#include "core/pdf_lexer.h"
#include "core/pdf_parser.h"
#include "core/report_error.h"
#include "streams/embed_stream.h"
#include "streams/file_stream.h"
#include "streams/filter_chain.h"
#include "streams/filter_stream.h"
#include "support/pdf_builder.h"

using namespace qm;
using test::memoryStream;
using test::readAll;

namespace {

std::string bytesOf(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
    return s;
}

PdfObject parse(const std::string& text) {
    PdfParser p(nullptr, std::make_unique<PdfLexer>(nullptr, memoryStream(text)));
    return p.readObject();
}

}  // namespace

TEST(FileStreamReading, BufferedRangesAndPositions) {
    std::string data = bytesOf(1000);
    auto file = test::sharedMemoryFile(data);
    FileStream whole(file, 0, -1, PdfObject::makeNull());
    EXPECT_EQ(readAll(&whole), data);

    FileStream part(file, 250, 300, PdfObject::makeNull());
    part.reset();
    EXPECT_EQ(part.position(), 250);
    EXPECT_EQ(part.readByte(), data[250]);
    EXPECT_EQ(part.peekByte(), data[251]);
    unsigned char block[400];
    EXPECT_EQ(part.readBlock(block, 400), 299);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 299), data.substr(251, 299));
    EXPECT_EQ(part.readByte(), -1);
    EXPECT_EQ(part.position(), 550);
    part.close();

    FileStream tail(file, 990, 100, PdfObject::makeNull());
    EXPECT_EQ(readAll(&tail), data.substr(990));
}

TEST(FileStreamReading, NegativeSetPosCountsFromTheEndButNotBeforeTheStart) {
    auto file = test::sharedMemoryFile(bytesOf(600));
    FileStream s(file, 0, -1, PdfObject::makeNull());
    s.reset();
    s.setPos(-1024);
    EXPECT_EQ(s.position(), 0);
    EXPECT_EQ(s.readByte(), 'a');
    s.setPos(-10);
    EXPECT_EQ(s.position(), 590);
    EXPECT_EQ(s.readByte(), 'a' + 590 % 26);
    s.setPos(5000);
    EXPECT_EQ(s.readByte(), -1);
}

TEST(FileStreamReading, InterleavedSubStreamsKeepTheirPositions) {
    std::string data = bytesOf(2000);
    auto* base = new FileStream(test::sharedMemoryFile(data), 0, -1, PdfObject::makeNull());
    PdfObject outer = PdfObject::makeStream(base->makeSubStream(100, 900, PdfObject::makeNull()));
    PdfObject inner = PdfObject::makeStream(base->makeSubStream(1500, 300, PdfObject::makeNull()));
    Stream* o = outer.getStream();
    o->reset();
    std::string got;
    for (int i = 0; i < 300; ++i) got += static_cast<char>(o->readByte());
    EXPECT_EQ(readAll(inner.getStream()), data.substr(1500, 300));
    for (int c; (c = o->readByte()) >= 0;) got += static_cast<char>(c);
    o->close();
    EXPECT_EQ(got, data.substr(100, 900));
    base->decRef();
}

TEST(FileStreamReading, ReadLineAndMoveStart) {
    auto file = test::sharedMemoryFile("one\r\ntwo\rthree\nfour");
    FileStream s(file, 0, -1, PdfObject::makeNull());
    s.reset();
    char line[8];
    EXPECT_STREQ(s.readLine(line, sizeof line), "one");
    EXPECT_STREQ(s.readLine(line, sizeof line), "two");
    EXPECT_STREQ(s.readLine(line, 4), "thr");
    EXPECT_STREQ(s.readLine(line, sizeof line), "ee");
    EXPECT_STREQ(s.readLine(line, sizeof line), "four");
    EXPECT_EQ(s.readLine(line, sizeof line), nullptr);
    s.moveStart(5);
    EXPECT_EQ(s.getStart(), 5);
    EXPECT_EQ(s.readByte(), 't');
}

TEST(FilterChain, UnknownBadAndTooManyFilters) {
    ErrorCapture errors;
    PdfObject dict = parse("<< /Filter /Foo >>");
    Stream* s = addFilters(memoryStream("data"), dict.getDict());
    EXPECT_EQ(s->kind(), StreamKind::EndOfData);
    EXPECT_EQ(readAll(s), "");
    EXPECT_EQ(s->describeFilter(0), nullptr);
    s->decRef();
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Unknown filter 'Foo'"});

    errors.clear();
    dict = parse("<< /F [5 /Bar] >>");
    s = addFilters(memoryStream("data"), dict.getDict());
    EXPECT_EQ(readAll(s), "");
    s->decRef();
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{"Bad filter name", "Unknown filter 'Bar'"}));

    errors.clear();
    dict = parse("<< /Filter 12 >>");
    s = addFilters(memoryStream("data"), dict.getDict());
    EXPECT_EQ(readAll(s), "data");
    EXPECT_EQ(s->describeFilter(2)->length(), 0);
    s->decRef();
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Bad 'Filter' attribute in stream"});

    errors.clear();
    std::string many = "<< /Filter [";
    for (int i = 0; i < 5000; ++i) many += "/Nope ";
    dict = parse(many + "] >>");
    s = addFilters(memoryStream("data"), dict.getDict());
    EXPECT_EQ(readAll(s), "");
    s->decRef();
    EXPECT_TRUE(errors.contains("Too many filters"));
    EXPECT_LE(errors.messages().size(), 20u);
}

TEST(FilterChain, ParameterDefaultsAndWrongKinds) {
    PdfObject p = parse("<< /Predictor 12 /Columns (x) /Colors 3 /EarlyChange 0 >>");
    LzwParams lzw = readLzwParams(p.getDict());
    EXPECT_EQ(lzw.predictor.predictor, 12);
    EXPECT_EQ(lzw.predictor.columns, 1);
    EXPECT_EQ(lzw.predictor.colors, 3);
    EXPECT_EQ(lzw.predictor.bitsPerComponent, 8);
    EXPECT_EQ(lzw.earlyChange, 0);
    CcittParams c = readCcittParams(parse("<< /K -1 /BlackIs1 1 /EndOfBlock false /Rows 7 >>").getDict());
    EXPECT_EQ(c.k, -1);
    EXPECT_FALSE(c.blackIs1);  // not a boolean: keeps its default
    EXPECT_FALSE(c.endOfBlock);
    EXPECT_EQ(c.rows, 7);
    EXPECT_EQ(c.columns, 1728);
    CcittParams d = readCcittParams(nullptr);
    EXPECT_TRUE(d.endOfBlock);
}

TEST(EmbeddedStreams, PassThroughAndRefuseRepositioning) {
    auto* outer = memoryStream("xyz");
    outer->reset();
    EmbedStream e(outer, PdfObject::makeNull());
    ErrorCapture errors;
    e.reset();
    EXPECT_EQ(e.readByte(), 'x');
    EXPECT_EQ(e.peekByte(), 'y');
    EXPECT_EQ(e.kind(), StreamKind::File);
    e.setPos(0);
    EXPECT_EQ(e.makeSubStream(0, 1, PdfObject::makeNull()), nullptr);
    EXPECT_EQ(e.getStart(), 0);
    e.moveStart(1);
    EXPECT_EQ(e.readByte(), 'y');
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{
                                     "Internal: called setPos() on EmbedStream",
                                     "Internal: called makeSubStream() on EmbedStream",
                                     "Internal: called getStart() on EmbedStream",
                                     "Internal: called moveStart() on EmbedStream"}));
    errors.clear();
    EndOfDataStream end(memoryStream("q"));
    end.setPos(3);
    EXPECT_EQ(end.getRawChar(), -1);
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{"Internal: called setPos() on FilterStream",
                                                           "Internal: called getRawChar() on non-predictor stream"}));
    outer->decRef();
}
