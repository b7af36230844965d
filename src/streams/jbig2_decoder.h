#pragma once
// JBIG2 images (JBIG2Decode) through jbig2dec: the whole embedded page is decoded when the
// stream is reset, with the symbol dictionaries of the JBIG2Globals stream when there is one,
// and served as 1-bit rows, 0 for black.
#include <cstdint>
#include <vector>

#include "core/pdf_object.h"
#include "streams/whole_image_decoder.h"

namespace qm {

class Jbig2Decoder : public WholeImageDecoder {
public:
    // `globals` is the JBIG2Globals stream object, or anything else for none.
    Jbig2Decoder(Stream* below, PdfObject globals);

    StreamKind kind() const override { return StreamKind::Jbig2; }
    void reset() override;
    void close() override;

    // The decoded page's size, valid after a reset that found a page.
    int width() const { return width_; }
    int height() const { return height_; }

    // Called by the library for its messages.
    void libraryMessage(const char* text, bool fatal);

private:
    bool decode();
    bool readGlobals(std::vector<uint8_t>* bytes);

    PdfObject globals_;
    int width_ = 0, height_ = 0;
    int messages_ = 0;
};

Stream* makeJbig2Decoder(Stream* below, const PdfDict* params);

}  // namespace qm
