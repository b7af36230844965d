// Milliseconds per page of the HTML conversion of whole documents at zoom 100, step by step:
// recording the display list, replaying the graphics into the page bitmap, encoding the JPEG
// (quality 75), writing the page's HTML and, once per document, its web fonts, with each
// step's share of the whole; and the web fonts' share of the bytes written. Run with
// --benchmark_counters_tabular=true for a table.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <ctime>
#include <string>

#include "convert/page_html_writer.h"
#include "convert/page_recording.h"
#include "render/replay.h"
#include "convert/settings.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "platform/canvas/bitmap.h"
#include "platform/jpeg/jpeg_writer.h"
#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"
#include "render/conversion_renderer.h"
#include "thread_clock.h"

using namespace qm;

namespace {


double since(double& mark) {
    const double now = threadMs();
    const double ms = now - mark;
    mark = now;
    return ms;
}

struct StepTimes {
    double record = 0, replay = 0, jpeg = 0, html = 0, fonts = 0;
    double total() const { return record + replay + jpeg + html + fonts; }
    double outputBytes = 0, fontBytes = 0;
};

double fileBytes(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    return size > 0 ? static_cast<double>(size) : 0;
}

// The driver's steps, timed one by one.
void convertDocument(PdfDocument& doc, const std::string& folder, StepTimes& times) {
    ConversionRenderer renderer(doc);
    HtmlWriterState state;
    state.startFile();
    for (int n = 1; n <= doc.pageCount(); ++n) {
        double mark = threadMs();
        RecordedPage recorded = recordPage(renderer, n, 100);
        times.record += since(mark);
        if (!recorded.page) continue;
        const std::string htmlPath = folder + "/pg_" + std::to_string(n) + ".htm";
        const std::string jpegPath = withExtension(htmlPath, ".jpg");
        Bitmap bitmap(recorded.page->width, recorded.page->height);
        if (bitmap.isOk()) {
            bitmap.fill(static_cast<ColorRef>(Settings::readInt(Setting::backgroundColour)) & 0xFFFFFF);
            Canvas canvas(bitmap);
            replayDisplayList(canvas, *recorded.page);
            times.replay += since(mark);
            writeJpeg(bitmap, jpegPath, Settings::jpegQualityOrDefault(), Settings::readFlag(Setting::grayscale));
            times.jpeg += since(mark);
        }
        writePageHtml(*recorded.page, recorded.links.get(), htmlPath, jpegPath, state);
        times.html += since(mark);
        times.outputBytes += fileBytes(htmlPath) + fileBytes(jpegPath);
    }
    double mark = threadMs();
    state.finishFile();
    times.fonts += since(mark);
    times.fontBytes += static_cast<double>(state.webFonts().bytesWritten());
    times.outputBytes += static_cast<double>(state.webFonts().bytesWritten());
}

void runDocument(benchmark::State& state, const char* file) {
    std::string folder = tempDirectory() + "/qm-bench-convert-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);  // the defaults, whatever the user's settings
    Settings::setOverride(Setting::jpegQuality, 75);
    createGlobalSettings("config.lst");
    {
        ErrorCapture quiet;
        PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/" + file).c_str()), nullptr, nullptr);
        if (!doc.isOk()) {
            state.SkipWithError("document does not open");
        } else {
            StepTimes times;
            for (auto _ : state) {
                convertDocument(doc, folder, times);
                quiet.clear();
            }
            const double pages = static_cast<double>(doc.pageCount()) * static_cast<double>(state.iterations());
            state.counters["pages"] = doc.pageCount();
            state.counters["ms/page"] = times.total() / pages;
            state.counters["record"] = times.record / pages;
            state.counters["replay"] = times.replay / pages;
            state.counters["jpeg"] = times.jpeg / pages;
            state.counters["html"] = times.html / pages;
            state.counters["record%"] = 100 * times.record / times.total();
            state.counters["replay%"] = 100 * times.replay / times.total();
            state.counters["jpeg%"] = 100 * times.jpeg / times.total();
            state.counters["html%"] = 100 * times.html / times.total();
            state.counters["fonts"] = times.fonts / pages;
            state.counters["fonts%"] = 100 * times.fonts / times.total();
            state.counters["fontBytes%"] = times.outputBytes > 0 ? 100 * times.fontBytes / times.outputBytes : 0;
            state.counters["kB/page"] = times.outputBytes / 1024 / pages;
        }
    }
    destroyGlobalSettings();
    Settings::clearOverrides();
    deleteFolderTree(folder);
}

void BM_TextPaper(benchmark::State& state) { runDocument(state, "latex-tracemonkey-14p.pdf"); }
void BM_TextBook(benchmark::State& state) { runDocument(state, "openoffice-55p.pdf"); }
void BM_WebPage(benchmark::State& state) { runDocument(state, "chrome-wikipedia.pdf"); }
void BM_ReportLab(benchmark::State& state) { runDocument(state, "reportlab-16p.pdf"); }

}  // namespace

BENCHMARK(BM_TextPaper)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TextBook)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WebPage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReportLab)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
