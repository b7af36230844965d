#pragma once
// What the renderer knows about a recorded character beyond the public record: its exact
// position, the shape of its text space on the page, and how it is shown. The HTML writer
// uses it to place text to a fraction of a pixel, turned and skewed as on the page; records
// made without it (by a caller of the library, or by older code) keep their whole-pixel
// placement.
#include <cstdint>
#include <memory>

namespace qm {

class FontGlyphSet;

struct TextPlacement {
    // Start of the baseline in device pixels (y downwards).
    double x = 0, y = 0;
    // One em of the font in device pixels: the baseline direction (m[0], m[1]) and the
    // upward direction (m[2], m[3]), horizontal scaling included.
    double m[4] = {0, 0, 0, 0};
    // The glyph's own advance in ems (its width in the font), before character and word
    // spacing.
    double width = 0;
    // The font's space width in ems (its own space glyph where it has one).
    double spaceWidth = 0.25;
    bool invisible = false;  // drawn in render mode 3: selectable, never seen
    bool vertical = false;   // a character of a vertical column
    // The document's web font that holds this glyph, its face within the font, and the
    // glyph there; null when the font has no program for the browser.
    std::shared_ptr<FontGlyphSet> font;
    int face = -1;
    // The glyph is a ligature of the font's face 0, written as its letters.
    bool ligature = false;
    // While a page process records a page: the character of the web-font journal that drew
    // this record, -1 when none.
    int64_t journalChar = -1;
};

}  // namespace qm
