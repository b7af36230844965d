#pragma once
// Small builders for drawing tests: source images in memory and pixel counting.
#include <cstdint>
#include <vector>

#include "platform/canvas/bitmap.h"
#include "platform/canvas/dib.h"
#include "platform/canvas/region.h"

namespace qm::test {

// A 24-bit bottom-up image, `pixels` given top row first.
struct SourceImage {
    std::vector<uint8_t> header;  // header (+ colour table)
    std::vector<uint8_t> bits;
    DibView view() const { return *DibView::make(header.data(), header.size(), bits.data(), bits.size()); }
};
SourceImage makeImage24(int width, int height, const std::vector<ColorRef>& pixels);

// Pixels of the bitmap that have exactly `color`, as a region.
Region pixelsOfColor(const Bitmap& bitmap, ColorRef color);
int countColor(const Bitmap& bitmap, ColorRef color);

}  // namespace qm::test
