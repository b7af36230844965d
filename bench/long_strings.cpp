// Opening a file whose catalog holds one long literal string: the time per megabyte must
// stay flat as the string grows (linear, not quadratic, in its length).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "core/pdf_object.h"
#include "core/xref_table.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"

namespace {

// A small file: the catalog (object 1) with a /Text string of `bytes` bytes, a classic table.
std::string fileWithString(long bytes) {
    std::string body(static_cast<size_t>(bytes), 'x');
    for (size_t i = 0; i < body.size(); i += 997) body[i] = static_cast<char>('a' + i % 26);
    std::string file = "%PDF-1.4\n";
    long catalog = static_cast<long>(file.size());
    file += "1 0 obj\n<< /Type /Catalog /Text (" + body + ") >>\nendobj\n";
    long xref = static_cast<long>(file.size());
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010ld 00000 n\r\n", catalog);
    file += std::string("xref\n0 2\n0000000000 65535 f\r\n") + entry;
    file += "trailer\n<< /Size 2 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return file;
}

void BM_OpenCatalogWithLongString(benchmark::State& state) {
    const long megabytes = state.range(0);
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::memoryFileData(fileWithString(megabytes << 20));
    auto* base = new qm::FileStream(file, 0, -1, qm::PdfObject::makeNull());
    for (auto _ : state) {
        qm::XrefTable xref(base, nullptr, nullptr);
        qm::PdfObject catalog = xref.fetch(xref.rootNumber(), xref.rootGeneration());
        benchmark::DoNotOptimize(catalog.dictLookup("Text").getString()->length());
    }
    base->decRef();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (megabytes << 20));
}

BENCHMARK(BM_OpenCatalogWithLongString)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
