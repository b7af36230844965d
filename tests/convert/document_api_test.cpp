#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "browser_support.h"
#include "platform/canvas/packed_dib.h"
#include "../platform/temp_folder.h"
#include "quillmark.h"
#include "support/corpus_manifest.h"
#include "support/test_files.h"

namespace {

using qm::test::corpusPath;
using qm::test::readWholeFile;

uint32_t le32(const std::string& s, size_t at) {
    return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

TEST(DocumentApi, BadHandlesPagesAndNullsAreRefused) {
    EXPECT_EQ(PDF_GetPageCount(nullptr), -1);
    EXPECT_EQ(PDF_Open(nullptr, nullptr, nullptr, 100), nullptr);
    EXPECT_EQ(PDF_Open("", nullptr, nullptr, 100), nullptr);
    EXPECT_EQ(PDF_Open("/nonexistent.pdf", nullptr, nullptr, 100), nullptr);
    char buffer[64];
    EXPECT_EQ(PDF_GetBookmark(nullptr, buffer, sizeof buffer), 0);
    EXPECT_EQ(PDF_GetPageObject(nullptr, 1), nullptr);
    EXPECT_EQ(PDF_GetPageBmp(nullptr, 1), nullptr);
    EXPECT_EQ(PDF_GetPageHtmLink(nullptr, 1), nullptr);
    EXPECT_EQ(PDF_WriteToBMPFile(nullptr, "/tmp/x.bmp"), 0);
    EXPECT_EQ(PDF_WriteToSVGFile(nullptr, "/tmp/x.svg"), 0);
    PDF_Close(nullptr);
    PDF_DestroyPageObject(nullptr);
    PDF_DestroyPageBmp(nullptr);
    PDF_DestroyHtmLink(nullptr);
    // A pointer PDF_Open did not return is refused without being read, whatever it points at.
    uint32_t notAHandle[16];
    for (uint32_t& word : notAHandle) word = 0x3FA66666;
    auto* wild = reinterpret_cast<PdfHandle*>(notAHandle);
    EXPECT_EQ(PDF_GetPageCount(wild), -1);
    EXPECT_EQ(PDF_GetPageObject(wild, 1), nullptr);
    EXPECT_EQ(PDF_GetBookmark(wild, buffer, sizeof buffer), 0);
    PDF_Close(wild);

    PdfHandle* pdf = PDF_Open(corpusPath("latex-outline.pdf").c_str(), nullptr, nullptr, 100);
    ASSERT_NE(pdf, nullptr);
    EXPECT_EQ(PDF_GetPageCount(pdf), 4);
    EXPECT_EQ(PDF_GetPageObject(pdf, 0), nullptr);
    EXPECT_EQ(PDF_GetPageObject(pdf, 5), nullptr);
    EXPECT_EQ(PDF_GetPageBmp(pdf, 5), nullptr);
    EXPECT_EQ(PDF_GetBookmark(pdf, nullptr, 10), 0);
    EXPECT_EQ(PDF_GetBookmark(pdf, buffer, 0), 0);
    // Another document stays usable when a closed handle is used again or closed twice.
    PdfHandle* other = PDF_Open(corpusPath("word365-3p.pdf").c_str(), nullptr, nullptr, 50);
    ASSERT_NE(other, nullptr);
    PDF_Close(pdf);
    EXPECT_EQ(PDF_GetPageCount(pdf), -1);
    EXPECT_EQ(PDF_GetPageBmp(pdf, 1), nullptr);
    EXPECT_EQ(PDF_GetPageHtmLink(pdf, 1), nullptr);
    PDF_Close(pdf);
    // A document opened after the close never answers to the closed handle.
    PdfHandle* third = PDF_Open(corpusPath("ghostscript-pdfa.pdf").c_str(), nullptr, nullptr, 50);
    ASSERT_NE(third, nullptr);
    EXPECT_NE(third, pdf);
    EXPECT_EQ(PDF_GetPageCount(pdf), -1);
    PDF_Close(third);
    EXPECT_EQ(PDF_GetPageCount(other), 3);
    PageObject* page = PDF_GetPageObject(other, 1);
    EXPECT_NE(page, nullptr);
    PDF_DestroyPageObject(page);
    PDF_Close(other);
    PDF_Close(other);
}

TEST(DocumentApi, PagesLinksAndOutlines) {
    PdfHandle* pdf = PDF_Open(corpusPath("latex-outline.pdf").c_str(), nullptr, nullptr, 100);
    ASSERT_NE(pdf, nullptr);
    char path[4096];
    ASSERT_EQ(PDF_GetBookmark(pdf, path, sizeof path), 1);
    EXPECT_NE(readWholeFile(path).find("<>,"), std::string::npos);
    // A buffer too small for the path is refused and still terminated.
    char tiny[8];
    std::memset(tiny, 'x', sizeof tiny);
    EXPECT_EQ(PDF_GetBookmark(pdf, tiny, sizeof tiny), 0);
    EXPECT_EQ(tiny[0], '\0');

    PageObject* page = PDF_GetPageObject(pdf, 2);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->pageNumber, 2);
    EXPECT_EQ(page->pageCount, 4);
    EXPECT_EQ(page->zoom, 100);
    EXPECT_EQ(page->width, 827);  // A4 at 100 dpi
    EXPECT_GT(page->itemCount, 10);
    EXPECT_NEAR(page->pdfVersion, 1.5f, 0.01f);
    EXPECT_EQ(PDF_GetPageHtmLink(pdf, 3), nullptr);
    HtmlLinkList* links = PDF_GetPageHtmLink(pdf, 2);
    ASSERT_NE(links, nullptr);
    PDF_DestroyHtmLink(links);
    PDF_DestroyPageObject(page);
    PDF_Close(pdf);

    // A page without links gives an empty list, not null.
    pdf = PDF_Open(corpusPath("ghostscript-pdfa.pdf").c_str(), nullptr, nullptr, 72);
    ASSERT_NE(pdf, nullptr);
    EXPECT_EQ(PDF_GetBookmark(pdf, path, sizeof path), 0);
    page = PDF_GetPageObject(pdf, 1);
    ASSERT_NE(page, nullptr);
    links = PDF_GetPageHtmLink(pdf, 1);
    ASSERT_NE(links, nullptr);
    EXPECT_EQ(links->count, 0);
    PDF_DestroyHtmLink(links);
    PDF_DestroyPageObject(page);
    PDF_Close(pdf);
}

TEST(DocumentApi, TwoDocumentsOpenAtOnceKeepTheirOwnState) {
    PdfHandle* a = PDF_Open(corpusPath("latex-outline.pdf").c_str(), nullptr, nullptr, 100);
    PdfHandle* b = PDF_Open(corpusPath("word365-3p.pdf").c_str(), nullptr, nullptr, 50);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    PageObject* pa = PDF_GetPageObject(a, 1);
    PageObject* pb = PDF_GetPageObject(b, 3);
    ASSERT_NE(pa, nullptr);
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(pa->zoom, 100);
    EXPECT_EQ(pb->zoom, 50);
    // Closing one keeps the other working, fonts and all.
    PDF_Close(a);
    PageObject* again = PDF_GetPageObject(b, 1);
    ASSERT_NE(again, nullptr);
    EXPECT_GT(again->itemCount, 0);
    void* bitmap = PDF_GetPageBmp(b, 2);
    EXPECT_NE(bitmap, nullptr);
    PDF_DestroyPageBmp(bitmap);
    PDF_DestroyPageObject(again);
    PDF_DestroyPageObject(pa);
    PDF_DestroyPageObject(pb);
    PDF_Close(b);
}

TEST(DocumentApi, PasswordsDecideWhetherADocumentOpens) {
    EXPECT_EQ(PDF_Open(corpusPath("enc-rc4-128-pw.pdf").c_str(), nullptr, nullptr, 100), nullptr);
    EXPECT_EQ(PDF_Open(corpusPath("enc-rc4-128-pw.pdf").c_str(), "wrong", "wrong", 100), nullptr);
    PdfHandle* pdf = PDF_Open(corpusPath("enc-rc4-128-pw.pdf").c_str(), nullptr, "openpassword", 100);
    ASSERT_NE(pdf, nullptr);
    EXPECT_EQ(PDF_GetPageCount(pdf), 1);
    PDF_Close(pdf);
}

TEST(DocumentApi, BitmapsAreWrittenAsBmpFiles) {
    PdfHandle* pdf = PDF_Open(corpusPath("ghostscript-pdfa.pdf").c_str(), nullptr, nullptr, 72);
    ASSERT_NE(pdf, nullptr);
    void* bitmap = PDF_GetPageBmp(pdf, 1);
    ASSERT_NE(bitmap, nullptr);
    std::string path = ::testing::TempDir() + "document_api_page.bmp";
    ASSERT_EQ(PDF_WriteToBMPFile(bitmap, path.c_str()), 1);
    std::string bmp = readWholeFile(path);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(le32(bmp, 10), 54u);
    // A file that cannot be created is a failure, not a success.
    EXPECT_EQ(PDF_WriteToBMPFile(bitmap, "/nonexistent-folder/page.bmp"), 0);
    EXPECT_EQ(PDF_WriteToBMPFile(bitmap, ""), 0);
    PDF_DestroyPageBmp(bitmap);
    PDF_Close(pdf);
    std::remove(path.c_str());

    // An 8-bit bitmap carries its 256-entry colour table: 1,024 bytes, pixels at 1,078.
    const int width = 3, height = 2, stride = 4;
    uint8_t* block = qm::allocPackedDib(40 + 1024 + stride * height);
    ASSERT_NE(block, nullptr);
    const uint32_t fields[] = {40, width, height};
    std::memcpy(block, fields, sizeof fields);
    block[12] = 1;  // planes
    block[14] = 8;  // bits per pixel
    path = ::testing::TempDir() + "document_api_8bit.bmp";
    ASSERT_EQ(PDF_WriteToBMPFile(block, path.c_str()), 1);
    bmp = readWholeFile(path);
    EXPECT_EQ(le32(bmp, 10), 1078u);
    EXPECT_EQ(bmp.size(), 1078u + stride * height);
    EXPECT_EQ(le32(bmp, 14 + 20), static_cast<uint32_t>(stride * height));
    qm::freePackedDib(block);
    std::remove(path.c_str());
}

TEST(DocumentApi, ConvertingToHtmlLeavesTextOnlyForALaterSvg) {
    PdfHandle* pdf = PDF_Open(corpusPath("latex-outline.pdf").c_str(), nullptr, nullptr, 100);
    ASSERT_NE(pdf, nullptr);
    PageObject* page = PDF_GetPageObject(pdf, 1);
    ASSERT_NE(page, nullptr);
    std::string folder = ::testing::TempDir();
    std::string html = folder + "document_api_pg_0001.htm";
    std::string svg = folder + "document_api_pg_0001.svg";
    EXPECT_EQ(PDF_ConvertToHtmlFile(nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(PDF_ConvertToHtmlFile(page, nullptr, html.c_str()), 1);
    for (int32_t i = 0; i < page->itemCount; ++i) EXPECT_EQ(page->items[i].kind, QM_ITEM_TEXT);
    ASSERT_EQ(PDF_WriteToSVGFile(page, svg.c_str()), 1);
    std::string text = readWholeFile(svg);
    EXPECT_NE(text.find("<text "), std::string::npos);
    EXPECT_EQ(text.find("<polygon"), std::string::npos);
    EXPECT_EQ(text.find("<line"), std::string::npos);
    PDF_DestroyPageObject(page);
    PDF_Close(pdf);
    std::remove(html.c_str());
    std::remove(svg.c_str());
    std::remove((folder + "document_api_pg_0001.jpg").c_str());
}

}  // namespace

namespace qm {
namespace {

using test::corpusPath;
using test::readWholeFile;

// The SVG of a real page, as a browser shows it: its text and its shapes are visible.
TEST(DocumentApiSvg, ABrowserShowsTheTextAndShapesOfACorpusPage) {
    if (!test::haveChromium()) GTEST_SKIP() << "chromium is not installed";
    PdfHandle* pdf = PDF_Open(corpusPath("latex-outline.pdf").c_str(), nullptr, nullptr, 72);
    ASSERT_NE(pdf, nullptr);
    PageObject* page = PDF_GetPageObject(pdf, 1);
    ASSERT_NE(page, nullptr);
    test::TempFolder folder, profile;
    const std::string svg = folder.path() + "/page.svg";
    ASSERT_EQ(PDF_WriteToSVGFile(page, svg.c_str()), 1);
    const int width = page->width, height = page->height;
    PDF_DestroyPageObject(page);
    PDF_Close(pdf);

    test::Screenshot shot = test::screenshot(svg, folder.path() + "/page.png", profile.path(), width, height);
    ASSERT_TRUE(shot.ok());
    // Text (dark ink), the links' blue border lines, and the page number at the foot of the
    // page: a file without its size would be cut to a default viewport above it.
    int ink = 0, blue = 0, footInk = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Small text is drawn smoothed: any clearly grey pixel counts as ink.
            ColorRef c = shot.pixel(x, y);
            if (redOf(c) + greenOf(c) + blueOf(c) < 450) {
                ++ink;
                if (y > height * 5 / 6) ++footInk;
            }
            if (blueOf(c) > 150 && redOf(c) + 60 < blueOf(c)) ++blue;
        }
    }
    EXPECT_GT(ink, 500);
    EXPECT_GT(blue, 100);
    EXPECT_GT(footInk, 5);
}

}  // namespace
}  // namespace qm
