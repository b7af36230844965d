// The page renderer's side of transparency: groups, soft masks and objects drawn apart, all
// kept on the renderer's layer stack. Recorded pages have no layers.
#include <algorithm>
#include <cmath>

#include "graphics/graphics_state.h"
#include "render/page_renderer.h"

namespace qm {

namespace {

int floorPixel(double v) { return static_cast<int>(std::clamp(std::floor(v), -1073741824.0, 1073741824.0)); }
int ceilPixel(double v) { return static_cast<int>(std::clamp(std::ceil(v), -1073741824.0, 1073741824.0)); }

Composite compositeOf(const GraphicsState& state, uint8_t opacity) {
    Composite how;
    how.mode = static_cast<BlendMode>(state.blendMode());
    how.opacity = opacity;
    if (const auto* mask = dynamic_cast<const RasterSoftMask*>(state.softMaskImage())) {
        how.mask = &mask->values;
        how.keep = state.softMaskShared();
    }
    return how;
}

}  // namespace

bool PageRenderer::beginObject(const GraphicsState& state, uint8_t opacity, bool always) {
    if (target_ || !layers_ || layers_->inObject()) return false;
    if (!always && state.blendMode() == 0 && !state.softMaskImage() && !layers_->inKnockout()) return false;
    layers_->beginObject(Rect{0, 0, pageWidth_, pageHeight_}, compositeOf(state, 255), opacity, clip_);
    return true;
}

void PageRenderer::endObject(bool began) {
    if (began && layers_) layers_->endObject(clip_);
}

StrokeStyle PageRenderer::strokeStyle(const GraphicsState& state) {
    StrokeStyle style;
    style.width = state.transformedLineWidth(state.lineWidth());
    style.cap = state.lineCap();
    style.join = state.lineJoin();
    style.miterLimit = state.miterLimit();
    const double* m = state.transform();
    const double scale = std::sqrt(std::fabs(m[0] * m[3] - m[1] * m[2]));
    if (state.lineDashLength() > 0 && std::isfinite(scale)) {
        for (double d : state.lineDash()) style.dashes.push_back(d * scale);
        style.dashPhase = state.lineDashPhase() * scale;
    }
    return style;
}

bool PageRenderer::strokeReplaces() const {
    return !compoundLayers_.empty() && compoundLayers_.back() && layers_ && layers_->inObject();
}

void PageRenderer::beginString(GraphicsState& state, const PdfString&) {
    stringLayer_ = beginObject(state, opacityOf(state.fillOpacity()));
}

void PageRenderer::endString(GraphicsState&) {
    endObject(stringLayer_);
    stringLayer_ = false;
}

void PageRenderer::beginCompound(GraphicsState& state) {
    // Partly transparent, the parts would show through one another.
    const bool translucent = state.fillOpacity() < 1 || state.strokeOpacity() < 1;
    const uint8_t opacity = std::max(opacityOf(state.fillOpacity()), opacityOf(state.strokeOpacity()));
    compoundLayers_.push_back(beginObject(state, opacity, translucent));
}

void PageRenderer::endCompound(GraphicsState&) {
    if (compoundLayers_.empty()) return;
    const bool began = compoundLayers_.back();
    compoundLayers_.pop_back();
    endObject(began);
}

void PageRenderer::beginGroup(GraphicsState& state, const GroupInfo& group) {
    const bool made = !target_ && layers_;
    if (made) {
        const Rect area{floorPixel(group.box[0]), floorPixel(group.box[1]), ceilPixel(group.box[2]), ceilPixel(group.box[3])};
        layers_->beginGroup(group.isolated, group.knockout, area, compositeOf(state, opacityOf(state.fillOpacity())),
                            clip_);
    }
    groupLayers_.push_back(made);
}

void PageRenderer::endGroup(GraphicsState&) {
    if (groupLayers_.empty()) return;
    const bool made = groupLayers_.back();
    groupLayers_.pop_back();
    if (made) layers_->endGroup(clip_);
}

void PageRenderer::beginSoftMask(GraphicsState&, bool luminosity, const double backdrop[3], const double box[4]) {
    const bool made = !target_ && layers_;
    groupLayers_.push_back(made);
    if (!made) return;
    const Rect area{floorPixel(box[0]), floorPixel(box[1]), ceilPixel(box[2]), ceilPixel(box[3])};
    layers_->beginSoftMask(luminosity, toColorRef(backdrop), area);
    // The mask is drawn whole, whatever clip the page has where it is set.
    maskClips_.push_back(clip_);
    clip_ = Region::rectangle(0, 0, pageWidth_, pageHeight_);
    clipChanged();
}

std::shared_ptr<const SoftMaskImage> PageRenderer::endSoftMask(GraphicsState&, const uint8_t* transfer) {
    if (groupLayers_.empty()) return nullptr;
    const bool made = groupLayers_.back();
    groupLayers_.pop_back();
    if (!made || maskClips_.empty()) return nullptr;
    clip_ = std::move(maskClips_.back());
    maskClips_.pop_back();
    return layers_->endSoftMask(transfer, clip_);
}

}  // namespace qm
