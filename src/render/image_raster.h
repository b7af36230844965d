#pragma once
// Images and image masks turned into bitmaps ready for the page: already in the page's
// orientation (mirrored or turned as the transform asks) and no larger than their place
// on the page, so big scans cost no more than the pixels they cover. White is what the page
// blit leaves transparent: pixels of the image that are white themselves are stored as
// (255, 255, 250) so they still cover the page.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/canvas/color_ref.h"
#include "platform/canvas/dib.h"

namespace qm {

class ImageColorMap;
class Stream;
struct ImageAlpha;

struct RasterImage {
    BitmapInfoHeader header;       // 32 bits (blue, green, red, 0) or 1 bit (table below)
    uint32_t palette[2] = {0, 0};  // 1-bit images: entry 0 white, entry 1 the mask colour
    std::vector<uint8_t> bits;     // rows bottom-up, padded to 4 bytes
    int x = 0, y = 0, width = 0, height = 0;  // destination on the page
    // Images drawn through a mask: the opacity of each DIB pixel, top row first; else empty.
    std::vector<uint8_t> alpha;
};

// Values on a grid, top row first. Decoded image samples also say what they were read from:
// the source's size and, since a grid coarser than its source holds only some of its lines,
// whether those were picked from the far side (as for a mirrored draw).
template <typename T>
struct SampleGrid {
    int width = 0, height = 0;
    std::vector<T> values;
    int sourceWidth = 0, sourceHeight = 0;
    bool flipColumns = false, flipRows = false;
};

// An image's samples, upright and no finer than its place on the page needed when it was
// decoded (a large image about as fine as the page can show it): colour words 0x00RRGGBB for
// images (colour-keyed pixels 0xFFFFFF), 0 or 1 for image masks. Drawing the image again from
// them reads no data.
using ImageSamples = SampleGrid<uint32_t>;
using SharedSamples = std::shared_ptr<const ImageSamples>;

// The image transform (the state's transform of the unit square) and where it may land.
struct ImagePlacement {
    double m[6];
    int pageWidth, pageHeight;
    bool readAll;  // inline images: every row is read so the content after the data follows
};

// Reads the image's samples from `stream` (reset and closed here). False when the transform
// is singular, the destination is empty or the image is too large to hold; the stream is
// still read to its end for inline images. `maskColors` (2 per component, or null) are the
// colour-key ranges: pixels inside every range are left out. With `alpha` the mask is read
// onto the same grid into `out.alpha` (colour-keyed pixels get opacity 0); a mask that cannot
// be read is reported and leaves `out.alpha` empty.
// With `cache`, samples it holds are used instead of the stream when they are fine enough for
// this draw; otherwise the stream is read and `*cache` replaced by the samples decoded, so a
// caller sees that the data was read when the pointer changes.
bool rasterizeImage(const ImagePlacement& placement, Stream* stream, int width, int height,
                    const ImageColorMap& colorMap, const int* maskColors, RasterImage& out,
                    const ImageAlpha* alpha = nullptr, SharedSamples* cache = nullptr);
// The same for an image mask: painted samples (0, or 1 when inverted) take `color`, which is
// applied after the samples, so one cache serves every colour.
bool rasterizeImageMask(const ImagePlacement& placement, Stream* stream, int width, int height, bool invert,
                        ColorRef color, RasterImage& out, SharedSamples* cache = nullptr);

// Lays the whole image over the page at `opacity` (0..255) on top of any opacity of its own:
// `alpha` is scaled, or made where there was none, pure white pixels (those the transparent
// blit leaves out) getting 0. 255 changes nothing.
void fadeRasterImage(RasterImage& image, uint8_t opacity);
// The image's opacity as it is recorded with the image: one byte per pixel in the bitmap's own
// row order (bottom-up), rows padded to 4 bytes; empty when the image has no opacity of its
// own. Pixels that are fully transparent are made pure white in `image.bits`, so a reader
// that ignores the opacity still leaves the page there.
std::vector<uint8_t> recordedAlphaPlane(RasterImage& image);

// |a d - b c| of the transform is below this: the image has no area.
inline constexpr double kSingularImage = 1e-6;

}  // namespace qm
