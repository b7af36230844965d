#include "render/image_raster.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "core/report_error.h"
#include "graphics/image_color_map.h"
#include "render/image_alpha.h"
#include "streams/image_sample_reader.h"
#include "streams/stream.h"

namespace qm {

namespace {

constexpr long long kMaxSourcePixels = 1LL << 28;
constexpr double kMaxCoord = double(1 << 28);
constexpr uint32_t kTransparent = 0xFFFFFF;  // page words 0x00RRGGBB
constexpr uint32_t kCoveringWhite = 0xFFFFFA;  // red 255, green 255, blue 250

// How the image's columns and rows lie on the page when it is not turned by an odd angle.
struct Orientation {
    bool swap;   // columns run down the page, rows across
    bool flipX;  // along the DIB's x axis the image runs right to left
    bool flipY;  // along the DIB's y axis the image runs bottom to top
};

// The source index (0..count-1) that DIB index i of n picks, by the centres of both.
long pick(long i, long n, long count, bool flip) {
    long s = static_cast<long>((static_cast<double>(i) + 0.5) * static_cast<double>(count) / static_cast<double>(n));
    s = std::clamp(s, 0L, count - 1);
    return flip ? count - 1 - s : s;
}

// Which source line (0..count-1) upright line k of n holds. Samples decoded for a mirrored
// draw pick from the far side, so that drawing them mirrored gives exactly the lines a direct
// pick would.
long uprightPick(long k, long n, long count, bool flip) {
    return flip ? pick(n - 1 - k, n, count, true) : pick(k, n, count, false);
}

struct Frame {
    double a, b, c, d, e, f;
    long left, top, right, bottom;  // device bounding box (right and bottom exclusive)
};

bool frameOf(const ImagePlacement& p, Frame& fr) {
    const double* m = p.m;
    fr = {m[0], m[1], m[2], m[3], m[4], m[5], 0, 0, 0, 0};
    if (!(std::fabs(m[0] * m[3] - m[1] * m[2]) >= kSingularImage)) return false;
    const double xs[4] = {m[4], m[0] + m[4], m[2] + m[4], m[0] + m[2] + m[4]};
    const double ys[4] = {m[5], m[1] + m[5], m[3] + m[5], m[1] + m[3] + m[5]};
    double x0 = *std::min_element(xs, xs + 4), x1 = *std::max_element(xs, xs + 4);
    double y0 = *std::min_element(ys, ys + 4), y1 = *std::max_element(ys, ys + 4);
    if (!std::isfinite(x0 + x1 + y0 + y1)) return false;
    auto round = [](double v) { return static_cast<long>(std::trunc(std::clamp(v, -kMaxCoord, kMaxCoord) + 0.5)); };
    fr.left = round(x0);
    fr.right = round(x1);
    fr.top = round(y0);
    fr.bottom = round(y1);
    // Images thinner than a pixel still show as one.
    if (fr.right == fr.left) ++fr.right;
    if (fr.bottom == fr.top) ++fr.bottom;
    return true;
}

// Axis-aligned placements (skew below half a pixel over the image) keep their own pixels;
// anything else is drawn pixel by pixel from the page's side.
std::optional<Orientation> alignedOrientation(const Frame& f) {
    if (std::fabs(f.b) < 0.5 && std::fabs(f.c) < 0.5) return Orientation{false, f.a < 0, f.d > 0};
    if (std::fabs(f.a) < 0.5 && std::fabs(f.d) < 0.5) return Orientation{true, f.c > 0, f.b < 0};
    return std::nullopt;
}

// The upright grid of samples one draw needs, and how it then lies on the page.
struct Layout {
    std::optional<Orientation> aligned;             // none: turned by an odd angle
    long outWidth = 0, outHeight = 0;               // aligned: the DIB's size, its own pixels
    long left = 0, top = 0, right = 0, bottom = 0;  // turned: the visible part of the frame
    long columns = 0, rows = 0;                     // the upright grid wanted
    bool flipColumns = false, flipRows = false;
    long maxColumns = 0, maxRows = 0;               // the finest grid any draw would want
    long pageColumns = 0, pageRows = 0;             // the finest any draw wholly on the page wants
};

// False when nothing of a turned image is visible.
bool layoutOf(const ImagePlacement& p, const Frame& f, int srcW, int srcH, Layout& l) {
    // Beyond a few page sizes more pixels would only cost memory.
    const long limit = 2L * (p.pageWidth + p.pageHeight) + 64;
    l.maxColumns = std::clamp(limit, 1L, static_cast<long>(srcW));
    l.maxRows = std::clamp(limit, 1L, static_cast<long>(srcH));
    // Drawn whole on the page, either way round, an image spans at most the page's longer side.
    const long span = std::max<long>(p.pageWidth, p.pageHeight);
    l.pageColumns = std::clamp(span, 1L, static_cast<long>(srcW));
    l.pageRows = std::clamp(span, 1L, static_cast<long>(srcH));
    if ((l.aligned = alignedOrientation(f))) {
        const Orientation& o = *l.aligned;
        // The DIB's axes: without a swap x follows the columns and y the rows.
        const long alongX = o.swap ? srcH : srcW, alongY = o.swap ? srcW : srcH;
        l.outWidth = std::clamp(std::min(f.right - f.left, limit), 1L, alongX);
        l.outHeight = std::clamp(std::min(f.bottom - f.top, limit), 1L, alongY);
        l.columns = o.swap ? l.outHeight : l.outWidth;
        l.rows = o.swap ? l.outWidth : l.outHeight;
        l.flipColumns = o.swap ? o.flipY : o.flipX;
        l.flipRows = o.swap ? o.flipX : o.flipY;
        return true;
    }
    l.left = std::max(f.left, 0L);
    l.top = std::max(f.top, 0L);
    l.right = std::min<long>(f.right, p.pageWidth);
    l.bottom = std::min<long>(f.bottom, p.pageHeight);
    if (l.right <= l.left || l.bottom <= l.top) return false;
    const long diagonal =
        std::min(static_cast<long>(std::hypot(double(f.right - f.left), double(f.bottom - f.top))) + 1, limit);
    l.columns = std::clamp(diagonal, 1L, static_cast<long>(srcW));
    l.rows = std::clamp(diagonal, 1L, static_cast<long>(srcH));
    return true;
}

// Images up to this many pixels are drawn from samples that give exactly the pixels a direct
// read would; larger ones accept samples of any finer grid, so that drawing them at many sizes
// does not read them every time.
constexpr long long kExactSourcePixels = 1LL << 22;

bool largeSource(long long width, long long height) { return width * height > kExactSourcePixels; }
bool largeSource(const ImageSamples& s) { return largeSource(s.sourceWidth, s.sourceHeight); }

// A large image met for the first time is decoded at the detail the page can show, not just
// this draw's, when that costs a small part of reading it and of the cache: a page drawing it
// again at other sizes then reads it once.
constexpr long long kMaxPageSamples = 1LL << 23;

// The smallest odd multiple of `need` lines that reaches `target`, or all `full` lines when
// that is no more. Lines picked by centres from a grid an odd multiple finer are exactly the
// lines picked from the source directly, so the draw that decodes looks as it would alone.
long oddMultiple(long need, long target, long full) {
    if (need >= target) return need;
    long k = (target + need - 1) / need;
    if (k % 2 == 0) ++k;
    return need * k >= full ? full : need * k;
}

void widenToPage(long srcW, long srcH, Layout& wanted) {
    const long columns = oddMultiple(wanted.columns, wanted.pageColumns, srcW);
    const long rows = oddMultiple(wanted.rows, wanted.pageRows, srcH);
    if (static_cast<double>(columns) * static_cast<double>(rows) >
        static_cast<double>(std::min<long long>(kMaxPageSamples, srcW * srcH / 4)))
        return;  // too dear: this draw's grid only
    wanted.columns = columns;
    wanted.rows = rows;
}

// Samples decoded for an earlier draw serve this one: at the source's full detail, picked
// for a draw of the same size and direction, or, for large images, any grid at least as fine.
bool fineEnough(const ImageSamples& s, const Layout& l) {
    auto serves = [&](long have, long full, long need, bool flip, bool wanted) {
        return have == full || (have == need && flip == wanted) || (largeSource(s) && have >= need);
    };
    return serves(s.width, s.sourceWidth, l.columns, s.flipColumns, l.flipColumns) &&
           serves(s.height, s.sourceHeight, l.rows, s.flipRows, l.flipRows);
}

// Reads the rows the layout's grid needs (every row for `readAll`) and turns them into values
// with `decode(samples, columns, out)`. Nothing is sized from the image's height: rows are
// read in order, and once the data has ended every later row is the last one read.
template <typename T, typename DecodeRow>
void decodeUpright(int srcW, int srcH, const Layout& l, bool readAll, ImageSampleReader& reader, DecodeRow decode,
                   SampleGrid<T>& grid) {
    grid.sourceWidth = srcW;
    grid.sourceHeight = srcH;
    grid.width = static_cast<int>(l.columns);
    grid.height = static_cast<int>(l.rows);
    grid.flipColumns = l.flipColumns;
    grid.flipRows = l.flipRows;
    grid.values.assign(static_cast<size_t>(grid.width) * static_cast<size_t>(grid.height), T{});
    std::vector<int> columns(static_cast<size_t>(grid.width));
    for (long j = 0; j < grid.width; ++j)
        columns[static_cast<size_t>(j)] = static_cast<int>(uprightPick(j, grid.width, srcW, grid.flipColumns));
    long read = 0;
    const unsigned char* row = nullptr;
    auto readThrough = [&](long target) {
        while (read <= target) {
            if (row && reader.ended()) {
                read = target + 1;
                break;
            }
            row = reader.nextLine();
            ++read;
        }
    };
    for (long k = 0; k < grid.height; ++k) {
        readThrough(uprightPick(k, grid.height, srcH, grid.flipRows));
        if (row) decode(row, columns, grid.values.data() + static_cast<size_t>(k) * static_cast<size_t>(grid.width));
    }
    if (readAll) readThrough(srcH - 1);
}

// The aligned layout's DIB-sized grid, top-down, from upright samples of any size.
template <typename T>
SampleGrid<T> orient(const SampleGrid<T>& s, const Layout& l) {
    SampleGrid<T> out;
    out.width = static_cast<int>(l.outWidth);
    out.height = static_cast<int>(l.outHeight);
    out.values.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    std::vector<size_t> rowAt(static_cast<size_t>(l.rows)), columnAt(static_cast<size_t>(l.columns));
    for (long i = 0; i < l.rows; ++i)
        rowAt[static_cast<size_t>(i)] = static_cast<size_t>(pick(i, l.rows, s.height, l.flipRows)) * static_cast<size_t>(s.width);
    for (long j = 0; j < l.columns; ++j)
        columnAt[static_cast<size_t>(j)] = static_cast<size_t>(pick(j, l.columns, s.width, l.flipColumns));
    const bool swap = l.aligned->swap;
    for (long y = 0; y < out.height; ++y) {
        T* to = out.values.data() + static_cast<size_t>(y) * static_cast<size_t>(out.width);
        if (swap) {
            const size_t column = columnAt[static_cast<size_t>(y)];
            for (long x = 0; x < out.width; ++x) to[x] = s.values[rowAt[static_cast<size_t>(x)] + column];
        } else {
            const T* from = s.values.data() + rowAt[static_cast<size_t>(y)];
            for (long x = 0; x < out.width; ++x) to[x] = from[columnAt[static_cast<size_t>(x)]];
        }
    }
    return out;
}

// For images turned by any angle: each page pixel of the visible part of the frame takes the
// upright sample under its centre, `outside` elsewhere.
template <typename T>
SampleGrid<T> resample(const SampleGrid<T>& source, const Frame& f, const Layout& l, T outside) {
    SampleGrid<T> out;
    out.width = static_cast<int>(l.right - l.left);
    out.height = static_cast<int>(l.bottom - l.top);
    out.values.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), outside);
    const double det = f.a * f.d - f.b * f.c;
    for (long y = l.top; y < l.bottom; ++y) {
        for (long x = l.left; x < l.right; ++x) {
            const double px = x + 0.5 - f.e, py = y + 0.5 - f.f;
            const double u = (px * f.d - py * f.c) / det, v = (py * f.a - px * f.b) / det;
            if (u < 0 || u >= 1 || v <= 0 || v > 1) continue;
            const long col = std::min<long>(static_cast<long>(u * source.width), source.width - 1);
            const long row = std::min<long>(static_cast<long>((1 - v) * source.height), source.height - 1);
            out.values[static_cast<size_t>(y - l.top) * static_cast<size_t>(out.width) + static_cast<size_t>(x - l.left)] =
                source.values[static_cast<size_t>(row) * static_cast<size_t>(source.width) + static_cast<size_t>(col)];
        }
    }
    return out;
}

