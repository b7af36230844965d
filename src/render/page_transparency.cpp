// The page renderer's side of transparency: groups, soft masks and objects drawn apart, all
// kept on the renderer's layer stack. Recorded pages draw such parts into a picture of their
// own (a capture) and record it as an image, so HTML and SVG show what the bitmap shows.
#include <algorithm>
#include <cmath>
#include <utility>

#include "graphics/graphics_state.h"
#include "render/image_raster.h"
#include "render/page_renderer.h"
#include "render/replay.h"

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

// The picture's painted part as an image with its opacity (colours taken out of their
// premultiplied form); false when nothing was painted. A picture drawn over `backdrop` keeps
// only the pixels it changed, opaque (laid over the backdrop where drawing left them partly
// transparent).
bool pictureOf(const Bitmap& picture, const Bitmap* backdrop, RasterImage& out) {
    cairo_surface_flush(picture.surface());
    if (backdrop) cairo_surface_flush(backdrop->surface());
    const int w = picture.width(), h = picture.height();
    const uint32_t* words = picture.words();
    const Point at = picture.origin();
    auto beneath = [&](int x, int y) -> const uint32_t* {
        return backdrop ? backdrop->words() + static_cast<size_t>(y + at.y - backdrop->origin().y) * backdrop->width() +
                              (x + at.x - backdrop->origin().x)
                        : nullptr;
    };
    // The pixel as a straight colour and its opacity.
    auto sample = [&](const uint32_t* row, const uint32_t* under, int x) -> std::pair<uint32_t, unsigned> {
        const uint32_t v = row[x];
        const unsigned a = v >> 24;
        if (under) {
            uint32_t flat = 0;
            for (int c = 0; c < 3; ++c) {
                const unsigned p = (v >> (8 * c)) & 0xFF, b = (under[x] >> (8 * c)) & 0xFF;
                flat |= std::min(255u, p + (b * (255 - a) + 127) / 255) << (8 * c);
            }
            return {flat, flat != (under[x] & 0xFFFFFFu) ? 255u : 0u};
        }
        uint32_t straight = 0;
        for (int c = 0; c < 3; ++c) {
            const unsigned p = (v >> (8 * c)) & 0xFF;
            straight |= (a ? std::min(255u, (p * 255 + a / 2) / a) : 255u) << (8 * c);
        }
        return {straight, a};
    };
    int left = w, right = 0, top = h, bottom = 0;
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = words + static_cast<size_t>(y) * static_cast<size_t>(w);
        const uint32_t* under = beneath(0, y);
        for (int x = 0; x < w; ++x) {
            if (under ? (row[x] & 0xFFFFFFu) == (under[x] & 0xFFFFFFu) && (row[x] >> 24) == 255 : (row[x] >> 24) == 0)
                continue;
            if (sample(row, under, x).second == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x + 1);
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
        }
    }
    if (left >= right || top >= bottom) return false;
    const int iw = right - left, ih = bottom - top;
    out.header = BitmapInfoHeader{};
    out.header.width = iw;
    out.header.height = ih;
    out.header.bitCount = 32;
    const size_t stride = BitmapInfoHeader::rowStride(iw, 32);
    out.header.imageSize = static_cast<uint32_t>(stride * static_cast<size_t>(ih));
    out.bits.assign(stride * static_cast<size_t>(ih), 0);
    out.alpha.assign(static_cast<size_t>(iw) * static_cast<size_t>(ih), 0);
    for (int y = 0; y < ih; ++y) {
        const uint32_t* row = words + static_cast<size_t>(y + top) * static_cast<size_t>(w) + left;
        const uint32_t* under = backdrop ? beneath(left, y + top) : nullptr;
        uint8_t* bits = out.bits.data() + stride * static_cast<size_t>(ih - 1 - y);
        for (int x = 0; x < iw; ++x) {
            const auto [colour, a] = sample(row, under, x);
            out.alpha[static_cast<size_t>(y) * static_cast<size_t>(iw) + static_cast<size_t>(x)] = static_cast<uint8_t>(a);
            for (int c = 0; c < 3; ++c) bits[4 * x + c] = a ? static_cast<uint8_t>(colour >> (8 * c)) : 255;
        }
    }
    out.x = at.x + left;
    out.y = at.y + top;
    out.width = iw;
    out.height = ih;
    return true;
}

}  // namespace

