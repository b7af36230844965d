#pragma once
// A shading as a colour for each device pixel, for devices that paint pixels: the few colours
// the shading steps through, and for each pixel which of them it takes. It gives the picture
// the shading's polygons give, without building and scanning one polygon per colour step.
#include <array>
#include <vector>

#include "graphics/color_space.h"

namespace qm {

class ShadingField {
public:
    using Color = std::array<double, maxColorComponents>;
    static constexpr int kNothing = -1;

    virtual ~ShadingField() = default;

    const std::vector<Color>& colors() const { return colors_; }
    // The colour index (into colors(), or kNothing where the shading paints nothing) of the
    // pixels x0..x1-1 of device row y, by their centres.
    virtual void row(int y, int x0, int x1, int* out) const = 0;

protected:
    std::vector<Color> colors_;
};

}  // namespace qm
