#include "graphics/stroke_outline.h"

#include <cmath>

namespace qm {

namespace {

constexpr int kCurveSteps = 16;
constexpr int kRoundSides = 12;
constexpr double kPi = 3.14159265358979323846;

double signedArea(const std::vector<double>& p) {
    double a = 0;
    size_t n = p.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        size_t j = (i + 1) % n;
        a += p[2 * i] * p[2 * j + 1] - p[2 * j] * p[2 * i + 1];
    }
    return a / 2;
}

// The subpath's points with curves replaced by short lines.
std::vector<double> flatten(const SubPath& sp) {
    std::vector<double> out{sp.point(0).x, sp.point(0).y};
    for (int i = 1; i < sp.pointCount(); ++i) {
        const PathPoint& p = sp.point(i);
        if (p.curve && i + 2 < sp.pointCount()) {
            double x0 = out[out.size() - 2], y0 = out.back();
            const PathPoint& c2 = sp.point(i + 1);
            const PathPoint& e = sp.point(i + 2);
            for (int k = 1; k <= kCurveSteps; ++k) {
                double t = static_cast<double>(k) / kCurveSteps, s = 1 - t;
                out.push_back(s * s * s * x0 + 3 * s * s * t * p.x + 3 * s * t * t * c2.x + t * t * t * e.x);
                out.push_back(s * s * s * y0 + 3 * s * s * t * p.y + 3 * s * t * t * c2.y + t * t * t * e.y);
            }
            i += 2;
        } else {
            out.push_back(p.x);
            out.push_back(p.y);
        }
    }
    return out;
}

}  // namespace

std::vector<std::vector<double>> strokeOutline(const PathData& path, double halfWidth, size_t maxPolygons) {
    std::vector<std::vector<double>> polygons;
    if (!(halfWidth > 0) || !std::isfinite(halfWidth)) return polygons;
    for (int s = 0; s < path.subpathCount(); ++s) {
        std::vector<double> pts = flatten(path.subpath(s));
        size_t n = pts.size() / 2;
        for (size_t i = 0; i < n && polygons.size() < maxPolygons; ++i) {
            double x = pts[2 * i], y = pts[2 * i + 1];
            std::vector<double> round;
            for (int k = 0; k < kRoundSides; ++k) {
                double a = 2 * kPi * k / kRoundSides;
                round.push_back(x + halfWidth * std::cos(a));
                round.push_back(y + halfWidth * std::sin(a));
            }
            polygons.push_back(std::move(round));
            if (i + 1 == n) break;
            double dx = pts[2 * i + 2] - x, dy = pts[2 * i + 3] - y, len = std::hypot(dx, dy);
            if (!(len > 0)) continue;
            double nx = -dy / len * halfWidth, ny = dx / len * halfWidth;
            std::vector<double> quad{x + nx, y + ny, x - nx, y - ny, pts[2 * i + 2] - nx, pts[2 * i + 3] - ny,
                                     pts[2 * i + 2] + nx, pts[2 * i + 3] + ny};
            if (signedArea(quad) < 0)
                for (size_t a = 0, b = 6; a < b; a += 2, b -= 2) {
                    std::swap(quad[a], quad[b]);
                    std::swap(quad[a + 1], quad[b + 1]);
                }
            polygons.push_back(std::move(quad));
        }
    }
    return polygons;
}

}  // namespace qm
