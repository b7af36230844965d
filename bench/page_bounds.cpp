// What single pages cost at their worst, and how fast ordinary pages are drawn:
//  - one page drawing the same 268-megapixel image 20 times, each wider and lower than the one
//    before (counter "decodes": how often the image data was read);
//  - 3,000 characters each at its own size and angle, recorded and replayed (counter "peak MB");
//  - an image declared 1 x 2^28 pixels in a few hundred bytes (counter "peak MB");
//  - the first two pages of the corpus's multi-page files drawn at 100 dpi, against the time
//    `mutool draw -F pnm -r 100` takes for the same pages (counter "ratio": ours / mutool,
//    measured in the same run; skipped when mutool is not installed).
// Peak memory is the process's resident high-water mark, reset before each case.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "render/replay.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "platform/canvas/bitmap.h"
#include "platform/canvas/canvas.h"
#include "render/conversion_renderer.h"
#include "render/display_list.h"
#include "streams/file_data.h"

using namespace qm;

namespace {

// A minimal PDF writer: objects in order, a classic table, the trailer.
class Writer {
public:
    int add(const std::string& body) {
        offsets_.push_back(out_.size());
        const int n = static_cast<int>(offsets_.size());
        out_ += std::to_string(n) + " 0 obj\n" + body + "\nendobj\n";
        return n;
    }
    int stream(const std::string& entries, const std::string& data) {
        return add("<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
                   "\nendstream");
    }
    std::string finish() {
        const size_t xref = out_.size();
        out_ += "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
        char line[32];
        for (size_t o : offsets_) {
            std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
            out_ += line;
        }
        out_ += "trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
                std::to_string(xref) + "\n%%EOF\n";
        return out_;
    }

private:
    std::string out_ = "%PDF-1.4\n";
    std::vector<size_t> offsets_;
};

// `count` zero bytes, Flate-compressed without holding them all.
std::string deflatedZeros(size_t count) {
    z_stream z{};
    deflateInit(&z, 9);
    std::vector<unsigned char> zeros(1 << 20, 0), out(1 << 16);
    std::string result;
    while (true) {
        const size_t chunk = count < zeros.size() ? count : zeros.size();
        count -= chunk;
        z.next_in = zeros.data();
        z.avail_in = static_cast<uInt>(chunk);
        const int flush = count == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, flush);
            result.append(reinterpret_cast<char*>(out.data()), out.size() - z.avail_out);
        } while (z.avail_out == 0);
        if (flush == Z_FINISH) break;
    }
    deflateEnd(&z);
    return result;
}

// A one-page document of `width` x `height` points with the given resources and objects
// (numbered from 4; the content stream is object 3).
std::string onePage(const std::string& content, const std::string& resources,
                    const std::vector<std::pair<std::string, std::string>>& streams, int width = 612,
                    int height = 792) {
    Writer w;
    w.add("<< /Type /Catalog /Pages 2 0 R >>");
    w.add("<< /Type /Pages /Count 1 /Kids [" + std::to_string(4 + streams.size()) + " 0 R] >>");
    w.stream("", content);
    for (const auto& [entries, data] : streams) w.stream(entries, data);
    w.add("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(width) + " " + std::to_string(height) +
          "] /Contents 3 0 R /Resources << " + resources + " >> >>");
    return w.finish();
}

std::unique_ptr<PdfDocument> open(const std::string& bytes) {
    return std::make_unique<PdfDocument>(memoryFileData(bytes), PdfString("bench.pdf"), nullptr, nullptr, 0);
}

// The resident high-water mark: reset, then read.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }
double peakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

void repeatedLargeImage(benchmark::State& state) {
    createGlobalSettings("config.lst");
    ErrorCapture quiet;
    const int side = 16384;  // 2^28 pixels
    std::string content;
    for (int i = 0; i < 20; ++i)
        content += "q " + std::to_string(300 + i * 5) + " 0 0 " + std::to_string(400 - i * 5) + " " +
                   std::to_string(20 + i * 3) + " 20 cm /Im Do Q\n";
    const std::string file = onePage(content, "/XObject << /Im 4 0 R >>",
                                     {{"/Type /XObject /Subtype /Image /Width " + std::to_string(side) + " /Height " +
                                           std::to_string(side) +
                                           " /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode",
                                       deflatedZeros(size_t{side} * side)}});
    auto doc = open(file);
    resetPeak();
    double decodes = 0;
    for (auto _ : state) {
        ConversionRenderer renderer(*doc);
        renderer.drawPage(1, 100);
        decodes = static_cast<double>(renderer.decodedImages().decodes());
        quiet.clear();
    }
    state.counters["decodes"] = decodes;
    state.counters["peak MB"] = peakMegabytes();
    destroyGlobalSettings();
}

