#pragma once
// The current path in device pixels: curves flattened, points rounded and held within a
// margin of one page size around the page, so later arithmetic cannot overflow.
#include <vector>

#include "platform/canvas/region.h"

namespace qm {

class GraphicsState;

struct DevicePath {
    std::vector<Point> points;  // every subpath, one after another
    std::vector<int> counts;    // points of each subpath
    std::vector<PointF> exact;  // the same points before rounding, for antialiased drawing
    void clear() {
        points.clear();
        counts.clear();
        exact.clear();
    }
    int subpathCount() const { return static_cast<int>(counts.size()); }
};

// Converts the state's path for a page of width x height pixels. With `closeSubpaths` (fills
// and clips) an open subpath gets its first point again at its end. Curves become at most 64
// lines each, fewer while their control points stay within max(flatness, 1) pixels of the chord.
void buildDevicePath(const GraphicsState& state, int flatness, int width, int height, bool closeSubpaths,
                     DevicePath& out);

// One polygon that fills exactly like the subpaths filled together: the closed subpaths are
// joined through the first point, each side trip returning to it, so the joining edges cancel
// out under both fill rules and holes stay holes.
void joinSubpaths(const DevicePath& path, std::vector<Point>& out);

}  // namespace qm
