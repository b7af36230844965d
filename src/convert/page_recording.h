#pragma once
// A page of an open document recorded as a display list with its link areas: the form the
// HTML and SVG writers take.
#include "render/display_list.h"

namespace qm {

class ConversionRenderer;

struct RecordedPage {
    PageObjectPtr page;     // null for a page outside the document or a bad zoom
    HtmlLinkListPtr links;  // the page's link areas, possibly none
};

// Draws page `pageNumber` (1-based) of the renderer's document at `zoom` dots per inch into
// a new display list, with the page's size, number, page count, zoom and PDF version filled
// in. The renderer draws again afterwards (its display-list target is cleared).
RecordedPage recordPage(ConversionRenderer& renderer, int pageNumber, int zoom);

}  // namespace qm
