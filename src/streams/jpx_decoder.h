#pragma once
// JPEG 2000 images (JPXDecode) through OpenJPEG: the image is decoded whole, then served as
// interleaved 8-bit colour samples. An alpha channel is kept apart as a plane of its own; the
// colour space comes from the codestream for images whose dictionary names none.
#include <cstdint>
#include <vector>

#include "streams/whole_image_decoder.h"

namespace qm {

class JpxDecoder : public WholeImageDecoder {
public:
    explicit JpxDecoder(Stream* below);

    StreamKind kind() const override { return StreamKind::Jpx; }
    void reset() override;
    void close() override;

    // Decodes the image unless that was done since the last close; the facts below are then
    // valid. False when the data holds no usable image.
    bool decodeImage();
    int width() const { return width_; }
    int height() const { return height_; }
    // Colour samples served per pixel: 1, 3 or 4.
    int components() const { return components_; }
    // The device colour space of those samples: "DeviceGray", "DeviceRGB" or "DeviceCMYK".
    const char* colorSpaceName() const;
    // Whether the image had an alpha channel (not served).
    bool hasAlpha() const { return alpha_; }
    // That channel as width x height 8-bit opacities, top row first; empty without one.
    const std::vector<uint8_t>& alphaPlane() const { return alphaPlane_; }

    // Called by the library for its messages.
    void libraryMessage(const char* text, bool error);

private:
    enum class State { NotTried, Decoded, Failed };
    bool decodeWhole();

    State state_ = State::NotTried;
    int width_ = 0, height_ = 0, components_ = 0;
    bool alpha_ = false;
    std::vector<uint8_t> alphaPlane_;
    int messages_ = 0;
};

Stream* makeJpxDecoder(Stream* below, const PdfDict* params);

}  // namespace qm
