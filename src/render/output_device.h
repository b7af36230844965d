#pragma once
// Everything the content interpreter does reaches the output through this interface: page
// start and end, state changes one field at a time, painting, clipping, text and images.
#include <cstdint>
#include <memory>

namespace qm {

class GraphicsState;
class ImageColorMap;
struct ImageAlpha;
class PageLink;
class PdfCatalog;
class PdfString;
class ShadingField;
class SoftMaskImage;
class Stream;
struct PdfRef;

// A transparency group about to be drawn: whether it starts from an empty backdrop (isolated)
// and whether each of its objects replaces what the ones before it left (knockout). The box is
// in device space.
struct GroupInfo {
    bool isolated = false;
    bool knockout = false;
    double box[4] = {0, 0, 0, 0};  // x min, y min, x max, y max
};

class OutputDevice {
public:
    OutputDevice() = default;
    OutputDevice(const OutputDevice&) = delete;
    OutputDevice& operator=(const OutputDevice&) = delete;
    virtual ~OutputDevice() = default;

    // Whether device space has y growing downwards (selects the page transform).
    virtual bool isUpsideDown() = 0;
    // Whether strings are shown one drawChar per character rather than one drawString.
    virtual bool wantsCharByChar() = 0;
    virtual bool wantsNonText() { return true; }
    // Whether characters of Type 3 fonts are drawn by running their glyph procedures
    // rather than handed to drawChar.
    virtual bool interpretType3Chars() { return false; }

    virtual void setBaseTransform(const double m[6]);
    const double* baseTransform() const { return base_; }
    const double* inverseBaseTransform() const { return inverse_; }

    virtual void beginPage(int pageNumber, GraphicsState& state) {}
    virtual void endPage() {}
    virtual void checkpoint() {}
    // True once the device will draw nothing more of this page (it spent what a page may
    // cost); the interpreter then stops reading the page's content.
    virtual bool outOfWork() const { return false; }

    virtual void deviceToUser(int dx, int dy, double* ux, double* uy);
    virtual void userToDevice(double ux, double uy, int* dx, int* dy);

    virtual void drawLink(PageLink& link, PdfCatalog& catalog) {}

    virtual void saveState(GraphicsState& state) {}
    virtual void restoreState(GraphicsState& state) {}

    virtual void updateAll(GraphicsState& state);
    virtual void updateTransform(GraphicsState& state, double a, double b, double c, double d, double e,
                                 double f) {}
    virtual void updateLineDash(GraphicsState& state) {}
    virtual void updateFlatness(GraphicsState& state) {}
    virtual void updateLineJoin(GraphicsState& state) {}
    virtual void updateLineCap(GraphicsState& state) {}
    virtual void updateMiterLimit(GraphicsState& state) {}
    virtual void updateLineWidth(GraphicsState& state) {}
    virtual void updateFillColor(GraphicsState& state) {}
    virtual void updateStrokeColor(GraphicsState& state) {}
    virtual void updateFillOpacity(GraphicsState& state) {}
    virtual void updateStrokeOpacity(GraphicsState& state) {}
    virtual void updateFont(GraphicsState& state) {}
    virtual void updateTextMatrix(GraphicsState& state) {}
    virtual void updateCharSpacing(GraphicsState& state) {}
    virtual void updateRenderMode(GraphicsState& state) {}
    virtual void updateRise(GraphicsState& state) {}
    virtual void updateWordSpacing(GraphicsState& state) {}
    virtual void updateHorizScaling(GraphicsState& state) {}
    virtual void updateTextPosition(GraphicsState& state) {}
    virtual void updateTextShift(GraphicsState& state, double adjustment) {}

    virtual void stroke(GraphicsState& state) {}
    virtual void fill(GraphicsState& state) {}
    // Fills one piece of a shading. The pieces tile the shaded area edge to edge, so a device
    // that outlines lone shapes (to keep hairlines visible) need not outline these.
    virtual void fillShadingPiece(GraphicsState& state) { fill(state); }
    // Fills one band of an axial shading: when `opaque`, as a plain fill (its outline keeps a
    // band thinner than a pixel visible), otherwise as a piece that tiles with its neighbours.
    virtual void fillShadingBand(GraphicsState& state, bool opaque) {
        if (opaque)
            fill(state);
        else
            fillShadingPiece(state);
    }
    // Whether the device paints whole shadings pixel by pixel, and does so: each pixel in its
    // colour of the fill colour space; false when it takes the shading as pieces instead
    // (fillShadingPiece).
    virtual bool wantsShadingPixels() const { return false; }
    virtual bool fillShadingPixels(GraphicsState& state, const ShadingField& field) { return false; }
    virtual void eoFill(GraphicsState& state) {}
    virtual void clip(GraphicsState& state) {}
    virtual void eoClip(GraphicsState& state) {}

    virtual void beginString(GraphicsState& state, const PdfString& s) {}
    virtual void endString(GraphicsState& state) {}
    // (x, y): origin in user space with the rise; (dx, dy): advance; (originX, originY): glyph
    // origin offset; unicode: up to 8 UTF-16 values; rawCode: the undecoded byte or byte pair.
    virtual void drawChar(GraphicsState& state, double x, double y, double dx, double dy, double originX,
                          double originY, int code, const uint16_t* unicode, int unicodeCount, int rawCode) {}
    virtual void drawString(GraphicsState& state, const PdfString& s) {}

    // `ref` is null for inline images; inline data must be consumed so the content's EI follows.
    virtual void drawImageMask(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                               bool invert, bool inlineImage);
    virtual void drawImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                           ImageColorMap& colorMap, const int* maskColors, bool inlineImage);
    // An image XObject whose pixels take their opacity from a mask; devices that cannot
    // blend draw the image as it is.
    virtual void drawMaskedImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                                 ImageColorMap& colorMap, const int* maskColors, const ImageAlpha& alpha);

    // ---- Transparency. A group's content comes between beginGroup and endGroup; it is laid
    // onto what lies beneath with the blend mode, opacity and soft mask of `state` at
    // beginGroup. A soft mask's group is drawn between beginSoftMask and endSoftMask, which
    // returns what the device made of it (null: nothing). `backdrop` is the luminosity mask's
    // backdrop colour as RGB; `transfer`, when given, maps each of the 256 mask values.
    virtual void beginGroup(GraphicsState& state, const GroupInfo& group) {}
    virtual void endGroup(GraphicsState& state) {}
    virtual void beginSoftMask(GraphicsState& state, bool luminosity, const double backdrop[3],
                               const double box[4]) {}
    virtual std::shared_ptr<const SoftMaskImage> endSoftMask(GraphicsState& state, const uint8_t* transfer) {
        return nullptr;
    }
    // Several painting calls that make one object: a fill with its stroke (the stroke covering
    // the fill rather than laid over it), a shading, a string of text. `fillAndStroke` says
    // which kind: the path to be filled and stroked is still in the state then.
    virtual void beginCompound(GraphicsState& state, bool fillAndStroke) {}
    virtual void endCompound(GraphicsState& state) {}

protected:
    // Reads and drops `count` bytes of an inline image.
    static void skipInlineData(Stream* stream, long count);

private:
    double base_[6] = {1, 0, 0, 1, 0, 0};
    double inverse_[6] = {1, 0, 0, 1, 0, 0};
};

}  // namespace qm
