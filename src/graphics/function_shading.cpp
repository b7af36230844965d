#include "graphics/function_shading.h"

#include <cmath>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/number_array.h"

namespace qm {

namespace {

// Cells are split at least this often along each axis so that a colour feature between the
// corners is seen, and at most this often whatever the colours do.
constexpr int kMinDepth = 2;
constexpr int kMaxDepth = 10;

// Colours of a cell on a 3 x 3 grid: g[row][column], rows at y0, the middle and y1, columns
// at x0, the middle and x1.
struct CellGrid {
    double g[3][3][maxColorComponents];
};

// Cells are split along each axis on its own: a colour that only changes across x gives tall
// strips instead of a grid of squares, so a plain gradient takes a few hundred polygons, not
// tens of thousands.
class FunctionPainter {
public:
    FunctionPainter(const FunctionShading& s, ShadingCanvas& canvas)
        : s_(s), canvas_(canvas), components_(s.componentCount()) {}

    void paint(double x0, double y0, double x1, double y1) {
        double corners[4][maxColorComponents];
        colorAt(x0, y0, corners[0]);
        colorAt(x1, y0, corners[1]);
        colorAt(x0, y1, corners[2]);
        colorAt(x1, y1, corners[3]);
        cell(x0, y0, x1, y1, 0, 0, corners[0], corners[1], corners[2], corners[3]);
    }

private:
    // c00, c10, c01, c11: the colours at (x0, y0), (x1, y0), (x0, y1) and (x1, y1).
    void cell(double x0, double y0, double x1, double y1, int depthX, int depthY, const double* c00,
              const double* c10, const double* c01, const double* c11) {
        if (canvas_.stopped()) return;
        const double xm = (x0 + x1) / 2, ym = (y0 + y1) / 2;
        CellGrid grid;
        auto& g = grid.g;
        copyColor(c00, g[0][0]);
        copyColor(c10, g[0][2]);
        copyColor(c01, g[2][0]);
        copyColor(c11, g[2][2]);
        colorAt(xm, y0, g[0][1]);
        colorAt(x0, ym, g[1][0]);
        colorAt(xm, ym, g[1][1]);
        colorAt(x1, ym, g[1][2]);
        colorAt(xm, y1, g[2][1]);
        double acrossX = 0, acrossY = 0;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 2; ++j) {
                acrossX = std::fmax(acrossX, colorDistance(g[i][j], g[i][j + 1], components_));
                acrossY = std::fmax(acrossY, colorDistance(g[j][i], g[j + 1][i], components_));
            }
        }
        const double* m = s_.matrix;
        const double width = canvas_.deviceLength((x1 - x0) * m[0], (x1 - x0) * m[1]);
        const double height = canvas_.deviceLength((y1 - y0) * m[2], (y1 - y0) * m[3]);
        const bool splitX =
            depthX < kMinDepth || (depthX < kMaxDepth && acrossX > kShadingColorStep && width > 1);
        const bool splitY =
            depthY < kMinDepth || (depthY < kMaxDepth && acrossY > kShadingColorStep && height > 1);
        if (splitX && splitY) {
            cell(x0, y0, xm, ym, depthX + 1, depthY + 1, g[0][0], g[0][1], g[1][0], g[1][1]);
            cell(xm, y0, x1, ym, depthX + 1, depthY + 1, g[0][1], g[0][2], g[1][1], g[1][2]);
            cell(x0, ym, xm, y1, depthX + 1, depthY + 1, g[1][0], g[1][1], g[2][0], g[2][1]);
            cell(xm, ym, x1, y1, depthX + 1, depthY + 1, g[1][1], g[1][2], g[2][1], g[2][2]);
        } else if (splitX) {
            cell(x0, y0, xm, y1, depthX + 1, depthY, g[0][0], g[0][1], g[2][0], g[2][1]);
            cell(xm, y0, x1, y1, depthX + 1, depthY, g[0][1], g[0][2], g[2][1], g[2][2]);
        } else if (splitY) {
            cell(x0, y0, x1, ym, depthX, depthY + 1, g[0][0], g[0][2], g[1][0], g[1][2]);
            cell(x0, ym, x1, y1, depthX, depthY + 1, g[1][0], g[1][2], g[2][0], g[2][2]);
        } else {
            const double px[4] = {x0, x1, x1, x0}, py[4] = {y0, y0, y1, y1};
            double xy[8];
            for (int i = 0; i < 4; ++i) {
                xy[2 * i] = px[i] * m[0] + py[i] * m[2] + m[4];
                xy[2 * i + 1] = px[i] * m[1] + py[i] * m[3] + m[5];
            }
            canvas_.fill(g[1][1], xy, 4);
        }
    }

    void colorAt(double x, double y, double* color) const {
        const double in[2] = {x, y};
        s_.functions.eval(in, color);
    }
    static void copyColor(const double* from, double* to) {
        for (int i = 0; i < maxColorComponents; ++i) to[i] = from[i];
    }

    const FunctionShading& s_;
    ShadingCanvas& canvas_;
    int components_;
};

}  // namespace

bool FunctionShading::readFunctionEntries(PdfDict* dict) {
    PdfObject d = dict->lookup("Domain");
    if (!d.isNull() && !readNumberArray(d, domain, 4)) reportError(-1, "Bad Domain in shading dictionary");
    PdfObject m = dict->lookup("Matrix");
    if (!m.isNull() && !readNumberArray(m, matrix, 6)) reportError(-1, "Bad Matrix in shading dictionary");
    return functions.read(dict->lookup("Function"), 2);
}

void FunctionShading::paint(ShadingCanvas& canvas) const {
    // The visible area, taken back into the domain, bounds the cells worth painting.
    double inverse[6], visible[4];
    if (!invertMatrix(matrix, inverse)) return;
    mapBox(inverse, canvas.xMin(), canvas.yMin(), canvas.xMax(), canvas.yMax(), visible);
    double x0 = std::fmax(std::fmin(domain[0], domain[1]), visible[0]);
    double x1 = std::fmin(std::fmax(domain[0], domain[1]), visible[2]);
    double y0 = std::fmax(std::fmin(domain[2], domain[3]), visible[1]);
    double y1 = std::fmin(std::fmax(domain[2], domain[3]), visible[3]);
    if (!(x0 < x1 && y0 < y1)) return;
    FunctionPainter(*this, canvas).paint(x0, y0, x1, y1);
}

std::unique_ptr<Shading> parseFunctionShading(PdfDict* dict) {
    auto shading = std::make_unique<FunctionShading>();
    if (!shading->readCommon(dict) || !shading->readFunctionEntries(dict)) return nullptr;
    return shading;
}

}  // namespace qm
