// quillmark-inspect --links and --outline over corpus files, against expected outputs checked
// with an independent tool (same targets, pages and titles).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"
#include "support/tool_output.h"
#include "support/test_files.h"

namespace qm::test {
namespace {

std::string dataPath(const std::string& name) { return std::string(QM_TEST_DATA_DIR) + "/" + name; }

std::string toolOutput(const std::string& cache, const std::string& args) {
    return commandOutput("XDG_CACHE_HOME=" + cache + " " + std::string(QM_BINARY_DIR) + "/quillmark-inspect " +
                         args + " 2>/dev/null");
}

TEST(InspectCorpus, LinksAndOutlinesMatchTheExpectedOutputs) {
    ASSERT_EQ(::access((std::string(QM_BINARY_DIR) + "/quillmark-inspect").c_str(), X_OK), 0);
    std::string cache = tempDirectory() + "/qm-inspect-cache-" + std::to_string(::getpid());
    struct Links {
        const char* file;
        int page;
    };
    const Links links[] = {{"latex-geotopo-117p", 2},      {"latex-geotopo-117p", 4}, {"damaged-startxref-90p", 7},
                           {"openoffice-55p", 55},         {"tcpdf-alpha-smask", 1},  {"chrome-wikipedia", 1},
                           {"latex-outline", 1},          {"annot-link-popup", 1}};
    for (const Links& l : links) {
        std::string expected =
            readWholeFile(dataPath("listings/" + std::string(l.file) + ".links-" + std::to_string(l.page) + ".txt"));
        ASSERT_FALSE(expected.empty()) << l.file;
        EXPECT_EQ(toolOutput(cache, "--links " + std::to_string(l.page) + " " + dataPath("corpus/" + std::string(l.file) + ".pdf")),
                  expected)
            << l.file << " page " << l.page;
    }
    const char* outlines[] = {"word365-3p", "large-page-14402pt", "distiller-word-86p", "latex-geotopo-117p",
                              "damaged-startxref-90p", "latex-outline", "enc-rc4-40-empty-30p", "xref-hybrid-30p"};
    for (const char* f : outlines) {
        std::string expected = readWholeFile(dataPath("listings/" + std::string(f) + ".outline.txt"));
        ASSERT_FALSE(expected.empty()) << f;
        EXPECT_EQ(toolOutput(cache, "--outline " + dataPath("corpus/" + std::string(f) + ".pdf")), expected) << f;
    }
    // The tool removes each outline file after showing it.
    int left = 0;
    deleteFilesMatching(cache + "/quillmark/outlines-*.txt", &left);
    EXPECT_EQ(left, 0);
    deleteFolderTree(cache);
}

}  // namespace
}  // namespace qm::test
