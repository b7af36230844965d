#pragma once
// A packed device-independent bitmap handed to a caller: one block holding the header, the
// colour table (if the depth has one) and the rows bottom-up. The block remembers its size
// so that code given only the block can check the header against it. The caller owns it
// until freePackedDib.
#include <cstddef>
#include <cstdint>

namespace qm {

class Bitmap;

// A zeroed block of `bytes` bytes; null when it cannot be had.
uint8_t* allocPackedDib(size_t bytes);
void freePackedDib(uint8_t* block);  // null is ignored
size_t packedDibSize(const uint8_t* block);

// The 24-bit read-out of the bitmap as a packed block; null when the bitmap is not ok.
uint8_t* packDib(const Bitmap& bitmap);

}  // namespace qm
