// Settings creation (the glyph list goes into its hash table every time a document opens),
// glyph-name lookups during font construction, and Unicode-to-byte mapping per character.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "fonts/builtin_tables.h"
#include "fonts/global_settings.h"
#include "fonts/glyph_name_table.h"
#include "fonts/unicode_map.h"

namespace {

void BM_GlyphListBuild(benchmark::State& state) {
    for (auto _ : state) {
        qm::GlyphNameTable table;
        table.addStatic(qm::kBuiltinGlyphList, qm::kBuiltinGlyphListCount);
        benchmark::DoNotOptimize(table.lookup("A"));
    }
    state.SetItemsProcessed(state.iterations() * qm::kBuiltinGlyphListCount);
}
BENCHMARK(BM_GlyphListBuild);

void BM_GlyphNameLookup(benchmark::State& state) {
    qm::GlyphNameTable table;
    table.addStatic(qm::kBuiltinGlyphList, qm::kBuiltinGlyphListCount);
    static const char* const names[] = {"A", "quoteright", "afii10017", "Eacute", "fi", "uni0041", "threesuperior",
                                        "bullet"};
    uint32_t sum = 0;
    for (auto _ : state)
        for (const char* n : names) sum += table.lookup(n);
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * 8);
}
BENCHMARK(BM_GlyphNameLookup);

void BM_MapUnicode(benchmark::State& state, const qm::UnicodeMapRange* ranges, int count) {
    qm::UnicodeMap* map = qm::UnicodeMap::makeTable("bench", ranges, count);
    uint8_t out[8];
    int total = 0;
    for (auto _ : state)
        for (uint32_t u = 0; u < 0x2200; u += 7) total += map->mapUnicode(u, out, sizeof out);
    benchmark::DoNotOptimize(total);
    state.SetItemsProcessed(state.iterations() * (0x2200 / 7 + 1));
    map->release();
}
BENCHMARK_CAPTURE(BM_MapUnicode, Latin1, qm::kLatin1Ranges, qm::kLatin1RangesCount);
BENCHMARK_CAPTURE(BM_MapUnicode, Symbol, qm::kSymbolRanges, qm::kSymbolRangesCount);

void BM_SettingsWithoutConfig(benchmark::State& state) {
    for (auto _ : state) {
        qm::GlobalSettings settings("/nonexistent/config.lst");
        benchmark::DoNotOptimize(settings.mapNameToUnicode("A"));
    }
}
BENCHMARK(BM_SettingsWithoutConfig);

}  // namespace

BENCHMARK_MAIN();
