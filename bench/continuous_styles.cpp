// Bytes a continuous HTML file takes per page as it grows, for pages whose text comes in many
// colours (every page brings classes of its own): a file that repeated the style table of all
// pages before on every page would grow with the square of its pages; per page the figure
// must stay flat from 30 to 120 pages.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdio>
#include <string>

#include "convert/html_writer_state.h"
#include "convert/page_html_writer.h"
#include "convert/settings.h"
#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"
#include "render/display_list.h"

using namespace qm;

namespace {

constexpr int kColoursPerPage = 40;

PageObjectPtr colouredPage(int number) {
    PageObjectPtr page = newPageObject();
    page->width = 850;
    page->height = 1100;
    page->pageNumber = number;
    for (int line = 0; line < kColoursPerPage; ++line) {
        const uint32_t colour = static_cast<uint32_t>(number * kColoursPerPage + line) * 2654435761u & 0xFFFFFF;
        for (int i = 0; i < 30; ++i) {
            const uint16_t c = static_cast<uint16_t>('a' + i % 26);
            appendPageItem(*page, QM_ITEM_TEXT,
                           makeTextItem(20 + 8 * i, 30 + 25 * line, &c, 1, "Arial", 8, 16, false, false, 0, colour));
        }
    }
    return page;
}

void BM_ContinuousManyColours(benchmark::State& state) {
    const int pages = static_cast<int>(state.range(0));
    std::string folder = tempDirectory() + "/qm-bench-styles-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    Settings::setOverride(Setting::continuousMode, 1);
    double bytes = 0;
    for (auto _ : state) {
        std::remove((folder + "/index.htm").c_str());
        HtmlWriterState writer;
        writer.startFile();
        for (int n = 1; n <= pages; ++n) {
            PageObjectPtr page = colouredPage(n);
            const std::string path = folder + "/pg_" + std::to_string(n) + ".htm";
            writePageHtml(*page, nullptr, path, withExtension(path, ".jpg"), writer);
            writer.advancePageTop(1110);
        }
        std::FILE* f = std::fopen((folder + "/index.htm").c_str(), "rb");
        if (f) {
            std::fseek(f, 0, SEEK_END);
            bytes = static_cast<double>(std::ftell(f));
            std::fclose(f);
        }
    }
    state.counters["pages"] = pages;
    state.counters["kB/page"] = bytes / 1024 / pages;
    Settings::clearOverrides();
    deleteFolderTree(folder);
}

}  // namespace

BENCHMARK(BM_ContinuousManyColours)->Arg(30)->Arg(60)->Arg(120)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
