#pragma once
// The area a stroke covers, as closed polygons whose union (nonzero rule) is that area: a
// quadrilateral along every flattened segment and a small round polygon at every point, which
// gives round joins and caps. Used where a stroke must become a clip, as when a shading paints it.
#include <vector>

#include "graphics/path_data.h"

namespace qm {

// Points as x,y pairs per polygon; every polygon turns the same way. At most `maxPolygons`.
std::vector<std::vector<double>> strokeOutline(const PathData& path, double halfWidth, size_t maxPolygons);

}  // namespace qm
