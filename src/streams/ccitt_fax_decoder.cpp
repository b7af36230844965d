#include "streams/ccitt_fax_decoder.h"

#include <algorithm>
#include <cstring>

#include "core/report_error.h"

namespace qm {

namespace {

constexpr int kEol = 1;           // 000000000001
constexpr int kMaxRun = 1 << 22;  // far beyond any width; keeps run sums from overflowing

// Sets pixels [from, to) of a packed row to 1.
void setBits(uint8_t* row, int from, int to) {
    if (from >= to) return;
    int first = from >> 3, last = (to - 1) >> 3;
    uint8_t headMask = static_cast<uint8_t>(0xFF >> (from & 7));
    uint8_t tailMask = static_cast<uint8_t>(0xFF << (7 - ((to - 1) & 7)));
    if (first == last) {
        row[first] |= headMask & tailMask;
        return;
    }
    row[first] |= headMask;
    if (last > first + 1) std::memset(row + first + 1, 0xFF, static_cast<size_t>(last - first - 1));
    row[last] |= tailMask;
}

}  // namespace

CcittFaxDecoder::CcittFaxDecoder(Stream* below, const CcittParams& params) : FilterStream(below), p_(params) {
    ccittTables();
    if (p_.columns < 1 || p_.columns > kMaxColumns) {
        reportError(below_->position(), "Bad CCITTFax columns (%d)", p_.columns);
        return;
    }
    coding_.assign(static_cast<size_t>(p_.columns) + 8, 0);
    reference_.assign(static_cast<size_t>(p_.columns) + 8, 0);
    rowBytes_ = (p_.columns + 7) / 8;
    row_.assign(static_cast<size_t>(rowBytes_), 0);
    next_ = rowBytes_;
    ok_ = true;
}

void CcittFaxDecoder::reset() {
    below_->reset();
    if (!ok_) return;
    eof_ = false;
    rowsDone_ = 0;
    bits_ = 0;
    count_ = 0;
    inputEnded_ = false;
    codingCount_ = 0;  // an all-white line is the first reference
    next_ = rowBytes_;
    nextTwoDim_ = p_.k < 0;
    // A leading EOL, possibly after fill bits.
    int v;
    while ((v = peekBits(12)) == 0) skipBits(1);
    if (v == kEol && count_ >= 12) skipBits(12);
    if (p_.k > 0) {
        int tag = peekBits(1);
        if (tag < 0) {
            eof_ = true;
            return;
        }
        skipBits(1);
        nextTwoDim_ = tag == 0;
    }
}

int CcittFaxDecoder::peekBits(int n) {
    while (count_ < n && !inputEnded_) {
        int c = below_->readByte();
        if (c < 0) {
            inputEnded_ = true;
            break;
        }
        bits_ = (bits_ << 8) | static_cast<uint32_t>(c);
        count_ += 8;
    }
    if (count_ >= n) return static_cast<int>((bits_ >> (count_ - n)) & ((1u << n) - 1));
    if (count_ == 0) return -1;
    return static_cast<int>((bits_ << (n - count_)) & ((1u << n) - 1));
}

int CcittFaxDecoder::readRun(bool white) {
    const CcittTables& t = ccittTables();
    const int width = white ? kCcittWhiteBits : kCcittBlackBits;
    const CcittCode* table = white ? t.white : t.black;
    int total = 0;
    for (;;) {
        int v = peekBits(width);
        if (v < 0) return -1;
        CcittCode c = table[v];
        if (c.bits == 0 || c.bits > count_) {
            // Zero padding past the end of the data is not a code.
            if (inputEnded_ && count_ < width) return -1;
            reportError(below_->position(), white ? "Bad white code (%04x) in CCITTFax stream"
                                                   : "Bad black code (%04x) in CCITTFax stream", v);
            skipBits(1);
            return std::min(total + 1, kMaxRun);
        }
        skipBits(c.bits);
        total = std::min(total + c.value, kMaxRun);
        if (c.value < 64) return total;
    }
}

bool CcittFaxDecoder::addChange(int position) {
    if (codingCount_ > p_.columns) return false;
    int low = codingCount_ > 0 ? coding_[static_cast<size_t>(codingCount_ - 1)] : 0;
    coding_[static_cast<size_t>(codingCount_++)] = std::clamp(position, low, p_.columns);
    return true;
}

bool CcittFaxDecoder::decodeTwoDimRow() {
    const CcittTables& t = ccittTables();
    const int columns = p_.columns;
    std::swap(reference_, coding_);
    const int refCount = codingCount_;
    for (int i = 0; i < 4; ++i) reference_[static_cast<size_t>(refCount + i)] = columns;
    const int* ref = reference_.data();
    codingCount_ = 0;
    reached_ = 0;
    int a0 = -1;  // the imaginary white pixel left of the row
    bool white = true;
    int b1 = 0;
    bool any = false;
    while (a0 < columns) {
        int v = peekBits(kCcittModeBits);
        if (v < 0) return any;
        CcittCode c = t.mode[v];
        if (c.bits == 0 || c.bits > count_) {
            if (!(inputEnded_ && count_ < kCcittModeBits))
                reportError(below_->position(), "Bad two dim code (%04x) in CCITTFax stream", v);
            return any;
        }
        skipBits(c.bits);
        any = true;
        const int start = std::max(a0, 0);
        switch (c.value) {
            case kModePass:
                a0 = ref[b1 + 1];
                b1 += 2;
                break;
            case kModeHorizontal: {
                int r1 = readRun(white);
                int r2 = r1 < 0 ? -1 : readRun(!white);
                if (r2 < 0) return true;
                a0 = std::min(start + r1, kMaxRun);
                if (!addChange(a0)) return true;
                a0 = std::min(a0 + r2, kMaxRun);
                if (!addChange(a0)) return true;
                break;
            }
            case kModeVertical0:
            case kModeVerticalR1:
            case kModeVerticalR2:
            case kModeVerticalR3:
            case kModeVerticalL1:
            case kModeVerticalL2:
            case kModeVerticalL3: {
                static constexpr int kShift[] = {0, 1, 2, 3, -1, -2, -3};
                a0 = std::max(ref[b1] + kShift[c.value - kModeVertical0], start);
                if (!addChange(a0)) return true;
                white = !white;
                break;
            }
            default:
                reportError(below_->position(), "Bad 2D code %04x in CCITTFax stream", v);
                eof_ = true;
                return any && codingCount_ > 0;
        }
        reached_ = std::max(reached_, a0);
        // b1: the first change on the reference line right of a0 that turns to the colour
        // opposite a0's (even entries turn black); it never lies left of the old b1 - 1.
        int i = std::max(b1 - 1, 0);
        if ((i & 1) != (white ? 0 : 1)) ++i;
        while (i < refCount && ref[i] <= a0) i += 2;
        b1 = std::min(i, refCount + 1);
    }
    return true;
}

bool CcittFaxDecoder::decodeOneDimRow() {
    codingCount_ = 0;
    reached_ = 0;
    int a0 = 0;
    bool white = true;
    bool any = false;
    while (a0 < p_.columns) {
        int run = readRun(white);
        if (run < 0) return any;
        any = true;
        a0 = std::min(a0 + run, kMaxRun);
        reached_ = a0;
        if (!addChange(a0)) break;
        white = !white;
    }
    return true;
}

bool CcittFaxDecoder::nextRow() {
    if (!ok_ || eof_) return false;
    bool got = nextTwoDim_ ? decodeTwoDimRow() : decodeOneDimRow();
    if (!got) {
        eof_ = true;
        return false;
    }
    finishRow();
    ++rowsDone_;
    if (!eof_ && !endOfLine()) eof_ = true;
    return true;
}

void CcittFaxDecoder::finishRow() {
    const int columns = p_.columns;
    if (reached_ != columns) reportError(below_->position(), "CCITTFax row is wrong length (%d)", reached_);
    uint8_t* row = row_.data();
    std::memset(row, 0, static_cast<size_t>(rowBytes_));
    int from = 0;  // white span start
    for (int i = 0; i <= codingCount_; i += 2) {
        int to = i < codingCount_ ? coding_[static_cast<size_t>(i)] : columns;
        setBits(row, from, std::min(to, columns));
        if (i + 1 >= codingCount_) {
            from = columns;
            break;
        }
        from = coding_[static_cast<size_t>(i + 1)];
    }
    if (from < columns) setBits(row, from, columns);
    if (p_.blackIs1)
        for (int i = 0; i < rowBytes_; ++i) row[i] = static_cast<uint8_t>(~row[i]);
    next_ = 0;
}

// What follows a row: alignment, EOL, the next row's tag bit and the end-of-data codes.
// False when the data ends here.
bool CcittFaxDecoder::endOfLine() {
    if (p_.encodedByteAlign) alignToByte();
    const bool lastCountedRow = p_.rows > 0 && rowsDone_ >= p_.rows;
    if (!p_.endOfBlock && lastCountedRow) return false;
    bool gotEol = false;
    int v;
    while ((v = peekBits(12)) == 0) skipBits(1);
    if (v < 0) return false;
    if (v == kEol && count_ >= 12) {
        skipBits(12);
        gotEol = true;
    }
    if (p_.k > 0) {
        int tag = peekBits(1);
        if (tag < 0) return false;
        skipBits(1);
        nextTwoDim_ = tag == 0;
    }
    if (p_.endOfBlock && gotEol && peekBits(12) == kEol && count_ >= 12) {
        skipBits(12);
        if (p_.k > 0 && peekBits(1) >= 0) skipBits(1);
        if (p_.k >= 0) {
            for (int i = 0; i < 4; ++i) {
                if (peekBits(12) != kEol || count_ < 12) {
                    reportError(below_->position(), "Bad RTC code in CCITTFax stream");
                    break;
                }
                skipBits(12);
                if (p_.k > 0 && peekBits(1) >= 0) skipBits(1);
            }
        }
        return false;
    }
    return true;
}

int CcittFaxDecoder::readBlock(unsigned char* buffer, int size) {
    int n = 0;
    while (n < size) {
        if (next_ >= rowBytes_ && !nextRow()) break;
        int count = std::min(size - n, rowBytes_ - next_);
        std::memcpy(buffer + n, row_.data() + next_, static_cast<size_t>(count));
        next_ += count;
        n += count;
    }
    return n;
}

std::unique_ptr<PdfString> CcittFaxDecoder::describeFilter(int indent) {
    PdfString part("<< ");
    if (p_.k != 0) part.append(("/K " + std::to_string(p_.k) + " ").c_str());
    if (p_.endOfLine) part.append("/EndOfLine true ");
    if (p_.encodedByteAlign) part.append("/EncodedByteAlign true ");
    part.append(("/Columns " + std::to_string(p_.columns) + " ").c_str());
    if (p_.rows != 0) part.append(("/Rows " + std::to_string(p_.rows) + " ").c_str());
    if (!p_.endOfBlock) part.append("/EndOfBlock false ");
    if (p_.blackIs1) part.append("/BlackIs1 true ");
    part.append(">> /CCITTFaxDecode filter\n");
    return describeWith(indent, part.text());
}

Stream* makeCcittFaxDecoder(Stream* below, const PdfDict* params) {
    return new CcittFaxDecoder(below, readCcittParams(params));
}

}  // namespace qm
