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
    // Each source column's thumbnail column, and each thumbnail column's width, worked out once.
    std::vector<int> columnOf(static_cast<size_t>(w));
    std::vector<uint64_t> widths(static_cast<size_t>(tw), 0);
    for (int tx = 0; tx < tw; ++tx) {
        const int x0 = edge(tx, w, tw), x1 = std::max(x0 + 1, edge(tx + 1, w, tw));
        for (int x = x0; x < x1 && x < w; ++x) columnOf[x] = tx;
        widths[tx] = static_cast<uint64_t>(std::min(x1, w) - x0);
    }
    std::vector<uint64_t> sums(static_cast<size_t>(tw) * 3);
    for (int ty = 0; ty < th; ++ty) {
        const int y0 = edge(ty, h, th), y1 = std::max(y0 + 1, edge(ty + 1, h, th));
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = y0; y < y1; ++y) {
            const uint32_t* row = src + static_cast<size_t>(y) * w;
            for (int x = 0; x < w; ++x) {
                uint64_t* sum = &sums[3 * static_cast<size_t>(columnOf[x])];
                sum[0] += (row[x] >> 16) & 0xFF;
                sum[1] += (row[x] >> 8) & 0xFF;
                sum[2] += row[x] & 0xFF;
            }
        }
        for (int tx = 0; tx < tw; ++tx) {
            const uint64_t n = widths[tx] * static_cast<uint64_t>(y1 - y0);
            const uint32_t r = static_cast<uint32_t>((sums[3 * tx] + n / 2) / n);
            const uint32_t g = static_cast<uint32_t>((sums[3 * tx + 1] + n / 2) / n);
            const uint32_t b = static_cast<uint32_t>((sums[3 * tx + 2] + n / 2) / n);
            dst[static_cast<size_t>(ty) * tw + tx] = (r << 16) | (g << 8) | b;
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
