#include "graphics/radial_shading.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/number_array.h"

namespace qm {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Colour splitting goes at most this deep (4096 bands between the circles).
constexpr int kMaxDepth = 12;
constexpr int kMinDepth = 3;
// Circles that do not nest leave thin slivers between neighbours; steps of this many device
// pixels keep them invisible.
constexpr double kMaxStepPixels = 3;
// Bands one extension may use.
constexpr int kMaxExtensionBands = 1024;

// One colour step between the circles at sa and sb.
struct RadialBand {
    double sa, sb;
    ShadingField::Color color;
};

// Paints the bands onto a canvas, or, given `bands`, only lists them in order of s.
class RadialPainter {
public:
    RadialPainter(const RadialShading& s, const ShadingCanvas& canvas, ShadingCanvas* out,
                  std::vector<RadialBand>* bands = nullptr)
        : s_(s), canvas_(canvas), out_(out), bands_(bands), components_(s.componentCount()) {
        dx_ = s.x1 - s.x0;
        dy_ = s.y1 - s.y0;
        dr_ = s.r1 - s.r0;
        move_ = std::hypot(dx_, dy_);
        // One circle inside the next: a band is exactly the ring between them. Otherwise bands
        // must be narrow for the ring to follow the circles' sweep.
        nested_ = move_ <= std::fabs(dr_) * (1 + 1e-9);
    }

    // How far the circles go: s from sMin to sMax.
    double sMin() const { return s_.extend0 ? -extension(s_.x0, s_.y0, s_.r0, -1) : 0; }
    double sMax() const { return s_.extend1 ? 1 + extension(s_.x1, s_.y1, s_.r1, 1) : 1; }

    void paint() {
        const double sMin = this->sMin(), sMax = this->sMax();
        double c0[maxColorComponents], c1[maxColorComponents];
        colorAt(0, c0);
        colorAt(1, c1);
        // Every circle is drawn with the same points: the outer circle of one band is then
        // exactly the inner circle of the next, and the bands tile without a pixel between
        // them or drawn twice.
        double devR = canvas_.scale() * std::fmax(radius(sMin), radius(sMax));
        int n = static_cast<int>(std::ceil(kPi * std::sqrt(2 * std::fmax(devR, 0.0))));
        circlePoints_ = n < 8 ? 8 : (n > 1024 ? 1024 : n);
        cosines_.resize(static_cast<size_t>(circlePoints_));
        sines_.resize(static_cast<size_t>(circlePoints_));
        for (int i = 0; i < circlePoints_; ++i) {
            double angle = 2 * kPi * i / circlePoints_;
            cosines_[static_cast<size_t>(i)] = std::cos(angle);
            sines_[static_cast<size_t>(i)] = std::sin(angle);
        }
        if (sMin < 0) plainBands(sMin, 0, c0);
        split(0, 1, c0, c1, 0);
        if (sMax > 1) plainBands(1, sMax, c1);
    }

    void colorAt(double s, double* color) const {
        double t = s <= 0 ? s_.t0 : (s >= 1 ? s_.t1 : s_.t0 + (s_.t1 - s_.t0) * s);
        s_.functions.eval(&t, color);
    }

    double radius(double s) const { return std::fmax(0.0, s_.r0 + s * dr_); }

private:
    bool stopped() const { return out_ && out_->stopped(); }

    // How far in s beyond the circle (cx, cy, r) the circles must go, in direction `dir`, until
    // they cover the visible area, leave it for good or shrink to a point.
    double extension(double cx, double cy, double r, double dir) const {
        double dr = dr_ * dir;
        double bx = (canvas_.xMin() + canvas_.xMax()) / 2, by = (canvas_.yMin() + canvas_.yMax()) / 2;
        double half = std::hypot(canvas_.xMax() - canvas_.xMin(), canvas_.yMax() - canvas_.yMin()) / 2;
        double dist = std::hypot(cx - bx, cy - by);
        double reach = dist + half + r + 1;
        double limit = 16 * reach / std::fmax(move_ + std::fabs(dr), 1e-12);
        double length = limit;
        if (dr > move_ * (1 + 1e-9)) {
            length = (dist + half - r) / (dr - move_);  // the disc then holds the whole area
        } else if (move_ > std::fmax(dr, 0.0) * (1 + 1e-9)) {
            length = (r + dist + half) / (move_ - std::fmax(dr, 0.0));  // the circles have left it
        }
        if (dr < 0) length = std::fmin(length, r / -dr);
        if (!std::isfinite(length)) return 0;
        return std::fmax(0.0, std::fmin(length, limit));
    }