// The grid as it lies on the page, and where: the image's own pixels (at most its place's
// size) when aligned, else a page-pixel resampling of the visible part.
template <typename T>
SampleGrid<T> lay(const SampleGrid<T>& samples, const Frame& f, const Layout& l, T outside, RasterImage& out) {
    if (l.aligned) {
        out.x = static_cast<int>(f.left);
        out.y = static_cast<int>(f.top);
        out.width = static_cast<int>(f.right - f.left);
        out.height = static_cast<int>(f.bottom - f.top);
        return orient(samples, l);
    }
    out.x = static_cast<int>(l.left);
    out.y = static_cast<int>(l.top);
    out.width = static_cast<int>(l.right - l.left);
    out.height = static_cast<int>(l.bottom - l.top);
    return resample(samples, f, l, outside);
}

// The samples of a draw laid out as `l`: those in `cache` when they serve, else read from the
// stream (reset and closed here), and then kept in `cache`. Null when the samples cannot be
// read at all.
template <typename DecodeRow>
SharedSamples samplesFor(const Layout& l, Stream* stream, int width, int height, int comps, int bits, bool readAll,
                         SharedSamples* cache, DecodeRow decode) {
    if (cache && *cache && fineEnough(**cache, l)) return *cache;
    // An image drawn again in another way is read again: a small one at its full detail,
    // which then serves every draw; a large one at twice the detail kept at least, so that
    // draws growing a little each time read it a few times, not once each.
    Layout wanted = l;
    if (cache && !*cache && largeSource(width, height)) widenToPage(width, height, wanted);
    if (cache && *cache) {
        const bool large = largeSource(**cache);
        wanted.columns = large ? std::max(l.columns, std::min(2L * (*cache)->width, l.maxColumns)) : width;
        wanted.rows = large ? std::max(l.rows, std::min(2L * (*cache)->height, l.maxRows)) : height;
    }
    ImageSampleReader reader(stream, width, comps, bits);
    if (!reader.isOk()) return nullptr;
    reader.reset();
    auto fresh = std::make_shared<ImageSamples>();
    decodeUpright(width, height, wanted, readAll, reader, decode, *fresh);
    stream->close();
    if (cache) *cache = fresh;
    return fresh;
}

