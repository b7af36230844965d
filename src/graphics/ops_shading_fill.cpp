// Shadings other than axial painted through the device's polygon fill, and shading patterns
// used to fill or stroke a path.
#include <cmath>
#include <cstring>

#include "core/report_error.h"
#include "graphics/content_interpreter.h"
#include "graphics/shading_canvas.h"
#include "graphics/shading_field.h"
#include "graphics/shading_pattern.h"
#include "graphics/stroke_outline.h"
#include "render/output_device.h"

namespace qm {

namespace {

// r = a x b for transforms [a b c d e f] (a is applied first).
void concat(const double* a, const double* b, double* r) {
    double t[6] = {a[0] * b[0] + a[1] * b[2],        a[0] * b[1] + a[1] * b[3],
                   a[2] * b[0] + a[3] * b[2],        a[2] * b[1] + a[3] * b[3],
                   a[4] * b[0] + a[5] * b[2] + b[4], a[4] * b[1] + a[5] * b[3] + b[5]};
    std::memcpy(r, t, sizeof t);
}

// A stroke outline never needs more pieces than this; longer paths are hostile.
constexpr size_t kMaxOutlinePolygons = 200000;

// Rebuilds `path` as the state's path (filling and clipping clear it, and restoring the state
// hands the cleared path down).
void replayPath(GraphicsState& state, const PathData& path) {
    state.clearPath();
    for (int s = 0; s < path.subpathCount(); ++s) {
        const SubPath& sp = path.subpath(s);
        state.moveTo(sp.point(0).x, sp.point(0).y);
        for (int i = 1; i < sp.pointCount(); ++i) {
            const PathPoint& p = sp.point(i);
            if (p.curve && i + 2 < sp.pointCount()) {
                state.curveTo(p.x, p.y, sp.point(i + 1).x, sp.point(i + 1).y, sp.point(i + 2).x, sp.point(i + 2).y);
                i += 2;
            } else {
                state.lineTo(p.x, p.y);
            }
        }
        if (sp.isClosed()) state.closePath();
    }
}

}  // namespace

void ContentInterpreter::paintShading(const Shading& shading) {
    if (shading.shadingType() == 2) {
        doAxialShFill(static_cast<const AxialShading&>(shading));
        return;
    }
    double inverse[6], box[4];
    if (!invertMatrix(state_->transform(), inverse)) return;
    mapBox(inverse, state_->clipXMin(), state_->clipYMin(), state_->clipXMax(), state_->clipYMax(), box);
    if (!std::isfinite(box[0] + box[1] + box[2] + box[3])) return;
    ShadingCanvas canvas(
        [this](const double* color, const double* xy, int points) {
            if (!spendWork()) return false;
            state_->setFillColor(color);
            device_->updateFillColor(*state_);
            state_->moveTo(xy[0], xy[1]);
            for (int i = 1; i < points; ++i) state_->lineTo(xy[2 * i], xy[2 * i + 1]);
            state_->closePath();
            device_->fillShadingPiece(*state_);
            state_->clearPath();
            return true;
        },
        state_->transform(), box[0], box[1], box[2], box[3]);
    if (std::unique_ptr<ShadingField> field = device_->wantsShadingPixels() ? shading.field(canvas) : nullptr) {
        // As much work as painting its colour steps one piece each.
        if (!spendWork(static_cast<long>(field->colors().size()))) return;
        if (device_->fillShadingPixels(*state_, *field)) return;
    }
    shading.paint(canvas);
}

void ContentInterpreter::paintShadingPattern(const ShadingPattern& pattern) {
    const Shading& shading = *pattern.shading;
    // Pattern space is placed relative to the page (or the form that drew it), not to the
    // current transform.
    double m[6], inverse[6], relative[6];
    concat(pattern.matrix, baseMatrix_, m);
    if (!invertMatrix(state_->transform(), inverse) || !invertMatrix(m, relative)) return;
    concat(m, inverse, relative);
    state_->setTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
    device_->updateTransform(*state_, relative[0], relative[1], relative[2], relative[3], relative[4], relative[5]);
    state_->setFillPattern(nullptr);
    state_->setFillColorSpace(shading.colorSpace->clone());
    if (shading.hasBackground) {
        double pm[6], box[4];
        invertMatrix(m, pm);
        mapBox(pm, state_->clipXMin(), state_->clipYMin(), state_->clipXMax(), state_->clipYMax(), box);
        state_->setFillColor(shading.background);
        device_->updateFillColor(*state_);
        state_->moveTo(box[0], box[1]);
        state_->lineTo(box[2], box[1]);
        state_->lineTo(box[2], box[3]);
        state_->lineTo(box[0], box[3]);
        state_->closePath();
        device_->fill(*state_);
        state_->clearPath();
    }
    if (shading.hasBBox) clipToRect(shading.xMin, shading.yMin, shading.xMax, shading.yMax);
    paintShading(shading);
}

void ContentInterpreter::doShadingPatternFill(bool evenOdd) {
    if (!device_->wantsNonText()) return;
    const Pattern* current = state_->fillPattern();
    if (!current || current->patternType() != 2) return;
    std::unique_ptr<Pattern> owned = current->clone();  // the state's copy goes when the pattern is cleared
    PathData path = state_->path();
    saveState();
    state_->clipToPath();
    if (evenOdd)
        device_->eoClip(*state_);
    else
        device_->clip(*state_);
    state_->clearPath();
    device_->beginCompound(*state_, false);
    paintShadingPattern(static_cast<const ShadingPattern&>(*owned));
    device_->endCompound(*state_);
    restoreState();
    replayPath(*state_, path);
}

void ContentInterpreter::doStroke() {
    const Pattern* current = state_->strokePattern();
    if (state_->strokeColorSpace().family() != ColorFamily::Pattern || !current || current->patternType() != 2) {
        device_->stroke(*state_);
        return;
    }
    if (!device_->wantsNonText()) return;
    std::unique_ptr<Pattern> owned = current->clone();
    // A hairline still covers one device pixel.
    const double* t = state_->transform();
    double scale = std::sqrt(std::fabs(t[0] * t[3] - t[1] * t[2]));
    double half = state_->lineWidth() / 2;
    if (scale > 0 && half * scale < 0.5) half = 0.5 / scale;
    std::vector<std::vector<double>> outline = strokeOutline(state_->path(), half, kMaxOutlinePolygons);
    if (outline.empty()) return;
    PathData path = state_->path();
    saveState();
    state_->clearPath();
    for (const auto& polygon : outline) {
        state_->moveTo(polygon[0], polygon[1]);
        for (size_t i = 2; i + 1 < polygon.size(); i += 2) state_->lineTo(polygon[i], polygon[i + 1]);
        state_->closePath();
    }
    state_->clipToPath();
    device_->clip(*state_);
    state_->clearPath();
    paintShadingPattern(static_cast<const ShadingPattern&>(*owned));
    restoreState();
    replayPath(*state_, path);
}

}  // namespace qm