    void plainBands(double sa, double sb, const double* color) {
        int bands = 1;
        if (!nested_) {
            double pixels = canvas_.scale() * move_ * (sb - sa);
            bands = static_cast<int>(std::fmin(std::ceil(pixels / kMaxStepPixels), kMaxExtensionBands));
            if (bands < 1) bands = 1;
        }
        for (int i = 0; i < bands && !stopped(); ++i)
            band(sa + (sb - sa) * i / bands, sa + (sb - sa) * (i + 1) / bands, color);
    }

    void split(double sa, double sb, const double* ca, const double* cb, int depth) {
        if (stopped()) return;
        double width = canvas_.scale() * (move_ + std::fabs(dr_)) * (sb - sa);
        bool colorSplit = colorDistance(ca, cb, components_) > kShadingColorStep && width > 1;
        bool shapeSplit = !nested_ && canvas_.scale() * move_ * (sb - sa) > kMaxStepPixels;
        if (depth < kMinDepth || (depth < kMaxDepth && (colorSplit || shapeSplit))) {
            double sm = (sa + sb) / 2, cm[maxColorComponents];
            colorAt(sm, cm);
            split(sa, sm, ca, cm, depth + 1);
            split(sm, sb, cm, cb, depth + 1);
            return;
        }
        double mean[maxColorComponents];
        for (int k = 0; k < maxColorComponents; ++k) mean[k] = (ca[k] + cb[k]) / 2;
        band(sa, sb, mean);
    }

    // The ring between the circles at sa and sb: the first circle forwards, the second backwards,
    // joined at angle 0, so either fill rule leaves out what both discs cover.
    void band(double sa, double sb, const double* color) {
        double ra = radius(sa), rb = radius(sb);
        if (ra <= 0 && rb <= 0) return;
        if (bands_) {
            RadialBand b{sa, sb, {}};
            std::copy(color, color + maxColorComponents, b.color.begin());
            bands_->push_back(b);
            return;
        }
        const int n = circlePoints_;
        points_.resize(static_cast<size_t>(4 * (n + 1)));
        double ax = s_.x0 + sa * dx_, ay = s_.y0 + sa * dy_, bx = s_.x0 + sb * dx_, by = s_.y0 + sb * dy_;
        for (int i = 0; i <= n; ++i) {
            double c = cosines_[static_cast<size_t>(i % n)], sn = sines_[static_cast<size_t>(i % n)];
            size_t fwd = static_cast<size_t>(2 * i), back = static_cast<size_t>(2 * (2 * n + 1 - i));
            points_[fwd] = ax + ra * c;
            points_[fwd + 1] = ay + ra * sn;
            points_[back] = bx + rb * c;
            points_[back + 1] = by + rb * sn;
        }
        if (out_) out_->fill(color, points_.data(), 2 * (n + 1));
    }

    const RadialShading& s_;
    const ShadingCanvas& canvas_;
    ShadingCanvas* out_;
    std::vector<RadialBand>* bands_;
    int components_;
    double dx_, dy_, dr_, move_;
    bool nested_;
    int circlePoints_ = 8;
    std::vector<double> cosines_, sines_;  // of the circle points' angles
    std::vector<double> points_;
};

// Each pixel takes the colour of the last circle, in order of s, whose edge passes through its
// centre: the band the polygons would have painted there last.
class RadialField : public ShadingField {
public:
    // Steps of s between 0 and 1 the table resolves: the finest bands the painter makes.
    static constexpr int kSteps = 1 << kMaxDepth;

    bool build(const RadialShading& s, const ShadingCanvas& canvas) {
        if (!invertMatrix(canvas.ctm(), inverse_)) return false;
        RadialPainter painter(s, canvas, nullptr);
        sMin_ = painter.sMin();
        sMax_ = painter.sMax();
        x0_ = s.x0;
        y0_ = s.y0;
        r0_ = s.r0;
        dx_ = s.x1 - s.x0;
        dy_ = s.y1 - s.y0;
        dr_ = s.r1 - s.r0;
        a_ = dx_ * dx_ + dy_ * dy_ - dr_ * dr_;
        linear_ = std::fabs(a_) <= 1e-9 * (dx_ * dx_ + dy_ * dy_ + dr_ * dr_);
        inverseA_ = linear_ ? 0 : 1 / a_;
        rootSign_ = a_ > 0 ? 1 : -1;
        Color end;
        painter.colorAt(0, end.data());
        below_ = addColor(end);
        painter.colorAt(1, end.data());
        above_ = addColor(end);
        std::vector<RadialBand> bands;
        RadialPainter(s, canvas, nullptr, &bands).paint();
        table_.assign(kSteps, kNothing);
        for (const RadialBand& b : bands) {
            if (b.sb <= 0 || b.sa >= 1) continue;  // the extensions: the end colours
            const int index = addColor(b.color);
            const long from = std::lround(std::fmax(b.sa, 0.0) * kSteps), to = std::lround(std::fmin(b.sb, 1.0) * kSteps);
            for (long k = std::max(from, 0L); k < to && k < kSteps; ++k) table_[static_cast<size_t>(k)] = index;
        }
        return std::isfinite(sMin_ + sMax_ + a_);
    }

