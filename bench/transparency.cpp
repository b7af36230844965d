// Pages per second with and without antialiasing, over pages without transparency (whose
// speed must not change: they never make a layer) and pages full of groups, soft masks and
// blend modes (the transparency corpus and the first pages of a design-tool book). Recorded
// pages (the display lists of HTML and SVG) draw such parts into pictures of their own; the
// two pages of a thesis that hold 800 translucent filled-and-stroked shapes each show what
// one such picture costs.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/report_error.h"
#include "render/display_list.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "render/conversion_renderer.h"

using namespace qm;

namespace {

// Draws pages first..last of each file (clamped to the document) into bitmaps, or into display
// lists when `record`.
void draw(benchmark::State& state, const std::vector<std::string>& files, int first, int last, bool smooth,
          bool record = false) {
    createGlobalSettings("config.lst");
    ErrorCapture quiet;
    std::vector<std::unique_ptr<PdfDocument>> docs;
    for (const std::string& f : files) {
        docs.push_back(std::make_unique<PdfDocument>(
            PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/" + f).c_str()), nullptr, nullptr));
        if (!docs.back()->isOk()) {
            state.SkipWithError("cannot open");
            return;
        }
    }
    long pages = 0;
    for (auto _ : state) {
        for (auto& doc : docs) {
            ConversionRenderer renderer(*doc);
            renderer.setAntialias(smooth);
            for (int n = first; n <= doc->pageCount() && n <= last; ++n, ++pages) {
                PageObjectPtr list = record ? newPageObject() : nullptr;
                renderer.setDisplayList(list.get());
                renderer.drawPage(n, 100);
                renderer.setDisplayList(nullptr);
            }
            quiet.clear();
        }
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
    state.counters["ms/page"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate |
                                                                               benchmark::Counter::kInvert);
    destroyGlobalSettings();
}

const std::vector<std::string> kPlain = {"reportlab-16p.pdf", "latex-tracemonkey-14p.pdf"};
const std::vector<std::string> kTransparent = {
    "pdfjs-tr-alphatrans.pdf",           "pdfjs-tr-blendmode.pdf",          "pdfjs-tr-devicen.pdf",
    "pdfjs-tr-knockout-groups-test.pdf", "pdfjs-tr-knockout-inner-backdrop.pdf",
    "pdfjs-tr-nonisolated-blend-smask.pdf", "pdfjs-tr-smask-alpha-bc.pdf", "pdfjs-tr-smask-alpha-oob.pdf",
    "pdfjs-tr-transparency-group.pdf"};

void plainAliased(benchmark::State& s) { draw(s, kPlain, 1, 1000, false); }
void plainSmooth(benchmark::State& s) { draw(s, kPlain, 1, 1000, true); }
void transparentAliased(benchmark::State& s) { draw(s, kTransparent, 1, 1000, false); }
void transparentSmooth(benchmark::State& s) { draw(s, kTransparent, 1, 1000, true); }
void bookAliased(benchmark::State& s) { draw(s, {"indesign-155p.pdf"}, 1, 12, false); }
void bookSmooth(benchmark::State& s) { draw(s, {"indesign-155p.pdf"}, 1, 12, true); }
void transparentRecorded(benchmark::State& s) { draw(s, kTransparent, 1, 1000, false, true); }
void bookRecorded(benchmark::State& s) { draw(s, {"indesign-155p.pdf"}, 1, 12, false, true); }
// Pages 1 to 3: the two pages of translucent shapes and the plain page between them.
void translucentShapesRecorded(benchmark::State& s) { draw(s, {"latex-geotopo-117p.pdf"}, 1, 3, false, true); }
void translucentShapesAliased(benchmark::State& s) { draw(s, {"latex-geotopo-117p.pdf"}, 1, 3, false); }
void translucentShapesSmooth(benchmark::State& s) { draw(s, {"latex-geotopo-117p.pdf"}, 1, 3, true); }

}  // namespace

BENCHMARK(plainAliased)->Unit(benchmark::kMillisecond);
BENCHMARK(plainSmooth)->Unit(benchmark::kMillisecond);
BENCHMARK(transparentAliased)->Unit(benchmark::kMillisecond);
BENCHMARK(transparentSmooth)->Unit(benchmark::kMillisecond);
BENCHMARK(bookAliased)->Unit(benchmark::kMillisecond);
BENCHMARK(bookSmooth)->Unit(benchmark::kMillisecond);
BENCHMARK(transparentRecorded)->Unit(benchmark::kMillisecond);
BENCHMARK(bookRecorded)->Unit(benchmark::kMillisecond);
BENCHMARK(translucentShapesRecorded)->Unit(benchmark::kMillisecond);
BENCHMARK(translucentShapesAliased)->Unit(benchmark::kMillisecond);
BENCHMARK(translucentShapesSmooth)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
