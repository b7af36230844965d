// Gathered DCT decoding: progressive images (spectral selection and successive
// approximation) and sequential images whose components come in separate scans. Every scan
// adds to whole-image coefficient planes; rows are then served from them as from a
// one-scan image.
#include <algorithm>

#include "core/report_error.h"
#include "streams/dct_decoder.h"
#include "streams/dct_idct.h"

namespace qm {

namespace {

// Coefficients kept for the whole image at most (two bytes each): a 4:2:0 photo of about
// 44 million pixels. Larger frames are refused before anything is allocated.
constexpr size_t kMaxGatheredCoefficients = size_t{1} << 26;

// Scans after which a damaged file is given up on, whatever markers it still holds.
constexpr int kMaxScans = 1000;

inline int16_t toStored(int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

}  // namespace

void DctDecoder::close() {
    // The planes can be large; a stream read again decodes again.
    for (Component& c : comps_) c.coefs.release();
    if (gathered_) ok_ = false;
    FilterStream::close();
}

bool DctDecoder::allocateCoefficients() {
    mcuRows_ = (height_ + mcuHeight_ - 1) / mcuHeight_;
    size_t total = 0;
    for (int i = 0; i < numComps_; ++i)
        total += static_cast<size_t>(mcusPerRow_) * comps_[i].h * static_cast<size_t>(mcuRows_) * comps_[i].v * 64;
    if (total > kMaxGatheredCoefficients) return fail("DCT image too large");
    for (int i = 0; i < numComps_; ++i) {
        Component& c = comps_[i];
        if (!c.coefs.allocate(mcusPerRow_ * c.h, mcuRows_ * c.v)) return fail("DCT image too large");
    }
    return true;
}

void DctDecoder::readScans() {
    // Whatever happens below, the image is served from the coefficients gathered so far:
    // a cut-off progressive file still shows every pixel, only less sharp.
    trailerRead_ = true;
    for (int scans = 0; scans < kMaxScans; ++scans) {
        if (!decodeScan()) return;
        int marker = markerAfterData();
        for (;;) {
            if (marker == 0xD9) return;  // EOI
            if (marker == 0xDA) {
                if (!readScanHeader()) return;
                break;
            }
            if (marker < 0) {
                reportError(below_->position(), "Bad DCT trailer");
                return;
            }
            bool handled = false;
            bool ok = marker == 0xDC ? skipSegment() : readTableMarker(marker, &handled);  // DNL is skipped
            if (marker != 0xDC && !handled) {
                reportError(below_->position(), "Unknown DCT marker <%02x>", marker);
                return;
            }
            if (!ok) return;
            marker = readMarker();
        }
    }
    reportError(below_->position(), "Bad DCT data: too many scans");
}

bool DctDecoder::decodeScan() {
    bits_.start(below_.get());
    eobRun_ = 0;
    nextRestart_ = 0xD0;
    restartCountdown_ = restartInterval_;
    for (int i = 0; i < numComps_; ++i) comps_[i].predictor = 0;
    for (int i = 0; i < scan_.count; ++i) {
        Component& c = comps_[scan_.comps[i]];
        if (!c.quantTaken) {
            std::copy(quant_[c.quant], quant_[c.quant] + 64, c.quantTable);
            c.quantTaken = true;
        }
    }
    int hMax = mcuWidth_ / 8, vMax = mcuHeight_ / 8;
    if (scan_.count == 1) {
        // One component alone is coded block by block over its own extent.
        Component& c = comps_[scan_.comps[0]];
        int wide = ((width_ * c.h + hMax - 1) / hMax + 7) / 8;
        int high = ((height_ * c.v + vMax - 1) / vMax + 7) / 8;
        for (int by = 0; by < high; ++by) {
            for (int bx = 0; bx < wide; ++bx) {
                if (restartInterval_ > 0 && restartCountdown_ == 0 && !takeRestartMarker()) return false;
                if (!decodeStoredBlock(c, c.coefs.block(bx, by))) return false;
                --restartCountdown_;
            }
        }
        return true;
    }
    for (int my = 0; my < mcuRows_; ++my) {
        for (int mx = 0; mx < mcusPerRow_; ++mx) {
            if (restartInterval_ > 0 && restartCountdown_ == 0 && !takeRestartMarker()) return false;
            for (int i = 0; i < scan_.count; ++i) {
                Component& c = comps_[scan_.comps[i]];
                for (int by = 0; by < c.v; ++by)
                    for (int bx = 0; bx < c.h; ++bx)
                        if (!decodeStoredBlock(c, c.coefs.block(mx * c.h + bx, my * c.v + by))) return false;
            }
            --restartCountdown_;
        }
    }
    return true;
}

bool DctDecoder::decodeStoredBlock(Component& c, int16_t* block) {
    bool ok;
    if (!progressive_)
        ok = decodeSequentialBlock(c, block);
    else if (scan_.ss == 0)
        ok = scan_.ah == 0 ? decodeDcFirst(c, block) : decodeDcRefine(block);
    else
        ok = scan_.ah == 0 ? decodeAcFirst(c, block) : decodeAcRefine(c, block);
    return ok && endOfBlock();
}

// Fails the block when it used bits the data did not have.
bool DctDecoder::endOfBlock() {
    if (!bits_.overrun()) return true;
    if (bits_.markerPending()) return fail("Bad DCT data: missing 00 after ff");
    return fail("Bad DCT data: end of data in scan");
}

// Sequential scans have no successive approximation: the DC part is that of a first DC scan.
bool DctDecoder::decodeSequentialBlock(Component& c, int16_t* block) {
    if (!decodeDcFirst(c, block)) return false;
    const DctHuffmanTable& ac = acTables_[c.acTable];
    for (int k = 1; k < 64; ++k) {
        int s = decodeHuffman(bits_, ac);
        if (s < 0) return fail("Bad Huffman code in DCT stream");
        if (s == 0) break;  // end of block
        k += s >> 4;
        int size = s & 0x0F;
        if (size) {
            int value = extendDctValue(bits_.get(size), size);
            if (k < 64) block[kDctZigzag[k]] = toStored(value);
        }
    }
    return true;
}

bool DctDecoder::decodeDcFirst(Component& c, int16_t* block) {
    int s = decodeHuffman(bits_, dcTables_[c.dcTable]);
    if (s < 0 || s > 16) return fail("Bad Huffman code in DCT stream");
    int diff = s ? extendDctValue(bits_.get(s), s) : 0;
    c.predictor = std::clamp(c.predictor + diff, -65536, 65536);
    block[0] = toStored(c.predictor * (1 << scan_.al));
    return true;
}

bool DctDecoder::decodeDcRefine(int16_t* block) {
    if (bits_.get(1)) block[0] = static_cast<int16_t>(block[0] | (1 << scan_.al));
    return true;
}

bool DctDecoder::decodeAcFirst(Component& c, int16_t* block) {
    if (eobRun_ > 0) {
        --eobRun_;
        return true;
    }
    const DctHuffmanTable& ac = acTables_[c.acTable];
    for (int k = scan_.ss; k <= scan_.se; ++k) {
        int s = decodeHuffman(bits_, ac);
        if (s < 0) return fail("Bad Huffman code in DCT stream");
        int run = s >> 4, size = s & 0x0F;
        if (size == 0) {
            if (run < 15) {
                // End of band for this block and 2^run - 1 + extra bits more.
                eobRun_ = (1 << run) - 1;
                if (run) eobRun_ += static_cast<int>(bits_.get(run));
                break;
            }
            k += 15;  // sixteen zeros
            continue;
        }
        k += run;
        int value = extendDctValue(bits_.get(size), size);
        if (k <= scan_.se) block[kDctZigzag[k]] = toStored(value * (1 << scan_.al));
    }
    return true;
}

bool DctDecoder::decodeAcRefine(Component& c, int16_t* block) {
    const int plus = 1 << scan_.al, minus = -plus;
    // A coefficient that is already non-zero gets one correction bit whenever the scan
    // passes it, in the band of a coded value and in the end-of-band run alike.
    auto refine = [&](int16_t& coef) {
        if (bits_.get(1) && (coef & plus) == 0) coef = toStored(coef + (coef >= 0 ? plus : minus));
    };
    int k = scan_.ss;
    if (eobRun_ == 0) {
        const DctHuffmanTable& ac = acTables_[c.acTable];
        for (; k <= scan_.se; ++k) {
            int s = decodeHuffman(bits_, ac);
            if (s < 0) return fail("Bad Huffman code in DCT stream");
            int run = s >> 4, size = s & 0x0F, value = 0;
            if (size) {
                // A newly non-zero coefficient is always of magnitude one at this bit.
                value = bits_.get(1) ? plus : minus;
            } else if (run != 15) {
                eobRun_ = 1 << run;
                if (run) eobRun_ += static_cast<int>(bits_.get(run));
                break;
            }
            // Skip `run` zero coefficients, refining the non-zero ones on the way; the
            // new value lands on the zero after them.
            for (; k <= scan_.se; ++k) {
                int16_t& coef = block[kDctZigzag[k]];
                if (coef != 0) {
                    refine(coef);
                } else if (run-- == 0) {
                    break;
                }
            }
            if (value && k <= scan_.se) block[kDctZigzag[k]] = static_cast<int16_t>(value);
        }
    }
    if (eobRun_ > 0) {
        for (; k <= scan_.se; ++k) {
            int16_t& coef = block[kDctZigzag[k]];
            if (coef != 0) refine(coef);
        }
        --eobRun_;
    }
    return true;
}

bool DctDecoder::emitStoredRow() {
    if (storedRow_ >= mcuRows_) return false;
    int32_t coef[64];
    for (int ci = 0; ci < numComps_; ++ci) {
        Component& c = comps_[ci];
        const uint16_t* q = c.quantTaken ? c.quantTable : quant_[c.quant];
        for (int by = 0; by < c.v; ++by) {
            for (int bx = 0; bx < mcusPerRow_ * c.h; ++bx) {
                const int16_t* block = c.coefs.block(bx, storedRow_ * c.v + by);
                unsigned rowMask = 0;
                for (int i = 0; i < 64; ++i) {
                    coef[i] = std::clamp(block[i] * q[i], -kMaxDctCoefficient, kMaxDctCoefficient);
                    if (coef[i]) rowMask |= 1u << (i >> 3);
                }
                placeBlock(c, coef, rowMask | 1u, bx, by);
            }
        }
    }
    if (++storedRow_ == mcuRows_)
        for (Component& c : comps_) c.coefs.release();
    return true;
}

}  // namespace qm
