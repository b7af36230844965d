#pragma once
// Mesh shadings: Gouraud-shaded triangles (free-form or lattice) and Coons or tensor-product
// patches, read from the shading stream's packed data. Patches are painted as small cells in
// the order their parameters grow, so folded patches overlap the way they should.
#include <memory>
#include <vector>

#include "graphics/pattern.h"
#include "graphics/shading_canvas.h"

namespace qm {

struct MeshVertex {
    double x = 0, y = 0;
    // The colour components, or the parameter in values[0] when a function gives the colour.
    double values[maxColorComponents] = {};
};

class GouraudShading : public Shading {
public:
    explicit GouraudShading(int type) : Shading(type) {}
    void paint(ShadingCanvas& canvas) const override;

    std::vector<MeshVertex> vertices;
    std::vector<int> triangles;  // three vertex indices each
    ShadingFunctions functions;  // empty when vertices carry colours
};

struct MeshPatch {
    // Control points p[i][j]: i runs along u, j along v.
    double x[4][4] = {};
    double y[4][4] = {};
    // Corner values at (u, v) = (0, 0), (0, 1), (1, 1), (1, 0).
    double values[4][maxColorComponents] = {};
};

class PatchShading : public Shading {
public:
    explicit PatchShading(int type) : Shading(type) {}
    void paint(ShadingCanvas& canvas) const override;

    std::vector<MeshPatch> patches;
    ShadingFunctions functions;
};

// `obj` is the shading stream (types 4 to 7); null (reported) when it cannot be drawn. Data
// cut short is reported and what was read whole is kept.
std::unique_ptr<Shading> parseMeshShading(const PdfObject& obj, int type);

}  // namespace qm
