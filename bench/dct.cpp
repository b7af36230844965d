// Pixels per second of the DCT decoder against the reference codec (libjpeg with its SIMD
// code and default settings) on the same photo-like baseline JPEGs.
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

const std::string& picture(bool subsampled) {
    static std::string jpegs[2];
    std::string& j = jpegs[subsampled ? 1 : 0];
    if (j.empty()) {
        qm::test::JpegOptions o;
        o.width = kWidth;
        o.height = kHeight;
        o.quality = 85;
        if (!subsampled) o.h[0] = o.v[0] = 1;
        j = qm::test::encodeJpeg(o);
    }
    return j;
}

void ours(benchmark::State& state, bool subsampled) {
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::memoryFileData(picture(subsampled));
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

void reference(benchmark::State& state, bool subsampled) {
    const std::string& jpeg = picture(subsampled);
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

BENCHMARK(BM_DctOurs420)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DctReference420)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DctOurs444)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DctReference444)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
