// Files built to make the cross-reference reader waste memory or time, free entries that
// must stay free, a rebuilt encrypted file with object streams, and revision-3 keys shorter
// than 128 bits.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "core/md5.h"
#include "core/pdf_dict.h"
#include "core/pdf_lexer.h"
#include "core/rc4.h"
#include "core/report_error.h"
#include "core/security_handler.h"
#include "core/xref_table.h"
#include "streams/file_stream.h"
#include "support/pdf_builder.h"
#include "support/table_fixture.h"

namespace qm::test {
namespace {

constexpr long kFewMegabytes = 4L << 20;

std::string text(const PdfObject& o) {
    return o.isString() ? std::string(o.getString()->view()) : std::string("<") + o.kindName() + ">";
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

TEST(HostileTables, HighObjectNumbersClaimNoMemory) {
    {
        // A damaged file of a few hundred bytes whose one object has a number near the limit.
        std::string file = "%PDF-1.4\n8388600 0 obj\n<< /Type /Catalog >>\nendobj\n"
                           "trailer\n<< /Root 8388600 0 R >>\n";
        ErrorCapture quiet;
        Table t(file);
        ASSERT_TRUE(t->isOk());
        EXPECT_LT(t->tableBytes(), kFewMegabytes);
        EXPECT_TRUE(t->fetch(8388600, 0).isDict("Catalog"));
        EXPECT_TRUE(t->fetch(8388599, 0).isNull());
        ASSERT_NE(t->entry(5000), nullptr);
        EXPECT_FALSE(t->entry(5000)->used);
    }
    {
        // A classic subsection starting near the limit.
        PdfBuilder b;
        b.object("<< /Type /Catalog >>", 1);
        long at = static_cast<long>(b.bytes().size());
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010ld 00000 n\r\n", b.offsetOf(1));
        b.raw(std::string("xref\n0 2\n0000000000 65535 f\r\n") + entry + "8388000 1\n" + entry +
              "trailer\n<< /Size 8388001 /Root 1 0 R >>\nstartxref\n" + std::to_string(at) + "\n%%EOF\n");
        Table t(b.bytes());
        ASSERT_TRUE(t->isOk());
        EXPECT_FALSE(t->wasRebuilt());
        EXPECT_LT(t->tableBytes(), kFewMegabytes);
        EXPECT_EQ(t->size(), 8388001);
        EXPECT_TRUE(t->fetch(1, 0).isDict("Catalog"));
        EXPECT_TRUE(t->fetch(8388000, 0).isNull());  // the catalog's bytes, numbered 1
    }
}

TEST(HostileTables, ManyEntriesStillFillTheDenseTable) {
    // Entries met in any order end up where lookups find them; the table stays proportional
    // to what the file holds.
    PdfBuilder b;
    std::string body;
    for (int n = 1; n <= 3000; ++n) b.object("(" + std::to_string(n) + ")", n * 7);
    b.object("<< /Type /Catalog >>", 1);
    std::string file = b.bytes() + "trailer\n<< /Root 1 0 R >>\n";
    ErrorCapture quiet;
    Table t(file);
    ASSERT_TRUE(t->isOk());
    for (int n : {14, 700, 14000, 20993, 21000}) EXPECT_EQ(text(t->fetch(n, 0)), std::to_string(n / 7)) << n;
    EXPECT_TRUE(t->fetch(8, 0).isNull());
    EXPECT_LT(t->tableBytes(), 2 * 21001 * static_cast<long>(sizeof(XrefEntry)) + 8192 * 64);
}

TEST(HostileTables, LongDigitStringsInTheSubsectionSkipAreHarmless) {
    // Thirty-odd digits where the trailer search reads a subsection's count.
    PdfBuilder b;
    b.object("<< /Type /Catalog >>", 1);
    long at = static_cast<long>(b.bytes().size());
    b.raw("xref\n0 999999999999999999999999999999999\ntrailer\n<< /Size 2 /Root 1 0 R >>\nstartxref\n" +
          std::to_string(at) + "\n%%EOF\n");
    ErrorCapture quiet;
    Table t(b.bytes());
    ASSERT_TRUE(t->isOk());
    EXPECT_TRUE(t->wasRebuilt());
    EXPECT_TRUE(t->fetch(1, 0).isDict("Catalog"));
}

TEST(HostileTables, AMillionObjectHeaderIsIndexedOnce) {
    // Every member of a huge object stream shares one body; fetching many of them must not
    // look at every member each time.
    constexpr int kMembers = 1000000;
    std::string header;
    header.reserve(static_cast<size_t>(kMembers) * 11);
    for (int n = 1; n <= kMembers; ++n) header += std::to_string(n + 10) + " 0 ";
    PdfBuilder b;
    b.object("<< /Type /Catalog >>", 1);
    b.stream("/Type /ObjStm /N " + std::to_string(kMembers) + " /First " + std::to_string(header.size()),
             header + "(shared)", 2);
    std::string file = b.bytes() + "trailer\n<< /Root 1 0 R >>\n";
    ErrorCapture quiet;
    Table t(file);
    ASSERT_TRUE(t->isOk());
    int found = 0;
    for (int n = 11; n <= kMembers + 10; n += 25) found += text(t->fetch(n, 0)) == "shared";
    EXPECT_EQ(found, kMembers / 25);
}

TEST(HostileTables, FreeEntriesStayFree) {
    {
        // An update deletes object 2 with a type-0 stream entry: the older classic section's
        // copy must not come back.
        PdfBuilder b;
        b.object("<< /Type /Catalog >>", 1);
        b.object("(old)", 2);
        std::string first = b.finish("/Root 1 0 R");
        long prev = std::stol(first.substr(first.rfind("startxref") + 10));
        long at = static_cast<long>(b.bytes().size());
        // Type 0, next free 0, generation 1.
        const std::string row("\0\0\0\0\0\0\1", 7);
        b.stream("/Type /XRef /W [1 4 2] /Index [2 1] /Size 4 /Root 1 0 R /Prev " + std::to_string(prev), row, 3);
        b.raw("startxref\n" + std::to_string(at) + "\n%%EOF\n");
        ErrorCapture errors;
        Table t(b.bytes());
        ASSERT_TRUE(t->isOk());
        EXPECT_FALSE(t->wasRebuilt()) << errors.messages()[0];
        EXPECT_FALSE(t->entry(2)->used);
        EXPECT_TRUE(t->fetch(2, 1).isNull());
        EXPECT_TRUE(t->fetch(2, 0).isNull());
    }
    {
        // A classic free entry whose next-free field happens to be the offset of a real object
        // of that number.
        PdfBuilder b;
        b.object("<< /Type /Catalog >>", 1);
        b.object("(two)", 2);
        std::string file = b.finish("/Root 1 0 R");
        char freeLine[32];
        std::snprintf(freeLine, sizeof freeLine, "%010ld 00000 f\r\n", b.offsetOf(2));
        char usedLine[32];
        std::snprintf(usedLine, sizeof usedLine, "%010ld 00000 n\r\n", b.offsetOf(2));
        size_t at = file.find(usedLine);
        ASSERT_NE(at, std::string::npos);
        file.replace(at, 20, freeLine);
        Table t(file);
        ASSERT_TRUE(t->isOk());
        EXPECT_TRUE(t->fetch(2, 0).isNull());
    }
}

TEST(HostileTables, RebuiltEncryptedFileWithObjectStreamsOpens) {
    // Its startxref points nowhere: the scan decodes the object stream before the cipher
    // exists, and the table must decode it again afterwards.
    std::string file = fileBytes(std::string(QM_TEST_DATA_DIR) + "/encryption/r3-128-objstm-damaged.pdf");
    ASSERT_FALSE(file.empty());
    ErrorCapture quiet;
    Table t(file);
    ASSERT_TRUE(t->isOk());
    EXPECT_TRUE(t->wasRebuilt());
    EXPECT_TRUE(t->isEncrypted());
    PdfObject root = t->fetch(t->rootNumber(), t->rootGeneration());
    ASSERT_TRUE(root.isDict("Catalog"));
    EXPECT_TRUE(root.dictLookup("Pages").isDict("Pages"));
}

TEST(HostileTables, RevisionThreeKeysShorterThan128Bits) {
    // The encryption values computed here step by step for a 40-bit and a 96-bit key; the
    // empty user password must open both.
    const uint8_t pad[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                             0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                             0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};
    for (int keyLength : {5, 12}) {
        SCOPED_TRACE(keyLength);
        StandardEncryption enc;
        enc.version = 2;
        enc.revision = 3;
        enc.keyLength = keyLength;
        enc.owner = std::string(32, '\x5a');
        enc.permissions = -4;
        enc.fileId = "0123456789abcdef";
        Md5 md5;
        md5.update(pad, 32);
        md5.update(enc.owner.data(), 32);
        const uint8_t p[4] = {0xFC, 0xFF, 0xFF, 0xFF};
        md5.update(p, 4);
        md5.update(enc.fileId.data(), enc.fileId.size());
        uint8_t key[16];
        md5.finish(key);
        for (int i = 0; i < 50; ++i) Md5::digest(key, static_cast<size_t>(keyLength), key);
        Md5 u;
        u.update(pad, 32);
        u.update(enc.fileId.data(), enc.fileId.size());
        uint8_t user[32];
        u.finish(user);
        std::memset(user + 16, 0x33, 16);
        for (int i = 0; i < 20; ++i) {
            uint8_t round[16];
            for (int k = 0; k < keyLength; ++k) round[k] = static_cast<uint8_t>(key[k] ^ i);
            Rc4(round, static_cast<size_t>(keyLength)).apply(user, 16);
        }
        enc.user.assign(reinterpret_cast<const char*>(user), 32);
        uint8_t fileKey[16];
        bool owner = true;
        ASSERT_TRUE(computeFileKey(enc, nullptr, nullptr, fileKey, &owner));
        EXPECT_FALSE(owner);
        EXPECT_EQ(std::memcmp(fileKey, key, static_cast<size_t>(keyLength)), 0);
    }
}

TEST(HostileTables, MultiMegabyteStringsReadWhole) {
    std::string body(3 << 20, 'q');
    for (size_t i = 0; i < body.size(); i += 4099) body[i] = static_cast<char>('a' + i % 26);
    PdfLexer literal(nullptr, memoryStream("(" + body + ")"));
    PdfObject s = literal.nextToken();
    ASSERT_TRUE(s.isString());
    EXPECT_EQ(s.getString()->view(), body);
    std::string hex = "<";
    for (int i = 0; i < (2 << 20); ++i) hex += "4a";
    PdfLexer hexLexer(nullptr, memoryStream(hex + ">"));
    PdfObject h = hexLexer.nextToken();
    ASSERT_TRUE(h.isString());
    EXPECT_EQ(h.getString()->length(), 2 << 20);
    EXPECT_EQ(h.getString()->at((2 << 20) - 1), 'J');
}

}  // namespace qm::test