// Sets the header for a width x height DIB of `bitCount` bits and zeroes its rows; returns
// the row stride.
size_t startBits(RasterImage& out, int width, int height, int bitCount) {
    out.header = BitmapInfoHeader{};
    out.header.width = width;
    out.header.height = height;
    out.header.bitCount = static_cast<uint16_t>(bitCount);
    const size_t stride = BitmapInfoHeader::rowStride(width, bitCount);
    out.header.imageSize = static_cast<uint32_t>(stride * static_cast<size_t>(height));
    out.bits.assign(stride * static_cast<size_t>(height), 0);
    return stride;
}

bool sizeOk(int width, int height) {
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > kMaxSourcePixels) {
        reportError(-1, "Bad image size %d x %d", width, height);
        return false;
    }
    return true;
}

// Reads the mask onto a grid laid over the same frame as the image's; false when it cannot.
bool placeAlpha(const ImagePlacement& placement, const Frame& f, const ImageAlpha& alpha, SampleGrid<uint8_t>& grid) {
    if (!sizeOk(alpha.width, alpha.height)) return false;
    Layout l;
    if (!layoutOf(placement, f, alpha.width, alpha.height, l)) return false;
    auto decode = [&](const unsigned char* samples, const std::vector<int>& columns, uint8_t* row) {
        for (size_t j = 0; j < columns.size(); ++j) row[j] = alpha.opacity[samples[columns[j]]];
    };
    RasterImage unused;
    SampleGrid<uint8_t> upright;
    if (alpha.stream) {
        ImageSampleReader reader(alpha.stream, alpha.width, 1, alpha.bits);
        if (!reader.isOk()) return false;
        reader.reset();
        // A mask whose filters fail gives no data at all; read as one bits it would hide or
        // show the whole image for no reason of its own.
        if (alpha.stream->peekByte() < 0) {
            alpha.stream->close();
            return false;
        }
        decodeUpright(alpha.width, alpha.height, l, placement.readAll, reader, decode, upright);
        alpha.stream->close();
    } else {
        const std::vector<uint8_t>* plane = alpha.plane;
        if (!plane || plane->size() < static_cast<size_t>(alpha.width) * static_cast<size_t>(alpha.height)) return false;
        upright.sourceWidth = alpha.width;
        upright.sourceHeight = alpha.height;
        upright.width = static_cast<int>(l.columns);
        upright.height = static_cast<int>(l.rows);
        upright.values.resize(static_cast<size_t>(upright.width) * static_cast<size_t>(upright.height));
        std::vector<int> columns(static_cast<size_t>(upright.width));
        for (long j = 0; j < upright.width; ++j)
            columns[static_cast<size_t>(j)] = static_cast<int>(uprightPick(j, upright.width, alpha.width, l.flipColumns));
        for (long k = 0; k < upright.height; ++k) {
            const size_t source = static_cast<size_t>(uprightPick(k, upright.height, alpha.height, l.flipRows));
            decode(plane->data() + source * static_cast<size_t>(alpha.width), columns,
                   upright.values.data() + static_cast<size_t>(k) * static_cast<size_t>(upright.width));
        }
    }
    grid = lay(upright, f, l, uint8_t{0}, unused);
    return true;
}

