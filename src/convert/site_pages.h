#pragma once
// The document-dependent parts of a converted site: the frameset entry page index.htm, the
// home-page link under the page index, the page range the navigation bar needs, and the
// bookmark tree. The support files (pg_nav.htm, pg_index.htm, pg_bmark.htm, pg_page.gif)
// are copied into the output folder first; these operations complete them by appending.
//
// Every text is written in text mode: each "\n" is stored as CR LF. A file that cannot be
// opened is skipped (the operation returns false) and the conversion goes on.
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The settings the site pages read, passed in by whoever read them.
struct SiteOptions {
    bool customTitle = false;  // the frameset title is customTitleText (even when empty)
    std::string customTitleText;
    std::string documentTitle; // else the document's own title (UTF-8) when not empty
    std::string keywords;      // a keywords meta element when not empty
    bool homeLink = false;     // append a home-page link to pg_index.htm ...
    std::string homeAddress;   // ... when this is not empty as well
};

// One line of the outline listing.
struct BookmarkEntry {
    int level = 0;      // leading TABs
    std::string title;  // UTF-8, with '"', '<', '>' and '\' as character references
    int page = 1;       // 1-based page of the document
};

// `folder` has no trailing slash; `first`..`last` is the converted page range (1-based
// pages of the document) and the site numbers its page files 1..last-first+1.

// index.htm: the frameset with title, keywords and the variables firstpage and lastpage.
bool writeFramesetPage(const std::string& folder, const std::string& title, int first, int last,
                       const SiteOptions& options);
// Appends the home-page link to pg_index.htm when it is on and has an address.
bool appendHomeLink(const std::string& folder, const SiteOptions& options);
// Appends firstpage and lastpage to pg_nav.htm and pg_index.htm: pages opened from disk
// cannot read them from the frameset, and the page list is drawn before the bar could tell.
bool appendNavigationRange(const std::string& folder, int first, int last);

// Reads the outline listing at `listingPath` and removes the file. A missing or unreadable
// listing gives no entries.
std::vector<BookmarkEntry> readBookmarks(const std::string& listingPath);
// The tree text appended to pg_bmark.htm for these entries (root labelled `title`).
std::string bookmarkTreeText(const std::string& title, int first, int last,
                             const std::vector<BookmarkEntry>& entries);
// Reads the listing (empty path: the document has no outline) and appends the tree and the
// end of the page to pg_bmark.htm.
bool appendBookmarkPage(const std::string& folder, const std::string& title, int first, int last,
                        const std::string& listingPath);

// All of the above in the order a conversion needs them. `title` is the PDF's base name.
// True when every file was written.
bool writeSitePages(const std::string& folder, const std::string& title, int first, int last,
                    const SiteOptions& options, const std::string& listingPath);

// What every page file carries after its zoom script: the site's scripts that tell the
// navigation bar which page is showing, take the zoom it sends, mark the words of a search
// and pass the reader's keys on. They talk only through postMessage, so they work when each
// file is its own origin; a page opened outside a site loads them and does nothing.
std::string_view pageSiteScript();


}  // namespace qm
