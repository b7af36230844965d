#pragma once
// Drawing a recorded page's graphics onto a canvas: images, lines, polygons and clip changes
// in list order, and the text that HTML cannot place (rotated text). Upright text is left to
// the page's HTML.
#include "platform/canvas/canvas.h"
#include "quillmark.h"

namespace qm {

void replayDisplayList(Canvas& canvas, const PageObject& page);

}  // namespace qm