    void row(int y, int x0, int x1, int* out) const override {
        const double cy = y + 0.5, cx = x0 + 0.5;
        double px = inverse_[0] * cx + inverse_[2] * cy + inverse_[4] - x0_;
        double py = inverse_[1] * cx + inverse_[3] * cy + inverse_[5] - y0_;
        for (int x = x0; x < x1; ++x, px += inverse_[0], py += inverse_[1]) *out++ = at(px, py);
    }

private:
    int addColor(const Color& c) {
        colors_.push_back(c);
        return static_cast<int>(colors_.size()) - 1;
    }

    bool reaches(double s) const { return s >= sMin_ && s <= sMax_ && r0_ + s * dr_ >= 0; }

    // The colour at (px, py) from the first circle's centre: of the s whose circle passes
    // through it, the largest that is drawn.
    int at(double px, double py) const {
        // |p - s d| = r0 + s dr, squared: a s^2 - 2 b s + c = 0.
        const double b = px * dx_ + py * dy_ + r0_ * dr_, c = px * px + py * py - r0_ * r0_;
        double s;
        if (linear_) {
            if (b == 0) return kNothing;
            s = c / (2 * b);
            if (!reaches(s)) return kNothing;
        } else {
            const double discriminant = b * b - a_ * c;
            if (discriminant < 0) return kNothing;
            // With a > 0 the root taken with +sqrt is the larger, with a < 0 the smaller.
            const double root = std::sqrt(discriminant) * rootSign_;
            const double high = (b + root) * inverseA_, low = (b - root) * inverseA_;
            if (reaches(high))
                s = high;
            else if (reaches(low))
                s = low;
            else
                return kNothing;
        }
        if (s < 0) return below_;
        if (s > 1) return above_;
        return table_[static_cast<size_t>(std::min(static_cast<int>(s * kSteps), kSteps - 1))];
    }

    double inverse_[6] = {};
    double x0_ = 0, y0_ = 0, r0_ = 0, dx_ = 0, dy_ = 0, dr_ = 0, a_ = 0;
    double inverseA_ = 0, rootSign_ = 1;
    double sMin_ = 0, sMax_ = 1;
    bool linear_ = false;
    int below_ = kNothing, above_ = kNothing;
    std::vector<int> table_;  // the colour of each step of s between 0 and 1
};

}  // namespace

bool RadialShading::readRadial(PdfDict* dict) {
    double coords[6];
    if (!readNumberArray(dict->lookup("Coords"), coords, 6) || coords[2] < 0 || coords[5] < 0) {
        reportError(-1, "Missing or invalid Coords in shading dictionary");
        return false;
    }
    x0 = coords[0];
    y0 = coords[1];
    r0 = coords[2];
    x1 = coords[3];
    y1 = coords[4];
    r1 = coords[5];
    double domain[2];
    if (readNumberArray(dict->lookup("Domain"), domain, 2)) {
        t0 = domain[0];
        t1 = domain[1];
    }
    if (!functions.read(dict->lookup("Function"), 1)) return false;
    PdfObject extend = dict->lookup("Extend");
    if (extend.isArray() && extend.arrayLength() == 2) {
        PdfObject e0 = extend.arrayGet(0);
        PdfObject e1 = extend.arrayGet(1);
        if (e0.isBool() && e1.isBool()) {
            extend0 = e0.getBool();
            extend1 = e1.getBool();
        }
    }
    return true;
}

void RadialShading::paint(ShadingCanvas& canvas) const {
    if (!(std::isfinite(x0 + y0 + r0 + x1 + y1 + r1)) || (r0 == 0 && r1 == 0)) return;
    RadialPainter(*this, canvas, &canvas).paint();
}

std::unique_ptr<ShadingField> RadialShading::field(const ShadingCanvas& canvas) const {
    if (!(std::isfinite(x0 + y0 + r0 + x1 + y1 + r1)) || (r0 == 0 && r1 == 0)) return nullptr;
    auto field = std::make_unique<RadialField>();
    if (!field->build(*this, canvas)) return nullptr;
    return field;
}

std::unique_ptr<Shading> parseRadialShading(PdfDict* dict) {
    auto shading = std::make_unique<RadialShading>();
    if (!shading->readCommon(dict) || !shading->readRadial(dict)) return nullptr;
    return shading;
}

}  // namespace qm
