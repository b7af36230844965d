#include "platform/canvas/region.h"

#include <algorithm>
#include <climits>

#include "core/report_error.h"
#include "platform/canvas/dib.h"

namespace qm {

Region::Region() : region_(cairo_region_create()) {}
Region::Region(const Region& other) : region_(cairo_region_copy(other.region_)) {}
Region& Region::operator=(const Region& other) {
    if (this != &other) {
        cairo_region_t* copy = cairo_region_copy(other.region_);
        cairo_region_destroy(region_);
        region_ = copy;
    }
    return *this;
}
Region::Region(Region&& other) noexcept : region_(other.region_) { other.region_ = cairo_region_create(); }
Region& Region::operator=(Region&& other) noexcept {
    std::swap(region_, other.region_);
    return *this;
}
Region::~Region() { cairo_region_destroy(region_); }

Region Region::rectangle(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top) return Region();
    cairo_rectangle_int_t r{left, top, right - left, bottom - top};
    return Region(cairo_region_create_rectangle(&r));
}

namespace {

// The rectangle an axis-aligned four-corner polygon (closed or not) covers; false for any
// other shape. Shadings and page backgrounds fill thousands of these: they need no scan.
bool asRectangle(const Point* p, size_t count, Rect& out) {
    if (count == 5 && (p[4].x != p[0].x || p[4].y != p[0].y)) return false;
    if (count != 4 && count != 5) return false;
    const bool sideFirst = p[0].x == p[1].x && p[1].y == p[2].y && p[2].x == p[3].x && p[3].y == p[0].y;
    const bool topFirst = p[0].y == p[1].y && p[1].x == p[2].x && p[2].y == p[3].y && p[3].x == p[0].x;
    if (!sideFirst && !topFirst) return false;
    // The same limits as the scan of general polygons.
    constexpr int kLimit = 131072;
    auto clamp = [](int v) { return v < -kLimit ? -kLimit : (v > kLimit ? kLimit : v); };
    out = {clamp(std::min(p[0].x, p[2].x)), clamp(std::min(p[0].y, p[2].y)), clamp(std::max(p[0].x, p[2].x)),
           clamp(std::max(p[0].y, p[2].y))};
    return true;
}

}  // namespace

Region Region::polygon(const Point* points, size_t count, FillMode mode, const Rect* within) {
    if (!points || count < 3) return Region();
    if (Rect r; asRectangle(points, count, r)) {
        if (within) {
            r = {std::max(r.left, within->left), std::max(r.top, within->top), std::min(r.right, within->right),
                 std::min(r.bottom, within->bottom)};
            if (r.right <= r.left || r.bottom <= r.top) return Region();
        }
        return rectangle(r.left, r.top, r.right, r.bottom);
    }
    std::vector<std::vector<PointF>> one(1);
    one[0].reserve(count);
    for (size_t i = 0; i < count; ++i) one[0].push_back({double(points[i].x), double(points[i].y)});
    return contours(one, mode, within);
}

void Region::intersect(const Region& other) { cairo_region_intersect(region_, other.region_); }
void Region::unite(const Region& other) { cairo_region_union(region_, other.region_); }
void Region::translate(int dx, int dy) { cairo_region_translate(region_, dx, dy); }
bool Region::isEmpty() const { return cairo_region_is_empty(region_); }
bool Region::contains(int x, int y) const { return cairo_region_contains_point(region_, x, y); }
bool Region::operator==(const Region& other) const { return cairo_region_equal(region_, other.region_); }

Rect Region::bounds() const {
    if (isEmpty()) return {};
    cairo_rectangle_int_t e;
    cairo_region_get_extents(region_, &e);
    return {e.x, e.y, e.x + e.width, e.y + e.height};
}

std::vector<Rect> Region::rectangles() const {
    const int n = cairo_region_num_rectangles(region_);
    std::vector<Rect> out;
    out.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region_, i, &r);
        out.push_back({r.x, r.y, r.x + r.width, r.y + r.height});
    }
    return out;
}

namespace {
constexpr size_t kRegionHeader = 32;
constexpr uint32_t kRectanglesType = 1;
}  // namespace

std::vector<uint8_t> Region::toRegionData() const {
    const std::vector<Rect> rects = rectangles();
    std::vector<uint8_t> data(kRegionHeader + rects.size() * 16);
    const Rect b = bounds();
    storeLe32(&data[0], kRegionHeader);
    storeLe32(&data[4], kRectanglesType);
    storeLe32(&data[8], static_cast<uint32_t>(rects.size()));
    storeLe32(&data[12], static_cast<uint32_t>(rects.size() * 16));
    const int32_t bound[4] = {b.left, b.top, b.right, b.bottom};
    for (int i = 0; i < 4; ++i) storeLe32(&data[16 + 4 * i], static_cast<uint32_t>(bound[i]));
    uint8_t* p = data.data() + kRegionHeader;
    for (const Rect& r : rects) {
        const int32_t v[4] = {r.left, r.top, r.right, r.bottom};
        for (int i = 0; i < 4; ++i, p += 4) storeLe32(p, static_cast<uint32_t>(v[i]));
    }
    return data;
}

std::optional<Region> Region::fromRegionData(const uint8_t* data, size_t size) {
    if (!data || size < kRegionHeader) {
        reportError(-1, "Region data too short (%zu bytes)", data ? size : 0);
        return std::nullopt;
    }
    const uint32_t headerSize = loadLe32(data), type = loadLe32(data + 4), count = loadLe32(data + 8);
    if (headerSize != kRegionHeader || type != kRectanglesType) {
        reportError(-1, "Bad region data header (size %u, type %u)", headerSize, type);
        return std::nullopt;
    }
    if (count > (size - kRegionHeader) / 16) {
        reportError(-1, "Region data holds fewer rectangles than its count (%u)", count);
        return std::nullopt;
    }
    std::vector<cairo_rectangle_int_t> rects;
    rects.reserve(count);
    const uint8_t* p = data + kRegionHeader;
    for (uint32_t i = 0; i < count; ++i, p += 16) {
        const int64_t l = static_cast<int32_t>(loadLe32(p)), t = static_cast<int32_t>(loadLe32(p + 4));
        const int64_t r = static_cast<int32_t>(loadLe32(p + 8)), b = static_cast<int32_t>(loadLe32(p + 12));
        // Widths must fit cairo's int; such huge rectangles are no real clip anyway.
        if (r <= l || b <= t || r - l > INT32_MAX || b - t > INT32_MAX) continue;
        rects.push_back({static_cast<int>(l), static_cast<int>(t), static_cast<int>(r - l), static_cast<int>(b - t)});
    }
    return Region(cairo_region_create_rectangles(rects.data(), static_cast<int>(rects.size())));
}

}  // namespace qm