bool PageRenderer::beginCapture(Rect area, bool ignoreClip, bool onBackdrop) {
    if (!target_ || captured_ || pageWidth_ <= 0 || pageHeight_ <= 0) return false;
    // Drawing stays inside the clip, so the picture need be no larger; a mask is drawn whole.
    area = intersectRects(area, pageArea());
    if (!ignoreClip && clip_) area = intersectRects(area, clip_->bounds());
    std::unique_ptr<Bitmap> picture = layerBitmaps_.take(area);
    if (!picture) return false;
    // Without the page beneath, blending goes on as if with nothing.
    if (onBackdrop) startOnBackdrop(*picture);
    captured_ = target_;
    target_ = nullptr;
    captureBitmap_ = std::move(picture);
    canvas_ = std::make_unique<Canvas>(*captureBitmap_);
    canvas_->setAntialias(antialias_);
    canvas_->setClip(clip_ ? &*clip_ : nullptr);
    layers_ = std::make_unique<TransparencyStack>(*captureBitmap_, *canvas_, layerBitmaps_);
    return true;
}

bool PageRenderer::startOnBackdrop(Bitmap& picture) {
    const Rect area = picture.area();
    // The innermost group recorded object by object that blends with nothing beneath it: the
    // effect blends with that group's own content only, and the group lies over the rest.
    int32_t from = -1;
    for (auto it = groupLayers_.rbegin(); it != groupLayers_.rend() && from < 0; ++it) from = it->isolatedFrom;
    const int32_t count = target_->itemCount;
    if (from > 0 && (redrawnItems_ += count) > kMaxRedrawnItems) from = -1;
    std::unique_ptr<Bitmap> beneath = layerBitmaps_.take(area), before = layerBitmaps_.take(area);
    if (!beneath || !before) return false;
    Canvas(*beneath).fillRegion(Region::rectangle(area.left, area.top, area.right, area.bottom), pageColour_);
    if (from <= 0) {
        if (!updateBackdrop()) return false;
        copyPixels(picture, *backdrop_, area);
        if (from < 0) {
            // Blending with the whole page, colour and all.
            compositeLayer(*beneath, picture, area, BlendMode::normal, 255);
            copyPixels(picture, *beneath, area);
        }
    } else {
        // The page up to the group beneath, the group's content so far in the picture; each
        // from the clip in force where it starts.
        Canvas under(*beneath), group(picture);
        under.setAntialias(antialias_);
        group.setAntialias(antialias_);
        replayItems(under, *target_, 0, from, *deviceFonts_);
        int32_t clipAt = from - 1;
        while (clipAt >= 0 && target_->items[clipAt].kind != QM_ITEM_CLIP) --clipAt;
        if (clipAt >= 0) replayItems(group, *target_, clipAt, clipAt + 1, *deviceFonts_);
        replayItems(group, *target_, from, count, *deviceFonts_);
    }
    copyPixels(*before, *beneath, area);
    compositeLayer(*before, picture, area, BlendMode::normal, 255);
    captureBeneath_ = std::move(beneath);
    captureBefore_ = std::move(before);
    return true;
}

void PageRenderer::endCapture(bool discard) {
    if (!captured_) return;
    layers_.reset();
    canvas_.reset();
    target_ = captured_;
    captured_ = nullptr;
    RasterImage picture;
    bool painted = false;
    if (!discard && captureBeneath_) {
        // The page as it looks now, against how it looked: what changed is kept, opaque.
        compositeLayer(*captureBeneath_, *captureBitmap_, captureBitmap_->area(), BlendMode::normal, 255);
        painted = pictureOf(*captureBeneath_, captureBefore_.get(), picture);
    } else if (!discard) {
        painted = pictureOf(*captureBitmap_, nullptr, picture);
    }
    layerBitmaps_.give(std::move(captureBitmap_));
    layerBitmaps_.give(std::move(captureBeneath_));
    layerBitmaps_.give(std::move(captureBefore_));
    if (painted) image(picture, 255);
}

