// Decoded bytes per second of the LZW decoder, over a text-like stream and over image rows
// with a PNG predictor on top.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "streams/file_data.h"
#include "streams/file_stream.h"
#include "streams/filter_chain.h"
#include "streams/lzw_decoder.h"

namespace {

// A plain LZW encoder (early change 1), enough to make benchmark input.
std::string lzwEncode(const std::string& data) {
    std::string out;
    unsigned long bits = 0;
    int count = 0, width = 9, next = 258;
    auto put = [&](int code) {
        bits = (bits << width) | static_cast<unsigned>(code);
        count += width;
        while (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    };
    std::vector<std::vector<int>> children(4097, std::vector<int>(256, -1));
    put(256);
    int current = -1;
    for (unsigned char c : data) {
        if (current < 0) {
            current = c;
            continue;
        }
        int child = children[static_cast<size_t>(current)][c];
        if (child >= 0) {
            current = child;
            continue;
        }
        put(current);
        if (next < 4094) {
            children[static_cast<size_t>(current)][c] = next++;
            // The decoder defines its entries one code later, hence `next` and not next + 1.
            width = next >= 2048 ? 12 : next >= 1024 ? 11 : next >= 512 ? 10 : 9;
        } else {
            put(256);
            next = 258, width = 9;
            for (auto& v : children) std::fill(v.begin(), v.end(), -1);
        }
        current = c;
    }
    if (current >= 0) put(current);
    put(257);
    if (count) out += static_cast<char>((bits << (8 - count)) & 0xFF);
    return out;
}

std::string textLike() {
    std::string s;
    unsigned seed = 7;
    const char* words[] = {"stream ", "0 0 m ", "12.5 Tf ", "BT ", "ET ", "/F1 ", "q ", "Q ", "1 0 0 1 72 720 cm "};
    while (s.size() < (4u << 20)) {
        seed = seed * 1103515245u + 12345u;
        s += words[(seed >> 16) % 9];
    }
    return s;
}

std::string imageRows() {
    // PNG "Up" rows of a smooth gradient: mostly small repeated differences.
    std::string s;
    const int columns = 1024;
    for (int y = 0; y < 1024; ++y) {
        s += static_cast<char>(2);
        for (int x = 0; x < columns * 3; ++x) s += static_cast<char>(x % 7 == 0 ? 1 : 0);
    }
    return s;
}

void run(benchmark::State& state, const std::string& plain, const char* params) {
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::memoryFileData(lzwEncode(plain));
    qm::LzwParams p;
    if (params) {
        p.predictor.predictor = 12;
        p.predictor.columns = 1024;
        p.predictor.colors = 3;
    }
    std::vector<unsigned char> buffer(1 << 16);
    const long decoded = params ? 1024L * 1024 * 3 : static_cast<long>(plain.size());
    for (auto _ : state) {
        auto* lzw = new qm::LzwDecoder(new qm::FileStream(file, 0, -1, qm::PdfObject::makeNull()), p);
        lzw->reset();
        long total = 0;
        for (int n; (n = lzw->readBlock(buffer.data(), static_cast<int>(buffer.size()))) > 0;) total += n;
        lzw->decRef();
        if (total != decoded) state.SkipWithError("wrong decoded length");
    }
    state.SetBytesProcessed(state.iterations() * decoded);
}

void BM_LzwText(benchmark::State& state) { run(state, textLike(), nullptr); }
void BM_LzwPredictedImage(benchmark::State& state) { run(state, imageRows(), "png"); }

BENCHMARK(BM_LzwText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwPredictedImage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
