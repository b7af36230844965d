#pragma once
// Small font programs made in memory for the renderer's tests: TrueType fonts whose glyphs
// are polygons in a 1000-unit em, mapped through the character maps a test asks for.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

struct TestGlyph {
    int advance = 1000;
    // Closed polygons of on-curve points (x, y), y upwards.
    std::vector<std::vector<std::pair<int, int>>> contours;
};

struct TestCharmap {
    int platform = 3, encoding = 1;
    std::vector<std::pair<uint32_t, uint16_t>> codes;  // code -> glyph, codes below 0x10000
};

// Glyph 0 is an empty .notdef; `glyphs` become glyphs 1, 2, ...
std::string trueTypeProgram(const std::vector<TestGlyph>& glyphs, const std::vector<TestCharmap>& charmaps);

// A rectangle glyph (left, bottom) - (right, top).
TestGlyph boxGlyph(int left, int bottom, int right, int top, int advance);

}  // namespace qm::test
