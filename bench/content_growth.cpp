// Content that a few kilobytes of PDF can make huge: one path of 400k points, a ToUnicode
// map of 400 whole-range multi-value lines, and a 100 x 100 cell pattern whose cell shows
// text in an embedded font. Each runs through the interpreter with a device that draws
// nothing; the figures show linear growth and one font build per document.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/report_error.h"
#include "document/pdf_document.h"
#include "fonts/code_to_unicode_map.h"
#include "fonts/global_settings.h"
#include "render/null_device.h"
#include "streams/file_data.h"

using namespace qm;

namespace {

// A one-page document from numbered objects: 1 catalog, 2 page tree, 3 page, then `objects`
// from number 4 on (each a complete "<< ... >>" or "<< ... >> stream ... endstream").
std::string buildDocument(const std::string& pageEntries, const std::vector<std::string>& objects) {
    std::vector<std::string> all = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] " + pageEntries + " >>"};
    all.insert(all.end(), objects.begin(), objects.end());
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < all.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + all[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(all.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(all.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string stream(const std::string& entries, const std::string& data) {
    return "<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

void displayRepeatedly(benchmark::State& state, const std::string& pdf) {
    GlobalSettingsScope settings;
    ErrorCapture quiet;
    for (auto _ : state) {
        PdfDocument doc(memoryFileData(pdf), PdfString("bench.pdf"), nullptr, nullptr);
        NullDevice device;
        doc.displayPage(&device, 1, 72, 0, false);
        quiet.clear();
    }
    state.counters["bytes"] = static_cast<double>(pdf.size());
}

void BM_LongPath(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    std::string content = "0 0 m\n";
    content.reserve(static_cast<size_t>(points) * 8);
    for (int i = 0; i < points; ++i) content += (i & 1) ? "1 1 l\n" : "2 0 l\n";
    content += "S\n";
    // Compressed files make this a few kilobytes; the interpreter's work is the same.
    displayRepeatedly(state, buildDocument("/Contents 4 0 R", {stream("", content)}));
    state.counters["points/s"] = benchmark::Counter(points, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MultiValueToUnicode(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    std::string text = std::to_string(lines) + " beginbfrange\n";
    for (int i = 0; i < lines; ++i) text += "<0000> <FFFF> <00410042>\n";
    text += "endbfrange\n";
    for (auto _ : state) {
        CodeToUnicodeMap* map = CodeToUnicodeMap::parseToUnicode(text, 16);
        benchmark::DoNotOptimize(map->multiCount());
        map->release();
    }
    state.counters["lines"] = lines;
}

void BM_PatternCellsWithEmbeddedFont(benchmark::State& state) {
    std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
    const std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (program.empty()) {
        state.SkipWithError("DejaVuSans.ttf is not installed");
        return;
    }
    std::string widths;
    for (int i = 0; i < 95; ++i) widths += "600 ";
    std::string toUnicode = "1 beginbfrange\n<20> <7E> <0020>\nendbfrange\n";
    // 4 content, 5 pattern, 6 font, 7 descriptor, 8 program, 9 ToUnicode.
    const std::string pdf = buildDocument(
        "/Contents 4 0 R /Resources << /Pattern << /P 5 0 R >> >>",
        {stream("", "/Pattern cs /P scn 0 0 500 500 re f"),
         stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 5 5] /XStep 5 /YStep 5 "
                "/Resources << /Font << /F1 6 0 R >> >>",
                "BT /F1 4 Tf 0 1 Td (Ab) Tj ET"),
         "<< /Type /Font /Subtype /TrueType /BaseFont /DejaVuSans /FirstChar 32 /LastChar 126 /Widths [" + widths +
             "] /FontDescriptor 7 0 R /ToUnicode 9 0 R >>",
         "<< /Type /FontDescriptor /FontName /DejaVuSans /Flags 32 /FontBBox [0 0 1000 1000] /ItalicAngle 0 "
         "/Ascent 800 /Descent -200 /CapHeight 700 /StemV 80 /FontFile2 8 0 R >>",
         stream("/Length1 " + std::to_string(program.size()), program), stream("", toUnicode)});
    displayRepeatedly(state, pdf);
    state.counters["cells"] = 100 * 100;
}

}  // namespace

BENCHMARK(BM_LongPath)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiValueToUnicode)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatternCellsWithEmbeddedFont)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
