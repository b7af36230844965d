#include "graphics/shading_canvas.h"

#include <cmath>
#include <cstring>

#include "core/report_error.h"

namespace qm {

ShadingCanvas::ShadingCanvas(Fill fill, const double ctm[6], double xMin, double yMin, double xMax, double yMax,
                             long maxPolygons)
    : fill_(std::move(fill)), xMin_(xMin), yMin_(yMin), xMax_(xMax), yMax_(yMax), maxPolygons_(maxPolygons) {
    std::memcpy(ctm_, ctm, sizeof ctm_);
    scale_ = std::fmax(std::hypot(ctm[0], ctm[1]), std::hypot(ctm[2], ctm[3]));
    if (!std::isfinite(scale_)) scale_ = 1;
}

bool ShadingCanvas::fill(const double* color, const double* xy, int points) {
    if (stopped_) return false;
    if (polygons_ >= maxPolygons_) {
        reportError(-1, "Shading too complex; the rest of it is not drawn");
        stopped_ = true;
        return false;
    }
    ++polygons_;
    for (int i = 0; i < 2 * points; ++i)
        if (!std::isfinite(xy[i])) return true;  // a degenerate piece is skipped, not drawn
    if (!fill_(color, xy, points)) stopped_ = true;
    return !stopped_;
}

double ShadingCanvas::deviceLength(double dx, double dy) const {
    return std::hypot(dx * ctm_[0] + dy * ctm_[2], dx * ctm_[1] + dy * ctm_[3]);
}

bool ShadingFunctions::read(const PdfObject& fn, int inputs) {
    functions_.clear();
    auto take = [&](const PdfObject& obj) {
        std::unique_ptr<PdfFunction> f = parseFunction(obj);
        if (!f) return false;
        if (f->inputCount() != inputs) {
            reportError(-1, "Shading function takes %d inputs instead of %d", f->inputCount(), inputs);
            return false;
        }
        functions_.push_back(std::move(f));
        return true;
    };
    if (fn.isArray()) {
        if (fn.arrayLength() > maxColorComponents) {
            reportError(-1, "Shading has more than %d functions", maxColorComponents);
            return false;
        }
        if (fn.arrayLength() == 0) {
            reportError(-1, "Shading has an empty Function array");
            return false;
        }
        for (int i = 0; i < fn.arrayLength(); ++i)
            if (!take(fn.arrayGet(i))) break;
        if (static_cast<int>(functions_.size()) != fn.arrayLength()) functions_.clear();
    } else {
        take(fn);
    }
    return !functions_.empty();
}

void ShadingFunctions::eval(const double* in, double* out) const {
    for (int i = 0; i < maxColorComponents; ++i) out[i] = 0;
    if (functions_.size() == 1) {
        double result[maxFunctionOutputs];
        functions_[0]->transform(in, result);
        for (int i = 0; i < functions_[0]->outputCount() && i < maxColorComponents; ++i) out[i] = result[i];
        return;
    }
    for (size_t i = 0; i < functions_.size(); ++i) {
        double result[maxFunctionOutputs];
        functions_[i]->transform(in, result);
        out[i] = result[0];
    }
}

double colorDistance(const double* a, const double* b, int components) {
    double d = 0;
    for (int i = 0; i < components; ++i) d = std::fmax(d, std::fabs(a[i] - b[i]));
    return d;
}

bool invertMatrix(const double* m, double* r) {
    double det = m[0] * m[3] - m[1] * m[2];
    if (det == 0 || !std::isfinite(det)) return false;
    double inv = 1 / det;
    double t[6] = {m[3] * inv,  -m[1] * inv, -m[2] * inv, m[0] * inv, (m[2] * m[5] - m[3] * m[4]) * inv,
                   (m[1] * m[4] - m[0] * m[5]) * inv};
    for (double v : t)
        if (!std::isfinite(v)) return false;
    std::memcpy(r, t, sizeof t);
    return true;
}

void mapBox(const double* m, double xMin, double yMin, double xMax, double yMax, double* out) {
    const double cx[4] = {xMin, xMax, xMin, xMax}, cy[4] = {yMin, yMin, yMax, yMax};
    for (int i = 0; i < 4; ++i) {
        double x = cx[i] * m[0] + cy[i] * m[2] + m[4];
        double y = cx[i] * m[1] + cy[i] * m[3] + m[5];
        if (i == 0 || x < out[0]) out[0] = x;
        if (i == 0 || y < out[1]) out[1] = y;
        if (i == 0 || x > out[2]) out[2] = x;
        if (i == 0 || y > out[3]) out[3] = y;
    }
}

}  // namespace qm
