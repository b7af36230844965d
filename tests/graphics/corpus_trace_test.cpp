// Every page of every corpus file that opens runs through the interpreter without a crash,
// a sanitizer report or a hang (ctest's timeout bounds the whole run).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/report_error.h"
#include "document/pdf_catalog.h"
#include "fonts/global_settings.h"
#include "document/pdf_document.h"
#include "document/pdf_page.h"
#include "core/xref_table.h"
#include "graphics/content_interpreter.h"
#include "render/null_device.h"

using namespace qm;

namespace {

std::vector<std::string> corpusFiles() {
    std::ifstream manifest(std::string(QM_TEST_DATA_DIR) + "/corpus/MANIFEST.tsv");
    std::vector<std::string> files;
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) files.push_back(line.substr(0, line.find('\t')));
    return files;
}

void runPage(PdfDocument& doc, int n) {
    const PdfPage* page = doc.catalog()->page(n);
    const PdfRect& box = page->pageBox();
    const PdfRect& crop = page->cropBox();
    NullDevice device;
    ContentInterpreter interp(doc.xref(), &device, n, page->resources(), 72, PageBox{box.x1, box.y1, box.x2, box.y2},
                              page->cropLimitsDrawing(), PageBox{crop.x1, crop.y1, crop.x2, crop.y2}, page->rotate(),
                              true);
    PdfObject contents = page->contents().resolve(doc.xref());
    if (!contents.isNull()) interp.run(contents);
}

}  // namespace

// With operator tracing on, exactly as quillmark-inspect --trace runs a page; the trace itself
// goes to /dev/null.
TEST(CorpusTrace, EveryPageOfEveryFileRuns) {
    createGlobalSettings("config.lst");
    std::fflush(stdout);
    int savedStdout = ::dup(1);
    int devNull = ::open("/dev/null", O_WRONLY);
    ::dup2(devNull, 1);
    ::close(devNull);
    int pages = 0;
    for (const auto& file : corpusFiles()) {
        ErrorCapture quiet;
        PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/" + file).c_str()), nullptr, nullptr);
        if (!doc.isOk()) continue;
        for (int n = 1; n <= doc.pageCount(); ++n, ++pages) {
            runPage(doc, n);
            quiet.clear();
        }
    }
    std::fflush(stdout);
    ::dup2(savedStdout, 1);
    ::close(savedStdout);
    destroyGlobalSettings();
    EXPECT_GT(pages, 300);
}

TEST(CorpusTrace, InspectToolTracesAPage) {
    std::string cmd = std::string(QM_BINARY_DIR) + "/quillmark-inspect --trace 1 " + QM_TEST_DATA_DIR +
                      "/corpus/reportlab-16p.pdf";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (size_t k; (k = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, k);
        EXPECT_EQ(pclose(p), 0);
    }
    EXPECT_NE(out.find("\nBT\n"), std::string::npos) << out.substr(0, 400);
    EXPECT_NE(out.find("Tf /F"), std::string::npos);
}
