#pragma once
// Colours as the drawing layer and its callers pass them: 0x00BBGGRR, red in the low byte.
#include <cstdint>

namespace qm {

using ColorRef = uint32_t;

constexpr ColorRef makeColorRef(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr unsigned redOf(ColorRef c) { return c & 0xFF; }
constexpr unsigned greenOf(ColorRef c) { return (c >> 8) & 0xFF; }
constexpr unsigned blueOf(ColorRef c) { return (c >> 16) & 0xFF; }

constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kBlack = 0x000000;

}  // namespace qm
