#pragma once
// CCITT fax decoding (T.4 one- and two-dimensional, T.6) into packed 1-bit rows, white = 1.
#include <cstdint>
#include <vector>

#include "streams/ccitt_codes.h"
#include "streams/filter_chain.h"
#include "streams/filter_stream.h"

namespace qm {

class CcittFaxDecoder : public FilterStream {
public:
    CcittFaxDecoder(Stream* below, const CcittParams& params);

    StreamKind kind() const override { return StreamKind::CcittFax; }
    void reset() override;
    int readByte() override {
        if (next_ >= rowBytes_ && !nextRow()) return -1;
        return row_[static_cast<size_t>(next_++)];
    }
    int peekByte() override {
        if (next_ >= rowBytes_ && !nextRow()) return -1;
        return row_[static_cast<size_t>(next_)];
    }
    int readBlock(unsigned char* buffer, int size) override;
    std::unique_ptr<PdfString> describeFilter(int indent) override;
    bool isBinaryData(bool) override { return below_->isBinaryData(true); }

    // Widths past this come only from hostile parameters.
    static constexpr int kMaxColumns = 1 << 20;

private:
    bool nextRow();
    bool decodeTwoDimRow();
    bool decodeOneDimRow();
    bool addChange(int position);
    void finishRow();
    bool endOfLine();
    int readRun(bool white);
    // Up to 13 bits, right-aligned; at the end of the data the bits held, zero-padded; -1
    // when none are held.
    int peekBits(int n);
    void skipBits(int n) { count_ -= n; }
    int bitsLeft();
    void alignToByte() { count_ -= count_ % 8; }

    CcittParams p_;
    bool ok_ = false;
    bool eof_ = true;
    bool nextTwoDim_ = false;
    int rowsDone_ = 0;
    // Changing elements: positions where the colour flips, white first; the reference line
    // ends with sentinel entries of Columns.
    std::vector<int> coding_, reference_;
    int codingCount_ = 0;
    int reached_ = 0;  // the position the row's codes reached, before clamping to Columns
    uint32_t bits_ = 0;
    int count_ = 0;
    bool inputEnded_ = false;
    // The current row, packed.
    std::vector<uint8_t> row_;
    int rowBytes_ = 0;
    int next_ = 0;
};

Stream* makeCcittFaxDecoder(Stream* below, const PdfDict* params);

}  // namespace qm
