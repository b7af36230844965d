#pragma once
// The small picture of a page in the site's page list: the page as it looks in the browser,
// graphics and text, shrunk to fit kThumbnailWidth x kThumbnailHeight and stored as a JPEG
// (pg_0001.htm has pg_0001_t.jpg).
#include <memory>
#include <string>
#include <string_view>

#include "render/replay.h"
#include "platform/canvas/bitmap.h"
#include "quillmark.h"

namespace qm {

inline constexpr int kThumbnailWidth = 200;
inline constexpr int kThumbnailHeight = 400;

// The thumbnail's path for a page file path.
std::string thumbnailPath(std::string_view htmlPath);

// `page` shrunk by averaging the pixels each thumbnail pixel covers; the size keeps the
// page's proportions within the limits (at least 1 x 1). Null when `page` is not ok or no
// memory is left.
std::unique_ptr<Bitmap> shrinkToThumbnail(Bitmap& page);

// Draws the page's upright text over `background` (the page's graphics, changed by the
// call) with `fonts`, shrinks it and writes the thumbnail. False when the file could not be
// written.
bool writePageThumbnail(Bitmap& background, const PageObject& page, const std::string& path, DeviceFontCache& fonts);

}  // namespace qm
