#pragma once
// Radial shadings: circles blended from a start circle to an end circle, each circle painted
// over the ones before it, optionally continued beyond either circle.
#include <memory>

#include "graphics/pattern.h"
#include "graphics/shading_canvas.h"
#include "graphics/shading_field.h"

namespace qm {

class RadialShading : public Shading {
public:
    RadialShading() : Shading(3) {}
    // Reads Coords, Domain, Function and Extend; false (reported) when it cannot be drawn.
    bool readRadial(PdfDict* dict);
    void paint(ShadingCanvas& canvas) const override;
    std::unique_ptr<ShadingField> field(const ShadingCanvas& canvas) const override;

    double x0 = 0, y0 = 0, r0 = 0, x1 = 0, y1 = 0, r1 = 0;
    double t0 = 0, t1 = 1;
    bool extend0 = false, extend1 = false;
    ShadingFunctions functions;
};

// Null (reported) when the dictionary does not describe a usable radial shading.
std::unique_ptr<Shading> parseRadialShading(PdfDict* dict);

}  // namespace qm
