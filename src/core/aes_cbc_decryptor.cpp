#include "core/aes_cbc_decryptor.h"

#include <cstring>

namespace qm {

void AesCbcDecryptor::reset() {
    haveIv_ = false;
    partialLength_ = 0;
    havePending_ = false;
}

int AesCbcDecryptor::decrypt(const unsigned char* in, int length, unsigned char* out, bool last) {
    constexpr int kB = Aes::kBlockSize;
    int produced = 0;
    // One complete raw block: the IV, or a block whose plain text replaces the pending one.
    auto take = [&](const uint8_t* block) {
        if (!haveIv_) {
            std::memcpy(iv_, block, kB);
            haveIv_ = true;
            return;
        }
        if (havePending_) {
            std::memcpy(out + produced, pending_, kB);
            produced += kB;
        }
        aes_.decryptBlock(block, pending_);
        for (int i = 0; i < kB; ++i) pending_[i] ^= iv_[i];
        std::memcpy(iv_, block, kB);
        havePending_ = true;
    };

    int pos = 0;
    if (partialLength_ > 0 && length > 0) {
        int n = kB - partialLength_ < length ? kB - partialLength_ : length;
        std::memcpy(partial_ + partialLength_, in, static_cast<size_t>(n));
        partialLength_ += n;
        pos = n;
        if (partialLength_ == kB) {
            partialLength_ = 0;
            take(partial_);
        }
    }
    for (; length - pos >= kB; pos += kB) take(in + pos);
    if (pos < length) {
        std::memcpy(partial_ + partialLength_, in + pos, static_cast<size_t>(length - pos));
        partialLength_ += length - pos;
    }

    if (last && havePending_) {
        // Bytes of an incomplete final block cannot be decrypted and are dropped. Padding that
        // does not read as padding is kept: the data is damaged, and more of it is better.
        int keep = kB;
        int pad = pending_[kB - 1];
        if (pad >= 1 && pad <= kB) {
            bool valid = true;
            for (int i = kB - pad; i < kB; ++i) valid = valid && pending_[i] == pad;
            if (valid) keep = kB - pad;
        }
        std::memcpy(out + produced, pending_, static_cast<size_t>(keep));
        produced += keep;
        havePending_ = false;
    }
    return produced;
}

}  // namespace qm
