#pragma once
// The interpreter's complete drawing state. States form a save chain: save pushes a copy,
// restore returns to the one below. Only the live (top) state owns the path, so no saved
// state can release it; restore hands it down.
#include <memory>
#include <vector>

#include "graphics/color_space.h"
#include "graphics/path_data.h"
#include "graphics/pattern.h"

namespace qm {

class PdfFont;

// What an output device made of a soft mask; the state only carries it along with its saves.
class SoftMaskImage {
public:
    virtual ~SoftMaskImage() = default;
};

struct PageBox {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

class GraphicsState {
public:
    // Rotations other than 90, 180 and 270 count as 0.
    GraphicsState(double dpi, const PageBox& pageBox, int rotate, bool upsideDown);
    ~GraphicsState();
    GraphicsState(const GraphicsState&) = delete;
    GraphicsState& operator=(const GraphicsState&) = delete;

    // A copy of `state` that becomes the live state, with `state` below it in the chain.
    static std::unique_ptr<GraphicsState> save(std::unique_ptr<GraphicsState> state);
    // The state below, which takes over the path, current point and text line origin; the
    // state itself when nothing is saved.
    static std::unique_ptr<GraphicsState> restore(std::unique_ptr<GraphicsState> state);
    bool hasSaves() const { return saved_ != nullptr; }

    // ---- transform and page
    const double* transform() const { return ctm_; }
    // transform = [a b c d e f] x transform.
    void concatTransform(double a, double b, double c, double d, double e, double f);
    void setTransform(double a, double b, double c, double d, double e, double f);
    const PageBox& pageBox() const { return pageBox_; }
    double pageWidth() const { return pageWidth_; }
    double pageHeight() const { return pageHeight_; }
    void userToDevice(double x, double y, double* dx, double* dy) const;
    void userToDeviceDelta(double x, double y, double* dx, double* dy) const;

    // ---- colour
    const ColorSpace& fillColorSpace() const { return *fillColorSpace_; }
    const ColorSpace& strokeColorSpace() const { return *strokeColorSpace_; }
    void setFillColorSpace(std::unique_ptr<ColorSpace> space) { fillColorSpace_ = std::move(space); }
    void setStrokeColorSpace(std::unique_ptr<ColorSpace> space) { strokeColorSpace_ = std::move(space); }
    const double* fillColor() const { return fillColor_; }
    const double* strokeColor() const { return strokeColor_; }
    // Copies maxColorComponents values.
    void setFillColor(const double* color);
    void setStrokeColor(const double* color);
    const Pattern* fillPattern() const { return fillPattern_.get(); }
    const Pattern* strokePattern() const { return strokePattern_.get(); }
    void setFillPattern(std::unique_ptr<Pattern> pattern) { fillPattern_ = std::move(pattern); }
    void setStrokePattern(std::unique_ptr<Pattern> pattern) { strokePattern_ = std::move(pattern); }
    double fillOpacity() const { return fillOpacity_; }
    double strokeOpacity() const { return strokeOpacity_; }
    void setFillOpacity(double v) { fillOpacity_ = v; }
    void setStrokeOpacity(double v) { strokeOpacity_ = v; }
    // True while an ExtGState soft mask (a mask group, not /None) applies; the image is what
    // the device made of it, null when it made nothing.
    bool hasSoftMask() const { return softMask_; }
    const SoftMaskImage* softMaskImage() const { return softMaskImage_.get(); }
    const std::shared_ptr<const SoftMaskImage>& softMaskShared() const { return softMaskImage_; }
    void setSoftMask(bool on, std::shared_ptr<const SoftMaskImage> image = nullptr) {
        softMask_ = on;
        softMaskImage_ = on ? std::move(image) : nullptr;
    }
    // 0 Normal, then Multiply, Screen, Overlay, Darken, Lighten, ColorDodge, ColorBurn,
    // HardLight, SoftLight, Difference, Exclusion, Hue, Saturation, Color, Luminosity.
    int blendMode() const { return blendMode_; }
    void setBlendMode(int mode) { blendMode_ = mode >= 0 && mode < 16 ? mode : 0; }
    // Back to the state a transparency group starts its content with: Normal, opaque, no mask.
    void resetTransparency() {
        fillOpacity_ = strokeOpacity_ = 1;
        blendMode_ = 0;
        setSoftMask(false);
    }

