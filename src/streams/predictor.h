#pragma once
// Undoes PNG (10..15) and TIFF (2) prediction over the raw bytes of a Flate or LZW decoder.
#include <vector>

#include "streams/filter_chain.h"

namespace qm {

class Stream;

class PredictorReader {
public:
    // `raw` is borrowed; its getRawChar supplies the bytes before prediction.
    PredictorReader(Stream* raw, int predictor, int columns, int colors, int bits);
    PredictorReader(Stream* raw, const PredictorParams& p)
        : PredictorReader(raw, p.predictor, p.columns, p.colors, p.bitsPerComponent) {}

    // False when the parameters cannot describe a row (the reader then yields no data).
    bool isOk() const { return ok_; }
    int readByte() {
        if (index_ >= bytesPerRow_ && !nextRow()) return -1;
        return row_[static_cast<size_t>(index_++)];
    }
    int peekByte() {
        if (index_ >= bytesPerRow_ && !nextRow()) return -1;
        return row_[static_cast<size_t>(index_)];
    }
    // Starts again from an empty history (after the decoder below was rewound).
    void reset();

private:
    bool nextRow();
    void undoTiff();

    Stream* raw_;
    int predictor_;
    int colors_;
    int bits_;
    int bytesPerPixel_ = 1;
    int bytesPerRow_ = 0;
    int index_ = 0;
    bool ok_ = false;
    std::vector<unsigned char> row_;
    std::vector<unsigned char> previous_;
    std::vector<unsigned> lastValues_;
};

}  // namespace qm
