#include "core/rc4.h"

namespace qm {

void Rc4::init(const uint8_t* key, int keyLength) {
    for (int k = 0; k < 256; ++k) s_[k] = static_cast<uint8_t>(k);
    i_ = j_ = 0;
    if (keyLength <= 0) return;
    uint8_t j = 0;
    for (int k = 0; k < 256; ++k) {
        j = static_cast<uint8_t>(j + s_[k] + key[k % keyLength]);
        uint8_t t = s_[k];
        s_[k] = s_[j];
        s_[j] = t;
    }
}

}  // namespace qm
