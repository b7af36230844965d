// Tiling-pattern fills and the sh operator with its axial shading fill; the other shadings
// and shading patterns are painted in ops_shading_fill.cpp.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/content_interpreter.h"
#include "graphics/matrix.h"
#include "render/output_device.h"

namespace qm {

namespace {

bool finite6(const double* m) {
    for (int i = 0; i < 6; ++i)
        if (!std::isfinite(m[i])) return false;
    return true;
}

// The bounding box of the state's (device-space) clip box mapped through m.
void mapClipBox(const GraphicsState& state, const double* m, double* xMin, double* yMin, double* xMax, double* yMax) {
    const double cx[4] = {state.clipXMin(), state.clipXMax(), state.clipXMin(), state.clipXMax()};
    const double cy[4] = {state.clipYMin(), state.clipYMin(), state.clipYMax(), state.clipYMax()};
    for (int i = 0; i < 4; ++i) {
        double x = cx[i] * m[0] + cy[i] * m[2] + m[4];
        double y = cx[i] * m[1] + cy[i] * m[3] + m[5];
        if (i == 0 || x < *xMin) *xMin = x;
        if (i == 0 || x > *xMax) *xMax = x;
        if (i == 0 || y < *yMin) *yMin = y;
        if (i == 0 || y > *yMax) *yMax = y;
    }
}

// More cells than this only come from degenerate steps or matrices.
constexpr double kMaxCells = 250000;
// Every cell reads the cell's content again, so the work is the cells times the content's
// length; beyond this a fill would take minutes.
constexpr double kMaxCellBytes = 16.0 * 1024 * 1024;

void axialColor(const AxialShading& s, double t, double* color) {
    double c[maxColorComponents] = {};
    if (s.functionCount() == 1) {
        s.functions[0]->evaluate(&t, 1, c);
    } else {
        for (int i = 0; i < s.functionCount(); ++i) {
            double out[maxFunctionOutputs];
            s.functions[static_cast<size_t>(i)]->evaluate(&t, 1, out);
            c[i] = out[0];
        }
    }
    std::memcpy(color, c, sizeof c);
}

}  // namespace

void ContentInterpreter::doTilingPatternFill(bool evenOdd) {
    if (!device_->wantsNonText()) return;
    const Pattern* current = state_->fillPattern();
    if (!current || current->patternType() != 1) return;
    // The state's pattern goes away below when the fill pattern is cleared.
    std::unique_ptr<Pattern> owned = current->clone();
    if (!owned) return;
    const TilingPattern& pattern = static_cast<const TilingPattern&>(*owned);

    double ictm[6], m1[6], m[6], imb[6];
    invertMatrix(state_->transform(), ictm);
    multiplyMatrix(pattern.matrix, baseMatrix_, m1);
    multiplyMatrix(m1, ictm, m);
    // The clip box is in device space: pattern space is reached through the inverse of the
    // pattern-to-device matrix (the inverse of m would treat device units as user units).
    invertMatrix(m1, imb);

    saveState();
    const ColorSpace& fillSpace = state_->fillColorSpace();
    const ColorSpace* under = fillSpace.family() == ColorFamily::Pattern
                                  ? static_cast<const PatternColorSpace&>(fillSpace).under()
                                  : nullptr;
    if (pattern.paintType == 2 && under)
        state_->setFillColorSpace(under->clone());
    else
        state_->setFillColorSpace(std::make_unique<DeviceGrayColorSpace>());
    state_->setFillPattern(nullptr);
    device_->updateFillColor(*state_);

    state_->clipToPath();
    if (evenOdd)
        device_->eoClip(*state_);
    else
        device_->clip(*state_);
    state_->clearPath();

    double xMin, yMin, xMax, yMax;
    mapClipBox(*state_, imb, &xMin, &yMin, &xMax, &yMax);
    double xstep = std::fabs(pattern.xStep), ystep = std::fabs(pattern.yStep);
    bool usable = finite6(m) && finite6(imb) && std::isfinite(xMin + xMax + yMin + yMax) && xstep > 0 && ystep > 0;
    double col0 = 0, col1 = 0, row0 = 0, row1 = 0;
    if (usable) {
        col0 = std::floor(xMin / xstep);
        col1 = std::ceil(xMax / xstep) - 1;
        row0 = std::floor(yMin / ystep);
        row1 = std::ceil(yMax / ystep) - 1;
        double cells = (col1 - col0 + 1) * (row1 - row0 + 1);
        PdfDict* cellDict = pattern.contentStream.dictOf();
        PdfObject length = cellDict ? cellDict->lookup("Length") : PdfObject::makeNull();
        double bytes = length.isInt() && length.getInt() > 0 ? length.getInt() : 1;
        usable = std::isfinite(col0 + col1 + row0 + row1) && cells <= kMaxCells && cells * bytes <= kMaxCellBytes;
        if (!usable) reportError(position(), "Too many pattern cells");
    }
    if (usable) {
        PdfDict* res = pattern.resources.isDict() ? pattern.resources.getDict() : nullptr;
        for (long row = static_cast<long>(row0); row <= static_cast<long>(row1); ++row) {
            for (long col = static_cast<long>(col0); col <= static_cast<long>(col1); ++col) {
                double cell[6] = {m[0], m[1], m[2], m[3], 0, 0};
                cell[4] = col * xstep * m[0] + row * ystep * m[2] + m[4];
                cell[5] = col * xstep * m[1] + row * ystep * m[3] + m[5];
                runForm(pattern.contentStream, res, cell, pattern.bbox);
            }
        }
    }
    restoreState();
}

void ContentInterpreter::opShFill(PdfObject* args, int) {
    const char* name = args[0].getName();
    PdfObject obj = resources_->lookupShading(name);
    if (obj.isNone()) {
        reportError(position(), "Unknown shading '%s'", name);
        return;
    }
    std::unique_ptr<Shading> shading = parseShading(obj);
    if (!shading) return;

    saveState();
    if (shading->hasBBox) clipToRect(shading->xMin, shading->yMin, shading->xMax, shading->yMax);
    if (shading->colorSpace) state_->setFillColorSpace(shading->colorSpace->clone());
    device_->beginCompound(*state_, false);
    paintShading(*shading);
    device_->endCompound(*state_);
    restoreState();
}

void ContentInterpreter::doAxialShFill(const AxialShading& shading) {
    // The clip box in user space.
    double ictm[6];
    invertMatrix(state_->transform(), ictm);
    double xMin, yMin, xMax, yMax;
    mapClipBox(*state_, ictm, &xMin, &yMin, &xMax, &yMax);
    const double x0 = shading.x0, y0 = shading.y0;
    const double dx = shading.x1 - x0, dy = shading.y1 - y0;
    const double mul = 1 / (dx * dx + dy * dy);
    // A zero-length axis or a singular transform leaves nothing sensible to paint.
    if (!std::isfinite(mul) || !std::isfinite(xMin + xMax + yMin + yMax)) return;

    double tMin = 0, tMax = 0;
    const double bx[4] = {xMin, xMax, xMin, xMax}, by[4] = {yMin, yMin, yMax, yMax};
    for (int i = 0; i < 4; ++i) {
        double t = ((bx[i] - x0) * dx + (by[i] - y0) * dy) * mul;
        if (i == 0 || t < tMin) tMin = t;
        if (i == 0 || t > tMax) tMax = t;
    }
    if (tMin < 0 && !shading.extend0) tMin = 0;
    if (tMax > 1 && !shading.extend1) tMax = 1;

    auto colorAt = [&](double s, double* color) {
        double arg = s < 0 ? shading.t0 : (s > 1 ? shading.t1 : shading.t0 + (shading.t1 - shading.t0) * s);
        axialColor(shading, arg, color);
    };
    auto edge = [&](double s, double* px, double* py, double* qx, double* qy) {
        double tx = x0 + s * dx, ty = y0 + s * dy;
        double sMin, sMax;
        if (dx != 0 && dy != 0) {
            double v[4] = {(yMin - ty) / dx, (yMax - ty) / dx, -(xMin - tx) / dy, -(xMax - tx) / dy};
            std::sort(v, v + 4);
            sMin = v[1];
            sMax = v[2];
        } else if (dx == 0) {
            sMin = -(xMin - tx) / dy;
            sMax = -(xMax - tx) / dy;
            if (sMin > sMax) std::swap(sMin, sMax);
        } else {
            sMin = (yMin - ty) / dx;
            sMax = (yMax - ty) / dx;
            if (sMin > sMax) std::swap(sMin, sMax);
        }
        *px = tx - sMin * dy;
        *py = ty + sMin * dx;
        *qx = tx - sMax * dy;
        *qy = ty + sMax * dx;
    };

    const int n = state_->fillColorSpace().componentCount();
    // Opaque bands are filled with their outline, so a band thinner than a pixel still shows.
    // Partly transparent ones would lay that outline over the next band and darken a line at
    // every step; they are filled as pieces that tile, each pixel belonging to one band.
    const bool opaque = !(state_->fillOpacity() < 1);
    double ta[257];
    int next[257];
    ta[0] = tMin;
    ta[256] = tMax;
    next[0] = 256;
    double color0[maxColorComponents], color1[maxColorComponents];
    colorAt(tMin, color0);
    double p0x, p0y, q0x, q0y;
    edge(tMin, &p0x, &p0y, &q0x, &q0y);
    int i = 0;
    while (i < 256) {
        int j = next[i];
        for (;;) {
            colorAt(ta[j], color1);
            if (j <= i + 1) break;
            bool close = true;
            for (int k = 0; k < n && k < maxColorComponents; ++k)
                if (std::fabs(color1[k] - color0[k]) > 0.00390625) close = false;
            if (close) break;
            int k = (i + j) / 2;
            ta[k] = (ta[i] + ta[j]) / 2;
            next[i] = k;
            next[k] = j;
            j = k;
        }
        double mean[maxColorComponents];
        for (int k = 0; k < maxColorComponents; ++k) mean[k] = (color0[k] + color1[k]) / 2;
        state_->setFillColor(mean);
        device_->updateFillColor(*state_);
        double p1x, p1y, q1x, q1y;
        edge(ta[j], &p1x, &p1y, &q1x, &q1y);
        state_->moveTo(p0x, p0y);
        state_->lineTo(q0x, q0y);
        state_->lineTo(q1x, q1y);
        state_->lineTo(p1x, p1y);
        state_->closePath();
        device_->fillShadingBand(*state_, opaque);
        state_->clearPath();
        std::memcpy(color0, color1, sizeof color0);
        p0x = p1x;
        p0y = p1y;
        q0x = q1x;
        q0y = q1y;
        i = next[i];
    }
}

}  // namespace qm
