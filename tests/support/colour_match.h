#pragma once
// Comparing page colours with a tolerance per channel, for tests of blended drawing.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/canvas/color_ref.h"

namespace qm::test {

inline ::testing::AssertionResult nearColour(ColorRef got, ColorRef want, int tolerance = 2) {
    const int d[3] = {int(redOf(got)) - int(redOf(want)), int(greenOf(got)) - int(greenOf(want)),
                      int(blueOf(got)) - int(blueOf(want))};
    for (int v : d)
        if (std::abs(v) > tolerance)
            return ::testing::AssertionFailure() << std::hex << "got " << got << " want " << want;
    return ::testing::AssertionSuccess();
}

}  // namespace qm::test
