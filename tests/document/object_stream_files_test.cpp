// Objects inside object streams of an encrypted file read the same as in the plain file.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>
#include <string>

#include "core/report_error.h"
#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/xref_table.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

void collectStrings(const PdfObject& obj, std::vector<std::string>* out, int depth = 0) {
    if (depth > 32) return;
    if (obj.isString()) out->emplace_back(obj.getString()->view());
    for (int i = 0; i < obj.arrayLength(); ++i) collectStrings(obj.getArray()->at(i), out, depth + 1);
    if (obj.isDict())
        for (int i = 0; i < obj.getDict()->length(); ++i) collectStrings(obj.getDict()->valueRefAt(i), out, depth + 1);
}

// The strings of every object stored inside an object stream, sorted.
std::vector<std::string> compressedStrings(XrefTable* xref, int* compressed) {
    std::vector<std::string> out;
    *compressed = 0;
    for (int n = 1; n < xref->size(); ++n) {
        const XrefEntry* e = xref->entry(n);
        if (!e->used || e->streamNumber < 0) continue;
        ++*compressed;
        collectStrings(xref->fetch(n, e->generation), &out);
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(ObjectStreamFiles, EncryptedObjectStreamsReadLikePlainOnes) {
    const std::string dir = std::string(QM_TEST_DATA_DIR) + "/xref/";
    ErrorCapture capture;
    PdfDocument plain(PdfString((dir + "latex-outline-objstm.pdf").c_str()), nullptr, nullptr);
    PdfDocument encrypted(PdfString((dir + "latex-outline-objstm-rc4.pdf").c_str()), nullptr, nullptr);
    ASSERT_TRUE(plain.isOk());
    ASSERT_TRUE(encrypted.isOk());
    EXPECT_FALSE(plain.xref()->isEncrypted());
    EXPECT_TRUE(encrypted.xref()->isEncrypted());
    EXPECT_TRUE(encrypted.xref()->usesStreams());
    ASSERT_EQ(encrypted.pageCount(), 4);
    // Strings inside object streams are plain once the object stream is decrypted.
    int plainCount = 0, encryptedCount = 0;
    std::vector<std::string> expected = compressedStrings(plain.xref(), &plainCount);
    EXPECT_EQ(compressedStrings(encrypted.xref(), &encryptedCount), expected);
    EXPECT_GT(plainCount, 20);
    EXPECT_GT(encryptedCount, 20);
    EXPECT_GT(expected.size(), 20u);
    for (int n = 1; n <= 4; ++n) {
        PdfObject a = plain.catalog()->page(n)->contents().resolve(plain.xref());
        PdfObject b = encrypted.catalog()->page(n)->contents().resolve(encrypted.xref());
        std::string text = readAll(a);
        EXPECT_GT(text.size(), 100u);
        EXPECT_EQ(readAll(b), text) << "page " << n;
    }
    EXPECT_TRUE(capture.messages().empty());
}

}  // namespace
}  // namespace qm::test
