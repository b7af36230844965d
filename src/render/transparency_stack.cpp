#include "render/transparency_stack.h"

#include <algorithm>

#include "core/report_error.h"

namespace qm {

std::unique_ptr<Bitmap> LayerBitmaps::take(const Rect& area) {
    if (area.left >= area.right || area.top >= area.bottom) return nullptr;
    const int w = area.right - area.left, h = area.bottom - area.top;
    const Point origin{area.left, area.top};
    if (spare_.empty()) {
        auto b = std::make_unique<Bitmap>(w, h, origin);
        return b->isOk() ? std::move(b) : nullptr;
    }
    // The first spare large enough, else the last one grows.
    const size_t need = static_cast<size_t>(w) * static_cast<size_t>(h);
    auto it = std::find_if(spare_.begin(), spare_.end(), [need](const auto& b) { return b->capacity() >= need; });
    if (it == spare_.end()) it = spare_.end() - 1;
    std::unique_ptr<Bitmap> b = std::move(*it);
    spare_.erase(it);
    return b->reshape(w, h, origin) ? std::move(b) : nullptr;
}

void LayerBitmaps::give(std::unique_ptr<Bitmap> bitmap) {
    if (!bitmap || !bitmap->isTransparent() || !bitmap->isOk() || bitmap->capacity() > kMaxKeptPixels) return;
    if (spare_.size() >= kKept) spare_.erase(spare_.begin());
    spare_.push_back(std::move(bitmap));
}

Bitmap& TransparencyStack::target() {
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it)
        if (it->bitmap) return *it->bitmap;
    return page_;
}

TransparencyStack::Layer* TransparencyStack::enclosingGroup() {
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it)
        if (it->bitmap && it->kind != Kind::object) return &*it;
    return nullptr;
}

bool TransparencyStack::inKnockout() const {
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it) {
        if (it->kind == Kind::object) continue;
        return it->kind == Kind::group && it->knockout;
    }
    return false;
}

void TransparencyStack::push(Layer layer, const std::optional<Region>& clip) {
    Bitmap& on = layer.bitmap ? *layer.bitmap : target();
    layer.canvas = std::make_unique<Canvas>(on);
    layer.canvas->setAntialias(pageCanvas_.antialias());
    layer.canvas->setClip(clip ? &*clip : nullptr);
    layers_.push_back(std::move(layer));
}

void TransparencyStack::beginGroup(bool isolated, bool knockout, Rect area, Composite how,
                                   const std::optional<Region>& clip) {
    Layer layer;
    layer.kind = Kind::group;
    layer.how = std::move(how);
    layer.isolated = isolated;
    layer.knockout = knockout;
    area = intersectRects(area, target().area());
    if (clip) area = intersectRects(area, clip->bounds());
    layer.area = area;
    const bool plain = layer.how.mode == BlendMode::normal && layer.how.opacity == 255 && !layer.how.mask;
    // A non-isolated, non-knockout group laid on as it is gives the same pixels as its
    // content drawn straight onto the parent, so it needs no layer.
    const bool direct = !isolated && !knockout && plain && !inKnockout();
    if (!direct && layers_.size() < kMaxDepth) {
        layer.bitmap = bitmaps_.take(area);
        // A non-isolated group starts from what lies beneath it; inside a knockout group that
        // would be the knockout group's initial backdrop, which is left empty here. One that
        // blends onto its backdrop is drawn apart: the backdrop cannot be taken out of its
        // pixels again, and the two ways differ only when its own objects blend too.
        if (layer.bitmap && !isolated && !inKnockout() && layer.how.mode == BlendMode::normal) {
            copyPixels(*layer.bitmap, target(), area);
            if (knockout) {
                layer.backdrop = bitmaps_.take(area);
                if (layer.backdrop) copyPixels(*layer.backdrop, target(), area);
            }
            layer.isolated = false;
        } else {
            layer.isolated = true;
        }
    }
    if (!layer.bitmap) layer.knockout = false;
    push(std::move(layer), clip);
}

void TransparencyStack::drop(Layer& layer) {
    layer.canvas.reset();
    bitmaps_.give(std::move(layer.bitmap));
    bitmaps_.give(std::move(layer.backdrop));
}

void TransparencyStack::endGroup(const std::optional<Region>& clip) {
    if (layers_.empty() || layers_.back().kind != Kind::group) return;
    Layer layer = std::move(layers_.back());
    layers_.pop_back();
    finish(layer);
    drop(layer);
    canvas().setClip(clip ? &*clip : nullptr);
}

