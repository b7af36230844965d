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

void Canvas::fillRows(const RowColors& colors, uint8_t opacity) {
    if (!bitmap_.isOk() || (opacity == 0 && !replace_)) return;
    const Rect bounds = drawableBounds();
    if (bounds.right <= bounds.left || bounds.bottom <= bounds.top) return;
    const Region area = drawable(Region::rectangle(bounds.left, bounds.top, bounds.right, bounds.bottom));
    if (area.isEmpty()) return;
    touch(area.bounds());
    cairo_surface_flush(bitmap_.surface());
    const bool overwrite = opacity == 255 || replace_;
    std::vector<ColorRef> row;
    for (const Rect& r : area.rectangles()) {
        row.resize(static_cast<size_t>(r.right - r.left));
        for (int y = r.top; y < r.bottom; ++y) {
            colors(y, r.left, r.right, row.data());
            uint32_t* words = wordAt(r.left, y);
            for (size_t x = 0; x < row.size(); ++x) {
                if (row[x] == kNoPaint) continue;
                const uint32_t word = Bitmap::toWord(row[x]) | kOpaque;
                words[x] = overwrite ? (opacity == 255 ? word : scaledWord(word, opacity)) : blendWord(words[x], word, opacity);
            }
        }
    }
    cairo_surface_mark_dirty(bitmap_.surface());
}

Rect Canvas::drawableBounds() const {
    Rect r = bitmap_.area();
    if (clip_) {
        const Rect c = clip_->bounds();
        r = {std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right), std::min(r.bottom, c.bottom)};
    }
    return r;
}

void Canvas::fillPolygon(const Point* points, size_t count, FillMode mode, ColorRef color, uint8_t opacity) {
    if (antialias_) {
        std::vector<PointF> exact(count);
        for (size_t i = 0; i < count; ++i) exact[i] = {double(points[i].x), double(points[i].y)};
        fillSmooth(exact, {static_cast<int>(std::min<size_t>(count, INT32_MAX))}, mode, color, opacity);
        return;
    }
    // Only the part that can be drawn is scanned: a shape reaching far off the page costs no
    // more than what it covers of it.
    const Rect bounds = drawableBounds();
    fillRegion(Region::polygon(points, count, mode, &bounds), color, opacity);
}

cairo_t* Canvas::beginPath(const std::vector<PointF>& points, const std::vector<int>& counts, bool stroke,
                           double lineWidth) {
    if (!bitmap_.isOk() || points.empty()) return nullptr;
    cairo_t* cr = beginCairo(false);
    if (!cr) return nullptr;
    // Far-off points are held where cairo's fixed-point numbers still reach.
    constexpr double kFar = 1 << 20;
    size_t at = 0;
    for (int count : counts) {
        if (count <= 0 || at + static_cast<size_t>(count) > points.size()) break;
        for (size_t i = at; i < at + static_cast<size_t>(count); ++i) {
            const double x = std::clamp(points[i].x, -kFar, kFar), y = std::clamp(points[i].y, -kFar, kFar);
            if (i == at)
                cairo_move_to(cr, x, y);
            else
                cairo_line_to(cr, x, y);
        }
        // A stroked subpath that ends where it began is closed, so its ends join.
        const PointF& first = points[at];
        const PointF& last = points[at + static_cast<size_t>(count) - 1];
        if (!stroke || (count > 2 && first.x == last.x && first.y == last.y)) cairo_close_path(cr);
        at += static_cast<size_t>(count);
    }
    double x0, y0, x1, y1;
    if (stroke) {
        cairo_set_line_width(cr, lineWidth);
        cairo_stroke_extents(cr, &x0, &y0, &x1, &y1);
    } else {
        cairo_fill_extents(cr, &x0, &y0, &x1, &y1);
    }
    double cx0, cy0, cx1, cy1;
    cairo_clip_extents(cr, &cx0, &cy0, &cx1, &cy1);
    const Rect area = bitmap_.area();
    const Rect r{std::max({static_cast<int>(std::floor(std::max(x0, cx0))), area.left}),
                 std::max({static_cast<int>(std::floor(std::max(y0, cy0))), area.top}),
                 std::min({static_cast<int>(std::ceil(std::min(x1, cx1))), area.right}),
                 std::min({static_cast<int>(std::ceil(std::min(y1, cy1))), area.bottom})};
    if (r.left >= r.right || r.top >= r.bottom) {
        cairo_destroy(cr);
        return nullptr;
    }
    touch(r);
    return cr;
}

