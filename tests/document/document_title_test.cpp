// The title a document gives itself, as the site shows it in the browser's title bar.
#include "document/document_title.h"

#include <gtest/gtest.h>

#include "core/pdf_string.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "streams/file_data.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

std::string fileWithInfo(const std::string& info) {
    PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    b.object("<< /Type /Pages /Count 1 /Kids [3 0 R] >>");
    b.object("<< /Type /Page /MediaBox [0 0 300 400] >>");
    if (info.empty()) return b.finish("/Root 1 0 R");
    b.object(info, 4);
    return b.finish("/Root 1 0 R /Info 4 0 R");
}

std::string titleOf(const std::string& info) {
    ErrorCapture quiet;
    PdfDocument doc(memoryFileData(fileWithInfo(info)), PdfString("t.pdf"), nullptr, nullptr);
    EXPECT_TRUE(doc.isOk());
    return documentTitle(doc);
}

std::string text(const std::string& bytes) { return titleText(PdfString(bytes.data(), static_cast<int>(bytes.size()))); }

TEST(DocumentTitle, ReadFromTheInformationDictionary) {
    EXPECT_EQ(titleOf("<< /Title (Geometrie und Topologie) >>"), "Geometrie und Topologie");
    EXPECT_EQ(titleOf("<< /Title <FEFF00C90074006500204E2D> >>"), "\u00c9te \u4e2d");
    EXPECT_EQ(titleOf("<< /Author (x) >>"), "");
    EXPECT_EQ(titleOf("<< /Title 12 >>"), "");
    EXPECT_EQ(titleOf(""), "");
}

TEST(DocumentTitle, EncodingsBlanksAndLength) {
    EXPECT_EQ(text("Caf\xe9"), "Caf\u00e9");                      // single-byte text
    EXPECT_EQ(text("\xef\xbb\xbf" "Caf\xc3\xa9"), "Caf\u00e9");   // UTF-8 with its mark
    EXPECT_EQ(text(std::string("\xff\xfe" "A\0B\0", 6)), "AB");  // little-endian UTF-16
    EXPECT_EQ(text(std::string("\xfe\xff\xd8\x00", 4)), "\ufffd"); // a lone surrogate
    EXPECT_EQ(text(" a\r\n\tb\x01  c \x85"), "a b c \u2013");  // controls are blanks; 0x85 is a dash
    EXPECT_EQ(text(std::string("\xfe\xff\x20\x28\x00\x85x", 7)), "\ufffd");  // separators gone, half a unit marked
    const std::string longTitle = text(std::string(3000, 'x'));
    EXPECT_EQ(longTitle.size(), kMaxTitleBytes);
    const std::string cut = text("\xef\xbb\xbf" + [] {
        std::string s;
        for (int i = 0; i < 700; ++i) s += "\xc3\xa9";  // two bytes each: 1400 bytes
        return s;
    }());
    EXPECT_LE(cut.size(), kMaxTitleBytes);
    EXPECT_EQ(cut.size() % 2, 0u) << "cut between characters, not inside one";
}

}  // namespace
}  // namespace qm::test
