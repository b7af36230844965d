// Evaluations per second of the function kinds that sit in per-pixel and per-strip loops.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/pdf_lexer.h"
#include "core/pdf_parser.h"
#include "graphics/function.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"

namespace {

qm::PdfObject parse(const std::string& text) {
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::memoryFileData(text);
    auto* stream = new qm::FileStream(file, 0, -1, qm::PdfObject::makeNull());
    qm::PdfParser parser(nullptr, std::make_unique<qm::PdfLexer>(nullptr, stream));
    return parser.readObject();
}

qm::PdfObject stream(const std::string& entries, const std::string& data) {
    return parse("<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
                 "\nendstream\n");
}

void evaluate(benchmark::State& state, const qm::PdfFunction& fn) {
    double in[qm::maxFunctionInputs] = {};
    double out[qm::maxFunctionOutputs] = {};
    double x = 0;
    for (auto _ : state) {
        in[0] = x;
        fn.transform(in, out);
        benchmark::DoNotOptimize(out);
        x += 0.0009765625;
        if (x > 1) x = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Sampled1In3Out(benchmark::State& state) {
    std::string data;
    for (int i = 0; i < 256; ++i) data += {static_cast<char>(i), static_cast<char>(255 - i), static_cast<char>(i / 2)};
    auto fn = qm::parseFunction(
        stream("/FunctionType 0 /Domain [0 1] /Range [0 1 0 1 0 1] /Size [256] /BitsPerSample 8", data));
    evaluate(state, *fn);
}
BENCHMARK(BM_Sampled1In3Out);

void BM_Exponential3Out(benchmark::State& state) {
    auto fn = qm::parseFunction(
        parse("<< /FunctionType 2 /Domain [0 1] /C0 [1 0.5 0] /C1 [0 0.25 1] /N 1.5 >>"));
    evaluate(state, *fn);
}
BENCHMARK(BM_Exponential3Out);

void BM_PostScriptTint4Out(benchmark::State& state) {
    auto fn = qm::parseFunction(stream("/FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1 0 1]",
                                       "{ dup 0.5 gt { dup 0.2 mul exch dup 0.7 mul exch 0 exch } "
                                       "{ dup 0.9 mul exch 0 exch dup 0.1 mul exch } ifelse }"));
    evaluate(state, *fn);
}
BENCHMARK(BM_PostScriptTint4Out);

}  // namespace

BENCHMARK_MAIN();
