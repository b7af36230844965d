#pragma once
// A recorded page as an SVG picture that looks like the page: the graphics drawn into a PNG
// picture carried inside the file, under the page's text as SVG text in the document's faces
// (so it can be searched and copied); rotated text stays in the picture, as on HTML pages.
// The plain PDF_WriteToSVGFile output is svg_writer.h.
#include <string>

#include "quillmark.h"

namespace qm {

// The SVG document; nothing when the page picture cannot be drawn.
std::string pageToPictureSvg(const PageObject& page);

// Writes it to `path` under a temporary name renamed into place; false (no partial file, and
// in `error` what went wrong) when it cannot be made or written.
bool writePictureSvgFile(const PageObject& page, const std::string& path, std::string* error = nullptr);

}  // namespace qm
