#pragma once
// One recorded page to its HTML file and JPEG background: the graphics replayed into a page
// bitmap of the background colour, encoded beside htmlPath as NAME.jpg (quality and
// grayscale from the settings), then the page file written. In continuous mode the next
// page is placed 10 pixels below this one.
#include <string>

#include "convert/html_writer_state.h"
#include "quillmark.h"
#include "render/display_list.h"

namespace qm {

// The page's non-text items are removed during the call. False when the page file could not
// be written whole or the page is too large to draw (the state's lastError says why).
bool convertPageToHtml(PageObject& page, const HtmlLinkList* links, const std::string& htmlPath,
                       HtmlWriterState& state);

// The two halves of convertPageToHtml, which a site shared among processes does in two
// places: the page's pictures (its JPEG beside htmlPath and, for a site page, its thumbnail)
// where the page was recorded, and its HTML file and search index entry where the site's
// pages are joined in page order. The text half removes the page's non-text items; it takes
// the records' placements as writePageHtml does.
bool paintPagePictures(const PageObject& page, const std::string& htmlPath, HtmlWriterState& state);
bool writePageText(PageObject& page, const HtmlLinkList* links, const std::string& htmlPath, HtmlWriterState& state,
                   const PagePlacements* placements = nullptr);

// Why the last PDF_ConvertToHtmlFile of this process returned 0: the file and the system's
// reason, or that the page is too large to draw.
std::string lastConversionError();

}  // namespace qm