bool PageRenderer::updateBackdrop() {
    if (!target_) return false;
    if (!backdrop_) {
        auto page = std::make_unique<Bitmap>(pageWidth_, pageHeight_, Point{0, 0});
        if (!page->isOk()) return false;
        backdrop_ = std::move(page);
        backdropCanvas_ = std::make_unique<Canvas>(*backdrop_);
        backdropCanvas_->setAntialias(antialias_);  // as the page's picture will draw the records
        backdropItems_ = 0;
    }
    // Each record is drawn once, however many pictures are made over it.
    replayItems(*backdropCanvas_, *target_, backdropItems_, target_->itemCount, *deviceFonts_);
    backdropItems_ = target_->itemCount;
    return true;
}

void PageRenderer::dropBackdrop() {
    backdropCanvas_.reset();
    backdrop_.reset();
    backdropItems_ = 0;
    redrawnItems_ = 0;
}

bool PageRenderer::beginObject(const GraphicsState& state, uint8_t opacity, const Rect& bounds, bool always) {
    if (target_ && !captured_) {
        // Recording: only what records cannot say is drawn as a picture.
        if (!always && state.blendMode() == 0 && !state.softMaskImage()) return false;
        if (!beginCapture(bounds, false, state.blendMode() != 0)) return false;
        objectCapture_ = true;
    }
    if (target_ || !layers_ || layers_->inObject()) return false;
    if (!always && state.blendMode() == 0 && !state.softMaskImage() && !layers_->inKnockout()) {
        if (objectCapture_) {
            objectCapture_ = false;
            endCapture(true);
        }
        return false;
    }
    layers_->beginObject(bounds, compositeOf(state, 255), opacity, clip_);
    return true;
}

void PageRenderer::endObject(bool began) {
    if (!began || !layers_) return;
    layers_->endObject(clip_);
    if (objectCapture_) {
        objectCapture_ = false;
        endCapture();
    }
}

Rect PageRenderer::pathBounds(const DevicePath& path, double pad) {
    if (path.points.empty()) return Rect{0, 0, 0, 0};
    double left = path.points[0].x, top = path.points[0].y, right = left, bottom = top;
    for (const Point& p : path.points) {
        left = std::min(left, double(p.x));
        right = std::max(right, double(p.x));
        top = std::min(top, double(p.y));
        bottom = std::max(bottom, double(p.y));
    }
    for (const PointF& p : path.exact) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    // Aliased shapes are drawn through pixel centres, smooth ones touch the pixels around
    // their edges, and a lone subpath also gets a one-pixel outline: two pixels cover all.
    pad = (std::isfinite(pad) ? pad : 1e9) + 2;
    return {floorPixel(left - pad), floorPixel(top - pad), ceilPixel(right + pad) + 1, ceilPixel(bottom + pad) + 1};
}

double PageRenderer::strokePad(const GraphicsState& state) {
    // Half the pen each side; a mitred corner reaches out as far as the miter limit lets it,
    // a square cap by half the pen's diagonal. Limits as the canvas applies them.
    const double width = state.transformedLineWidth(state.lineWidth());
    const double half = (std::isfinite(width) ? std::clamp(std::max(width, std::trunc(width + 0.5)), 1.0, 1e5) : 1.0) / 2;
    const double miter = std::isfinite(state.miterLimit()) ? std::clamp(state.miterLimit(), 1.0, 1e4) : 10.0;
    return half * (state.lineJoin() <= 0 ? std::max(miter, 1.5) : 1.5);
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
    stringLayer_ = beginObject(state, opacityOf(state.fillOpacity()), pageArea());
}

void PageRenderer::endString(GraphicsState&) {
    endObject(stringLayer_);
    stringLayer_ = false;
}

