#pragma once
// AES in CBC mode as encrypted documents use it for strings and streams: the first 16 bytes
// of the data are the initialisation vector and the last block carries the padding.
#include <cstdint>

#include "core/aes.h"
#include "streams/stream.h"

namespace qm {

class AesCbcDecryptor : public StreamDecryptor {
public:
    // `keyLength` 16 or 32 bytes.
    AesCbcDecryptor(const uint8_t* key, int keyLength) : aes_(key, keyLength) {}
    void reset() override;
    int decrypt(const unsigned char* in, int length, unsigned char* out, bool last) override;

private:
    Aes aes_;
    uint8_t iv_[Aes::kBlockSize];
    bool haveIv_ = false;
    // Raw bytes of a block not yet complete.
    uint8_t partial_[Aes::kBlockSize];
    int partialLength_ = 0;
    // The newest plain block, held back until it is known whether the padding is in it.
    uint8_t pending_[Aes::kBlockSize];
    bool havePending_ = false;
};

}  // namespace qm
