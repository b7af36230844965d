// Flate decoding throughput: our decoder against zlib's inflate on the same data, a few MB
// of content-stream-like text and of image-like samples, compressed by zlib at level 6.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>

#include "core/pdf_object.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"
#include "streams/flate_decoder.h"

namespace {

std::string contentLike(size_t size) {
    std::mt19937 rng(11);
    std::string out;
    const char* ops[] = {" Td\n", " Tf\n", " re f\n", " m ", " l S\n", " cm\n", " TJ\n", " Tj\n"};
    while (out.size() < size) {
        out += std::to_string(rng() % 600);
        out += '.';
        out += std::to_string(rng() % 100);
        out += ' ';
        out += std::to_string(rng() % 800);
        out += ops[rng() % 8];
        if (rng() % 4 == 0) {
            out += "[(";
            for (int i = 0, n = 3 + static_cast<int>(rng() % 12); i < n; ++i) out += static_cast<char>('a' + rng() % 26);
            out += ')';
            out += std::to_string(rng() % 300);
            out += "(word)]";
        }
    }
    out.resize(size);
    return out;
}

// A smooth RGB picture with some noise, as scanned or rendered images are.
std::string imageLike(int width, int height) {
    std::mt19937 rng(12);
    std::string out;
    out.reserve(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double v = 127 + 60 * std::sin(x * 0.02) + 50 * std::cos(y * 0.015);
            for (int c = 0; c < 3; ++c)
                out += static_cast<char>(static_cast<int>(v + c * 20 + static_cast<int>(rng() % 9)) & 0xff);
        }
    }
    return out;
}

std::string compress(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 6);
    out.resize(size);
    return out;
}

struct Sample {
    std::string plain;
    std::string packed;
};

const Sample& content() {
    static const Sample s = [] {
        Sample x{contentLike(4 << 20), {}};
        x.packed = compress(x.plain);
        return x;
    }();
    return s;
}

const Sample& image() {
    static const Sample s = [] {
        Sample x{imageLike(1200, 1000), {}};
        x.packed = compress(x.plain);
        return x;
    }();
    return s;
}

void runOurs(benchmark::State& state, const Sample& sample) {
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::memoryFileData(sample.packed);
    qm::Stream* s = new qm::FlateDecoder(new qm::FileStream(file, 0, -1, qm::PdfObject::makeNull()), nullptr);
    std::string out(65536, '\0');
    for (auto _ : state) {
        s->reset();
        size_t total = 0;
        for (int n; (n = s->readBlock(reinterpret_cast<unsigned char*>(out.data()), 65536)) > 0;) total += n;
        s->close();
        if (total != sample.plain.size()) state.SkipWithError("wrong size");
        benchmark::DoNotOptimize(out.data());
    }
    s->decRef();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample.plain.size()));
}

void runZlib(benchmark::State& state, const Sample& sample) {
    std::string out(65536, '\0');
    for (auto _ : state) {
        z_stream z{};
        inflateInit(&z);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(sample.packed.data()));
        z.avail_in = static_cast<uInt>(sample.packed.size());
        size_t total = 0;
        int rc = Z_OK;
        while (rc == Z_OK) {
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = 65536;
            rc = inflate(&z, Z_NO_FLUSH);
            total += 65536 - z.avail_out;
        }
        inflateEnd(&z);
        if (total != sample.plain.size()) state.SkipWithError("wrong size");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample.plain.size()));
}

void BM_FlateContent_Ours(benchmark::State& state) { runOurs(state, content()); }
void BM_FlateContent_Zlib(benchmark::State& state) { runZlib(state, content()); }
void BM_FlateImage_Ours(benchmark::State& state) { runOurs(state, image()); }
void BM_FlateImage_Zlib(benchmark::State& state) { runZlib(state, image()); }

BENCHMARK(BM_FlateContent_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlateContent_Zlib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlateImage_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlateImage_Zlib)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
