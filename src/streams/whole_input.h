#pragma once
// For decoders built on libraries that take their encoded input in one piece.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm {

class Stream;

// Appends the rest of `in` (already reset) to `out`; false when more than `limit` bytes
// would be needed, in which case `out` holds the first `limit` of them.
bool readWholeInput(Stream* in, size_t limit, std::vector<uint8_t>* out);

}  // namespace qm
