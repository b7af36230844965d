#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "core/xref_table.h"
#include "streams/file_stream.h"
#include "support/pdf_builder.h"
#include "support/table_fixture.h"

namespace qm::test {
namespace {

const char* const kDamaged = "PDF file is damaged - attempting to reconstruct xref table...";

using Row = std::tuple<int, long, int>;  // type, field 2, field 3

// Rows of a cross-reference stream with W [1 4 2].
std::string rows(const std::vector<Row>& r) {
    std::string out;
    for (const auto& [type, f2, f3] : r) {
        out += static_cast<char>(type);
        for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((f2 >> shift) & 0xff);
        out += static_cast<char>((f3 >> 8) & 0xff);
        out += static_cast<char>(f3 & 0xff);
    }
    return out;
}

// An object stream holding `objects` (number, body) in order.
int objectStream(PdfBuilder& b, int num, const std::vector<std::pair<int, std::string>>& objects,
                 const std::string& extra = "") {
    std::string header, body;
    for (const auto& [n, text] : objects) {
        header += std::to_string(n) + " " + std::to_string(body.size()) + " ";
        body += text + "\n";
    }
    return b.stream("/Type /ObjStm /N " + std::to_string(objects.size()) + " /First " + std::to_string(header.size()) +
                        " " + extra,
                    header + body, num);
}

// Ends the file with a cross-reference stream (object `num`) and startxref pointing at it.
std::string finishWithStream(PdfBuilder& b, int num, const std::string& dict, std::vector<Row> r) {
    long at = static_cast<long>(b.bytes().size());
    for (auto& row : r)
        if (std::get<0>(row) == 1 && std::get<1>(row) == -1) std::get<1>(row) = at;  // the stream itself
    b.stream("/Type /XRef /W [1 4 2] " + dict, rows(r), num);
    b.raw("startxref\n" + std::to_string(at) + "\n%%EOF\n");
    return b.bytes();
}

std::string text(const PdfObject& o) {
    return o.isString() ? std::string(o.getString()->view()) : std::string("<") + o.kindName() + ">";
}

// Catalog 1 and string 2 inside object stream 4, string 3 on its own, xref stream 5.
std::string streamFile(PdfBuilder& b) {
    objectStream(b, 4, {{1, "<< /Type /Catalog >>"}, {2, "(two)"}});
    b.object("(three)", 3);
    return finishWithStream(b, 5, "/Size 6 /Root 1 0 R",
                            {{0, 0, 65535}, {2, 4, 0}, {2, 4, 1}, {1, b.offsetOf(3), 0}, {1, b.offsetOf(4), 0}, {1, -1, 0}});
}

TEST(XrefStream, PureStreamFilesReadObjectsInsideObjectStreams) {
    PdfBuilder b("1.5");
    std::string file = streamFile(b);
    ErrorCapture capture;
    Table t(file);
    ASSERT_TRUE(t->isOk());
    EXPECT_TRUE(t->usesStreams());
    EXPECT_FALSE(t->usesTables());
    EXPECT_FALSE(t->wasRebuilt());
    EXPECT_EQ(t->rootNumber(), 1);
    EXPECT_TRUE(t->fetch(1, 0).isDict("Catalog"));
    EXPECT_EQ(text(t->fetch(2, 0)), "two");
    EXPECT_EQ(text(t->fetch(3, 0)), "three");
    EXPECT_TRUE(t->fetch(2, 1).isNull());
    EXPECT_TRUE(t->fetch(5, 0).isStream("XRef"));
    EXPECT_TRUE(t->trailer().dictLookupRaw("W").isArray());
    EXPECT_TRUE(capture.messages().empty());
}

TEST(XrefStream, HybridAndIncrementalUpdatesMixBothKinds) {
    // A classic table that leaves object 2 to the stream named by XRefStm.
    PdfBuilder b("1.5");
    objectStream(b, 4, {{2, "(two from stream)"}, {3, "(three from stream)"}});
    b.object("<< /Type /Catalog >>", 1);
    b.object("(three classic)", 3);
    long xs = static_cast<long>(b.bytes().size());
    b.stream("/Type /XRef /W [1 4 2] /Size 6 /Index [2 2]", rows({{2, 4, 0}, {2, 4, 1}}), 5);
    std::string hybrid = b.finish("/Root 1 0 R /XRefStm " + std::to_string(xs));
    {
        ErrorCapture capture;
        Table t(hybrid);
        ASSERT_TRUE(t->isOk());
        EXPECT_TRUE(t->usesTables());
        EXPECT_TRUE(t->usesStreams());
        EXPECT_EQ(text(t->fetch(2, 0)), "two from stream");
        EXPECT_EQ(text(t->fetch(3, 0)), "three classic");  // the table's own entry wins
        EXPECT_TRUE(capture.messages().empty());
    }
    {
        // A newer classic section that deletes object 2 keeps it deleted: only the free
        // entries of the hybrid section's own table give way to its stream.
        long hybridXref = std::stol(hybrid.substr(hybrid.rfind("startxref") + 10));
        long xref = static_cast<long>(hybrid.size());
        std::string deleted = hybrid + "xref\n2 1\n0000000000 00001 f\r\ntrailer\n<< /Size 6 /Root 1 0 R /Prev " +
                              std::to_string(hybridXref) + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
        Table t(deleted);
        ASSERT_TRUE(t->isOk());
        EXPECT_FALSE(t->wasRebuilt());
        EXPECT_TRUE(t->fetch(2, 0).isNull());
        EXPECT_EQ(text(t->fetch(3, 0)), "three classic");
    }
    // An update written as a stream section after the classic one: newer entries win.
    size_t at = hybrid.rfind("startxref");
    long classicXref = std::stol(hybrid.substr(at + 10));
    objectStream(b, 7, {{3, "(three updated)"}});
    std::string file = finishWithStream(b, 8, "/Size 9 /Root 1 0 R /Index [3 1 7 2] /Prev " + std::to_string(classicXref),
                                        {{2, 7, 0}, {1, b.offsetOf(7), 0}, {1, -1, 0}});
    ErrorCapture capture;
    Table t(file);
    ASSERT_TRUE(t->isOk());
    EXPECT_EQ(text(t->fetch(3, 0)), "three updated");
    EXPECT_EQ(text(t->fetch(2, 0)), "two from stream");
    EXPECT_TRUE(t->fetch(1, 0).isDict("Catalog"));
    EXPECT_TRUE(capture.messages().empty()) << capture.messages()[0];
}

TEST(XrefStream, RebuiltStreamFilesFindObjectStreamsAndTheirRoot) {
    PdfBuilder b("1.5");
    std::string good = streamFile(b);
    size_t at = good.rfind("startxref");
    std::string broken = good.substr(0, at) + "startxref\n999999\n%%EOF\n";
    {
        ErrorCapture capture;
        Table t(broken);
        ASSERT_TRUE(t->isOk());
        EXPECT_TRUE(t->wasRebuilt());
        EXPECT_EQ(t->rootNumber(), 1);  // from the cross-reference stream's dictionary
        EXPECT_EQ(text(t->fetch(2, 0)), "two");
        EXPECT_TRUE(t->fetch(1, 0).isDict("Catalog"));
        EXPECT_EQ(capture.messages(), std::vector<std::string>{kDamaged});
    }
    {
        // Without the cross-reference stream the catalog is found by its Type.
        size_t xs = broken.find("5 0 obj");
        std::string noStream = broken.substr(0, xs) + "startxref\n999999\n%%EOF\n";
        ErrorCapture capture;
        Table t(noStream);
        ASSERT_TRUE(t->isOk());
        EXPECT_EQ(t->rootNumber(), 1);
        EXPECT_EQ(text(t->fetch(2, 0)), "two");
        EXPECT_TRUE(t->trailer().dictLookupRaw("Root").isRef());
    }
}

TEST(XrefStream, HostileSectionsAreRejected) {
    struct Case {
        std::string dict;
        std::string data;
        const char* message;
    } cases[] = {
        {"/W [1 9 2] /Size 2", std::string(24, '\0'), "Bad field widths in cross-reference stream"},
        {"/W [0 0 0] /Size 2", "", "Bad field widths in cross-reference stream"},
        {"/W [1 4 2] /Size 2 /Index [0 8388609]", "", "Bad index in cross-reference stream"},
        {"/W [1 4 2] /Size 2 /Index [0]", "", "Bad index in cross-reference stream"},
        // A range far beyond the data claims no memory for the missing entries.
        {"/W [1 4 2] /Size 2 /Index [0 8000000]", rows({{1, 9, 0}}), "Cross-reference stream data ends early"},
    };
    for (const auto& c : cases) {
        PdfBuilder b("1.5");
        b.object("<< /Type /Catalog >>", 1);
        long at = static_cast<long>(b.bytes().size());
        b.stream("/Type /XRef /Root 1 0 R " + c.dict, c.data, 2);
        b.raw("startxref\n" + std::to_string(at) + "\n%%EOF\n");
        ErrorCapture capture;
        Table t(b.bytes());
        ASSERT_TRUE(t->isOk()) << c.message;  // rebuilt from the xref stream's own dictionary
        EXPECT_TRUE(t->wasRebuilt());
        EXPECT_LT(t->size(), 1000);
        EXPECT_EQ(capture.messages(), (std::vector<std::string>{c.message, kDamaged})) << c.message;
    }
}

TEST(XrefStream, HostileObjectStreamsGiveNull) {
    PdfBuilder b("1.5");
    b.object("<< /Type /Catalog >>", 1);
    // 4 claims to hold itself; 6 is its own Extends; 7 points past its data.
    objectStream(b, 6, {{2, "(two)"}}, "/Extends 6 0 R");
    b.stream("/Type /ObjStm /N 1 /First 6", "3 900 (x)", 7);
    std::string file = finishWithStream(b, 8, "/Size 9 /Root 1 0 R",
                                        {{0, 0, 65535}, {1, b.offsetOf(1), 0}, {2, 6, 0}, {2, 7, 0}, {2, 4, 0},
                                         {2, 6, 5}, {1, b.offsetOf(6), 0}, {1, b.offsetOf(7), 0}, {1, -1, 0}});
    ErrorCapture capture;
    Table t(file);
    ASSERT_TRUE(t->isOk());
    EXPECT_TRUE(t->fetch(4, 0).isNull());
    EXPECT_TRUE(t->fetch(4, 0).isNull());
    EXPECT_EQ(text(t->fetch(2, 0)), "two");
    EXPECT_EQ(text(t->fetch(5, 0)), "<null>");  // index 5 in a stream of 1: not there
    EXPECT_TRUE(t->fetch(3, 0).isNull());
    EXPECT_EQ(capture.messages(), (std::vector<std::string>{"Object stream 4 is missing or inside an object stream",
                                                            "Object 3 lies outside object stream 7"}));
}

}  // namespace
}  // namespace qm::test