    // ---- line style
    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double v) { lineWidth_ = v; }
    const std::vector<double>& lineDash() const { return dash_; }
    int lineDashLength() const { return static_cast<int>(dash_.size()); }
    double lineDashPhase() const { return dashPhase_; }
    void setLineDash(std::vector<double> dash, double phase);
    int flatness() const { return flatness_; }
    void setFlatness(int v) { flatness_ = v; }
    int lineJoin() const { return lineJoin_; }
    void setLineJoin(int v) { lineJoin_ = v; }
    int lineCap() const { return lineCap_; }
    void setLineCap(int v) { lineCap_ = v; }
    double miterLimit() const { return miterLimit_; }
    void setMiterLimit(double v) { miterLimit_ = v; }
    double transformedLineWidth(double w) const;

    // ---- text
    PdfFont* font() const { return font_; }
    double fontSize() const { return fontSize_; }
    double horizFontSize() const { return horizFontSize_; }
    double vertFontSize() const { return vertFontSize_; }
    // The font is borrowed from the resource scope; all three sizes take `size`.
    void setFont(PdfFont* font, double size);
    const double* textMatrix() const { return textMatrix_; }
    void setTextMatrix(double a, double b, double c, double d, double e, double f);
    double charSpace() const { return charSpace_; }
    void setCharSpace(double v) { charSpace_ = v; }
    double wordSpace() const { return wordSpace_; }
    void setWordSpace(double v) { wordSpace_ = v; }
    double horizScaling() const { return horizScaling_; }
    void setHorizScaling(double v) { horizScaling_ = v; }
    double leading() const { return leading_; }
    void setLeading(double v) { leading_ = v; }
    double rise() const { return rise_; }
    void setRise(double v) { rise_ = v; }
    int renderMode() const { return renderMode_; }
    void setRenderMode(int v) { renderMode_ = v; }
    double lineX() const { return lineX_; }
    double lineY() const { return lineY_; }
    void setLineOrigin(double x, double y) {
        lineX_ = x;
        lineY_ = y;
    }
    double transformedFontSize() const;
    // m11, m12, m21, m22 of the font's device transform.
    void fontTransform(double* m) const;
    // Moves the current point by s along the text matrix's first column.
    void textShift(double s);
    // The same along the text's upward direction, for vertical writing.
    void verticalTextShift(double s);
    void shift(double dx, double dy);

    // ---- path and current point (the live state only)
    const PathData& path() const { return *path_; }
    double curX() const { return curX_; }
    double curY() const { return curY_; }
    void setCurrentPoint(double x, double y) {
        curX_ = x;
        curY_ = y;
    }
    void moveTo(double x, double y);
    void lineTo(double x, double y);
    void curveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    void closePath();
    void clearPath();

    // ---- clip box (device space)
    double clipXMin() const { return clipXMin_; }
    double clipYMin() const { return clipYMin_; }
    double clipXMax() const { return clipXMax_; }
    double clipYMax() const { return clipYMax_; }
    // Intersects the clip box with the device bounding box of the path's points.
    void clipToPath();

private:
    // Copies everything but the path and the save link.
    explicit GraphicsState(const GraphicsState& other, int);

    double ctm_[6];
    PageBox pageBox_;
    double pageWidth_;
    double pageHeight_;
    std::unique_ptr<ColorSpace> fillColorSpace_;
    std::unique_ptr<ColorSpace> strokeColorSpace_;
    double fillColor_[maxColorComponents] = {};
    double strokeColor_[maxColorComponents] = {};
    std::unique_ptr<Pattern> fillPattern_;
    std::unique_ptr<Pattern> strokePattern_;
    double fillOpacity_ = 1;
    double strokeOpacity_ = 1;
    bool softMask_ = false;
    std::shared_ptr<const SoftMaskImage> softMaskImage_;
    int blendMode_ = 0;
    double lineWidth_ = 1;
    std::vector<double> dash_;
    double dashPhase_ = 0;
    int flatness_ = 0;
    int lineJoin_ = 0;
    int lineCap_ = 0;
    double miterLimit_ = 10;
    PdfFont* font_ = nullptr;
    double fontSize_ = 0;
    double horizFontSize_ = 0;
    double vertFontSize_ = 0;
    double textMatrix_[6] = {1, 0, 0, 1, 0, 0};
    double charSpace_ = 0;
    double wordSpace_ = 0;
    double horizScaling_ = 1;
    double leading_ = 0;
    double rise_ = 0;
    int renderMode_ = 0;
    std::unique_ptr<PathData> path_;  // null in saved states
    double curX_ = 0;
    double curY_ = 0;
    double lineX_ = 0;
    double lineY_ = 0;
    double clipXMin_ = 0;
    double clipYMin_ = 0;
    double clipXMax_;
    double clipYMax_;
    std::unique_ptr<GraphicsState> saved_;
};

}  // namespace qm
