#include "platform/canvas/canvas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace qm {

void Canvas::setClip(const Region* clip) {
    if (clip)
        clip_ = *clip;
    else
        clip_.reset();
}

Region Canvas::drawable(const Region& region) const {
    Region r = region;
    const Rect a = bitmap_.area();
    r.intersect(Region::rectangle(a.left, a.top, a.right, a.bottom));
    if (clip_) r.intersect(*clip_);
    return r;
}

namespace {
constexpr uint32_t kOpaque = 0xFF000000;

// c (opaque) over the page word by opacity a (1..254), per channel with rounding. The alpha
// byte goes the same way, so premultiplied transparent words compose correctly too.
uint32_t blendWord(uint32_t page, uint32_t c, unsigned a) {
    uint32_t out = 0;
    for (int shift = 0; shift <= 24; shift += 8) {
        const unsigned p = (page >> shift) & 0xFF, v = (c >> shift) & 0xFF;
        out |= ((v * a + p * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

// c (opaque) at opacity a as a premultiplied word.
uint32_t scaledWord(uint32_t c, unsigned a) {
    uint32_t out = 0;
    for (int shift = 0; shift <= 24; shift += 8) out |= ((((c >> shift) & 0xFF) * a + 127) / 255) << shift;
    return out;
}
}  // namespace

Rect Canvas::takeTouched() {
    const Rect r = touched_;
    touched_ = Rect{};
    return r;
}

void Canvas::touch(const Rect& r) {
    if (r.left >= r.right || r.top >= r.bottom) return;
    if (touched_.left >= touched_.right) {
        touched_ = r;
        return;
    }
    touched_ = {std::min(touched_.left, r.left), std::min(touched_.top, r.top), std::max(touched_.right, r.right),
                std::max(touched_.bottom, r.bottom)};
}

void Canvas::fillRegion(const Region& region, ColorRef color, uint8_t opacity) {
    if (!bitmap_.isOk() || (opacity == 0 && !replace_)) return;
    const Region area = drawable(region);
    if (area.isEmpty()) return;
    touch(area.bounds());
    cairo_surface_flush(bitmap_.surface());
    const uint32_t word = Bitmap::toWord(color) | kOpaque;
    const bool overwrite = opacity == 255 || replace_;
    const uint32_t put = opacity == 255 ? word : scaledWord(word, opacity);
    for (const Rect& r : area.rectangles()) {
        for (int y = r.top; y < r.bottom; ++y) {
            uint32_t* row = wordAt(r.left, y);
            if (overwrite) {
                std::fill(row, row + (r.right - r.left), put);
                continue;
            }
            for (int x = 0; x < r.right - r.left; ++x) row[x] = blendWord(row[x], word, opacity);
        }
    }
    cairo_surface_mark_dirty(bitmap_.surface());
}

Rect Canvas::drawableBounds() const {
    Rect r{0, 0, bitmap_.width(), bitmap_.height()};
    if (clip_) {
        const Rect c = clip_->bounds();
        r = {std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right), std::min(r.bottom, c.bottom)};
    }
    return r;
}

void Canvas::fillPolygon(const Point* points, size_t count, FillMode mode, ColorRef color, uint8_t opacity) {
    // Only the part that can be drawn is scanned: a shape reaching far off the page costs no
    // more than what it covers of it.
    const Rect bounds = drawableBounds();
    fillRegion(Region::polygon(points, count, mode, &bounds), color, opacity);
}

void Canvas::appendLineShape(int x0, int y0, int x1, int y1, const Pen& pen,
                             std::vector<std::vector<PointF>>& pieces) {
    const double dx = double(x1) - x0, dy = double(y1) - y0;
    const double length = std::hypot(dx, dy);
    if (length == 0) return;
    const double width = pen.width < 1 ? 1.0 : double(pen.width);
    const double ux = dx / length, uy = dy / length;
    const double nx = -uy * width / 2, ny = ux * width / 2;
    // Pixel centres sit at half coordinates of the rasteriser.
    const double sx = x0 + 0.5, sy = y0 + 0.5;
    auto piece = [&](double from, double to) {
        const double ax = sx + ux * from, ay = sy + uy * from, bx = sx + ux * to, by = sy + uy * to;
        pieces.push_back({{ax + nx, ay + ny}, {bx + nx, by + ny}, {bx - nx, by - ny}, {ax - nx, ay - ny}});
    };
    if (!pen.dashed) {
        piece(0, length);
    } else {
        const double dash = 3 * width, period = 4 * width;
        for (double t = 0; t < length; t += period) piece(t, std::min(t + dash, length));
    }
}

void Canvas::drawLine(int x0, int y0, int x1, int y1, const Pen& pen) {
    if (!bitmap_.isOk()) return;
    std::vector<std::vector<PointF>> pieces;
    appendLineShape(x0, y0, x1, y1, pen, pieces);
    if (pieces.empty()) return;
    const Rect bounds = drawableBounds();
    fillRegion(Region::contours(pieces, FillMode::winding, &bounds), pen.color, pen.opacity);
}

void Canvas::drawPolyline(const Point* points, size_t count, const Pen& pen) {
    if (!bitmap_.isOk() || count < 2) return;
    std::vector<std::vector<PointF>> pieces;
    for (size_t i = 1; i < count; ++i)
        appendLineShape(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, pen, pieces);
    if (pieces.empty()) return;
    const Rect bounds = drawableBounds();
    fillRegion(Region::contours(pieces, FillMode::winding, &bounds), pen.color, pen.opacity);
}

void Canvas::stretchImage(const DibView& source, int x, int y, int width, int height) {
    blit(source, nullptr, x, y, width, height, false);
}

void Canvas::drawTransparentImage(const DibView& source, int x, int y, int width, int height) {
    blit(source, nullptr, x, y, width, height, true);
}

void Canvas::drawBlendedImage(const DibView& source, const uint8_t* alpha, int x, int y, int width, int height) {
    blit(source, alpha, x, y, width, height, false);
}

void Canvas::blit(const DibView& source, const uint8_t* alpha, int x, int y, int width, int height,
                  bool transparent) {
    if (!bitmap_.isOk() || width == 0 || height == 0) return;
    const bool mirrorX = width < 0, mirrorY = height < 0;
    const long w = std::labs(long(width)), h = std::labs(long(height));
    const long left = mirrorX ? long(x) - w : x, top = mirrorY ? long(y) - h : y;
    if (left < INT32_MIN || top < INT32_MIN || left + w > INT32_MAX || top + h > INT32_MAX) return;
    const Region area = drawable(Region::rectangle(int(left), int(top), int(left + w), int(top + h)));
    if (area.isEmpty()) return;
    const long sw = source.width(), sh = source.height();
    // Nearest source pixel of each destination column and row (by their centres).
    auto sourceIndex = [](long d, long dSize, long sSize, bool mirror) {
        long s = static_cast<long>((static_cast<double>(d) + 0.5) * double(sSize) / double(dSize));
        s = std::clamp(s, 0L, sSize - 1);
        return mirror ? sSize - 1 - s : s;
    };
    touch(area.bounds());
    cairo_surface_flush(bitmap_.surface());
    std::vector<int> columns;
    for (const Rect& r : area.rectangles()) {
        columns.resize(static_cast<size_t>(r.right - r.left));
        for (int dx = r.left; dx < r.right; ++dx) columns[dx - r.left] = int(sourceIndex(dx - left, w, sw, mirrorX));
        for (int dy = r.top; dy < r.bottom; ++dy) {
            const int sy = int(sourceIndex(dy - top, h, sh, mirrorY));
            uint32_t* row = wordAt(r.left, dy) - r.left;
            const uint8_t* opacity = alpha ? alpha + static_cast<size_t>(sy) * static_cast<size_t>(sw) : nullptr;
            for (int dx = r.left; dx < r.right; ++dx) {
                const ColorRef c = source.pixel(columns[dx - r.left], sy);
                if (transparent && c == kWhite) continue;
                if (!opacity) {
                    row[dx] = Bitmap::toWord(c) | kOpaque;
                    continue;
                }
                const unsigned a = opacity[columns[dx - r.left]];
                if (a == 255) row[dx] = Bitmap::toWord(c) | kOpaque;
                else if (replace_) row[dx] = scaledWord(Bitmap::toWord(c) | kOpaque, a);
                else if (a != 0) row[dx] = blendWord(row[dx], Bitmap::toWord(c) | kOpaque, a);
            }
        }
    }
    cairo_surface_mark_dirty(bitmap_.surface());
}

void setCairoSource(cairo_t* cr, ColorRef color, uint8_t opacity) {
    const double r = redOf(color) / 255.0, g = greenOf(color) / 255.0, b = blueOf(color) / 255.0;
    if (opacity == 255)
        cairo_set_source_rgb(cr, r, g, b);
    else
        cairo_set_source_rgba(cr, r, g, b, opacity / 255.0);
}

cairo_t* Canvas::beginCairo() {
    if (!bitmap_.isOk()) return nullptr;
    cairo_t* cr = cairo_create(bitmap_.surface());
    cairo_translate(cr, -bitmap_.origin().x, -bitmap_.origin().y);
    Rect bounds = bitmap_.area();
    if (clip_) {
        for (const Rect& r : clip_->rectangles()) cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
        cairo_clip(cr);
        const Rect c = clip_->bounds();
        bounds = {std::max(c.left, bounds.left), std::max(c.top, bounds.top), std::min(c.right, bounds.right),
                  std::min(c.bottom, bounds.bottom)};
    }
    // What cairo draws is not measured; the clip bounds stand in for it.
    touch(bounds);
    if (replace_) cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    return cr;
}

void Canvas::endCairo(cairo_t* cr) {
    cairo_destroy(cr);
    cairo_surface_flush(bitmap_.surface());
}

}  // namespace qm
