#pragma once
// The 8x8 inverse DCT of the DCT decoder: integer arithmetic with 12-bit constants.
#include <cstdint>

namespace qm {

// Coefficient magnitudes beyond this come only from damaged data; clamping them keeps every
// intermediate value of the transform inside 32 bits.
constexpr int kMaxDctCoefficient = 2047;

// `coef` holds dequantised coefficients in natural order (each within the bound above);
// `rowMask` has bit r set when row r may hold a non-zero coefficient. Writes 64 clamped
// samples (level-shifted by 128) to `out`, rows `stride` bytes apart.
void inverseDct(const int32_t coef[64], unsigned rowMask, uint8_t* out, int stride);

}  // namespace qm
