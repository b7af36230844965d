// The site's search and thumbnails on whole documents: the index text made from each page's
// display list (bytes per page, milliseconds per page), the thumbnail drawn with the page's
// text (milliseconds per page), and, through node, how soon the site's matcher finds a word
// that only the last page holds (first_hit_ms) and finishes (all_ms).
#include <benchmark/benchmark.h>

#include "thread_clock.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "convert/page_recording.h"
#include "convert/page_thumbnail.h"
#include "render/replay.h"
#include "convert/search_index.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "platform/canvas/bitmap.h"
#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"
#include "render/conversion_renderer.h"

using namespace qm;

namespace {


long long fileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : 0;
}

// A word of six or more letters on the last page that no other page holds: the search must
// read the whole index before it finds it.
std::string lastPageWord(const std::vector<std::string>& texts) {
    const std::string& last = texts.back();
    size_t at = 0;
    while (at < last.size()) {
        size_t end = last.find(' ', at);
        if (end == std::string::npos) end = last.size();
        std::string word = last.substr(at, end - at);
        at = end + 1;
        while (!word.empty() && (word.back() == ',' || word.back() == '.' || word.back() == ';')) word.pop_back();
        bool letters = word.size() >= 6;
        for (char c : word) letters = letters && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
        if (!letters) continue;
        bool elsewhere = false;
        for (size_t k = 0; k + 1 < texts.size() && !elsewhere; ++k) elsewhere = texts[k].find(word) != std::string::npos;
        if (!elsewhere) return word;
    }
    return "qqqqqq";  // found nowhere: the whole index is read all the same
}

void runDocument(benchmark::State& state, const char* file) {
    std::string folder = tempDirectory() + "/qm-bench-search-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    createGlobalSettings("config.lst");
    {
        ErrorCapture quiet;
        PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/" + file).c_str()), nullptr, nullptr);
        std::vector<PageObjectPtr> pages;
        if (doc.isOk()) {
            ConversionRenderer renderer(doc);
            for (int n = 1; n <= doc.pageCount(); ++n) pages.push_back(recordPage(renderer, n, 100).page);
        }
        if (pages.empty()) {
            state.SkipWithError("document does not open");
        } else {
            double textMs = 0, thumbMs = 0;
            DeviceFontCache fonts;  // kept from page to page, as the conversion keeps it
            std::vector<std::string> texts(pages.size());
            for (auto _ : state) {
                for (size_t i = 0; i < pages.size(); ++i) {
                    if (!pages[i]) continue;
                    double mark = threadMs();
                    texts[i] = pageSearchText(*pages[i]);
                    appendSearchEntry(folder + "/", static_cast<int>(i + 1), texts[i]);
                    textMs += threadMs() - mark;
                    Bitmap background(pages[i]->width, pages[i]->height);
                    background.fill(kWhite);
                    {
                        Canvas canvas(background);
                        replayDisplayList(canvas, *pages[i]);
                    }
                    mark = threadMs();
                    writePageThumbnail(background, *pages[i], folder + "/t.jpg", fonts);
                    thumbMs += threadMs() - mark;
                }
                quiet.clear();
            }
            const double count = static_cast<double>(pages.size());
            const double runs = count * static_cast<double>(state.iterations());
            long long bytes = 0;
            for (size_t n = 1; n <= pages.size(); n += kSearchPagesPerFile) bytes += fileSize(searchIndexPath(folder + "/", static_cast<int>(n)));
            state.counters["pages"] = count;
            state.counters["index_bytes/page"] = static_cast<double>(bytes) / count;
            state.counters["index_ms/page"] = textMs / runs;
            state.counters["thumb_ms/page"] = thumbMs / runs;
            state.counters["thumb_bytes"] = static_cast<double>(fileSize(folder + "/t.jpg"));
#ifdef QM_NODE
            const std::string word = lastPageWord(texts);
            const std::string command = std::string(QM_NODE) + " " + QM_SOURCE_DIR + "/bench/search_first_hit.js '" + folder +
                                        "' " + std::to_string(pages.size()) + " '" + word + "'";
            if (std::FILE* p = ::popen(command.c_str(), "r")) {
                double first = -1, all = -1;
                int found = 0;
                if (std::fscanf(p, "first_hit_ms=%lf all_ms=%lf pages_found=%d", &first, &all, &found) == 3) {
                    state.counters["first_hit_ms"] = first;
                    state.counters["all_ms"] = all;
                    state.counters["hit_pages"] = found;
                }
                ::pclose(p);
            }
#endif
        }
    }
    destroyGlobalSettings();
    deleteFolderTree(folder);
}

void BM_LargestFile(benchmark::State& state) { runDocument(state, "latex-geotopo-117p.pdf"); }
void BM_MostPages(benchmark::State& state) { runDocument(state, "indesign-155p.pdf"); }

}  // namespace

BENCHMARK(BM_LargestFile)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_MostPages)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
