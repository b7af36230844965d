#pragma once
// Drawing on a Bitmap inside an optional clip region: filled regions and polygons, lines
// with a geometric pen, stretched and colour-keyed images (text: text_drawing.h). Shapes are
// aliased so that every pixel gets exactly the colour asked for, or that colour laid over the
// page by a constant opacity (0..255, 255 covering the page). Coordinates are page pixels
// whatever part of the page the bitmap covers.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/canvas/bitmap.h"
#include "platform/canvas/region.h"

namespace qm {

// A geometric pen: flat ends, mitred joins; dashed pens repeat a dash three widths long and
// a gap one width long.
struct Pen {
    int width = 1;  // values below 1 draw 1 pixel wide
    bool dashed = false;
    ColorRef color = kBlack;
    uint8_t opacity = 255;
};

// How an antialiased line is drawn: width in pixels, ends and joins as cairo numbers them
// (butt, round, square; miter, round, bevel), and dashes in pixels (none: solid).
struct StrokeStyle {
    double width = 1;
    int cap = 0;
    int join = 0;
    double miterLimit = 10;
    std::vector<double> dashes;
    double dashPhase = 0;
};

// A colour that is not one: the pixel keeps what it holds.
constexpr ColorRef kNoPaint = 0xFF000000;

class Canvas {
public:
    explicit Canvas(Bitmap& bitmap) : bitmap_(bitmap) {}

    // Later drawing stays inside the region (copied); null removes the clip.
    void setClip(const Region* clip);
    const std::optional<Region>& clip() const { return clip_; }

    // In replace mode drawing puts its colour and opacity in place of what the bitmap held
    // (on a transparent bitmap: a stroke knocking out the fill beneath it) instead of laying
    // it over.
    void setReplace(bool on) { replace_ = on; }
    bool replaces() const { return replace_; }
    // Bounds (page pixels) of everything drawn since the last call, which empties them.
    Rect takeTouched();

    // Antialiased, polygons and lines cover the edge pixels in part, as a smooth picture;
    // otherwise every pixel is in or out (the default).
    void setAntialias(bool on) { antialias_ = on; }
    bool antialias() const { return antialias_; }
    // Subpaths of `points` (`counts` points each) in page pixels, antialiased whatever the
    // setting: filled, or stroked with `style`.
    void fillSmooth(const std::vector<PointF>& points, const std::vector<int>& counts, FillMode mode, ColorRef color,
                    uint8_t opacity = 255);
    void strokeSmooth(const std::vector<PointF>& points, const std::vector<int>& counts, const StrokeStyle& style,
                      ColorRef color, uint8_t opacity = 255);

    void fillRegion(const Region& region, ColorRef color, uint8_t opacity = 255);
    // Paints what the clip lets through of the bitmap a row at a time, each pixel in its own
    // colour: `colors(y, x0, x1, out)` gives pixels x0..x1-1 of row y, kNoPaint for those left
    // as they are. Painted as fillRegion paints one colour.
    using RowColors = std::function<void(int y, int x0, int x1, ColorRef* out)>;
    void fillRows(const RowColors& colors, uint8_t opacity = 255);
    void fillPolygon(const Point* points, size_t count, FillMode mode, ColorRef color, uint8_t opacity = 255);
    // From (x0, y0) to (x1, y1), coordinates naming pixel centres. The pen's rectangle is
    // filled like a polygon, so the pixel at the bottom or right end is left out whichever
    // way the line runs; a zero-length line paints nothing.
    void drawLine(int x0, int y0, int x1, int y1, const Pen& pen);
    // The lines between consecutive points painted as one shape, so a partly transparent pen
    // covers each pixel once even where the lines meet.
    void drawPolyline(const Point* points, size_t count, const Pen& pen);

    // Maps the source onto the destination rectangle (negative sizes mirror) by nearest
    // pixel, without blending. The transparent form leaves the page unchanged wherever the
    // source pixel is pure white (0xFFFFFF); any other colour, near-white included, covers it.
    void stretchImage(const DibView& source, int x, int y, int width, int height);
    void drawTransparentImage(const DibView& source, int x, int y, int width, int height);
    // The same mapping with each source pixel laid over the page by its opacity in `alpha`
    // (source width x height values, top row first): 0 leaves the page, 255 covers it.
    void drawBlendedImage(const DibView& source, const uint8_t* alpha, int x, int y, int width, int height);

    // The pen's shape for a line from (x0, y0) to (x1, y1) as drawLine paints it, appended to
    // `pieces` (one contour per dash); all pieces wind the same way, so they fill as a union.
    static void appendLineShape(int x0, int y0, int x1, int y1, const Pen& pen, std::vector<std::vector<PointF>>& pieces);

    // For drawing built on cairo (text): a context on the bitmap with the clip applied, null
    // when there is no bitmap; endCairo destroys it and leaves the pixels up to date.
    cairo_t* beginCairo(bool touchClip = true);
    void endCairo(cairo_t* cr);

private:
    // The part of `region` that drawing may touch: inside the bitmap and the clip.
    Region drawable(const Region& region) const;
    // The rectangle drawing can reach: the bitmap, within the clip's bounds.
    Rect drawableBounds() const;
    void blit(const DibView& source, const uint8_t* alpha, int x, int y, int width, int height, bool transparent);
    void touch(const Rect& r);
    // The word of the page pixel (x, y), which the caller keeps inside the bitmap.
    uint32_t* wordAt(int x, int y) {
        return bitmap_.words() + static_cast<size_t>(y - bitmap_.origin().y) * static_cast<size_t>(bitmap_.width()) +
               (x - bitmap_.origin().x);
    }

    Bitmap& bitmap_;
    std::optional<Region> clip_;
    // A cairo context for a path of `points`, clipped, the area the path may paint marked as
    // touched by `extents` (cairo_fill_extents or cairo_stroke_extents); null when nothing shows.
    cairo_t* beginPath(const std::vector<PointF>& points, const std::vector<int>& counts, bool stroke,
                       double lineWidth);
    bool replace_ = false;
    bool antialias_ = false;
    Rect touched_;
};

// Makes `color` at `opacity` (255 covering the page) the source of a cairo context.
void setCairoSource(cairo_t* cr, ColorRef color, uint8_t opacity = 255);

}  // namespace qm
