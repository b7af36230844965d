#pragma once
// Drawing a recorded page's graphics onto a canvas: images, lines, polygons and clip changes
// in list order, and the text that HTML cannot place (rotated text). Upright text is left to
// the page's HTML.
#include "platform/canvas/canvas.h"
#include "render/device_font_cache.h"
#include "quillmark.h"

namespace qm {

void replayDisplayList(Canvas& canvas, const PageObject& page);
// Items first..end-1 alone, onto a canvas that holds the items before them and the clip they
// left; so a page can be painted piece by piece as it is recorded.
void replayItems(Canvas& canvas, const PageObject& page, int32_t first, int32_t end, DeviceFontCache& fonts);
// The upright text that replayDisplayList leaves to the HTML, for pictures of the whole page.
// Making a font is far dearer than drawing with it, so the caller keeps `fonts` from page to
// page.
void replayUprightText(Canvas& canvas, const PageObject& page, DeviceFontCache& fonts);

}  // namespace qm
