#pragma once
// Finds where an image XObject's pixels take their opacity from: its /SMask stream, its /Mask
// stream or the alpha channel of its JPEG 2000 data. A mask that cannot be used is reported
// and left out, so the image itself still shows.
#include <cstdint>
#include <vector>

#include "core/pdf_object.h"
#include "render/image_alpha.h"

namespace qm {

class ColorSpace;
class JpxDecoder;
class PdfDict;

// The mask found for one image; holds the mask's stream (or samples) while the image is drawn.
struct ImageAlphaSource {
    ImageAlpha alpha;
    PdfObject maskObject;
    std::vector<uint8_t> plane;
};

// True when the image's dictionary names a usable mask, then described in `out`. `space` is
// the image's colour space (for /Matte); `jpx` the image's decoder, already decoded, when the
// image is JPEG 2000. `position` places the messages.
bool findImageAlpha(PdfDict* image, const ColorSpace& space, JpxDecoder* jpx, long position, ImageAlphaSource& out);

}  // namespace qm
