#pragma once
// A glyph's outline as a path in ems (x right, y up, origin on the baseline), as a font
// program describes it: moves, lines, quadratic and cubic curves; no hints.
#include <cstdint>
#include <vector>

namespace qm {

struct GlyphPath {
    enum Op : uint8_t { move = 0, line = 1, quad = 2, cubic = 3 };
    std::vector<Op> ops;
    std::vector<float> points;  // x, y pairs: 1 after a move or line, 2 after quad, 3 after cubic

    bool empty() const { return ops.empty(); }
};

}  // namespace qm
