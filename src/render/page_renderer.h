#pragma once
// The page renderer: the output device that turns interpreted page content into either
// drawing on the page bitmap or, when a display-list target is set, PageItems appended to
// that target (nothing is drawn then). It also outlines the page's links and keeps one
// record per link target. All state (bitmap, clip, target, fonts, links) belongs to one
// renderer, so renderers of different documents never disturb each other.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas/bitmap.h"
#include "platform/canvas/canvas.h"
#include "platform/canvas/region.h"
#include "quillmark.h"
#include "render/device_path.h"
#include "core/pdf_object.h"
#include "render/decoded_image_cache.h"
#include "render/embedded_fonts.h"
#include "render/font_cache.h"
#include "render/font_name_map.h"
#include "render/output_device.h"
#include "render/font_glyph_set.h"
#include "render/page_budget.h"
#include "render/text_placement.h"
#include "render/text_style.h"
#include "render/transparency_stack.h"

namespace qm {

class DeviceFontCache;
class PdfFont;
class ImageColorMap;
class ObjectResolver;

// One link area of the page in device pixels and the text naming its target.
struct LinkRecord {
    int left = 0, right = 0, top = 0, bottom = 0;
    std::string target;
};

class PageRenderer : public OutputDevice {
public:
    PageRenderer();
    ~PageRenderer() override;

    // --- Mode. With a target every drawing step is appended to it as a PageItem and the
    // bitmap is left alone; null returns to drawing. The target is borrowed: the caller
    // keeps it alive while pages are drawn and clears it before freeing it.
    void setDisplayList(PageObject* target) {
        target_ = target;
        lastPlaced_ = nullptr;
        dropBackdrop();
    }
    PageObject* displayList() const { return target_; }
    // The placement of `item` when it is a live record of the display list and the placed
    // character recorded last; null otherwise.
    TextPlacement* placementIfLast(const TextItem* item) const {
        return item != nullptr && item == lastPlaced_ ? lastPlacement_ : nullptr;
    }
    // The colour recorded pages are shown on (white unless set). What blends with the page
    // beneath it is recorded as it looks over that colour and what was recorded before.
    void setPageColour(ColorRef colour) { pageColour_ = colour; }

    // --- The page surface. Made by startPage; null before the first page or when a
    // bitmap of that size cannot be had (drawing then does nothing).
    const Bitmap* bitmap() const { return bitmap_.get(); }
    int pageWidth() const { return pageWidth_; }
    int pageHeight() const { return pageHeight_; }

    // --- Links drawn since the last clearLinks, in drawing order.
    const std::vector<LinkRecord>& links() const { return links_; }
    void clearLinks() { links_.clear(); }
    // Appends copies of the link records to `out`.
    void copyLinks(HtmlLinkList& out) const;

