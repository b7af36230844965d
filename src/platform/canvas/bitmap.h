#pragma once
// A page-sized picture to draw on: width x height pixels held as 32-bit words (cairo's RGB24
// layout), read out as a 24-bit device-independent bitmap. A transparent bitmap (a layer laid
// over the page later) keeps alpha too, premultiplied (cairo's ARGB32), and starts empty; it
// may cover only part of the page, its top-left pixel at `origin` in page pixels.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/canvas/color_ref.h"
#include "platform/canvas/dib.h"
#include "platform/canvas/region.h"

namespace qm {

class Bitmap {
public:
    // Zero, negative or too large sizes (more than 32767 a side or 2^27 pixels) and failed
    // allocations are reported and give a bitmap that is not ok; drawing on it does nothing.
    Bitmap(int width, int height);
    Bitmap(int width, int height, Point origin);  // transparent
    ~Bitmap();

    static constexpr long kMaxSide = 32767;
    static constexpr long long kMaxPixels = 1LL << 27;
    // True when a bitmap of that size may be made (memory permitting).
    static bool sizeFits(double width, double height) {
        return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
               width * height <= static_cast<double>(kMaxPixels);
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    bool isOk() const { return pixels_ != nullptr; }
    size_t capacity() const { return capacity_; }  // pixels the memory held would take
    int width() const { return width_; }
    int height() const { return height_; }
    bool isTransparent() const { return transparent_; }
    Point origin() const { return origin_; }
    // The pixels covered, in page pixels.
    Rect area() const { return {origin_.x, origin_.y, origin_.x + width_, origin_.y + height_}; }
    // Makes the pixels of `r` (page pixels) empty, or white when not transparent.
    void clear(const Rect& r);
    // A transparent bitmap becomes an empty one of the new size and place, keeping its memory
    // when that is large enough: layers made and dropped for every object then cost only the
    // pixels they cover. False (and not ok) as the constructor would be.
    bool reshape(int width, int height, Point origin);

    void fill(ColorRef color);
    ColorRef pixel(int x, int y) const;  // white outside the bitmap
    void setPixel(int x, int y, ColorRef color);

    // The header that describes the 24-bit read-out (compression 0, image size set, 96 dpi).
    BitmapInfoHeader dibHeader() const;
    // Rows bottom-up, blue/green/red, padded to 4 bytes; empty when not ok.
    std::vector<uint8_t> dibBits() const;
    // One read-out row (bottom-up index) into `out` (dibHeader's stride bytes).
    void dibRow(int bottomUpIndex, uint8_t* out) const;

    // For the drawing code: the words (0x00RRGGBB) and a cairo surface over them. Code that
    // touches the words directly flushes the surface first and marks it dirty after.
    uint32_t* words() { return pixels_; }
    const uint32_t* words() const { return pixels_; }
    cairo_surface_t* surface() { return surface_; }
    // For reading (flushing, painting from) only.
    cairo_surface_t* surface() const { return surface_; }

    static uint32_t toWord(ColorRef c) { return (redOf(c) << 16) | (greenOf(c) << 8) | blueOf(c); }
    static ColorRef toColorRef(uint32_t w) { return makeColorRef((w >> 16) & 0xFF, (w >> 8) & 0xFF, w & 0xFF); }

private:
    void allocate(int width, int height);
    void release();

    int width_ = 0, height_ = 0;
    size_t capacity_ = 0;  // pixels allocated
    bool transparent_ = false;
    Point origin_;
    uint32_t* pixels_ = nullptr;
    cairo_surface_t* surface_ = nullptr;
};

// Pixels per metre written into headers: the 96 dots per inch of a usual screen.
inline constexpr int32_t kScreenPelsPerMeter = 3780;

}  // namespace qm
