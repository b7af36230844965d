#pragma once
// Text laid out along an unturned baseline starting at (0, 0): runs of glyphs that are drawn
// as they are, and (vertical form only) single wide characters that are turned upright.
#include <cairo.h>

#include <functional>
#include <string_view>
#include <vector>

namespace qm {

class DeviceFont;

struct TextRun {
    bool upright = false;
    double start = 0;    // pen position along the baseline where the run begins
    double advance = 0;  // how far the run moves the pen
    double glyphWidth = 0;  // upright runs: the character's own advance, across the baseline
    std::vector<cairo_glyph_t> glyphs;  // positions relative to the run's start
};

void forEachTextRun(const DeviceFont& font, std::u16string_view text, const std::function<void(const TextRun&)>& visit);

}  // namespace qm
