#pragma once
// Windows BMP files: a 14-byte file header ("BM", file size, two zero words, offset of the
// pixels), the 40-byte bitmap header, the colour table, then the rows bottom-up.
#include <cstdint>
#include <string>

namespace qm {

class Bitmap;

// Saves the bitmap at 24 bits per pixel. Write failures are reported, the partial file is
// removed, and the result is false.
bool saveBitmapAsBmp(const Bitmap& bitmap, const std::string& path);

// Writes a packed block (packed_dib.h) as a BMP file: the colour table has the header's
// used-colours count of entries, or 2, 16 or 256 for 1, 4 or 8 bits; the image size is
// the header's for run-length data, else computed from width, depth and height and written
// back into the block's header. Refused (false): no block, no path, the old 12-byte header,
// or a header that claims more bytes than the block holds; false as well when the file
// cannot be created or written.
bool writePackedDibAsBmp(uint8_t* block, const char* path);

}  // namespace qm
