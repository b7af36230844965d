#pragma once
// Text on a Canvas: a baseline-left start point, the font's escapement, a transparent
// background. Plain text is grayscale-antialiased; outlined text (the glyph outlines filled
// with a brush and stroked with a pen) is aliased like other shapes. Opacities (0..255) lay
// the colours over the page; 255 covers it.
#include <string_view>

#include "platform/canvas/canvas.h"

namespace qm {

class DeviceFont;

struct TextOutline {
    enum class Brush { solid, hatched };  // hatched: one horizontal line every 8 pixels
    Brush brush = Brush::solid;
    ColorRef brushColor = kWhite;
    int penWidth = 1;
    ColorRef penColor = kBlack;
    uint8_t brushOpacity = 255;
    uint8_t penOpacity = 255;
};

void drawText(Canvas& canvas, const DeviceFont& font, int x, int y, std::u16string_view text, ColorRef color,
              uint8_t opacity = 255);
void drawOutlinedText(Canvas& canvas, const DeviceFont& font, int x, int y, std::u16string_view text,
                      const TextOutline& outline);

}  // namespace qm
