#pragma once
// Where the opacity of an image's pixels comes from: a soft mask (gray samples), an explicit
// stencil mask (1-bit samples, 1 masking out unless turned round) or the alpha samples of a
// JPEG 2000 image. The mask has a grid of its own, laid over the whole image whatever its size.
#include <cstdint>
#include <vector>

namespace qm {

class Stream;

struct ImageAlpha {
    // The mask's samples, one component: read from `stream` when it is set, else from `plane`
    // (width x height 8-bit values, top row first).
    Stream* stream = nullptr;
    const std::vector<uint8_t>* plane = nullptr;
    int width = 0, height = 0;
    int bits = 8;  // of the stream's samples: 1, 2, 4, 8 or 16
    // Opacity 0..255 of each sample value as the sample reader delivers it (16-bit samples
    // arrive as their high byte).
    uint8_t opacity[256] = {};
    // The colour, as 0..255 RGB, that the image's colours were blended with in proportion to
    // the mask: drawing takes it back out.
    bool hasMatte = false;
    uint8_t matte[3] = {};

    // A gray soft mask of `bits` bits whose samples map linearly from `low` (0) to `high`
    // (largest value).
    void setGrayDecode(int sampleBits, double low, double high) {
        const int shown = sampleBits > 8 ? 8 : sampleBits;
        const int top = (1 << shown) - 1;
        for (int v = 0; v < 256; ++v) {
            double a = low + (high - low) * (v > top ? top : v) / top;
            a = a >= 0 ? (a <= 1 ? a : 1) : 0;  // NaN gives 0
            opacity[v] = static_cast<uint8_t>(a * 255 + 0.5);
        }
    }
    // A 1-bit stencil: sample 1 masks the pixel out, sample 0 when `invert`.
    void setStencil(bool invert) {
        for (int v = 0; v < 256; ++v) opacity[v] = 0;
        opacity[0] = invert ? 0 : 255;
        opacity[1] = invert ? 255 : 0;
    }
};

}  // namespace qm
