#pragma once
// Colour spaces and their conversions to gray, RGB and CMYK. No colour management: the
// calibrated and ICC-based spaces convert with the fixed formulas of the device spaces.
// A colour is an array of componentCount() doubles (callers keep maxColorComponents room).
#include <memory>
#include <vector>

#include "core/pdf_object.h"
#include "core/pdf_string.h"
#include "graphics/function.h"

namespace qm {

constexpr int maxColorComponents = 8;
// Spaces nest through Indexed bases, alternates and Pattern underlying spaces; references
// can make that a cycle.
constexpr int maxColorSpaceDepth = 8;

enum class ColorFamily : int {
    DeviceGray = 0,
    CalGray = 1,
    DeviceRGB = 2,
    CalRGB = 3,
    DeviceCMYK = 4,
    Lab = 5,
    ICCBased = 6,
    Indexed = 7,
    Separation = 8,
    DeviceN = 9,
    Pattern = 10,
};

// x clipped to [0, 1]; not-a-number gives 0.
inline double clipColor(double x) { return clipTo(x, 0, 1); }

class ColorSpace {
public:
    virtual ~ColorSpace() = default;
    virtual std::unique_ptr<ColorSpace> clone() const = 0;
    virtual ColorFamily family() const = 0;
    virtual double toGray(const double* color) const = 0;
    virtual void toRgb(const double* color, double* rgb) const = 0;
    virtual void toCmyk(const double* color, double* cmyk) const = 0;
    virtual int componentCount() const = 0;
    // True for a space whose colours never mark the page (the colorant None).
    virtual bool marksNothing() const { return false; }
    // Component i of an image sample v means low[i] + v * range[i] / maxPixel.
    virtual void defaultRanges(double* low, double* range, int maxPixel) const;
};

// A name or an array (resource names already resolved by the caller); null, reported, when
// it is not a usable colour space.
std::unique_ptr<ColorSpace> parseColorSpace(const PdfObject& obj, int depth = 0);

class DeviceGrayColorSpace : public ColorSpace {
public:
    std::unique_ptr<ColorSpace> clone() const override;
    ColorFamily family() const override { return ColorFamily::DeviceGray; }
    double toGray(const double* color) const override;
    void toRgb(const double* color, double* rgb) const override;
    void toCmyk(const double* color, double* cmyk) const override;
    int componentCount() const override { return 1; }
};

class CalGrayColorSpace : public DeviceGrayColorSpace {
public:
    std::unique_ptr<ColorSpace> clone() const override;
    ColorFamily family() const override { return ColorFamily::CalGray; }
    double whitePoint[3] = {1, 1, 1};
    double blackPoint[3] = {0, 0, 0};
    double gamma = 1;
};

class DeviceRgbColorSpace : public ColorSpace {
public:
    std::unique_ptr<ColorSpace> clone() const override;
    ColorFamily family() const override { return ColorFamily::DeviceRGB; }
    double toGray(const double* color) const override;
    void toRgb(const double* color, double* rgb) const override;
    void toCmyk(const double* color, double* cmyk) const override;
    int componentCount() const override { return 3; }
};

class CalRgbColorSpace : public DeviceRgbColorSpace {
public:
    std::unique_ptr<ColorSpace> clone() const override;
    ColorFamily family() const override { return ColorFamily::CalRGB; }
    double whitePoint[3] = {1, 1, 1};
    double blackPoint[3] = {0, 0, 0};
    double gamma[3] = {1, 1, 1};
    double matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};

class DeviceCmykColorSpace : public ColorSpace {
public:
    std::unique_ptr<ColorSpace> clone() const override;
    ColorFamily family() const override { return ColorFamily::DeviceCMYK; }
    double toGray(const double* color) const override;
    void toRgb(const double* color, double* rgb) const override;
    void toCmyk(const double* color, double* cmyk) const override;
    int componentCount() const override { return 4; }
};

class LabColorSpace : public ColorSpace {
public:
    std::unique_ptr<ColorSpace> clone() const override;
    ColorFamily family() const override { return ColorFamily::Lab; }
    double toGray(const double* color) const override;
    void toRgb(const double* color, double* rgb) const override;
    void toCmyk(const double* color, double* cmyk) const override;
    int componentCount() const override { return 3; }
    void defaultRanges(double* low, double* range, int maxPixel) const override;
    // Derives kr, kg, kb from the white point.
    void computeScales();