void PageRenderer::beginCompound(GraphicsState& state, bool fillAndStroke) {
    // Partly transparent, the parts would show through one another.
    const bool translucent = state.fillOpacity() < 1 || state.strokeOpacity() < 1;
    const uint8_t opacity = std::max(opacityOf(state.fillOpacity()), opacityOf(state.strokeOpacity()));
    // A fill and stroke covers no more than its stroked path; a shading, what the clip leaves.
    Rect bounds = pageArea();
    if (fillAndStroke && (translucent || state.blendMode() != 0 || state.softMaskImage() || (layers_ && layers_->inKnockout()))) {
        buildDevicePath(state, flatness_, pageWidth_, pageHeight_, false, compoundPath_);
        bounds = pathBounds(compoundPath_, strokePad(state));
    }
    compoundLayers_.push_back(beginObject(state, opacity, bounds, translucent));
}

void PageRenderer::endCompound(GraphicsState&) {
    if (compoundLayers_.empty()) return;
    const bool began = compoundLayers_.back();
    compoundLayers_.pop_back();
    endObject(began);
}

void PageRenderer::beginGroup(GraphicsState& state, const GroupInfo& group) {
    uint8_t made = 0;
    const Composite how = compositeOf(state, opacityOf(state.fillOpacity()));
    // A plain group's objects are recorded one by one; the others become pictures.
    const bool plain = how.mode == BlendMode::normal && how.opacity == 255 && !how.mask && !group.knockout;
    const Rect area{floorPixel(group.box[0]), floorPixel(group.box[1]), ceilPixel(group.box[2]), ceilPixel(group.box[3])};
    // What blends, or starts from what lies beneath, is drawn over the page recorded so far.
    const bool onBackdrop = how.mode != BlendMode::normal || !group.isolated;
    if (target_ && !captured_ && !plain && beginCapture(area, false, onBackdrop)) made = 2;
    if (!target_ && layers_) {
        layers_->beginGroup(group.isolated, group.knockout, area, how, clip_);
        made = std::max<uint8_t>(made, 1);
    }
    const bool recordedIsolated = target_ && !captured_ && group.isolated;
    groupLayers_.push_back({made, recordedIsolated ? target_->itemCount : -1});
}

void PageRenderer::endGroup(GraphicsState&) {
    if (groupLayers_.empty()) return;
    const uint8_t made = groupLayers_.back().made;
    groupLayers_.pop_back();
    if (made) layers_->endGroup(clip_);
    if (made == 2) endCapture();
}

void PageRenderer::beginSoftMask(GraphicsState&, bool luminosity, const double backdrop[3], const double box[4]) {
    const Rect area{floorPixel(box[0]), floorPixel(box[1]), ceilPixel(box[2]), ceilPixel(box[3])};
    // A recorded page draws the mask all the same, for the objects it will mask.
    uint8_t made = target_ && !captured_ && beginCapture(area, true) ? 2 : 0;
    if (!target_ && layers_) made = std::max<uint8_t>(made, 1);
    groupLayers_.push_back({made, -1});
    if (!made) return;
    layers_->beginSoftMask(luminosity, toColorRef(backdrop), area);
    // The mask is drawn whole, whatever clip the page has where it is set.
    maskClips_.push_back(clip_);
    clip_ = Region::rectangle(0, 0, pageWidth_, pageHeight_);
    clipChanged();
}

std::shared_ptr<const SoftMaskImage> PageRenderer::endSoftMask(GraphicsState&, const uint8_t* transfer) {
    if (groupLayers_.empty()) return nullptr;
    const uint8_t made = groupLayers_.back().made;
    groupLayers_.pop_back();
    if (!made || maskClips_.empty()) return nullptr;
    clip_ = std::move(maskClips_.back());
    maskClips_.pop_back();
    std::shared_ptr<const SoftMaskImage> mask = layers_->endSoftMask(transfer, clip_);
    if (made == 2) endCapture(true);
    return mask;
}

}  // namespace qm