// A grid of `width` x `height` taking each value from the nearest of `source` by centres.
template <typename T>
SampleGrid<T> scaleGrid(const SampleGrid<T>& source, int width, int height) {
    SampleGrid<T> out;
    out.width = width;
    out.height = height;
    out.values.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    std::vector<size_t> columns(static_cast<size_t>(width));
    for (long x = 0; x < width; ++x) columns[static_cast<size_t>(x)] = static_cast<size_t>(pick(x, width, source.width, false));
    for (long y = 0; y < height; ++y) {
        const T* from = source.values.data() + static_cast<size_t>(pick(y, height, source.height, false)) * static_cast<size_t>(source.width);
        T* to = out.values.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (long x = 0; x < width; ++x) to[x] = from[columns[static_cast<size_t>(x)]];
    }
    return out;
}

// The opacity of each pixel of the image's grid from the mask's grid over the same frame
// (nearest by centres when their sizes differ; a finer mask refines the image's grid so its
// edges stay sharp); colour-keyed pixels stay out and /Matte is taken back out of the colours.
void applyAlpha(SampleGrid<uint32_t>& image, const SampleGrid<uint8_t>& mask, const ImageAlpha& alpha, std::vector<uint8_t>& out) {
    if (mask.width > image.width || mask.height > image.height)
        image = scaleGrid(image, std::max(image.width, mask.width), std::max(image.height, mask.height));
    out.assign(image.values.size(), 0);
    std::vector<size_t> columns(static_cast<size_t>(image.width));
    for (long x = 0; x < image.width; ++x) columns[static_cast<size_t>(x)] = static_cast<size_t>(pick(x, image.width, mask.width, false));
    for (long y = 0; y < image.height; ++y) {
        const uint8_t* maskRow = mask.values.data() + static_cast<size_t>(pick(y, image.height, mask.height, false)) * static_cast<size_t>(mask.width);
        uint32_t* colours = image.values.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width);
        uint8_t* opacity = out.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width);
        for (long x = 0; x < image.width; ++x) {
            if (colours[x] == kTransparent) continue;
            const uint8_t a = maskRow[columns[static_cast<size_t>(x)]];
            opacity[x] = a;
            if (!alpha.hasMatte || a == 0 || a == 255) continue;
            uint32_t c = 0;
            for (int k = 0; k < 3; ++k) {
                const int shift = 16 - 8 * k;
                const int m = alpha.matte[k], v = static_cast<int>((colours[x] >> shift) & 0xFF);
                c |= static_cast<uint32_t>(std::clamp(m + (v - m) * 255 / a, 0, 255)) << shift;
            }
            colours[x] = c == kTransparent ? kCoveringWhite : c;
        }
    }
}

}  // namespace

