// Pixels per second of the DCT decoder against the reference codec (libjpeg with its SIMD
// code and default settings) on the same photo-like JPEGs, baseline and progressive.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "streams/dct_decoder.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"
#include "support/jpeg_reference.h"

namespace {

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;

const std::string& picture(bool subsampled, bool progressive = false) {
    static std::string jpegs[4];
    std::string& j = jpegs[(subsampled ? 1 : 0) + (progressive ? 2 : 0)];
    if (j.empty()) {
        qm::test::JpegOptions o;
        o.width = kWidth;
        o.height = kHeight;
        o.quality = 85;
        o.progressive = progressive;
        if (!subsampled) o.h[0] = o.v[0] = 1;
        j = qm::test::encodeJpeg(o);
    }
    return j;
}

void ours(benchmark::State& state, bool subsampled, bool progressive = false) {
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::memoryFileData(picture(subsampled, progressive));
    std::vector<unsigned char> buffer(1 << 16);
    for (auto _ : state) {
        auto* dct = new qm::DctDecoder(new qm::FileStream(file, 0, -1, qm::PdfObject::makeNull()));
        dct->reset();
        long total = 0;
        for (int n; (n = dct->readBlock(buffer.data(), static_cast<int>(buffer.size()))) > 0;) total += n;
        dct->close();
        dct->decRef();
        if (total != 3L * kWidth * kHeight) state.SkipWithError("short decode");
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void reference(benchmark::State& state, bool subsampled, bool progressive = false) {
    const std::string& jpeg = picture(subsampled, progressive);
    qm::test::JpegImage image;  // its buffer is reused, as ours is
    for (auto _ : state) {
        if (!qm::test::decodeJpegInto(jpeg, image, false)) state.SkipWithError("reference decode failed");
        benchmark::DoNotOptimize(image.samples.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_DctOurs420(benchmark::State& state) { ours(state, true); }
void BM_DctOurs444(benchmark::State& state) { ours(state, false); }
void BM_DctReference420(benchmark::State& state) { reference(state, true); }
void BM_DctReference444(benchmark::State& state) { reference(state, false); }

void BM_DctOursProgressive420(benchmark::State& state) { ours(state, true, true); }
void BM_DctReferenceProgressive420(benchmark::State& state) { reference(state, true, true); }
void BM_DctOursProgressive444(benchmark::State& state) { ours(state, false, true); }
void BM_DctReferenceProgressive444(benchmark::State& state) { reference(state, false, true); }

BENCHMARK(BM_DctOurs420)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DctReference420)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DctOurs444)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DctReference444)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DctOursProgressive420)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DctReferenceProgressive420)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DctOursProgressive444)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DctReferenceProgressive444)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
