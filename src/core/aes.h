#pragma once
// AES block cipher (FIPS 197) with 128, 192 or 256-bit keys, table driven, and CBC mode
// over whole blocks. Encrypted documents need decryption; the revision-6 password hash
// needs encryption.
#include <cstddef>
#include <cstdint>

namespace qm {

class Aes {
public:
    static constexpr int kBlockSize = 16;

    // `keyLength` is 16, 24 or 32 bytes; any other length is treated as 16 (callers check).
    Aes(const uint8_t* key, int keyLength);

    void encryptBlock(const uint8_t in[kBlockSize], uint8_t out[kBlockSize]) const;
    void decryptBlock(const uint8_t in[kBlockSize], uint8_t out[kBlockSize]) const;

    // CBC in place over `blocks` whole blocks; `iv` is updated to the last ciphertext block so
    // that calls can be chained.
    void encryptCbc(uint8_t* data, size_t blocks, uint8_t iv[kBlockSize]) const;
    void decryptCbc(uint8_t* data, size_t blocks, uint8_t iv[kBlockSize]) const;

private:
    int rounds_;
    uint32_t encKeys_[60];
    uint32_t decKeys_[60];
};

}  // namespace qm
