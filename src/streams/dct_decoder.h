#pragma once
// Huffman-coded 8-bit JPEG decoding into interleaved samples with the YCbCr/YCCK colour
// transform applied when the data asks for it. A sequential image whose first scan holds
// every component is decoded one MCU row at a time; progressive images, and sequential ones
// split over several scans, are first gathered as coefficients of the whole image.
#include <cstdint>
#include <vector>

#include "streams/dct_coefficients.h"
#include "streams/dct_entropy.h"
#include "streams/filter_stream.h"

namespace qm {

class DctDecoder : public FilterStream {
public:
    explicit DctDecoder(Stream* below);

    StreamKind kind() const override { return StreamKind::Dct; }
    void reset() override;
    void close() override;
    int readByte() override {
        if (next_ >= end_ && !nextRow()) return -1;
        return out_[next_++];
    }
    int peekByte() override {
        if (next_ >= end_ && !nextRow()) return -1;
        return out_[next_];
    }
    int readBlock(unsigned char* buffer, int size) override;
    std::unique_ptr<PdfString> describeFilter(int indent) override;
    bool isBinaryData(bool) override { return below_->isBinaryData(true); }

    // Header facts, valid after a successful reset.
    int width() const { return width_; }
    int height() const { return height_; }
    int components() const { return numComps_; }
    bool colorTransform() const { return transform_; }

private:
    struct Component {
        int id = 0;
        int h = 1, v = 1;  // sampling factors
        int quant = 0;
        int dcTable = 0, acTable = 0;
        bool inScan = false;
        int predictor = 0;
        // Replication factors up to the full resolution, and the width of `rows`.
        int hs = 1, vs = 1;
        int stride = 0;
        // Samples of one MCU row at the component's own resolution (8 x v rows).
        std::vector<uint8_t> rows;
        // One row replicated to the full width, for components with hs above 1.
        std::vector<uint8_t> expanded;
        // Whole-image coefficients (gathered decoding only), and the quantisation table
        // taken when the component's first scan began.
        DctCoefficientPlane coefs;
        uint16_t quantTable[64];
        bool quantTaken = false;
    };

    // The scan being decoded in gathered mode.
    struct Scan {
        int count = 0;
        int comps[4] = {0, 0, 0, 0};  // indexes into comps_
        int ss = 0, se = 63, ah = 0, al = 0;
    };

    bool readHeader();
    bool readFrame();
    bool readHuffmanTables();
    bool readQuantTables();
    bool readRestartInterval();
    bool readAdobeMarker();
    bool readScanHeader();
    // Header markers shared by the frame header and the gaps between scans.
    bool readTableMarker(int marker, bool* handled);
    bool skipSegment();
    bool setUpSampling();
    int readMarker();
    // The marker that ends entropy-coded data, wherever the bit reader stopped.
    int markerAfterData();
    int read8();
    int read16();
    // Reports `message` and answers false.
    bool fail(const char* message);

    bool nextRow();
    bool decodeMcuRow();
    bool takeRestartMarker();
    bool decodeBlock(Component& c, int32_t coef[64], unsigned* rowMask);
    void placeBlock(Component& c, const int32_t coef[64], unsigned rowMask, int x, int y);
    // Row `row` of the MCU row at full width (replicated into `expanded` when needed).
    const uint8_t* componentRow(Component& c, int row);
    void convertRow(int rowCount);
    void readTrailer();

    // Gathered decoding (dct_progressive.cpp).
    bool allocateCoefficients();
    void readScans();
    bool decodeScan();
    bool decodeStoredBlock(Component& c, int16_t* block);
    bool decodeSequentialBlock(Component& c, int16_t* block);
    bool decodeDcFirst(Component& c, int16_t* block);
    bool decodeDcRefine(int16_t* block);
    bool decodeAcFirst(Component& c, int16_t* block);
    bool decodeAcRefine(Component& c, int16_t* block);
    bool endOfBlock();
    bool emitStoredRow();

    // Header state.
    int width_ = 0, height_ = 0, numComps_ = 0;
    Component comps_[4];
    uint16_t quant_[4][64];
    DctHuffmanTable dcTables_[4], acTables_[4];
    int restartInterval_ = 0;
    bool gotAdobe_ = false;
    int adobeTransform_ = 0;
    bool transform_ = false;
    bool gotFrame_ = false;
    bool progressive_ = false;
    // Whole-image coefficients are gathered from all scans before any row is served.
    bool gathered_ = false;
    bool samplingReady_ = false;
    Scan scan_;
    int eobRun_ = 0;
    int mcuRows_ = 0;
    int storedRow_ = 0;  // next MCU row served from the coefficients
    int mcuWidth_ = 8, mcuHeight_ = 8;
    int mcusPerRow_ = 0;
    int bufferWidth_ = 0;

    // Decoding state.
    bool ok_ = false;
    int restartCountdown_ = 0;
    int nextRestart_ = 0xD0;
    int y_ = 0;  // first image row of the next MCU row
    bool trailerRead_ = false;
    DctBitReader bits_;

    // The current MCU row, interleaved and converted.
    std::vector<uint8_t> out_;
    size_t next_ = 0, end_ = 0;
};

Stream* makeDctDecoder(Stream* below, const PdfDict* params);

}  // namespace qm
