#include "convert/replay.h"

#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "platform/canvas/device_font.h"
#include "platform/canvas/text_drawing.h"
#include "render/text_style.h"

namespace qm {

namespace {

// Fonts made for one replay, by their description: rotated text is rare, but a rotated line
// is drawn one glyph at a time in the same font.
class ReplayFonts {
public:
    const DeviceFont* get(const LogicalFont& wanted) {
        auto key = std::make_tuple(wanted.face, wanted.height, wanted.width, wanted.weight, wanted.italic,
                                   wanted.escapement);
        auto it = fonts_.find(key);
        if (it != fonts_.end()) return it->second.get();
        std::unique_ptr<DeviceFont> font = DeviceFont::create(wanted);
        if (!font) {
            LogicalFont fallback = wanted;
            fallback.face = "Arial";
            font = DeviceFont::create(fallback);
        }
        return fonts_.emplace(std::move(key), std::move(font)).first->second.get();
    }

private:
    std::map<std::tuple<std::string, int, int, int, bool, int>, std::unique_ptr<DeviceFont>> fonts_;
};

void replayText(Canvas& canvas, const TextItem& t, ReplayFonts& fonts) {
    if (t.orientation == 0 || t.face == nullptr || t.face[0] == '\0' || t.text == nullptr || t.count <= 0) return;
    LogicalFont wanted;
    wanted.face = t.face;
    wanted.height = t.height;
    wanted.width = t.advance == t.height || !widthFollowsAdvance(static_cast<char16_t>(t.text[0])) ? 0 : t.advance / 2;
    wanted.weight = t.bold ? 700 : 0;
    wanted.italic = t.italic != 0;
    wanted.escapement = t.orientation;
    const DeviceFont* font = fonts.get(wanted);
    if (font == nullptr) return;
    drawText(canvas, *font, t.x, t.y,
             std::u16string_view(reinterpret_cast<const char16_t*>(t.text), static_cast<size_t>(t.count)), t.colour);
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
    canvas.drawTransparentImage(*view, image.x, image.y, image.width, image.height);
}

void replayPolygon(Canvas& canvas, const PolygonItem& polygon) {
    if (polygon.points == nullptr || polygon.pointCount < 1) return;
    std::vector<Point> points(static_cast<size_t>(polygon.pointCount));
    for (size_t i = 0; i < points.size(); ++i) points[i] = Point{polygon.points[i].x, polygon.points[i].y};
    const FillMode mode = polygon.fillMode == QM_FILL_WINDING ? FillMode::winding : FillMode::alternate;
    canvas.fillPolygon(points.data(), points.size(), mode, polygon.colour);
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
    ReplayFonts fonts;
    for (int32_t i = 0; i < page.itemCount; ++i) {
        const PageItem& item = page.items[i];
        if (item.record.any == nullptr) continue;
        switch (item.kind) {
        case QM_ITEM_TEXT: replayText(canvas, *item.record.text, fonts); break;
        case QM_ITEM_IMAGE: replayImage(canvas, *item.record.image); break;
        case QM_ITEM_LINE: {
            const LineItem& l = *item.record.line;
            canvas.drawLine(l.x0, l.y0, l.x1, l.y1, Pen{l.penWidth, l.penStyle == QM_PEN_DASHED, l.colour});
            break;
        }
        case QM_ITEM_POLYGON: replayPolygon(canvas, *item.record.polygon); break;
        case QM_ITEM_CLIP: replayClip(canvas, *item.record.clip); break;
        default: break;
        }
    }
}

}  // namespace qm
