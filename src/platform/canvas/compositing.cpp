#include "platform/canvas/compositing.h"

#include <algorithm>

namespace qm {

namespace {

cairo_operator_t cairoOperator(BlendMode mode) {
    // Cairo's blend operators follow the same separable and non-separable formulas, laid over
    // the backdrop with the usual source-over weighting of the two alphas.
    static constexpr cairo_operator_t table[kBlendModeCount] = {
        CAIRO_OPERATOR_OVER,        CAIRO_OPERATOR_MULTIPLY,   CAIRO_OPERATOR_SCREEN,      CAIRO_OPERATOR_OVERLAY,
        CAIRO_OPERATOR_DARKEN,      CAIRO_OPERATOR_LIGHTEN,    CAIRO_OPERATOR_COLOR_DODGE, CAIRO_OPERATOR_COLOR_BURN,
        CAIRO_OPERATOR_HARD_LIGHT,  CAIRO_OPERATOR_SOFT_LIGHT, CAIRO_OPERATOR_DIFFERENCE,  CAIRO_OPERATOR_EXCLUSION,
        CAIRO_OPERATOR_HSL_HUE,     CAIRO_OPERATOR_HSL_SATURATION, CAIRO_OPERATOR_HSL_COLOR, CAIRO_OPERATOR_HSL_LUMINOSITY};
    const auto i = static_cast<size_t>(mode);
    return i < kBlendModeCount ? table[i] : CAIRO_OPERATOR_OVER;
}

// a + (b - a) x t / 255 on each of the four bytes.
uint32_t lerpWord(uint32_t a, uint32_t b, unsigned t) {
    if (t == 0) return a;
    if (t >= 255) return b;
    uint32_t out = 0;
    for (int shift = 0; shift <= 24; shift += 8) {
        const int x = static_cast<int>((a >> shift) & 0xFF), y = static_cast<int>((b >> shift) & 0xFF);
        const int v = x + ((y - x) * static_cast<int>(t) + (y >= x ? 127 : -127)) / 255;
        out |= static_cast<uint32_t>(std::clamp(v, 0, 255)) << shift;
    }
    return out;
}

uint32_t scaleWord(uint32_t w, unsigned t) {
    if (t >= 255) return w;
    uint32_t out = 0;
    for (int shift = 0; shift <= 24; shift += 8) out |= ((((w >> shift) & 0xFF) * t + 127) / 255) << shift;
    return out;
}

const uint32_t* wordAt(const Bitmap& b, int x, int y) {
    return b.words() + static_cast<size_t>(y - b.origin().y) * static_cast<size_t>(b.width()) + (x - b.origin().x);
}
uint32_t* wordAt(Bitmap& b, int x, int y) {
    return b.words() + static_cast<size_t>(y - b.origin().y) * static_cast<size_t>(b.width()) + (x - b.origin().x);
}

// Opaque bitmaps carry no alpha byte of their own.
uint32_t alphaWord(const Bitmap& b, uint32_t w) { return b.isTransparent() ? w : (w | 0xFF000000u); }

}  // namespace

Rect intersectRects(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) return Rect{};
    return r;
}

