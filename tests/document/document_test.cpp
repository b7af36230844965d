#include "document/pdf_document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/pdf_catalog.h"
#include "platform/system/data_dir.h"
#include "streams/file_data.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

std::string onePageFile(const std::string& version = "1.4") {
    PdfBuilder b(version);
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    b.object("<< /Type /Pages /Count 1 /Kids [3 0 R] >>");
    b.object("<< /Type /Page /MediaBox [0 0 300 400] >>");
    return b.finish("/Root 1 0 R");
}

std::unique_ptr<PdfDocument> openBytes(const std::string& bytes) {
    return std::make_unique<PdfDocument>(memoryFileData(bytes), PdfString("test.pdf"), nullptr, nullptr);
}

TEST(PdfDocument, HeaderSearchAndVersions) {
    {
        // Junk before the header: offsets count from the header, nothing is rebuilt.
        ErrorCapture capture;
        auto doc = openBytes(std::string(300, '\x01') + onePageFile());
        ASSERT_TRUE(doc->isOk());
        EXPECT_EQ(doc->version(), 1.4);
        EXPECT_EQ(doc->pageCount(), 1);
        EXPECT_FALSE(doc->xref()->wasRebuilt());
        EXPECT_TRUE(capture.messages().empty());
    }
    {
        ErrorCapture capture;
        auto doc = openBytes(onePageFile("1.6"));
        ASSERT_TRUE(doc->isOk());
        EXPECT_EQ(doc->version(), 1.6);
        EXPECT_EQ(capture.messages(),
                  std::vector<std::string>{"PDF version 1.6 -- current supports version 1.5 (continuing anyway)"});
    }
    {
        ErrorCapture capture;
        auto doc = openBytes(onePageFile("x.y"));
        ASSERT_TRUE(doc->isOk());
        EXPECT_EQ(doc->version(), 0);
        EXPECT_EQ(capture.messages(),
                  std::vector<std::string>{"PDF version x.y -- current supports version 1.5 (continuing anyway)"});
    }
    {
        ErrorCapture capture;
        auto doc = openBytes(onePageFile("1.5"));
        EXPECT_EQ(doc->version(), 1.5);
        EXPECT_TRUE(capture.messages().empty());
    }
    {
        // No header within the first 1024 bytes: read from offset 0 all the same, which
        // puts every offset of the table 1100 bytes off, so the file is rebuilt.
        ErrorCapture capture;
        auto doc = openBytes(std::string(1100, ' ') + onePageFile());
        ASSERT_TRUE(doc->isOk());
        EXPECT_EQ(doc->version(), 0);
        EXPECT_EQ(doc->pageCount(), 1);
        EXPECT_EQ(capture.messages(),
                  (std::vector<std::string>{"May not be a PDF file (continuing anyway)",
                                            "PDF file is damaged - attempting to reconstruct xref table..."}));
    }
}

TEST(PdfDocument, FailuresLeaveADestroyableDocument) {
    {
        ErrorCapture capture;
        auto doc = openBytes("%PDF-1.4\nnothing here\n");
        EXPECT_FALSE(doc->isOk());
        EXPECT_EQ(doc->pageCount(), 0);
        EXPECT_EQ(capture.messages(), (std::vector<std::string>{
                                          "PDF file is damaged - attempting to reconstruct xref table...",
                                          "Couldn't find trailer dictionary", "Couldn't read xref table"}));
    }
    {
        ErrorCapture capture;
        PdfDocument doc(PdfString("/nonexistent/Missing.pdf"), nullptr, nullptr);
        EXPECT_FALSE(doc.isOk());
        EXPECT_EQ(doc.pageCount(), 0);
        EXPECT_EQ(capture.messages(), std::vector<std::string>{"Couldn't open file '/nonexistent/Missing.pdf'"});
    }
}

