#include "render/device_path.h"

#include <algorithm>
#include <cmath>

#include "graphics/graphics_state.h"

namespace qm {

namespace {

constexpr int kMaxCurveDepth = 6;  // 2^6 = 64 lines per curve

struct Builder {
    const double* m;
    double tolerance2;
    double xMin, xMax, yMin, yMax;
    DevicePath& out;

    void toDevice(double x, double y, double& dx, double& dy) const {
        dx = x * m[0] + y * m[2] + m[4];
        dy = x * m[1] + y * m[3] + m[5];
    }
    void add(double dx, double dy) {
        // NaN fails both comparisons; it lands on the lower bound.
        dx = dx >= xMin ? (dx <= xMax ? dx : xMax) : xMin;
        dy = dy >= yMin ? (dy <= yMax ? dy : yMax) : yMin;
        out.points.push_back({static_cast<int>(std::trunc(dx + 0.5)), static_cast<int>(std::trunc(dy + 0.5))});
        out.exact.push_back({dx, dy});
    }
    // Distance squared of (px, py) from the line through a and b (from a when they meet).
    static double offLine2(double ax, double ay, double bx, double by, double px, double py) {
        const double vx = bx - ax, vy = by - ay, wx = px - ax, wy = py - ay;
        const double len2 = vx * vx + vy * vy;
        if (len2 == 0) return wx * wx + wy * wy;
        const double cross = vx * wy - vy * wx;
        return cross * cross / len2;
    }
    void curve(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3, int depth) {
        if (depth >= kMaxCurveDepth || !(offLine2(x0, y0, x3, y3, x1, y1) > tolerance2 ||
                                         offLine2(x0, y0, x3, y3, x2, y2) > tolerance2)) {
            add(x3, y3);
            return;
        }
        const double ax = (x0 + x1) / 2, ay = (y0 + y1) / 2, bx = (x1 + x2) / 2, by = (y1 + y2) / 2;
        const double cx = (x2 + x3) / 2, cy = (y2 + y3) / 2;
        const double dx = (ax + bx) / 2, dy = (ay + by) / 2, ex = (bx + cx) / 2, ey = (by + cy) / 2;
        const double mx = (dx + ex) / 2, my = (dy + ey) / 2;
        curve(x0, y0, ax, ay, dx, dy, mx, my, depth + 1);
        curve(mx, my, ex, ey, cx, cy, x3, y3, depth + 1);
    }
};

}  // namespace

void buildDevicePath(const GraphicsState& state, int flatness, int width, int height, bool closeSubpaths,
                     DevicePath& out) {
    out.clear();
    const double tolerance = std::max(flatness, 1);
    Builder b{state.transform(), tolerance * tolerance, -double(width), 2.0 * width, -double(height), 2.0 * height,
              out};
    const PathData& path = state.path();
    for (int s = 0; s < path.subpathCount(); ++s) {
        const SubPath& sub = path.subpath(s);
        const size_t start = out.points.size();
        double px, py;
        b.toDevice(sub.point(0).x, sub.point(0).y, px, py);
        b.add(px, py);
        for (int i = 1; i < sub.pointCount(); ++i) {
            const PathPoint& p = sub.point(i);
            if (p.curve && i + 2 < sub.pointCount()) {
                double x1, y1, x2, y2, x3, y3;
                b.toDevice(p.x, p.y, x1, y1);
                b.toDevice(sub.point(i + 1).x, sub.point(i + 1).y, x2, y2);
                b.toDevice(sub.point(i + 2).x, sub.point(i + 2).y, x3, y3);
                b.curve(px, py, x1, y1, x2, y2, x3, y3, 0);
                px = x3;
                py = y3;
                i += 2;
            } else {
                b.toDevice(p.x, p.y, px, py);
                b.add(px, py);
            }
        }
        if (closeSubpaths) {
            const Point first = out.points[start];
            const Point last = out.points.back();
            if (first.x != last.x || first.y != last.y) {
                out.points.push_back(first);
                out.exact.push_back(out.exact[start]);
            }
        }
        out.counts.push_back(static_cast<int>(out.points.size() - start));
    }
}

void joinSubpaths(const DevicePath& path, std::vector<Point>& out) {
    out.clear();
    if (path.counts.empty()) return;
    out.reserve(path.points.size() + path.counts.size());
    const Point home = path.points[0];
    size_t at = 0;
    for (size_t s = 0; s < path.counts.size(); ++s) {
        const size_t n = static_cast<size_t>(path.counts[s]);
        out.insert(out.end(), path.points.begin() + static_cast<long>(at), path.points.begin() + static_cast<long>(at + n));
        // Every side trip ends where it began, then goes home; the way there and back cancel.
        if (s > 0 && n > 0) {
            const Point start = path.points[at];
            if (out.back().x != start.x || out.back().y != start.y) out.push_back(start);
            out.push_back(home);
        }
        at += n;
    }
}

}  // namespace qm
