// Fetching every object of a file whose objects sit in object streams, against the same
// file rewritten with a classic cross-reference table and no object streams.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/pdf_object.h"
#include "core/xref_table.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"

namespace {

void fetchAll(benchmark::State& state, const char* relativePath) {
    std::string path = std::string(QM_TEST_DATA_DIR) + "/" + relativePath;
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::openFileData(path.c_str());
    if (!file->data) {
        state.SkipWithError("missing file");
        return;
    }
    auto* base = new qm::FileStream(file, 0, -1, qm::PdfObject::makeNull());
    long objects = 0;
    for (auto _ : state) {
        // A fresh table each round, so the object-stream cache starts empty.
        qm::XrefTable xref(base, nullptr, nullptr);
        objects = 0;
        for (int n = 0; n < xref.size(); ++n) {
            const qm::XrefEntry* e = xref.entry(n);
            if (!e->used) continue;
            qm::PdfObject obj = xref.fetch(n, e->generation);
            benchmark::DoNotOptimize(obj.kind());
            ++objects;
        }
    }
    base->decRef();
    state.counters["objects"] = static_cast<double>(objects);
}

void BM_FetchAll_ObjectStreams(benchmark::State& state) { fetchAll(state, "corpus/indesign-155p.pdf"); }
void BM_FetchAll_ClassicTable(benchmark::State& state) { fetchAll(state, "xref/indesign-155p-classic.pdf"); }

BENCHMARK(BM_FetchAll_ObjectStreams)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FetchAll_ClassicTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
