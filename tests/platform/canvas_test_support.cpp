#include "canvas_test_support.h"

namespace qm::test {

SourceImage makeImage24(int width, int height, const std::vector<ColorRef>& pixels) {
    SourceImage image;
    BitmapInfoHeader h;
    h.width = width;
    h.height = height;
    h.bitCount = 24;
    image.header.resize(BitmapInfoHeader::kSize);
    h.writeTo(image.header.data());
    const size_t stride = BitmapInfoHeader::rowStride(width, 24);
    image.bits.assign(stride * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image.bits.data() + stride * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const ColorRef c = pixels[static_cast<size_t>(y * width + x)];
            row[3 * x] = static_cast<uint8_t>(blueOf(c));
            row[3 * x + 1] = static_cast<uint8_t>(greenOf(c));
            row[3 * x + 2] = static_cast<uint8_t>(redOf(c));
        }
    }
    return image;
}

Region pixelsOfColor(const Bitmap& bitmap, ColorRef color) {
    Region r;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            if (bitmap.pixel(x, y) == color) r.unite(Region::rectangle(x, y, x + 1, y + 1));
    return r;
}

int countColor(const Bitmap& bitmap, ColorRef color) {
    int n = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) n += bitmap.pixel(x, y) == color;
    return n;
}

}  // namespace qm::test
