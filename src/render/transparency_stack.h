#pragma once
// The page's transparency layers: groups drawn apart and laid onto what lies beneath them,
// soft masks drawn into a layer of their own and read out as opacity, and single objects
// drawn apart when they blend, are masked or knock out. Drawing always goes to the canvas of
// the top layer; with no layers that is the page itself, which is how pages without
// transparency are drawn, at no extra cost.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "graphics/graphics_state.h"
#include "platform/canvas/canvas.h"
#include "platform/canvas/compositing.h"

namespace qm {

// A soft mask as the renderer keeps it in the graphics state: opacity per page pixel.
class RasterSoftMask : public SoftMaskImage {
public:
    MaskValues values;
};

// How a group or object is laid onto its parent.
struct Composite {
    BlendMode mode = BlendMode::normal;
    uint8_t opacity = 255;
    const MaskValues* mask = nullptr;  // borrowed until the layer ends
    std::shared_ptr<const SoftMaskImage> keep;  // keeps `mask` alive
};

// Spare layer bitmaps. Layers come and go with every object drawn apart; taking their memory
// from here rather than from the system saves fresh pages being mapped and zeroed each time,
// so a layer costs what it covers. Keeps a few, none very large.
class LayerBitmaps {
public:
    // An empty transparent bitmap covering `area` (page pixels); null when the area is empty
    // or the memory cannot be had.
    std::unique_ptr<Bitmap> take(const Rect& area);
    void give(std::unique_ptr<Bitmap> bitmap);

    static constexpr size_t kKept = 3;
    static constexpr size_t kMaxKeptPixels = size_t{1} << 23;

private:
    std::vector<std::unique_ptr<Bitmap>> spare_;
};

class TransparencyStack {
public:
    // Layers nest no deeper than this; deeper groups and objects draw straight onto the one
    // below, as if they had no transparency of their own.
    static constexpr size_t kMaxDepth = 24;

    // `bitmaps` is borrowed and outlives the stack.
    TransparencyStack(Bitmap& page, Canvas& pageCanvas, LayerBitmaps& bitmaps)
        : page_(page), pageCanvas_(pageCanvas), bitmaps_(bitmaps) {}

    Canvas& canvas() { return layers_.empty() ? pageCanvas_ : *layers_.back().canvas; }
    bool empty() const { return layers_.empty(); }
    // Whether objects drawn now knock out the ones before them.
    bool inKnockout() const;

    // `area` is in page pixels; `clip` the clip in force, given to the new layer's canvas.
    void beginGroup(bool isolated, bool knockout, Rect area, Composite how, const std::optional<Region>& clip);
    void endGroup(const std::optional<Region>& clip);
    void beginSoftMask(bool luminosity, ColorRef backdrop, Rect area);
    // The mask drawn since beginSoftMask, its values passed through `transfer` when given.
    std::shared_ptr<const SoftMaskImage> endSoftMask(const uint8_t* transfer, const std::optional<Region>& clip);
    // `shapeOpacity` is the constant opacity the object is drawn with, so that its shape can
    // be told from its opacity when it knocks out.
    void beginObject(Rect area, Composite how, uint8_t shapeOpacity, const std::optional<Region>& clip);
    void endObject(const std::optional<Region>& clip);
    bool inObject() const { return !layers_.empty() && layers_.back().kind == Kind::object; }

private:
    enum class Kind { group, softMask, object };
    struct Layer {
        Kind kind = Kind::group;
        std::unique_ptr<Bitmap> bitmap;  // null: draws onto the layer below
        std::unique_ptr<Canvas> canvas;
        Rect area;
        Composite how;
        bool isolated = true, knockout = false;
        std::unique_ptr<Bitmap> backdrop;  // a non-isolated knockout group's initial backdrop
        bool luminosity = false;
        ColorRef backdropColor = kBlack;
        uint8_t shapeOpacity = 255;
    };
    Bitmap& target();                 // where the top layer draws
    Layer* enclosingGroup();          // the innermost group layer with a bitmap of its own
    void push(Layer layer, const std::optional<Region>& clip);
    void finish(Layer& layer);        // lays a group or object onto the layer below
    void drop(Layer& layer);          // hands the layer's bitmaps back

    Bitmap& page_;
    Canvas& pageCanvas_;
    LayerBitmaps& bitmaps_;
    std::vector<Layer> layers_;
};

}  // namespace qm
