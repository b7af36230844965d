// Every page of every corpus file draws at zoom 100 without a crash, a sanitizer report or a
// page slower than 10 seconds. Under the sanitizers a handful of files stand for the rest.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/report_error.h"
#include "render_test_support.h"
#include "support/corpus_manifest.h"

namespace qm::test {
namespace {

TEST(CorpusRender, EveryPageDrawsInTime) {
    int pages = 0, files = 0, index = 0;
    // QM_RENDER_CORPUS_FULL=1 runs every file in the sanitizer build as well.
    [[maybe_unused]] const bool full = std::getenv("QM_RENDER_CORPUS_FULL") != nullptr;
    double slowest = 0;
    std::string slowestPage;
    for (const CorpusFile& f : corpusFiles()) {
#ifdef QM_RENDER_CORPUS_SAMPLE
        // The function-shading page stands for the shading painters and the function
        // evaluators: none of every ninth file has a function-based shading.
        const bool sampled = index++ % 9 == 0 || f.name == "shading-function.pdf";
        if (!sampled && !full) continue;
#else
        ++index;
#endif
        ErrorCapture quiet;
        PdfString password(f.password.c_str());
        PdfDocument doc(PdfString(corpusPath(f.name).c_str()), f.password.empty() ? nullptr : &password,
                        f.password.empty() ? nullptr : &password);
        if (!doc.isOk()) continue;
        ++files;
        ConversionRenderer renderer(doc);
        for (int n = 1; n <= doc.pageCount(); ++n, ++pages) {
            // Processor time: other work on a busy machine must not fail the page.
            const std::clock_t start = std::clock();
            ASSERT_TRUE(renderer.drawPage(n, 100));
            const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
            if (seconds > slowest) {
                slowest = seconds;
                slowestPage = f.name + " page " + std::to_string(n);
            }
            EXPECT_LT(seconds, 10.0) << f.name << " page " << n;
            quiet.clear();
        }
    }
    std::printf("%d pages of %d files; slowest %.2f s (%s)\n", pages, files, slowest, slowestPage.c_str());
#ifdef QM_RENDER_CORPUS_SAMPLE
    EXPECT_GE(files, full ? 40 : 4);
#else
    EXPECT_GT(pages, 300);
#endif
}

std::string run(const std::string& args, int* status) {
    const std::string cmd = std::string(QM_BINARY_DIR) + "/quillmark-inspect " + args + " 2>&1";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (size_t k; (k = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, k);
        *status = pclose(p);
    }
    return out;
}

TEST(CorpusRender, InspectToolWritesBitmapsAndListsItems) {
    const std::string bmp = std::string(QM_BINARY_DIR) + "/render-test-page.bmp";
    int status = -1;
    run("--zoom 50 --bmp 1 " + bmp + " " + corpusPath("latex-outline.pdf"), &status);
    EXPECT_EQ(status, 0);
    std::ifstream in(bmp, std::ios::binary);
    char header[26] = {};
    in.read(header, sizeof header);
    EXPECT_EQ(std::string(header, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(header[18]) | static_cast<unsigned char>(header[19]) << 8, 413);  // A4 at 50 dpi
    std::remove(bmp.c_str());

    const std::string items = run("--items 1 " + corpusPath("latex-outline.pdf"), &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(items.find("page 1: 827 x 1169 pixels"), std::string::npos) << items.substr(0, 300);
    EXPECT_NE(items.find("\ntext "), std::string::npos);
    EXPECT_NE(items.find("\nlink "), std::string::npos);
    EXPECT_NE(items.find("'actionGoTo:"), std::string::npos);

    run("--items 99 " + corpusPath("latex-outline.pdf"), &status);
    EXPECT_NE(status, 0);
    run("--zoom 0 --items 1 " + corpusPath("latex-outline.pdf"), &status);
    EXPECT_NE(status, 0);
}

TEST(CorpusRender, FontsNamedOnlyBySubsetTagTakeStyleAndKindFromTheirPrograms) {
    // A web browser's PDF names its fonts "AAAAAA+": the programs' own classification makes
    // the text sans-serif, and their style bits tell the bold headlines from the plain text.
    PdfDocument doc(PdfString(corpusPath("chromium-15p.pdf").c_str()), nullptr, nullptr);
    ASSERT_TRUE(doc.isOk());
    PageObjectPtr page = recordOne(doc, 72);
    int texts = 0, sans = 0, bold = 0;
    for (int32_t i = 0; i < page->itemCount; ++i) {
        if (page->items[i].kind != QM_ITEM_TEXT) continue;
        const TextItem& t = *page->items[i].record.text;
        ++texts;
        sans += std::string(t.face) == "sans-serif";
        bold += t.bold != 0;
    }
    EXPECT_GT(texts, 100);
    EXPECT_EQ(sans, texts);
    EXPECT_GT(bold, 50);
    EXPECT_GT(texts - bold, 20);  // the section names under the headlines
}

}  // namespace
}  // namespace qm::test
