#include "core/xref_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "streams/file_stream.h"
#include "support/pdf_builder.h"
#include "support/table_fixture.h"

namespace qm::test {
namespace {

const char* const kDamaged = "PDF file is damaged - attempting to reconstruct xref table...";

std::string entryLine(long offset, int gen, char type) {
    char line[32];
    std::snprintf(line, sizeof line, "%010ld %05d %c\r\n", offset, gen, type);
    return line;
}

long lastStartxref(const std::string& bytes) {
    size_t at = bytes.rfind("startxref");
    return std::stol(bytes.substr(at + 10));
}

std::string text(const PdfObject& o) {
    return o.isString() ? std::string(o.getString()->view()) : std::string("<") + o.kindName() + ">";
}

TEST(XrefTable, ReadsTheTableAndFetchesObjects) {
    PdfBuilder b;
    b.object("<< /Type /Catalog >>");
    b.object("(two)");
    b.stream("", "stream data");
    std::string file = b.finish("/Root 1 0 R");
    ErrorCapture capture;
    Table t(file);
    ASSERT_TRUE(t->isOk());
    EXPECT_FALSE(t->wasRebuilt());
    EXPECT_EQ(t->rootNumber(), 1);
    EXPECT_EQ(t->rootGeneration(), 0);
    EXPECT_EQ(text(t->fetch(2, 0)), "two");
    EXPECT_TRUE(t->fetch(1, 0).isDict("Catalog"));
    EXPECT_EQ(readAll(t->fetch(3, 0)), "stream data");
    EXPECT_TRUE(t->fetch(2, 1).isNull());     // wrong generation
    EXPECT_TRUE(t->fetch(99, 0).isNull());    // beyond the table
    EXPECT_TRUE(t->fetch(-1, 0).isNull());
    EXPECT_TRUE(t->fetch(0, 65535).isNull());  // the free head entry points at no object
    long end = 0;
    EXPECT_FALSE(t->streamEnd(0, &end));
    EXPECT_TRUE(capture.messages().empty());
}

TEST(XrefTable, NewerSectionsWinAndPrevLoopsEnd) {
    PdfBuilder b;
    b.object("<< /Type /Catalog >>");
    b.object("(old five)", 5);
    std::string file = b.finish("/Root 1 0 R");
    long firstXref = lastStartxref(file);
    long newFive = static_cast<long>(file.size());
    file += "5 0 obj\n(new five)\nendobj\n";
    long secondXref = static_cast<long>(file.size());
    file += "xref\n5 1\n" + entryLine(newFive, 0, 'n') + "trailer\n<< /Size 6 /Root 1 0 R /Prev " +
            std::to_string(firstXref) + " >>\nstartxref\n" + std::to_string(secondXref) + "\n%%EOF\n";
    {
        Table t(file);
        ASSERT_TRUE(t->isOk());
        EXPECT_EQ(text(t->fetch(5, 0)), "new five");
        EXPECT_TRUE(t->fetch(1, 0).isDict());  // only in the older section
    }
    // A Prev that points back at the section itself ends the chain.
    std::string looped = file;
    long thirdXref = static_cast<long>(looped.size());
    looped += "xref\n0 0\ntrailer\n<< /Size 6 /Root 1 0 R /Prev " + std::to_string(thirdXref) +
              " >>\nstartxref\n" + std::to_string(thirdXref) + "\n%%EOF\n";
    ErrorCapture capture;
    Table t(looped);
    ASSERT_TRUE(t->isOk());
    EXPECT_FALSE(t->wasRebuilt());
    EXPECT_TRUE(t->fetch(1, 0).isNull());  // never reached: the loop ends the walk first
}

TEST(XrefTable, FreeHeadNumberedOneIsMovedToZero) {
    std::string file = "%PDF-1.4\n";
    long one = static_cast<long>(file.size());
    file += "1 0 obj\n<< /Type /Catalog >>\nendobj\n";
    long two = static_cast<long>(file.size());
    file += "2 0 obj\n(two)\nendobj\n";
    long xref = static_cast<long>(file.size());
    file += "xref\n1 4\n" + entryLine(0, 65535, 'f') + entryLine(one, 0, 'n') + entryLine(two, 0, 'n') +
            entryLine(0, 0, 'f') + "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) +
            "\n%%EOF\n";
    Table t(file);
    ASSERT_TRUE(t->isOk());
    EXPECT_FALSE(t->wasRebuilt());
    EXPECT_EQ(t->entry(0)->generation, 65535);
    EXPECT_TRUE(t->fetch(1, 0).isDict("Catalog"));
    EXPECT_EQ(text(t->fetch(2, 0)), "two");
}

TEST(XrefTable, ReconstructionFindsObjectsTrailersAndStreamEnds) {
    // No usable table at all: startxref points at nothing.
    std::string file = "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n";
    file += "7 1 obj\n(seven one)\nendobj\n";
    file += "7 0 obj\n(seven zero)\nendobj\n";
    long streamObj = static_cast<long>(file.size());
    file += "8 0 obj\n<< /Length 5000 >>\nstream\nshort data\nendstream\nendobj\n";
    file += "9 0 obj\n<< /Length 10 0 R >>\nstream\nabc\nendstream\nendobj\n";
    file += "10 0 obj\n999\nendobj\n";
    file += "trailer\n<< /Size 3 /Root 1 0 R >>\nstartxref\n123456\n%%EOF\n";
    ErrorCapture capture;
    Table t(file);
    ASSERT_TRUE(t->isOk());
    EXPECT_TRUE(t->wasRebuilt());
    EXPECT_EQ(capture.messages(), std::vector<std::string>{kDamaged});
    EXPECT_EQ(t->rootNumber(), 1);
    EXPECT_EQ(text(t->fetch(7, 1)), "seven one");  // the higher generation stays
    EXPECT_TRUE(t->fetch(7, 0).isNull());
    // Lengths are taken from the next endstream line, whatever the dictionary says.
    EXPECT_EQ(readAll(t->fetch(8, 0)), "short data\n");
    EXPECT_EQ(readAll(t->fetch(9, 0)), "abc\n");
    long end = 0;
    ASSERT_TRUE(t->streamEnd(streamObj, &end));
    EXPECT_EQ(file.compare(static_cast<size_t>(end), 9, "endstream"), 0);
    EXPECT_EQ(capture.count(kDamaged), 1);
    EXPECT_EQ(capture.messages().size(), 1u);
}

TEST(XrefTable, TrailerFarFromTheEndIsRebuilt) {
    PdfBuilder b;
    b.object("<< /Type /Catalog >>");
    b.object("(two)");
    std::string file = b.finish("/Root 1 0 R") + "%" + std::string(1100, 'x') + "\n";
    ErrorCapture capture;
    Table t(file);
    ASSERT_TRUE(t->isOk());
    EXPECT_TRUE(t->wasRebuilt());
    EXPECT_EQ(text(t->fetch(2, 0)), "two");
    EXPECT_EQ(capture.messages(), std::vector<std::string>{kDamaged});
}

TEST(XrefTable, BrokenSectionsAreRebuilt) {
    PdfBuilder b;
    b.object("<< /Type /Catalog >>");
    b.object("(two)");
    std::string good = b.finish("/Root 1 0 R");
    long xref = lastStartxref(good);
    struct Case {
        const char* what;
        std::string file;
    } cases[] = {
        // Off by some bytes: the offset points into the previous object.
        {"offset", std::string(good).replace(good.rfind("startxref\n") + 10, std::to_string(xref).size(),
                                             std::to_string(xref - 3))},
        // An entry whose type is neither n nor f.
        {"type", std::string(good).replace(static_cast<size_t>(xref) + 9 + 20 + 17, 1, "x")},
        // A subsection far beyond any sane object number.
        {"number", std::string(good).replace(static_cast<size_t>(xref) + 5, 3, "4000000000 1")},
        // A Prev that leads nowhere.
        {"prev", std::string(good).replace(good.find("/Size"), 5, "/Prev 3 /Size")},
    };
    for (const auto& c : cases) {
        ErrorCapture capture;
        Table t(c.file);
        ASSERT_TRUE(t->isOk()) << c.what;
        EXPECT_TRUE(t->wasRebuilt()) << c.what;
        EXPECT_EQ(text(t->fetch(2, 0)), "two") << c.what;
        EXPECT_EQ(capture.messages(), std::vector<std::string>{kDamaged}) << c.what;
    }
}

TEST(XrefTable, HostileValuesAreHarmless) {
    {
        // A Size beyond reason claims no memory and fetches still answer.
        PdfBuilder b;
        b.object("<< /Type /Catalog >>");
        std::string file = b.finish("/Root 1 0 R /Size 2000000000");
        Table t(file);
        ASSERT_TRUE(t->isOk());
        EXPECT_LT(t->size(), 1000);
        EXPECT_TRUE(t->fetch(1999999999, 0).isNull());
    }
    {
        // A stream whose Length refers to the stream itself, and a pair referring to each other.
        PdfBuilder b;
        b.object("<< /Type /Catalog >>");
        b.stream("/Length 2 0 R", "abc", 2);
        b.stream("/Length 4 0 R", "abc", 3);
        b.stream("/Length 3 0 R", "abc", 4);
        std::string file = b.finish("/Root 1 0 R");
        ErrorCapture capture;
        Table t(file);
        EXPECT_FALSE(t->fetch(2, 0).isStream());
        EXPECT_FALSE(t->fetch(3, 0).isStream());
        EXPECT_TRUE(capture.contains("Bad 'Length' attribute in stream"));
    }
    {
        // Object numbers beyond the table's limit are ignored by the scan.
        std::string file = "%PDF-1.4\n1 0 obj\n<< >>\nendobj\n99999999999 0 obj\n(big)\nendobj\n"
                           "trailer\n<< /Root 1 0 R >>\n";
        Table t(file);
        ASSERT_TRUE(t->isOk());
        EXPECT_LE(t->size(), 256);
    }
}

TEST(XrefTable, StreamsReferringToStreamsCostLittle) {
    // Each stream's Length, Filter and DecodeParms refer to the next stream (or to itself):
    // every level would fetch the next one three times over.
    PdfBuilder b;
    b.object("<< /Type /Catalog >>");
    const std::string keys[] = {"/Length ", " /Filter ", " /DecodeParms "};
    for (int k = 2; k <= 30; ++k) {
        std::string entries;
        for (const std::string& key : keys) entries += key + std::to_string(k + 1) + " 0 R";
        b.stream(entries, "abc", k);
    }
    b.stream("/Length 31 0 R /Filter 31 0 R /DecodeParms 31 0 R", "abc", 31);
    std::string file = b.finish("/Root 1 0 R");
    ErrorCapture capture;
    Table t(file);
    EXPECT_FALSE(t->fetch(2, 0).isStream());
    EXPECT_LE(capture.count("Bad 'Length' attribute in stream"), 300);
    capture.clear();
    EXPECT_FALSE(t->fetch(31, 0).isStream());
    EXPECT_EQ(capture.count("Bad 'Length' attribute in stream"), 1);
}

TEST(XrefTable, NoTrailerMeansNoTable) {
    ErrorCapture capture;
    Table t("%PDF-1.4\n1 0 obj\n<< >>\nendobj\n");
    EXPECT_FALSE(t->isOk());
    EXPECT_EQ(capture.messages(), (std::vector<std::string>{kDamaged, "Couldn't find trailer dictionary"}));
    Table empty("");
    EXPECT_FALSE(empty->isOk());
}

TEST(XrefTable, EncryptionIsCheckedBeforeThePasswords) {
    const std::string o32(32, 'o'), u32(32, 'u');
    struct Case {
        std::string encrypt;
        bool withId;
        const char* message;
    } cases[] = {
        {"/Filter /FooBar", true, "Unknown security handler 'FooBar'"},
        {"/Filter /Standard /V 1 /R 2 /P -4 /O (short) /U (" + u32 + ")", true, "Weird encryption info"},
        {"/Filter /Standard /V 1 /R 2 /P -4 /O (" + o32 + ") /U (" + u32 + ")", false, "Weird encryption info"},
        {"/Filter /Standard /V 3 /R 3 /P -4 /O (" + o32 + ") /U (" + u32 + ")", true,
         "Unsupported version/revision (3/3) of Standard security handler"},
        {"/Filter /Standard /V 4 /R 5 /P -4 /O (" + o32 + ") /U (" + u32 + ")", true,
         "Unsupported version/revision (4/5) of Standard security handler"},
        // Crypt filters: a method nobody knows, a filter CF does not define.
        {"/Filter /Standard /V 4 /R 4 /P -4 /O (" + o32 + ") /U (" + u32 +
             ") /CF << /StdCF << /CFM /ROT13 >> >> /StmF /StdCF /StrF /StdCF",
         true, "Unsupported crypt filter method 'ROT13' of Standard security handler"},
        {"/Filter /Standard /V 4 /R 4 /P -4 /O (" + o32 + ") /U (" + u32 +
             ") /CF << /StdCF << /CFM /AESV2 >> >> /StmF /Other /StrF /StdCF",
         true, "Unknown crypt filter 'Other' of Standard security handler"},
        // AES-256 needs 48-byte O and U and the wrapped keys; it does without the ID.
        {"/Filter /Standard /V 5 /R 6 /P -4 /O (" + o32 + ") /U (" + u32 + ")", false, "Weird encryption info"},
        {"/Filter /Standard /V 5 /R 6 /P -4 /O (" + o32 + u32 + ") /U (" + u32 + o32 + ")", false,
         "Weird encryption info"},
        {"/Filter /Standard /V 5 /R 6 /P -4 /O (" + o32 + u32 + ") /U (" + u32 + o32 + ") /OE (" + o32 +
             ") /UE (" + u32 + ") /CF << /StdCF << /CFM /AESV3 >> >> /StmF /StdCF /StrF /StdCF",
         false, "Incorrect password"},
        // Well formed: the security handler decides, and these keys fit no password.
        {"/Filter /Standard /V 1 /R 2 /P -4 /O (" + o32 + ") /U (" + u32 + ")", true, "Incorrect password"},
        {"/Filter /Standard /V 2 /R 3 /Length 4096 /P -4 /O (" + o32 + ") /U (" + u32 + ")", true,
         "Weird encryption info"},
    };
    for (const auto& c : cases) {
        PdfBuilder b;
        b.object("<< /Type /Catalog >>");
        b.object("<< " + c.encrypt + " >>");
        std::string file = b.finish(std::string("/Root 1 0 R /Encrypt 2 0 R") + (c.withId ? " /ID [(abc) (abc)]" : ""));
        ErrorCapture capture;
        Table t(file);
        EXPECT_FALSE(t->isOk()) << c.message;
        EXPECT_TRUE(t->isEncrypted());
        EXPECT_EQ(capture.messages(), std::vector<std::string>{c.message});
    }
}

TEST(XrefTable, OffsetsCountFromTheStart) {
    PdfBuilder b;
    b.object("<< /Type /Catalog >>");
    b.object("(two)");
    std::string file = std::string(300, 'j') + b.finish("/Root 1 0 R");
    ErrorCapture capture;
    Table t(file, 300);
    ASSERT_TRUE(t->isOk());
    EXPECT_FALSE(t->wasRebuilt());
    EXPECT_EQ(text(t->fetch(2, 0)), "two");
    EXPECT_TRUE(capture.messages().empty());
}

}  // namespace
}  // namespace qm::test