void Canvas::fillSmooth(const std::vector<PointF>& points, const std::vector<int>& counts, FillMode mode,
                        ColorRef color, uint8_t opacity) {
    if (opacity == 0 && !replace_) return;
    cairo_t* cr = beginPath(points, counts, false, 0);
    if (!cr) return;
    cairo_set_fill_rule(cr, mode == FillMode::alternate ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    setCairoSource(cr, color, opacity);
    cairo_fill(cr);
    endCairo(cr);
}

void Canvas::strokeSmooth(const std::vector<PointF>& points, const std::vector<int>& counts, const StrokeStyle& style,
                          ColorRef color, uint8_t opacity) {
    if (opacity == 0 && !replace_) return;
    const double width = std::isfinite(style.width) ? std::clamp(style.width, 1.0, 1e5) : 1.0;
    cairo_t* cr = beginPath(points, counts, true, width);
    if (!cr) return;
    static constexpr cairo_line_cap_t caps[3] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_SQUARE};
    static constexpr cairo_line_join_t joins[3] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_BEVEL};
    cairo_set_line_cap(cr, caps[std::clamp(style.cap, 0, 2)]);
    cairo_set_line_join(cr, joins[std::clamp(style.join, 0, 2)]);
    cairo_set_miter_limit(cr, std::isfinite(style.miterLimit) ? std::clamp(style.miterLimit, 1.0, 1e4) : 10.0);
    // A dash pattern of nothing but zeros, or of hostile lengths, draws the line solid.
    double total = 0;
    bool usable = !style.dashes.empty() && style.dashes.size() <= 64;
    for (double d : style.dashes) {
        usable = usable && std::isfinite(d) && d >= 0;
        total += usable ? d : 0;
    }
    if (usable && total > 0.01)
        cairo_set_dash(cr, style.dashes.data(), static_cast<int>(style.dashes.size()),
                       std::isfinite(style.dashPhase) ? style.dashPhase : 0);
    setCairoSource(cr, color, opacity);
    cairo_stroke(cr);
    endCairo(cr);
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
    if (antialias_) {
        const Point ends[2] = {{x0, y0}, {x1, y1}};
        drawPolyline(ends, 2, pen);
        return;
    }
    std::vector<std::vector<PointF>> pieces;
    appendLineShape(x0, y0, x1, y1, pen, pieces);
    if (pieces.empty()) return;
    const Rect bounds = drawableBounds();
    fillRegion(Region::contours(pieces, FillMode::winding, &bounds), pen.color, pen.opacity);
}

void Canvas::drawPolyline(const Point* points, size_t count, const Pen& pen) {
    if (!bitmap_.isOk() || count < 2) return;
    if (antialias_) {
        // Through the pixel centres the coordinates name.
        std::vector<PointF> centres(count);
        for (size_t i = 0; i < count; ++i) centres[i] = {points[i].x + 0.5, points[i].y + 0.5};
        StrokeStyle style;
        style.width = pen.width;
        if (pen.dashed) style.dashes = {3.0 * style.width, style.width};
        strokeSmooth(centres, {static_cast<int>(std::min<size_t>(count, INT32_MAX))}, style, pen.color, pen.opacity);
        return;
    }
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

cairo_t* Canvas::beginCairo(bool touchClip) {
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
    if (touchClip) touch(bounds);
    if (replace_) cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    return cr;
}

void Canvas::endCairo(cairo_t* cr) {
    cairo_destroy(cr);
    cairo_surface_flush(bitmap_.surface());
}

}  // namespace qm
