#include "platform/canvas/png_file.h"

#include <cairo.h>

#include <cstdio>
#include <cstdlib>

#include "core/report_error.h"
#include "platform/canvas/bitmap.h"
#include "platform/canvas/dib.h"
#include "platform/canvas/packed_dib.h"
#include "platform/system/file_ops.h"

namespace qm {

namespace {

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::optional<std::string> encodePng(Bitmap& bitmap) {
    if (!bitmap.isOk()) return std::nullopt;
    cairo_surface_flush(bitmap.surface());
    std::string bytes;
    if (cairo_surface_write_to_png_stream(bitmap.surface(), appendToString, &bytes) != CAIRO_STATUS_SUCCESS) {
        return std::nullopt;
    }
    return bytes;
}

bool writePng(Bitmap& bitmap, const std::string& path, std::string* error) {
    if (path.empty()) return false;
    std::optional<std::string> png = encodePng(bitmap);
    if (!png) {
        if (error) *error = "Couldn't encode the PNG file '" + path + "'";
        return false;
    }
    std::string why;
    if (!writeWholeFile(path, *png, &why)) {
        reportError(-1, "%s", why.c_str());
        if (error) *error = why;
        return false;
    }
    return true;
}

bool writePackedDibAsPng(const uint8_t* block, const std::string& path, std::string* error) {
    if (block == nullptr) return false;
    const size_t blockSize = packedDibSize(block);
    auto header = BitmapInfoHeader::readFrom(block, blockSize);
    if (!header || header->size < BitmapInfoHeader::kSize || header->bitCount != 24 || header->compression != 0 ||
        header->width <= 0 || header->height == 0 || header->height == INT32_MIN) {
        return false;
    }
    const bool bottomUp = header->height > 0;
    const int width = header->width;
    const int height = bottomUp ? header->height : -header->height;
    if (!Bitmap::sizeFits(width, height)) return false;
    const size_t stride = BitmapInfoHeader::rowStride(width, 24);
    const size_t offset = header->size + static_cast<size_t>(header->paletteEntries()) * 4;
    if (offset > blockSize || stride * static_cast<size_t>(height) > blockSize - offset) return false;
    Bitmap bitmap(width, height);
    if (!bitmap.isOk()) return false;
    cairo_surface_flush(bitmap.surface());
    const int wordsPerRow = cairo_image_surface_get_stride(bitmap.surface()) / 4;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = block + offset + stride * static_cast<size_t>(bottomUp ? height - 1 - y : y);
        uint32_t* out = bitmap.words() + static_cast<size_t>(y) * static_cast<size_t>(wordsPerRow);
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = row + 3 * x;
            out[x] = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        }
    }
    cairo_surface_mark_dirty(bitmap.surface());
    return writePng(bitmap, path, error);
}

}  // namespace qm
