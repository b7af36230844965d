#pragma once
// Device-independent bitmaps: the 40-byte header, its byte layout, and a checked read-only
// view of an image given as header, colour table and pixel rows (bottom-up unless the
// height is negative, rows padded to 4 bytes).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/canvas/color_ref.h"

namespace qm {

struct BitmapInfoHeader {
    static constexpr uint32_t kSize = 40;
    uint32_t size = kSize;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;  // 0 plain, 1/2 run-length, 3 bit fields
    uint32_t imageSize = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;

    // Bytes of one pixel row, padded to 4.
    static size_t rowStride(long width, int bitCount) {
        return ((static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 31) / 32) * 4;
    }
    // Entries of the colour table that follows the header: clrUsed when set, else 2, 16 or
    // 256 for 1, 4 or 8 bits per pixel, else none.
    uint32_t paletteEntries() const;

    void writeTo(uint8_t* out) const;  // 40 bytes, little-endian
    // Reads the 40-byte layout; `size` is checked against what is available.
    static std::optional<BitmapInfoHeader> readFrom(const uint8_t* in, size_t available);
};

// Little-endian stores and loads shared by the file writers.
void storeLe16(uint8_t* p, uint16_t v);
void storeLe32(uint8_t* p, uint32_t v);
uint32_t loadLe32(const uint8_t* p);

// A source image for the image drawing calls. Nothing is copied; the bytes must outlive it.
// Supports 1, 4 and 8 bits with a colour table, 24 bits (blue, green, red) and 32 bits
// (blue, green, red, unused; plain or standard bit fields).
class DibView {
public:
    // `header` holds the header and the colour table (`headerBytes` in all); `bits` the rows.
    // Bad or short data is reported and gives nothing.
    static std::optional<DibView> make(const uint8_t* header, size_t headerBytes, const uint8_t* bits,
                                       size_t bitsBytes);
    // The same over one packed block: header, colour table, then the rows.
    static std::optional<DibView> fromPacked(const uint8_t* block, size_t blockBytes);

    int width() const { return width_; }
    int height() const { return height_; }
    int bitCount() const { return bitCount_; }
    // Colour of the pixel at (x, y) counted from the top-left; the caller keeps x and y in range.
    ColorRef pixel(int x, int y) const;

private:
    const uint8_t* row(int y) const { return bits_ + stride_ * static_cast<size_t>(topDown_ ? y : height_ - 1 - y); }

    int width_ = 0, height_ = 0, bitCount_ = 0;
    bool topDown_ = false;
    size_t stride_ = 0;
    const uint8_t* bits_ = nullptr;
    std::vector<ColorRef> palette_;
};

}  // namespace qm
