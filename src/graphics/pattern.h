#pragma once
// Pattern and shading resources parsed into plain objects for the interpreter to draw. Shading
// patterns and the shading types other than axial live in their own files.
#include <memory>
#include <vector>

#include "core/pdf_object.h"
#include "graphics/color_space.h"
#include "graphics/function.h"
#include "graphics/shading_field.h"

namespace qm {

class ShadingCanvas;

class Pattern {
public:
    virtual ~Pattern() = default;
    int patternType() const { return patternType_; }
    // Tiling patterns copy themselves; other kinds give null.
    virtual std::unique_ptr<Pattern> clone() const { return nullptr; }

protected:
    explicit Pattern(int type) : patternType_(type) {}

private:
    int patternType_;
};

class TilingPattern : public Pattern {
public:
    // `stream` is the pattern stream; problems are reported and keep the defaults.
    explicit TilingPattern(const PdfObject& stream);
    std::unique_ptr<Pattern> clone() const override;

    int paintType = 1;
    int tilingType = 1;
    double bbox[4] = {0, 0, 1, 1};
    double xStep = 1;
    double yStep = 1;
    PdfObject resources = PdfObject::makeNull();
    double matrix[6] = {1, 0, 0, 1, 0, 0};
    PdfObject contentStream;

private:
    TilingPattern(const TilingPattern&) = default;
};

// A stream whose dictionary has PatternType 1 gives a tiling pattern, a dictionary or stream with
// PatternType 2 a shading pattern (null, reported, when its shading is unusable); anything else
// null, without a message.
std::unique_ptr<Pattern> parsePattern(const PdfObject& obj);

class Shading {
public:
    virtual ~Shading() = default;
    int shadingType() const { return shadingType_; }

    // Reads ColorSpace, Background and BBox; false (reported) without a usable colour space.
    bool readCommon(PdfDict* dict);
    // Paints the shading onto the canvas; axial shadings are painted by the interpreter.
    virtual void paint(ShadingCanvas&) const {}
    // The same picture pixel by pixel, for shadings that can give it (null otherwise); `canvas`
    // only gives the geometry.
    virtual std::unique_ptr<ShadingField> field(const ShadingCanvas&) const { return nullptr; }
    int componentCount() const { return colorSpace ? colorSpace->componentCount() : 0; }

    std::unique_ptr<ColorSpace> colorSpace;
    double background[maxColorComponents] = {};
    bool hasBackground = false;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    bool hasBBox = false;

protected:
    explicit Shading(int type) : shadingType_(type) {}

private:
    int shadingType_;
};

class AxialShading : public Shading {
public:
    AxialShading() : Shading(2) {}
    // Reads the axial entries; false (reported) when the shading cannot be drawn.
    bool readAxial(PdfDict* dict);
    int functionCount() const { return static_cast<int>(functions.size()); }

    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double t0 = 0, t1 = 1;
    std::vector<std::unique_ptr<PdfFunction>> functions;  // at most maxColorComponents
    bool extend0 = false, extend1 = false;
};

// A shading dictionary or stream (mesh shadings need the stream for their data); null when it
// is neither or cannot be drawn.
std::unique_ptr<Shading> parseShading(const PdfObject& obj);

}  // namespace qm