class TempDir {
public:
    TempDir() {
        path_ = tempDirectory() + "/qm-doc-test-" + std::to_string(::getpid());
        ::mkdir(path_.c_str(), 0700);
    }
    ~TempDir() {
        for (const auto& f : files_) std::remove(f.c_str());
        ::rmdir(path_.c_str());
    }
    std::string write(const std::string& name, const std::string& bytes) {
        std::string full = path_ + "/" + name;
        std::ofstream(full, std::ios::binary) << bytes;
        files_.push_back(full);
        return full;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> files_;
};

TEST(PdfDocument, FileNamesAreRetriedInLowerAndUpperCase) {
    TempDir dir;
    dir.write("lower.pdf", onePageFile());
    dir.write("UPPER.PDF", onePageFile());
    ASSERT_EQ(dir.path(), PdfString(dir.path().c_str()).toLower().text()) << "the test needs a lower-case folder";

    PdfDocument lower(PdfString((dir.path() + "/LoWeR.PdF").c_str()), nullptr, nullptr);
    EXPECT_TRUE(lower.isOk());
    EXPECT_EQ(lower.pageCount(), 1);

    // The upper-case form applies to the whole name, so it is tried relative to the folder.
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    PdfDocument upper(PdfString("Upper.pdf"), nullptr, nullptr);
    ASSERT_EQ(::chdir(cwd), 0);
    EXPECT_TRUE(upper.isOk());
    EXPECT_EQ(upper.fileName(), "Upper.pdf");
}

// Every corpus file opens (with the user password its manifest gives) with the page count
// the manifest gives, whatever kind of cross-reference sections it has, and every page's
// content decodes, without a message unless the file is known to hold bad streams; encrypted
// files (RC4 and AES) included.
TEST(PdfDocument, CorpusFilesOpen) {
    std::ifstream manifest(std::string(QM_TEST_DATA_DIR) + "/corpus/MANIFEST.tsv");
    ASSERT_TRUE(manifest.good());
    std::string line;
    std::getline(manifest, line);
    int opened = 0;
    while (std::getline(manifest, line)) {
        std::stringstream fields(line);
        std::string file, origin, size, pages, password, features;
        std::getline(fields, file, '\t');
        std::getline(fields, origin, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, pages, '\t');
        std::getline(fields, password, '\t');
        std::getline(fields, features, '\t');
        features = "," + features + ",";
        auto has = [&](const char* f) { return features.find(std::string(",") + f + ",") != std::string::npos; };
        ErrorCapture capture;
        PdfString userPassword(password.c_str());
        PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/" + file).c_str()), nullptr,
                        password.empty() ? nullptr : &userPassword);
        ++opened;
        ASSERT_TRUE(doc.isOk()) << file;
        if (!pages.empty()) {
            EXPECT_EQ(doc.pageCount(), std::stoi(pages)) << file;
        }
        EXPECT_EQ(doc.xref()->usesStreams(), has("xref-stream") && !doc.xref()->wasRebuilt()) << file;
        capture.clear();
        long bytes = 0;
        bool anyContents = false;
        for (int n = 1; n <= doc.pageCount(); ++n) {
            PdfObject contents = doc.catalog()->page(n)->contents().resolve(doc.xref());
            anyContents = anyContents || !contents.isNull();
            if (contents.isStream()) bytes += static_cast<long>(readAll(contents).size());
            for (int i = 0; i < contents.arrayLength(); ++i) bytes += static_cast<long>(readAll(contents.arrayGet(i)).size());
        }
        if (!has("bad-stream") && !has("damaged")) {
            // The one page of that file has an empty content stream (only the AES IV).
            EXPECT_TRUE(bytes > 0 || !anyContents || file == "enc-aes256-r6-empty.pdf") << file;
            EXPECT_TRUE(capture.messages().empty()) << file << ": " << capture.messages()[0];
        }
    }
    EXPECT_GE(opened, 40);
}

// Damaged copies of a small file: whatever opens must be consistent, nothing may crash.
TEST(PdfDocument, MutatedFilesOpenOrFailCleanly) {
    PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R /Dests 6 0 R >>");
    b.object("<< /Type /Pages /Count 2 /Kids [3 0 R 4 0 R] /MediaBox [0 0 612 792] >>");
    b.object("<< /Type /Page /Parent 2 0 R /Contents 5 0 R /Rotate 90 >>");
    b.object("<< /Type /Pages /Parent 2 0 R /Kids [7 0 R] /Count 1 >>");
    b.stream("/Length 8 0 R", "BT /F1 12 Tf (Hello) Tj ET", 5);
    b.object("<< /a [3 0 R /Fit] >>", 6);
    b.object("<< /Type /Page /Parent 4 0 R /Contents [5 0 R 5 0 R] >>", 7);
    b.object("26", 8);
    const std::string good = b.finish("/Root 1 0 R");
    std::mt19937 rng(9);
    for (int round = 0; round < 400; ++round) {
        std::string file = good;
        int flips = 1 + static_cast<int>(rng() % 6);
        for (int i = 0; i < flips; ++i) {
            size_t at = rng() % file.size();
            const char pool[] = "0123456789 /<>[]()RnfobjstreamxefPage\n\r";
            file[at] = (rng() % 2) ? pool[rng() % (sizeof pool - 1)] : static_cast<char>(rng());
        }
        if (round % 4 == 0) file.resize(rng() % file.size());
        ErrorCapture capture;
        auto doc = openBytes(file);
        if (!doc->isOk()) continue;
        for (int n = 1; n <= doc->pageCount(); ++n) {
            PdfPage* page = doc->catalog()->page(n);
            ASSERT_NE(page, nullptr);
            EXPECT_GE(page->rotate(), 0);
            EXPECT_LT(page->rotate(), 360);
            PdfObject contents = page->contents().resolve(doc->xref());
            if (contents.isStream()) readAll(contents);
        }
    }
}

}  // namespace
}  // namespace qm::test
