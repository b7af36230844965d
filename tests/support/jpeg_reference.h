#pragma once
// The reference JPEG codec (libjpeg) for tests and benchmarks only: encodes synthetic
// images with chosen layouts and decodes JPEG data the way the engine's decoder is compared
// against (accurate integer transform, samples replicated rather than interpolated).
#include <string>
#include <vector>

namespace qm::test {

enum class JpegSpace { Gray, YCbCr, Rgb, Cmyk, Ycck };

struct JpegOptions {
    int width = 64;
    int height = 48;
    // Colour space of the stored data; the input is gray, RGB or CMYK to match.
    JpegSpace space = JpegSpace::YCbCr;
    // Horizontal and vertical sampling factors per component (unused entries ignored).
    int h[4] = {2, 1, 1, 1};
    int v[4] = {2, 1, 1, 1};
    int quality = 85;
    int restartInterval = 0;  // in MCUs
    bool adobeMarker = false;
    bool jfifMarker = true;
    bool progressive = false;
};

// A photo-like test picture: smooth gradients, edges and a little deterministic noise;
// `components` samples per pixel, interleaved.
std::vector<unsigned char> testPicture(int width, int height, int components);

// Encodes `pixels` (width x height x components of `o.space`'s input form).
std::string encodeJpeg(const std::vector<unsigned char>& pixels, const JpegOptions& o);
std::string encodeJpeg(const JpegOptions& o);

struct JpegImage {
    bool ok = false;
    int width = 0, height = 0, components = 0;
    std::vector<unsigned char> samples;
};

// Decodes to gray, RGB (from YCbCr or RGB) or CMYK (from CMYK or YCCK), or with `convert`
// false to the stored components as they are; chroma is replicated and missing progressive
// coefficients are left out when `replicate` is set (libjpeg's smoothing otherwise).
JpegImage decodeJpeg(const std::string& data, bool replicate = true, bool convert = true);
// The same into `image`, reusing its sample buffer (for benchmarks); false on failure.
bool decodeJpegInto(const std::string& data, JpegImage& image, bool replicate = true, bool convert = true);

}  // namespace qm::test
