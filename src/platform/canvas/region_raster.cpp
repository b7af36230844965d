// Scan conversion of polygons into regions: one sample per pixel at its centre, spans of
// equal consecutive rows merged into bands before they become rectangles.
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/canvas/region.h"

namespace qm {

namespace {

constexpr double kLimit = 131072.0;  // 2^17 pixels each way

struct Edge {
    double yTop, yBottom;  // yTop < yBottom
    double xTop, slope;    // x at yTop, dx/dy
    int direction;         // +1 downwards, -1 upwards
};

struct Crossing {
    double x;
    int direction;
};

double clampCoord(double v) { return std::clamp(v, -kLimit, kLimit); }

}  // namespace

Region Region::contours(const std::vector<std::vector<PointF>>& contours, FillMode mode, const Rect* within) {
    std::vector<Edge> edges;
    double minY = kLimit, maxY = -kLimit;
    std::vector<PointF> points;
    for (const auto& contour : contours) {
        // A non-finite point passes the clamp unchanged and would reach the integer row and
        // column conversions; the contour goes on without it.
        points.clear();
        for (const PointF& p : contour)
            if (std::isfinite(p.x) && std::isfinite(p.y)) points.push_back({clampCoord(p.x), clampCoord(p.y)});
        const size_t n = points.size();
        if (n < 3) continue;
        for (size_t i = 0; i < n; ++i) {
            PointF a = points[i];
            PointF b = points[(i + 1) % n];
            if (a.y == b.y) continue;
            int dir = 1;
            if (a.y > b.y) {
                std::swap(a, b);
                dir = -1;
            }
            edges.push_back({a.y, b.y, a.x, (b.x - a.x) / (b.y - a.y), dir});
            minY = std::min(minY, a.y);
            maxY = std::max(maxY, b.y);
        }
    }
    if (edges.empty()) return Region();
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });

    std::vector<cairo_rectangle_int_t> rects;
    std::vector<int> spans, bandSpans;  // pairs of [x0, x1)
    int bandTop = 0;
    auto closeBand = [&](int bottom) {
        for (size_t i = 0; i + 1 < bandSpans.size(); i += 2)
            rects.push_back({bandSpans[i], bandTop, bandSpans[i + 1] - bandSpans[i], bottom - bandTop});
        bandSpans.clear();
    };

    std::vector<const Edge*> active;
    std::vector<Crossing> crossings;
    size_t next = 0;
    // Rows whose centre y + 0.5 lies in [minY, maxY), and within the bounds asked for.
    int firstRow = static_cast<int>(std::ceil(minY - 0.5));
    int lastRow = static_cast<int>(std::ceil(maxY - 0.5)) - 1;
    int leftmost = INT_MIN, rightmost = INT_MAX;
    if (within) {
        firstRow = std::max(firstRow, within->top);
        lastRow = std::min(lastRow, within->bottom - 1);
        leftmost = within->left;
        rightmost = within->right;
        if (rightmost <= leftmost) return Region();
    }
    for (int row = firstRow; row <= lastRow; ++row) {
        const double yc = row + 0.5;
        while (next < edges.size() && edges[next].yTop <= yc) active.push_back(&edges[next++]);
        std::erase_if(active, [yc](const Edge* e) { return e->yBottom <= yc; });

        crossings.clear();
        for (const Edge* e : active) crossings.push_back({e->xTop + (yc - e->yTop) * e->slope, e->direction});
        // A row crosses few edges, mostly already in order from the row above.
        for (size_t i = 1; i < crossings.size(); ++i) {
            const Crossing c = crossings[i];
            size_t j = i;
            for (; j > 0 && crossings[j - 1].x > c.x; --j) crossings[j] = crossings[j - 1];
            crossings[j] = c;
        }

        spans.clear();
        int winding = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].direction;
            const bool inside = mode == FillMode::alternate ? ((i + 1) & 1) != 0 : winding != 0;
            if (!inside) continue;
            // Pixels whose centre x + 0.5 lies in [xa, xb).
            const int x0 = std::max(leftmost, static_cast<int>(std::ceil(crossings[i].x - 0.5)));
            const int x1 = std::min(rightmost, static_cast<int>(std::ceil(crossings[i + 1].x - 0.5)));
            if (x1 <= x0) continue;
            if (!spans.empty() && spans.back() >= x0) {
                spans.back() = std::max(spans.back(), x1);
            } else {
                spans.push_back(x0);
                spans.push_back(x1);
            }
        }
        if (spans != bandSpans) {
            closeBand(row);
            bandSpans = spans;
            bandTop = row;
        }
    }
    closeBand(lastRow + 1);
    return Region(cairo_region_create_rectangles(rects.data(), static_cast<int>(rects.size())));
}

}  // namespace qm
