// Page pictures for the page list.
#include "convert/page_thumbnail.h"

#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "convert/path_parts.h"
#include "render/replay.h"
#include "platform/canvas/canvas.h"
#include "platform/jpeg/jpeg_writer.h"

namespace qm {

namespace {

// Small text wants a little more quality than the page backgrounds get.
constexpr int kThumbnailQuality = 85;

// The first source pixel of thumbnail pixel `i` of `to` along a side of `from` pixels.
int edge(int i, int from, int to) { return static_cast<int>(static_cast<int64_t>(i) * from / to); }

}  // namespace

std::string thumbnailPath(std::string_view htmlPath) {
    std::string_view ext = extensionOf(htmlPath);
    return std::string(htmlPath.substr(0, htmlPath.size() - ext.size())) + "_t.jpg";
}

std::unique_ptr<Bitmap> shrinkToThumbnail(Bitmap& page) {
    if (!page.isOk()) return nullptr;
    cairo_surface_flush(page.surface());
    const int w = page.width(), h = page.height();
    double scale = std::min({1.0, static_cast<double>(kThumbnailWidth) / w, static_cast<double>(kThumbnailHeight) / h});
    const int tw = std::max(1, static_cast<int>(w * scale + 0.5)), th = std::max(1, static_cast<int>(h * scale + 0.5));
    auto small = std::make_unique<Bitmap>(tw, th);
    if (!small->isOk()) return nullptr;
    cairo_surface_flush(small->surface());
    const uint32_t* src = page.words();
    uint32_t* dst = small->words();
    // Each thumbnail column's first source column, worked out once.
    std::vector<int> columnStart(static_cast<size_t>(tw) + 1);
    for (int tx = 0; tx <= tw; ++tx) columnStart[tx] = std::min(edge(tx, w, tw), w);
    // The rows of a thumbnail row are first added up column by column (a loop the compiler
    // turns into vector code), then each thumbnail pixel adds up its columns.
    std::vector<uint32_t> reds(static_cast<size_t>(w)), greens(static_cast<size_t>(w)), blues(static_cast<size_t>(w));
    for (int ty = 0; ty < th; ++ty) {
        const int y0 = edge(ty, h, th), y1 = std::max(y0 + 1, edge(ty + 1, h, th));
        std::fill(reds.begin(), reds.end(), 0);
        std::fill(greens.begin(), greens.end(), 0);
        std::fill(blues.begin(), blues.end(), 0);
        for (int y = y0; y < y1; ++y) {
            const uint32_t* row = src + static_cast<size_t>(y) * w;
            for (int x = 0; x < w; ++x) {
                reds[x] += (row[x] >> 16) & 0xFF;
                greens[x] += (row[x] >> 8) & 0xFF;
                blues[x] += row[x] & 0xFF;
            }
        }
        for (int tx = 0; tx < tw; ++tx) {
            uint64_t r = 0, g = 0, b = 0;
            for (int x = columnStart[tx]; x < columnStart[tx + 1]; ++x) {
                r += reds[x];
                g += greens[x];
                b += blues[x];
            }
            const uint64_t n = static_cast<uint64_t>(columnStart[tx + 1] - columnStart[tx]) * (y1 - y0);
            auto mean = [n](uint64_t sum) { return static_cast<uint32_t>((sum + n / 2) / n); };
            dst[static_cast<size_t>(ty) * tw + tx] = (mean(r) << 16) | (mean(g) << 8) | mean(b);
        }
    }
    cairo_surface_mark_dirty(small->surface());
    return small;
}

bool writePageThumbnail(Bitmap& background, const PageObject& page, const std::string& path, DeviceFontCache& fonts) {
    if (!background.isOk()) return false;
    {
        Canvas canvas(background);
        replayUprightText(canvas, page, fonts);
    }
    std::unique_ptr<Bitmap> small = shrinkToThumbnail(background);
    return small && writeJpeg(*small, path, kThumbnailQuality, false);
}

}  // namespace qm
