#include "platform/canvas/bitmap.h"

#include <algorithm>
#include <cstdlib>

#include "core/report_error.h"

namespace qm {

Bitmap::Bitmap(int width, int height) {
    allocate(width, height);
    if (pixels_) fill(kWhite);
}

Bitmap::Bitmap(int width, int height, Point origin) : transparent_(true), origin_(origin) {
    allocate(width, height);
    if (pixels_) clear(area());
}

void Bitmap::allocate(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<long long>(width) * height > kMaxPixels) {
        reportError(-1, "Bitmap size %d x %d is out of range", width, height);
        return;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (count > capacity_) {
        release();
        pixels_ = static_cast<uint32_t*>(std::malloc(count * sizeof(uint32_t)));
        if (!pixels_) {
            reportError(-1, "Not enough memory for a %d x %d bitmap", width, height);
            return;
        }
        capacity_ = count;
    }
    width_ = width;
    height_ = height;
    surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels_),
                                                   transparent_ ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, width,
                                                   height, width * 4);
}

void Bitmap::clear(const Rect& r) {
    if (!pixels_) return;
    const int left = std::max(r.left, origin_.x) - origin_.x, right = std::min(r.right, origin_.x + width_) - origin_.x;
    const int top = std::max(r.top, origin_.y) - origin_.y, bottom = std::min(r.bottom, origin_.y + height_) - origin_.y;
    if (left >= right || top >= bottom) return;
    cairo_surface_flush(surface_);
    const uint32_t word = transparent_ ? 0 : toWord(kWhite);
    for (int y = top; y < bottom; ++y) {
        uint32_t* row = pixels_ + static_cast<size_t>(y) * static_cast<size_t>(width_);
        std::fill(row + left, row + right, word);
    }
    cairo_surface_mark_dirty(surface_);
}

bool Bitmap::reshape(int width, int height, Point origin) {
    if (!transparent_) return false;
    if (surface_) cairo_surface_destroy(surface_);
    surface_ = nullptr;
    width_ = height_ = 0;
    origin_ = origin;
    allocate(width, height);
    if (!surface_) release();
    if (pixels_) clear(area());
    return isOk();
}

void Bitmap::release() {
    if (surface_) cairo_surface_destroy(surface_);
    surface_ = nullptr;
    std::free(pixels_);
    pixels_ = nullptr;
    capacity_ = 0;
    width_ = height_ = 0;
}

Bitmap::~Bitmap() { release(); }

void Bitmap::fill(ColorRef color) {
    if (!pixels_) return;
    cairo_surface_flush(surface_);
    const uint32_t w = toWord(color);
    const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    for (size_t i = 0; i < count; ++i) pixels_[i] = w;
    cairo_surface_mark_dirty(surface_);
}

ColorRef Bitmap::pixel(int x, int y) const {
    if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_) return kWhite;
    cairo_surface_flush(surface_);
    return toColorRef(pixels_[static_cast<size_t>(y) * width_ + x]);
}

void Bitmap::setPixel(int x, int y, ColorRef color) {
    if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_) return;
    cairo_surface_flush(surface_);
    pixels_[static_cast<size_t>(y) * width_ + x] = toWord(color);
    cairo_surface_mark_dirty(surface_);
}

BitmapInfoHeader Bitmap::dibHeader() const {
    BitmapInfoHeader h;
    h.width = width_;
    h.height = height_;
    h.bitCount = 24;
    h.imageSize = static_cast<uint32_t>(BitmapInfoHeader::rowStride(width_, 24) * static_cast<size_t>(height_));
    h.xPelsPerMeter = kScreenPelsPerMeter;
    h.yPelsPerMeter = kScreenPelsPerMeter;
    return h;
}

void Bitmap::dibRow(int bottomUpIndex, uint8_t* out) const {
    const uint32_t* src = pixels_ + static_cast<size_t>(height_ - 1 - bottomUpIndex) * width_;
    uint8_t* p = out;
    for (int x = 0; x < width_; ++x) {
        const uint32_t w = src[x];
        *p++ = static_cast<uint8_t>(w);
        *p++ = static_cast<uint8_t>(w >> 8);
        *p++ = static_cast<uint8_t>(w >> 16);
    }
    const size_t stride = BitmapInfoHeader::rowStride(width_, 24);
    while (static_cast<size_t>(p - out) < stride) *p++ = 0;
}

std::vector<uint8_t> Bitmap::dibBits() const {
    if (!pixels_) return {};
    cairo_surface_flush(surface_);
    const size_t stride = BitmapInfoHeader::rowStride(width_, 24);
    std::vector<uint8_t> bits(stride * static_cast<size_t>(height_));
    for (int r = 0; r < height_; ++r) dibRow(r, bits.data() + stride * static_cast<size_t>(r));
    return bits;
}

}  // namespace qm
