#pragma once
// Laying a finished transparent layer onto what lies beneath it: the sixteen blend modes,
// a constant opacity, a per-pixel mask, and knocking out (each object replacing what earlier
// objects of its group left, where it has shape).
#include <cstdint>
#include <vector>

#include "platform/canvas/bitmap.h"

namespace qm {

enum class BlendMode : uint8_t {
    normal, multiply, screen, overlay, darken, lighten, colorDodge, colorBurn,
    hardLight, softLight, difference, exclusion, hue, saturation, color, luminosity
};
inline constexpr int kBlendModeCount = 16;

// Opacity per page pixel: the values of `area` (row by row), `outside` everywhere else.
struct MaskValues {
    Rect area;
    std::vector<uint8_t> values;
    uint8_t outside = 0;

    uint8_t at(int x, int y) const {
        if (x < area.left || y < area.top || x >= area.right || y >= area.bottom) return outside;
        return values[static_cast<size_t>(y - area.top) * static_cast<size_t>(area.right - area.left) +
                      static_cast<size_t>(x - area.left)];
    }
};

// Inside `area` (page pixels, also limited to both bitmaps and to `clip` when given):
// `layer` (transparent) laid over `dest` by `mode`, its opacity scaled by `opacity` (0..255)
// and, when given, by `mask`.
void compositeLayer(Bitmap& dest, const Bitmap& layer, Rect area, BlendMode mode, uint8_t opacity,
                    const MaskValues* mask = nullptr);

// Knocking out: inside `area` each pixel of `dest` becomes `result` in proportion to the shape
// of `object` there (its alpha divided by the object's constant opacity `objectOpacity`),
// keeping what `dest` held elsewhere. `result` is the object already laid over the group's
// initial backdrop.
void knockOut(Bitmap& dest, const Bitmap& result, const Bitmap& object, uint8_t objectOpacity, Rect area);

// Inside `area`, `dest` moves towards `layer` by `opacity` (0..255) times `mask` when given:
// a group drawn onto a copy of its backdrop, laid back onto that backdrop.
void mixLayer(Bitmap& dest, const Bitmap& layer, Rect area, uint8_t opacity, const MaskValues* mask = nullptr);

// Copies the pixels of `area` from `source` into `dest` (either kind; opaque words get full alpha).
void copyPixels(Bitmap& dest, const Bitmap& source, Rect area);

// The intersection of two rectangles (empty ones have left >= right or top >= bottom).
Rect intersectRects(const Rect& a, const Rect& b);

}  // namespace qm
