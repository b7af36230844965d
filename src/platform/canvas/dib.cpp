#include "platform/canvas/dib.h"

#include "core/report_error.h"

namespace qm {

namespace {
// Larger images than this are refused rather than trusted.
constexpr long kMaxSide = 65535;

uint16_t loadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

void storeLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void storeLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t loadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

uint32_t BitmapInfoHeader::paletteEntries() const {
    if (clrUsed != 0) return clrUsed;
    switch (bitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

void BitmapInfoHeader::writeTo(uint8_t* out) const {
    storeLe32(out, size);
    storeLe32(out + 4, static_cast<uint32_t>(width));
    storeLe32(out + 8, static_cast<uint32_t>(height));
    storeLe16(out + 12, planes);
    storeLe16(out + 14, bitCount);
    storeLe32(out + 16, compression);
    storeLe32(out + 20, imageSize);
    storeLe32(out + 24, static_cast<uint32_t>(xPelsPerMeter));
    storeLe32(out + 28, static_cast<uint32_t>(yPelsPerMeter));
    storeLe32(out + 32, clrUsed);
    storeLe32(out + 36, clrImportant);
}

std::optional<BitmapInfoHeader> BitmapInfoHeader::readFrom(const uint8_t* in, size_t available) {
    if (!in || available < 4) return std::nullopt;
    BitmapInfoHeader h;
    h.size = loadLe32(in);
    if (h.size < kSize || h.size > available) return std::nullopt;
    h.width = static_cast<int32_t>(loadLe32(in + 4));
    h.height = static_cast<int32_t>(loadLe32(in + 8));
    h.planes = loadLe16(in + 12);
    h.bitCount = loadLe16(in + 14);
    h.compression = loadLe32(in + 16);
    h.imageSize = loadLe32(in + 20);
    h.xPelsPerMeter = static_cast<int32_t>(loadLe32(in + 24));
    h.yPelsPerMeter = static_cast<int32_t>(loadLe32(in + 28));
    h.clrUsed = loadLe32(in + 32);
    h.clrImportant = loadLe32(in + 36);
    return h;
}

std::optional<DibView> DibView::make(const uint8_t* header, size_t headerBytes, const uint8_t* bits,
                                     size_t bitsBytes) {
    auto h = BitmapInfoHeader::readFrom(header, headerBytes);
    if (!h) {
        reportError(-1, "Bad bitmap header");
        return std::nullopt;
    }
    const long height = h->height < 0 ? -static_cast<long>(h->height) : h->height;
    const int bpp = h->bitCount;
    const bool knownDepth = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32;
    const bool knownCompression = h->compression == 0 || (h->compression == 3 && bpp == 32);
    if (h->width <= 0 || height == 0 || h->width > kMaxSide || height > kMaxSide || !knownDepth ||
        !knownCompression) {
        reportError(-1, "Unsupported bitmap (%d x %d, %d bits, compression %u)", h->width, h->height, bpp,
                    h->compression);
        return std::nullopt;
    }
    DibView view;
    view.width_ = h->width;
    view.height_ = static_cast<int>(height);
    view.bitCount_ = bpp;
    view.topDown_ = h->height < 0;
    view.stride_ = BitmapInfoHeader::rowStride(h->width, bpp);
    if (bpp <= 8) {
        const size_t entries = h->paletteEntries();
        if (entries > 256 || h->size + entries * 4 > headerBytes) {
            reportError(-1, "Bitmap colour table is missing or too large");
            return std::nullopt;
        }
        const uint8_t* table = header + h->size;
        view.palette_.assign(size_t{1} << bpp, kBlack);  // indexes past the table read black
        for (size_t i = 0; i < entries && i < view.palette_.size(); ++i)
            view.palette_[i] = makeColorRef(table[4 * i + 2], table[4 * i + 1], table[4 * i]);
    }
    if (!bits || view.stride_ * static_cast<size_t>(height) > bitsBytes) {
        reportError(-1, "Bitmap data too short (%zu bytes for %d x %ld)", bitsBytes, h->width, height);
        return std::nullopt;
    }
    view.bits_ = bits;
    return view;
}

std::optional<DibView> DibView::fromPacked(const uint8_t* block, size_t blockBytes) {
    auto h = BitmapInfoHeader::readFrom(block, blockBytes);
    if (!h) {
        reportError(-1, "Bad bitmap header");
        return std::nullopt;
    }
    size_t tableBytes = h->bitCount <= 8 ? static_cast<size_t>(h->paletteEntries()) * 4 : 0;
    if (h->compression == 3) tableBytes = 12;  // the three colour masks
    if (h->size + tableBytes > blockBytes) {
        reportError(-1, "Bitmap colour table is missing or too large");
        return std::nullopt;
    }
    const size_t headerBytes = h->size + tableBytes;
    return make(block, headerBytes, block + headerBytes, blockBytes - headerBytes);
}

ColorRef DibView::pixel(int x, int y) const {
    const uint8_t* r = row(y);
    switch (bitCount_) {
        case 1: return palette_[(r[x >> 3] >> (7 - (x & 7))) & 1];
        case 4: return palette_[(r[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
        case 8: return palette_[r[x]];
        case 24: return makeColorRef(r[3 * x + 2], r[3 * x + 1], r[3 * x]);
        default: return makeColorRef(r[4 * x + 2], r[4 * x + 1], r[4 * x]);
    }
}

}  // namespace qm