    // --- Output device
    bool isUpsideDown() override { return true; }
    bool wantsCharByChar() override { return true; }
    bool wantsNonText() override { return true; }
    // Type 3 glyph procedures paint into the bitmap; recorded pages keep their text items.
    bool interpretType3Chars() override { return !target_ && embeddedFonts_; }
    void beginPage(int pageNumber, GraphicsState& state) override;
    void endPage() override { inPage_ = false; }
    void drawLink(PageLink& link, PdfCatalog& catalog) override;
    void saveState(GraphicsState& state) override;
    void restoreState(GraphicsState& state) override;
    void updateAll(GraphicsState& state) override;
    void updateTransform(GraphicsState& state, double a, double b, double c, double d, double e, double f) override;
    void updateLineDash(GraphicsState& state) override;
    void updateFlatness(GraphicsState& state) override;
    void updateLineJoin(GraphicsState& state) override;
    void updateLineCap(GraphicsState& state) override;
    void updateLineWidth(GraphicsState& state) override;
    void updateFont(GraphicsState& state) override;
    void stroke(GraphicsState& state) override;
    void fill(GraphicsState& state) override;
    void fillShadingPiece(GraphicsState& state) override;
    bool wantsShadingPixels() const override { return !target_ && canvas_; }
    bool fillShadingPixels(GraphicsState& state, const ShadingField& field) override;
    // Smooth pages fill every band as a tiling piece: smooth band edges would show seams.
    void fillShadingBand(GraphicsState& state, bool opaque) override {
        if (opaque && !smooth())
            fill(state);
        else
            fillShadingPiece(state);
    }
    void eoFill(GraphicsState& state) override;
    void clip(GraphicsState& state) override;
    void eoClip(GraphicsState& state) override;
    void drawChar(GraphicsState& state, double x, double y, double dx, double dy, double originX, double originY,
                  int code, const uint16_t* unicode, int unicodeCount, int rawCode) override;
    void drawImageMask(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height, bool invert,
                       bool inlineImage) override;
    void drawImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                   ImageColorMap& colorMap, const int* maskColors, bool inlineImage) override;
    void drawMaskedImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                         ImageColorMap& colorMap, const int* maskColors, const ImageAlpha& alpha) override;
    void beginString(GraphicsState& state, const PdfString& s) override;
    void endString(GraphicsState& state) override;
    void beginGroup(GraphicsState& state, const GroupInfo& group) override;
    void endGroup(GraphicsState& state) override;
    void beginSoftMask(GraphicsState& state, bool luminosity, const double backdrop[3], const double box[4]) override;
    std::shared_ptr<const SoftMaskImage> endSoftMask(GraphicsState& state, const uint8_t* transfer) override;
    void beginCompound(GraphicsState& state, bool fillAndStroke) override;
    void endCompound(GraphicsState& state) override;

    // Colour components in 0..1 as a 0x00BBGGRR value (each component: trunc(c x 65535) >> 8).
    static ColorRef toColorRef(const double* rgb);
    // An opacity of the graphics state as 0..255 (255 opaque; not a number counts as opaque).
    static uint8_t opacityOf(double opacity);

    // What a page may cost; the count restarts with every page.
    void setPageLimits(const PageLimits& limits) { budget_.setLimits(limits); }
    const PageBudget& budget() const { return budget_; }
    // Only while a page is drawn: fonts made before it starts are not refused for the
    // budget of the page before.
    bool outOfWork() const override { return inPage_ && budget_.spent(); }
    // Image samples kept across the pages of the document.
    const DecodedImageCache& decodedImages() const { return images_; }

    // Antialiased page bitmaps: fills, strokes and images drawn smooth rather than every
    // pixel in or out. Off unless switched on; takes effect from the next page.
    void setAntialias(bool on) { antialias_ = on; }
    bool antialias() const { return antialias_; }

    // Whether page bitmaps are drawn with the document's own fonts (config.ini, read at
    // each page start).
    bool embeddedFontsOn() const { return embeddedFonts_; }

protected:
    // The document whose font programs the bitmap is drawn with; without one every
    // character is drawn with installed fonts.
    void setFontPrograms(ObjectResolver* xref);
    // Gives the page a white bitmap of width x height pixels and resets the clip to it, the
    // saved clips and the current fonts.
    void startPage(int width, int height);
    // Draws or records an image mask with the given colour for its painted pixels.
    void paintImageMask(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height, bool invert,
                        bool inlineImage, ColorRef color);

