#include "platform/canvas/packed_dib.h"

#include <cstdlib>
#include <cstring>

#include "platform/canvas/bitmap.h"

namespace qm {

namespace {
// The size sits in front of the bytes the caller sees, aligned for any use of the block.
constexpr size_t kPrefix = 16;
}  // namespace

uint8_t* allocPackedDib(size_t bytes) {
    if (bytes > (size_t{1} << 31)) return nullptr;
    auto* raw = static_cast<uint8_t*>(std::calloc(1, kPrefix + bytes));
    if (!raw) return nullptr;
    std::memcpy(raw, &bytes, sizeof bytes);
    return raw + kPrefix;
}

void freePackedDib(uint8_t* block) {
    if (block) std::free(block - kPrefix);
}

size_t packedDibSize(const uint8_t* block) {
    if (!block) return 0;
    size_t bytes;
    std::memcpy(&bytes, block - kPrefix, sizeof bytes);
    return bytes;
}

uint8_t* packDib(const Bitmap& bitmap) {
    if (!bitmap.isOk()) return nullptr;
    const BitmapInfoHeader header = bitmap.dibHeader();
    uint8_t* block = allocPackedDib(BitmapInfoHeader::kSize + header.imageSize);
    if (!block) return nullptr;
    header.writeTo(block);
    const size_t stride = BitmapInfoHeader::rowStride(header.width, 24);
    cairo_surface_flush(const_cast<Bitmap&>(bitmap).surface());
    for (int r = 0; r < header.height; ++r)
        bitmap.dibRow(r, block + BitmapInfoHeader::kSize + stride * static_cast<size_t>(r));
    return block;
}

}  // namespace qm