void rotatedGlyphSizes(benchmark::State& state) {
    createGlobalSettings("config.lst");
    ErrorCapture quiet;
    // Every character at its own size and angle: each asks for a font of its own.
    std::string content = "BT /F1 1 Tf\n";
    for (int i = 0; i < 3000; ++i) {
        const double angle = i * 0.37, size = 6 + (i % 97) * 0.5;
        const double c = std::cos(angle) * size, s = std::sin(angle) * size;
        char op[160];
        std::snprintf(op, sizeof op, "%.3f %.3f %.3f %.3f %d %d Tm (A) Tj\n", c, s, -s, c, 30 + (i % 50) * 11,
                      30 + (i / 50) * 12);
        content += op;
    }
    content += "ET\n";
    auto doc = open(onePage(content, "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >>", {}));
    resetPeak();
    for (auto _ : state) {
        ConversionRenderer renderer(*doc);
        PageObjectPtr page = newPageObject();
        renderer.setDisplayList(page.get());
        renderer.drawPage(1, 100);
        renderer.setDisplayList(nullptr);
        Bitmap bitmap(page->width, page->height);
        Canvas canvas(bitmap);
        replayDisplayList(canvas, *page);
        quiet.clear();
    }
    state.counters["peak MB"] = peakMegabytes();
    destroyGlobalSettings();
}

void tallThinImage(benchmark::State& state) {
    createGlobalSettings("config.lst");
    ErrorCapture quiet;
    const std::string file = onePage("q 100 0 0 700 50 50 cm /Im Do Q", "/XObject << /Im 4 0 R >>",
                                     {{"/Type /XObject /Subtype /Image /Width 1 /Height 268435456 "
                                       "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode",
                                       deflatedZeros(3000)}});
    state.counters["file bytes"] = static_cast<double>(file.size());
    auto doc = open(file);
    resetPeak();
    for (auto _ : state) {
        ConversionRenderer renderer(*doc);
        renderer.drawPage(1, 100);
        quiet.clear();
    }
    state.counters["peak MB"] = peakMegabytes();
    destroyGlobalSettings();
}

// Multi-page corpus files that open without a password.
std::vector<std::string> multiPageFiles() {
    std::vector<std::string> files;
    std::ifstream manifest(std::string(QM_TEST_DATA_DIR) + "/corpus/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);  // the heading
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields;
        std::stringstream in(line);
        for (std::string f; std::getline(in, f, '\t');) fields.push_back(f);
        if (fields.size() >= 5 && std::atoi(fields[3].c_str()) > 1 && fields[4].empty()) files.push_back(fields[0]);
    }
    return files;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void pageBitmapsAgainstMutool(benchmark::State& state) {
    createGlobalSettings("config.lst");
    ErrorCapture quiet;
    const std::vector<std::string> files = multiPageFiles();
    const bool haveMutool = std::system("command -v mutool > /dev/null 2>&1") == 0;
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& name : files) {
            PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/" + name).c_str()), nullptr, nullptr);
            if (!doc.isOk()) continue;
            ConversionRenderer renderer(doc);
            for (int n = 1; n <= 2 && n <= doc.pageCount(); ++n) renderer.drawPage(n, 100);
            quiet.clear();
        }
        ours += seconds(start);
        if (!haveMutool) continue;
        const auto other = std::chrono::steady_clock::now();
        for (const std::string& name : files) {
            const std::string command = "mutool draw -q -F pnm -r 100 -o /dev/null '" + std::string(QM_TEST_DATA_DIR) +
                                        "/corpus/" + name + "' 1-2 > /dev/null 2>&1";
            if (std::system(command.c_str()) != 0) continue;
        }
        theirs += seconds(other);
    }
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["ours s"] = ours / static_cast<double>(state.iterations());
    if (haveMutool && theirs > 0) {
        state.counters["mutool s"] = theirs / static_cast<double>(state.iterations());
        state.counters["ratio"] = ours / theirs;
    }
    destroyGlobalSettings();
}

}  // namespace

BENCHMARK(repeatedLargeImage)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(rotatedGlyphSizes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(tallThinImage)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(pageBitmapsAgainstMutool)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
