#pragma once
// Paints a shading onto a canvas that keeps every polygon, and answers which colour ends up at
// a point (the last polygon covering it, as the device would show it).
#include <optional>
#include <string>
#include <vector>

#include "graphics/pattern.h"
#include "graphics/shading_canvas.h"

namespace qm::test {

struct PaintedPolygon {
    std::vector<double> color;
    std::vector<double> xy;
};

// Nonzero winding number of the polygon around (x, y).
inline int winding(const std::vector<double>& xy, double x, double y) {
    int w = 0;
    size_t n = xy.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        double x0 = xy[2 * i], y0 = xy[2 * i + 1], x1 = xy[2 * ((i + 1) % n)], y1 = xy[2 * ((i + 1) % n) + 1];
        double cross = (x1 - x0) * (y - y0) - (x - x0) * (y1 - y0);
        if (y0 <= y && y1 > y && cross > 0) ++w;
        if (y1 <= y && y0 > y && cross < 0) --w;
    }
    return w;
}

struct PaintedShading {
    // Paints `shading` with shading space = device space (one unit, one pixel) over the box.
    PaintedShading(const Shading& shading, double xMin, double yMin, double xMax, double yMax,
                   long maxPolygons = kMaxShadingPolygons, double scale = 1) {
        const double ctm[6] = {scale, 0, 0, scale, 0, 0};
        ShadingCanvas canvas(
            [this, &shading](const double* color, const double* xy, int points) {
                polygons.push_back({std::vector<double>(color, color + shading.componentCount()),
                                    std::vector<double>(xy, xy + 2 * points)});
                return true;
            },
            ctm, xMin, yMin, xMax, yMax, maxPolygons);
        shading.paint(canvas);
    }

    std::optional<std::vector<double>> colorAt(double x, double y) const {
        for (auto it = polygons.rbegin(); it != polygons.rend(); ++it)
            if (winding(it->xy, x, y) != 0) return it->color;
        return std::nullopt;
    }

    std::vector<PaintedPolygon> polygons;
};

}  // namespace qm::test
