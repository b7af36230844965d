#include "graphics/function_shading.h"

#include <cmath>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/number_array.h"

namespace qm {

namespace {

// Cells are split at least this often so that a colour feature between the corners is seen,
// and at most this often whatever the colours do.
constexpr int kMinDepth = 2;
constexpr int kMaxDepth = 10;

class FunctionPainter {
public:
    FunctionPainter(const FunctionShading& s, ShadingCanvas& canvas)
        : s_(s), canvas_(canvas), components_(s.componentCount()) {}

    void cell(double x0, double y0, double x1, double y1, int depth) {
        if (canvas_.stopped()) return;
        double corners[4][maxColorComponents], centre[maxColorComponents];
        colorAt(x0, y0, corners[0]);
        colorAt(x1, y0, corners[1]);
        colorAt(x0, y1, corners[2]);
        colorAt(x1, y1, corners[3]);
        double xm = (x0 + x1) / 2, ym = (y0 + y1) / 2;
        colorAt(xm, ym, centre);
        double spread = 0;
        for (auto& c : corners) spread = std::fmax(spread, colorDistance(c, centre, components_));
        const double* m = s_.matrix;
        double size = std::fmax(canvas_.deviceLength((x1 - x0) * m[0], (x1 - x0) * m[1]),
                                canvas_.deviceLength((y1 - y0) * m[2], (y1 - y0) * m[3]));
        if (depth < kMinDepth || (depth < kMaxDepth && spread > kShadingColorStep && size > 1)) {
            cell(x0, y0, xm, ym, depth + 1);
            cell(xm, y0, x1, ym, depth + 1);
            cell(x0, ym, xm, y1, depth + 1);
            cell(xm, ym, x1, y1, depth + 1);
            return;
        }
        const double px[4] = {x0, x1, x1, x0}, py[4] = {y0, y0, y1, y1};
        double xy[8];
        for (int i = 0; i < 4; ++i) {
            xy[2 * i] = px[i] * m[0] + py[i] * m[2] + m[4];
            xy[2 * i + 1] = px[i] * m[1] + py[i] * m[3] + m[5];
        }
        canvas_.fill(centre, xy, 4);
    }

private:
    void colorAt(double x, double y, double* color) const {
        const double in[2] = {x, y};
        s_.functions.eval(in, color);
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
    FunctionPainter(*this, canvas).cell(x0, y0, x1, y1, 0);
}

std::unique_ptr<Shading> parseFunctionShading(PdfDict* dict) {
    auto shading = std::make_unique<FunctionShading>();
    if (!shading->readCommon(dict) || !shading->readFunctionEntries(dict)) return nullptr;
    return shading;
}

}  // namespace qm
