#pragma once
// PNG pictures of page bitmaps, written by cairo.
#include <cstdint>
#include <optional>
#include <string>

namespace qm {

class Bitmap;

// The PNG bytes of the bitmap; nothing when it is not ok or cairo fails.
std::optional<std::string> encodePng(Bitmap& bitmap);

// Writes the bitmap as a PNG file, under a temporary name renamed into place. Failures are
// reported, leave no partial file behind and give false (and, in `error`, what went wrong
// with the system's reason).
bool writePng(Bitmap& bitmap, const std::string& path, std::string* error = nullptr);

// Writes a packed 24-bit block (packed_dib.h, as the page functions hand them out) as a PNG
// file. Refused (false): no block, other depths or compressions, or a header that claims
// more bytes than the block holds; false as well when the file cannot be written.
bool writePackedDibAsPng(const uint8_t* block, const std::string& path, std::string* error = nullptr);

}  // namespace qm