private:
    // Where drawing goes: the top transparency layer, else the page.
    Canvas& canvas() { return layers_ ? layers_->canvas() : *canvas_; }
    // Starts drawing one object apart when the state's blend mode or soft mask, or a knockout
    // group, needs it; true when it did, and endObject must follow. `bounds` (page pixels)
    // holds everything the object will paint; the layer need be no larger.
    bool beginObject(const GraphicsState& state, uint8_t opacity, const Rect& bounds, bool always = false);
    void endObject(bool began);
    // Ends the object begun at its making, if one was, when it goes out of scope.
    class ObjectScope {
    public:
        ObjectScope(PageRenderer& r, const GraphicsState& state, uint8_t opacity, const Rect& bounds)
            : r_(r), began_(r.beginObject(state, opacity, bounds)) {}
        ~ObjectScope() { r_.endObject(began_); }
        ObjectScope(const ObjectScope&) = delete;
        ObjectScope& operator=(const ObjectScope&) = delete;

    private:
        PageRenderer& r_;
        bool began_;
    };
    // A stroke inside a compound object replaces the fill beneath it.
    bool strokeReplaces() const;
    // Whether paths go to the bitmap antialiased.
    bool smooth() const { return antialias_ && !target_ && canvas_; }
    // The state's pen in device pixels.
    static StrokeStyle strokeStyle(const GraphicsState& state);
    // The page: bounds for what cannot be bounded more closely beforehand.
    Rect pageArea() const { return {0, 0, pageWidth_, pageHeight_}; }
    // Pixels a path of `path` covers when filled (pad 0) or stroked with the state's pen.
    static Rect pathBounds(const DevicePath& path, double pad);
    static double strokePad(const GraphicsState& state);

    // Canvas primitives: each draws, or records when a target is set. Opacities are 0..255,
    // 255 covering the page.
    void line(int x0, int y0, int x1, int y1, int width, ColorRef color, bool dashed, uint8_t opacity = 255);
    // The lines between consecutive points, one shape when partly transparent.
    void polyline(const Point* points, size_t count, int width, ColorRef color, bool dashed, uint8_t opacity);
    void polygon(const std::vector<Point>& points, FillMode mode, ColorRef color, uint8_t opacity);
    void clipChanged();
    void image(struct RasterImage& raster, uint8_t opacity);
    void placeImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                    ImageColorMap& colorMap, const int* maskColors, const ImageAlpha* alpha, bool inlineImage);

    void fillPath(GraphicsState& state, FillMode mode, bool outlineLoneSubpath = true);
    void clipPath(GraphicsState& state, FillMode mode);
    void reportLineStyle(GraphicsState& state);
    // Draws the character from the font's own program; false when it has none for it.
    bool drawOutlineChar(GraphicsState& state, double x, double y, uint32_t code);
    // A glyph drawn at (x, y) in user space: one em in device pixels (see scaledFont) and the
    // glyph's origin on the device.
    static void glyphPlace(GraphicsState& state, double x, double y, double m[4], double& devX, double& devY);
    // Records the outline of the glyph for `code` as a filled shape of the page's picture.
    bool recordOutlineChar(GraphicsState& state, double x, double y, uint32_t code);
    // Names a font whose PDF name is only a subset tag after its embedded program's family.
    void useProgramName(PdfFont& font, FaceName& face);
    // The font's embedded program, looked up once while the font stays the same.
    const EmbeddedFonts::Entry* outlineEntryFor(PdfFont& font);
    void text(GraphicsState& state, int x, int y, int advanceX, int advanceY, const uint16_t* unicode, int count);
    // The exact placement of a recorded character at device point (devX, devY); (dx, dy)
    // is its advance in user space with the content's spacing.
    TextPlacement placeChar(GraphicsState& state, double devX, double devY, double dx, double dy, int code,
                            int rawCode, bool unseen, const uint16_t* unicode, int unicodeCount);
    // A character's own advance in ems from its advance (dx, dy) in user space.
    static double ownWidth(GraphicsState& state, double dx, double dy, int rawCode);
    // The width of the font's space in ems, remembered for the font met last.
    double spaceWidthOf(PdfFont& font);
    // Adds the character's glyph to the document's web font of its font, when it has one.
    void placeInWebFont(PdfFont& font, uint32_t code, const uint16_t* unicode, int unicodeCount, TextPlacement& p);
    // The installed font for `logical`, else the standard face of the font's kind (Latin
    // text), else the default face; null when none is installed.
    const DeviceFont* deviceFontFor(LogicalFont logical, const PdfFont* font, uint16_t firstChar);

    PageObject* target_ = nullptr;
    std::unique_ptr<Bitmap> bitmap_;
    std::unique_ptr<Canvas> canvas_;  // on bitmap_, with clip_ applied
    LayerBitmaps layerBitmaps_;  // before the stacks that borrow it
    std::unique_ptr<TransparencyStack> layers_;  // on bitmap_
    // For each group, soft mask and compound begun: whether it made a layer.
    // For each group and soft mask begun: what it made (0 nothing, 1 a layer, 2 a layer whose
    // drawing a recorded page keeps as a picture, see beginCapture), and for a group recorded
    // object by object that blends with nothing beneath it (isolated), the first of its items.
    // For each compound: whether it made an object layer.
    struct OpenGroup {
        uint8_t made = 0;
        int32_t isolatedFrom = -1;
    };
    std::vector<OpenGroup> groupLayers_;
    std::vector<bool> compoundLayers_;
    // Recorded pages draw what records cannot express (blending, masks, group opacity,
    // knockout) into a picture of their own and record that as an image. The picture covers
    // `area` (page pixels) within the clip, or within the page alone for `ignoreClip`. With
    // `onBackdrop` (for what blends with what lies beneath) it starts as the page recorded so
    // far, and records as opaque pixels what drawing changed.
    bool beginCapture(Rect area, bool ignoreClip = false, bool onBackdrop = false);
    // Records what was drawn as an image unless `discard`, and returns to recording.
    void endCapture(bool discard = false);
    // Brings the picture of the page recorded so far up to date; false when it cannot be had.
    bool updateBackdrop();
    void dropBackdrop();
    // Starts `picture` as what an effect drawn now blends with, and keeps what lies beneath
    // that and the page as it looks before the effect; false when they cannot be had.
    bool startOnBackdrop(Bitmap& picture);
    bool capturing() const { return captured_ != nullptr; }
    PageObject* captured_ = nullptr;  // the recording target while capturing
    std::unique_ptr<Bitmap> captureBitmap_;
    // For a picture drawn over the page: what lies beneath the group it blends in, and the
    // page as it looked before; null otherwise.
    std::unique_ptr<Bitmap> captureBeneath_, captureBefore_;
    // The page recorded so far, drawn as far as item backdropItems_ on nothing (the page's
    // colour is not in it), made when first needed.
    std::unique_ptr<Bitmap> backdrop_;
    std::unique_ptr<Canvas> backdropCanvas_;
    int32_t backdropItems_ = 0;
    ColorRef pageColour_ = kWhite;
    // Records drawn again for pictures inside isolated groups on this page; past a limit such
    // pictures blend with the page as a whole instead.
    long long redrawnItems_ = 0;
    static constexpr long long kMaxRedrawnItems = 250000;
    DevicePath compoundPath_;  // a fill-and-stroke's path, for its bounds
    bool objectCapture_ = false;  // the object being drawn began the capture
    std::vector<std::optional<Region>> maskClips_;  // the clips in force outside soft masks
    bool stringLayer_ = false;
    bool antialias_ = false;
    int pageWidth_ = 0, pageHeight_ = 0;
    std::optional<Region> clip_;  // none: the whole page
    std::vector<std::optional<Region>> savedClips_;
    int flatness_ = 0;
    FontCache fontCache_;
    bool hasDisplayFont_ = false;  // the current font has a display font
    bool metType3_ = false;
    std::unique_ptr<DeviceFontCache> deviceFonts_;
    std::unique_ptr<EmbeddedFonts> outlines_;
    bool embeddedFonts_ = false;
    // The font the outline entry below was found for (checked by pointer and identity).
    const PdfFont* outlineFont_ = nullptr;
    PdfRef outlineId_{-1, 0}, outlineProgram_{-1, 0};
    const EmbeddedFonts::Entry* outlineEntry_ = nullptr;
    std::vector<LinkRecord> links_;
    // The document's web fonts, one per font and program met while recording.
    std::map<std::array<int, 4>, std::shared_ptr<FontGlyphSet>> glyphSets_;
    static constexpr size_t kMaxGlyphSets = 1024;
    static constexpr size_t kMaxWebFontPoints = 4000000;
    size_t webFontPoints_ = 0;
    std::optional<TextPlacement> placement_;  // of the character being recorded
    const TextItem* lastPlaced_ = nullptr;    // the placed character recorded last, and its font
    TextPlacement* lastPlacement_ = nullptr;  // its placement, while lastPlaced_ is alive
    const PdfFont* lastPlacedFont_ = nullptr;
    const PdfFont* spaceFont_ = nullptr;
    PdfRef spaceFontId_{-1, 0};
    double spaceWidth_ = 0.25;
    std::shared_ptr<const FontNameMap> faceMap_;
    // Before an image is drawn: the samples kept from an earlier draw of the same XObject go
    // to `kept` (inline images have none), and false means the page cannot afford to read
    // the image's `pixels` when there are none.
    bool admitImage(const PdfRef* ref, bool inlineImage, const DecodedImageCache::Key& key, long long pixels,
                    SharedSamples& kept);
    // After the draw: keeps samples that were decoded instead of `before` (a finer grid read
    // again counts against the page as well).
    void keepImage(const PdfRef* ref, bool inlineImage, const DecodedImageCache::Key& key,
                   const SharedSamples& before, const SharedSamples& after, long long pixels);

    PageBudget budget_;
    bool inPage_ = false;
    DecodedImageCache images_;
    DevicePath path_;            // reused between paths
    std::vector<Point> joined_;  // reused between fills
};

}  // namespace qm
