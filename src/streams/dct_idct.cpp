#include "streams/dct_idct.h"

#include <algorithm>

namespace qm {

namespace {

// cos(k pi / 16) and 1/sqrt(2), times 4096.
constexpr int kC1 = 4017;  // cos(pi/16)
constexpr int kS1 = 799;   // sin(pi/16)
constexpr int kC2 = 3784;  // cos(pi/8) = sin(3 pi/8)
constexpr int kS2 = 1567;  // sin(pi/8) = cos(3 pi/8)
constexpr int kC3 = 3406;  // cos(3 pi/16)
constexpr int kS3 = 2276;  // sin(3 pi/16)
constexpr int kR2 = 2896;  // sqrt(1/2)

inline uint8_t clampSample(int32_t v) {
    return static_cast<uint8_t>(std::clamp<int32_t>(v + 128, 0, 255));
}

// One 8-point pass, z[n] = X0 / sqrt(2) + sum over k of X[k] cos((2n + 1) k pi / 16), with
// the even half (two rotations) and the odd half computed separately. Results are 4096 times
// too large; T is wide enough for the pass's inputs.
template <typename T>
inline void idct8(T x0, T x1, T x2, T x3, T x4, T x5, T x6, T x7, T z[8]) {
    T a0 = (x0 + x4) * kR2, a1 = (x0 - x4) * kR2;
    T b0 = x2 * kC2 + x6 * kS2, b1 = x2 * kS2 - x6 * kC2;
    T e0 = a0 + b0, e3 = a0 - b0, e1 = a1 + b1, e2 = a1 - b1;
    T o0 = x1 * kC1 + x3 * kC3 + x5 * kS3 + x7 * kS1;
    T o1 = x1 * kC3 - x3 * kS1 - x5 * kC1 - x7 * kS3;
    T o2 = x1 * kS3 - x3 * kC1 + x5 * kS1 + x7 * kC3;
    T o3 = x1 * kS1 - x3 * kS3 + x5 * kC3 - x7 * kC1;
    z[0] = e0 + o0, z[7] = e0 - o0;
    z[1] = e1 + o1, z[6] = e1 - o1;
    z[2] = e2 + o2, z[5] = e2 - o2;
    z[3] = e3 + o3, z[4] = e3 - o3;
}

// The same with x4..x7 zero, which is what most rows and columns of real images hold.
template <typename T>
inline void idct4(T x0, T x1, T x2, T x3, T z[8]) {
    T a = x0 * kR2;
    T b0 = x2 * kC2, b1 = x2 * kS2;
    T e0 = a + b0, e3 = a - b0, e1 = a + b1, e2 = a - b1;
    T o0 = x1 * kC1 + x3 * kC3;
    T o1 = x1 * kC3 - x3 * kS1;
    T o2 = x1 * kS3 - x3 * kC1;
    T o3 = x1 * kS1 - x3 * kS3;
    z[0] = e0 + o0, z[7] = e0 - o0;
    z[1] = e1 + o1, z[6] = e1 - o1;
    z[2] = e2 + o2, z[5] = e2 - o2;
    z[3] = e3 + o3, z[4] = e3 - o3;
}

}  // namespace

void inverseDct(const int32_t coef[64], unsigned rowMask, uint8_t* out, int stride) {
    // Rows first, kept 16 times larger than their true value for precision; the 2-D result
    // is a quarter of the product of both passes.
    int32_t rows[64];
    for (int r = 0; r < 8; ++r) {
        const int32_t* in = coef + r * 8;
        int32_t* w = rows + r * 8;
        if (!(rowMask & (1u << r))) {
            std::fill(w, w + 8, 0);
            continue;
        }
        if ((in[1] | in[2] | in[3] | in[4] | in[5] | in[6] | in[7]) == 0) {
            std::fill(w, w + 8, (in[0] * kR2 + 128) >> 8);
            continue;
        }
        int32_t z[8];
        if ((in[4] | in[5] | in[6] | in[7]) == 0)
            idct4<int32_t>(in[0], in[1], in[2], in[3], z);
        else
            idct8<int32_t>(in[0], in[1], in[2], in[3], in[4], in[5], in[6], in[7], z);
        for (int i = 0; i < 8; ++i) w[i] = (z[i] + 128) >> 8;
    }
    // Columns: 4096 (constants) x 16 (row scale) x 4 (normalisation) = 2^18. The sums of
    // real data fit 32 bits; only damaged blocks could pass that, so the arithmetic wraps
    // (unsigned) instead of overflowing, and such blocks just come out as noise.
    constexpr uint32_t kRound = 1u << 17;
    auto finish = [](uint32_t v) { return clampSample(static_cast<int32_t>(v + kRound) >> 18); };
    if ((rowMask & ~1u) == 0) {
        for (int c = 0; c < 8; ++c) {
            uint8_t v = finish(static_cast<uint32_t>(rows[c]) * kR2);
            for (int r = 0; r < 8; ++r) out[r * stride + c] = v;
        }
        return;
    }
    if ((rowMask & 0xF0u) == 0) {
        for (int c = 0; c < 8; ++c) {
            const int32_t* in = rows + c;
            uint32_t z[8];
            idct4<uint32_t>(in[0], in[8], in[16], in[24], z);
            for (int r = 0; r < 8; ++r) out[r * stride + c] = finish(z[r]);
        }
        return;
    }
    for (int c = 0; c < 8; ++c) {
        const int32_t* in = rows + c;
        uint32_t z[8];
        idct8<uint32_t>(in[0], in[8], in[16], in[24], in[32], in[40], in[48], in[56], z);
        for (int r = 0; r < 8; ++r) out[r * stride + c] = finish(z[r]);
    }
}

}  // namespace qm
