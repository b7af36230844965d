#pragma once
// Fixed-size number arrays read from PDF arrays (matrices, boxes, points, ranges).
#include "core/pdf_object.h"

namespace qm {

// Fills out[0..count) when `array` is an array of exactly `count` numbers (count <= 16);
// otherwise false and `out` is left alone.
inline bool readNumberArray(const PdfObject& array, double* out, int count) {
    if (!array.isArray() || array.arrayLength() != count || count > 16) return false;
    double values[16];
    for (int i = 0; i < count; ++i) {
        PdfObject v = array.arrayGet(i);
        if (!v.isNum()) return false;
        values[i] = v.getNum();
    }
    for (int i = 0; i < count; ++i) out[i] = values[i];
    return true;
}

}  // namespace qm
