#include "render/page_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/report_error.h"
#include "document/page_link.h"
#include "fonts/pdf_font.h"
#include "graphics/graphics_state.h"
#include "graphics/image_color_map.h"
#include "graphics/shading_field.h"
#include "platform/canvas/text_drawing.h"
#include "platform/system/code_page.h"
#include "render/device_font_cache.h"
#include "render/display_list.h"
#include "render/font_name_map.h"
#include "render/image_alpha.h"
#include "render/image_raster.h"
#include "render/link_target.h"

namespace qm {

namespace {

// Link borders carry no colour of their own here; they are drawn in the usual link blue.
constexpr ColorRef kLinkBorder = makeColorRef(0, 0, 255);
// A mask painted white would vanish in the transparent blit; this near-white stays.
constexpr ColorRef kVisibleWhite = 0xF0FFFF;

// A constant opacity of the graphics state as 0..255. Files carry any number here: values
// beyond 0..1 are clamped and a value that is not a number leaves the mark opaque.
uint8_t opacityByte(double opacity) {
    if (std::isnan(opacity) || opacity >= 1) return 255;
    if (opacity <= 0) return 0;
    return static_cast<uint8_t>(opacity * 255 + 0.5);
}

// A fully transparent mark (a common way to keep a shape or text on the page unseen, such as
// a white sheet laid over a whole page) is not drawn at all.
bool invisible(double opacity) { return opacityByte(opacity) == 0; }

// A fill or stroke under a soft mask is nearly always an effect laid over the page: a fade
// to black over a photo, a shadow, a vignette. Drawn solid and without its mask it would
// hide what lies beneath, so it is left out; images and text under a mask are still drawn,
// as they are content in their own right.
// With the mask drawn (bitmaps) the fill is masked as it should be.
bool maskedEffect(const GraphicsState& state) { return state.hasSoftMask() && !state.softMaskImage(); }

// Text paints with the fill, the stroke or both, by its render mode.
bool invisibleText(const GraphicsState& state) {
    const bool noFill = invisible(state.fillOpacity()) || state.fillColorSpace().marksNothing();
    const bool noStroke = invisible(state.strokeOpacity()) || state.strokeColorSpace().marksNothing();
    switch (state.renderMode() & 3) {
    case 0: return noFill;
    case 1: return noStroke;
    case 2: return noFill && noStroke;
    default: return true;
    }
}

int roundPixel(double v) {
    v = std::trunc(v + 0.5);
    return v >= -2147483647.0 ? (v <= 2147483647.0 ? static_cast<int>(v) : 2147483647) : -2147483647;
}
int truncPixel(double v) {
    v = std::trunc(v);
    return v >= -2147483647.0 ? (v <= 2147483647.0 ? static_cast<int>(v) : 2147483647) : -2147483647;
}

bool isUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// Font names are bytes; faces are UTF-8. Names that are not UTF-8 are mostly Japanese
// (Shift-JIS) or else single-byte Latin.
std::string faceToUtf8(std::string_view name) {
    if (isUtf8(name)) return std::string(name);
    if (auto u = codePageToUtf16(name, "CP932"); u && u->find(u'\uFFFD') == std::u16string::npos)
        return utf16ToUtf8(*u);
    std::u16string latin(name.begin(), name.end());
    for (char16_t& c : latin) c &= 0xFF;
    return utf16ToUtf8(latin);
}

// The pixels an image is drawn onto, with one around for smoothed edges.
Rect imageBounds(const RasterImage& raster) {
    const long long x0 = raster.x, x1 = x0 + raster.width, y0 = raster.y, y1 = y0 + raster.height;
    auto pixel = [](long long v) { return static_cast<int>(std::clamp<long long>(v, -1073741824, 1073741824)); };
    return {pixel(std::min(x0, x1) - 1), pixel(std::min(y0, y1) - 1), pixel(std::max(x0, x1) + 1), pixel(std::max(y0, y1) + 1)};
}

bool sameRef(PdfRef a, PdfRef b) { return a.num == b.num && a.gen == b.gen; }

QmBitmapInfoHeader publicHeader(const BitmapInfoHeader& h) {
    QmBitmapInfoHeader q{};
    q.size = h.size;
    q.width = h.width;
    q.height = h.height;
    q.planes = h.planes;
    q.bitCount = h.bitCount;
    q.compression = h.compression;
    q.imageSize = h.imageSize;
    q.xPelsPerMeter = h.xPelsPerMeter;
    q.yPelsPerMeter = h.yPelsPerMeter;
    q.clrUsed = h.clrUsed;
    q.clrImportant = h.clrImportant;
    return q;
}

}  // namespace

PageRenderer::PageRenderer() : deviceFonts_(std::make_unique<DeviceFontCache>()) {}
PageRenderer::~PageRenderer() = default;

void PageRenderer::setFontPrograms(ObjectResolver* xref) {
    outlines_ = xref ? std::make_unique<EmbeddedFonts>(xref) : nullptr;
    outlineFont_ = nullptr;
    outlineEntry_ = nullptr;
}

uint8_t PageRenderer::opacityOf(double opacity) { return opacityByte(opacity); }

ColorRef PageRenderer::toColorRef(const double* rgb) {
    unsigned v[3];
    for (int i = 0; i < 3; ++i) {
        const double c = rgb[i] >= 0 ? (rgb[i] <= 1 ? rgb[i] : 1) : 0;  // NaN gives 0
        v[i] = static_cast<unsigned>(c * 65535) >> 8;
    }
    return makeColorRef(v[0], v[1], v[2]);
}

namespace {
ColorRef fillColorOf(const GraphicsState& s) {
    double rgb[3];
    s.fillColorSpace().toRgb(s.fillColor(), rgb);
    return PageRenderer::toColorRef(rgb);
}
ColorRef strokeColorOf(const GraphicsState& s) {
    double rgb[3];
    s.strokeColorSpace().toRgb(s.strokeColor(), rgb);
    return PageRenderer::toColorRef(rgb);
}
}  // namespace

void PageRenderer::copyLinks(HtmlLinkList& out) const {
    for (const LinkRecord& l : links_) appendHtmlLink(out, l.left, l.right, l.top, l.bottom, l.target);
}

// ---- Page

void PageRenderer::beginPage(int pageNumber, GraphicsState& state) {
    budget_.start(pageNumber);
    inPage_ = true;
    const double w = std::trunc(state.pageWidth() + 0.5), h = std::trunc(state.pageHeight() + 0.5);
    startPage(w >= 0 && w < 1e6 ? static_cast<int>(w) : 0, h >= 0 && h < 1e6 ? static_cast<int>(h) : 0);
}

void PageRenderer::startPage(int width, int height) {
    pageWidth_ = width;
    pageHeight_ = height;
    layers_.reset();
    canvas_.reset();
    bitmap_.reset();
    if (captured_) target_ = captured_;
    captured_ = nullptr;
    captureBitmap_.reset();
    objectCapture_ = false;
    dropBackdrop();
    groupLayers_.clear();
    compoundLayers_.clear();
    maskClips_.clear();
    stringLayer_ = false;
    // Recording draws nothing, so it needs no bitmap.
    if (!target_) {
        bitmap_ = std::make_unique<Bitmap>(width, height);
        canvas_ = std::make_unique<Canvas>(*bitmap_);
        canvas_->setAntialias(antialias_);
        layers_ = std::make_unique<TransparencyStack>(*bitmap_, *canvas_, layerBitmaps_);
    }
    savedClips_.clear();
    clip_ = Region::rectangle(0, 0, width, height);
    clipChanged();
    hasDisplayFont_ = false;
    spaceFont_ = nullptr;
    lastPlaced_ = nullptr;
    embeddedFonts_ = outlines_ && embeddedFontsEnabled();
    if (outlines_) outlines_->trim();
    outlineFont_ = nullptr;
    outlineEntry_ = nullptr;
    // The face mapping is read once per page (again while the file has no entries).
    faceMap_ = fontNameMap();
}

void PageRenderer::saveState(GraphicsState&) { savedClips_.push_back(clip_); }

void PageRenderer::restoreState(GraphicsState& state) {
    if (savedClips_.empty()) return;
    flatness_ = state.flatness();
    clip_ = std::move(savedClips_.back());
    savedClips_.pop_back();
    clipChanged();
}

// ---- State

void PageRenderer::updateAll(GraphicsState& state) {
    reportLineStyle(state);
    updateFlatness(state);
    updateMiterLimit(state);
    updateFillColor(state);
    updateStrokeColor(state);
    updateFont(state);
}

void PageRenderer::reportLineStyle(GraphicsState& state) {
    // Pens are made from the state at stroke time; only bad values need saying.
    if (state.lineCap() < 0 || state.lineCap() > 2) reportError(-1, "Bad line cap style (%d)", state.lineCap());
    if (state.lineJoin() < 0 || state.lineJoin() > 2) reportError(-1, "Bad line join style (%d)", state.lineJoin());
}

void PageRenderer::updateTransform(GraphicsState& state, double, double, double, double, double, double) {
    reportLineStyle(state);
}
void PageRenderer::updateLineDash(GraphicsState& state) { reportLineStyle(state); }
void PageRenderer::updateLineJoin(GraphicsState& state) { reportLineStyle(state); }
void PageRenderer::updateLineCap(GraphicsState& state) { reportLineStyle(state); }
void PageRenderer::updateLineWidth(GraphicsState& state) { reportLineStyle(state); }
void PageRenderer::updateFlatness(GraphicsState& state) { flatness_ = state.flatness(); }

void PageRenderer::updateFont(GraphicsState& state) {
    PdfFont* font = state.font();
    if (!font) {
        hasDisplayFont_ = false;
        return;
    }
    if (font->kind() == FontKind::Type3 && !metType3_) {
        metType3_ = true;
        reportError(-1, "This document uses Type 3 fonts - some text may not be correctly displayed");
    }
    double m[4];
    state.fontTransform(m);
    m[0] *= state.horizScaling();
    m[1] *= state.horizScaling();
    hasDisplayFont_ = fontCache_.lookup(*font, m[0], m[1], m[2], m[3]) != nullptr;
}

// ---- Canvas primitives

void PageRenderer::line(int x0, int y0, int x1, int y1, int width, ColorRef color, bool dashed, uint8_t opacity) {
    const int style = dashed ? QM_PEN_DASHED : QM_PEN_SOLID;
    if (target_) {
        appendPageItem(*target_, QM_ITEM_LINE,
                       makeLineItem(x0, y0, x1, y1, width, recordedColour(color, opacity), style));
    } else if (canvas_) {
        canvas().drawLine(x0, y0, x1, y1, Pen{width, dashed, color, opacity});
    }
}

void PageRenderer::polyline(const Point* points, size_t count, int width, ColorRef color, bool dashed,
                            uint8_t opacity) {
    // Recorded lines that join end to start are joined again when they are replayed.
    if (opacity == 255 || target_) {
        for (size_t i = 1; i < count; ++i)
            line(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, width, color, dashed, opacity);
    } else if (canvas_) {
        canvas().drawPolyline(points, count, Pen{width, dashed, color, opacity});
    }
}

void PageRenderer::polygon(const std::vector<Point>& points, FillMode mode, ColorRef color, uint8_t opacity) {
    if (points.size() < 3) return;
    if (target_) {
        static_assert(sizeof(Point) == sizeof(QmPoint), "points are recorded as they are");
        appendPageItem(*target_, QM_ITEM_POLYGON,
                       makePolygonItem(reinterpret_cast<const QmPoint*>(points.data()),
                                       static_cast<int32_t>(points.size()), static_cast<int32_t>(mode), color,
                                       opacity));
    } else if (canvas_) {
        canvas().fillPolygon(points.data(), points.size(), mode, color, opacity);
    }
}

void PageRenderer::clipChanged() {
    if (target_) {
        if (clip_) {
            const std::vector<uint8_t> data = clip_->toRegionData();
            appendPageItem(*target_, QM_ITEM_CLIP, makeClipItem(data.data(), static_cast<uint32_t>(data.size())));
        } else {
            appendPageItem(*target_, QM_ITEM_CLIP, makeClipItem(nullptr, 0));
        }
    } else if (canvas_) {
        canvas().setClip(clip_ ? &*clip_ : nullptr);
    }
}

void PageRenderer::image(RasterImage& raster, uint8_t opacity) {
    fadeRasterImage(raster, opacity);
    uint8_t header[BitmapInfoHeader::kSize + 8];
    raster.header.writeTo(header);
    const int entries = raster.header.bitCount == 1 ? 2 : 0;
    for (int i = 0; i < entries; ++i) storeLe32(header + BitmapInfoHeader::kSize + 4 * i, raster.palette[i]);
    if (target_) {
        const std::vector<uint8_t> plane = recordedAlphaPlane(raster);
        appendPageItem(*target_, QM_ITEM_IMAGE,
                       makeImageItem(publicHeader(raster.header), raster.palette, entries, raster.x, raster.y,
                                     raster.width, raster.height, raster.bits.data(),
                                     static_cast<uint32_t>(raster.bits.size()), plane.data(),
                                     static_cast<uint32_t>(plane.size())));
    } else if (canvas_) {
        auto view = DibView::make(header, BitmapInfoHeader::kSize + 4 * static_cast<size_t>(entries), raster.bits.data(),
                                  raster.bits.size());
        if (!view) return;
        if (raster.alpha.empty())
            canvas().drawTransparentImage(*view, raster.x, raster.y, raster.width, raster.height);
        else
            canvas().drawBlendedImage(*view, raster.alpha.data(), raster.x, raster.y, raster.width, raster.height);
    }
}

// ---- Paths

void PageRenderer::stroke(GraphicsState& state) {
    if (invisible(state.strokeOpacity()) || maskedEffect(state) || state.strokeColorSpace().marksNothing()) return;
    buildDevicePath(state, flatness_, pageWidth_, pageHeight_, false, path_);
    if (path_.points.empty() || !budget_.pathPoints(static_cast<long long>(path_.points.size()))) return;
    const double w = std::trunc(state.transformedLineWidth(state.lineWidth()) + 0.5);
    const int width = w >= 1 ? (w < 32767 ? static_cast<int>(w) : 32767) : 1;
    const ColorRef color = strokeColorOf(state);
    const bool dashed = state.lineDashLength() > 0;
    const uint8_t opacity = opacityByte(state.strokeOpacity());
    ObjectScope object(*this, state, opacity, pathBounds(path_, strokePad(state)));
    const bool replace = strokeReplaces();
    if (replace) canvas().setReplace(true);
    if (smooth()) {
        canvas().strokeSmooth(path_.exact, path_.counts, strokeStyle(state), color, opacity);
        if (replace) canvas().setReplace(false);
        return;
    }
    size_t at = 0;
    for (int count : path_.counts) {
        if (count > 0 && at + static_cast<size_t>(count) <= path_.points.size())
            polyline(path_.points.data() + at, static_cast<size_t>(count), width, color, dashed, opacity);
        at += static_cast<size_t>(count);
    }
    if (replace) canvas().setReplace(false);
}

void PageRenderer::fill(GraphicsState& state) { fillPath(state, FillMode::winding); }
void PageRenderer::eoFill(GraphicsState& state) { fillPath(state, FillMode::alternate); }
// Outlining every piece would draw each shared edge twice and cost a line per polygon edge.
void PageRenderer::fillShadingPiece(GraphicsState& state) { fillPath(state, FillMode::winding, false); }

// Only the page bitmap takes shadings pixel by pixel; a recorded page keeps their pieces.
bool PageRenderer::fillShadingPixels(GraphicsState& state, const ShadingField& field) {
    if (!wantsShadingPixels()) return false;
    if (invisible(state.fillOpacity()) || maskedEffect(state) || state.fillColorSpace().marksNothing()) return true;
    // Every pixel the shading may reach costs what a path point costs.
    const Rect area = clip_ ? clip_->bounds() : Rect{0, 0, pageWidth_, pageHeight_};
    const long long pixels = std::max(0LL, static_cast<long long>(area.right - area.left)) *
                             std::max(0LL, static_cast<long long>(area.bottom - area.top));
    if (!budget_.pathPoints(pixels)) return true;
    std::vector<ColorRef> colors;
    colors.reserve(field.colors().size());
    for (const ShadingField::Color& c : field.colors()) {
        double rgb[3];
        state.fillColorSpace().toRgb(c.data(), rgb);
        colors.push_back(toColorRef(rgb));
    }
    std::vector<int> indices;
    const uint8_t opacity = opacityByte(state.fillOpacity());
    ObjectScope object(*this, state, opacity, area);
    canvas().fillRows(
        [&](int y, int x0, int x1, ColorRef* out) {
            indices.resize(static_cast<size_t>(x1 - x0));
            field.row(y, x0, x1, indices.data());
            for (int i : indices) *out++ = i == ShadingField::kNothing ? kNoPaint : colors[static_cast<size_t>(i)];
        },
        opacity);
    return true;
}

void PageRenderer::fillPath(GraphicsState& state, FillMode mode, bool outlineLoneSubpath) {
    if (invisible(state.fillOpacity()) || maskedEffect(state) || state.fillColorSpace().marksNothing()) return;
    buildDevicePath(state, flatness_, pageWidth_, pageHeight_, true, path_);
    if (path_.points.empty() || !budget_.pathPoints(static_cast<long long>(path_.points.size()))) return;
    const ColorRef color = fillColorOf(state);
    const uint8_t opacity = opacityByte(state.fillOpacity());
    ObjectScope object(*this, state, opacity, pathBounds(path_, 0));
    if (smooth()) {
        // Shading pieces stay aliased: smooth edges would let the page show through the seams.
        if (outlineLoneSubpath) {
            canvas().fillSmooth(path_.exact, path_.counts, mode, color, opacity);
        } else {
            canvas().setAntialias(false);
            joinSubpaths(path_, joined_);
            polygon(joined_, mode, color, opacity);
            canvas().setAntialias(true);
        }
        // A shape too thin to cover a pixel's centre still shows as a hairline.
        joinSubpaths(path_, joined_);
        if (outlineLoneSubpath && path_.subpathCount() == 1 && Region::polygon(joined_.data(), joined_.size(), mode).isEmpty())
            canvas().strokeSmooth(path_.exact, path_.counts, StrokeStyle{}, color, opacity);
        return;
    }
    joinSubpaths(path_, joined_);
    polygon(joined_, mode, color, opacity);
    // A lone subpath is outlined too, so hairline shapes do not vanish. A partly transparent
    // outline over the shape's own edge would darken it, so there it only stands in for a
    // shape that covers no pixel.
    if (outlineLoneSubpath && path_.subpathCount() == 1 &&
        (opacity == 255 || Region::polygon(joined_.data(), joined_.size(), mode).isEmpty()))
        polyline(path_.points.data(), path_.points.size(), 1, color, false, opacity);
}

void PageRenderer::clip(GraphicsState& state) { clipPath(state, FillMode::winding); }
void PageRenderer::eoClip(GraphicsState& state) { clipPath(state, FillMode::alternate); }

void PageRenderer::clipPath(GraphicsState& state, FillMode mode) {
    buildDevicePath(state, flatness_, pageWidth_, pageHeight_, true, path_);
    if (!budget_.pathPoints(static_cast<long long>(path_.points.size()))) return;
    joinSubpaths(path_, joined_);
    // Only the part inside the current clip can remain, so only that part is scanned.
    const Rect within = clip_ ? clip_->bounds() : Rect{0, 0, pageWidth_, pageHeight_};
    Region shape = Region::polygon(joined_.data(), joined_.size(), mode, &within);
    if (clip_) shape.intersect(*clip_);
    clip_ = std::move(shape);
    clipChanged();
}

// ---- Links

void PageRenderer::drawLink(PageLink& link, PdfCatalog& catalog) {
    int x[4], y[4];
    userToDevice(link.x1(), link.y1(), &x[0], &y[0]);
    userToDevice(link.x2(), link.y1(), &x[1], &y[1]);
    userToDevice(link.x2(), link.y2(), &x[2], &y[2]);
    userToDevice(link.x1(), link.y2(), &x[3], &y[3]);
    if (link.borderWidth() > 0) {
        const double w = std::trunc(link.borderWidth() + 0.5);
        const int width = w >= 1 ? (w < 1000 ? static_cast<int>(w) : 1000) : 1;
        for (int i = 0; i < 4; ++i) line(x[i], y[i], x[(i + 1) % 4], y[(i + 1) % 4], width, kLinkBorder, false);
    }
    std::string target = linkTargetText(link.action(), catalog);
    if (target.empty()) return;
    links_.push_back({std::min(x[0], x[2]), std::max(x[0], x[2]), std::min(y[0], y[2]), std::max(y[0], y[2]),
                      std::move(target)});
}

// ---- Text

void PageRenderer::drawChar(GraphicsState& state, double x, double y, double dx, double dy, double originX,
                            double originY, int code, const uint16_t* unicode, int unicodeCount, int rawCode) {
    // Text in render mode 3 is never seen, but a recorded page keeps it: it is the text
    // layer of scanned pages, which readers select and search.
    const bool unseenLayer = target_ && (state.renderMode() & 3) == 3;
    if ((invisibleText(state) && !unseenLayer) || !budget_.glyphs(1)) return;
    ObjectScope object(*this, state, opacityByte((state.renderMode() & 3) == 1 ? state.strokeOpacity() : state.fillOpacity()),
                       pageArea());
    const double px = x - originX, py = y - originY;
    if (embeddedFonts_ && !target_ && canvas_ && code >= 0 && drawOutlineChar(state, px, py, static_cast<uint32_t>(code)))
        return;
    if (unicodeCount <= 0 || !unicode) {
        // A glyph that stands for no character cannot be text of the page HTML (a big operator
        // of a TeX font, a rule piece): a recorded page keeps its shape in the picture.
        if (target_ && embeddedFonts_ && code >= 0 && !unseenLayer)
            recordOutlineChar(state, px, py, static_cast<uint32_t>(code));
        // A glyph that stands for no character (the second byte of a legacy pair, say) still
        // takes room: it widens the character before it, so no gap opens after that one.
        if (lastPlaced_ && target_ && state.font() == lastPlacedFont_)
            if (TextPlacement* last = editablePlacementOf(*lastPlaced_)) last->width += ownWidth(state, dx, dy, rawCode);
        return;
    }
    const double* m = state.transform();
    const double devX = px * m[0] + py * m[2] + m[4], devY = px * m[1] + py * m[3] + m[5];
    const int ix = hasDisplayFont_ ? roundPixel(devX) : truncPixel(devX);
    const int iy = hasDisplayFont_ ? roundPixel(devY) : truncPixel(devY);
    placement_.reset();
    if (target_) placement_ = placeChar(state, devX, devY, dx, dy, code, rawCode, unseenLayer, unicode, unicodeCount);
    text(state, ix, iy, truncPixel(dx * m[0] + dy * m[2]), truncPixel(dx * m[1] + dy * m[3]), unicode,
         std::min(unicodeCount, 8));
    placement_.reset();
}

TextPlacement PageRenderer::placeChar(GraphicsState& state, double devX, double devY, double dx, double dy, int code,
                                      int rawCode, bool unseen, const uint16_t* unicode, int unicodeCount) {
    TextPlacement p;
    p.x = devX;
    p.y = devY;
    state.fontTransform(p.m);
    const double scaling = state.horizScaling();
    p.m[0] *= scaling;
    p.m[1] *= scaling;
    p.invisible = unseen;
    PdfFont* font = state.font();
    p.vertical = (font && font->wMode() == 1) || markedContentIsVertical();
    if (!p.vertical) p.width = ownWidth(state, dx, dy, rawCode);
    if (font) p.spaceWidth = spaceWidthOf(*font);
    if (font && !p.vertical && code >= 0) placeInWebFont(*font, static_cast<uint32_t>(code), unicode, unicodeCount, p);
    return p;
}

namespace {

// The one character a text stands for; 0 for none or several (a ligature's "fi").
char32_t singleCharacter(const uint16_t* unicode, int count) {
    if (count == 1 && (unicode[0] < 0xD800 || unicode[0] > 0xDFFF)) return unicode[0];
    if (count == 2 && unicode[0] >= 0xD800 && unicode[0] < 0xDC00 && unicode[1] >= 0xDC00 && unicode[1] <= 0xDFFF)
        return 0x10000 + ((static_cast<char32_t>(unicode[0]) - 0xD800) << 10) + (unicode[1] - 0xDC00);
    return 0;
}

// The letters of a ligature: the presentation forms of Latin ligatures, or a text of two to
// four plain letters; empty for anything else.
std::u32string ligatureLetters(const uint16_t* unicode, int count) {
    static constexpr const char32_t* kForms[] = {U"ff", U"fi", U"fl", U"ffi", U"ffl", U"st", U"st"};
    if (count == 1 && unicode[0] >= 0xFB00 && unicode[0] <= 0xFB06) return kForms[unicode[0] - 0xFB00];
    if (count < 2 || count > 4) return {};
    std::u32string letters;
    for (int i = 0; i < count; ++i) {
        const char16_t c = unicode[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return {};
        letters += c;
    }
    return letters;
}

}  // namespace

void PageRenderer::placeInWebFont(PdfFont& font, uint32_t code, const uint16_t* unicode, int count, TextPlacement& p) {
    if (!outlines_) return;
    const std::u32string letters = ligatureLetters(unicode, count);
    char32_t character = letters.empty() ? singleCharacter(unicode, count) : 0;
    if (letters.empty() && (character == 0 || character < 0x20)) return;
    // A soft hyphen a PDF draws is a visible hyphen: the line was broken there.
    if (character == 0xAD) character = '-';
    const EmbeddedFonts::Entry* entry = outlineEntryFor(font);
    if (!entry || !entry->program) return;
    std::shared_ptr<FontGlyphSet>& set = glyphSets_[{font.id().num, font.id().gen, font.embeddedId().num,
                                                     font.embeddedId().gen}];
    if (!set) {
        if (glyphSets_.size() > kMaxGlyphSets) return;
        set = std::make_shared<FontGlyphSet>(static_cast<int>(glyphSets_.size()), entry->program->familyName());
    }
    // Every face shows a blank as an empty glyph without advance: the writer places what
    // follows a blank itself.
    if (character == ' ') {
        p.font = set;
        p.face = 0;
        return;
    }
    const uint32_t glyph = EmbeddedFonts::glyphOf(*entry, font, code);
    if (glyph == 0) return;
    OutlineFont& program = *entry->program;
    // The document's web fonts hold at most kMaxWebFontPoints outline points in all; text
    // beyond keeps the browser's faces.
    if (webFontPoints_ > kMaxWebFontPoints) return;
    const size_t before = set->pointCount();
    auto load = [&](GlyphPath& path) { return program.glyphPath(glyph, path); };
    if (!letters.empty()) {
        const bool placed = set->placeLigature(glyph, letters, p.width, load);
        webFontPoints_ += set->pointCount() - before;
        if (!placed) return;
        p.font = set;
        p.face = 0;
        p.ligature = true;
        return;
    }
    const int face = set->place(glyph, character, p.width, load);
    webFontPoints_ += set->pointCount() - before;
    if (face < 0) return;
    p.font = set;
    p.face = face;
}

double PageRenderer::ownWidth(GraphicsState& state, double dx, double dy, int rawCode) {
    // The advance in text space without the spacing the content added to it, so the writer
    // can tell a kern or a word gap from the glyph itself.
    const double* tm = state.textMatrix();
    const double det = tm[0] * tm[3] - tm[1] * tm[2];
    const double size = state.horizFontSize(), scaling = state.horizScaling();
    if (!(std::fabs(det) > 1e-12 && std::fabs(size) > 1e-9 && std::fabs(scaling) > 1e-9)) return 0;
    const double textDx = (dx * tm[3] - dy * tm[2]) / det;
    double own = textDx / scaling - state.charSpace();
    if (rawCode == ' ') own -= state.wordSpace();
    const double width = own / size;
    return std::isfinite(width) && width > 0 ? width : 0;
}

double PageRenderer::spaceWidthOf(PdfFont& font) {
    if (&font == spaceFont_ && sameRef(font.id(), spaceFontId_)) return spaceWidth_;
    spaceFont_ = &font;
    spaceFontId_ = font.id();
    spaceWidth_ = 0.25;  // a quarter em: a plain word space where the font names none
    if (!font.isCidFont()) {
        const uint8_t blank = ' ';
        uint32_t code = 0;
        uint16_t u[8];
        int uLen = 0;
        double w = 0, h = 0, ox = 0, oy = 0;
        if (font.decodeNextChar(&blank, 1, &code, u, 8, &uLen, &w, &h, &ox, &oy) == 1 && w > 0.05 && w < 2)
            spaceWidth_ = w;
    }
    return spaceWidth_;
}

const EmbeddedFonts::Entry* PageRenderer::outlineEntryFor(PdfFont& font) {
    // Characters come one at a time, mostly in the font of the one before.
    if (&font != outlineFont_ || !sameRef(font.id(), outlineId_) || !sameRef(font.embeddedId(), outlineProgram_)) {
        outlineFont_ = &font;
        outlineId_ = font.id();
        outlineProgram_ = font.embeddedId();
        outlineEntry_ = outlines_ ? outlines_->entryFor(font) : nullptr;
    }
    return outlineEntry_;
}

void PageRenderer::useProgramName(PdfFont& font, FaceName& face) {
    // Some writers (web browsers among them) name their subset fonts "ABCDEF+" and nothing
    // more; the embedded program still knows its family, which says more than no name.
    const EmbeddedFonts::Entry* entry = outlineEntryFor(font);
    if (!entry || !entry->program) return;
    // Subsetters that drop the name leave "." or similar: a family needs two letters.
    const std::string& family = entry->program->familyName();
    int letters = 0;
    for (char c : family) letters += (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    // Without one, the program's own classification gives a generic family, which both
    // the browser and the installed-font lookup understand.
    face.face = letters >= 2 ? family : std::string(entry->program->genericFamily());
    face.bold = face.bold || entry->program->isBold();
    face.italic = face.italic || entry->program->isItalic();
}

void PageRenderer::glyphPlace(GraphicsState& state, double x, double y, double m[4], double& devX, double& devY) {
    state.fontTransform(m);
    m[0] *= state.horizScaling();
    m[1] *= state.horizScaling();
    const double* t = state.transform();
    devX = x * t[0] + y * t[2] + t[4];
    devY = x * t[1] + y * t[3] + t[5];
}

bool PageRenderer::drawOutlineChar(GraphicsState& state, double x, double y, uint32_t code) {
    PdfFont* font = state.font();
    if (!font || !outlineEntryFor(*font)) return false;
    const uint32_t glyph = EmbeddedFonts::glyphOf(*outlineEntry_, *font, code);
    OutlineFont& program = *outlineEntry_->program;
    if (glyph == 0 || !program.glyphLoads(glyph)) return false;
    double m[4], devX = 0, devY = 0;
    glyphPlace(state, x, y, m, devX, devY);
    const int mode = state.renderMode() & 3;
    GlyphPaint paint;
    paint.fill = mode == 0 || mode == 2;
    paint.stroke = mode == 1 || mode == 2;
    paint.fillColor = fillColorOf(state);
    paint.strokeColor = strokeColorOf(state);
    paint.fillOpacity = opacityByte(state.fillOpacity());
    paint.strokeOpacity = opacityByte(state.strokeOpacity());
    const double w = state.transformedLineWidth(state.lineWidth());
    paint.lineWidth = w >= 1 ? w : 1;
    return drawGlyph(canvas(), program, glyph, m, devX, devY, paint);
}

bool PageRenderer::recordOutlineChar(GraphicsState& state, double x, double y, uint32_t code) {
    const int mode = state.renderMode() & 3;
    PdfFont* font = state.font();
    if ((mode != 0 && mode != 2) || !font || !outlineEntryFor(*font)) return false;
    const uint32_t glyph = EmbeddedFonts::glyphOf(*outlineEntry_, *font, code);
    GlyphPath outline;
    if (glyph == 0 || !outlineEntry_->program->glyphPath(glyph, outline) || outline.empty()) return false;
    double m[4], originX = 0, originY = 0;
    glyphPlace(state, x, y, m, originX, originY);
    // An em as large as the page at most: far past that the shape is off the page anyway.
    const double em = std::max(std::hypot(m[0], m[1]), std::hypot(m[2], m[3]));
    if (!std::isfinite(originX) || !std::isfinite(originY) || !(em > 0) || em > 4.0 * (pageWidth_ + pageHeight_) ||
        std::fabs(originX) > 1e7 || std::fabs(originY) > 1e7)
        return false;
    // Curves in steps of about two pixels, 2 to 16 of them; the points are charged to the
    // page's budget before any is made.
    const int steps = std::clamp(static_cast<int>(em / 8), 2, 16);
    long long points = 0;
    for (const GlyphPath::Op op : outline.ops) points += op == GlyphPath::move || op == GlyphPath::line ? 1 : steps;
    if (!budget_.pathPoints(points)) return false;
    DevicePath& path = path_;
    path.clear();
    // Held within a page size around the page, as every recorded path is.
    auto add = [&](double u, double v) {
        const double px = std::clamp(originX + u * m[0] + v * m[2], -1.0 * pageWidth_, 2.0 * pageWidth_);
        const double py = std::clamp(originY + u * m[1] + v * m[3], -1.0 * pageHeight_, 2.0 * pageHeight_);
        path.points.push_back(Point{static_cast<int>(std::lround(px)), static_cast<int>(std::lround(py))});
        ++path.counts.back();
    };
    size_t at = 0;
    double cx = 0, cy = 0;
    for (const GlyphPath::Op op : outline.ops) {
        const size_t need = op == GlyphPath::move || op == GlyphPath::line ? 2 : op == GlyphPath::quad ? 4 : 6;
        if (at + need > outline.points.size()) break;
        const float* p = outline.points.data() + at;
        at += need;
        if (op == GlyphPath::move || path.counts.empty()) path.counts.push_back(0);
        if (op == GlyphPath::move || op == GlyphPath::line) {
            cx = p[0];
            cy = p[1];
            add(cx, cy);
            continue;
        }
        for (int i = 1; i <= steps; ++i) {
            const double s = static_cast<double>(i) / steps, r = 1 - s;
            if (op == GlyphPath::quad) {
                add(r * r * cx + 2 * r * s * p[0] + s * s * p[2], r * r * cy + 2 * r * s * p[1] + s * s * p[3]);
            } else {
                add(r * r * r * cx + 3 * r * r * s * p[0] + 3 * r * s * s * p[2] + s * s * s * p[4],
                    r * r * r * cy + 3 * r * r * s * p[1] + 3 * r * s * s * p[3] + s * s * s * p[5]);
            }
        }
        cx = p[need - 2];
        cy = p[need - 1];
    }
    if (path.points.empty()) return false;
    joinSubpaths(path, joined_);
    polygon(joined_, FillMode::winding, fillColorOf(state), opacityByte(state.fillOpacity()));
    return true;
}

void PageRenderer::text(GraphicsState& state, int x, int y, int advanceX, int, const uint16_t* unicode, int count) {
    const int mode = state.renderMode();
    const ColorRef fillColor = fillColorOf(state), strokeColor = strokeColorOf(state);
    PdfFont* font = state.font();
    FaceName face{"Courier", false, false};
    bool vertical = false;
    if (font && font->name()) {
        face = parseFaceName(std::string_view(font->name()->text(), static_cast<size_t>(font->name()->length())),
                             font->isBold(), font->isItalic());
        vertical = font->wMode() == 1;
        if (face.face.empty()) useProgramName(*font, face);
    }
    if (!vertical) vertical = markedContentIsVertical();
    double m[4];
    state.fontTransform(m);
    const TextGeometry g = textGeometry(m[0], m[1], m[2], m[3]);
    LogicalFont logical;
    logical.height = g.height;
    logical.width = logicalWidth(g.height, advanceX, static_cast<char16_t>(unicode[0]));
    logical.italic = face.italic || (g.angle == 0 && g.skewed);
    logical.weight = face.bold ? 700 : 0;
    logical.charset = font ? font->winCharSet() : 1;
    const std::string mapped = faceToUtf8(face.face);
    const std::string* configured = faceMap_ ? faceMap_->map(mapped) : nullptr;
    std::string faceName = configured ? *configured : mapped;
    if (vertical) {
        if (!faceName.empty() && faceName[0] == '@') faceName.erase(0, 1);
        if (usesVerticalForm(unicode[0])) {
            adjustVerticalPosition(x, y, advanceX, g.height, g.angle);
            faceName = "@" + faceName;
        }
    }
    logical.escapement = escapement(g.angle, faceName);
    logical.face = faceName;
    const ColorRef color = (mode & 1) ? strokeColor : fillColor;
    const uint8_t fillOpacity = opacityByte(state.fillOpacity()), strokeOpacity = opacityByte(state.strokeOpacity());

    if (target_) {
        // Unseen text is recorded fully transparent, so whoever draws the record draws nothing.
        const bool unseen = placement_ && placement_->invisible;
        const uint32_t colour = recordedColour(color, unseen ? 0 : (mode & 1) ? strokeOpacity : fillOpacity);
        lastPlacement_ = nullptr;
        TextItem* item = placement_ ? makePlacedTextItem(x, y, unicode, count, logical.face, advanceX, logical.height,
                                                         face.bold, logical.italic, logical.escapement, colour,
                                                         std::move(*placement_), &lastPlacement_)
                                    : makeTextItem(x, y, unicode, count, logical.face, advanceX, logical.height,
                                                   face.bold, logical.italic, logical.escapement, colour);
        appendPageItem(*target_, QM_ITEM_TEXT, item);
        lastPlaced_ = placement_ ? item : nullptr;
        lastPlacedFont_ = font;
        return;
    }
    if (!canvas_) return;
    const DeviceFont* device = deviceFontFor(logical, font, unicode[0]);
    if (!device) return;
    const std::u16string_view chars(reinterpret_cast<const char16_t*>(unicode), static_cast<size_t>(count));
    if (mode == 0) {
        drawText(canvas(), *device, x, y, chars, fillColor, fillOpacity);
        return;
    }
    // The white brush of stroked-only text belongs to the stroke.
    TextOutline outline;
    switch (mode) {
        case 1: outline = {TextOutline::Brush::solid, kWhite, 1, strokeColor, strokeOpacity, strokeOpacity}; break;
        case 2: outline = {TextOutline::Brush::solid, fillColor, 2, strokeColor, fillOpacity, strokeOpacity}; break;
        case 4: outline = {TextOutline::Brush::hatched, fillColor, 1, fillColor, fillOpacity, fillOpacity}; break;
        case 5: outline = {TextOutline::Brush::hatched, kWhite, 1, strokeColor, strokeOpacity, strokeOpacity}; break;
        default: outline = {TextOutline::Brush::hatched, fillColor, 1, strokeColor, fillOpacity, strokeOpacity}; break;
    }
    drawOutlinedText(canvas(), *device, x, y, chars, outline);
}

const DeviceFont* PageRenderer::deviceFontFor(LogicalFont logical, const PdfFont* font, uint16_t firstChar) {
    if (const DeviceFont* f = deviceFonts_->get(logical)) return f;
    const std::string prefix = !logical.face.empty() && logical.face[0] == '@' ? "@" : "";
    // Latin text of a face that is not installed looks closest in the standard face of its
    // kind; other scripts need the default face, which covers CJK.
    if (firstChar < 0x2E80) {
        const bool fixed = font && font->isFixedWidth(), serif = font && font->isSerif();
        logical.face = prefix + (fixed ? "Courier" : serif ? "Times" : "Helvetica");
        if (const DeviceFont* f = deviceFonts_->get(logical)) return f;
    }
    logical.face = prefix + (faceMap_ ? faceMap_->defaultFace() : std::string());
    return deviceFonts_->get(logical);
}

// ---- Images

void PageRenderer::drawImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                             ImageColorMap& colorMap, const int* maskColors, bool inlineImage) {
    placeImage(state, ref, stream, width, height, colorMap, maskColors, nullptr, inlineImage);
}

void PageRenderer::drawMaskedImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                                   ImageColorMap& colorMap, const int* maskColors, const ImageAlpha& alpha) {
    placeImage(state, ref, stream, width, height, colorMap, maskColors, &alpha, false);
}

void PageRenderer::placeImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                              ImageColorMap& colorMap, const int* maskColors, const ImageAlpha* alpha,
                              bool inlineImage) {
    const double* m = state.transform();
    if (!(std::fabs(m[0] * m[3] - m[1] * m[2]) >= kSingularImage)) {
        reportError(-1, "Singular CTM in drawImage");
        OutputDevice::drawImage(state, ref, stream, width, height, colorMap, maskColors, inlineImage);
        return;
    }
    if ((!target_ && !canvas_) || invisible(state.fillOpacity()) ||
        (colorMap.colorSpace() && colorMap.colorSpace()->marksNothing())) {
        OutputDevice::drawImage(state, ref, stream, width, height, colorMap, maskColors, inlineImage);
        return;
    }
    ImagePlacement placement{{m[0], m[1], m[2], m[3], m[4], m[5]}, pageWidth_, pageHeight_, inlineImage};
    RasterImage raster;
    const DecodedImageCache::Key key{ref ? ref->num : 0, ref ? ref->gen : 0, false, false};
    const long long pixels = static_cast<long long>(width) * height;
    SharedSamples kept;
    if (!admitImage(ref, inlineImage, key, pixels, kept)) {
        OutputDevice::drawImage(state, ref, stream, width, height, colorMap, maskColors, inlineImage);
        return;
    }
    const SharedSamples before = kept;
    // The mask's own samples are read at every draw; they count too.
    const long long maskPixels = alpha ? static_cast<long long>(alpha->width) * alpha->height : 0;
    const bool drawn = budget_.pixels(maskPixels) &&
                       rasterizeImage(placement, stream, width, height, colorMap, maskColors, raster, alpha,
                                      ref && !inlineImage ? &kept : nullptr);
    keepImage(ref, inlineImage, key, before, kept, pixels);
    if (!drawn) {
        OutputDevice::drawImage(state, ref, stream, width, height, colorMap, maskColors, inlineImage);
        return;
    }
    ObjectScope object(*this, state, opacityByte(state.fillOpacity()), imageBounds(raster));
    image(raster, opacityByte(state.fillOpacity()));
}