bool rasterizeImage(const ImagePlacement& placement, Stream* stream, int width, int height,
                    const ImageColorMap& colorMap, const int* maskColors, RasterImage& out, const ImageAlpha* alpha,
                    SharedSamples* cache) {
    Frame f;
    Layout l;
    if (!frameOf(placement, f) || !sizeOk(width, height) || !layoutOf(placement, f, width, height, l)) return false;
    const int comps = colorMap.componentCount();
    // Colour-key ranges in the reader's value width (16-bit values arrive as their high byte).
    int low[32], high[32];
    const int shift = colorMap.bits() > 8 ? 8 : 0;
    if (maskColors)
        for (int k = 0; k < comps && k < 16; ++k) {
            low[k] = maskColors[2 * k] >> shift;
            high[k] = maskColors[2 * k + 1] >> shift;
        }
    auto decode = [&](const unsigned char* samples, const std::vector<int>& columns, uint32_t* row) {
        for (size_t j = 0; j < columns.size(); ++j) {
            const unsigned char* s = samples + static_cast<size_t>(columns[j]) * static_cast<size_t>(comps);
            if (maskColors) {
                bool keyed = true;
                for (int k = 0; k < comps && k < 16 && keyed; ++k) keyed = s[k] >= low[k] && s[k] <= high[k];
                if (keyed) {
                    row[j] = kTransparent;
                    continue;
                }
            }
            unsigned char rgb[3];
            colorMap.getRgbBytes(s, rgb);
            const uint32_t w = (uint32_t(rgb[0]) << 16) | (uint32_t(rgb[1]) << 8) | rgb[2];
            row[j] = w == kTransparent ? kCoveringWhite : w;
        }
    };
    SharedSamples samples =
        samplesFor(l, stream, width, height, comps, colorMap.bits(), placement.readAll, cache, decode);
    if (!samples) return false;
    SampleGrid<uint32_t> grid = lay(*samples, f, l, kTransparent, out);
    out.alpha.clear();
    if (alpha) {
        SampleGrid<uint8_t> mask;
        if (placeAlpha(placement, f, *alpha, mask))
            applyAlpha(grid, mask, *alpha, out.alpha);
        else
            reportError(-1, "Bad image mask data - the image is drawn without it");
    }
    const size_t stride = startBits(out, grid.width, grid.height, 32);
    for (int y = 0; y < grid.height; ++y) {
        uint8_t* row = out.bits.data() + stride * static_cast<size_t>(grid.height - 1 - y);
        const uint32_t* src = grid.values.data() + static_cast<size_t>(y) * static_cast<size_t>(grid.width);
        for (int x = 0; x < grid.width; ++x) {
            row[4 * x] = static_cast<uint8_t>(src[x]);
            row[4 * x + 1] = static_cast<uint8_t>(src[x] >> 8);
            row[4 * x + 2] = static_cast<uint8_t>(src[x] >> 16);
        }
    }
    return true;
}

