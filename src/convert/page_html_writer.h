#pragma once
// One recorded page as one HTML file: every horizontal run of text an absolutely positioned
// block styled by a generated CSS class, over the page's JPEG, with the page's links as an
// image map. In continuous mode the page is appended to index.htm beside htmlPath instead,
// shifted down by the writer state's page offset, without links.
#include <string>
#include <string_view>

#include "convert/html_writer_state.h"
#include "quillmark.h"
#include "render/display_list.h"

namespace qm {

// Frees and removes every item that is not text, keeping the text items in order.
void stripNonTextItems(PageObject& page);

// Writes the page (its non-text items are removed first). `links` may be null; `imagePath`
// names the JPEG, which the page refers to by its file name. `placements`, when given for a
// page of text items only, are its records' placements (a joined page's records carry none
// of their own); otherwise each record's own is used. False when the output file cannot be
// written whole: then the state's lastError names the file and the system's reason.
bool writePageHtml(PageObject& page, const HtmlLinkList* links, const std::string& htmlPath,
                   const std::string& imagePath, HtmlWriterState& state, const PagePlacements* placements = nullptr);
inline bool writePageHtml(PageObject& page, const HtmlLinkList* links, const std::string& htmlPath,
                          const std::string& imagePath) {
    return writePageHtml(page, links, htmlPath, imagePath, htmlWriterState());
}

// The script at the end of every page that stretches each text run to the width it has on
// the PDF page (its data-w attribute), as the browser's faces are not the document's.
std::string_view fitRunsScript();

// The href of a link target, escaped for the attribute: a go-to names the page file
// "pg_NNNN" with `pageExtension`, a URI is given alone, anything else unchanged. Empty for
// targets that would run script, which are left out of the map.
std::string linkHref(std::string_view target, std::string_view pageExtension);

}  // namespace qm
