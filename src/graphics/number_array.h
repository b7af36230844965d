#pragma once
// The one reader of number arrays (matrices, boxes, points, ranges, bounds) from PDF arrays.
#include "core/pdf_object.h"

namespace qm {

// What an element that is not a number does to the read.
enum class NonNumber {
    Refuse,  // the read fails and `out` is left alone
    Keep,    // its place in `out` keeps the value it had
    Zero,    // it reads as 0
};

// Reads `count` numbers into out[0..count) from an array of exactly `count` elements (of at
// least `count` with `atLeast`). False, with `out` untouched, when `array` is not such an
// array or (with Refuse) holds an element that is not a number.
inline bool readNumberArray(const PdfObject& array, double* out, int count, NonNumber nonNumber = NonNumber::Refuse,
                            bool atLeast = false) {
    if (!array.isArray() || count < 0) return false;
    const int length = array.arrayLength();
    if (atLeast ? length < count : length != count) return false;
    if (nonNumber == NonNumber::Refuse)
        for (int i = 0; i < count; ++i)
            if (!array.arrayGet(i).isNum()) return false;
    for (int i = 0; i < count; ++i) {
        PdfObject v = array.arrayGet(i);
        if (v.isNum()) out[i] = v.getNum();
        else if (nonNumber == NonNumber::Zero) out[i] = 0;
    }
    return true;
}

}  // namespace qm
