#include "streams/dct_decoder.h"

#include <algorithm>
#include <cstring>

#include "core/report_error.h"
#include "streams/dct_idct.h"

namespace qm {

namespace {

constexpr const uint8_t* kZigzag = kDctZigzag;

// 16.16 fixed-point YCbCr -> RGB terms per chroma value, rounding folded in, and the
// clamping table: every sum below lies within -256..511.
struct ColorTables {
    int crToR[256], cbToB[256], cbToG[256], crToG[256];
    uint8_t clampStore[768];
    const uint8_t* clamp = clampStore + 256;
    ColorTables() {
        for (int i = 0; i < 256; ++i) {
            int d = i - 128;
            crToR[i] = (91881 * d + 32768) >> 16;
            cbToB[i] = (116130 * d + 32768) >> 16;
            cbToG[i] = -22553 * d;
            crToG[i] = -46802 * d + 32768;
        }
        for (int i = 0; i < 768; ++i) clampStore[i] = static_cast<uint8_t>(std::clamp(i - 256, 0, 255));
    }
};

const ColorTables& colorTables() {
    static const ColorTables tables;
    return tables;
}

}  // namespace

DctDecoder::DctDecoder(Stream* below) : FilterStream(below) {
    std::memset(quant_, 0, sizeof(quant_));
    colorTables();
}

void DctDecoder::reset() {
    below_->reset();
    width_ = height_ = numComps_ = 0;
    for (Component& c : comps_) {
        c.id = c.quant = c.dcTable = c.acTable = c.predictor = 0;
        c.h = c.v = c.hs = c.vs = 1;
        c.inScan = false;
        c.coefs.release();
        c.quantTaken = false;
    }
    std::memset(quant_, 0, sizeof(quant_));
    for (int i = 0; i < 4; ++i) {
        dcTables_[i].clear();
        acTables_[i].clear();
    }
    restartInterval_ = 0;
    gotAdobe_ = false;
    adobeTransform_ = 0;
    transform_ = false;
    gotFrame_ = false;
    progressive_ = gathered_ = samplingReady_ = false;
    eobRun_ = 0;
    storedRow_ = 0;
    next_ = end_ = 0;
    y_ = 0;
    trailerRead_ = false;
    ok_ = readHeader();
    if (!ok_) return;
    if (gathered_) {
        readScans();
        return;
    }
    nextRestart_ = 0xD0;
    restartCountdown_ = restartInterval_;
    bits_.start(below_.get());
}

// ---- header -------------------------------------------------------------------------

int DctDecoder::read8() { return below_->readByte(); }

bool DctDecoder::fail(const char* message) {
    reportError(below_->position(), "%s", message);
    return false;
}

int DctDecoder::read16() {
    int hi = below_->readByte();
    int lo = below_->readByte();
    return hi < 0 || lo < 0 ? -1 : (hi << 8) | lo;
}

int DctDecoder::readMarker() {
    for (;;) {
        int c;
        do {
            c = below_->readByte();
        } while (c >= 0 && c != 0xFF);
        if (c < 0) return -1;
        do {
            c = below_->readByte();
        } while (c == 0xFF);
        if (c != 0) return c;
    }
}

bool DctDecoder::readHeader() {
    for (;;) {
        int marker = readMarker();
        bool ok = true;
        switch (marker) {
            case 0xD8: break;
            // Baseline, extended sequential and progressive frames, all Huffman-coded.
            case 0xC0:
            case 0xC1:
            case 0xC2:
                progressive_ = marker == 0xC2;
                ok = readFrame();
                break;
            case 0xDA: return readScanHeader();
            case -1:
                reportError(below_->position(), "Bad DCT header");
                return false;
            default: {
                bool handled = false;
                ok = readTableMarker(marker, &handled);
                if (!handled) {
                    reportError(below_->position(), "Unknown DCT marker <%02x>", marker);
                    return false;
                }
            }
        }
        if (!ok) return false;
    }
}

bool DctDecoder::readTableMarker(int marker, bool* handled) {
    *handled = true;
    switch (marker) {
        case 0xC4: return readHuffmanTables();
        case 0xDB: return readQuantTables();
        case 0xDD: return readRestartInterval();
        case 0xEE: return readAdobeMarker();
        default:
            if (marker < 0xE0) {
                *handled = false;
                return false;
            }
            return skipSegment();
    }
}

bool DctDecoder::skipSegment() {
    int length = read16();
    if (length < 2) return fail("Bad DCT header");
    for (int i = 2; i < length; ++i) {
        if (read8() < 0) return fail("Bad DCT header");
    }
    return true;
}

bool DctDecoder::readFrame() {
    int length = read16();
    int precision = read8();
    if (length < 0 || precision < 0) return fail("Bad DCT header");
    if (precision != 8) {
        reportError(below_->position(), "Bad DCT precision %d", precision);
        return false;
    }
    height_ = read16();
    width_ = read16();
    numComps_ = read8();
    if (height_ <= 0 || width_ <= 0 || numComps_ <= 0 || numComps_ > 4) {
        // A zero height would need a DNL marker, which this decoder does not read.
        reportError(below_->position(), "Bad DCT header");
        return false;
    }
    for (int i = 0; i < numComps_; ++i) {
        Component& c = comps_[i];
        c.id = read8();
        int sampling = read8();
        c.quant = read8();
        c.h = sampling >> 4;
        c.v = sampling & 0x0F;
        bool bad = c.id < 0 || sampling < 0 || c.quant < 0 || c.quant > 3;
        if (bad || c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4) return fail("Bad DCT header");
    }
    gotFrame_ = true;
    return true;
}

bool DctDecoder::readHuffmanTables() {
    int length = read16();
    if (length < 0) return fail("Bad DCT header");
    length -= 2;
    while (length > 0) {
        int index = read8();
        if (index < 0 || (index >> 4) > 1 || (index & 0x0F) > 3) return fail("Bad DCT Huffman table");
        uint8_t counts[16];
        uint8_t values[256];
        int total = 0;
        for (int i = 0; i < 16; ++i) {
            int n = read8();
            if (n < 0) return fail("Bad DCT header");
            counts[i] = static_cast<uint8_t>(n);
            total += n;
        }
        if (total > 256) return fail("Bad DCT Huffman table");
        for (int i = 0; i < total; ++i) {
            int v = read8();
            if (v < 0) return fail("Bad DCT header");
            values[i] = static_cast<uint8_t>(v);
        }
        DctHuffmanTable& t = (index >> 4) ? acTables_[index & 3] : dcTables_[index & 3];
        t.build(counts, values);
        length -= 17 + total;
    }
    return true;
}

bool DctDecoder::readQuantTables() {
    int length = read16();
    if (length < 0) return fail("Bad DCT header");
    length -= 2;
    while (length > 0) {
        int index = read8();
        if (index < 0 || index > 3) return fail("Bad DCT quantization table");
        for (int k = 0; k < 64; ++k) {
            int q = read8();
            if (q < 0) return fail("Bad DCT header");
            quant_[index][kZigzag[k]] = static_cast<uint16_t>(q);
        }
        length -= 65;
    }
    return true;
}

bool DctDecoder::readRestartInterval() {
    int length = read16();
    if (length != 4) return fail("Bad DCT restart interval");
    restartInterval_ = read16();
    if (restartInterval_ < 0) return fail("Bad DCT header");
    return true;
}

bool DctDecoder::readAdobeMarker() {
    int length = read16();
    if (length != 14) return fail("Bad DCT Adobe APP14 marker");
    int bytes[12];
    for (int& b : bytes) {
        b = read8();
        if (b < 0) return fail("Bad DCT Adobe APP14 marker");
    }
    if (bytes[0] != 'A' || bytes[1] != 'd' || bytes[2] != 'o' || bytes[3] != 'b' || bytes[4] != 'e') {
        return fail("Bad DCT Adobe APP14 marker");
    }
    gotAdobe_ = true;
    adobeTransform_ = bytes[11];
    return true;
}

bool DctDecoder::readScanHeader() {
    int length = read16();
    int n = read8();
    if (length < 0 || n < 0 || length != 2 * n + 6) return fail("Bad DCT scan info block");
    if (!gotFrame_) return fail("Bad DCT header");
    // A frame split over several scans cannot be served one MCU row at a time: its
    // coefficients are gathered first.
    if (!samplingReady_) gathered_ = progressive_ || n != numComps_;
    if (n < 1 || n > numComps_ || (!gathered_ && n != numComps_)) return fail("Bad DCT scan info block");
    for (int j = 0; j < numComps_; ++j) comps_[j].inScan = false;
    scan_.count = n;
    for (int i = 0; i < n; ++i) {
        int id = read8();
        int tables = read8();
        if (id < 0 || tables < 0) return fail("Bad DCT header");
        Component* comp = nullptr;
        for (int j = 0; j < numComps_ && !comp; ++j)
            if (comps_[j].id == id && !comps_[j].inScan) comp = &comps_[j];
        if (!comp) return fail("Bad DCT component ID in scan info block");
        scan_.comps[i] = static_cast<int>(comp - comps_);
        comp->inScan = true;
        comp->dcTable = tables >> 4;
        comp->acTable = tables & 0x0F;
        if (comp->dcTable > 3 || comp->acTable > 3) return fail("Bad DCT header");
    }
    int ss = read8(), se = read8(), approx = read8();
    if (ss < 0 || se < 0 || approx < 0) return fail("Bad DCT header");
    scan_.ss = 0, scan_.se = 63, scan_.ah = 0, scan_.al = 0;
    if (progressive_) {
        // Sequential scans carry no spectral selection worth checking; progressive ones
        // must name a DC scan or an AC band of one component.
        scan_.ss = ss, scan_.se = se, scan_.ah = approx >> 4, scan_.al = approx & 0x0F;
        bool dc = ss == 0;
        if (se > 63 || ss > se || (dc && se != 0) || (!dc && n != 1) || scan_.ah > 13 || scan_.al > 13)
            return fail("Bad DCT scan info block");
    }
    if (samplingReady_) return true;
    if (gotAdobe_)
        transform_ = adobeTransform_ != 0;
    else
        transform_ = numComps_ == 3 && comps_[0].id == 1 && comps_[1].id == 2 && comps_[2].id == 3;
    if (!setUpSampling()) return false;
    samplingReady_ = true;
    return !gathered_ || allocateCoefficients();
}

bool DctDecoder::setUpSampling() {
    // A single component is coded block by block whatever its factors say.
    if (numComps_ == 1) comps_[0].h = comps_[0].v = 1;
    int hMax = 1, vMax = 1;
    for (int i = 0; i < numComps_; ++i) {
        hMax = std::max(hMax, comps_[i].h);
        vMax = std::max(vMax, comps_[i].v);
    }
    for (int i = 0; i < numComps_; ++i) {
        if (hMax % comps_[i].h != 0 || vMax % comps_[i].v != 0) return fail("Bad DCT header");
    }
    mcuWidth_ = 8 * hMax;
    mcuHeight_ = 8 * vMax;
    mcusPerRow_ = (width_ + mcuWidth_ - 1) / mcuWidth_;
    bufferWidth_ = mcusPerRow_ * mcuWidth_;
    // At most 65535 + 31 columns by 32 rows per component: memory stays bounded by the
    // frame header's 16-bit width whatever the height.
    for (int i = 0; i < numComps_; ++i) {
        Component& c = comps_[i];
        c.hs = hMax / c.h;
        c.vs = vMax / c.v;
        c.stride = mcusPerRow_ * 8 * c.h;
        c.rows.assign(static_cast<size_t>(c.stride) * static_cast<size_t>(8 * c.v), 0);
        c.expanded.assign(c.hs > 1 ? static_cast<size_t>(bufferWidth_) : 0, 0);
    }
    out_.assign(static_cast<size_t>(width_) * static_cast<size_t>(numComps_) * static_cast<size_t>(mcuHeight_), 0);
    return true;
}

// ---- entropy-coded data -------------------------------------------------------------

bool DctDecoder::nextRow() {
    if (!ok_) return false;
    if (y_ >= height_) {
        if (!trailerRead_) readTrailer();
        return false;
    }
    if (!(gathered_ ? emitStoredRow() : decodeMcuRow())) {
        ok_ = false;
        return false;
    }
    int rows = std::min(mcuHeight_, height_ - y_);
    convertRow(rows);
    y_ += rows;
    next_ = 0;
    end_ = static_cast<size_t>(rows) * static_cast<size_t>(width_) * static_cast<size_t>(numComps_);
    return true;
}

int DctDecoder::readBlock(unsigned char* buffer, int size) {
    int n = 0;
    while (n < size) {
        if (next_ >= end_ && !nextRow()) break;
        size_t count = std::min(static_cast<size_t>(size - n), end_ - next_);
        std::memcpy(buffer + n, out_.data() + next_, count);
        next_ += count;
        n += static_cast<int>(count);
    }
    return n;
}

int DctDecoder::markerAfterData() {
    if (!bits_.markerPending()) return readMarker();
    // The bit reader stopped at the marker's 0xFF; its code is next.
    bits_.clearMarker();
    return below_->readByte();
}

bool DctDecoder::takeRestartMarker() {
    int marker = markerAfterData();
    if (marker != nextRestart_) return fail("Bad DCT data: incorrect restart marker");
    nextRestart_ = nextRestart_ == 0xD7 ? 0xD0 : nextRestart_ + 1;
    restartCountdown_ = restartInterval_;
    bits_.restart();
    for (int i = 0; i < numComps_; ++i) comps_[i].predictor = 0;
    eobRun_ = 0;
    return true;
}

bool DctDecoder::decodeMcuRow() {
    // Kept all zero between blocks: each block clears only the rows it used.
    int32_t coef[64] = {};
    for (int mx = 0; mx < mcusPerRow_; ++mx) {
        if (restartInterval_ > 0 && restartCountdown_ == 0 && !takeRestartMarker()) return false;
        for (int ci = 0; ci < numComps_; ++ci) {
            Component& c = comps_[ci];
            for (int by = 0; by < c.v; ++by) {
                for (int bx = 0; bx < c.h; ++bx) {
                    unsigned rowMask = 0;
                    if (!decodeBlock(c, coef, &rowMask)) return false;
                    placeBlock(c, coef, rowMask, mx * c.h + bx, by);
                    for (int r = 0; r < 8; ++r)
                        if (rowMask & (1u << r)) std::fill(coef + 8 * r, coef + 8 * r + 8, 0);
                }
            }
        }
        --restartCountdown_;
    }
    return true;
}

// `coef` arrives all zero.
bool DctDecoder::decodeBlock(Component& c, int32_t coef[64], unsigned* rowMask) {
    const uint16_t* q = quant_[c.quant];
    int s = decodeHuffman(bits_, dcTables_[c.dcTable]);
    if (s < 0 || s > 16) return fail("Bad Huffman code in DCT stream");
    int diff = s ? extendDctValue(bits_.get(s), s) : 0;
    // Damaged data could drive the predictor anywhere; real values stay within 12 bits.
    c.predictor = std::clamp(c.predictor + diff, -65536, 65536);
    coef[0] = std::clamp(c.predictor * q[0], -kMaxDctCoefficient, kMaxDctCoefficient);
    unsigned mask = 1;
    const DctHuffmanTable& ac = acTables_[c.acTable];
    for (int k = 1; k < 64;) {
        bits_.ensure(32);
        int fast = ac.fastAc[bits_.peek(DctHuffmanTable::kFastBits)];
        if (fast & 0xFF) {
            bits_.skip(fast & 0xFF);
            k += (fast >> 8) & 0xFF;
            if (k < 64) {
                int pos = kZigzag[k];
                coef[pos] = std::clamp((fast >> 16) * q[pos], -kMaxDctCoefficient, kMaxDctCoefficient);
                mask |= 1u << (pos >> 3);
            }
            ++k;
            continue;
        }
        s = decodeHuffman(bits_, ac);
        if (s < 0) return fail("Bad Huffman code in DCT stream");
        if (s == 0) break;  // end of block
        k += s >> 4;
        int size = s & 0x0F;
        if (size) {
            int value = extendDctValue(bits_.get(size), size);
            int pos = kZigzag[k < 64 ? k : 64];
            if (k < 64) {
                coef[pos] = std::clamp(value * q[pos], -kMaxDctCoefficient, kMaxDctCoefficient);
                mask |= 1u << (pos >> 3);
            }
        }
        ++k;
    }
    if (bits_.overrun()) {
        if (bits_.markerPending()) reportError(below_->position(), "Bad DCT data: missing 00 after ff");
        return false;
    }
    *rowMask = mask;
    return true;
}

void DctDecoder::placeBlock(Component& c, const int32_t coef[64], unsigned rowMask, int bx, int by) {
    uint8_t* dst = c.rows.data() + static_cast<size_t>(by * 8) * c.stride + bx * 8;
    inverseDct(coef, rowMask, dst, c.stride);
}

const uint8_t* DctDecoder::componentRow(Component& c, int row) {
    const uint8_t* src = c.rows.data() + static_cast<size_t>(row / c.vs) * c.stride;
    if (c.hs == 1) return src;
    uint8_t* e = c.expanded.data();
    const int n = (width_ + c.hs - 1) / c.hs;
    if (c.hs == 2) {
        for (int i = 0; i < n; ++i) e[2 * i] = e[2 * i + 1] = src[i];
    } else {
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < c.hs; ++j) e[i * c.hs + j] = src[i];
    }
    return e;
}

