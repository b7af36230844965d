#pragma once
// Function-based shadings: a colour for every point of a rectangle of (x, y), placed in shading
// space by a matrix.
#include <memory>

#include "graphics/pattern.h"
#include "graphics/shading_canvas.h"

namespace qm {

class FunctionShading : public Shading {
public:
    FunctionShading() : Shading(1) {}
    // Reads Domain, Matrix and Function; false (reported) when the shading cannot be drawn.
    bool readFunctionEntries(PdfDict* dict);
    void paint(ShadingCanvas& canvas) const override;

    double domain[4] = {0, 1, 0, 1};  // x0 x1 y0 y1
    double matrix[6] = {1, 0, 0, 1, 0, 0};
    ShadingFunctions functions;
};

// Null (reported) when the dictionary does not describe a usable function-based shading.
std::unique_ptr<Shading> parseFunctionShading(PdfDict* dict);

}  // namespace qm
