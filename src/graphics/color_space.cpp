#include "graphics/color_space.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/number_array.h"

namespace qm {

namespace {

double rgbToGray(double r, double g, double b) { return clipColor(0.299 * r + 0.587 * g + 0.114 * b); }

void rgbToCmyk(const double* rgb, double* cmyk) {
    double c = clipColor(1 - rgb[0]);
    double m = clipColor(1 - rgb[1]);
    double y = clipColor(1 - rgb[2]);
    double k = std::min({c, m, y});
    cmyk[0] = c - k;
    cmyk[1] = m - k;
    cmyk[2] = y - k;
    cmyk[3] = k;
}

// XYZ to linear RGB, rows r, g, b.
constexpr double kXyzToRgb[3][3] = {
    {3.240449, -1.537136, -0.498531},
    {-0.969265, 1.876011, 0.041556},
    {0.055643, -0.204026, 1.057229},
};

double labCurve(double s) { return s >= 6.0 / 29.0 ? s * s * s : (108.0 / 841.0) * (s - 4.0 / 29.0); }

// Element 1 of a CIE-based space array as a dictionary, or null (reported).
PdfDict* cieDictionary(const PdfObject& array, PdfObject& holder, const char* message) {
    holder = array.arrayGet(1);
    if (!holder.isDict()) {
        reportError(-1, "%s", message);
        return nullptr;
    }
    return holder.getDict();
}

std::unique_ptr<ColorSpace> deviceSpace(const char* name) {
    if (!std::strcmp(name, "DeviceGray") || !std::strcmp(name, "G")) return std::make_unique<DeviceGrayColorSpace>();
    if (!std::strcmp(name, "DeviceRGB") || !std::strcmp(name, "RGB")) return std::make_unique<DeviceRgbColorSpace>();
    if (!std::strcmp(name, "DeviceCMYK") || !std::strcmp(name, "CMYK"))
        return std::make_unique<DeviceCmykColorSpace>();
    return nullptr;
}

std::unique_ptr<ColorSpace> parseCalGray(const PdfObject& array) {
    PdfObject holder;
    PdfDict* dict = cieDictionary(array, holder, "Bad CalGray color space");
    if (!dict) return nullptr;
    auto cs = std::make_unique<CalGrayColorSpace>();
    readNumberArray(dict->lookup("WhitePoint"), cs->whitePoint, 3);
    readNumberArray(dict->lookup("BlackPoint"), cs->blackPoint, 3);
    PdfObject gamma = dict->lookup("Gamma");
    if (gamma.isNum()) cs->gamma = gamma.getNum();
    return cs;
}

std::unique_ptr<ColorSpace> parseCalRgb(const PdfObject& array) {
    PdfObject holder;
    PdfDict* dict = cieDictionary(array, holder, "Bad CalRGB color space");
    if (!dict) return nullptr;
    auto cs = std::make_unique<CalRgbColorSpace>();
    readNumberArray(dict->lookup("WhitePoint"), cs->whitePoint, 3);
    readNumberArray(dict->lookup("BlackPoint"), cs->blackPoint, 3);
    readNumberArray(dict->lookup("Gamma"), cs->gamma, 3);
    readNumberArray(dict->lookup("Matrix"), cs->matrix, 9);
    return cs;
}

std::unique_ptr<ColorSpace> parseLab(const PdfObject& array) {
    PdfObject holder;
    PdfDict* dict = cieDictionary(array, holder, "Bad Lab color space");
    if (!dict) return nullptr;
    auto cs = std::make_unique<LabColorSpace>();
    readNumberArray(dict->lookup("WhitePoint"), cs->whitePoint, 3);
    readNumberArray(dict->lookup("BlackPoint"), cs->blackPoint, 3);
    double range[4] = {cs->aMin, cs->aMax, cs->bMin, cs->bMax};
    readNumberArray(dict->lookup("Range"), range, 4);
    cs->aMin = range[0];
    cs->aMax = range[1];
    cs->bMin = range[2];
    cs->bMax = range[3];
    cs->computeScales();
    return cs;
}

std::unique_ptr<ColorSpace> parseArraySpace(const PdfObject& array, int depth) {
    PdfObject first = array.arrayGet(0);
    if (!first.isName()) {
        reportError(-1, "Bad color space '%s'", first.kindName());
        return nullptr;
    }
    const char* name = first.getName();
    if (auto device = deviceSpace(name)) return device;
    if (!std::strcmp(name, "CalGray")) return parseCalGray(array);
    if (!std::strcmp(name, "CalRGB")) return parseCalRgb(array);
    if (!std::strcmp(name, "Lab")) return parseLab(array);
    if (!std::strcmp(name, "ICCBased")) return parseIccBased(array, depth);
    if (!std::strcmp(name, "Indexed") || !std::strcmp(name, "I")) return parseIndexed(array, depth);
    if (!std::strcmp(name, "Separation")) return parseSeparation(array, depth);
    if (!std::strcmp(name, "DeviceN")) return parseDeviceN(array, depth);
    if (!std::strcmp(name, "Pattern")) return parsePatternSpace(array, depth);
    reportError(-1, "Bad color space '%s'", name);
    return nullptr;
}

}  // namespace

std::unique_ptr<ColorSpace> parseColorSpace(const PdfObject& obj, int depth) {
    if (depth > maxColorSpaceDepth) {
        reportError(-1, "Color spaces nested more than %d deep are unsupported", maxColorSpaceDepth);
        return nullptr;
    }
    if (obj.isName()) {
        if (auto device = deviceSpace(obj.getName())) return device;
        if (obj.isName("Pattern")) return std::make_unique<PatternColorSpace>(nullptr);
        reportError(-1, "Bad color space '%s'", obj.getName());
        return nullptr;
    }
    if (obj.isArray()) return parseArraySpace(obj, depth);
    reportError(-1, "Bad color space - expected name or array");
    return nullptr;
}

void ColorSpace::defaultRanges(double* low, double* range, int) const {
    for (int i = 0; i < componentCount(); ++i) {
        low[i] = 0;
        range[i] = 1;
    }
}

// ---- Gray

std::unique_ptr<ColorSpace> DeviceGrayColorSpace::clone() const { return std::make_unique<DeviceGrayColorSpace>(); }
std::unique_ptr<ColorSpace> CalGrayColorSpace::clone() const { return std::make_unique<CalGrayColorSpace>(*this); }

double DeviceGrayColorSpace::toGray(const double* color) const { return clipColor(color[0]); }

void DeviceGrayColorSpace::toRgb(const double* color, double* rgb) const {
    rgb[0] = rgb[1] = rgb[2] = clipColor(color[0]);
}

void DeviceGrayColorSpace::toCmyk(const double* color, double* cmyk) const {
    cmyk[0] = cmyk[1] = cmyk[2] = 0;
    cmyk[3] = clipColor(1 - color[0]);
}

// ---- RGB

std::unique_ptr<ColorSpace> DeviceRgbColorSpace::clone() const { return std::make_unique<DeviceRgbColorSpace>(); }
std::unique_ptr<ColorSpace> CalRgbColorSpace::clone() const { return std::make_unique<CalRgbColorSpace>(*this); }

double DeviceRgbColorSpace::toGray(const double* color) const { return rgbToGray(color[0], color[1], color[2]); }

void DeviceRgbColorSpace::toRgb(const double* color, double* rgb) const {
    for (int i = 0; i < 3; ++i) rgb[i] = clipColor(color[i]);
}

void DeviceRgbColorSpace::toCmyk(const double* color, double* cmyk) const { rgbToCmyk(color, cmyk); }

// ---- CMYK

std::unique_ptr<ColorSpace> DeviceCmykColorSpace::clone() const { return std::make_unique<DeviceCmykColorSpace>(); }

double DeviceCmykColorSpace::toGray(const double* color) const {
    return clipColor(1 - color[3] - 0.299 * color[0] - 0.587 * color[1] - 0.114 * color[2]);
}

void DeviceCmykColorSpace::toRgb(const double* color, double* rgb) const {
    for (int i = 0; i < 3; ++i) rgb[i] = clipColor(1 - (color[i] + color[3]));
}

void DeviceCmykColorSpace::toCmyk(const double* color, double* cmyk) const {
    for (int i = 0; i < 4; ++i) cmyk[i] = clipColor(color[i]);
}

// ---- Lab

std::unique_ptr<ColorSpace> LabColorSpace::clone() const { return std::make_unique<LabColorSpace>(*this); }

void LabColorSpace::computeScales() {
    double* k[3] = {&kr, &kg, &kb};
    for (int i = 0; i < 3; ++i)
        *k[i] = 1 / (kXyzToRgb[i][0] * whitePoint[0] + kXyzToRgb[i][1] * whitePoint[1] +
                     kXyzToRgb[i][2] * whitePoint[2]);
}

void LabColorSpace::toRgb(const double* color, double* rgb) const {
    double t = (color[0] + 16) / 116;
    double xyz[3] = {whitePoint[0] * labCurve(t + color[1] / 500), whitePoint[1] * labCurve(t),
                     whitePoint[2] * labCurve(t - color[2] / 200)};
    const double k[3] = {kr, kg, kb};
    for (int i = 0; i < 3; ++i) {
        double linear = kXyzToRgb[i][0] * xyz[0] + kXyzToRgb[i][1] * xyz[1] + kXyzToRgb[i][2] * xyz[2];
        rgb[i] = std::sqrt(clipColor(k[i] * linear));
    }
}

double LabColorSpace::toGray(const double* color) const {
    double rgb[3];
    toRgb(color, rgb);
    return rgbToGray(rgb[0], rgb[1], rgb[2]);
}

void LabColorSpace::toCmyk(const double* color, double* cmyk) const {
    double rgb[3];
    toRgb(color, rgb);
    rgbToCmyk(rgb, cmyk);
}

void LabColorSpace::defaultRanges(double* low, double* range, int) const {
    low[0] = 0;
    range[0] = 100;
    low[1] = aMin;
    range[1] = aMax - aMin;
    low[2] = bMin;
    range[2] = bMax - bMin;
}

}  // namespace qm
