// Every page of every corpus file draws at zoom 100 without a crash, a sanitizer report or a
// page slower than 10 seconds. Under the sanitizers a handful of files stand for the rest.
#include <gtest/gtest.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/report_error.h"
#include "render_test_support.h"

namespace qm::test {
namespace {

struct CorpusFile {
    std::string name, password;
};

std::vector<CorpusFile> corpusFiles() {
    std::ifstream manifest(std::string(QM_TEST_DATA_DIR) + "/corpus/MANIFEST.tsv");
    std::vector<CorpusFile> files;
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        std::vector<std::string> columns;
        for (size_t at = 0;;) {
            const size_t tab = line.find('\t', at);
            columns.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
            if (tab == std::string::npos) break;
            at = tab + 1;
        }
        files.push_back({columns[0], columns.size() > 4 ? columns[4] : ""});
    }
    return files;
}

std::string corpusPath(const std::string& name) { return std::string(QM_TEST_DATA_DIR) + "/corpus/" + name; }

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

}  // namespace
}  // namespace qm::test
