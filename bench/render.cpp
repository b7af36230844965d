// Pages per second through the page renderer at zoom 100: drawn into the page bitmap, and
// recorded as a display list, over multi-page corpus documents (text, slides, forms) and the
// shading pages (function-based and radial shadings, painted as many small polygons).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/report_error.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "render/conversion_renderer.h"
#include "render/display_list.h"

using namespace qm;

namespace {

void renderDocument(benchmark::State& state, const char* file, bool record) {
    createGlobalSettings("config.lst");
    ErrorCapture quiet;
    PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/" + file).c_str()), nullptr, nullptr);
    if (!doc.isOk()) {
        state.SkipWithError("cannot open");
        return;
    }
    ConversionRenderer renderer(doc);
    long pages = 0;
    for (auto _ : state) {
        for (int n = 1; n <= doc.pageCount(); ++n, ++pages) {
            PageObjectPtr page = record ? newPageObject() : nullptr;
            renderer.setDisplayList(page.get());
            renderer.drawPage(n, 100);
            renderer.setDisplayList(nullptr);
            benchmark::DoNotOptimize(page);
            quiet.clear();
        }
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
    state.counters["ms/page"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate |
                                                                               benchmark::Counter::kInvert);
    destroyGlobalSettings();
}

// The same text-heavy pages drawn with the document's own fonts and with installed fonts
// (config.ini in a settings folder of the benchmark's own switches between them).
void drawWithFonts(benchmark::State& state, const char* file, bool embedded) {
    const std::string dir = (std::filesystem::temp_directory_path() / "qm-bench-fonts").string();
    std::filesystem::create_directories(dir + "/vellumix");
    std::ofstream(dir + "/vellumix/config.ini") << "[VELLUMX]\nEmbeddedFonts=" << (embedded ? 1 : 0) << "\n";
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    renderDocument(state, file, false);
    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

void drawText(benchmark::State& s) { renderDocument(s, "latex-tracemonkey-14p.pdf", false); }
void drawTextEmbeddedFonts(benchmark::State& s) { drawWithFonts(s, "latex-tracemonkey-14p.pdf", true); }
void drawTextInstalledFonts(benchmark::State& s) { drawWithFonts(s, "latex-tracemonkey-14p.pdf", false); }
void recordText(benchmark::State& s) { renderDocument(s, "latex-tracemonkey-14p.pdf", true); }
void drawReport(benchmark::State& s) { renderDocument(s, "reportlab-16p.pdf", false); }
void recordReport(benchmark::State& s) { renderDocument(s, "reportlab-16p.pdf", true); }
void drawWord(benchmark::State& s) { renderDocument(s, "distiller-word-86p.pdf", false); }
void recordWord(benchmark::State& s) { renderDocument(s, "distiller-word-86p.pdf", true); }
void drawFunctionShading(benchmark::State& s) { renderDocument(s, "shading-function.pdf", false); }
void recordFunctionShading(benchmark::State& s) { renderDocument(s, "shading-function.pdf", true); }
void drawRadialShading(benchmark::State& s) { renderDocument(s, "shading-radial-5p.pdf", false); }
void recordRadialShading(benchmark::State& s) { renderDocument(s, "shading-radial-5p.pdf", true); }

}  // namespace

BENCHMARK(drawText)->Unit(benchmark::kMillisecond);
BENCHMARK(drawTextEmbeddedFonts)->Unit(benchmark::kMillisecond);
BENCHMARK(drawTextInstalledFonts)->Unit(benchmark::kMillisecond);
BENCHMARK(recordText)->Unit(benchmark::kMillisecond);
BENCHMARK(drawReport)->Unit(benchmark::kMillisecond);
BENCHMARK(recordReport)->Unit(benchmark::kMillisecond);
BENCHMARK(drawWord)->Unit(benchmark::kMillisecond);
BENCHMARK(recordWord)->Unit(benchmark::kMillisecond);
BENCHMARK(drawFunctionShading)->Unit(benchmark::kMillisecond);
BENCHMARK(recordFunctionShading)->Unit(benchmark::kMillisecond);
BENCHMARK(drawRadialShading)->Unit(benchmark::kMillisecond);
BENCHMARK(recordRadialShading)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
