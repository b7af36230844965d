#pragma once
// RC4 stream cipher: key schedule and keystream XOR.
#include <cstddef>
#include <cstdint>

namespace qm {

class Rc4 {
public:
    Rc4(const uint8_t* key, int keyLength) { init(key, keyLength); }
    void init(const uint8_t* key, int keyLength);
    uint8_t next(uint8_t byte) {
        i_ = static_cast<uint8_t>(i_ + 1);
        uint8_t si = s_[i_];
        j_ = static_cast<uint8_t>(j_ + si);
        s_[i_] = s_[j_];
        s_[j_] = si;
        return byte ^ s_[static_cast<uint8_t>(s_[i_] + si)];
    }
    void apply(uint8_t* data, size_t length) {
        for (size_t k = 0; k < length; ++k) data[k] = next(data[k]);
    }

private:
    uint8_t s_[256];
    uint8_t i_ = 0;
    uint8_t j_ = 0;
};

}  // namespace qm
