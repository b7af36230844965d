#include "platform/canvas/bmp_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/report_error.h"
#include "platform/canvas/bitmap.h"
#include "platform/canvas/packed_dib.h"

namespace qm {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kChunk = 32768;

void fileHeader(uint8_t* out, uint32_t fileSize, uint32_t pixelOffset) {
    out[0] = 'B';
    out[1] = 'M';
    storeLe32(out + 2, fileSize);
    storeLe32(out + 6, 0);
    storeLe32(out + 10, pixelOffset);
}

// Writes in chunks; false on the first short write.
bool writeChunked(std::FILE* f, const uint8_t* data, size_t size) {
    while (size > 0) {
        const size_t n = size < kChunk ? size : kChunk;
        if (std::fwrite(data, 1, n, f) != n) return false;
        data += n;
        size -= n;
    }
    return true;
}

bool finish(std::FILE* f, bool ok, const std::string& path) {
    if (std::fclose(f) != 0) ok = false;
    if (!ok) {
        reportError(-1, "Couldn't write bitmap file '%s': %s", path.c_str(), std::strerror(errno));
        std::remove(path.c_str());
    }
    return ok;
}

}  // namespace

bool saveBitmapAsBmp(const Bitmap& bitmap, const std::string& path) {
    if (!bitmap.isOk()) return false;
    std::FILE* f = std::fopen(path.c_str(), "w+b");
    if (!f) {
        reportError(-1, "Couldn't create bitmap file '%s': %s", path.c_str(), std::strerror(errno));
        return false;
    }
    const BitmapInfoHeader header = bitmap.dibHeader();
    const size_t stride = BitmapInfoHeader::rowStride(header.width, 24);
    uint8_t head[kFileHeaderSize + BitmapInfoHeader::kSize];
    const uint32_t offset = kFileHeaderSize + BitmapInfoHeader::kSize;
    fileHeader(head, static_cast<uint32_t>(offset + stride * static_cast<size_t>(header.height)), offset);
    header.writeTo(head + kFileHeaderSize);
    bool ok = std::fwrite(head, 1, sizeof head, f) == sizeof head;
    // Rows are read out a chunk's worth at a time, so the whole image is never copied at once.
    const int rowsPerChunk = stride >= kChunk ? 1 : static_cast<int>(kChunk / stride);
    std::vector<uint8_t> chunk(stride * static_cast<size_t>(rowsPerChunk));
    cairo_surface_flush(const_cast<Bitmap&>(bitmap).surface());
    for (int r = 0; ok && r < header.height; r += rowsPerChunk) {
        const int rows = std::min(rowsPerChunk, header.height - r);
        for (int i = 0; i < rows; ++i) bitmap.dibRow(r + i, chunk.data() + stride * static_cast<size_t>(i));
        ok = writeChunked(f, chunk.data(), stride * static_cast<size_t>(rows));
    }
    return finish(f, ok, path);
}

bool writePackedDibAsBmp(uint8_t* block, const char* path) {
    if (!block || !path || !*path) return false;
    const size_t available = packedDibSize(block);
    if (available >= 4 && loadLe32(block) == 12) return false;  // old core header: not written
    auto header = BitmapInfoHeader::readFrom(block, available);
    if (!header) {
        reportError(-1, "Bad bitmap header");
        return false;
    }
    const uint64_t paletteBytes = static_cast<uint64_t>(header->paletteEntries()) * 4;
    uint64_t imageBytes;
    if (header->compression == 1 || header->compression == 2) {
        imageBytes = header->imageSize;
    } else {
        const int64_t height = header->height < 0 ? -static_cast<int64_t>(header->height) : header->height;
        imageBytes = header->width <= 0 ? 0
                                        : static_cast<uint64_t>(BitmapInfoHeader::rowStride(header->width, header->bitCount)) *
                                              static_cast<uint64_t>(height);
    }
    const uint64_t bodyBytes = header->size + paletteBytes + imageBytes;
    if (bodyBytes > available) {
        reportError(-1, "Bitmap header claims %llu bytes but the block holds %zu",
                    static_cast<unsigned long long>(bodyBytes), available);
        return false;
    }
    if (header->compression != 1 && header->compression != 2) storeLe32(block + 20, static_cast<uint32_t>(imageBytes));

    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        reportError(-1, "Couldn't create bitmap file '%s': %s", path, std::strerror(errno));
        return false;
    }
    uint8_t head[kFileHeaderSize];
    const uint64_t offset = kFileHeaderSize + header->size + paletteBytes;
    fileHeader(head, static_cast<uint32_t>(offset + imageBytes), static_cast<uint32_t>(offset));
    bool ok = std::fwrite(head, 1, sizeof head, f) == sizeof head && writeChunked(f, block, bodyBytes);
    return finish(f, ok, path);
}

}  // namespace qm
