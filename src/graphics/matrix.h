#pragma once
// Affine transforms [a b c d e f] (x' = a x + c y + e, y' = b x + d y + f): the one product
// and inverse every part of the engine uses.
#include <cstring>

namespace qm {

// r = a x b: the transform that applies a, then b. r may be a or b.
inline void multiplyMatrix(const double* a, const double* b, double* r) {
    double t[6];
    t[0] = a[0] * b[0] + a[1] * b[2];
    t[1] = a[0] * b[1] + a[1] * b[3];
    t[2] = a[2] * b[0] + a[3] * b[2];
    t[3] = a[2] * b[1] + a[3] * b[3];
    t[4] = a[4] * b[0] + a[5] * b[2] + b[4];
    t[5] = a[4] * b[1] + a[5] * b[3] + b[5];
    std::memcpy(r, t, sizeof t);
}

// r = the inverse of m. A singular m gives non-finite values, which callers test for. r may
// be m.
inline void invertMatrix(const double* m, double* r) {
    const double det = 1.0 / (m[0] * m[3] - m[1] * m[2]);
    double t[6];
    t[0] = m[3] * det;
    t[1] = -m[1] * det;
    t[2] = -m[2] * det;
    t[3] = m[0] * det;
    t[4] = (m[2] * m[5] - m[3] * m[4]) * det;
    t[5] = (m[1] * m[4] - m[0] * m[5]) * det;
    std::memcpy(r, t, sizeof t);
}

}  // namespace qm
