// The bookkeeping of large batches, which must stay small next to converting: reading a list
// of paths, planning one site per file when many share a name, and reading a results log back
// to resume (an archive of two million files has a log of that many lines).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/batch_list.h"
#include "app/batch_plan.h"
#include "app/json_text.h"
#include "app/results_log.h"

namespace {

std::string pathNumber(long i) {
    return "/archive/theses/" + std::to_string(i % 997) + "/thesis-" + std::to_string(i % 5000) + ".pdf";
}

void BM_ParseBatchList(benchmark::State& state) {
    std::string text;
    for (long i = 0; i < state.range(0); ++i) text += pathNumber(i) + "\n";
    for (auto _ : state) {
        qm::BatchList list = qm::parseBatchList(text);
        benchmark::DoNotOptimize(list.files.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseBatchList)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Every file of the list named like 20 others: each later one searches for a free name.
void BM_SeparateOutputs(benchmark::State& state) {
    std::vector<qm::ConversionJob> jobs;
    for (long i = 0; i < state.range(0); ++i) {
        jobs.push_back({pathNumber(i), "/out/thesis-" + std::to_string(i % (state.range(0) / 20)) + "/index.htm"});
    }
    for (auto _ : state) {
        std::vector<qm::ConversionJob> copy = jobs;
        qm::separateOutputs(copy);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SeparateOutputs)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReadDoneList(benchmark::State& state) {
    char name[] = "/tmp/bench-results-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) {
        state.SkipWithError("no temporary file");
        return;
    }
    ::close(fd);
    {
        std::string text;
        for (long i = 0; i < state.range(0); ++i) {
            qm::ResultRecord r{pathNumber(i) + std::to_string(i), "/out/x/index.htm", i % 50 ? "converted" : "failed", 12,
                               1.5, i % 50 ? "" : "Can't extract the information"};
            text += qm::resultLine(r);
        }
        FILE* f = std::fopen(name, "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        qm::DoneList done = qm::readDoneList(name);
        benchmark::DoNotOptimize(done.converted.size());
    }
    std::remove(name);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadDoneList)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