void DctDecoder::convertRow(int rowCount) {
    const ColorTables& t = colorTables();
    const uint8_t* clamp = t.clamp;
    const int n = numComps_;
    // The usual 4:2:0 and 4:2:2 layouts: chroma terms once per pixel pair.
    const bool pairs = transform_ && n == 3 && comps_[0].hs == 1 && comps_[1].hs == 2 && comps_[2].hs == 2;
    for (int r = 0; r < rowCount; ++r) {
        uint8_t* out = out_.data() + static_cast<size_t>(r) * width_ * n;
        if (n == 1) {
            std::memcpy(out, componentRow(comps_[0], r), static_cast<size_t>(width_));
            continue;
        }
        if (pairs) {
            // Luminance may itself be replicated vertically (sampled below the largest
            // vertical factor), so its row is scaled like the chroma rows.
            const uint8_t* y = comps_[0].rows.data() + static_cast<size_t>(r / comps_[0].vs) * comps_[0].stride;
            const uint8_t* cb = comps_[1].rows.data() + static_cast<size_t>(r / comps_[1].vs) * comps_[1].stride;
            const uint8_t* cr = comps_[2].rows.data() + static_cast<size_t>(r / comps_[2].vs) * comps_[2].stride;
            for (int x = 0; x < width_; x += 2) {
                const int b = cb[x >> 1], d = cr[x >> 1];
                const int dr = t.crToR[d], dg = (t.cbToG[b] + t.crToG[d]) >> 16, db = t.cbToB[b];
                const int y0 = y[x];
                out[0] = clamp[y0 + dr];
                out[1] = clamp[y0 + dg];
                out[2] = clamp[y0 + db];
                if (x + 1 == width_) break;
                const int y1 = y[x + 1];
                out[3] = clamp[y1 + dr];
                out[4] = clamp[y1 + dg];
                out[5] = clamp[y1 + db];
                out += 6;
            }
            continue;
        }
        const uint8_t* c0 = componentRow(comps_[0], r);
        const uint8_t* c1 = componentRow(comps_[1], r);
        const uint8_t* c2 = n > 2 ? componentRow(comps_[2], r) : nullptr;
        const uint8_t* c3 = n > 3 ? componentRow(comps_[3], r) : nullptr;
        if (transform_ && n == 3) {
            for (int x = 0; x < width_; ++x, out += 3) {
                int y = c0[x], cb = c1[x], cr = c2[x];
                out[0] = clamp[y + t.crToR[cr]];
                out[1] = clamp[y + ((t.cbToG[cb] + t.crToG[cr]) >> 16)];
                out[2] = clamp[y + t.cbToB[cb]];
            }
            continue;
        }
        if (transform_ && n == 4) {
            // YCCK: the RGB of the first three, inverted, then K as it is.
            for (int x = 0; x < width_; ++x, out += 4) {
                int y = c0[x], cb = c1[x], cr = c2[x];
                out[0] = static_cast<uint8_t>(255 - clamp[y + t.crToR[cr]]);
                out[1] = static_cast<uint8_t>(255 - clamp[y + ((t.cbToG[cb] + t.crToG[cr]) >> 16)]);
                out[2] = static_cast<uint8_t>(255 - clamp[y + t.cbToB[cb]]);
                out[3] = c3[x];
            }
            continue;
        }
        for (int x = 0; x < width_; ++x) {
            out[0] = c0[x];
            out[1] = c1[x];
            if (c2) out[2] = c2[x];
            if (c3) out[3] = c3[x];
            out += n;
        }
    }
}

void DctDecoder::readTrailer() {
    trailerRead_ = true;
    int marker = markerAfterData();
    if (marker != 0xD9) reportError(below_->position(), "Bad DCT trailer");
}

std::unique_ptr<PdfString> DctDecoder::describeFilter(int indent) {
    return describeWith(indent, "<< >> /DCTDecode filter\n");
}

Stream* makeDctDecoder(Stream* below, const PdfDict*) { return new DctDecoder(below); }

}  // namespace qm
