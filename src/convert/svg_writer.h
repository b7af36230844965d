#pragma once
// A recorded page as a plain SVG document: text, lines and polygons in page pixels. Images
// and clip changes are left out, so the file shows the page's text and vector shapes.
#include <string>

#include "quillmark.h"

namespace qm {

// The SVG text of a page (CR LF line ends).
std::string pageToSvg(const PageObject& page);

// Writes pageToSvg to `path`; false for a null page, an empty path or a file that cannot be
// written.
bool writeSvgFile(const PageObject* page, const char* path);

}  // namespace qm
