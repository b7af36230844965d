#pragma once
// Sets of whole pixels made of rectangles: the clip of drawing and the shape of filled
// polygons. Built on cairo regions; polygons are rasterised here, aliased, a pixel belonging
// to a polygon when its centre lies inside (edges through a centre count on the left and
// top side only), so a rectangle (l, t, r, b) covers columns l..r-1 and rows t..b-1.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qm {

struct Point {
    int x = 0, y = 0;
};
struct PointF {
    double x = 0, y = 0;
};
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom are exclusive
    bool operator==(const Rect&) const = default;
};

enum class FillMode { alternate = 1, winding = 2 };

class Region {
public:
    Region();  // empty
    Region(const Region& other);
    Region& operator=(const Region& other);
    Region(Region&& other) noexcept;
    Region& operator=(Region&& other) noexcept;
    ~Region();

    static Region rectangle(int left, int top, int right, int bottom);
    // One closed polygon with integer vertices. With `within`, only the part inside it is
    // made (and only its rows are scanned): the same region as intersecting afterwards.
    static Region polygon(const Point* points, size_t count, FillMode mode, const Rect* within = nullptr);
    // Several closed contours at once, filled together (used for dashed lines and shapes
    // with holes). Coordinates are clamped to +-2^17 pixels and non-finite points are left
    // out; rows outside, and outside `within` when given, are never visited.
    static Region contours(const std::vector<std::vector<PointF>>& contours, FillMode mode,
                           const Rect* within = nullptr);

    void intersect(const Region& other);  // AND
    void unite(const Region& other);      // OR
    void translate(int dx, int dy);

    bool isEmpty() const;
    bool contains(int x, int y) const;
    Rect bounds() const;  // all zero when empty
    // The region as y-x banded rectangles: sorted by top, then left; rectangles of one band
    // share top and bottom and never touch.
    std::vector<Rect> rectangles() const;
    bool operator==(const Region& other) const;

    // The region as flat data: a 32-byte header (size 32, type 1,
    // rectangle count, bytes of rectangles, bounding rectangle), then each rectangle as four
    // little-endian int32 (left, top, right, bottom).
    std::vector<uint8_t> toRegionData() const;
    // Reads that layout back. Bad data (short, wrong header, a count beyond the bytes given)
    // is reported and gives nothing; empty rectangles are skipped.
    static std::optional<Region> fromRegionData(const uint8_t* data, size_t size);

    const cairo_region_t* handle() const { return region_; }

private:
    explicit Region(cairo_region_t* r) : region_(r) {}
    cairo_region_t* region_;
};

}  // namespace qm
