#pragma once
// A recorded page as a page process hands it to the process that writes the site: the
// page's size and numbers, its text records with their placements, its link areas, and
// what its characters asked of the document's web fonts. Pictures stay with the page
// process, which paints them itself; the site's writer needs only the text.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "render/display_list.h"
#include "render/web_font_journal.h"

namespace qm {

struct PageParcel {
    PageObjectPtr page;     // text records only; their placements carry no web font yet
    HtmlLinkListPtr links;  // null when the page process gave none
    std::vector<WebFontChar> chars;
    std::vector<WebFontAsk> asks;
    std::vector<int64_t> charOfItem;  // per item of `page`: its character in `chars`, or -1
    // Per item of `page`: its placement (null when it has none), looked up once.
    PagePlacements placements;
};

// The bytes of a recorded page and the journal's record of it. Null when a text record has
// a web font the journal did not see given (the page cannot be joined by asking again).
std::optional<std::string> packPage(const PageObject& page, const HtmlLinkList* links, const WebFontJournal& journal);

// The same parcel without the bytes, for a page the joining process recorded itself: the
// page keeps its records (pictures are dropped), their placements lose the web fonts the
// recording gave them, and the journal's page moves into the parcel. Null as for packPage.
std::optional<PageParcel> parcelOf(PageObjectPtr page, HtmlLinkListPtr links, WebFontJournal& journal);

// The page back from packPage's bytes; false for bytes that are not a whole parcel, with
// every count checked against what is left.
bool unpackPage(std::string_view bytes, PageParcel& out);

}  // namespace qm