void PageRenderer::drawImageMask(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                                 bool invert, bool inlineImage) {
    paintImageMask(state, ref, stream, width, height, invert, inlineImage, fillColorOf(state));
}

void PageRenderer::paintImageMask(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                                  bool invert, bool inlineImage, ColorRef color) {
    const double* m = state.transform();
    if (!(std::fabs(m[0] * m[3] - m[1] * m[2]) >= kSingularImage)) {
        reportError(-1, "Singular CTM in drawImage");
        OutputDevice::drawImageMask(state, ref, stream, width, height, invert, inlineImage);
        return;
    }
    if ((!target_ && !canvas_) || invisible(state.fillOpacity()) || state.fillColorSpace().marksNothing()) {
        OutputDevice::drawImageMask(state, ref, stream, width, height, invert, inlineImage);
        return;
    }
    if (color == kWhite) color = kVisibleWhite;
    ImagePlacement placement{{m[0], m[1], m[2], m[3], m[4], m[5]}, pageWidth_, pageHeight_, inlineImage};
    RasterImage raster;
    const DecodedImageCache::Key key{ref ? ref->num : 0, ref ? ref->gen : 0, true, invert};
    const long long pixels = static_cast<long long>(width) * height;
    SharedSamples kept;
    if (!admitImage(ref, inlineImage, key, pixels, kept)) {
        OutputDevice::drawImageMask(state, ref, stream, width, height, invert, inlineImage);
        return;
    }
    const SharedSamples before = kept;
    const bool drawn = rasterizeImageMask(placement, stream, width, height, invert, color, raster,
                                          ref && !inlineImage ? &kept : nullptr);
    keepImage(ref, inlineImage, key, before, kept, pixels);
    if (!drawn) {
        OutputDevice::drawImageMask(state, ref, stream, width, height, invert, inlineImage);
        return;
    }
    ObjectScope object(*this, state, opacityByte(state.fillOpacity()), imageBounds(raster));
    image(raster, opacityByte(state.fillOpacity()));
}

bool PageRenderer::admitImage(const PdfRef* ref, bool inlineImage, const DecodedImageCache::Key& key,
                              long long pixels, SharedSamples& kept) {
    if (budget_.spent()) return false;
    kept = ref && !inlineImage ? images_.find(key) : nullptr;
    return kept || budget_.pixels(pixels);
}

void PageRenderer::keepImage(const PdfRef* ref, bool inlineImage, const DecodedImageCache::Key& key,
                             const SharedSamples& before, const SharedSamples& after, long long pixels) {
    if (!ref || inlineImage || !after || after == before) return;
    if (before) budget_.pixels(pixels);
    images_.keep(key, after);
}

}  // namespace qm
