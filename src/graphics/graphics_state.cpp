#include "graphics/graphics_state.h"

#include <algorithm>
#include <cmath>

#include "graphics/matrix.h"

namespace qm {

GraphicsState::GraphicsState(double dpi, const PageBox& box, int rotate, bool upsideDown)
    : pageBox_(box),
      fillColorSpace_(std::make_unique<DeviceGrayColorSpace>()),
      strokeColorSpace_(std::make_unique<DeviceGrayColorSpace>()),
      path_(std::make_unique<PathData>()) {
    const double k = dpi * (1.0 / 72);
    const double x1 = box.x1, y1 = box.y1, x2 = box.x2, y2 = box.y2;
    const double flip = upsideDown ? -k : k;
    double* m = ctm_;
    switch (rotate) {
    case 90:
        m[0] = 0, m[1] = -flip, m[2] = k, m[3] = 0, m[4] = -k * y1, m[5] = upsideDown ? -k * x1 : k * x2;
        pageWidth_ = k * (y2 - y1);
        pageHeight_ = k * (x2 - x1);
        break;
    case 180:
        m[0] = -k, m[1] = 0, m[2] = 0, m[3] = -flip, m[4] = k * x2, m[5] = upsideDown ? -k * y1 : k * y2;
        pageWidth_ = k * (x2 - x1);
        pageHeight_ = k * (y2 - y1);
        break;
    case 270:
        m[0] = 0, m[1] = flip, m[2] = -k, m[3] = 0, m[4] = k * y2, m[5] = upsideDown ? k * x2 : -k * x1;
        pageWidth_ = k * (y2 - y1);
        pageHeight_ = k * (x2 - x1);
        break;
    default:
        m[0] = k, m[1] = 0, m[2] = 0, m[3] = flip, m[4] = -k * x1, m[5] = upsideDown ? k * y2 : -k * y1;
        pageWidth_ = k * (x2 - x1);
        pageHeight_ = k * (y2 - y1);
        break;
    }
    clipXMax_ = pageWidth_;
    clipYMax_ = pageHeight_;
}

GraphicsState::GraphicsState(const GraphicsState& o, int)
    : pageBox_(o.pageBox_),
      pageWidth_(o.pageWidth_),
      pageHeight_(o.pageHeight_),
      fillColorSpace_(o.fillColorSpace_->clone()),
      strokeColorSpace_(o.strokeColorSpace_->clone()),
      fillPattern_(o.fillPattern_ ? o.fillPattern_->clone() : nullptr),
      strokePattern_(o.strokePattern_ ? o.strokePattern_->clone() : nullptr),
      fillOpacity_(o.fillOpacity_),
      strokeOpacity_(o.strokeOpacity_),
      softMask_(o.softMask_),
      softMaskImage_(o.softMaskImage_),
      blendMode_(o.blendMode_),
      lineWidth_(o.lineWidth_),
      dash_(o.dash_),
      dashPhase_(o.dashPhase_),
      flatness_(o.flatness_),
      lineJoin_(o.lineJoin_),
      lineCap_(o.lineCap_),
      miterLimit_(o.miterLimit_),
      font_(o.font_),
      fontSize_(o.fontSize_),
      horizFontSize_(o.horizFontSize_),
      vertFontSize_(o.vertFontSize_),
      charSpace_(o.charSpace_),
      wordSpace_(o.wordSpace_),
      horizScaling_(o.horizScaling_),
      leading_(o.leading_),
      rise_(o.rise_),
      renderMode_(o.renderMode_),
      curX_(o.curX_),
      curY_(o.curY_),
      lineX_(o.lineX_),
      lineY_(o.lineY_),
      clipXMin_(o.clipXMin_),
      clipYMin_(o.clipYMin_),
      clipXMax_(o.clipXMax_),
      clipYMax_(o.clipYMax_) {
    std::copy(o.ctm_, o.ctm_ + 6, ctm_);
    std::copy(o.fillColor_, o.fillColor_ + maxColorComponents, fillColor_);
    std::copy(o.strokeColor_, o.strokeColor_ + maxColorComponents, strokeColor_);
    std::copy(o.textMatrix_, o.textMatrix_ + 6, textMatrix_);
}

GraphicsState::~GraphicsState() {
    // Unwound one state at a time: a long save chain must not recurse through destructors.
    std::unique_ptr<GraphicsState> next = std::move(saved_);
    while (next) {
        std::unique_ptr<GraphicsState> below = std::move(next->saved_);
        next = std::move(below);
    }
}

std::unique_ptr<GraphicsState> GraphicsState::save(std::unique_ptr<GraphicsState> state) {
    std::unique_ptr<GraphicsState> copy(new GraphicsState(*state, 0));
    copy->path_ = std::move(state->path_);
    copy->saved_ = std::move(state);
    return copy;
}

std::unique_ptr<GraphicsState> GraphicsState::restore(std::unique_ptr<GraphicsState> state) {
    if (!state->saved_) return state;
    std::unique_ptr<GraphicsState> saved = std::move(state->saved_);
    saved->path_ = std::move(state->path_);
    saved->curX_ = state->curX_;
    saved->curY_ = state->curY_;
    saved->lineX_ = state->lineX_;
    saved->lineY_ = state->lineY_;
    return saved;
}

void GraphicsState::concatTransform(double a, double b, double c, double d, double e, double f) {
    const double m[6] = {a, b, c, d, e, f};
    multiplyMatrix(m, ctm_, ctm_);
}

void GraphicsState::setTransform(double a, double b, double c, double d, double e, double f) {
    double r[6] = {a, b, c, d, e, f};
    std::copy(r, r + 6, ctm_);
}

void GraphicsState::userToDevice(double x, double y, double* dx, double* dy) const {
    *dx = ctm_[0] * x + ctm_[2] * y + ctm_[4];
    *dy = ctm_[1] * x + ctm_[3] * y + ctm_[5];
}

void GraphicsState::userToDeviceDelta(double x, double y, double* dx, double* dy) const {
    *dx = ctm_[0] * x + ctm_[2] * y;
    *dy = ctm_[1] * x + ctm_[3] * y;
}

void GraphicsState::setFillColor(const double* color) { std::copy(color, color + maxColorComponents, fillColor_); }

void GraphicsState::setStrokeColor(const double* color) {
    std::copy(color, color + maxColorComponents, strokeColor_);
}

void GraphicsState::setLineDash(std::vector<double> dash, double phase) {
    dash_ = std::move(dash);
    dashPhase_ = phase;
}

double GraphicsState::transformedLineWidth(double w) const {
    double x = ctm_[0] + ctm_[2];
    double y = ctm_[1] + ctm_[3];
    return w * std::sqrt((x * x + y * y) / 2);
}

void GraphicsState::setFont(PdfFont* font, double size) {
    font_ = font;
    fontSize_ = horizFontSize_ = vertFontSize_ = size;
}

void GraphicsState::setTextMatrix(double a, double b, double c, double d, double e, double f) {
    double r[6] = {a, b, c, d, e, f};
    std::copy(r, r + 6, textMatrix_);
}

double GraphicsState::transformedFontSize() const {
    double u = textMatrix_[2] * horizFontSize_;
    double v = textMatrix_[3] * vertFontSize_;
    double x = ctm_[0] * u + ctm_[2] * v;
    double y = ctm_[1] * u + ctm_[3] * v;
    return std::sqrt(x * x + y * y);
}

void GraphicsState::fontTransform(double* m) const {
    const double* t = textMatrix_;
    const double* c = ctm_;
    m[0] = (t[0] * c[0] + t[1] * c[2]) * horizFontSize_;
    m[1] = (t[0] * c[1] + t[1] * c[3]) * vertFontSize_;
    m[2] = (t[2] * c[0] + t[3] * c[2]) * horizFontSize_;
    m[3] = (t[2] * c[1] + t[3] * c[3]) * vertFontSize_;
}

void GraphicsState::textShift(double s) {
    curX_ += s * textMatrix_[0];
    curY_ += s * textMatrix_[1];
}

void GraphicsState::verticalTextShift(double s) {
    curX_ += s * textMatrix_[2];
    curY_ += s * textMatrix_[3];
}

void GraphicsState::shift(double dx, double dy) {
    curX_ += dx;
    curY_ += dy;
}

void GraphicsState::moveTo(double x, double y) {
    path_->moveTo(x, y);
    curX_ = x;
    curY_ = y;
}

void GraphicsState::lineTo(double x, double y) {
    path_->lineTo(x, y);
    curX_ = x;
    curY_ = y;
}

void GraphicsState::curveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    path_->curveTo(x1, y1, x2, y2, x3, y3);
    curX_ = x3;
    curY_ = y3;
}

void GraphicsState::closePath() {
    if (!path_->closePath()) return;
    curX_ = path_->lastPoint().x;
    curY_ = path_->lastPoint().y;
}

void GraphicsState::clearPath() { path_ = std::make_unique<PathData>(); }

void GraphicsState::clipToPath() {
    bool any = false;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    for (int i = 0; i < path_->subpathCount(); ++i) {
        const SubPath& sp = path_->subpath(i);
        for (int j = 0; j < sp.pointCount(); ++j) {
            double x, y;
            userToDevice(sp.point(j).x, sp.point(j).y, &x, &y);
            if (!any) {
                xMin = xMax = x;
                yMin = yMax = y;
                any = true;
            } else {
                xMin = std::min(xMin, x);
                xMax = std::max(xMax, x);
                yMin = std::min(yMin, y);
                yMax = std::max(yMax, y);
            }
        }
    }
    if (!any) return;
    clipXMin_ = std::max(clipXMin_, xMin);
    clipYMin_ = std::max(clipYMin_, yMin);
    clipXMax_ = std::min(clipXMax_, xMax);
    clipYMax_ = std::min(clipYMax_, yMax);
}

}  // namespace qm
