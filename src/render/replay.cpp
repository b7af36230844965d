#include "render/replay.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/canvas/device_font.h"
#include "platform/canvas/text_drawing.h"
#include "render/device_font_cache.h"
#include "render/display_list.h"
#include "render/text_style.h"

namespace qm {

namespace {

// The font for a recorded text item, else the same in Arial. Rotated text is drawn one glyph
// at a time, each at its own angle, so a page can ask for thousands of sizes and angles: the
// cache is the bounded one the bitmap path uses.
const DeviceFont* replayFont(DeviceFontCache& fonts, const LogicalFont& wanted) {
    if (const DeviceFont* font = fonts.get(wanted)) return font;
    LogicalFont fallback = wanted;
    fallback.face = "Arial";
    return fonts.get(fallback);
}

// `upright` picks the text to draw: the text the page's HTML places (upright, or placed
// exactly at any angle), or the rest.
void replayText(Canvas& canvas, const TextItem& t, DeviceFontCache& fonts, bool upright) {
    const bool inHtml = t.orientation == 0 || placementOf(t) != nullptr;
    if (inHtml != upright || t.face == nullptr || t.face[0] == '\0' || t.text == nullptr || t.count <= 0) return;
    LogicalFont wanted;
    wanted.face = t.face;
    wanted.height = t.height;
    wanted.width = t.advance == t.height || !widthFollowsAdvance(static_cast<char16_t>(t.text[0])) ? 0 : t.advance / 2;
    wanted.weight = t.bold ? 700 : 0;
    wanted.italic = t.italic != 0;
    wanted.escapement = t.orientation;
    const DeviceFont* font = replayFont(fonts, wanted);
    if (font == nullptr) return;
    drawText(canvas, *font, t.x, t.y,
             std::u16string_view(reinterpret_cast<const char16_t*>(t.text), static_cast<size_t>(t.count)), t.colour,
             colourOpacity(t.colour));
}

void replayImage(Canvas& canvas, const ImageItem& image) {
    if (image.bits == nullptr) return;
    uint8_t header[BitmapInfoHeader::kSize + 256 * 4];
    BitmapInfoHeader h;
    h.size = BitmapInfoHeader::kSize;
    h.width = image.header.width;
    h.height = image.header.height;
    h.planes = image.header.planes;
    h.bitCount = image.header.bitCount;
    h.compression = image.header.compression;
    h.imageSize = image.header.imageSize;
    h.xPelsPerMeter = image.header.xPelsPerMeter;
    h.yPelsPerMeter = image.header.yPelsPerMeter;
    h.clrUsed = image.header.clrUsed;
    h.clrImportant = image.header.clrImportant;
    h.writeTo(header);
    for (int i = 0; i < 256; ++i) storeLe32(header + BitmapInfoHeader::kSize + 4 * i, image.palette[i]);
    auto view = DibView::make(header, sizeof header, image.bits, image.bitsSize);
    if (!view) return;
    // The opacity plane runs in the bitmap's row order, rows padded to 4; a plane too short for
    // the bitmap is not trusted and the image is laid over the page as an opaque one.
    const size_t columns = static_cast<size_t>(view->width()), rows = static_cast<size_t>(view->height());
    const size_t stride = BitmapInfoHeader::rowStride(view->width(), 8);
    if (image.extra1 == nullptr || stride == 0 || image.extra1Size / stride < rows) {
        canvas.drawTransparentImage(*view, image.x, image.y, image.width, image.height);
        return;
    }
    std::vector<uint8_t> alpha(columns * rows);
    const bool bottomUp = image.header.height > 0;
    for (size_t y = 0; y < rows; ++y) {
        const uint8_t* row = image.extra1 + stride * (bottomUp ? rows - 1 - y : y);
        std::copy(row, row + columns, alpha.data() + columns * y);
    }
    canvas.drawBlendedImage(*view, alpha.data(), image.x, image.y, image.width, image.height);
}

void replayPolygon(Canvas& canvas, const PolygonItem& polygon) {
    if (polygon.points == nullptr || polygon.pointCount < 1) return;
    std::vector<Point> points(static_cast<size_t>(polygon.pointCount));
    for (size_t i = 0; i < points.size(); ++i) points[i] = Point{polygon.points[i].x, polygon.points[i].y};
    const FillMode mode = polygon.fillMode == QM_FILL_WINDING ? FillMode::winding : FillMode::alternate;
    canvas.fillPolygon(points.data(), points.size(), mode, polygon.colour, polygonOpacity(polygon));
}

Pen penOf(const LineItem& l) { return Pen{l.penWidth, l.penStyle == QM_PEN_DASHED, l.colour, colourOpacity(l.colour)}; }

// Partly transparent lines that continue one another (each starting where the one before
// ended, with the same pen) were one stroke and are painted as one shape, so their joins are
// not covered twice. Returns the index of the last line used (before `end`).
int32_t replayLines(Canvas& canvas, const PageObject& page, int32_t first, int32_t end, std::vector<Point>& points) {
    const LineItem& l = *page.items[first].record.line;
    const Pen pen = penOf(l);
    if (pen.opacity == 255) {
        canvas.drawLine(l.x0, l.y0, l.x1, l.y1, pen);
        return first;
    }
    points.assign({Point{l.x0, l.y0}, Point{l.x1, l.y1}});
    int32_t last = first;
    while (last + 1 < end) {
        const PageItem& next = page.items[last + 1];
        if (next.kind != QM_ITEM_LINE || next.record.line == nullptr) break;
        const LineItem& n = *next.record.line;
        if (n.colour != l.colour || n.penWidth != l.penWidth || n.penStyle != l.penStyle ||
            n.x0 != points.back().x || n.y0 != points.back().y)
            break;
        points.push_back(Point{n.x1, n.y1});
        ++last;
    }
    canvas.drawPolyline(points.data(), points.size(), pen);
    return last;
}

void replayClip(Canvas& canvas, const ClipItem& clip) {
    if (clip.data == nullptr || clip.dataSize == 0) {
        canvas.setClip(nullptr);
        return;
    }
    // A region that cannot be made leaves the clip as it was.
    if (auto region = Region::fromRegionData(clip.data, clip.dataSize)) canvas.setClip(&*region);
}

}  // namespace

void replayDisplayList(Canvas& canvas, const PageObject& page) {
    canvas.setClip(nullptr);
    DeviceFontCache fonts;
    replayItems(canvas, page, 0, page.itemCount, fonts);
}

void replayItems(Canvas& canvas, const PageObject& page, int32_t first, int32_t end, DeviceFontCache& fonts) {
    std::vector<Point> points;
    end = std::min(end, page.itemCount);
    for (int32_t i = std::max(first, 0); i < end; ++i) {
        const PageItem& item = page.items[i];
        if (item.record.any == nullptr) continue;
        switch (item.kind) {
        case QM_ITEM_TEXT: replayText(canvas, *item.record.text, fonts, false); break;
        case QM_ITEM_IMAGE: replayImage(canvas, *item.record.image); break;
        case QM_ITEM_LINE: i = replayLines(canvas, page, i, end, points); break;
        case QM_ITEM_POLYGON: replayPolygon(canvas, *item.record.polygon); break;
        case QM_ITEM_CLIP: replayClip(canvas, *item.record.clip); break;
        default: break;
        }
    }
}

void replayUprightText(Canvas& canvas, const PageObject& page, DeviceFontCache& fonts) {
    canvas.setClip(nullptr);
    for (int32_t i = 0; i < page.itemCount; ++i) {
        const PageItem& item = page.items[i];
        if (item.kind == QM_ITEM_TEXT && item.record.text != nullptr) replayText(canvas, *item.record.text, fonts, true);
    }
}

}  // namespace qm
