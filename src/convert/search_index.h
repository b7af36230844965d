#pragma once
// The site's text index: the words of every page, taken from the page's display list, kept in
// small script files beside the pages (pg_text_0001.js holds pages 1..64, pg_text_0002.js
// the next 64, ...). The navigation bar loads them one after another while it searches, so
// a search needs no page file and works from disk, where a script cannot read other files.
//
// Each page is one statement, `qmText(N,"...");`, appended as the page is converted: a file
// cut short by a stopped conversion still loads, and the first page of a file starts it anew.
#include <string>
#include <string_view>

#include "quillmark.h"

namespace qm {

// Pages per index file; the navigation bar's search script counts with the same number.
inline constexpr int kSearchPagesPerFile = 64;
// Text beyond this many bytes of one page is left out of the index (the page keeps it).
inline constexpr size_t kSearchTextBytesPerPage = 1 << 20;

// The page's upright and rotated text in drawing order, as UTF-8: a blank where the next
// glyph starts a new word or line, nothing where it continues the word. Glyphs drawn twice
// at the same place (overprinted bold) count once.
std::string pageSearchText(const PageObject& page);

// `text` (UTF-8) as a double-quoted script string that can stand inside a <script> element
// or a script file: quotes, backslashes, control characters, '<', '>', '&', U+2028 and
// U+2029 as \u escapes; malformed UTF-8 as U+FFFD.
std::string scriptString(std::string_view text);

// The site number of a page file named pg_NNNN.htm (four or more digits), else 0.
int sitePageNumber(std::string_view htmlPath);

// The index file that holds site page `n`, in `folder` (which ends with a slash or is empty).
std::string searchIndexPath(std::string_view folder, int n);

// Adds the page's entry to its index file (starting the file when `n` is the first page it
// holds). False when the file could not be written.
bool appendSearchEntry(std::string_view folder, int n, std::string_view text);

}  // namespace qm