void compositeLayer(Bitmap& dest, const Bitmap& layer, Rect area, BlendMode mode, uint8_t opacity,
                    const MaskValues* mask) {
    if (!dest.isOk() || !layer.isOk() || opacity == 0) return;
    area = intersectRects(intersectRects(area, dest.area()), layer.area());
    if (area.left >= area.right) return;
    cairo_surface_t* source = layer.surface();
    cairo_surface_t* scaled = nullptr;
    Point at = layer.origin();
    if (mask) {
        const int w = area.right - area.left, h = area.bottom - area.top;
        scaled = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        if (cairo_surface_status(scaled) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(scaled);
            return;
        }
        cairo_surface_flush(layer.surface());
        cairo_surface_flush(scaled);
        auto* out = reinterpret_cast<uint8_t*>(cairo_image_surface_get_data(scaled));
        const int stride = cairo_image_surface_get_stride(scaled);
        for (int y = area.top; y < area.bottom; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(out + static_cast<size_t>(y - area.top) * static_cast<size_t>(stride));
            const uint32_t* in = wordAt(layer, area.left, y);
            for (int x = area.left; x < area.right; ++x) row[x - area.left] = scaleWord(in[x - area.left], mask->at(x, y));
        }
        cairo_surface_mark_dirty(scaled);
        source = scaled;
        at = {area.left, area.top};
    }
    cairo_surface_flush(dest.surface());
    cairo_t* cr = cairo_create(dest.surface());
    cairo_translate(cr, -dest.origin().x, -dest.origin().y);
    cairo_rectangle(cr, area.left, area.top, area.right - area.left, area.bottom - area.top);
    cairo_clip(cr);
    cairo_set_source_surface(cr, source, at.x, at.y);
    cairo_set_operator(cr, cairoOperator(mode));
    if (opacity == 255)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, opacity / 255.0);
    cairo_destroy(cr);
    cairo_surface_flush(dest.surface());
    if (scaled) cairo_surface_destroy(scaled);
}

void knockOut(Bitmap& dest, const Bitmap& result, const Bitmap& object, uint8_t objectOpacity, Rect area) {
    if (!dest.isOk() || !result.isOk() || !object.isOk() || objectOpacity == 0) return;
    area = intersectRects(intersectRects(intersectRects(area, dest.area()), result.area()), object.area());
    if (area.left >= area.right) return;
    cairo_surface_flush(dest.surface());
    cairo_surface_flush(result.surface());
    cairo_surface_flush(object.surface());
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* d = wordAt(dest, area.left, y);
        const uint32_t* r = wordAt(result, area.left, y);
        const uint32_t* o = wordAt(object, area.left, y);
        for (int i = 0; i < area.right - area.left; ++i) {
            const unsigned alpha = o[i] >> 24;
            if (alpha == 0) continue;
            const unsigned shape = std::min(255u, (alpha * 255 + objectOpacity / 2) / objectOpacity);
            d[i] = lerpWord(alphaWord(dest, d[i]), alphaWord(result, r[i]), shape);
        }
    }
    cairo_surface_mark_dirty(dest.surface());
}

void mixLayer(Bitmap& dest, const Bitmap& layer, Rect area, uint8_t opacity, const MaskValues* mask) {
    if (!dest.isOk() || !layer.isOk() || opacity == 0) return;
    area = intersectRects(intersectRects(area, dest.area()), layer.area());
    if (area.left >= area.right) return;
    cairo_surface_flush(dest.surface());
    cairo_surface_flush(layer.surface());
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* d = wordAt(dest, area.left, y);
        const uint32_t* s = wordAt(layer, area.left, y);
        for (int i = 0; i < area.right - area.left; ++i) {
            const unsigned t = mask ? (opacity * mask->at(area.left + i, y) + 127) / 255 : opacity;
            d[i] = lerpWord(alphaWord(dest, d[i]), alphaWord(layer, s[i]), t);
        }
    }
    cairo_surface_mark_dirty(dest.surface());
}

void copyPixels(Bitmap& dest, const Bitmap& source, Rect area) {
    if (!dest.isOk() || !source.isOk()) return;
    area = intersectRects(intersectRects(area, dest.area()), source.area());
    if (area.left >= area.right) return;
    cairo_surface_flush(dest.surface());
    cairo_surface_flush(source.surface());
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* d = wordAt(dest, area.left, y);
        const uint32_t* s = wordAt(source, area.left, y);
        for (int i = 0; i < area.right - area.left; ++i) d[i] = alphaWord(source, s[i]);
    }
    cairo_surface_mark_dirty(dest.surface());
}

}  // namespace qm
