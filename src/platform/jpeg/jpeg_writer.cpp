#include "platform/jpeg/jpeg_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "core/report_error.h"
#include "platform/canvas/bitmap.h"

namespace qm {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void onMessage(j_common_ptr, int) {}  // warnings are not shown

// A bitmap's 32-bit pixels lie in memory as blue, green, red and a spare byte on a
// little-endian machine: the encoder reads them as they are, converting in its own fast code.
#ifdef JCS_EXTENSIONS
constexpr bool kWordsArePixels = std::endian::native == std::endian::little;
#else
constexpr bool kWordsArePixels = false;
#define JCS_EXT_BGRX JCS_RGB
#endif

// Everything that may jump back lives in here; only plain data crosses the jump.
bool encode(std::FILE* file, const Bitmap& bitmap, int quality, bool grayscale, uint8_t* row, char* message) {
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    if (setjmp(errors.jump)) {
        std::memcpy(message, errors.message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(bitmap.width());
    info.image_height = static_cast<JDIMENSION>(bitmap.height());
    info.input_components = kWordsArePixels ? 4 : 3;
    info.in_color_space = kWordsArePixels ? JCS_EXT_BGRX : JCS_RGB;
    jpeg_set_defaults(&info);
    if (grayscale) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    if (quality >= 1 && quality <= 100) jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const uint32_t* words = bitmap.words();
    while (info.next_scanline < info.image_height) {
        const uint32_t* src = words + static_cast<size_t>(info.next_scanline) * bitmap.width();
        if constexpr (kWordsArePixels) {
            // The encoder only reads the rows it is given.
            JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(const_cast<uint32_t*>(src))};
            jpeg_write_scanlines(&info, rows, 1);
            continue;
        }
        for (int x = 0; x < bitmap.width(); ++x) {
            row[3 * x] = static_cast<uint8_t>(src[x] >> 16);
            row[3 * x + 1] = static_cast<uint8_t>(src[x] >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(src[x]);
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool writeJpeg(const Bitmap& bitmap, const std::string& path, int quality, bool grayscale) {
    if (!bitmap.isOk()) {
        reportError(-1, "No bitmap to write as JPEG file '%s'", path.c_str());
        errno = EINVAL;
        return false;
    }
    // A symbolic link standing at `path` is refused rather than written through.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (fd >= 0 && !file) ::close(fd);
    if (!file) {
        const int why = errno;
        reportError(-1, "Couldn't create JPEG file '%s': %s", path.c_str(), std::strerror(why));
        errno = why;
        return false;
    }
    cairo_surface_flush(const_cast<Bitmap&>(bitmap).surface());
    std::vector<uint8_t> row(static_cast<size_t>(bitmap.width()) * 3);
    char message[JMSG_LENGTH_MAX] = "";
    errno = 0;
    bool ok = encode(file, bitmap, quality, grayscale, row.data(), message);
    // The caller names the system's reason (a full disk) from errno.
    int why = ok ? 0 : (errno != 0 ? errno : EIO);
    if (!ok) reportError(-1, "Couldn't encode JPEG file '%s': %s", path.c_str(), message);
    if (std::fclose(file) != 0 && ok) {
        why = errno;
        reportError(-1, "Couldn't write JPEG file '%s': %s", path.c_str(), std::strerror(why));
        ok = false;
    }
    if (!ok) {
        std::remove(path.c_str());
        errno = why;
    }
    return ok;
}

}  // namespace qm
