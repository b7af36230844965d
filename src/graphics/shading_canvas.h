#pragma once
// What a shading paints onto: a sink that fills one polygon at a time with a colour of the
// shading's colour space, the part of shading space that can be seen, and the scale to the
// device that decides how fine the colour steps must be. Every polygon counts against a cap,
// so a hostile shading cannot explode the work.
#include <functional>
#include <memory>
#include <vector>

#include "core/pdf_object.h"
#include "graphics/color_space.h"
#include "graphics/function.h"

namespace qm {

// Neighbouring colour steps differ by at most about two levels of 255 per component.
constexpr double kShadingColorStep = 2.0 / 255;
// Polygons one shading may paint; more only come from hostile or absurd files.
constexpr long kMaxShadingPolygons = 100000;

class ShadingCanvas {
public:
    // `fill` receives a colour (maxColorComponents values), the points as x,y pairs in shading
    // space and their count; it answers false to stop the painting (the page's budget is spent).
    using Fill = std::function<bool(const double* color, const double* xy, int points)>;

    // `ctm` maps shading space to device space; (xMin, yMin, xMax, yMax) is the visible area in
    // shading space.
    ShadingCanvas(Fill fill, const double ctm[6], double xMin, double yMin, double xMax, double yMax,
                  long maxPolygons = kMaxShadingPolygons);

    // Fills one closed polygon; false once painting has stopped (cap reached, reported once).
    bool fill(const double* color, const double* xy, int points);
    bool stopped() const { return stopped_; }
    long polygonCount() const { return polygons_; }

    // The transform from shading space to the device.
    const double* ctm() const { return ctm_; }
    // Device length of the shading-space vector (dx, dy).
    double deviceLength(double dx, double dy) const;
    // Device units per shading-space unit along the longer axis of the transform.
    double scale() const { return scale_; }
    double xMin() const { return xMin_; }
    double yMin() const { return yMin_; }
    double xMax() const { return xMax_; }
    double yMax() const { return yMax_; }

private:
    Fill fill_;
    double ctm_[6];
    double scale_;
    double xMin_, yMin_, xMax_, yMax_;
    long maxPolygons_;
    long polygons_ = 0;
    bool stopped_ = false;
};

// The colour functions of a shading: one function giving every component, or one function per
// component. Evaluation never allocates.
class ShadingFunctions {
public:
    // Reads a Function entry whose functions take `inputs` inputs; false (reported) when it is
    // missing or unusable.
    bool read(const PdfObject& fn, int inputs);
    bool empty() const { return functions_.empty(); }
    // `out` receives maxColorComponents values (components no function gives are 0).
    void eval(const double* in, double* out) const;

private:
    std::vector<std::shared_ptr<const PdfFunction>> functions_;
};

// The largest difference between matching components of two colours.
double colorDistance(const double* a, const double* b, int components);

// Inverts [a b c d e f]; false when it is singular or not finite.
bool invertMatrix(const double* m, double* r);

// Maps the four corners of a box through m and gives their bounding box.
void mapBox(const double* m, double xMin, double yMin, double xMax, double yMax, double* out);

}  // namespace qm
