#include "streams/image_sample_reader.h"

#include <cstring>

#include "core/report_error.h"
#include "streams/stream.h"

namespace qm {

namespace {
constexpr long kMaxValuesPerRow = 1L << 26;
}

ImageSampleReader::ImageSampleReader(Stream* stream, int columns, int colors, int bits)
    : stream_(stream), columns_(columns), colors_(colors), bits_(bits) {
    bool goodBits = bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
    long values = static_cast<long>(columns) * colors;
    if (columns <= 0 || colors <= 0 || colors > 32 || !goodBits || values > kMaxValuesPerRow) {
        reportError(-1, "Bad image parameters");
        return;
    }
    valuesPerRow_ = static_cast<int>(values);
    size_t size = static_cast<size_t>(valuesPerRow_);
    if (bits == 1) size = (size + 7) & ~static_cast<size_t>(7);
    line_.assign(size, 0);
    index_ = valuesPerRow_;
    ok_ = true;
}

void ImageSampleReader::reset() {
    stream_->reset();
    index_ = valuesPerRow_;
    ended_ = false;
}

void ImageSampleReader::readLine() {
    unsigned char* out = line_.data();
    if (!ended_ && stream_->peekByte() < 0) ended_ = true;
    if (bits_ == 1) {
        for (int i = 0; i < valuesPerRow_; i += 8) {
            int c = stream_->readByte();
            if (c < 0) c = 0xff;
            for (int b = 0; b < 8; ++b) out[i + b] = static_cast<unsigned char>((c >> (7 - b)) & 1);
        }
    } else if (bits_ == 8) {
        int got = stream_->readBlock(out, valuesPerRow_);
        if (got < valuesPerRow_) std::memset(out + got, 0xff, static_cast<size_t>(valuesPerRow_ - got));
    } else if (bits_ == 16) {
        for (int i = 0; i < valuesPerRow_; ++i) {
            int hi = stream_->readByte();
            int lo = stream_->readByte();
            (void)lo;
            out[i] = static_cast<unsigned char>(hi < 0 ? 0xff : hi);
        }
    } else {
        const unsigned mask = (1u << bits_) - 1;
        unsigned buffer = 0;
        int have = 0;
        for (int i = 0; i < valuesPerRow_; ++i) {
            if (have < bits_) {
                int c = stream_->readByte();
                if (c < 0) c = 0xff;
                buffer = (buffer << 8) | static_cast<unsigned>(c);
                have += 8;
            }
            out[i] = static_cast<unsigned char>((buffer >> (have - bits_)) & mask);
            have -= bits_;
        }
    }
    index_ = 0;
}

bool ImageSampleReader::nextPixel(unsigned char* values) {
    if (!ok_) return false;
    if (index_ >= valuesPerRow_) readLine();
    std::memcpy(values, line_.data() + index_, static_cast<size_t>(colors_));
    index_ += colors_;
    return true;
}

const unsigned char* ImageSampleReader::nextLine() {
    if (!ok_) return nullptr;
    readLine();
    index_ = valuesPerRow_;
    return line_.data();
}

}  // namespace qm
