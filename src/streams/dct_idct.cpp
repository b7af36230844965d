#include "streams/dct_idct.h"

#include <algorithm>

namespace qm {

namespace {

// The Loeffler-Ligtenberg-Moschytz factorisation with every output scaled by sqrt(2):
// cos(k pi / 16) = c_k, constants times 4096 (12 bits).
constexpr int kC2 = 5352;      // sqrt(2) c2 = 1.306563
constexpr int kC6 = 2217;      // sqrt(2) c6 = 0.541196
constexpr int kC2mC6 = 3135;   // sqrt(2) (c2 - c6) = 0.765367
constexpr int kC2pC6 = 7568;   // sqrt(2) (c2 + c6) = 1.847759
constexpr int kC3 = 4816;      // sqrt(2) c3 = 1.175876
constexpr int kOdd0 = 1223;    // sqrt(2) (-c1 + c3 + c5 - c7) = 0.298631
constexpr int kOdd1 = 8410;    // sqrt(2) ( c1 + c3 - c5 + c7) = 2.053120
constexpr int kOdd2 = 12586;   // sqrt(2) ( c1 + c3 + c5 - c7) = 3.072711
constexpr int kOdd3 = 6149;    // sqrt(2) ( c1 + c3 - c5 - c7) = 1.501321
constexpr int kZ1 = 3686;      // sqrt(2) (c3 - c7) = 0.899976
constexpr int kZ2 = 10498;     // sqrt(2) (c1 + c3) = 2.562915
constexpr int kZ3 = 8035;      // sqrt(2) (c3 + c5) = 1.961571
constexpr int kZ4 = 1598;      // sqrt(2) (c3 - c5) = 0.390181
// For inputs with x4..x7 zero: sqrt(2) c1, c3, c5, c7.
constexpr int kS1 = 5681, kS3 = 4816, kS5 = 3218, kS7 = 1130;

inline uint8_t clampSample(int32_t v) { return static_cast<uint8_t>(std::clamp<int32_t>(v + 128, 0, 255)); }

// One 8-point pass: z[n] = sqrt(2) (X0 / sqrt(2) + sum over k of X[k] cos((2n + 1) k pi / 16)),
// 4096 times too large.
template <typename T>
inline void idct8(T x0, T x1, T x2, T x3, T x4, T x5, T x6, T x7, T z[8]) {
    T e = (x2 + x6) * kC6;
    T t2 = e - x6 * kC2pC6, t3 = e + x2 * kC2mC6;
    T t0 = (x0 + x4) * 4096, t1 = (x0 - x4) * 4096;
    T e0 = t0 + t3, e3 = t0 - t3, e1 = t1 + t2, e2 = t1 - t2;

    T z1 = x7 + x1, z2 = x5 + x3, z3 = x7 + x3, z4 = x5 + x1;
    T z5 = (z3 + z4) * kC3;
    T o0 = x7 * kOdd0, o1 = x5 * kOdd1, o2 = x3 * kOdd2, o3 = x1 * kOdd3;
    z1 = z1 * (0 - kZ1);
    z2 = z2 * (0 - kZ2);
    z3 = z3 * (0 - kZ3) + z5;
    z4 = z4 * (0 - kZ4) + z5;
    o0 += z1 + z3;
    o1 += z2 + z4;
    o2 += z2 + z3;
    o3 += z1 + z4;

    z[0] = e0 + o3, z[7] = e0 - o3;
    z[1] = e1 + o2, z[6] = e1 - o2;
    z[2] = e2 + o1, z[5] = e2 - o1;
    z[3] = e3 + o0, z[4] = e3 - o0;
}

// The same with x4..x7 zero, which is what most rows and columns of real images hold.
template <typename T>
inline void idct4(T x0, T x1, T x2, T x3, T z[8]) {
    T t0 = x0 * 4096;
    T t2 = x2 * kC6, t3 = x2 * kC2;
    T e0 = t0 + t3, e3 = t0 - t3, e1 = t0 + t2, e2 = t0 - t2;
    T o3 = x1 * kS1 + x3 * kS3;
    T o2 = x1 * kS3 - x3 * kS7;
    T o1 = x1 * kS5 - x3 * kS1;
    T o0 = x1 * kS7 - x3 * kS5;
    z[0] = e0 + o3, z[7] = e0 - o3;
    z[1] = e1 + o2, z[6] = e1 - o2;
    z[2] = e2 + o1, z[5] = e2 - o1;
    z[3] = e3 + o0, z[4] = e3 - o0;
}

}  // namespace

void inverseDct(const int32_t coef[64], unsigned rowMask, uint8_t* out, int stride) {
    // Rows first, kept 16 sqrt(2) times larger than their true value for precision.
    int32_t rows[64];
    for (int r = 0; r < 8; ++r) {
        const int32_t* in = coef + r * 8;
        int32_t* w = rows + r * 8;
        if (!(rowMask & (1u << r))) {
            std::fill(w, w + 8, 0);
            continue;
        }
        if ((in[1] | in[2] | in[3] | in[4] | in[5] | in[6] | in[7]) == 0) {
            std::fill(w, w + 8, in[0] * 16);
            continue;
        }
        int32_t z[8];
        if ((in[4] | in[5] | in[6] | in[7]) == 0)
            idct4<int32_t>(in[0], in[1], in[2], in[3], z);
        else
            idct8<int32_t>(in[0], in[1], in[2], in[3], in[4], in[5], in[6], in[7], z);
        for (int i = 0; i < 8; ++i) w[i] = (z[i] + 128) >> 8;
    }
    // Columns: 4096 (constants) x 32 (both sqrt(2) and the row scale) x 4 (normalisation)
    // = 2^19. Real data keeps every result within 32 bits; the arithmetic wraps (unsigned)
    // so that damaged blocks, whose sums could exceed that, just come out as noise.
    constexpr uint32_t kRound = 1u << 18;
    auto finish = [](uint32_t v) { return clampSample(static_cast<int32_t>(v + kRound) >> 19); };
    if ((rowMask & ~1u) == 0) {
        for (int c = 0; c < 8; ++c) {
            uint8_t v = finish(static_cast<uint32_t>(rows[c]) * 4096u);
            for (int r = 0; r < 8; ++r) out[r * stride + c] = v;
        }
        return;
    }
    const bool half = (rowMask & 0xF0u) == 0;
    for (int c = 0; c < 8; ++c) {
        const int32_t* in = rows + c;
        uint32_t z[8];
        if (half)
            idct4<uint32_t>(in[0], in[8], in[16], in[24], z);
        else
            idct8<uint32_t>(in[0], in[8], in[16], in[24], in[32], in[40], in[48], in[56], z);
        for (int r = 0; r < 8; ++r) out[r * stride + c] = finish(z[r]);
    }
}

}  // namespace qm
