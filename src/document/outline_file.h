#pragma once
// Where PdfCatalog::writeOutlines puts the outline file. Each line of the file is one
// outline item: a TAB per level of depth, the title in UTF-8, then "<>," and nine integers
// (target page first, 0 when unknown) when the item has a destination; lines end in CR LF.
// Inside a title control characters are spaces and '<' and '%' are written as %3C and %25,
// so the first "<>," of a line always ends its title.
#include <string>

namespace qm {

// In the user's cache folder, with the process id in the name.
std::string outlineFilePath();

}  // namespace qm
