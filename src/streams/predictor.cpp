#include "streams/predictor.h"

#include <cstdlib>
#include <cstring>

#include "core/report_error.h"
#include "streams/stream.h"

namespace qm {

namespace {
// Larger rows come only from hostile parameters; refusing them keeps allocation bounded.
constexpr long kMaxRowBytes = 1L << 24;
}  // namespace

PredictorReader::PredictorReader(Stream* raw, int predictor, int columns, int colors, int bits)
    : raw_(raw), predictor_(predictor), colors_(colors), bits_(bits) {
    bool goodBits = bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
    if (columns <= 0 || colors <= 0 || colors > 32 || !goodBits) {
        reportError(-1, "Bad predictor parameters");
        return;
    }
    long valuesPerRow = static_cast<long>(columns) * colors;
    long dataBytes = (valuesPerRow * bits + 7) / 8;
    bytesPerPixel_ = (colors * bits + 7) / 8;
    if (dataBytes > kMaxRowBytes) {
        reportError(-1, "Bad predictor parameters");
        return;
    }
    bytesPerRow_ = static_cast<int>(dataBytes) + bytesPerPixel_;
    row_.assign(static_cast<size_t>(bytesPerRow_), 0);
    previous_.assign(static_cast<size_t>(bytesPerRow_), 0);
    lastValues_.assign(static_cast<size_t>(colors), 0);
    index_ = bytesPerRow_;
    ok_ = true;
}

void PredictorReader::reset() {
    if (!ok_) return;
    std::fill(row_.begin(), row_.end(), 0);
    index_ = bytesPerRow_;
}

bool PredictorReader::nextRow() {
    if (!ok_) return false;
    int algorithm = predictor_;
    if (predictor_ >= 10) {
        int tag = raw_->getRawChar();
        if (tag < 0) return false;
        algorithm = tag + 10;
    }
    unsigned char* row = row_.data();
    // Paeth needs the previous row's byte left of i after row[i - bpp] was replaced.
    std::memcpy(previous_.data(), row, static_cast<size_t>(bytesPerRow_));
    const unsigned char* up = previous_.data();
    const int bpp = bytesPerPixel_;
    for (int i = bpp; i < bytesPerRow_; ++i) {
        int c = raw_->getRawChar();
        if (c < 0) {
            if (i == bpp) return false;
            break;  // a short last row keeps the previous row's bytes
        }
        switch (algorithm) {
            case 11: row[i] = static_cast<unsigned char>(row[i - bpp] + c); break;
            case 12: row[i] = static_cast<unsigned char>(up[i] + c); break;
            case 13: row[i] = static_cast<unsigned char>(((row[i - bpp] + up[i]) >> 1) + c); break;
            case 14: {
                int left = row[i - bpp], above = up[i], upperLeft = up[i - bpp];
                int p = left + above - upperLeft;
                int pa = std::abs(p - left), pb = std::abs(p - above), pc = std::abs(p - upperLeft);
                int pred = (pa <= pb && pa <= pc) ? left : (pb <= pc ? above : upperLeft);
                row[i] = static_cast<unsigned char>(pred + c);
                break;
            }
            default: row[i] = static_cast<unsigned char>(c); break;
        }
    }
    if (predictor_ == 2) undoTiff();
    index_ = bpp;
    return true;
}

void PredictorReader::undoTiff() {
    unsigned char* row = row_.data();
    const int start = bytesPerPixel_;
    if (bits_ == 1) {
        // Each bit is the difference to the bit `colors` places to its left in the
        // decoded row, so decoding is a running XOR along the row.
        int total = (bytesPerRow_ - start) * 8;
        for (int bit = colors_; bit < total; ++bit) {
            int prev = bit - colors_;
            int prevBit = (row[start + prev / 8] >> (7 - prev % 8)) & 1;
            if (prevBit) row[start + bit / 8] ^= static_cast<unsigned char>(0x80 >> (bit % 8));
        }
        return;
    }
    if (bits_ == 8) {
        for (int i = start; i < bytesPerRow_; ++i)
            row[i] = static_cast<unsigned char>(row[i] + row[i - colors_]);
        return;
    }
    // 2, 4 and 16 bits: add the previous pixel's value of the same component.
    std::fill(lastValues_.begin(), lastValues_.end(), 0u);
    const unsigned mask = (1u << bits_) - 1;
    const long totalBits = static_cast<long>(bytesPerRow_ - start) * 8;
    int component = 0;
    for (long pos = 0; pos + bits_ <= totalBits; pos += bits_) {
        unsigned value = 0;
        for (int b = 0; b < bits_; ++b) {
            long bit = pos + b;
            value = (value << 1) | ((row[start + bit / 8] >> (7 - bit % 8)) & 1u);
        }
        value = (value + lastValues_[static_cast<size_t>(component)]) & mask;
        lastValues_[static_cast<size_t>(component)] = value;
        for (int b = 0; b < bits_; ++b) {
            long bit = pos + b;
            unsigned char m = static_cast<unsigned char>(0x80 >> (bit % 8));
            if ((value >> (bits_ - 1 - b)) & 1u)
                row[start + bit / 8] |= m;
            else
                row[start + bit / 8] &= static_cast<unsigned char>(~m);
        }
        if (++component == colors_) component = 0;
    }
}

}  // namespace qm
