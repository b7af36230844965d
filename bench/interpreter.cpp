// Operators per second through the content interpreter and a device that draws nothing, over
// every page of a text-heavy and a graphics-heavy document.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/pdf_catalog.h"
#include "fonts/global_settings.h"
#include "document/pdf_document.h"
#include "document/pdf_page.h"
#include "graphics/content_interpreter.h"
#include "render/null_device.h"

using namespace qm;

namespace {

// Runs every page once; returns the operators executed, forms and pattern cells included.
long runAllPages(PdfDocument& doc) {
    long ops = 0;
    for (int n = 1; n <= doc.pageCount(); ++n) {
        const PdfPage* page = doc.catalog()->page(n);
        const PdfRect& b = page->pageBox();
        NullDevice device;
        ContentInterpreter interp(doc.xref(), &device, n, page->resources(), 72, PageBox{b.x1, b.y1, b.x2, b.y2},
                                  false, PageBox{}, page->rotate(), false);
        PdfObject contents = page->contents().resolve(doc.xref());
        if (!contents.isNull()) interp.run(contents);
        ops += interp.operatorCount();
    }
    return ops;
}

void runDocument(benchmark::State& state, const char* file) {
    createGlobalSettings("config.lst");
    ErrorCapture quiet;
    PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/" + file).c_str()), nullptr, nullptr);
    if (!doc.isOk()) {
        state.SkipWithError("document does not open");
        return;
    }
    const long ops = runAllPages(doc);
    for (auto _ : state) {
        runAllPages(doc);
        quiet.clear();
    }
    destroyGlobalSettings();
    state.counters["operators/s"] =
        benchmark::Counter(static_cast<double>(ops), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["operators"] = static_cast<double>(ops);
}

void BM_TextHeavy(benchmark::State& state) { runDocument(state, "latex-tracemonkey-14p.pdf"); }
void BM_GraphicsHeavy(benchmark::State& state) { runDocument(state, "latex-geotopo-117p.pdf"); }

}  // namespace

BENCHMARK(BM_TextHeavy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphicsHeavy)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
