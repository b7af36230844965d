// ICC-based, Indexed, Separation, DeviceN and Pattern spaces: the families built on another
// space.
#include <algorithm>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/color_space.h"
#include "graphics/number_array.h"
#include "streams/stream.h"

namespace qm {

namespace {

// Indexed images have at most 16-bit samples, so no table needs more entries than that.
constexpr int kMaxHival = 65535;

std::unique_ptr<ColorSpace> failWith(const char* message) {
    reportError(-1, "%s", message);
    return nullptr;
}

// Reads exactly `size` bytes of a lookup table stream; false when it ends early.
bool readLookupStream(Stream* stream, std::vector<unsigned char>& table) {
    stream->reset();
    int got = 0;
    int size = static_cast<int>(table.size());
    while (got < size) {
        int n = stream->readBlock(table.data() + got, size - got);
        if (n <= 0) break;
        got += n;
    }
    stream->close();
    return got == size;
}

}  // namespace

// ---- ICCBased

IccBasedColorSpace::IccBasedColorSpace(int n, std::unique_ptr<ColorSpace> alternate, PdfRef ref)
    : n_(n), alt_(std::move(alternate)), ref_(ref) {}

std::unique_ptr<ColorSpace> IccBasedColorSpace::clone() const {
    auto copy = std::make_unique<IccBasedColorSpace>(n_, alt_->clone(), ref_);
    std::copy(rangeMin, rangeMin + 4, copy->rangeMin);
    std::copy(rangeMax, rangeMax + 4, copy->rangeMax);
    return copy;
}

void IccBasedColorSpace::defaultRanges(double* low, double* range, int) const {
    for (int i = 0; i < n_; ++i) {
        low[i] = i < 4 ? rangeMin[i] : 0;
        range[i] = i < 4 ? rangeMax[i] - rangeMin[i] : 1;
    }
}

std::unique_ptr<ColorSpace> parseIccBased(const PdfObject& array, int depth) {
    PdfObject raw = array.arrayGetRaw(1);
    PdfRef ref = raw.isRef() ? raw.getRef() : PdfRef{};
    PdfObject stream = array.arrayGet(1);
    if (!stream.isStream() || !stream.dictOf()) return failWith("Bad ICCBased color space (stream)");
    PdfDict* dict = stream.dictOf();
    PdfObject nObj = dict->lookup("N");
    // Every colour array holds at most maxColorComponents values, whatever the profile says.
    if (!nObj.isInt() || nObj.getInt() < 1 || nObj.getInt() > maxColorComponents)
        return failWith("Bad ICCBased color space (N)");
    int n = nObj.getInt();
    std::unique_ptr<ColorSpace> alt;
    PdfObject altObj = dict->lookup("Alternate");
    if (!altObj.isNull() && !altObj.isNone()) alt = parseColorSpace(altObj, depth + 1);
    if (!alt) {
        if (n == 1)
            alt = std::make_unique<DeviceGrayColorSpace>();
        else if (n == 3)
            alt = std::make_unique<DeviceRgbColorSpace>();
        else if (n == 4)
            alt = std::make_unique<DeviceCmykColorSpace>();
        else
            return failWith("Bad ICCBased color space - invalid N");
    }
    auto cs = std::make_unique<IccBasedColorSpace>(n, std::move(alt), ref);
    double values[2 * maxColorComponents];
    if (readNumberArray(dict->lookup("Range"), values, 2 * n)) {
        for (int i = 0; i < n && i < 4; ++i) {
            cs->rangeMin[i] = values[2 * i];
            cs->rangeMax[i] = values[2 * i + 1];
        }
    }
    return cs;
}

// ---- Indexed

IndexedColorSpace::IndexedColorSpace(std::unique_ptr<ColorSpace> base, int hival, std::vector<unsigned char> lookup)
    : base_(std::move(base)), hival_(hival), lookup_(std::move(lookup)) {}

std::unique_ptr<ColorSpace> IndexedColorSpace::clone() const {
    return std::make_unique<IndexedColorSpace>(base_->clone(), hival_, lookup_);
}

void IndexedColorSpace::lookupColor(const double* color, double* baseColor) const {
    double v = color[0] + 0.5;
    int index = !(v >= 0) ? 0 : v >= hival_ ? hival_ : static_cast<int>(v);
    int n = base_->componentCount();
    const unsigned char* entry = lookup_.data() + static_cast<size_t>(index) * static_cast<size_t>(n);
    for (int j = 0; j < n; ++j) baseColor[j] = entry[j] / 255.0;
}

double IndexedColorSpace::toGray(const double* color) const {
    double baseColor[maxColorComponents] = {};
    lookupColor(color, baseColor);
    return base_->toGray(baseColor);
}

void IndexedColorSpace::toRgb(const double* color, double* rgb) const {
    double baseColor[maxColorComponents] = {};
    lookupColor(color, baseColor);
    base_->toRgb(baseColor, rgb);
}

void IndexedColorSpace::toCmyk(const double* color, double* cmyk) const {
    double baseColor[maxColorComponents] = {};
    lookupColor(color, baseColor);
    base_->toCmyk(baseColor, cmyk);
}

void IndexedColorSpace::defaultRanges(double* low, double* range, int maxPixel) const {
    low[0] = 0;
    range[0] = maxPixel;
}

std::unique_ptr<ColorSpace> parseIndexed(const PdfObject& array, int depth) {
    if (array.arrayLength() != 4) return failWith("Bad Indexed color space");
    auto base = parseColorSpace(array.arrayGet(1), depth + 1);
    if (!base) return failWith("Bad Indexed color space (base color space)");
    PdfObject hival = array.arrayGet(2);
    if (!hival.isInt() || hival.getInt() < 0 || hival.getInt() > kMaxHival)
        return failWith("Bad Indexed color space (hival)");
    size_t size = static_cast<size_t>(hival.getInt() + 1) * static_cast<size_t>(base->componentCount());
    std::vector<unsigned char> table(size);
    PdfObject lookup = array.arrayGet(3);
    if (lookup.isStream()) {
        if (!readLookupStream(lookup.getStream(), table))
            return failWith("Bad Indexed color space (lookup table stream too short)");
    } else if (lookup.isString()) {
        if (static_cast<size_t>(lookup.getString()->length()) < size)
            return failWith("Bad Indexed color space (lookup table string too short)");
        std::copy(lookup.getString()->bytes(), lookup.getString()->bytes() + size, table.begin());
    } else {
        return failWith("Bad Indexed color space (lookup table)");
    }
    return std::make_unique<IndexedColorSpace>(std::move(base), hival.getInt(), std::move(table));
}

// ---- Separation and DeviceN

namespace {
// A Separation for the colorant All marks every colorant of the device alike: on screen, the
// tint is a shade of gray, whatever its tint transform says.
bool marksAll(ColorFamily family, const std::vector<PdfString>& names) {
    return family == ColorFamily::Separation && names.size() == 1 && names[0] == "All";
}
}  // namespace


TintColorSpace::TintColorSpace(ColorFamily family, std::vector<PdfString> names, std::unique_ptr<ColorSpace> alternate,
                               std::unique_ptr<PdfFunction> tint)
    : family_(family), names_(std::move(names)), alt_(std::move(alternate)), tint_(std::move(tint)) {}

std::unique_ptr<ColorSpace> TintColorSpace::clone() const {
    return std::make_unique<TintColorSpace>(family_, names_, alt_->clone(), tint_->clone());
}

void TintColorSpace::tintColor(const double* color, double* out) const {
    std::fill(out, out + maxFunctionOutputs, 0.0);
    tint_->evaluate(color, componentCount(), out);
}

double TintColorSpace::toGray(const double* color) const {
    if (marksAll(family_, names_)) return 1 - clipColor(color[0]);
    double alt[maxFunctionOutputs];
    tintColor(color, alt);
    return alt_->toGray(alt);
}

bool TintColorSpace::marksNothing() const {
    for (const PdfString& n : names_)
        if (!(n == "None")) return false;
    return true;
}

void TintColorSpace::toRgb(const double* color, double* rgb) const {
    if (marksAll(family_, names_)) {
        rgb[0] = rgb[1] = rgb[2] = 1 - clipColor(color[0]);
        return;
    }
    double alt[maxFunctionOutputs];
    tintColor(color, alt);
    alt_->toRgb(alt, rgb);
}

void TintColorSpace::toCmyk(const double* color, double* cmyk) const {
    double alt[maxFunctionOutputs];
    tintColor(color, alt);
    alt_->toCmyk(alt, cmyk);
}

std::unique_ptr<ColorSpace> parseSeparation(const PdfObject& array, int depth) {
    if (array.arrayLength() != 4) return failWith("Bad Separation color space");
    PdfObject name = array.arrayGet(1);
    if (!name.isName()) return failWith("Bad Separation color space (name)");
    auto alt = parseColorSpace(array.arrayGet(2), depth + 1);
    if (!alt) return failWith("Bad Separation color space (alternate color space)");
    auto tint = parseFunction(array.arrayGet(3));
    if (!tint) return nullptr;
    std::vector<PdfString> names{PdfString(name.getName())};
    return std::make_unique<TintColorSpace>(ColorFamily::Separation, std::move(names), std::move(alt),
                                            std::move(tint));
}

std::unique_ptr<ColorSpace> parseDeviceN(const PdfObject& array, int depth) {
    if (array.arrayLength() != 4 && array.arrayLength() != 5) return failWith("Bad DeviceN color space");
    PdfObject list = array.arrayGet(1);
    if (!list.isArray() || list.arrayLength() == 0) return failWith("Bad DeviceN color space (names)");
    if (list.arrayLength() > maxColorComponents) return failWith("Bad DeviceN color space (more than 8 names)");
    std::vector<PdfString> names;
    for (int i = 0; i < list.arrayLength(); ++i) {
        PdfObject name = list.arrayGet(i);
        if (!name.isName()) return failWith("Bad DeviceN color space (names)");
        names.emplace_back(name.getName());
    }
    auto alt = parseColorSpace(array.arrayGet(2), depth + 1);
    if (!alt) return failWith("Bad DeviceN color space (alternate color space)");
    auto tint = parseFunction(array.arrayGet(3));
    if (!tint) return nullptr;
    return std::make_unique<TintColorSpace>(ColorFamily::DeviceN, std::move(names), std::move(alt), std::move(tint));
}

// ---- Pattern

std::unique_ptr<ColorSpace> PatternColorSpace::clone() const {
    return std::make_unique<PatternColorSpace>(under_ ? under_->clone() : nullptr);
}

void PatternColorSpace::toCmyk(const double*, double* cmyk) const {
    cmyk[0] = cmyk[1] = cmyk[2] = 0;
    cmyk[3] = 1;
}

std::unique_ptr<ColorSpace> parsePatternSpace(const PdfObject& array, int depth) {
    int length = array.arrayLength();
    if (length != 1 && length != 2) return failWith("Bad Pattern color space");
    std::unique_ptr<ColorSpace> under;
    if (length == 2) {
        under = parseColorSpace(array.arrayGet(1), depth + 1);
        if (!under) return failWith("Bad Pattern color space (underlying color space)");
    }
    return std::make_unique<PatternColorSpace>(std::move(under));
}

}  // namespace qm