    double whitePoint[3] = {1, 1, 1};
    double blackPoint[3] = {0, 0, 0};
    double aMin = -100, aMax = 100, bMin = -100, bMax = 100;
    double kr = 1, kg = 1, kb = 1;
};

class IccBasedColorSpace : public ColorSpace {
public:
    IccBasedColorSpace(int n, std::unique_ptr<ColorSpace> alternate, PdfRef ref);
    std::unique_ptr<ColorSpace> clone() const override;
    ColorFamily family() const override { return ColorFamily::ICCBased; }
    double toGray(const double* color) const override { return alt_->toGray(color); }
    void toRgb(const double* color, double* rgb) const override { alt_->toRgb(color, rgb); }
    void toCmyk(const double* color, double* cmyk) const override { alt_->toCmyk(color, cmyk); }
    int componentCount() const override { return n_; }
    void defaultRanges(double* low, double* range, int maxPixel) const override;
    const ColorSpace& alternate() const { return *alt_; }
    PdfRef profileRef() const { return ref_; }

    double rangeMin[4] = {0, 0, 0, 0};
    double rangeMax[4] = {1, 1, 1, 1};

private:
    int n_;
    std::unique_ptr<ColorSpace> alt_;
    PdfRef ref_;
};

class IndexedColorSpace : public ColorSpace {
public:
    // `lookup` holds (hival + 1) x base components bytes.
    IndexedColorSpace(std::unique_ptr<ColorSpace> base, int hival, std::vector<unsigned char> lookup);
    std::unique_ptr<ColorSpace> clone() const override;
    ColorFamily family() const override { return ColorFamily::Indexed; }
    double toGray(const double* color) const override;
    void toRgb(const double* color, double* rgb) const override;
    void toCmyk(const double* color, double* cmyk) const override;
    int componentCount() const override { return 1; }
    void defaultRanges(double* low, double* range, int maxPixel) const override;
    // The base colour of entry color[0] (rounded and clamped to 0..hival).
    void lookupColor(const double* color, double* baseColor) const;
    const ColorSpace& base() const { return *base_; }
    int hival() const { return hival_; }
    const std::vector<unsigned char>& lookupTable() const { return lookup_; }

private:
    std::unique_ptr<ColorSpace> base_;
    int hival_;
    std::vector<unsigned char> lookup_;
};

// Separation (one component) and DeviceN (up to 8): the tint transform maps the components
// into the alternate space.
class TintColorSpace : public ColorSpace {
public:
    TintColorSpace(ColorFamily family, std::vector<PdfString> names, std::unique_ptr<ColorSpace> alternate,
                   std::unique_ptr<PdfFunction> tint);
    std::unique_ptr<ColorSpace> clone() const override;
    ColorFamily family() const override { return family_; }
    double toGray(const double* color) const override;
    void toRgb(const double* color, double* rgb) const override;
    void toCmyk(const double* color, double* cmyk) const override;
    int componentCount() const override { return static_cast<int>(names_.size()); }
    const PdfString& name(int i) const { return names_[static_cast<size_t>(i)]; }
    const ColorSpace& alternate() const { return *alt_; }
    const PdfFunction& tintTransform() const { return *tint_; }
    // Every colorant named None.
    bool marksNothing() const override;

private:
    // The colour in the alternate space; `out` has maxFunctionOutputs room.
    void tintColor(const double* color, double* out) const;

    ColorFamily family_;
    std::vector<PdfString> names_;
    std::unique_ptr<ColorSpace> alt_;
    std::unique_ptr<PdfFunction> tint_;
};

class PatternColorSpace : public ColorSpace {
public:
    explicit PatternColorSpace(std::unique_ptr<ColorSpace> under) : under_(std::move(under)) {}
    std::unique_ptr<ColorSpace> clone() const override;
    ColorFamily family() const override { return ColorFamily::Pattern; }
    double toGray(const double*) const override { return 0; }
    void toRgb(const double*, double* rgb) const override { rgb[0] = rgb[1] = rgb[2] = 0; }
    void toCmyk(const double*, double* cmyk) const override;
    int componentCount() const override { return 0; }
    // The space of uncoloured patterns' colour, or null.
    const ColorSpace* under() const { return under_.get(); }

private:
    std::unique_ptr<ColorSpace> under_;
};

// Family parsers behind parseColorSpace; `array` is the whole colour-space array.
std::unique_ptr<ColorSpace> parseIccBased(const PdfObject& array, int depth);
std::unique_ptr<ColorSpace> parseIndexed(const PdfObject& array, int depth);
std::unique_ptr<ColorSpace> parseSeparation(const PdfObject& array, int depth);
std::unique_ptr<ColorSpace> parseDeviceN(const PdfObject& array, int depth);
std::unique_ptr<ColorSpace> parsePatternSpace(const PdfObject& array, int depth);

}  // namespace qm
