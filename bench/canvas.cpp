// Page-canvas work per page: clearing, filled polygons, dashed lines, image blits, BMP and
// JPEG output of a 612 x 792 page (letter size at 72 dpi).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "platform/canvas/bmp_file.h"
#include "platform/canvas/canvas.h"
#include "platform/jpeg/jpeg_writer.h"
#include "platform/system/data_dir.h"

namespace {

constexpr int kWidth = 612, kHeight = 792;

void fillPage(benchmark::State& state) {
    qm::Bitmap page(kWidth, kHeight);
    qm::Canvas canvas(page);
    const qm::Region all = qm::Region::rectangle(0, 0, kWidth, kHeight);
    for (auto _ : state) canvas.fillRegion(all, 0x123456);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(fillPage);

// A star polygon with many points across the page, under both fill rules.
void starPolygon(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    std::vector<qm::Point> star;
    for (int i = 0; i < points; ++i) {
        const double a = 2 * M_PI * i * (points / 2 - 1) / points;
        star.push_back({static_cast<int>(306 + 300 * std::cos(a)), static_cast<int>(396 + 390 * std::sin(a))});
    }
    qm::Bitmap page(kWidth, kHeight);
    qm::Canvas canvas(page);
    for (auto _ : state) canvas.fillPolygon(star.data(), star.size(), qm::FillMode::alternate, 0xFF);
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(starPolygon)->Arg(5)->Arg(101)->Arg(1001);

void dashedLines(benchmark::State& state) {
    qm::Bitmap page(kWidth, kHeight);
    qm::Canvas canvas(page);
    for (auto _ : state)
        for (int y = 0; y < kHeight; y += 8) canvas.drawLine(0, y, kWidth, kHeight - y, qm::Pen{2, true, 0xFF00});
    state.SetItemsProcessed(state.iterations() * (kHeight / 8));
}
BENCHMARK(dashedLines);

// A 300 x 300 image stretched over the whole page with the white colour key.
void transparentBlit(benchmark::State& state) {
    qm::BitmapInfoHeader h;
    h.width = 300;
    h.height = 300;
    h.bitCount = 32;
    std::vector<uint8_t> header(40);
    h.writeTo(header.data());
    std::vector<uint8_t> bits(300 * 300 * 4);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint8_t>(i * 7);
    auto image = qm::DibView::make(header.data(), header.size(), bits.data(), bits.size());
    qm::Bitmap page(kWidth, kHeight);
    qm::Canvas canvas(page);
    for (auto _ : state) canvas.drawTransparentImage(*image, 0, 0, kWidth, kHeight);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(transparentBlit);

void saveBmp(benchmark::State& state) {
    qm::Bitmap page(kWidth, kHeight);
    const std::string path = qm::tempDirectory() + "/bench-canvas.bmp";
    for (auto _ : state) benchmark::DoNotOptimize(qm::saveBitmapAsBmp(page, path));
    std::remove(path.c_str());
    state.SetBytesProcessed(state.iterations() * (54 + 1836 * kHeight));
}
BENCHMARK(saveBmp);

void saveJpeg(benchmark::State& state) {
    qm::Bitmap page(kWidth, kHeight);
    qm::Canvas(page).fillRegion(qm::Region::rectangle(100, 100, 400, 500), 0x3366CC);
    const std::string path = qm::tempDirectory() + "/bench-canvas.jpg";
    for (auto _ : state) benchmark::DoNotOptimize(qm::writeJpeg(page, path, 75, false));
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(saveJpeg);

}  // namespace

BENCHMARK_MAIN();