void TransparencyStack::beginObject(Rect area, Composite how, uint8_t shapeOpacity, const std::optional<Region>& clip) {
    Layer layer;
    layer.kind = Kind::object;
    layer.how = std::move(how);
    layer.shapeOpacity = shapeOpacity;
    area = intersectRects(area, target().area());
    if (clip) area = intersectRects(area, clip->bounds());
    layer.area = area;
    if (layers_.size() < kMaxDepth) layer.bitmap = bitmaps_.take(area);
    push(std::move(layer), clip);
}

void TransparencyStack::endObject(const std::optional<Region>& clip) {
    if (!inObject()) return;
    Layer layer = std::move(layers_.back());
    layers_.pop_back();
    finish(layer);
    drop(layer);
    canvas().setClip(clip ? &*clip : nullptr);
}

void TransparencyStack::finish(Layer& layer) {
    if (!layer.bitmap) return;
    Bitmap& parent = target();
    const Rect area = layer.bitmap->area();
    if (inKnockout()) {
        // The object (or group) is laid over the knockout group's initial backdrop and takes
        // the place of what earlier objects left, where it has shape.
        Layer* group = enclosingGroup();
        std::unique_ptr<Bitmap> result = bitmaps_.take(area);
        if (!result) return;
        if (group && group->backdrop) copyPixels(*result, *group->backdrop, area);
        compositeLayer(*result, *layer.bitmap, area, layer.how.mode, layer.how.opacity, layer.how.mask);
        // A group's shape is the union of its objects' shapes: whole wherever it painted.
        knockOut(parent, *result, *layer.bitmap, layer.kind == Kind::object ? layer.shapeOpacity : 1, area);
        bitmaps_.give(std::move(result));
        return;
    }
    if (layer.kind == Kind::group && !layer.isolated) {
        // Drawn onto a copy of its backdrop, the group moves the backdrop towards itself.
        mixLayer(parent, *layer.bitmap, area, layer.how.opacity, layer.how.mask);
        return;
    }
    compositeLayer(parent, *layer.bitmap, area, layer.how.mode, layer.how.opacity, layer.how.mask);
}

void TransparencyStack::beginSoftMask(bool luminosity, ColorRef backdrop, Rect area) {
    Layer layer;
    layer.kind = Kind::softMask;
    layer.luminosity = luminosity;
    layer.backdropColor = backdrop;
    layer.area = intersectRects(area, page_.area());
    if (layers_.size() < kMaxDepth) layer.bitmap = bitmaps_.take(layer.area);
    // Without a layer of its own the mask's drawing goes nowhere.
    if (!layer.bitmap) layer.bitmap = std::make_unique<Bitmap>(1, 1, Point{-4, -4});
    const Rect a = layer.area;
    push(std::move(layer), std::nullopt);
    if (luminosity) layers_.back().canvas->fillRegion(Region::rectangle(a.left, a.top, a.right, a.bottom), backdrop);
}

std::shared_ptr<const SoftMaskImage> TransparencyStack::endSoftMask(const uint8_t* transfer,
                                                                    const std::optional<Region>& clip) {
    if (layers_.empty() || layers_.back().kind != Kind::softMask) return nullptr;
    Layer layer = std::move(layers_.back());
    layers_.pop_back();
    canvas().setClip(clip ? &*clip : nullptr);
    auto mask = std::make_shared<RasterSoftMask>();
    auto map = [transfer](unsigned v) { return transfer ? transfer[v] : static_cast<uint8_t>(v); };
    auto luminosity = [](uint32_t w) {
        const unsigned r = (w >> 16) & 0xFF, g = (w >> 8) & 0xFF, b = w & 0xFF;
        return (r * 77 + g * 151 + b * 28 + 128) >> 8;
    };
    MaskValues& out = mask->values;
    out.outside = map(layer.luminosity ? luminosity(Bitmap::toWord(layer.backdropColor)) : 0);
    const Bitmap& b = *layer.bitmap;
    if (b.isOk() && b.area() == layer.area && layer.area.left < layer.area.right) {
        out.area = layer.area;
        out.values.resize(static_cast<size_t>(b.width()) * static_cast<size_t>(b.height()));
        cairo_surface_flush(b.surface());
        const uint32_t* w = b.words();
        for (size_t i = 0; i < out.values.size(); ++i)
            out.values[i] = map(layer.luminosity ? luminosity(w[i]) : (w[i] >> 24));
    }
    drop(layer);
    return mask;
}

}  // namespace qm
