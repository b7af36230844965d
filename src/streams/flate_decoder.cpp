#include "streams/flate_decoder.h"

#include <algorithm>
#include <cstring>

#include "core/report_error.h"
#include "streams/filter_chain.h"

namespace qm {

namespace {

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct FixedTables {
    HuffmanTable lit;
    HuffmanTable dist;
    FixedTables() {
        uint8_t lengths[288];
        std::memset(lengths, 8, 144);
        std::memset(lengths + 144, 9, 112);
        std::memset(lengths + 256, 7, 24);
        std::memset(lengths + 280, 8, 8);
        lit.build(lengths, 288);
        std::memset(lengths, 5, 30);
        dist.build(lengths, 30);
    }
};

const FixedTables& fixedTables() {
    static const FixedTables tables;
    return tables;
}

}  // namespace

FlateDecoder::FlateDecoder(Stream* below, const PdfDict* params) : FilterStream(below) {
    PredictorParams p = readPredictorParams(params);
    if (p.predictor != 1) predictor_ = std::make_unique<PredictorReader>(this, p);
}

FlateDecoder::~FlateDecoder() = default;

void FlateDecoder::reset() {
    readPos_ = writePos_ = pending_ = 0;
    bitBuf_ = 0;
    bitCount_ = 0;
    inPos_ = inEnd_ = 0;
    inEof_ = false;
    compressed_ = false;
    storedRemaining_ = 0;
    endData();
    // A distance reaching before the first byte then reads zeros, not an earlier pass.
    std::memset(window_, 0, sizeof window_);
    if (predictor_) predictor_->reset();
    below_->reset();
    // From here on, whatever ends the data (a bad header included) hands back the rest.
    handedBack_ = false;

    int cmf = nextInputByte();
    int flg = nextInputByte();
    if (cmf < 0 || flg < 0) return;
    if ((cmf & 0x0F) != 8) {
        reportError(position(), "Unknown compression method in flate stream");
        return;
    }
    if ((cmf * 256 + flg) % 31 != 0) {
        reportError(position(), "Bad FCHECK in flate stream");
        return;
    }
    if (flg & 0x20) {
        reportError(position(), "FDICT bit set in flate stream");
        return;
    }
    endOfData_ = false;  // end of block stays set: the first read starts a block
}

void FlateDecoder::handBack() {
    if (handedBack_) return;
    handedBack_ = true;
    // The partial byte holds the last bits of the data; the whole bytes after it were read
    // ahead, least significant first.
    bitBuf_ >>= bitCount_ & 7;
    bitCount_ &= ~7;
    unsigned char back[8 + kInputSize];
    int n = 0;
    for (; bitCount_ > 0; bitCount_ -= 8, bitBuf_ >>= 8) back[n++] = static_cast<unsigned char>(bitBuf_);
    bitBuf_ = 0;
    std::memcpy(back + n, input_ + inPos_, static_cast<size_t>(inEnd_ - inPos_));
    n += inEnd_ - inPos_;
    inPos_ = inEnd_;
    below_->giveBack(back, n);
}

int FlateDecoder::readBlock(unsigned char* buffer, int size) {
    if (predictor_) return Stream::readBlock(buffer, size);
    int n = 0;
    while (n < size) {
        if (pending_ == 0 && !fill(std::min(size - n, kMaxWant))) break;
        int take = std::min({pending_, size - n, kWindowSize - readPos_});
        std::memcpy(buffer + n, window_ + readPos_, static_cast<size_t>(take));
        readPos_ = (readPos_ + take) & kMask;
        pending_ -= take;
        n += take;
    }
    return n;
}

bool FlateDecoder::fill(int want) {
    while (pending_ < want) {
        if (endOfBlock_) {
            if (endOfData_) {
                handBack();
                break;
            }
            // A failed block header ends the data: the next round hands back.
            if (!startBlock()) continue;
        } else if (compressed_) {
            decodeCompressed(want);
        } else {
            copyStored();
        }
    }
    return pending_ > 0;
}

bool FlateDecoder::fillInput() {
    if (inEof_) return false;
    inPos_ = 0;
    inEnd_ = below_->readBlock(input_, kInputSize);
    if (inEnd_ <= 0) {
        inEnd_ = 0;
        inEof_ = true;
        return false;
    }
    return true;
}

int FlateDecoder::nextInputByte() {
    if (inPos_ == inEnd_ && !fillInput()) return -1;
    return input_[inPos_++];
}

void FlateDecoder::refill() {
    if (inEnd_ - inPos_ >= 8 && bitCount_ <= 56) {
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = (v << 8) | input_[inPos_ + i];
        bitBuf_ |= v << bitCount_;
        int bytes = (63 - bitCount_) >> 3;
        inPos_ += bytes;
        bitCount_ += bytes * 8;
        // Bits above the count must stay zero: the lookup tables read them.
        bitBuf_ &= (~uint64_t{0}) >> (64 - bitCount_);
        return;
    }
    while (bitCount_ <= 56) {
        if (inPos_ == inEnd_ && !fillInput()) return;
        bitBuf_ |= static_cast<uint64_t>(input_[inPos_++]) << bitCount_;
        bitCount_ += 8;
    }
}

bool FlateDecoder::getBits(int n, int* value) {
    if (bitCount_ < n) {
        refill();
        if (bitCount_ < n) return false;
    }
    *value = static_cast<int>(bitBuf_ & ((1u << n) - 1));
    bitBuf_ >>= n;
    bitCount_ -= n;
    return true;
}

int FlateDecoder::decodeSlow(const HuffmanTable& table) {
    int code = 0;
    for (int len = 1; len <= HuffmanTable::kMaxBits; ++len) {
        if (bitCount_ == 0) {
            refill();
            if (bitCount_ == 0) return -1;
        }
        code = code * 2 + static_cast<int>(bitBuf_ & 1);
        bitBuf_ >>= 1;
        --bitCount_;
        int symbol = table.match(code, len);
        if (symbol >= 0) return symbol;
    }
    reportError(position(), "Bad code (%04x) in flate stream", code);
    return -2;
}

bool FlateDecoder::startBlock() {
    int header = 0;
    if (!getBits(3, &header)) {
        reportError(position(), "Bad block header in flate stream");
        endData();
        return false;
    }
    endOfData_ = (header & 1) != 0;
    switch (header >> 1) {
        case 0: {
            // The stored header starts at the next byte boundary.
            bitBuf_ >>= bitCount_ & 7;
            bitCount_ &= ~7;
            int b[4];
            for (int& v : b) {
                if (bitCount_ >= 8) {
                    v = static_cast<int>(bitBuf_ & 0xff);
                    bitBuf_ >>= 8;
                    bitCount_ -= 8;
                } else {
                    v = nextInputByte();
                }
                if (v < 0) {
                    reportError(position(), "Bad block header in flate stream");
                    endData();
                    return false;
                }
            }
            int len = b[0] | b[1] << 8;
            int nlen = b[2] | b[3] << 8;
            if (((len + nlen) & 0xffff) != 0xffff)
                reportError(position(), "Bad uncompressed block length in flate stream");
            compressed_ = false;
            storedRemaining_ = len;
            break;
        }
        case 1:
            lit_ = &fixedTables().lit;
            dist_ = &fixedTables().dist;
            compressed_ = true;
            break;
        case 2:
            if (!readDynamicTables()) {
                reportError(position(), "Bad dynamic code table in flate stream");
                endData();
                return false;
            }
            lit_ = &dynLit_;
            dist_ = &dynDist_;
            compressed_ = true;
            break;
        default:
            reportError(position(), "Bad block header in flate stream");
            endData();
            return false;
    }
    endOfBlock_ = false;
    return true;
}

bool FlateDecoder::readDynamicTables() {
    int hlit = 0, hdist = 0, hclen = 0;
    if (!getBits(5, &hlit) || !getBits(5, &hdist) || !getBits(4, &hclen)) return false;
    hlit += 257;
    hdist += 1;
    hclen += 4;
    if (hlit > 288 || hdist > 30 || hclen > 19) return false;

    uint8_t lengths[288 + 32] = {};
    for (int i = 0; i < hclen; ++i) {
        int v = 0;
        if (!getBits(3, &v)) return false;
        lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(v);
    }
    // The code-length code is built in the literal table, which is rebuilt right after.
    dynLit_.build(lengths, 19);
    std::memset(lengths, 0, 19);

    const int total = hlit + hdist;
    int prev = 0;
    for (int i = 0; i < total;) {
        if (bitCount_ < 16) refill();
        int symbol = decodeSymbol(dynLit_);
        if (symbol < 0) return false;
        if (symbol < 16) {
            lengths[i++] = static_cast<uint8_t>(symbol);
            prev = symbol;
            continue;
        }
        int repeat = 0, value = 0, extra = 0;
        if (symbol == 16) {
            if (!getBits(2, &extra)) return false;
            repeat = 3 + extra;
            value = prev;
        } else if (symbol == 17) {
            if (!getBits(3, &extra)) return false;
            repeat = 3 + extra;
            prev = 0;
        } else {
            if (!getBits(7, &extra)) return false;
            repeat = 11 + extra;
            prev = 0;
        }
        if (i + repeat > total) return false;
        std::memset(lengths + i, value, static_cast<size_t>(repeat));
        i += repeat;
    }
    dynLit_.build(lengths, hlit);
    dynDist_.build(lengths + hlit, hdist);
    return true;
}

void FlateDecoder::copyStored() {
    long chunk = std::min<long>(storedRemaining_, kWindowSize - pending_);
    long got = 0;
    while (got < chunk && bitCount_ >= 8) {
        window_[writePos_] = static_cast<unsigned char>(bitBuf_);
        writePos_ = (writePos_ + 1) & kMask;
        bitBuf_ >>= 8;
        bitCount_ -= 8;
        ++got;
    }
    while (got < chunk) {
        if (inPos_ == inEnd_ && !fillInput()) break;
        int take = static_cast<int>(std::min<long>({chunk - got, inEnd_ - inPos_, kWindowSize - writePos_}));
        std::memcpy(window_ + writePos_, input_ + inPos_, static_cast<size_t>(take));
        writePos_ = (writePos_ + take) & kMask;
        inPos_ += take;
        got += take;
    }
    pending_ += static_cast<int>(got);
    storedRemaining_ -= chunk;
    if (got < chunk)
        endData();
    else if (storedRemaining_ == 0)
        endOfBlock_ = true;
}

void FlateDecoder::decodeCompressed(int want) {
    unsigned char* const win = window_;
    int w = writePos_;
    int pending = pending_;
    while (pending < want) {
        if (bitCount_ < 48) refill();
        int symbol = decodeSymbol(*lit_);
        if (symbol < 256) {
            if (symbol < 0) break;
            win[w] = static_cast<unsigned char>(symbol);
            w = (w + 1) & kMask;
            ++pending;
            continue;
        }
        if (symbol == 256) {
            endOfBlock_ = true;
            break;
        }
        symbol -= 257;
        if (symbol >= 29) {
            reportError(position(), "Bad length code (%d) in flate stream", symbol + 257);
            symbol = -2;
            break;
        }
        int length = kLengthBase[symbol], extra = 0;
        if (kLengthExtra[symbol] && !getBits(kLengthExtra[symbol], &extra)) {
            symbol = -1;
            break;
        }
        length += extra;
        int d = decodeSymbol(*dist_);
        if (d < 0) {
            symbol = d;
            break;
        }
        int distance = kDistBase[d];
        extra = 0;
        if (kDistExtra[d] && !getBits(kDistExtra[d], &extra)) {
            symbol = -1;
            break;
        }
        distance += extra;
        int from = (w - distance) & kMask;
        if (w + length <= kWindowSize && from + length <= kWindowSize) {
            if (distance >= length) {
                std::memmove(win + w, win + from, static_cast<size_t>(length));
            } else {
                // Overlapping copies repeat the last `distance` bytes.
                for (int i = 0; i < length; ++i) win[w + i] = win[from + i];
            }
            w = (w + length) & kMask;
        } else {
            for (int i = 0; i < length; ++i) {
                win[w] = win[from];
                w = (w + 1) & kMask;
                from = (from + 1) & kMask;
            }
        }
        pending += length;
    }
    writePos_ = w;
    pending_ = pending;
    if (!endOfBlock_ && pending < want) {
        // Only a failed symbol leaves the loop early.
        reportError(position(), "Unexpected end of file in flate stream");
        endData();
    }
}

Stream* makeFlateDecoder(Stream* below, const PdfDict* params) { return new FlateDecoder(below, params); }

}  // namespace qm
