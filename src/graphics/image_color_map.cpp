#include "graphics/image_color_map.h"

#include <cmath>

namespace qm {

ImageColorMap::ImageColorMap(int bits, const PdfObject& decode, std::unique_ptr<ColorSpace> space)
    : bits_(bits), space_(std::move(space)) {
    if (!space_ || !(bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16)) return;
    components_ = space_->componentCount();
    if (components_ < 1 || components_ > maxColorComponents) return;
    // Sixteen-bit samples arrive as their high byte.
    const int sampleBits = bits > 8 ? 8 : bits;
    const int maxPixel = (1 << sampleBits) - 1;
    const int fullMax = bits > 8 ? 65535 : maxPixel;

    double low[maxColorComponents], range[maxColorComponents];
    if (decode.isNull() || decode.isNone()) {
        space_->defaultRanges(low, range, fullMax);
    } else if (decode.isArray() && decode.arrayLength() == 2 * components_) {
        for (int i = 0; i < components_; ++i) {
            PdfObject a = decode.arrayGet(2 * i), b = decode.arrayGet(2 * i + 1);
            if (!a.isNum() || !b.isNum()) return;
            low[i] = a.getNum();
            range[i] = b.getNum() - low[i];
        }
    } else {
        return;
    }
    values_.assign(static_cast<size_t>(components_) * 256, 0.0);
    for (int c = 0; c < components_; ++c)
        for (int v = 0; v <= maxPixel; ++v)
            values_[static_cast<size_t>(c * 256 + v)] = low[c] + v * range[c] / maxPixel;

    if (components_ == 1) {
        rgbCache_.resize(3 * 256);
        for (int v = 0; v <= maxPixel; ++v) {
            double color[maxColorComponents] = {values_[static_cast<size_t>(v)]};
            double rgb[3];
            space_->toRgb(color, rgb);
            for (int k = 0; k < 3; ++k)
                rgbCache_[static_cast<size_t>(v * 3 + k)] =
                    static_cast<unsigned char>(std::lround(clipColor(rgb[k]) * 255.0));
        }
    }
    ok_ = true;
}

void ImageColorMap::getColor(const unsigned char* samples, double* color) const {
    for (int c = 0; c < components_; ++c) color[c] = values_[static_cast<size_t>(c * 256 + samples[c])];
}

void ImageColorMap::getRgb(const unsigned char* samples, double* rgb) const {
    double color[maxColorComponents] = {};
    getColor(samples, color);
    space_->toRgb(color, rgb);
}

double ImageColorMap::getGray(const unsigned char* samples) const {
    double color[maxColorComponents] = {};
    getColor(samples, color);
    return space_->toGray(color);
}

void ImageColorMap::getRgbBytes(const unsigned char* samples, unsigned char* rgb) const {
    if (!rgbCache_.empty()) {
        const unsigned char* p = &rgbCache_[static_cast<size_t>(samples[0]) * 3];
        rgb[0] = p[0];
        rgb[1] = p[1];
        rgb[2] = p[2];
        return;
    }
    double v[3];
    getRgb(samples, v);
    for (int k = 0; k < 3; ++k) rgb[k] = static_cast<unsigned char>(std::lround(clipColor(v[k]) * 255.0));
}

}  // namespace qm
