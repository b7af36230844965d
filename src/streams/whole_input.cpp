#include "streams/whole_input.h"

#include <algorithm>

#include "streams/stream.h"

namespace qm {

bool readWholeInput(Stream* in, size_t limit, std::vector<uint8_t>* out) {
    constexpr size_t kChunk = 64 * 1024;
    const size_t start = out->size();
    for (;;) {
        const size_t have = out->size() - start;
        if (have >= limit) {
            // Full: the input fits only when nothing is left.
            return in->peekByte() < 0;
        }
        const size_t want = std::min(kChunk, limit - have);
        out->resize(start + have + want);
        int n = in->readBlock(out->data() + start + have, static_cast<int>(want));
        out->resize(start + have + static_cast<size_t>(n > 0 ? n : 0));
        if (n <= 0) return true;
    }
}

}  // namespace qm