bool rasterizeImageMask(const ImagePlacement& placement, Stream* stream, int width, int height, bool invert,
                        ColorRef color, RasterImage& out, SharedSamples* cache) {
    Frame f;
    Layout l;
    if (!frameOf(placement, f) || !sizeOk(width, height) || !layoutOf(placement, f, width, height, l)) return false;
    const unsigned char paint = invert ? 1 : 0;
    auto decode = [&](const unsigned char* samples, const std::vector<int>& columns, uint32_t* row) {
        for (size_t j = 0; j < columns.size(); ++j) row[j] = samples[columns[j]] == paint ? 1 : 0;
    };
    SharedSamples samples = samplesFor(l, stream, width, height, 1, 1, placement.readAll, cache, decode);
    if (!samples) return false;
    SampleGrid<uint32_t> grid = lay(*samples, f, l, uint32_t{0}, out);
    const size_t stride = startBits(out, grid.width, grid.height, 1);
    out.header.clrUsed = 2;
    out.palette[0] = 0xFFFFFF;
    out.palette[1] = (redOf(color) << 16) | (greenOf(color) << 8) | blueOf(color);
    for (int y = 0; y < grid.height; ++y) {
        uint8_t* row = out.bits.data() + stride * static_cast<size_t>(grid.height - 1 - y);
        const uint32_t* src = grid.values.data() + static_cast<size_t>(y) * static_cast<size_t>(grid.width);
        for (int x = 0; x < grid.width; ++x)
            if (src[x]) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    return true;
}

void fadeRasterImage(RasterImage& image, uint8_t opacity) {
    if (opacity == 255) return;
    const size_t w = static_cast<size_t>(image.header.width), h = static_cast<size_t>(image.header.height);
    if (!image.alpha.empty()) {
        for (uint8_t& a : image.alpha) a = static_cast<uint8_t>((a * opacity + 127) / 255);
        return;
    }
    const int bitCount = image.header.bitCount;
    if (bitCount != 1 && bitCount != 32) return;
    const size_t stride = BitmapInfoHeader::rowStride(image.header.width, bitCount);
    if (image.bits.size() < stride * h) return;
    image.alpha.assign(w * h, opacity);
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* row = image.bits.data() + stride * (h - 1 - y);
        uint8_t* out = image.alpha.data() + w * y;
        for (size_t x = 0; x < w; ++x) {
            const bool white = bitCount == 1
                                   ? image.palette[(row[x >> 3] >> (7 - (x & 7))) & 1] == 0xFFFFFF
                                   : row[4 * x] == 0xFF && row[4 * x + 1] == 0xFF && row[4 * x + 2] == 0xFF;
            if (white) out[x] = 0;
        }
    }
}

std::vector<uint8_t> recordedAlphaPlane(RasterImage& image) {
    const size_t w = static_cast<size_t>(image.header.width), h = static_cast<size_t>(image.header.height);
    if (image.alpha.size() < w * h || w == 0) return {};
    const size_t planeStride = BitmapInfoHeader::rowStride(image.header.width, 8);
    std::vector<uint8_t> plane(planeStride * h, 0);
    const int bitCount = image.header.bitCount;
    const size_t stride = BitmapInfoHeader::rowStride(image.header.width, bitCount);
    const bool whiten = image.bits.size() >= stride * h;
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* a = image.alpha.data() + w * y;
        std::copy(a, a + w, plane.data() + planeStride * (h - 1 - y));
        if (!whiten) continue;
        uint8_t* row = image.bits.data() + stride * (h - 1 - y);
        for (size_t x = 0; x < w; ++x) {
            if (a[x] != 0) continue;
            if (bitCount == 32)
                row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = 0xFF;
            else if (bitCount == 1 && image.palette[0] == 0xFFFFFF)
                row[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
        }
    }
    return plane;
}

}  // namespace qm
