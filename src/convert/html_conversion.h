#pragma once
// One recorded page to its HTML file and JPEG background: the graphics replayed into a page
// bitmap of the background colour, encoded beside htmlPath as NAME.jpg (quality and
// grayscale from the settings), then the page file written. In continuous mode the next
// page is placed 10 pixels below this one.
#include <string>

#include "convert/html_writer_state.h"
#include "quillmark.h"

namespace qm {

// The page's non-text items are removed during the call. False when the page file could not
// be written (the state's lastError says why); a page of size 0 gets no JPEG.
bool convertPageToHtml(PageObject& page, const HtmlLinkList* links, const std::string& htmlPath,
                       HtmlWriterState& state);

}  // namespace qm
