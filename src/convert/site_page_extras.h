#pragma once
// What a page of a site adds beside its own HTML and JPEG: its entry in the search index and
// its thumbnail. Pages not named like the site's page files (pg_NNNN.htm) add nothing.
#include <string>

#include "render/replay.h"
#include "platform/canvas/bitmap.h"
#include "quillmark.h"

namespace qm {

// `background` is the page's graphics as the JPEG has them (null or not ok: no thumbnail);
// the call draws the page's text onto it with `fonts`. False when a file could not be written.
bool addPageToSite(const PageObject& page, Bitmap* background, const std::string& htmlPath, DeviceFontCache& fonts);

}  // namespace qm
