#pragma once
// Maps image samples (one byte per component, as the sample reader delivers them) to colours
// of the image's colour space through its Decode array, with a table per component so that
// decoding a pixel costs no arithmetic beyond a lookup.
#include <memory>
#include <vector>

#include "core/pdf_object.h"
#include "graphics/color_space.h"

namespace qm {

class ImageColorMap {
public:
    // `decode` is an array of 2 x components numbers or null; anything else is rejected.
    ImageColorMap(int bits, const PdfObject& decode, std::unique_ptr<ColorSpace> space);

    bool isOk() const { return ok_; }
    int bits() const { return bits_; }
    int componentCount() const { return components_; }
    const ColorSpace* colorSpace() const { return space_.get(); }

    // Colour components of one pixel's samples.
    void getColor(const unsigned char* samples, double* color) const;
    void getRgb(const unsigned char* samples, double* rgb) const;
    double getGray(const unsigned char* samples) const;
    // 0..255 per channel, for renderers filling pixel rows.
    void getRgbBytes(const unsigned char* samples, unsigned char* rgb) const;

private:
    bool ok_ = false;
    int bits_;
    int components_ = 0;
    std::unique_ptr<ColorSpace> space_;
    // values_[c * 256 + v]: component c of sample value v.
    std::vector<double> values_;
    // For single-component spaces (Indexed, Separation, gray): the RGB bytes of each value.
    std::vector<unsigned char> rgbCache_;
};

}  // namespace qm
