#pragma once
// The quantised coefficients of one JPEG component over the whole image, 64 per block in
// natural order, for images whose scans each carry only part of the data.
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace qm {

class DctCoefficientPlane {
public:
    // Zeroed storage for `wide` x `high` blocks; false (and nothing held) when it cannot be had.
    bool allocate(int wide, int high) {
        release();
        size_t count = static_cast<size_t>(wide) * static_cast<size_t>(high) * 64;
        // calloc leaves large zeroed allocations to the system's lazily cleared pages.
        data_.reset(static_cast<int16_t*>(std::calloc(count, sizeof(int16_t))));
        if (!data_) return false;
        wide_ = wide;
        high_ = high;
        return true;
    }
    void release() {
        data_.reset();
        wide_ = high_ = 0;
    }
    int wide() const { return wide_; }
    int high() const { return high_; }
    // Callers keep bx < wide() and by < high().
    int16_t* block(int bx, int by) {
        return data_.get() + (static_cast<size_t>(by) * static_cast<size_t>(wide_) + static_cast<size_t>(bx)) * 64;
    }

private:
    struct Free {
        void operator()(int16_t* p) const { std::free(p); }
    };
    std::unique_ptr<int16_t, Free> data_;
    int wide_ = 0, high_ = 0;
};

}  // namespace qm
